// A storm of service messages at full rate against the running program,
// mixed with display changes and resume broadcasts: the program shows one
// display at a time, tells the overclocking program once per display, and
// ends where it started, with no more windows, threads or handles.
//
// RAVELO_STORM_SEED and RAVELO_STORM_BURSTS change the storm (the seed is
// printed, so a failing storm can be replayed).
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <random>
#include <string>

#include "RelyHarness.h"

using namespace rely;
using testsupport::WaitUntil;

namespace {

unsigned EnvironmentNumber(const char* name, unsigned fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return fallback;
    return static_cast<unsigned>(std::strtoul(text, nullptr, 0));
}

struct StormCounts {
    unsigned posted = 0;
    unsigned refused = 0;
    unsigned keys = 0; // 1032 with wParam 0x55 and a code 144..150
    unsigned throughService = 0;
    unsigned displayChanges = 0;
    unsigned resumes = 0;
};

class Storm {
public:
    Storm(const Program& program, unsigned seed) : program_(program), random_(seed) {}

    void Burst(unsigned messages, StormCounts& counts) {
        for (unsigned i = 0; i < messages; ++i) {
            const unsigned roll = Pick(100);
            if (roll < 72)
                Key(counts);
            else if (roll < 80)
                OtherServiceMessage(counts);
            else if (roll < 90)
                DisplayChange(counts);
            else
                Resume(counts);
        }
    }

    unsigned Pick(unsigned range) { return std::uniform_int_distribution<unsigned>(0, range - 1)(random_); }

private:
    void Send(UINT msg, WPARAM wParam, LPARAM lParam, StormCounts& counts) {
        if (program_.Post(msg, wParam, lParam))
            ++counts.posted;
        else
            ++counts.refused;
    }

    void Key(StormCounts& counts) {
        static const WPARAM kOddMarks[] = {0x155, 0, 0x5555, 0xFFFFFFFF, 0x56, 0x55000000};
        const LONG code = 140 + static_cast<LONG>(Pick(16));
        const WPARAM wParam = Pick(2) == 0 ? kSuiteMark : kOddMarks[Pick(6)];
        if (wParam == kSuiteMark && code >= kKeyProfileA && code <= kKeyTuneDown)
            ++counts.keys;
        Send(kServiceRemoteKey, wParam, code, counts);
    }

    // The other messages of the service's range, never a quit: 1024 only
    // without the mark in its low byte.
    void OtherServiceMessage(StormCounts& counts) {
        const UINT msg = WM_USER + 1 + Pick(7); // 1025 .. 1031
        static const WPARAM kMarks[] = {kSuiteMark, 0x155, 0, 0xFFFFFF00, 0x5500};
        Send(msg, kMarks[Pick(5)], static_cast<LPARAM>(Pick(300)), counts);
        static const WPARAM kNoQuit[] = {0x5500, 0x56, 0, 0xAA};
        Send(WM_USER, kNoQuit[Pick(4)], 0, counts);
    }

    // The display mode has not changed, as after a change and back.
    void DisplayChange(StormCounts& counts) {
        ++counts.displayChanges;
        Send(WM_DISPLAYCHANGE, 32, MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)), counts);
    }

    void Resume(StormCounts& counts) {
        // Resume, and the other power events the program lets pass.
        static const WPARAM kEvents[] = {PBT_APMRESUMESUSPEND, PBT_APMRESUMESUSPEND, PBT_APMSUSPEND,
                                         PBT_APMRESUMEAUTOMATIC, PBT_APMPOWERSTATUSCHANGE};
        const WPARAM event = kEvents[Pick(5)];
        if (event == PBT_APMRESUMESUSPEND)
            ++counts.resumes;
        Send(WM_POWERBROADCAST, event, 0, counts);
    }

    const Program& program_;
    std::mt19937 random_;
};

class KeyStorm : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        stage_ = std::make_unique<Stage>();
        prepared_ = stage_->Prepare() && stage_->StartService() && stage_->StartApex() && stage_->StartKelvo();
    }
    static void TearDownTestSuite() { stage_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(prepared_) << "service, stand-ins or firmware database could not be set up";
        log_.SetPath(stage_->Files().playerLog);
    }

    static std::unique_ptr<Stage> stage_;
    static bool prepared_;
    PlayerLog log_;
};

std::unique_ptr<Stage> KeyStorm::stage_;
bool KeyStorm::prepared_ = false;

} // namespace

TEST_F(KeyStorm, OneDisplayAtATimeAndNothingGrows) {
    Program program;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitStarted());

    // One display of each kind first, so that what the program makes once
    // (firmware items, players' drawings, fonts) is in the baseline.
    for (LONG key : {kKeyManualMode, kKeyTuneUp, kKeyProfileA, kKeyAutoMode})
        ASSERT_TRUE(KeyShowsDisplay(program, &log_, key)) << "warm-up key " << key;
    ASSERT_TRUE(WaitIdle(program, &log_));
    ASSERT_TRUE(WaitUntil([&] { return ThreadCountOf(program.Id()) > 0; }, 5000));
    const Figures before = program.Measure();
    std::cout << "before the storm: " << Describe(before) << std::endl;

    // From here the logs count this storm only.
    log_.Clear();
    DeleteFileA(stage_->Files().apexLog.c_str());
    // The test's session holds one overclocking program; a second command
    // window would split the program's messages between the two.
    ASSERT_EQ(1u, CountWindows("TMainForm", "RaveloHelp")) << "not exactly one overclocking program's command window";

    const unsigned seed = EnvironmentNumber("RAVELO_STORM_SEED", 20261208u);
    const unsigned bursts = EnvironmentNumber("RAVELO_STORM_BURSTS", 24u);
    std::cout << "storm seed " << seed << ", " << bursts << " bursts" << std::endl;
    Storm storm(program, seed);
    StormCounts counts;
    ScreenWatch watch(program);
    const DWORD stormStart = GetTickCount();
    for (unsigned b = 0; b < bursts && program.Running(); ++b) {
        storm.Burst(90 + storm.Pick(60), counts);
        if (b % 5 == 4) {
            // As the service itself would deliver them.
            if (ServiceControl::SendKey(140 + static_cast<LONG>(storm.Pick(16))) == ServiceControl::Outcome::Posted)
                ++counts.throughService;
            if (ServiceControl::SendResume() == ServiceControl::Outcome::Posted) {
                ++counts.throughService;
                ++counts.resumes;
            }
        }
        // Short, middling and long pauses, so keys land in every part of a
        // display: intro, hold, end, fade and idle.
        const unsigned kind = storm.Pick(10);
        const DWORD pause = kind < 4 ? storm.Pick(300) : kind < 6 ? 300 + storm.Pick(1700) : 3500 + storm.Pick(3500);
        testsupport::PumpFor(pause);
    }
    std::cout << "storm: " << counts.posted << " messages posted (" << counts.refused << " refused), " << counts.keys
              << " of them remote keys with the mark, " << counts.displayChanges << " display changes, "
              << counts.resumes << " resumes, " << counts.throughService << " through the service, in "
              << (GetTickCount() - stormStart) << " ms" << std::endl;
    ASSERT_TRUE(program.Running()) << "the program ended during the storm";
    ASSERT_TRUE(WaitIdle(program, &log_, 180000, 4000));
    watch.Stop();

    const DisplaySequence sequence = log_.Sequence();
    std::cout << "displays during the storm: " << sequence.started << " started, " << sequence.ended << " ended"
              << std::endl;
    EXPECT_GE(counts.posted, 2000u);
    EXPECT_GE(sequence.started, 5) << "the storm brought up too few displays to say anything";
    EXPECT_TRUE(sequence.overlaps.empty()) << sequence.overlaps.front() << "\n" << log_.Tail();
    EXPECT_TRUE(sequence.strayEnds.empty()) << sequence.strayEnds.front() << "\n" << log_.Tail();
    EXPECT_EQ(sequence.started, sequence.ended) << log_.Tail();
    EXPECT_TRUE(watch.OsdSeen());
    EXPECT_LE(watch.MaxVisiblePlayers(), 1) << "players on screen together: " << watch.Worst();
    EXPECT_TRUE(program.MessageBoxes().empty());
    EXPECT_TRUE(program.IsRegistered()) << "the program lost its registration with the service";

    // Every profile display told the overclocking program once, and every
    // tuning display handed over its step once at its end.
    EXPECT_EQ(1u, CountWindows("TMainForm", "RaveloHelp")) << "a second overclocking program's command window came up";
    const size_t profileDisplays =
        static_cast<size_t>(log_.Count("RaveloProfileOn", "show") + log_.Count("RaveloProfileOff", "show"));
    const size_t tuningDisplays = static_cast<size_t>(log_.Count("OCTuning", "in"));
    EXPECT_TRUE(WaitUntil(
        [&] {
            return stage_->ApexLines("msg=1061 wParam=0x55") == profileDisplays &&
                   stage_->ApexLines("msg=1060 wParam=0x55") == tuningDisplays;
        },
        10000))
        << profileDisplays << " profile displays, " << stage_->ApexLines("msg=1061") << " profile messages; "
        << tuningDisplays << " tuning displays, " << stage_->ApexLines("msg=1060") << " step messages";
    EXPECT_EQ(0u, stage_->ApexLines("ignored")) << ReadTextFile(stage_->Files().apexLog);

    // Still answering, and back where it started.
    ASSERT_TRUE(AliveAndAnswering(program, &log_, kKeyManualMode));
    Figures after = program.Measure();
    // Threads of displays just ended may take a moment to go.
    WaitUntil([&] { return (after = program.Measure()).threads <= before.threads; }, 10000, 100);
    std::cout << "after the storm: " << Describe(after) << std::endl;
    EXPECT_LE(after.threads, before.threads);
    EXPECT_LE(after.windows, before.windows);
    EXPECT_LE(after.handles, before.handles + 8) << "before: " << Describe(before) << "\nafter: " << Describe(after);

    EXPECT_TRUE(program.Quit());
}
