// The program as a user's logon runs it: single instance, hidden windows,
// registration with the service, the service's messages, the resume
// broadcast and quitting. The registration retry is the reliability suite's
// (reliability/siblings_test.cpp).
#include <gtest/gtest.h>

#include <memory>

#include "ProgramHarness.h"
#include "app/Main.h"
#include "suite/OcEngine.h"

using harness::Program;
using testsupport::WaitUntil;

namespace {

using harness::kLongWait;

class ShellTest : public harness::SuiteTest {};

unsigned Attempts() {
    unsigned count = 0;
    ServiceControl::QueryAttempts(count);
    return count;
}

std::string Describe(const std::vector<HWND>& windows) {
    std::string text;
    for (HWND w : windows)
        text += testsupport::WindowClass(w) + " \"" + testsupport::WindowText(w) + "\"; ";
    return text;
}

} // namespace

TEST_F(ShellTest, StartsHiddenRegisteredAndOutOfTheTaskbar) {
    ServiceControl::ServiceProcess service;
    ASSERT_TRUE(service.Start());
    Program program;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitRegistered());

    const HWND main = program.MainWindow();
    const HWND app = program.AppWindow();
    ASSERT_NE(nullptr, main);
    ASSERT_NE(nullptr, app);
    EXPECT_EQ("Ravelo Remote", testsupport::WindowText(main));
    // No taskbar button for either: tool windows without the app-window bit.
    // The main window is created topmost; the application window's topmost
    // bit is only written into its style, which the system does not turn
    // into a Z-order change, so it is not asked of it here.
    const DWORD mainEx = static_cast<DWORD>(GetWindowLongA(main, GWL_EXSTYLE));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_TOOLWINDOW | WS_EX_TOPMOST), mainEx & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
    EXPECT_EQ(0u, mainEx & WS_EX_APPWINDOW);
    const DWORD appEx = static_cast<DWORD>(GetWindowLongA(app, GWL_EXSTYLE));
    EXPECT_NE(0u, appEx & WS_EX_TOOLWINDOW);
    EXPECT_EQ(0u, appEx & WS_EX_APPWINDOW);
    // Start-up ends with the application window hidden again.
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(app); }, kLongWait));
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_TRUE(program.VisibleWindowsWithArea().empty()) << Describe(program.VisibleWindowsWithArea());

    ASSERT_EQ(ServiceControl::Outcome::Posted, ServiceControl::SendQuit());
    EXPECT_TRUE(program.EndsWithZero());
}

TEST_F(ShellTest, SecondCopyExitsAtOnceAndRegistersNothing) {
    ServiceControl::ServiceProcess service;
    ASSERT_TRUE(service.Start());
    Program first;
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(first.WaitRegistered());
    const unsigned attemptsBefore = Attempts();

    Program second;
    ASSERT_TRUE(second.Launch());
    EXPECT_TRUE(second.EndsWithZero());
    EXPECT_EQ(attemptsBefore, Attempts());
    std::vector<ServiceControl::Client> clients;
    ASSERT_TRUE(ServiceControl::QueryClients(clients));
    EXPECT_EQ(1u, clients.size());
    EXPECT_TRUE(first.Process().Running());
    EXPECT_TRUE(first.IsRegistered());

    ASSERT_EQ(ServiceControl::Outcome::Posted, ServiceControl::SendQuit());
    EXPECT_TRUE(first.EndsWithZero());
}

TEST_F(ShellTest, OddMessagesDoNothingAndQuitTakesTheLowByte) {
    ServiceControl::ServiceProcess service;
    ASSERT_TRUE(service.Start());
    Program program;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitRegistered());
    ASSERT_TRUE(WaitUntil([&] { return program.VisibleWindowsWithArea().empty(); }, kLongWait));

    struct Raw {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
    };
    const Raw ignored[] = {
        {kServiceRemoteKey, 0x155, 144}, // the key message wants 0x55 as a whole
        {kServiceRemoteKey, 0x55, 151},  // not a remote key
        {WM_USER + 4, 0x55, 0},          {WM_USER + 5, 0x55, 0},
        {WM_USER + 7, 0x55, 0},          {kServiceQuit, 0x54, 0}, // no mark: not a quit
        {WM_USER + 1, 0x55, 0},
    };
    // A window of the test's own holds the foreground: the program's answer
    // to the resume posted after the odd messages shows it has handled them.
    const HWND own = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8, nullptr,
                                     nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, own);
    SetForegroundWindow(own);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == own; }));
    for (const Raw& raw : ignored)
        ASSERT_EQ(ServiceControl::Outcome::Posted, ServiceControl::SendRaw(raw.msg, raw.wParam, raw.lParam));
    ASSERT_EQ(ServiceControl::Outcome::Posted, ServiceControl::SendResume());
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == program.AppWindow(); }, kLongWait));
    DestroyWindow(own);
    EXPECT_TRUE(program.Process().Running());
    EXPECT_TRUE(program.IsRegistered());
    // Brought forward, nothing shows and no taskbar button appears.
    EXPECT_TRUE(program.VisibleWindowsWithArea().empty()) << Describe(program.VisibleWindowsWithArea());
    const DWORD appEx = static_cast<DWORD>(GetWindowLongA(program.AppWindow(), GWL_EXSTYLE));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_TOOLWINDOW), appEx & (WS_EX_TOOLWINDOW | WS_EX_APPWINDOW));

    ASSERT_TRUE(harness::WriteFirmwareItem(ActiveProfileItem, 2));
    unsigned unregistrationsBefore = 0;
    ASSERT_TRUE(ServiceControl::QueryUnregistrations(unregistrationsBefore));
    ASSERT_EQ(ServiceControl::Outcome::Posted, ServiceControl::SendRaw(kServiceQuit, 0x155, 0));
    EXPECT_TRUE(program.EndsWithZero());
    unsigned unregistrations = 0;
    ASSERT_TRUE(ServiceControl::QueryUnregistrations(unregistrations));
    EXPECT_EQ(unregistrationsBefore + 1, unregistrations);
    std::vector<ServiceControl::Client> clients;
    ASSERT_TRUE(ServiceControl::QueryClients(clients));
    EXPECT_TRUE(clients.empty());
    LONG active = -1;
    ASSERT_TRUE(harness::ReadFirmwareItem(ActiveProfileItem, active));
    EXPECT_EQ(0, active);
}

TEST_F(ShellTest, QuitWhileUnregisteredStillUnregistersAndEnds) {
    Program program;
    ASSERT_TRUE(program.Start());
    const HWND main = [&] {
        HWND w = nullptr;
        WaitUntil([&] { return (w = program.MainWindow()) != nullptr; }, kLongWait);
        return w;
    }();
    ASSERT_NE(nullptr, main);
    ASSERT_TRUE(harness::WriteFirmwareItem(ActiveProfileItem, 1));
    // No service: the quit comes straight to the window, as a stray sender would.
    ASSERT_TRUE(PostMessageA(main, kServiceQuit, 0x55, 0));
    EXPECT_TRUE(program.EndsWithZero());
    LONG active = -1;
    ASSERT_TRUE(harness::ReadFirmwareItem(ActiveProfileItem, active));
    EXPECT_EQ(0, active);
}
