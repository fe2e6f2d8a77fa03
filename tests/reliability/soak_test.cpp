// The long soak: the program runs for RAVELO_SOAK_MINUTES (default 60) with
// a key every few seconds, all seven keys in turn with the siblings' stand-
// ins up. Its memory, handles, threads and windows are sampled every
// RAVELO_SOAK_SAMPLE_SECONDS (default 300) and must stay flat; every
// display must end before the next starts. Run by scripts/soak.sh, never by
// the test command.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "RelyHarness.h"

using namespace rely;

namespace {

unsigned EnvironmentNumber(const char* name, unsigned fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return fallback;
    const unsigned long value = std::strtoul(text, nullptr, 10);
    return value == 0 ? fallback : static_cast<unsigned>(value);
}

// What the program may gain once warmed up, over any length of run: a few
// handles and pages of the heap come and go with the displays.
constexpr DWORD kHandleSlack = 16;
constexpr DWORD kThreadSlack = 2;
constexpr SIZE_T kPrivateSlack = 2 * 1024 * 1024;

} // namespace

TEST(Soak, KeysForAnHourAndNothingGrows) {
    const unsigned minutes = EnvironmentNumber("RAVELO_SOAK_MINUTES", 60);
    const unsigned sampleSeconds = EnvironmentNumber("RAVELO_SOAK_SAMPLE_SECONDS", 300);
    const DWORD keyGapMs = EnvironmentNumber("RAVELO_SOAK_KEY_GAP_MS", 3000);

    Stage stage;
    ASSERT_TRUE(stage.Prepare());
    ASSERT_TRUE(stage.StartService());
    ASSERT_TRUE(stage.StartApex());
    ASSERT_TRUE(stage.StartKelvo());
    PlayerLog log(stage.Files().playerLog);
    Program program;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitStarted());

    const LONG keys[] = {kKeyProfileA, kKeyTuneUp,   kKeyManualMode, kKeyProfileB,   kKeyAutoMode,
                         kKeyTuneDown, kKeyProfileA, kKeyProfileC,   kKeyManualMode, kKeyTuneDown};
    size_t next = 0;
    unsigned pressed = 0;
    unsigned failed = 0;
    auto press = [&] {
        const LONG key = keys[next++ % (sizeof keys / sizeof keys[0])];
        ++pressed;
        if (!KeyShowsDisplay(program, &log, key))
            ++failed;
        // The firmware drifts with every profile and step: keep it in range.
        if (pressed % 50 == 0)
            ResetFirmware(stage.Files());
    };

    // Warm-up: every display once or twice, so the first figures already
    // hold every movie and picture the program keeps.
    for (int i = 0; i < 20; ++i)
        press();
    ASSERT_TRUE(WaitIdle(program, &log));
    const Figures baseline = program.Measure();
    std::printf("soak: %u minutes, a key every %u ms\n", minutes, static_cast<unsigned>(keyGapMs));
    std::printf("soak: minute %3u, %5u keys: %s\n", 0u, pressed, Describe(baseline).c_str());
    std::fflush(stdout);

    std::vector<Figures> samples;
    const DWORD start = GetTickCount();
    DWORD lastSample = start;
    const DWORD length = minutes * 60000u;
    while (GetTickCount() - start < length && program.Running()) {
        const DWORD pressAt = GetTickCount();
        press();
        if (GetTickCount() - lastSample >= sampleSeconds * 1000u) {
            lastSample = GetTickCount();
            ASSERT_TRUE(WaitIdle(program, &log));
            samples.push_back(program.Measure());
            std::printf("soak: minute %3u, %5u keys: %s\n", static_cast<unsigned>((lastSample - start) / 60000),
                        pressed, Describe(samples.back()).c_str());
            std::fflush(stdout);
            // The movie log would grow to hundreds of megabytes.
            log.Clear();
        }
        const DWORD spent = GetTickCount() - pressAt;
        if (spent < keyGapMs)
            Sleep(keyGapMs - spent);
    }
    ASSERT_TRUE(program.Running()) << "the program ended during the soak";
    ASSERT_TRUE(WaitIdle(program, &log));
    const Figures last = program.Measure();
    std::printf("soak: end,        %5u keys: %s; %u keys brought no display\n", pressed, Describe(last).c_str(),
                failed);

    EXPECT_EQ(0u, failed) << "keys that brought up no display, or whose display did not end";
    EXPECT_LE(last.handles, baseline.handles + kHandleSlack) << Describe(baseline) << " -> " << Describe(last);
    EXPECT_LE(last.threads, baseline.threads + kThreadSlack) << Describe(baseline) << " -> " << Describe(last);
    EXPECT_EQ(baseline.windows, last.windows);
    EXPECT_LE(last.privateBytes, baseline.privateBytes + kPrivateSlack)
        << Describe(baseline) << " -> " << Describe(last);
    EXPECT_TRUE(AliveAndAnswering(program, &log, kKeyManualMode));
    EXPECT_TRUE(program.Quit());
}
