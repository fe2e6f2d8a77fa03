// The power-saving engine's stand-in, driven as the remote program drives
// it: its window found by class and caption, mode messages posted to it, the
// mode read back from the firmware through the program's raw-value table.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "SiblingControl.h"
#include "StandinTestSupport.h"

using namespace standin_test;

namespace {

// How the remote program reads the mode item.
int ModeOfRaw(LONG raw) {
    if (raw == 0x4000)
        return 0;
    if (raw == 1)
        return 2;
    if (raw == 2)
        return 3;
    return 1;
}

bool WaitForMode(int mode) {
    return testsupport::WaitUntil(
        [mode] {
            LONG raw = 0;
            return ReadFirmwareItem(kModeItem, raw) && ModeOfRaw(raw) == mode;
        },
        kWaitMs, 50);
}

class KelvoStandin : public StandinTest {
protected:
    KelvoStandin() : StandinTest("kelvo") {}

    void Launch() {
        ASSERT_TRUE(kelvo_.Start(siblings::KelvoExecutable(), Environment())) << siblings::KelvoExecutable();
        window_ = kelvo_.WaitForWindow(siblings::kWindowClass, siblings::kKelvoCaption, kWaitMs);
        ASSERT_NE(nullptr, window_);
        ASSERT_TRUE(LogShows("KelvoEngineSim ready"));
    }

    siblings::SiblingProcess kelvo_;
    HWND window_ = nullptr;
};

TEST_F(KelvoStandin, OpensAVisibleWindowFoundByClassAndCaption) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    EXPECT_TRUE(IsWindowVisible(window_));
    EXPECT_NE(nullptr, FindWindowA("TMainForm", "Kelvo Engine"));
}

TEST_F(KelvoStandin, ModeMessagesSetTheModeTheProgramReadsBack) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    // From mode 1 (raw 0x8000) through every mode, each a change.
    ASSERT_TRUE(PostMessageA(window_, kEngineMode2Message, kSuiteMark, 0));
    EXPECT_TRUE(WaitForMode(2));
    ASSERT_TRUE(PostMessageA(window_, kEngineMode3Message, kSuiteMark, 0));
    EXPECT_TRUE(WaitForMode(3));
    ASSERT_TRUE(PostMessageA(window_, kEngineMode0Message, kSuiteMark, 0));
    EXPECT_TRUE(WaitForMode(0));
    ASSERT_TRUE(PostMessageA(window_, kEngineMode1Message, kSuiteMark, 0));
    EXPECT_TRUE(WaitForMode(1));
    EXPECT_TRUE(LogShows("Kelvo Engine msg=1056 wParam=0x55 lParam=0 posted: mode 2: mode item := 0x1 ok"));
    EXPECT_TRUE(LogShows("Kelvo Engine msg=1058 wParam=0x55 lParam=0 posted: mode 0: mode item := 0x4000 ok"));
    EXPECT_TRUE(LogShows("Kelvo Engine msg=1055 wParam=0x55 lParam=0 posted: mode 1: mode item := 0x8000 ok"));
}

TEST_F(KelvoStandin, AutoMessageSwitchesToAutomaticMode) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(PostMessageA(window_, kEngineMode3Message, kSuiteMark, 0));
    ASSERT_TRUE(WaitForMode(3));
    ASSERT_TRUE(PostMessageA(window_, kEngineAutoMessage, kSuiteMark, 0));
    EXPECT_TRUE(WaitForFirmwareItem(kModeItem, 0, kWaitMs));
    EXPECT_TRUE(LogShows("msg=1059 wParam=0x55 lParam=0 posted: automatic mode: mode item := 0x0 ok"));
}

TEST_F(KelvoStandin, AutoMessageIsRefusedWhenTheFirmwareForbidsIt) {
    ASSERT_TRUE(WriteFirmwareItem(kAutoSwitchItem, 0));
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(PostMessageA(window_, kEngineMode3Message, kSuiteMark, 0));
    ASSERT_TRUE(PostMessageA(window_, kEngineAutoMessage, kSuiteMark, 0));
    ASSERT_TRUE(PostMessageA(window_, kEngineMode2Message, kSuiteMark, 0));
    ASSERT_TRUE(WaitForMode(2));
    ASSERT_TRUE(LogShows("msg=1056"));
    EXPECT_EQ(1u, LogLines("msg=1059 wParam=0x55 lParam=0 posted: automatic mode refused"));
    EXPECT_EQ(0u, LogLines("mode item := 0x0 "));
}

TEST_F(KelvoStandin, MessagesWithoutTheMarkAreIgnored) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(PostMessageA(window_, kEngineMode3Message, 0, 0));
    ASSERT_TRUE(PostMessageA(window_, kEngineMode3Message, 0x155, 0));
    ASSERT_TRUE(PostMessageA(window_, kEngineAutoMessage, 0x56, 0));
    ASSERT_TRUE(PostMessageA(window_, 1054, kSuiteMark, 0));
    EXPECT_EQ(0, SendMessageA(window_, kEngineMode0Message, 0, 0));
    ASSERT_TRUE(PostMessageA(window_, kEngineMode2Message, kSuiteMark, 0));
    ASSERT_TRUE(WaitForMode(2));
    ASSERT_TRUE(LogShows("msg=1056 wParam=0x55"));
    EXPECT_EQ(4u, LogLines("ignored: wParam is not 0x55"));
    EXPECT_EQ(1u, LogLines("msg=1054 wParam=0x55 lParam=0 posted: ignored: unknown message"));
    EXPECT_EQ(1u, LogLines("msg=1058 wParam=0x0 lParam=0 sent: ignored"));
    EXPECT_EQ(0u, LogLines("mode 3:"));
    EXPECT_EQ(0u, LogLines("mode 0:"));
    EXPECT_EQ(0u, LogLines("automatic mode"));
}

TEST_F(KelvoStandin, WritesItsInstallationMarkerWhenMissing) {
    std::string caption;
    ASSERT_FALSE(scratch_.Registry().GetString(HKEY_LOCAL_MACHINE, "Kelvo-6 Engine", "CaptionName", caption));
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(scratch_.Registry().GetString(HKEY_LOCAL_MACHINE, "Kelvo-6 Engine", "CaptionName", caption));
    EXPECT_EQ("Kelvo Engine", caption);
    EXPECT_TRUE(LogShows("installation marker written"));
}

TEST_F(KelvoStandin, SecondCopyExitsAndQuitClosesTheFirst) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    DWORD code = 99;
    ASSERT_TRUE(siblings::RunToEnd(siblings::KelvoExecutable(), Environment(), "", kWaitMs * 3, code));
    EXPECT_EQ(1u, code);
    EXPECT_TRUE(kelvo_.IsRunning());
    ASSERT_TRUE(siblings::RunToEnd(siblings::KelvoExecutable(), Environment(), "--quit", kWaitMs * 3, code));
    EXPECT_EQ(0u, code);
    DWORD exitCode = 99;
    ASSERT_TRUE(kelvo_.WaitForExit(kWaitMs, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(LogShows("KelvoEngineSim exit"));
}

TEST_F(KelvoStandin, ClosesOnWmClose) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(PostMessageA(window_, WM_CLOSE, 0, 0));
    DWORD exitCode = 99;
    ASSERT_TRUE(kelvo_.WaitForExit(kWaitMs, &exitCode));
    EXPECT_EQ(0u, exitCode);
}

} // namespace

namespace {

TEST_F(KelvoStandin, SurvivesADamagedModeItemAndFailingFirmware) {
    ASSERT_TRUE(scratch_.WriteDatabase(std::string(kDatabase) + "fault short-package 0x0B000001\n"));
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(PostMessageA(window_, kEngineMode2Message, kSuiteMark, 0));
    EXPECT_TRUE(LogShows("mode 2: not done, no mode item"));
    EXPECT_TRUE(kelvo_.IsRunning());
    LONG raw = 0;
    ASSERT_TRUE(ReadFirmwareItem(kModeItem, raw));
    EXPECT_EQ(0x8000, raw);
}

} // namespace
