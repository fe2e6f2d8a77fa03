// Neighbours that go away: a sibling program that ends in the middle of a
// display, one that stops answering between the program's check and its
// message and then ends, and the service that disappears and comes back.
// Each case ends with the program alive, answering keys and idle, with one
// display on screen at a time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "RelyHarness.h"

using namespace rely;
using testsupport::PumpFor;
using testsupport::WaitUntil;

namespace {

// The program retries its registration every 2500 ms; a registered one must
// stay quiet for longer than two of those periods.
constexpr DWORD kTwoRetryPeriods = 2 * 2500 + 500;

class Neighbours : public harness::SuiteTest {
protected:
    static void SetUpTestSuite() { PrepareSuite(kFastMovies); }

    void SetUp() override {
        SuiteTest::SetUp();
        ASSERT_TRUE(suite_->StartService());
    }

    // Waits until the log shows a request of movie (its display is up).
    ::testing::AssertionResult Requested(const std::string& movie, const std::string& command) {
        if (WaitUntil([&] { return log_.Count(movie, command) > 0; }, kLongWait))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no " << command << " for " << movie << "; movie log:\n" << log_.Tail();
    }

    ::testing::AssertionResult CallbackSeen(const std::string& movie, const std::string& what) {
        if (WaitUntil(
                [&] {
                    for (const PlayerEvent& event : log_.Events())
                        if (event.movie == movie && event.kind == "callback" && event.command == what)
                            return true;
                    return false;
                },
                kLongWait))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no " << what << " call-back of " << movie << "; movie log:\n"
                                             << log_.Tail();
    }

    // Runs key on an idle program and checks that only one movie is on
    // screen meanwhile.
    void OneDisplayAlone(LONG key) {
        ScreenWatch watch(program_);
        ASSERT_TRUE(KeyShowsDisplay(program_, &log_, key));
        watch.Stop();
        EXPECT_LE(watch.MaxVisiblePlayers(), 1) << "movies on screen together: " << watch.Worst();
    }
};

} // namespace

// The tuning display is up when the overclocking program ends; the next
// tuning key finds it gone and warns over the display.
TEST_F(Neighbours, OverclockingProgramEndsDuringTheTuningDisplay) {
    ASSERT_TRUE(suite_->StartApex());
    StartProgram();
    ScreenWatch watch(program_);
    ASSERT_TRUE(program_.PostKey(kKeyTuneUp));
    ASSERT_TRUE(Requested("OCTuning", "in"));
    ASSERT_TRUE(CallbackSeen("OCTuning", "intro"));
    ASSERT_TRUE(suite_->StopApex());
    ASSERT_TRUE(program_.PostKey(kKeyTuneUp));
    ASSERT_TRUE(Requested("Warning", "show"));
    EXPECT_EQ(ProgramText("RaveloApexNotRun"), log_.LastArgument("Warning", "changeContent"));
    ASSERT_TRUE(WaitIdle(program_, &log_));
    watch.Stop();
    EXPECT_LE(watch.MaxVisiblePlayers(), 1) << "movies on screen together: " << watch.Worst() << "\n" << log_.Tail();

    // The next display shows its own movie only.
    OneDisplayAlone(kKeyManualMode);
    EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyAutoMode));
}

TEST_F(Neighbours, EngineEndsDuringTheLevelDisplay) {
    ASSERT_TRUE(suite_->StartKelvo());
    StartProgram();
    ScreenWatch watch(program_);
    ASSERT_TRUE(program_.PostKey(kKeyManualMode));
    ASSERT_TRUE(Requested("KelvoManual", "show"));
    ASSERT_TRUE(suite_->StopKelvo());
    ASSERT_TRUE(program_.PostKey(kKeyManualMode));
    ASSERT_TRUE(Requested("Warning", "show"));
    EXPECT_EQ(ProgramText("KelvoNotRun"), log_.LastArgument("Warning", "changeContent"));
    ASSERT_TRUE(WaitIdle(program_, &log_));
    watch.Stop();
    EXPECT_LE(watch.MaxVisiblePlayers(), 1) << "movies on screen together: " << watch.Worst() << "\n" << log_.Tail();

    OneDisplayAlone(kKeyTuneUp);
    EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyAutoMode));
}

// The overclocking program ends while the profile display holds; the
// display ends as usual and the next profile key warns.
TEST_F(Neighbours, OverclockingProgramEndsDuringTheProfileDisplay) {
    ASSERT_TRUE(suite_->StartApex());
    StartProgram();
    ASSERT_TRUE(program_.PostKey(kKeyProfileA));
    ASSERT_TRUE(Requested("RaveloProfileOn", "show"));
    ASSERT_TRUE(CallbackSeen("RaveloProfileOn", "intro"));
    ASSERT_TRUE(suite_->StopApex());
    ASSERT_TRUE(WaitIdle(program_, &log_));
    const DisplaySequence sequence = log_.Sequence();
    EXPECT_EQ(1, sequence.started);
    EXPECT_EQ(1, sequence.ended);

    ASSERT_TRUE(KeyShowsDisplay(program_, &log_, kKeyProfileA));
    EXPECT_EQ(ProgramText("RaveloApexNotRun"), log_.LastArgument("Warning", "changeContent"));
    EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyTuneUp));
}

// Frozen after the program found its windows: the profile message is posted
// into a queue nobody reads, and the program goes on; the program then
// ends and the message is lost, which the program never learns.
TEST_F(Neighbours, OverclockingProgramFreezesAndEndsBetweenCheckAndMessage) {
    ASSERT_TRUE(suite_->StartApex());
    StartProgram();
    const DWORD apex = suite_->ApexId();
    ASSERT_NE(0u, apex);
    ASSERT_TRUE(SuspendProcess(apex));
    ASSERT_TRUE(KeyShowsDisplay(program_, &log_, kKeyProfileA));
    EXPECT_EQ(1, log_.Count("RaveloProfileOn", "show")) << log_.Tail();
    ASSERT_TRUE(TerminateProcessById(apex));
    EXPECT_EQ(0u, suite_->ApexLines("msg=1061"));
    EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyTuneUp));
    EXPECT_EQ(ProgramText("RaveloApexNotRun"), log_.LastArgument("Warning", "changeContent"));
}

// The tuning display hands its step over by a message that waits for the
// overclocking program. One that has hung for good (its windows still
// there) is given up after a few seconds: the next key is answered, the
// next tuning display ends and hands its step over the same way, and the
// program quits, all while the overclocking program stays hung.
TEST_F(Neighbours, HungOverclockingProgramHoldsNothingUp) {
    ASSERT_TRUE(suite_->StartApex("--freeze-on-step"));
    StartProgram();
    const DWORD apex = suite_->ApexId();
    ASSERT_NE(0u, apex);
    ASSERT_TRUE(KeyShowsDisplay(program_, &log_, kKeyTuneUp));
    ASSERT_TRUE(WaitUntil([&] { return suite_->ApexLines("freezing") == 1; }, kLongWait))
        << "the step never reached the overclocking program";
    EXPECT_EQ(1u, suite_->ApexLines("msg=1060 wParam=0x55 lParam="));
    EXPECT_EQ(1u, suite_->ApexLines("sent: freezing"));

    ASSERT_TRUE(program_.PostKey(kKeyManualMode));
    EXPECT_TRUE(WaitUntil([&] { return log_.Sequence().started == 2; }, kLongWait))
        << "a key after the step went to the hung overclocking program was not answered\n"
        << log_.Tail();
    ASSERT_TRUE(WaitIdle(program_, &log_));
    ASSERT_TRUE(KeyShowsDisplay(program_, &log_, kKeyTuneDown));
    EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyManualMode));
    EXPECT_EQ(apex, suite_->ApexId()) << "the overclocking program's stand-in ended";
    EXPECT_TRUE(program_.Quit());
    EXPECT_TRUE(TerminateProcessById(apex));
}

// The overclocking program takes no messages for a while from the tuning
// key on: 7 s, and 16 s (far past the 5 s after which Windows counts a
// window as not responding). The program goes on taking keys meanwhile: a
// tuning display of two keys ends and hands its step over, and a second
// one does the same. Once the overclocking program takes messages again,
// both steps reach it as sent messages, in the order they were handed over.
TEST_F(Neighbours, StepsReachAnOverclockingProgramThatStoppedRespondingForAWhile) {
    ASSERT_TRUE(suite_->StartApex());
    StartProgram();
    const DWORD apex = suite_->ApexId();
    const HWND command = siblings::FindWindowOfProcess(siblings::kWindowClass, siblings::kApexCommandCaption, apex);
    ASSERT_NE(nullptr, command);
    // The first key shows the clock read from the firmware, the second
    // steps it; the display hands that step over as it ends.
    const auto twoKeyTuning = [&](LONG key) {
        const int before = log_.Count("OCTuning", "in");
        if (!program_.PostKey(key) || !WaitUntil([&] { return log_.Count("OCTuning", "in") > before; }, kLongWait))
            return ::testing::AssertionFailure() << "no tuning display; movie log:\n" << log_.Tail();
        return KeyShowsDisplay(program_, &log_, key);
    };
    for (const DWORD freezeMs : {7000u, 16000u}) {
        SCOPED_TRACE("not responding for " + std::to_string(freezeMs) + " ms");
        LONG start = 0;
        ASSERT_TRUE(ReadFirmwareItem(kClockItem, start));
        const size_t stepsBefore = suite_->ApexLines("msg=1060");
        const size_t freezesBefore = suite_->ApexLines("not responding for");
        const size_t thawsBefore = suite_->ApexLines("responding again");
        ASSERT_TRUE(PostMessageA(command, siblings::kFreezeMessage, 0, static_cast<LPARAM>(freezeMs)));
        ASSERT_TRUE(WaitUntil([&] { return suite_->ApexLines("not responding for") > freezesBefore; }, kLongWait));

        ASSERT_TRUE(twoKeyTuning(kKeyTuneUp));
        ASSERT_TRUE(twoKeyTuning(kKeyTuneDown));
        if (freezeMs >= 16000) {
            // Two displays take about 10 s: both came and went meanwhile.
            EXPECT_EQ(thawsBefore, suite_->ApexLines("responding again"))
                << "the displays should have ended while the overclocking program did not respond";
        }

        ASSERT_TRUE(WaitUntil([&] { return suite_->ApexLines("msg=1060") >= stepsBefore + 2; }, freezeMs + kLongWait))
            << "a step never reached the overclocking program\n"
            << siblings::ReadTextFile(suite_->Files().apexLog);
        std::vector<std::string> steps;
        for (const std::string& line : testsupport::Lines(siblings::ReadTextFile(suite_->Files().apexLog)))
            if (line.find("msg=1060") != std::string::npos)
                steps.push_back(line);
        ASSERT_EQ(stepsBefore + 2, steps.size());
        const std::string& first = steps[stepsBefore];
        EXPECT_NE(std::string::npos, first.find("msg=1060 wParam=0x55 lParam=" + std::to_string(start + 1) + " sent:"))
            << first;
        // The second display read the clock from the firmware: the start,
        // or the first step when the overclocking program had taken it.
        const std::string& second = steps[stepsBefore + 1];
        const bool secondAsRead = second.find("lParam=" + std::to_string(start - 1) + " sent:") != std::string::npos ||
                                  second.find("lParam=" + std::to_string(start) + " sent:") != std::string::npos;
        EXPECT_TRUE(secondAsRead) << second;
        const size_t at = second.find("lParam=");
        ASSERT_NE(std::string::npos, at);
        LONG clock = 0;
        ASSERT_TRUE(ReadFirmwareItem(kClockItem, clock));
        EXPECT_EQ(std::atol(second.c_str() + at + 7), clock) << "the last step handed over is the clock in force";
    }
    EXPECT_EQ(apex, suite_->ApexId()) << "the overclocking program's stand-in ended";
    EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyManualMode));
}

// The program registers once and does not notice a later loss of the
// service. It keeps handling keys posted to it, and a new service sees no
// registration attempts from it: its retry timer stays off.
TEST_F(Neighbours, ServiceDisappearsDuringADisplayAndComesBack) {
    StartProgram();
    ASSERT_TRUE(program_.PostKey(kKeyManualMode));
    ASSERT_TRUE(Requested("Warning", "show"));
    ASSERT_TRUE(suite_->StopService());
    ASSERT_TRUE(WaitIdle(program_, &log_));
    ASSERT_TRUE(KeyShowsDisplay(program_, &log_, kKeyAutoMode));

    ASSERT_TRUE(suite_->StartService());
    PumpFor(kTwoRetryPeriods);
    unsigned attempts = 99;
    ASSERT_TRUE(ServiceControl::QueryAttempts(attempts));
    EXPECT_EQ(0u, attempts) << "the registered program tried to register again";
    EXPECT_FALSE(program_.IsRegistered());
    EXPECT_EQ(ServiceControl::Outcome::NoClient, ServiceControl::SendKey(kKeyManualMode));
    EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyManualMode));

    // The quit message still reaches it the way the service would send it,
    // and the program unregisters from whichever service runs.
    ASSERT_TRUE(program_.Post(kServiceQuit, kSuiteMark, 0));
    ASSERT_TRUE(program_.Process().Wait(kLongWait));
    EXPECT_EQ(0u, program_.Process().ExitCode());
    unsigned unregistrations = 0;
    ASSERT_TRUE(ServiceControl::QueryUnregistrations(unregistrations));
    EXPECT_EQ(1u, unregistrations);
}

// No service at start-up: the program retries until one appears, then
// takes keys through it and quits when it says so.
TEST_F(Neighbours, ServiceAbsentAtStartUpAppearsLater) {
    ASSERT_TRUE(suite_->StopService());
    ASSERT_TRUE(program_.Start());
    ASSERT_TRUE(program_.WaitStarted(false));
    ASSERT_TRUE(KeyShowsDisplay(program_, &log_, kKeyManualMode));
    ASSERT_TRUE(suite_->StartService());
    ASSERT_TRUE(WaitUntil([&] { return program_.IsRegistered(); }, 15000, 100))
        << "no registration within six retry periods";
    ASSERT_EQ(ServiceControl::Outcome::Posted, ServiceControl::SendKey(kKeyAutoMode));
    ASSERT_TRUE(WaitUntil([&] { return log_.Sequence().started == 2; }, kLongWait)) << log_.Tail();
    ASSERT_TRUE(WaitIdle(program_, &log_));
    unsigned attempts = 0;
    ASSERT_TRUE(ServiceControl::QueryAttempts(attempts));
    PumpFor(kTwoRetryPeriods);
    unsigned later = 0;
    ASSERT_TRUE(ServiceControl::QueryAttempts(later));
    EXPECT_EQ(attempts, later) << "the program went on registering after it had succeeded";
    ASSERT_EQ(ServiceControl::Outcome::Posted, ServiceControl::SendQuit());
    ASSERT_TRUE(program_.Process().Wait(kLongWait));
    EXPECT_EQ(0u, program_.Process().ExitCode());
}
