// The overclocking program's stand-in, driven as the remote program drives
// it: found by class and caption, messages posted and sent to its command
// window, results read back from the firmware and its log.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "SiblingControl.h"
#include "StandinTestSupport.h"

using namespace standin_test;

namespace {

std::string CommonProfilesFolder() {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path)))
        return std::string();
    std::string folder = std::string(path) + "\\Orva OC Profiles\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

LONG Item(DWORD id) {
    LONG value = -12345;
    ReadFirmwareItem(id, value);
    return value;
}

class ApexStandin : public StandinTest {
protected:
    ApexStandin() : StandinTest("apex") {}

    // Binds a remote button in both roots, so the binding holds whichever
    // root the system's version selects.
    void Bind(char button, DWORD index, const std::string& name) {
        const std::string indexName = std::string("RRProfile") + button + "Index";
        const std::string nameName = std::string("RRProfile") + button + "Name";
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            ASSERT_TRUE(scratch_.Registry().SetDword(root, "Ravelo Profile", indexName.c_str(), index));
            ASSERT_TRUE(scratch_.Registry().SetString(root, "Ravelo Profile", nameName.c_str(), name));
        }
    }

    void Launch(const std::string& arguments = std::string()) {
        ASSERT_TRUE(apex_.Start(siblings::ApexExecutable(), Environment(), arguments)) << siblings::ApexExecutable();
        command_ = apex_.WaitForWindow(siblings::kWindowClass, siblings::kApexCommandCaption, kWaitMs);
        main_ = apex_.WaitForWindow(siblings::kWindowClass, siblings::kApexMainCaption, kWaitMs);
        ASSERT_NE(nullptr, command_);
        ASSERT_NE(nullptr, main_);
        ASSERT_TRUE(LogShows("RaveloApexSim ready"));
    }

    siblings::SiblingProcess apex_;
    HWND main_ = nullptr;
    HWND command_ = nullptr;
};

TEST_F(ApexStandin, OpensAVisibleMainWindowAndAHiddenCommandWindow) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_FALSE(IsWindowVisible(command_));
    char name[64] = {};
    GetClassNameA(command_, name, sizeof name);
    EXPECT_STREQ("TMainForm", name);
    GetClassNameA(main_, name, sizeof name);
    EXPECT_STREQ("TMainForm", name);
    // Found the way the remote program looks for it.
    EXPECT_NE(nullptr, FindWindowA("TMainForm", "RaveloHelp"));
    EXPECT_NE(nullptr, FindWindowA("TMainForm", "Ravelo"));
}

TEST_F(ApexStandin, ProfileOnTakesTheClockOfTheBoundFirmwareRecord) {
    // No bindings stored: button A stands for the first profile, "Gaming",
    // whose record holds the clock after another setting.
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, kSuiteMark, 1));
    ASSERT_TRUE(WaitForFirmwareItem(kActiveProfileItem, 1, kWaitMs));
    EXPECT_EQ(32, Item(kClockItem));
    EXPECT_TRUE(
        LogShows("RaveloHelp msg=1061 wParam=0x55 lParam=1 posted: profile A on from firmware profile 0 \"Gaming\""));
    EXPECT_TRUE(LogShows("clock step := 32 (3800 MHz) ok"));
}

TEST_F(ApexStandin, ProfileButtonsFollowTheirBindingsAndCIsFour) {
    Bind('B', 0, "Gaming");
    Bind('C', 1, "Silent");
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, kSuiteMark, 3));
    ASSERT_TRUE(WaitForFirmwareItem(kActiveProfileItem, 4, kWaitMs));
    EXPECT_EQ(12, Item(kClockItem));
    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, kSuiteMark, 2));
    ASSERT_TRUE(WaitForFirmwareItem(kActiveProfileItem, 2, kWaitMs));
    EXPECT_EQ(32, Item(kClockItem));
}

TEST_F(ApexStandin, ProfileOffRestoresTheClockInEffectBeforeTheProfile) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_EQ(1, SendMessageA(command_, kApplyStepMessage, kSuiteMark, 20));
    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, kSuiteMark, 1));
    ASSERT_TRUE(WaitForFirmwareItem(kActiveProfileItem, 1, kWaitMs));
    ASSERT_EQ(32, Item(kClockItem));
    // Switching to another profile keeps the clock to return to.
    Bind('B', 1, "Silent");
    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, kSuiteMark, 2));
    ASSERT_TRUE(WaitForFirmwareItem(kActiveProfileItem, 2, kWaitMs));
    ASSERT_EQ(12, Item(kClockItem));
    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, kSuiteMark, 0));
    ASSERT_TRUE(WaitForFirmwareItem(kActiveProfileItem, 0, kWaitMs));
    EXPECT_EQ(20, Item(kClockItem));
    EXPECT_TRUE(LogShows("msg=1061 wParam=0x55 lParam=0 posted: profile off: clock step := 20 (3500 MHz) ok"));
}

TEST_F(ApexStandin, ProfileBeyondTheFirmwareProfilesComesFromItsFile) {
    const std::string folder = CommonProfilesFolder();
    ASSERT_FALSE(folder.empty());
    const std::string unique = std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    // Claims five records but holds three; the clock is the third.
    const std::string shortFile = folder + "SiblingTest-short-" + unique + ".oc";
    const testsupport::SavedFile shortFileRemoved(shortFile);
    ASSERT_TRUE(testsupport::WriteProfileFile(shortFile, 1, 5, {{0x03020012, 3}, {0x12345678, 9}, {0x03010011, 44}}));
    const std::string newerFile = folder + "SiblingTest-v2-" + unique + ".oc";
    const testsupport::SavedFile newerFileRemoved(newerFile);
    ASSERT_TRUE(testsupport::WriteProfileFile(newerFile, 2, 1, {{0x03010011, 50}}));
    Bind('B', 7, "SiblingTest-short-" + unique);
    Bind('C', 8, "SiblingTest-v2-" + unique);
    ASSERT_NO_FATAL_FAILURE(Launch());

    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, kSuiteMark, 2));
    ASSERT_TRUE(WaitForFirmwareItem(kActiveProfileItem, 2, kWaitMs));
    EXPECT_EQ(44, Item(kClockItem));

    // A file of a later format gives no clock: the profile is marked on and
    // the clock stays.
    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, kSuiteMark, 3));
    ASSERT_TRUE(WaitForFirmwareItem(kActiveProfileItem, 4, kWaitMs));
    EXPECT_EQ(44, Item(kClockItem));
    EXPECT_TRUE(LogShows("format version 2 is not supported"));
}

TEST_F(ApexStandin, ClockMessageIsSentAndAnswered) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    EXPECT_EQ(1, SendMessageA(command_, kApplyStepMessage, kSuiteMark, 40));
    EXPECT_EQ(40, Item(kClockItem));
    EXPECT_TRUE(LogShows("RaveloHelp msg=1060 wParam=0x55 lParam=40 sent: clock step := 40 (4000 MHz) ok, reply 1"));
    // A step the firmware refuses is answered with 0 and changes nothing.
    EXPECT_EQ(0, SendMessageA(command_, kApplyStepMessage, kSuiteMark, 500));
    EXPECT_EQ(40, Item(kClockItem));
    EXPECT_TRUE(LogShows("lParam=500 sent: clock step := 500"));
    EXPECT_TRUE(LogShows("FAILED, reply 0"));
}

TEST_F(ApexStandin, MessagesWithoutTheMarkOrToTheMainWindowAreIgnored) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    EXPECT_EQ(0, SendMessageA(command_, kApplyStepMessage, 0, 30));
    EXPECT_EQ(0, SendMessageA(command_, kApplyStepMessage, 0x155, 30));
    EXPECT_EQ(8, Item(kClockItem));
    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, 0, 1));
    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, 0x155, 1));
    ASSERT_TRUE(PostMessageA(main_, kApplyProfileMessage, kSuiteMark, 1));
    // Posted messages arrive in order: once B is on, the ones before it are done.
    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, kSuiteMark, 2));
    ASSERT_TRUE(WaitForFirmwareItem(kActiveProfileItem, 2, kWaitMs));
    ASSERT_TRUE(LogShows("profile B on"));
    EXPECT_EQ(4u, siblings::CountLogLines(scratch_.Log(), "ignored: wParam is not 0x55"));
    EXPECT_EQ(1u, siblings::CountLogLines(
                      scratch_.Log(), "Ravelo msg=1061 wParam=0x55 lParam=1 posted: ignored: not the command window"));
    EXPECT_EQ(0u, siblings::CountLogLines(scratch_.Log(), "profile A on"));
    EXPECT_TRUE(LogShows("RaveloHelp msg=1060 wParam=0x155 lParam=30 sent: ignored"));
}

TEST_F(ApexStandin, WritesItsInstallationMarkerWhenMissing) {
    std::string caption;
    ASSERT_FALSE(scratch_.Registry().GetString(HKEY_LOCAL_MACHINE, "Ravelo Apex", "CaptionName", caption));
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(scratch_.Registry().GetString(HKEY_LOCAL_MACHINE, "Ravelo Apex", "CaptionName", caption));
    EXPECT_EQ("Ravelo", caption);
    EXPECT_TRUE(LogShows("installation marker written"));
}

TEST_F(ApexStandin, KeepsAnExistingInstallationMarker) {
    ASSERT_TRUE(scratch_.Registry().SetString(HKEY_LOCAL_MACHINE, "Ravelo Apex", "CaptionName", "Custom"));
    ASSERT_NO_FATAL_FAILURE(Launch());
    std::string caption;
    ASSERT_TRUE(scratch_.Registry().GetString(HKEY_LOCAL_MACHINE, "Ravelo Apex", "CaptionName", caption));
    EXPECT_EQ("Custom", caption);
    EXPECT_TRUE(LogShows("installation marker present"));
}

TEST_F(ApexStandin, LeavesTheMarkerAloneWhenAskedTo) {
    ASSERT_NO_FATAL_FAILURE(Launch("--no-marker"));
    std::string caption;
    EXPECT_FALSE(scratch_.Registry().GetString(HKEY_LOCAL_MACHINE, "Ravelo Apex", "CaptionName", caption));
}

TEST_F(ApexStandin, SecondCopyExitsAndQuitClosesTheFirst) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    DWORD code = 99;
    ASSERT_TRUE(siblings::RunToEnd(siblings::ApexExecutable(), Environment(), "", kWaitMs * 3, code));
    EXPECT_EQ(1u, code);
    EXPECT_TRUE(apex_.IsRunning());
    EXPECT_TRUE(LogShows("second copy"));

    // A copy for another machine (database) runs alongside.
    Scratch other("apex-other");
    ASSERT_TRUE(other.WriteDatabase(kDatabase));
    siblings::SiblingEnvironment otherEnvironment = Environment();
    otherEnvironment.database = other.Database();
    otherEnvironment.log = other.Log();
    {
        siblings::SiblingProcess second;
        ASSERT_TRUE(second.Start(siblings::ApexExecutable(), otherEnvironment));
        EXPECT_NE(nullptr, second.WaitForWindow(siblings::kWindowClass, siblings::kApexCommandCaption, kWaitMs));
        EXPECT_TRUE(second.Stop());
    }

    ASSERT_TRUE(siblings::RunToEnd(siblings::ApexExecutable(), Environment(), "--quit", kWaitMs * 3, code));
    EXPECT_EQ(0u, code);
    DWORD exitCode = 99;
    ASSERT_TRUE(apex_.WaitForExit(kWaitMs, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(LogShows("RaveloApexSim exit"));
}

TEST_F(ApexStandin, ClosesOnWmClose) {
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(PostMessageA(main_, WM_CLOSE, 0, 0));
    DWORD exitCode = 99;
    ASSERT_TRUE(apex_.WaitForExit(kWaitMs, &exitCode));
    EXPECT_EQ(0u, exitCode);
}

TEST_F(ApexStandin, QuitWithoutARunningCopyFails) {
    DWORD code = 99;
    ASSERT_TRUE(siblings::RunToEnd(siblings::ApexExecutable(), Environment(), "--quit", kWaitMs * 3, code));
    EXPECT_EQ(1u, code);
}

} // namespace

namespace {

// Damaged firmware answers: the stand-in stays up, answers, and says what
// it could not do.
TEST_F(ApexStandin, SurvivesDamagedFirmwarePackages) {
    ASSERT_TRUE(scratch_.WriteDatabase(std::string(kDatabase) + "fault count-overflow 0x03010011\n"
                                                                "fault unterminated-text 0x05080002\n"
                                                                "fault fail-query\n"));
    ASSERT_NO_FATAL_FAILURE(Launch());
    EXPECT_TRUE(LogShows("no clock item"));
    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, kSuiteMark, 1));
    ASSERT_TRUE(WaitForFirmwareItem(kActiveProfileItem, 1, kWaitMs));
    EXPECT_EQ(0, SendMessageA(command_, kApplyStepMessage, kSuiteMark, 12));
    EXPECT_EQ(8, Item(kClockItem));
    EXPECT_TRUE(LogShows("clock not set: no clock item, reply 0"));
    EXPECT_TRUE(apex_.IsRunning());
}

TEST_F(ApexStandin, KeepsRunningWhenEveryFirmwareCallFails) {
    ASSERT_TRUE(scratch_.WriteDatabase(std::string(kDatabase) + "fault fail-all\n"));
    ASSERT_NO_FATAL_FAILURE(Launch());
    ASSERT_TRUE(PostMessageA(command_, kApplyProfileMessage, kSuiteMark, 1));
    EXPECT_TRUE(LogShows("active-profile item := 1 FAILED"));
    EXPECT_EQ(0, SendMessageA(command_, kApplyStepMessage, kSuiteMark, 12));
    EXPECT_TRUE(apex_.IsRunning());
}

} // namespace
