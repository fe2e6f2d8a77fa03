// Every shipped language on screen. CTest runs this once per shipped
// language with LC_ALL set to its locale (see CMakeLists.txt): Wine reports
// that language and its ANSI code page to this process and to the program
// it starts, and the run checks the language of the table row that matches.
// The real RaveloRemote.exe from the program folder, driven by the simulated
// service, shows its "not running" warning for key A. The test checks that
// the program passed the language file's texts on unchanged, that the
// player found a face for every character of them (the player logs
// "missing" for characters its faces lack, which would be drawn as empty
// boxes), that both texts are drawn, and saves a picture of the screen to
// <build>/screenshots/osd-<language>.bmp.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DibSurface.h"
#include "GlyphCoverage.h"
#include "ProgramHarness.h"
#include "SceneFile.h"
#include "SavedSettings.h"
#include "ScreenShot.h"
#include "ProtocolFacts.h"
#include "ServiceControl.h"
#include "TestSupport.h"
#include "actions/Director.h"

using testsupport::WaitUntil;

namespace {

using harness::kLongWait;

using facts::Language;
using facts::SystemLanguage;

// The [Translations] section of a language file, in its own bytes.
std::map<std::string, std::string> Translations(const std::string& path) {
    return testsupport::IniSection(testsupport::ReadTextFile(path), "Translations");
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

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Every text of every language of the system's code page, not only the
// warning shown below, has a face among the player's that draws all its
// characters: the movies' default list, or the faces the player falls back
// to. The code page decides how a text decodes and which character set a
// face is drawn in, so each code page is checked in a run of its own, and
// once (see CMakeLists.txt).
TEST(LanguageFaces, PlayerDrawsEveryCharacterOfEveryText) {
    const std::string dist = testsupport::DistFolder();
    ASSERT_FALSE(dist.empty()) << "RAVELO_DIST is not set";
    flashobj::DibSurface surface;
    ASSERT_TRUE(surface.Ensure(16, 16));
    const std::string faces = flashobj::SceneElement().font;
    std::string first;
    for (size_t at = 0; at <= faces.size() && first.empty();) {
        const size_t bar = std::min(faces.find('|', at), faces.size());
        if (flashobj::FaceInstalled(surface.dc(), faces.substr(at, bar - at)))
            first = faces.substr(at, bar - at);
        at = bar + 1;
    }
    ASSERT_FALSE(first.empty()) << "none of " << faces << " is installed";
    int checked = 0;
    for (const Language& language : facts::kLanguages) {
        if (language.codePage != GetACP())
            continue;
        ++checked;
        const auto values = Translations(dist + "LangFiles\\" + language.name + "\\" + language.name + ".ini");
        EXPECT_EQ(15u, values.size()) << language.name;
        for (const auto& [key, value] : values) {
            for (int weight : {FW_NORMAL, FW_BOLD}) {
                std::wstring missing;
                const std::string face = flashobj::FaceDrawingAll(surface.dc(), faces, first, value, weight, &missing);
                EXPECT_TRUE(missing.empty()) << language.name << ": " << flashobj::CodePointList(missing) << " of "
                                             << key << " \"" << value << "\" not in " << face;
            }
        }
    }
    EXPECT_GT(checked, 0) << "no shipped language has the system's code page " << GetACP();
}

class LanguageOnScreen : public harness::SuiteTest {
protected:
    void SetUp() override {
        SuiteTest::SetUp();
        ASSERT_FALSE(testsupport::DistFolder().empty()) << "RAVELO_DIST is not set";
        // The overclocking program counts as installed but does not run, so
        // key A warns that it is not running.
        if (!(apexMarker_.Existed() && apexMarker_.Type() == REG_SZ)) {
            ASSERT_TRUE(apexMarker_.SetString("Ravelo"));
        }
        ASSERT_TRUE(WaitUntil([] { return FindWindowA("TMainForm", "Ravelo") == nullptr; }, kLongWait))
            << "an overclocking program's main window is open";
        ASSERT_TRUE(suite_->StartService());
    }

    bool Requested(const std::string& request) const { return log_.Requested("Warning", request); }

    testsupport::SavedValue apexMarker_{HKEY_LOCAL_MACHINE, "Software\\Orva\\Ravelo Apex", "CaptionName"};
};

TEST_F(LanguageOnScreen, NotRunningWarningIsDrawnWithEveryCharacter) {
    const Language* const row = SystemLanguage();
    ASSERT_NE(nullptr, row) << "no shipped language for the system language 0x" << std::hex << GetSystemDefaultLangID()
                            << ": run with LC_ALL set to a shipped language's locale";
    const Language& language = *row;
    std::printf("system language: %s (%s), code page %u\n", language.name, language.locale, GetACP());
    ASSERT_EQ(language.codePage, GetACP()) << language.name;

    const std::string file = testsupport::DistFolder() + "LangFiles\\" + language.name + "\\" + language.name + ".ini";
    const std::string title = Translations(file)["Warning"];
    const std::string message = Translations(file)["RaveloApexNotRun"];
    ASSERT_FALSE(title.empty()) << file;
    ASSERT_FALSE(message.empty()) << file;

    StartProgram();
    ASSERT_EQ(ServiceControl::Outcome::Posted, ServiceControl::SendKey(kKeyProfileA));

    // The program read its language's file and passed the bytes on.
    ASSERT_TRUE(WaitUntil([&] { return Requested("changeContent " + message); }, kLongWait)) << "movie requests:\n"
                                                                                             << log_.Tail();
    EXPECT_TRUE(Requested("changeLabel " + title)) << log_.Tail();

    HWND player = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            player = testsupport::FindWindowOfProcess(program_.Id(), facts::kPlayerClass, "Warning");
            return player != nullptr && IsWindowVisible(player);
        },
        kLongWait))
        << "the warning never came up";

    // The card's title is amber (#FFD166), the message light (#E2E8F0).
    // Wait for the intro to finish: the card stops changing on the screen.
    RECT card{};
    ASSERT_TRUE(GetWindowRect(player, &card));
    const double sx = (card.right - card.left) / 400.0;
    const double sy = (card.bottom - card.top) / 650.0;
    auto band = [&](int x, int y, int w, int h) {
        return RECT{card.left + static_cast<LONG>(x * sx), card.top + static_cast<LONG>(y * sy),
                    card.left + static_cast<LONG>((x + w) * sx), card.top + static_cast<LONG>((y + h) * sy)};
    };
    const RECT titleBand = band(45, 180, 310, 60);
    const RECT messageBand = band(50, 226, 300, 130);
    osdtest::ScreenShot shot;
    ASSERT_TRUE(osdtest::ScreenShot::Settled(
        card, [&](const osdtest::ScreenShot& s) { return CountNear(s, titleBand, 0xFFD166, 40) > 0; }, shot, kLongWait))
        << "the warning's title did not settle on screen";
    const size_t titlePixels = CountNear(shot, titleBand, 0xFFD166, 40);

    std::string folder = testsupport::BuildFolder();
    ASSERT_FALSE(folder.empty()) << "RAVELO_BUILD is not set";
    folder += "screenshots\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string picture = folder + "osd-" + Lower(language.name) + ".bmp";
    EXPECT_TRUE(shot.SaveBmp(picture));
    std::printf("saved %s\n", picture.c_str());

    // Every character has a glyph: the player names those it has none for.
    for (const harness::PlayerEvent& event : log_.Events())
        EXPECT_FALSE(event.movie == "Warning" && event.kind == "missing") << event.command << " " << event.argument;

    // Both texts are drawn: a bold title and two lines of message cover far
    // more than a few stray pixels (two ideographs make the shortest title).
    const size_t messagePixels = CountNear(shot, messageBand, 0xE2E8F0, 40);
    std::printf("title pixels %u, message pixels %u\n", static_cast<unsigned>(titlePixels),
                static_cast<unsigned>(messagePixels));
    EXPECT_GT(titlePixels, 100u);
    EXPECT_GT(messagePixels, 300u);

    // The display ends on its own.
    EXPECT_TRUE(WaitUntil([player] { return IsWindowVisible(player) == FALSE; }, kLongWait));
}

} // namespace
