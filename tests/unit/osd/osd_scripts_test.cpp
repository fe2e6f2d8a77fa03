// The six display scripts end to end on the real OSD form, with whatever
// player library the test program runs with (the stand-in player, or none
// at all): each runs to its end and reports OnOsdFinished exactly once.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>

#include "BoxWatcher.h"
#include "OsdHarness.h"
#include "osd/FlashOsdManipulator.h"
#include "osd/Flashosd.h"
#include "gui/Application.h"
#include "gui/Exceptions.h"
#include "gui/Thread.h"

using osdtest::State;
using testsupport::PumpFor;
using testsupport::WaitUntil;

namespace {

// Generous: a display lasts up to a few seconds plus the movie's parts.
constexpr DWORD kDisplayTimeoutMs = 60000;

// A wait's completion that fails.
struct FailingEnd {
    void End(void*) { throw gui::Exception("the end of the wait failed"); }
};

// Pumps messages until an error reaches the message loop; its text, or an
// empty text when none came within timeoutMs.
std::string PumpForError(DWORD timeoutMs) {
    gui::Application& app = gui::Application::Instance();
    std::string text;
    WaitUntil(
        [&] {
            try {
                app.ProcessMessages();
            } catch (const gui::Exception& error) {
                text = error.what();
            }
            return !text.empty();
        },
        timeoutMs);
    return text;
}

class DisplayScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        State().Clear();
        ASSERT_FALSE(FlashOsdForm->Visible());
    }
    void TearDown() override {
        FlashOsdLayout::Instance().SetIdleTimer(false);
        State().Clear();
    }

    // Waits for the end of the display and makes sure nothing follows it.
    static void ExpectFinishedOnce(DWORD openedAt, DWORD atLeastMs) {
        ASSERT_TRUE(WaitUntil([] { return State().finished >= 1; }, kDisplayTimeoutMs)) << "the display never ended";
        EXPECT_FALSE(State().formVisibleAtFinish);
        EXPECT_FALSE(FlashOsdForm->Visible());
        // The script's own waits and the fade are a lower bound.
        EXPECT_GE(State().lastFinishedTick - openedAt, atLeastMs);
        PumpFor(1500);
        EXPECT_EQ(1, State().finished);
        for (const auto& player : TTransFlash::Players())
            EXPECT_FALSE(player->OnScreen());
    }
};

TEST_F(DisplayScriptTest, ProfileOn) {
    FlashOsdManipulator::Instance().PrepareShow();
    const DWORD start = GetTickCount();
    FlashClass0Manipulator::Instance().ShowProfileOn("Profile A On 4200MHz");
    EXPECT_TRUE(FlashOsdForm->Visible());
    ExpectFinishedOnce(start, kProfileHoldMs + kFadeLengthMs);
}

TEST_F(DisplayScriptTest, ProfileOff) {
    FlashOsdManipulator::Instance().PrepareShow();
    const DWORD start = GetTickCount();
    FlashClass0Manipulator::Instance().ShowProfileOff("Profile B Off 3600MHz");
    EXPECT_TRUE(FlashOsdForm->Visible());
    ExpectFinishedOnce(start, kProfileHoldMs + kFadeLengthMs);
}

TEST_F(DisplayScriptTest, KelvoAuto) {
    const HWND foreground = GetForegroundWindow();
    FlashOsdManipulator::Instance().PrepareShow();
    const DWORD start = GetTickCount();
    FlashClass0Manipulator::Instance().ShowKelvoAuto("Auto");
    EXPECT_TRUE(FlashOsdForm->Visible());
    // The display takes neither the focus nor the foreground.
    EXPECT_EQ(foreground, GetForegroundWindow());
    const HWND active = GetActiveWindow();
    EXPECT_NE(FlashOsdForm->Handle(), active);
    for (const auto& player : TTransFlash::Players())
        EXPECT_TRUE(active == nullptr || player->PlayerWindow() != active);
    ExpectFinishedOnce(start, kKelvoAutoTimeMs + kFadeLengthMs);
}

TEST_F(DisplayScriptTest, Warning) {
    FlashOsdManipulator::Instance().PrepareShow();
    const DWORD start = GetTickCount();
    FlashClass0Manipulator::Instance().ShowWarning("Warning", "Ravelo Apex is not running.", 1000);
    EXPECT_TRUE(FlashOsdForm->Visible());
    ExpectFinishedOnce(start, 1000 + kFadeLengthMs);
}

TEST_F(DisplayScriptTest, KelvoManualLevelEndsOnTheIdleTimer) {
    State().onTimer = [] { FlashClass1Manipulator::Instance().Finish(); };
    FlashOsdManipulator::Instance().PrepareShow();
    const DWORD start = GetTickCount();
    FlashClass1Manipulator::Instance().ShowLevel(1);
    EXPECT_TRUE(FlashOsdForm->Visible());
    ExpectFinishedOnce(start, kIdleTimerIntervalMs + kEndPauseMs + kFadeLengthMs);
    EXPECT_EQ(1, State().timers);
}

TEST_F(DisplayScriptTest, TuningEndsOnTheIdleTimerAfterItsIntro) {
    State().onTimer = [] { FlashClass2Manipulator::Instance().Finish(); };
    FlashOsdManipulator::Instance().PrepareShow();
    const DWORD start = GetTickCount();
    FlashClass2Manipulator::Instance().ShowValue(4200);
    EXPECT_TRUE(FlashOsdForm->Visible());
    // The timer waits for the movie's "in" call-back.
    EXPECT_FALSE(FlashOsdForm->Timer.Enabled());
    ASSERT_TRUE(WaitUntil([] { return FlashOsdForm->Timer.Enabled() || State().timers > 0; }, kDisplayTimeoutMs));
    FlashClass2Manipulator::Instance().ChangeValue(4233);
    ExpectFinishedOnce(start, kIdleTimerIntervalMs + kEndPauseMs + kFadeLengthMs);
    EXPECT_EQ(1, State().timers);
    EXPECT_EQ(TuningOut, OsdPhase);
}

TEST_F(DisplayScriptTest, LevelChangeRestartsTheFullIdleTime) {
    State().onTimer = [] { FlashClass1Manipulator::Instance().Finish(); };
    FlashOsdManipulator::Instance().PrepareShow();
    const DWORD shown = GetTickCount();
    FlashClass1Manipulator::Instance().ShowLevel(0);
    PumpFor(2000);
    ASSERT_EQ(0, State().timers);
    const DWORD changed = GetTickCount();
    FlashClass1Manipulator::Instance().ChangeLevel(3);
    ASSERT_TRUE(WaitUntil([] { return State().timers == 1; }, kDisplayTimeoutMs));
    // Had the change not re-armed it, the timer would have fired about
    // 3000 ms after the show, 1000 ms after the change.
    EXPECT_GE(State().lastTimerTick - changed, 2500u);
    EXPECT_GE(State().lastTimerTick - shown, 4500u);
    ExpectFinishedOnce(shown, 5000);
    EXPECT_EQ(3, FlashClass1Manipulator::Instance().Level());
}

TEST_F(DisplayScriptTest, DisplaysFollowEachOtherCleanly) {
    // The same movie twice in a row, then another: each display ends once.
    for (int round = 0; round < 2; ++round) {
        State().Clear();
        FlashOsdManipulator::Instance().PrepareShow();
        FlashClass0Manipulator::Instance().ShowWarning("Warning", "Again", 0);
        ASSERT_TRUE(WaitUntil([] { return State().finished == 1; }, kDisplayTimeoutMs)) << "round " << round;
        PumpFor(300);
        EXPECT_EQ(1, State().finished);
    }
}

// With no thread to be had, the wait and the fade are done from GUI timers:
// the display ends once, and each failure shows in the exception display.
TEST_F(DisplayScriptTest, DisplayEndsWhenNoWorkerThreadCanBeCreated) {
    BoxWatcher boxes;
    gui::Thread::FailCreationForTesting(true);
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowWarning("Warning", "No threads left", 200);
    const bool ended = WaitUntil([] { return State().finished >= 1; }, kDisplayTimeoutMs);
    gui::Thread::FailCreationForTesting(false);
    ASSERT_TRUE(ended) << "the display never ended";
    EXPECT_FALSE(State().formVisibleAtFinish);
    EXPECT_FALSE(FlashOsdForm->Visible());
    PumpFor(1000);
    EXPECT_EQ(1, State().finished);
    const std::vector<SeenBox> seen = boxes.Boxes();
    ASSERT_EQ(2u, seen.size()) << "one for the wait, one for the fade";
    for (const SeenBox& box : seen) {
        EXPECT_EQ(gui::Application::Instance().Title, box.caption);
        EXPECT_NE(std::string::npos, box.text.find("Thread creation error")) << box.text;
    }
}

// A tick of the fade's timer that comes while an error unrelated to the
// display unwinds (here through a destructor that pumps messages) does the
// fade's work as any other tick does: the display still ends, once.
TEST_F(DisplayScriptTest, TimerFadeEndsWhileAnUnrelatedErrorUnwinds) {
    BoxWatcher boxes;
    FlashOsdManipulator::Instance().PrepareShow();
    FlashOsdForm->Show();
    gui::Thread::FailCreationForTesting(true);
    FlashOsdManipulator::Instance().FadeOut();
    gui::Thread::FailCreationForTesting(false);
    struct PumpOnTheWayOut {
        ~PumpOnTheWayOut() {
            WaitUntil([] { return State().finished >= 1; }, kDisplayTimeoutMs);
        }
    };
    try {
        PumpOnTheWayOut pump;
        throw std::runtime_error("an error of something else");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(1, State().finished) << "the fade was given up";
    EXPECT_FALSE(FlashOsdForm->Visible());
    PumpFor(300);
    EXPECT_EQ(1, State().finished);
}

// An error inside a worker's hand-over to the GUI thread (the end of a
// wait, the fade's OnOsdFinished) reaches the message loop as any other
// error of the GUI thread does, and from there the exception display.
// Last of the display tests: the error ends the message loop, and a
// program whose loop has ended shows no more message boxes.
TEST_F(DisplayScriptTest, ErrorsInWorkerHandOversReachTheMessageLoop) {
    FailingEnd failing;
    TWaitThread::Start(0, OsdNotify::Of<FailingEnd, &FailingEnd::End>(&failing));
    EXPECT_EQ("the end of the wait failed", PumpForError(5000));

    State().onFinished = [] { throw gui::Exception("the end of the fade failed"); };
    FlashOsdManipulator::Instance().PrepareShow();
    FlashOsdForm->Show();
    FlashOsdManipulator::Instance().FadeOut();
    EXPECT_EQ("the end of the fade failed", PumpForError(5000));
    EXPECT_EQ(1, State().finished);
    EXPECT_FALSE(FlashOsdForm->Visible());
}

// Run after every test, as the last thing before the process ends: it
// destroys the forms, as the program's end does. A fade still running then
// finds nothing to touch: no alpha, no hide, no report.
class FormsDestroyedDuringAFade : public ::testing::Environment {
public:
    void TearDown() override {
        if (FlashOsdForm == nullptr)
            return;
        State().Clear();
        FlashOsdManipulator::Instance().PrepareShow();
        FlashOsdForm->Show();
        // No pumping before the forms go: the fade's end is handed to this
        // thread, which would otherwise serve it if the fade got that far.
        FlashOsdManipulator::Instance().FadeOut();
        gui::Application::Instance().DestroyForms();
        EXPECT_EQ(nullptr, FlashOsdForm);
        PumpFor(1000);
        EXPECT_EQ(0, State().finished) << "the fade reported the end of a display whose form was gone";
    }
};
::testing::Environment* const formsDestroyedDuringAFade =
    ::testing::AddGlobalTestEnvironment(new FormsDestroyedDuringAFade);

} // namespace
