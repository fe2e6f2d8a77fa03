// The action states in process, with everything real around them: the
// Director started as the program starts it, the OSD form with the display
// drivers, flashobj.dll playing the short movies of movies/ (copied into
// Resource\ beside the test with the shipped pictures), the firmware simulator,
// the language files of this folder, and windows of the sibling programs'
// classes and captions that record what reaches them. The movies' requests
// are read from the player's activity log.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ActionsTestSupport.h"
#include "ProtocolFacts.h"
#include "TestSupport.h"
#include "settings/Config.h"
#include "actions/Director.h"
#include "osd/Flashosd.h"
#include "suite/KelvoEngine.h"
#include "app/Main.h"
#include "suite/OcEngine.h"
#include "settings/OvMultiLang.h"
#include "actions/RemoteActions.h"
#include "osd/Status.h"
#include "gui/Application.h"

using namespace actions_test;
using harness::PlayerEvent;
using harness::PlayerLog;

namespace {

using facts::kClockItem;
using facts::kModeItem;
constexpr DWORD kDisplayTimeout = 30000;

std::string g_programFolder;
std::string TestProgramFolder() { return g_programFolder; }
LANGID English() { return 0x0409; }

class StatesTest : public ActionsFixture {
protected:
    static void SetUpTestSuite() {
        ActionsFixture::SetUpTestSuite();
        log_.SetPath(folder_->Path() + "player.log");
        SetEnvironmentVariableA("FLASHOBJ_LOG", log_.Path().c_str());
        g_programFolder = testsupport::SourceFolder() + "tests\\unit\\actions\\data\\";
        OvMultiLang::SetFolderSource(&TestProgramFolder);
        OvMultiLang::SetLangIdSource(&English);

        gui::Application& app = gui::Application::Instance();
        app.ShowMainForm = false;
        app.Initialize();
        FlashOsdForm = app.CreateForm<TFlashOsdForm>();
        StatusForm = app.CreateForm<TStatusForm>();
        Director::Instance().Start();
    }

    static void TearDownTestSuite() {
        OvMultiLang::SetFolderSource(nullptr);
        OvMultiLang::SetLangIdSource(nullptr);
        SetEnvironmentVariableA("FLASHOBJ_LOG", nullptr);
        ActionsFixture::TearDownTestSuite();
    }

    void SetUp() override {
        ASSERT_NE(nullptr, FlashOsdForm);
        ASSERT_TRUE(WaitIdle()) << "a display of the test before is still running";
        UseFirmware(StandardFirmware());
        // Both programs installed, running and calibrated; buttons A and B
        // on the two firmware profiles, C on a profile file; default clock
        // step 4 (3100 MHz).
        ASSERT_TRUE(registry_->SetString(HKEY_LOCAL_MACHINE, "Ravelo Apex", "CaptionName", "Ravelo Apex"));
        ASSERT_TRUE(registry_->SetString(HKEY_LOCAL_MACHINE, "Kelvo-6 Engine", "CaptionName", "Kelvo Engine"));
        registry_->DeleteKey(HKEY_CURRENT_USER, "Drivo3");
        for (int n = 1; n <= 3; ++n)
            ASSERT_TRUE(
                registry_->SetDword(HKEY_LOCAL_MACHINE, "Drivo3", ("Threshold" + std::to_string(n)).c_str(), 9));
        BindButton('A', 0, "Gaming");
        BindButton('B', 1, "Silent");
        BindButton('C', 5, "Turbo");
        ASSERT_TRUE(WriteProfileFile(profiles_ + "Turbo.oc", 1, 1, {{profile::kClockSetting, 40}}));
        ASSERT_TRUE(WriteProfileFile(profiles_ + "Default\\Default.oc", 1, 1, {{profile::kClockSetting, 4}}));
        windows_->DestroyAll();
        windows_->Clear();
        apexMain_ = windows_->Create("TMainForm", "Ravelo");
        apexCommand_ = windows_->Create("TMainForm", "RaveloHelp");
        engine_ = windows_->Create("TMainForm", "Kelvo Engine");
        ASSERT_TRUE(apexMain_ && apexCommand_ && engine_);
        log_.Clear();
    }

    void TearDown() override {
        EXPECT_TRUE(WaitIdle()) << "the display did not end";
        windows_->DestroyAll();
    }

    // A key as the main window hands it over.
    static void Press(LONG code) { EXPECT_TRUE(Director::Instance().OnRemoteKey(code)) << "key " << code; }

    static bool OsdVisible() { return IsWindowVisible(FlashOsdForm->Handle()) != FALSE; }
    static bool Waiting() { return Director::Instance().Current() == &RcWait::Instance(); }

    // Back in the idle state with the OSD hidden.
    static bool WaitIdle(DWORD timeoutMs = kDisplayTimeout) {
        return testsupport::WaitUntil([] { return Waiting() && !OsdVisible(); }, timeoutMs);
    }

    // Presses a key that opens a display and waits for the display to end;
    // returns how long it was up, in milliseconds.
    static DWORD RunDisplay(LONG code) {
        const DWORD start = GetTickCount();
        Press(code);
        EXPECT_TRUE(OsdVisible()) << "key " << code << " opened no display";
        EXPECT_TRUE(WaitIdle()) << "key " << code << ": the display did not end";
        return GetTickCount() - start;
    }

    // The movies' requests, as "<movie> <request>", in order.
    static std::vector<std::string> Requests(const std::string& movie = std::string()) {
        std::vector<std::string> requests;
        for (const PlayerEvent& event : log_.Events())
            if (event.kind == "request" && (movie.empty() || event.movie == movie))
                requests.push_back(movie.empty() ? event.movie + " " + event.Request() : event.Request());
        return requests;
    }

    static bool Requested(const std::string& movie, const std::string& request) {
        return log_.Requested(movie, request);
    }

    static std::string AllRequests() {
        std::string text;
        for (const std::string& r : Requests())
            text += "\n  " + r;
        return text;
    }

    // A warning with the given message text went to the warning movie.
    static bool Warned(const std::string& message) {
        return Requested("Warning", "changeLabel Attention") && Requested("Warning", "changeContent " + message);
    }

    std::vector<Received> CommandMessages() { return windows_->Messages(apexCommand_); }
    std::vector<Received> EngineMessages() { return windows_->Messages(engine_); }

    static PlayerLog log_;
    HWND apexMain_ = nullptr;
    HWND apexCommand_ = nullptr;
    HWND engine_ = nullptr;
};

PlayerLog StatesTest::log_;

} // namespace

TEST_F(StatesTest, StartLeavesTheIdleStateCurrentAndNoProfileActive) {
    EXPECT_TRUE(Waiting());
    ASSERT_TRUE(WriteFirmwareItem(ActiveProfileItem, 2));
    // A second start is what a test can do; the program starts once.
    Director::Instance().Start();
    LONG active = -1;
    ASSERT_TRUE(ReadFirmwareItem(ActiveProfileItem, active));
    EXPECT_EQ(0, active);
    EXPECT_TRUE(Waiting());
    EXPECT_FALSE(OsdVisible());
}

TEST_F(StatesTest, ProfileKeySwitchesTheProfileOnAndThenOff) {
    Press(kKeyProfileA);
    EXPECT_EQ(&RcProfileA::Instance(), Director::Instance().Current());
    EXPECT_TRUE(OsdVisible());
    // Another profile key during the display does nothing.
    Press(kKeyProfileB);
    EXPECT_EQ(&RcProfileA::Instance(), Director::Instance().Current());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ((std::vector<std::string>{"changeLabel A on 3800MHz", "show", "end"}), Requests("RaveloProfileOn"))
        << AllRequests();
    EXPECT_TRUE(Requests("RaveloProfileOff").empty()) << AllRequests();
    EXPECT_TRUE(SameMessages({Posted(kApplyProfileMessage, 1)}, CommandMessages()));
    EXPECT_TRUE(SameMessages({Posted(kEngineMode1Message, 0)}, EngineMessages()));
    EXPECT_TRUE(windows_->Messages(apexMain_).empty());

    // The overclocking program marks profile A active: the key now turns it
    // off, with the default clock on the label.
    ASSERT_TRUE(WriteFirmwareItem(ActiveProfileItem, 1));
    log_.Clear();
    windows_->Clear();
    RunDisplay(kKeyProfileA);
    EXPECT_EQ((std::vector<std::string>{"changeLabel A off 3100MHz", "show", "end"}), Requests("RaveloProfileOff"))
        << AllRequests();
    EXPECT_TRUE(SameMessages({Posted(kApplyProfileMessage, 0)}, CommandMessages()));
    EXPECT_TRUE(EngineMessages().empty());
}

TEST_F(StatesTest, ProfileButtonsUseTheirOwnBindingAndLabel) {
    RunDisplay(kKeyProfileB);
    EXPECT_TRUE(Requested("RaveloProfileOn", "changeLabel B on 3300MHz")) << AllRequests();
    EXPECT_TRUE(SameMessages({Posted(kApplyProfileMessage, 2)}, CommandMessages()));
}

TEST_F(StatesTest, ProfileCIsTestedAgainstFour) {
    // 3 is not C's mark: the key applies C again.
    ASSERT_TRUE(WriteFirmwareItem(ActiveProfileItem, 3));
    RunDisplay(kKeyProfileC);
    EXPECT_TRUE(Requested("RaveloProfileOn", "changeLabel C on 4000MHz")) << AllRequests();
    ASSERT_TRUE(WriteFirmwareItem(ActiveProfileItem, 4));
    RunDisplay(kKeyProfileC);
    EXPECT_TRUE(Requested("RaveloProfileOff", "changeLabel C off 3100MHz")) << AllRequests();
    EXPECT_TRUE(SameMessages({Posted(kApplyProfileMessage, 3), Posted(kApplyProfileMessage, 0)}, CommandMessages()));
}

TEST_F(StatesTest, ProfileBelowTheDefaultClockWarnsForFiveSecondsAndSendsNothing) {
    ASSERT_TRUE(WriteProfileFile(profiles_ + "Default\\Default.oc", 1, 1, {{profile::kClockSetting, 40}}));
    const DWORD shown = RunDisplay(kKeyProfileA);
    EXPECT_TRUE(Warned("Clock below default")) << AllRequests();
    EXPECT_GE(shown, 5000u);
    EXPECT_TRUE(Requests("RaveloProfileOn").empty()) << AllRequests();
    EXPECT_TRUE(CommandMessages().empty());
    EXPECT_TRUE(EngineMessages().empty());
}

TEST_F(StatesTest, ProfileKeyWarnsWhenTheOverclockingProgramIsMissing) {
    registry_->DeleteKey(HKEY_LOCAL_MACHINE, "Ravelo Apex");
    const DWORD shown = RunDisplay(kKeyProfileA);
    EXPECT_TRUE(Warned("Apex missing")) << AllRequests();
    EXPECT_GE(shown, 3000u);
    EXPECT_TRUE(CommandMessages().empty());
    EXPECT_TRUE(EngineMessages().empty());
}

TEST_F(StatesTest, ProfileKeyWarnsWhenTheOverclockingProgramIsNotRunning) {
    // The command window alone is not enough: the main window must be open.
    windows_->Destroy(apexMain_);
    const DWORD shown = RunDisplay(kKeyProfileA);
    EXPECT_TRUE(Warned("Apex stopped")) << AllRequests();
    EXPECT_GE(shown, 3000u);
    EXPECT_TRUE(CommandMessages().empty());
    EXPECT_TRUE(EngineMessages().empty());
}

TEST_F(StatesTest, ManualModeCyclesOnTheDisplayAndSetsTheLastModeAfterIt) {
    ASSERT_TRUE(WriteFirmwareItem(kModeItem, 1)); // mode 2
    Press(kKeyManualMode);
    Press(kKeyManualMode);
    Press(kKeyManualMode);
    Press(kKeyManualMode);
    // The engine hears nothing while the display runs.
    EXPECT_TRUE(EngineMessages().empty());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ((std::vector<std::string>{"show 2", "play 3", "play 0", "play 1", "end 1"}), Requests("KelvoManual"))
        << AllRequests();
    EXPECT_TRUE(SameMessages({Posted(kEngineMode1Message, 0)}, EngineMessages()));
    EXPECT_TRUE(CommandMessages().empty());
}

TEST_F(StatesTest, ManualModeStartsAtTheFirmwareMode) {
    ASSERT_TRUE(WriteFirmwareItem(kModeItem, 0x4000));
    RunDisplay(kKeyManualMode);
    EXPECT_EQ((std::vector<std::string>{"show 0", "end 0"}), Requests("KelvoManual")) << AllRequests();
    ASSERT_TRUE(WriteFirmwareItem(kModeItem, 2));
    Press(kKeyManualMode);
    Press(kKeyManualMode);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(Requested("KelvoManual", "show 3")) << AllRequests();
    EXPECT_TRUE(Requested("KelvoManual", "play 0")) << AllRequests();
    EXPECT_TRUE(SameMessages({Posted(kEngineMode0Message, 0), Posted(kEngineMode0Message, 0)}, EngineMessages()));
}

TEST_F(StatesTest, ManualModeKeyAfterTheEngineStoppedWarnsAndClosesTheDisplay) {
    Press(kKeyManualMode);
    windows_->Destroy(engine_);
    const DWORD warned = GetTickCount();
    Press(kKeyManualMode);
    EXPECT_TRUE(Warned("Engine stopped")) << AllRequests();
    // The display is closed for the key now.
    Press(kKeyManualMode);
    ASSERT_TRUE(WaitIdle());
    // The warning has its full time: the level display's idle time does
    // not end it.
    EXPECT_GE(GetTickCount() - warned, 3000u);
    EXPECT_EQ((std::vector<std::string>{"show 1"}), Requests("KelvoManual")) << AllRequests();
    // Nothing left over ends the next display early either.
    engine_ = windows_->Create("TMainForm", "Kelvo Engine");
    EXPECT_GE(RunDisplay(kKeyAutoMode), 3000u);
}

TEST_F(StatesTest, EngineKeysWarnWhenTheEngineIsMissingOrStopped) {
    registry_->DeleteKey(HKEY_LOCAL_MACHINE, "Kelvo-6 Engine");
    EXPECT_GE(RunDisplay(kKeyAutoMode), 3000u);
    EXPECT_TRUE(Warned("Engine missing")) << AllRequests();
    EXPECT_TRUE(EngineMessages().empty());
    log_.Clear();
    RunDisplay(kKeyManualMode);
    EXPECT_TRUE(Warned("Engine missing")) << AllRequests();

    ASSERT_TRUE(registry_->SetString(HKEY_LOCAL_MACHINE, "Kelvo-6 Engine", "CaptionName", "Kelvo Engine"));
    windows_->Destroy(engine_);
    log_.Clear();
    EXPECT_GE(RunDisplay(kKeyAutoMode), 3000u);
    EXPECT_TRUE(Warned("Engine stopped")) << AllRequests();
    log_.Clear();
    RunDisplay(kKeyManualMode);
    EXPECT_TRUE(Warned("Engine stopped")) << AllRequests();
    EXPECT_TRUE(Requests("KelvoManual").empty()) << AllRequests();
    EXPECT_TRUE(Requests("KelvoAuto").empty()) << AllRequests();
}

TEST_F(StatesTest, AutoModeIsRequestedOnlyAfterTheAutoDisplay) {
    Press(kKeyAutoMode);
    EXPECT_TRUE(Requested("KelvoAuto", "changeLabel Automatic")) << AllRequests();
    EXPECT_TRUE(EngineMessages().empty());
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(SameMessages({Posted(kEngineAutoMessage, 0)}, EngineMessages()));
}

TEST_F(StatesTest, AutoModeUnavailableWarnsAndRequestsNothing) {
    UseFirmware(std::string(kClockItemLine) + kProfileLines + kModeItemLine + kActiveProfileLine +
                "switch 0x11070010 0\n");
    Press(kKeyAutoMode);
    Press(kKeyAutoMode);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(Warned("No auto mode")) << AllRequests();
    EXPECT_TRUE(EngineMessages().empty());
}

TEST_F(StatesTest, SecondAutoKeyDuringTheCalibrationNoticeRequestsAutoModeOnce) {
    ASSERT_TRUE(registry_->SetDword(HKEY_CURRENT_USER, "Drivo3\\Advance", "CalibrationNeeded", 1));
    Press(kKeyAutoMode);
    EXPECT_TRUE(Warned("Calibrate first")) << AllRequests();
    EXPECT_TRUE(EngineMessages().empty());
    Press(kKeyAutoMode);
    EXPECT_TRUE(SameMessages({Posted(kEngineAutoMessage, 0)}, EngineMessages()));
    Press(kKeyAutoMode);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(SameMessages({Posted(kEngineAutoMessage, 0)}, EngineMessages()));
}

TEST_F(StatesTest, CalibrationIsNeededWhenAThresholdIsMissing) {
    registry_->DeleteValue(HKEY_LOCAL_MACHINE, "Drivo3", "Threshold3");
    RunDisplay(kKeyAutoMode);
    EXPECT_TRUE(Warned("Calibrate first")) << AllRequests();
    EXPECT_TRUE(EngineMessages().empty());
}

TEST_F(StatesTest, TwoTuningUpKeysSendTheStepReadPlusTwoAfterTheDisplay) {
    Press(kKeyTuneUp);
    Press(kKeyTuneUp);
    Press(kKeyTuneUp);
    EXPECT_TRUE(CommandMessages().empty());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ((std::vector<std::string>{"set2Digit 3200", "in", "set2Digit 3225", "set2Digit 3250", "out"}),
              Requests("OCTuning"))
        << AllRequests();
    EXPECT_TRUE(SameMessages({Sent(kApplyStepMessage, 10)}, CommandMessages()));
    // The engine is set to mode 1 once, at the first step.
    EXPECT_TRUE(SameMessages({Posted(kEngineMode1Message, 0)}, EngineMessages()));
}

TEST_F(StatesTest, TuningDownFirstOnlyShowsTheClockThenLowersIt) {
    ASSERT_TRUE(WriteFirmwareItem(kClockItem, 20));
    Press(kKeyTuneDown);
    Press(kKeyTuneDown);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ((std::vector<std::string>{"set2Digit 3500", "in", "set2Digit 3475", "out"}), Requests("OCTuning"))
        << AllRequests();
    EXPECT_TRUE(SameMessages({Sent(kApplyStepMessage, 19)}, CommandMessages()));
}

TEST_F(StatesTest, TuningWithoutAStepKeyCommitsTheStepRead) {
    RunDisplay(kKeyTuneUp);
    EXPECT_TRUE(SameMessages({Sent(kApplyStepMessage, 8)}, CommandMessages()));
    EXPECT_TRUE(EngineMessages().empty());
}

TEST_F(StatesTest, TuningKeyThatWarnsAtOnceHandsOverNoStep) {
    // A step from an earlier display is held; it must not go out now.
    RunDisplay(kKeyTuneDown);
    windows_->Clear();
    log_.Clear();
    // The command window is there, the main window is not.
    windows_->Destroy(apexMain_);
    Press(kKeyTuneUp);
    Press(kKeyTuneUp);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(Warned("Apex stopped")) << AllRequests();
    EXPECT_TRUE(Requests("OCTuning").empty()) << AllRequests();
    EXPECT_TRUE(CommandMessages().empty());
    EXPECT_TRUE(EngineMessages().empty());
}

// The step goes out only when this display read it from the firmware:
// without a clock item, or with its step unreadable, the display still
// runs but the step held (0 or one from an earlier display) stays here.
TEST_F(StatesTest, TuningHandsOverNoStepThatWasNotReadFromTheFirmware) {
    const struct {
        const char* name;
        std::string firmware;
    } cases[] = {
        {"no clock item", std::string(kProfileLines) + kModeItemLine + kActiveProfileLine + kAutoSwitchOnLine},
        // The clock item was found before; now every firmware call fails.
        {"step unreadable", StandardFirmware() + "fault fail-all\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UseFirmware(StandardFirmware());
        windows_->Clear();
        RunDisplay(kKeyTuneUp);
        ASSERT_TRUE(SameMessages({Sent(kApplyStepMessage, 8)}, CommandMessages()));
        windows_->Clear();
        log_.Clear();
        if (std::string(c.name) == "no clock item")
            UseFirmware(c.firmware);
        else
            ASSERT_TRUE(firmware_->Write(c.firmware)); // the clock item stays known
        Press(kKeyTuneUp);
        Press(kKeyTuneUp);
        ASSERT_TRUE(WaitIdle());
        EXPECT_FALSE(Requests("OCTuning").empty()) << AllRequests();
        EXPECT_TRUE(CommandMessages().empty());
    }
}

TEST_F(StatesTest, TuningKeyThatWarnsAfterTheClockWasShownStillHandsOverTheStep) {
    Press(kKeyTuneUp);
    // Once the movie has played its "in" part the idle time runs.
    ASSERT_TRUE(testsupport::WaitUntil([] { return FlashOsdForm->Timer.Enabled(); }, kDisplayTimeout));
    windows_->Destroy(apexMain_);
    const DWORD warned = GetTickCount();
    Press(kKeyTuneUp);
    EXPECT_TRUE(Warned("Apex stopped")) << AllRequests();
    Press(kKeyTuneUp);
    ASSERT_TRUE(WaitIdle());
    EXPECT_GE(GetTickCount() - warned, 3000u);
    EXPECT_EQ((std::vector<std::string>{"set2Digit 3200", "in"}), Requests("OCTuning")) << AllRequests();
    EXPECT_TRUE(SameMessages({Sent(kApplyStepMessage, 8)}, CommandMessages()));
}

TEST_F(StatesTest, KeysDoNothingWhileTheProgressDialogIsVisible) {
    const HWND dialog = windows_->Create("TProgressDialog", "ProgressDialog", true);
    ASSERT_NE(nullptr, dialog);
    for (LONG code = kKeyProfileA; code <= kKeyTuneDown; ++code) {
        Press(code);
        EXPECT_TRUE(Waiting()) << "key " << code;
        EXPECT_FALSE(OsdVisible()) << "key " << code;
    }
    // Not a remote key: left to default handling, dialog or not.
    EXPECT_TRUE(Director::Instance().OnRemoteKey(151));
    windows_->Destroy(dialog);
    EXPECT_FALSE(Director::Instance().OnRemoteKey(151));
    EXPECT_FALSE(Director::Instance().OnRemoteKey(143));
    EXPECT_TRUE(Waiting());
    EXPECT_TRUE(Requests().empty()) << AllRequests();
    EXPECT_TRUE(CommandMessages().empty());
    EXPECT_TRUE(EngineMessages().empty());

    // A hidden dialog does not stop the keys.
    windows_->Create("TProgressDialog", "ProgressDialog", false);
    RunDisplay(kKeyTuneUp);
    EXPECT_TRUE(SameMessages({Sent(kApplyStepMessage, 8)}, CommandMessages()));
}
