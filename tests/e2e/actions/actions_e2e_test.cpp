// The whole road of a remote key in the running program: the simulated
// service posts the key to RaveloRemote.exe from the program folder, the
// program shows its display (read from the movie player's activity log)
// and tells the stand-ins of the sibling programs, which carry the request
// out on the simulated firmware that the test reads back.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "settings/ProfileFile.h"
#include "ActionsTestSupport.h"
#include "ProgramHarness.h"
#include "SavedSettings.h"
#include "ServiceControl.h"
#include "SiblingControl.h"
#include "ProtocolFacts.h"
#include "TestSupport.h"
#include "settings/Config.h"
#include "actions/Director.h"
#include "app/Main.h"
#include "suite/OcEngine.h"
#include "settings/OvMultiLang.h"

using namespace actions_test;
using testsupport::WaitUntil;

namespace {

constexpr DWORD kLongWait = 30000;
using facts::kClockItem;
using facts::kModeItem;
constexpr char kApexMarkerKey[] = "Software\\Orva\\Ravelo Apex";

std::string g_distFolder;
std::string DistProgramFolder() { return g_distFolder; }

using testsupport::SavedFile;
using testsupport::SavedValue;

class ActionsEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ServiceControl::UsePrivateChannel();
        folder_ = std::make_unique<testsupport::TempFolder>();
        firmware_ = std::make_unique<FirmwareDatabase>(folder_->Path());
        osdLog_ = folder_->Path() + "osd.log";
        apexLog_ = folder_->Path() + "apex.log";
        kelvoLog_ = folder_->Path() + "kelvo.log";
        // Inherited by the program: the player logs every movie request.
        SetEnvironmentVariableA("FLASHOBJ_LOG", osdLog_.c_str());

        // The program's own settings: button A on the first firmware
        // profile, and a default profile of clock step 4 (3100 MHz).
        Config& config = Config::Instance();
        bindingIndex_ =
            std::make_unique<SavedValue>(config.SettingsRootKey(), config.SettingsKeyPath(), "RRProfileAIndex");
        bindingName_ =
            std::make_unique<SavedValue>(config.SettingsRootKey(), config.SettingsKeyPath(), "RRProfileAName");
        bindingIndex_->SetDword(0);
        bindingName_->SetString("Gaming");
        const std::string profiles = ProfilesFolder();
        CreateDirectoryA((profiles + "Default").c_str(), nullptr);
        defaultProfile_ = std::make_unique<SavedFile>(profiles + "Default\\Default.oc");
        WriteProfileFile(profiles + "Default\\Default.oc", 1, 1, {{profile::kClockSetting, 4}});
        // The overclocking program counts as installed even while its
        // stand-in does not run.
        apexMarker_ = std::make_unique<SavedValue>(HKEY_LOCAL_MACHINE, kApexMarkerKey, "CaptionName");
        if (!apexMarker_->Existed() || apexMarker_->Type() != REG_SZ)
            apexMarker_->SetString("Ravelo");

        // Texts as the program finds them beside itself.
        g_distFolder = testsupport::DistFolder();
        OvMultiLang::SetFolderSource(&DistProgramFolder);
    }

    static void TearDownTestSuite() {
        OvMultiLang::SetFolderSource(nullptr);
        SetEnvironmentVariableA("FLASHOBJ_LOG", nullptr);
        apexMarker_.reset();
        defaultProfile_.reset();
        bindingName_.reset();
        bindingIndex_.reset();
        firmware_.reset();
        folder_.reset();
    }

    void SetUp() override {
        ASSERT_FALSE(g_distFolder.empty()) << "RAVELO_DIST is not set";
        ASSERT_TRUE(firmware_->Write(StandardFirmware()));
        DeleteFileA(osdLog_.c_str());
        DeleteFileA(apexLog_.c_str());
        DeleteFileA(kelvoLog_.c_str());
        ASSERT_TRUE(service_.Start());
    }

    void TearDown() override {
        if (program_.Process().Running()) {
            ServiceControl::SendQuit();
            EXPECT_TRUE(program_.Process().Wait(kLongWait)) << "the program did not quit";
        }
        apex_.Stop();
        kelvo_.Stop();
        service_.Stop();
    }

    void StartProgram() {
        ASSERT_TRUE(program_.Start());
        ASSERT_TRUE(program_.WaitRegistered(kLongWait));
        // The main window registers before the OSD window exists.
        ASSERT_TRUE(WaitUntil([this] { return program_.Window("TFlashOsdForm") != nullptr; }, kLongWait));
    }

    void StartApex() {
        siblings::SiblingEnvironment environment;
        environment.database = firmware_->Path();
        environment.log = apexLog_;
        ASSERT_TRUE(apex_.Start(siblings::ApexExecutable(), environment));
        ASSERT_NE(nullptr, apex_.WaitForWindow("TMainForm", "RaveloHelp", kLongWait));
        ASSERT_NE(nullptr, apex_.WaitForWindow("TMainForm", "Ravelo", kLongWait));
    }

    void StartKelvo() {
        siblings::SiblingEnvironment environment;
        environment.database = firmware_->Path();
        environment.log = kelvoLog_;
        ASSERT_TRUE(kelvo_.Start(siblings::KelvoExecutable(), environment));
        ASSERT_NE(nullptr, kelvo_.WaitForWindow("TMainForm", "Kelvo Engine", kLongWait));
    }

    // Waits for a display to come up and then to fade out.
    ::testing::AssertionResult DisplayRuns() {
        const HWND osd = program_.Window("TFlashOsdForm");
        if (osd == nullptr)
            return ::testing::AssertionFailure() << "the program has no OSD window";
        if (!WaitUntil([osd] { return IsWindowVisible(osd) != FALSE; }, kLongWait))
            return ::testing::AssertionFailure() << "no display came up; movie requests:\n" << Requests();
        if (!WaitUntil([osd] { return IsWindowVisible(osd) == FALSE; }, kLongWait))
            return ::testing::AssertionFailure() << "the display did not end; movie requests:\n" << Requests();
        return ::testing::AssertionSuccess();
    }

    static bool Press(LONG code) { return ServiceControl::SendKey(code) == ServiceControl::Outcome::Posted; }

    static std::string Requests() { return testsupport::ReadTextFile(osdLog_); }
    // "<movie> request <text>" appears in the player's log.
    static bool Requested(const std::string& movie, const std::string& request) {
        return Requests().find(" " + movie + " request " + request + "\n") != std::string::npos;
    }
    static std::string Text(const char* key) { return OvMultiLang::Instance().GetText(key); }

    static bool ItemBecomes(DWORD id, LONG expected) {
        return WaitUntil(
            [id, expected] {
                LONG value = 0;
                return ReadFirmwareItem(id, value) && value == expected;
            },
            kLongWait, 50);
    }
    static LONG Item(DWORD id) {
        LONG value = -1;
        ReadFirmwareItem(id, value);
        return value;
    }

    static std::unique_ptr<testsupport::TempFolder> folder_;
    static std::unique_ptr<FirmwareDatabase> firmware_;
    static std::unique_ptr<SavedValue> bindingIndex_;
    static std::unique_ptr<SavedValue> bindingName_;
    static std::unique_ptr<SavedValue> apexMarker_;
    static std::unique_ptr<SavedFile> defaultProfile_;
    static std::string osdLog_;
    static std::string apexLog_;
    static std::string kelvoLog_;

    ServiceControl::ServiceProcess service_;
    harness::Program program_;
    siblings::SiblingProcess apex_;
    siblings::SiblingProcess kelvo_;
};

std::unique_ptr<testsupport::TempFolder> ActionsEndToEnd::folder_;
std::unique_ptr<FirmwareDatabase> ActionsEndToEnd::firmware_;
std::unique_ptr<SavedValue> ActionsEndToEnd::bindingIndex_;
std::unique_ptr<SavedValue> ActionsEndToEnd::bindingName_;
std::unique_ptr<SavedValue> ActionsEndToEnd::apexMarker_;
std::unique_ptr<SavedFile> ActionsEndToEnd::defaultProfile_;
std::string ActionsEndToEnd::osdLog_;
std::string ActionsEndToEnd::apexLog_;
std::string ActionsEndToEnd::kelvoLog_;

} // namespace

TEST_F(ActionsEndToEnd, StartUpMarksNoProfileActive) {
    ASSERT_TRUE(WriteFirmwareItem(ActiveProfileItem, 2));
    StartProgram();
    EXPECT_TRUE(ItemBecomes(ActiveProfileItem, 0)) << "active-profile item " << Item(ActiveProfileItem);
}

TEST_F(ActionsEndToEnd, KeyASwitchesProfileAOnAndAfterTheDisplayOff) {
    StartApex();
    StartProgram();
    ASSERT_TRUE(Press(kKeyProfileA));
    EXPECT_TRUE(ItemBecomes(ActiveProfileItem, 1)) << "active-profile item " << Item(ActiveProfileItem);
    EXPECT_TRUE(siblings::WaitForLogText(apexLog_, "msg=1061 wParam=0x55 lParam=1 posted", kLongWait))
        << testsupport::ReadTextFile(apexLog_);
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(Requested("RaveloProfileOn", "changeLabel " + Text("ProfileAOn") + " 3800MHz")) << Requests();
    // The stand-in applied the profile's clock.
    EXPECT_TRUE(ItemBecomes(kClockItem, 32));

    ASSERT_TRUE(Press(kKeyProfileA));
    EXPECT_TRUE(ItemBecomes(ActiveProfileItem, 0)) << "active-profile item " << Item(ActiveProfileItem);
    EXPECT_TRUE(siblings::WaitForLogText(apexLog_, "msg=1061 wParam=0x55 lParam=0 posted", kLongWait))
        << testsupport::ReadTextFile(apexLog_);
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(Requested("RaveloProfileOff", "changeLabel " + Text("ProfileAOff") + " 3100MHz")) << Requests();
    EXPECT_EQ(2u, siblings::CountLogLines(apexLog_, "msg="));
}

TEST_F(ActionsEndToEnd, EngineEndsInTheModeChosenOnTheManualDisplay) {
    StartKelvo();
    StartProgram();
    ASSERT_EQ(0x8000, Item(kModeItem)); // mode 1
    ASSERT_TRUE(Press(kKeyManualMode));
    ASSERT_TRUE(Press(kKeyManualMode));
    ASSERT_TRUE(Press(kKeyManualMode));
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(Requested("KelvoManual", "show 1")) << Requests();
    EXPECT_TRUE(Requested("KelvoManual", "play 3")) << Requests();
    // Mode 3 is the raw value 2.
    EXPECT_TRUE(ItemBecomes(kModeItem, 2)) << "mode item " << Item(kModeItem);
    EXPECT_TRUE(siblings::WaitForLogText(kelvoLog_, "msg=1057 wParam=0x55 lParam=0 posted", kLongWait))
        << testsupport::ReadTextFile(kelvoLog_);
    EXPECT_EQ(1u, siblings::CountLogLines(kelvoLog_, "msg=")) << testsupport::ReadTextFile(kelvoLog_);
}

TEST_F(ActionsEndToEnd, TuningLeavesTheClockAtTheStepChosen) {
    StartApex();
    StartKelvo();
    StartProgram();
    ASSERT_EQ(8, Item(kClockItem));
    // The first key shows step 8; then 9, 10, 11 and back to 10.
    ASSERT_TRUE(Press(kKeyTuneUp));
    ASSERT_TRUE(Press(kKeyTuneUp));
    ASSERT_TRUE(Press(kKeyTuneUp));
    ASSERT_TRUE(Press(kKeyTuneUp));
    ASSERT_TRUE(Press(kKeyTuneDown));
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(Requested("OCTuning", "set2Digit 3200")) << Requests();
    EXPECT_TRUE(Requested("OCTuning", "set2Digit 3275")) << Requests();
    EXPECT_TRUE(siblings::WaitForLogText(apexLog_, "msg=1060 wParam=0x55 lParam=10 sent", kLongWait))
        << testsupport::ReadTextFile(apexLog_);
    EXPECT_TRUE(ItemBecomes(kClockItem, 10)) << "clock item " << Item(kClockItem);
    EXPECT_EQ(1u, siblings::CountLogLines(apexLog_, "msg=")) << testsupport::ReadTextFile(apexLog_);
    // The engine was set to mode 1 once, at the first step.
    EXPECT_TRUE(siblings::WaitForLogText(kelvoLog_, "msg=1055 wParam=0x55 lParam=0 posted", kLongWait));
    EXPECT_EQ(1u, siblings::CountLogLines(kelvoLog_, "msg=")) << testsupport::ReadTextFile(kelvoLog_);
}

TEST_F(ActionsEndToEnd, KeyAWithTheOverclockingProgramNotRunningWarnsAndSendsNothing) {
    // Only a command window of the right class and caption: without the
    // main window the program is not running.
    ASSERT_TRUE(WaitUntil([] { return FindWindowA("TMainForm", "Ravelo") == nullptr; }, kLongWait))
        << "another overclocking program's window is open";
    RecordingWindows windows;
    const HWND command = windows.Create("TMainForm", "RaveloHelp");
    ASSERT_NE(nullptr, command);
    StartProgram();
    ASSERT_TRUE(Press(kKeyProfileA));
    ASSERT_TRUE(DisplayRuns());
    EXPECT_TRUE(Requested("Warning", "changeLabel " + Text("Warning"))) << Requests();
    EXPECT_TRUE(Requested("Warning", "changeContent " + Text("RaveloApexNotRun"))) << Requests();
    EXPECT_EQ(std::string::npos, Requests().find("RaveloProfileOn")) << Requests();
    EXPECT_TRUE(windows.Messages(command).empty());
    EXPECT_EQ(0, Item(ActiveProfileItem));
}
