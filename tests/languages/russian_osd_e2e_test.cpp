// A non-Western language on screen. Run with LANG and LC_ALL set to
// ru_RU.UTF-8 (see CMakeLists.txt): Wine then reports Russian (0x0419) with
// code page 1251 as ANSI, to this process and to the program it starts. The
// real RaveloRemote.exe from the program folder, driven by the simulated
// service, shows its "not running" warning for key A; the test reads what the
// program asked the movie player to show, checks that the Cyrillic letters
// are drawn, and saves a picture of the screen to
// <build>/screenshots/osd-russian.bmp.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ProgramHarness.h"
#include "SavedSettings.h"
#include "ScreenShot.h"
#include "ServiceControl.h"
#include "TestSupport.h"
#include "app/Director.h"
#include "win32/Handles.h"

using testsupport::WaitUntil;

namespace {

constexpr DWORD kLongWait = 30000;
constexpr UINT kCyrillicCodePage = 1251;

// The Russian texts of the warning, as they stand in the shipped file.
const wchar_t kWarning[] = L"\x0412\x043d\x0438\x043c\x0430\x043d\x0438\x0435"; // "Внимание"
// "Ravelo Apex не запущен. Сначала запустите его."
const wchar_t kNotRunning[] =
    L"Ravelo Apex \x043d\x0435 \x0437\x0430\x043f\x0443\x0449\x0435\x043d. "
    L"\x0421\x043d\x0430\x0447\x0430\x043b\x0430 \x0437\x0430\x043f\x0443\x0441\x0442\x0438\x0442\x0435 "
    L"\x0435\x0433\x043e.";

std::string ToCodePage(const std::wstring& text, UINT codePage) {
    const int size =
        WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring FromCodePage(const std::string& text, UINT codePage) {
    const int size = MultiByteToWideChar(codePage, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size);
    return out;
}

// The [Translations] values of a language file, in the file's bytes.
std::vector<std::string> TranslationValues(const std::string& path) {
    std::vector<std::string> values;
    char sectionBuffer[8192] = {};
    const DWORD length = GetPrivateProfileSectionA("Translations", sectionBuffer, sizeof(sectionBuffer), path.c_str());
    for (DWORD at = 0; at < length && sectionBuffer[at] != '\0';) {
        const std::string entry(sectionBuffer + at);
        const size_t eq = entry.find('=');
        if (eq != std::string::npos)
            values.push_back(entry.substr(eq + 1));
        at += static_cast<DWORD>(entry.size()) + 1;
    }
    return values;
}

int CALLBACK FaceSeen(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM seen) {
    *reinterpret_cast<bool*>(seen) = true;
    return 0;
}

// The face the movie player draws the warning in: the first installed of
// its default list, as the Warning movie names no font of its own.
std::string PlayerFace(HDC dc) {
    for (const char* face : {"Tahoma", "DejaVu Sans", "Arial"}) {
        LOGFONTA wanted{};
        wanted.lfCharSet = DEFAULT_CHARSET;
        lstrcpynA(wanted.lfFaceName, face, LF_FACESIZE);
        bool found = false;
        EnumFontFamiliesExA(dc, &wanted, FaceSeen, reinterpret_cast<LPARAM>(&found), 0);
        if (found)
            return face;
    }
    return std::string();
}

// Pixels of a rectangle close to a colour (each channel within tolerance).
size_t CountNear(const osdtest::ScreenShot& shot, const RECT& area, std::uint32_t rgb, int tolerance) {
    size_t count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const std::uint32_t p = shot.At(x, y);
            bool matches = true;
            for (int shift : {0, 8, 16}) {
                const int a = static_cast<int>((p >> shift) & 0xFF);
                const int b = static_cast<int>((rgb >> shift) & 0xFF);
                matches = matches && (a - b <= tolerance && b - a <= tolerance);
            }
            count += matches ? 1 : 0;
        }
    return count;
}

} // namespace

TEST(RussianSystem, WineReportsRussianWithCodePage1251) {
    EXPECT_EQ(0x0419, GetSystemDefaultLangID()) << "the test must run with LANG=ru_RU.UTF-8";
    EXPECT_EQ(0x0419, GetUserDefaultLangID());
    EXPECT_EQ(kCyrillicCodePage, GetACP());
}

// Every letter of every Russian text exists in the face the player uses;
// a missing glyph would show as an empty box.
TEST(RussianSystem, PlayerFaceHasEveryLetterOfTheRussianTexts) {
    const std::string dist = testsupport::DistFolder();
    ASSERT_FALSE(dist.empty()) << "RAVELO_DIST is not set";
    const std::vector<std::string> values = TranslationValues(dist + "LangFiles\\Russian\\Russian.ini");
    ASSERT_EQ(15u, values.size());

    win32::WindowDC screen(nullptr);
    ASSERT_TRUE(screen);
    const std::string face = PlayerFace(screen.Get());
    ASSERT_FALSE(face.empty()) << "none of the player's faces is installed";
    std::printf("player face: %s\n", face.c_str());
    win32::GdiObject<HFONT> font(CreateFontA(-24, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH, face.c_str()));
    ASSERT_TRUE(font);
    win32::SelectObjectScope select(screen.Get(), font.Get());
    for (const std::string& value : values) {
        const std::wstring wide = FromCodePage(value, kCyrillicCodePage);
        ASSERT_FALSE(wide.empty()) << value;
        std::vector<WORD> glyphs(wide.size(), 0);
        ASSERT_EQ(static_cast<DWORD>(wide.size()),
                  GetGlyphIndicesW(screen.Get(), wide.c_str(), static_cast<int>(wide.size()), glyphs.data(),
                                   GGI_MARK_NONEXISTING_GLYPHS));
        for (size_t i = 0; i < wide.size(); ++i)
            EXPECT_NE(0xFFFF, glyphs[i]) << face << " has no glyph for U+" << std::hex
                                         << static_cast<unsigned>(wide[i]);
    }
}

class RussianOsdEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(testsupport::DistFolder().empty()) << "RAVELO_DIST is not set";
        ASSERT_FALSE(harness::PrepareSuite(folder_).empty()) << "no firmware database";
        osdLog_ = folder_.Path() + "osd.log";
        // Inherited by the program: the player logs every movie request.
        SetEnvironmentVariableA("FLASHOBJ_LOG", osdLog_.c_str());
        // The overclocking program counts as installed but does not run, so
        // key A warns that it is not running.
        if (!(apexMarker_.Existed() && apexMarker_.Type() == REG_SZ)) {
            ASSERT_TRUE(apexMarker_.SetString("Ravelo"));
        }
        ASSERT_TRUE(WaitUntil([] { return FindWindowA("TMainForm", "Ravelo") == nullptr; }, kLongWait))
            << "an overclocking program's main window is open";
        ASSERT_TRUE(service_.Start());
    }

    void TearDown() override {
        if (program_.Process().Running()) {
            ServiceControl::SendQuit();
            EXPECT_TRUE(program_.Process().Wait(kLongWait)) << "the program did not quit";
        }
        service_.Stop();
        SetEnvironmentVariableA("FLASHOBJ_LOG", nullptr);
    }

    std::string Requests() const { return testsupport::ReadTextFile(osdLog_); }
    bool Requested(const std::string& request) const {
        return Requests().find(" Warning request " + request + "\n") != std::string::npos;
    }

    testsupport::TempFolder folder_;
    std::string osdLog_;
    testsupport::SavedValue apexMarker_{HKEY_LOCAL_MACHINE, "Software\\Orva\\Ravelo Apex", "CaptionName"};
    ServiceControl::ServiceProcess service_;
    harness::Program program_;
};

TEST_F(RussianOsdEndToEnd, NotRunningWarningIsShownInRussian) {
    ASSERT_TRUE(program_.Start());
    ASSERT_TRUE(program_.WaitRegistered(kLongWait));
    ASSERT_TRUE(WaitUntil([this] { return program_.Window("TFlashOsdForm") != nullptr; }, kLongWait));
    ASSERT_EQ(ServiceControl::Outcome::Posted, ServiceControl::SendKey(kKeyProfileA));

    // The program read the Russian file and passed its 1251 bytes on.
    const std::string title = ToCodePage(kWarning, kCyrillicCodePage);
    const std::string message = ToCodePage(kNotRunning, kCyrillicCodePage);
    ASSERT_TRUE(WaitUntil([&] { return Requested("changeContent " + message); }, kLongWait)) << "movie requests:\n"
                                                                                             << Requests();
    EXPECT_TRUE(Requested("changeLabel " + title)) << Requests();

    HWND player = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            player = testsupport::FindWindowOfProcess(program_.Id(), "RaveloFlashPlayer", "Warning");
            return player != nullptr && IsWindowVisible(player);
        },
        kLongWait))
        << "the warning never came up";

    // The card's title is amber (#FFD166), the message light (#E2E8F0).
    // Wait for the intro to finish: the text stops moving and the count of
    // title pixels stays the same between two looks.
    RECT titleBand{};
    RECT messageBand{};
    size_t last = 0;
    size_t stable = 0;
    std::unique_ptr<osdtest::ScreenShot> shot;
    const bool settled = WaitUntil(
        [&] {
            RECT card{};
            if (!IsWindowVisible(player) || !GetWindowRect(player, &card))
                return false;
            const double sx = (card.right - card.left) / 400.0;
            const double sy = (card.bottom - card.top) / 650.0;
            auto band = [&](int x, int y, int w, int h) {
                return RECT{card.left + static_cast<LONG>(x * sx), card.top + static_cast<LONG>(y * sy),
                            card.left + static_cast<LONG>((x + w) * sx), card.top + static_cast<LONG>((y + h) * sy)};
            };
            titleBand = band(45, 180, 310, 60);
            messageBand = band(50, 226, 300, 130);
            shot = std::make_unique<osdtest::ScreenShot>(osdtest::ScreenShot::FullScreen());
            const size_t now = CountNear(*shot, titleBand, 0xFFD166, 40);
            stable = (now > 0 && now == last) ? stable + 1 : 0;
            last = now;
            return stable >= 2;
        },
        kLongWait, 150);
    ASSERT_TRUE(settled) << "the warning's title did not settle on screen (" << last << " title pixels)";
    ASSERT_TRUE(shot && !shot->Empty());

    std::string folder = testsupport::BuildFolder();
    ASSERT_FALSE(folder.empty()) << "RAVELO_BUILD is not set";
    folder += "screenshots\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    EXPECT_TRUE(shot->SaveBmp(folder + "osd-russian.bmp"));
    std::printf("saved %sosd-russian.bmp\n", folder.c_str());

    // Both texts are drawn: a bold eight-letter word and two lines of
    // message cover far more than a few stray pixels.
    const size_t messagePixels = CountNear(*shot, messageBand, 0xE2E8F0, 40);
    std::printf("title pixels %u, message pixels %u\n", static_cast<unsigned>(last),
                static_cast<unsigned>(messagePixels));
    EXPECT_GT(last, 150u);
    EXPECT_GT(messagePixels, 300u);

    // The display ends on its own.
    EXPECT_TRUE(WaitUntil([player] { return IsWindowVisible(player) == FALSE; }, kLongWait));
}
