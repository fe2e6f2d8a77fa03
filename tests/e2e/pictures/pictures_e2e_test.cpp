// The real program with its pictures, run from a copy of the program folder
// against the simulated service: a missing indicator picture ends start-up
// with the standard exception display; a display change moves the status
// window into its corner; without the PNG library the program runs on.
// Only one copy of the program runs at a time: its instance mutex is per
// logon.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ProgramHarness.h"
#include "ProtocolFacts.h"
#include "ServiceControl.h"
#include "TestSupport.h"

using testsupport::WaitUntil;

namespace {

using facts::kActiveProfileItem;
using harness::kLongWait;
using harness::Program;
// The status window's client size as the form stores it, before preparation.
constexpr LONG kStoredStatusWidth = 138;
constexpr LONG kStoredStatusHeight = 136;

// Start-up has finished once the program is ready and the status window has
// left its stored size (it is sized to its picture).
bool StartedWithPictures(const Program& program) {
    return program.WaitStarted() && WaitUntil(
                                        [&] {
                                            RECT r{};
                                            return GetClientRect(program.StatusWindow(), &r) &&
                                                   (r.right != kStoredStatusWidth || r.bottom != kStoredStatusHeight);
                                        },
                                        kLongWait, 50);
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM param) {
    if (testsupport::WindowClass(child) == "Static")
        reinterpret_cast<std::vector<std::string>*>(param)->push_back(testsupport::WindowText(child));
    return TRUE;
}

// The texts of a message box (its message is a static control).
std::vector<std::string> StaticTexts(HWND dialog) {
    std::vector<std::string> texts;
    EnumChildWindows(dialog, &CollectStaticText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

SIZE ClientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

class PicturesE2eTest : public harness::SuiteTest {
protected:
    void SetUp() override {
        SuiteTest::SetUp();
        ASSERT_TRUE(testsupport::FileExists(testsupport::DistFolder() + "RaveloRemote.exe"))
            << testsupport::DistFolder();
    }

    // A copy of the program folder without the given files.
    std::string ProgramCopy(const std::set<std::string>& without) {
        const std::string copy = suite_->Folder() + "program" + std::to_string(++copies_) + "\\";
        EXPECT_TRUE(testsupport::CopyTree(testsupport::DistFolder(), copy, without));
        return copy;
    }

    void ExpectMissingPictureShownAndEnd(const std::string& missing);

    static int copies_;
};

int PicturesE2eTest::copies_ = 0;

// Either picture missing: the file error is shown with the standard
// exception display naming the file, and the program ends with 0 without
// having cleared the active profile or stayed registered.
TEST_F(PicturesE2eTest, MissingPictureIsShownAndTheProgramEndsWithZero) {
    for (const char* missing : {"Resource\\turbo_mode.png", "Resource\\bg_smoke01.png"}) {
        SCOPED_TRACE(missing);
        ExpectMissingPictureShownAndEnd(missing);
    }
}

void PicturesE2eTest::ExpectMissingPictureShownAndEnd(const std::string& missing) {
    const std::string program = ProgramCopy({missing});
    ASSERT_FALSE(testsupport::FileExists(program + missing));
    // Start-up would clear the active profile right after the display's
    // initialisation; a marker left standing shows that it never got there.
    ASSERT_TRUE(harness::WriteFirmwareItem(kActiveProfileItem, 2));

    ServiceControl::ServiceProcess service;
    ASSERT_TRUE(service.Start());
    Program run;
    ASSERT_TRUE(run.Launch(program));

    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (box = run.Window(facts::kMessageBoxClass)) != nullptr && IsWindowVisible(box); }, kLongWait))
        << "no exception display";
    std::string text;
    for (const std::string& line : StaticTexts(box))
        text += line + "\n";
    EXPECT_NE(std::string::npos, text.find(program + missing)) << text;
    EXPECT_TRUE(run.Running());
    // Nothing of the program is on screen but the box.
    const HWND status = run.StatusWindow();
    EXPECT_TRUE(status == nullptr || !IsWindowVisible(status));
    const HWND osd = run.OsdWindow();
    EXPECT_TRUE(osd == nullptr || !IsWindowVisible(osd));

    const HWND ok = GetDlgItem(box, IDOK);
    ASSERT_NE(nullptr, ok);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    EXPECT_TRUE(run.EndsWithZero());

    LONG marker = -1;
    ASSERT_TRUE(harness::ReadFirmwareItem(kActiveProfileItem, marker));
    EXPECT_EQ(2, marker);
    // It never quit the ordinary way, and leaves no client behind.
    unsigned unregistrations = 1;
    ASSERT_TRUE(ServiceControl::QueryUnregistrations(unregistrations));
    EXPECT_EQ(0u, unregistrations);
    EXPECT_TRUE(WaitUntil(
        [&] {
            std::vector<ServiceControl::Client> clients;
            return ServiceControl::QueryClients(clients) && clients.empty();
        },
        kLongWait));
    harness::WriteFirmwareItem(kActiveProfileItem, 0);
}

TEST_F(PicturesE2eTest, DisplayChangeMovesTheStatusWindowToItsCorner) {
    ServiceControl::ServiceProcess service;
    ASSERT_TRUE(service.Start());
    Program run;
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(StartedWithPictures(run));

    const HWND main = run.MainWindow();
    const HWND status = run.StatusWindow();
    ASSERT_NE(nullptr, main);
    ASSERT_NE(nullptr, status);
    const SIZE client = ClientSize(status);
    EXPECT_EQ(120, client.cx);
    EXPECT_EQ(40, client.cy);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(status, GWL_EXSTYLE));
    EXPECT_EQ(0x08000088u, style & 0x08000088u);
    EXPECT_EQ(0u, style & 0x40000u);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_LAYERED | WS_EX_TRANSPARENT), style & (WS_EX_LAYERED | WS_EX_TRANSPARENT));
    // Start-up leaves it where the form stores it.
    EXPECT_EQ(255, WindowRect(status).left);
    EXPECT_EQ(138, WindowRect(status).top);

    // The new size in lParam is not what counts: the placement reads the
    // screen itself.
    SendMessageA(main, WM_DISPLAYCHANGE, 32, MAKELPARAM(1024, 768));
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    EXPECT_EQ(screenWidth - 120 - 10, WindowRect(status).left);
    EXPECT_EQ(10, WindowRect(status).top);
    EXPECT_EQ(120, ClientSize(status).cx);
    EXPECT_FALSE(IsWindowVisible(status));
    EXPECT_NE(status, GetForegroundWindow());
    EXPECT_TRUE(run.Running());

    ASSERT_EQ(ServiceControl::Outcome::Posted, ServiceControl::SendQuit());
    EXPECT_TRUE(run.EndsWithZero());
}

TEST_F(PicturesE2eTest, WithoutThePngLibraryTheProgramRunsOn) {
    const std::string program = ProgramCopy({"pngio.dll"});
    ASSERT_FALSE(testsupport::FileExists(program + "pngio.dll"));
    ServiceControl::ServiceProcess service;
    ASSERT_TRUE(service.Start());
    Program run;
    ASSERT_TRUE(run.Start(program));
    ASSERT_TRUE(StartedWithPictures(run));

    EXPECT_EQ(nullptr, run.Window(facts::kMessageBoxClass));
    const HWND status = run.StatusWindow();
    ASSERT_NE(nullptr, status);
    // No picture: the window is laid out with the empty bitmap's size.
    EXPECT_EQ(0, ClientSize(status).cx);
    EXPECT_EQ(0, ClientSize(status).cy);
    SendMessageA(run.MainWindow(), WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) - 10, WindowRect(status).left);
    EXPECT_TRUE(run.Running());
    EXPECT_TRUE(run.IsRegistered());

    ASSERT_EQ(ServiceControl::Outcome::Posted, ServiceControl::SendQuit());
    EXPECT_TRUE(run.EndsWithZero());
}

} // namespace
