// The OSD's pure rules: movie placement, the fade schedule and the command
// texts with their buffers.
#include <float.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "osd/FlashOsdManipulator.h"
#include "osd/Flashosd.h"
#include "osd/TransFlash.h"
#include "win32/Handles.h"

namespace {

// ---------------------------------------------------------------- placement

TEST(Placement, WorkedValuesOnFullHdScreen) {
    const MoviePlacement caption = PlaceMovieOnScreen(1920, 1080, 400, 650);
    EXPECT_EQ(760, caption.x);
    EXPECT_EQ(322, caption.y);
    const MoviePlacement level = PlaceMovieOnScreen(1920, 1080, 750, 650);
    EXPECT_EQ(585, level.x);
    EXPECT_EQ(322, level.y);
    // 0.67 x 400 kept at extended precision is just above 268: 405, not 406.
    const MoviePlacement tuning = PlaceMovieOnScreen(1920, 1080, 550, 400);
    EXPECT_EQ(685, tuning.x);
    EXPECT_EQ(405, tuning.y);
}

TEST(Placement, ScreenLowerThanMovieUsesOneSeventh) {
    EXPECT_EQ(68, PlaceMovieOnScreen(640, 480, 400, 650).y);
    EXPECT_EQ(120, PlaceMovieOnScreen(640, 480, 400, 650).x);
    // Exactly as high as the movie is not lower: the 0.67 rule applies.
    EXPECT_EQ(107, PlaceMovieOnScreen(1024, 650, 400, 650).y);
}

TEST(Placement, ScreenNarrowerThanMovieGivesNegativeX) {
    EXPECT_EQ(-55, PlaceMovieOnScreen(640, 1080, 750, 650).x);
    // Integer division truncates toward zero: -109 / 2 is -54.
    EXPECT_EQ(-54, PlaceMovieOnScreen(641, 1080, 750, 650).x);
}

struct PlacementOnThread {
    MoviePlacement place{};
    unsigned int precisionBefore = 0;
    unsigned int precisionAfter = 0;
};

DWORD WINAPI PlaceWith53BitMantissa(void* parameter) {
    auto* result = static_cast<PlacementOnThread*>(parameter);
    unsigned int control = 0;
    _controlfp_s(&control, _PC_53, _MCW_PC);
    _controlfp_s(&control, 0, 0);
    result->precisionBefore = control & _MCW_PC;
    result->place = PlaceMovieOnScreen(1920, 1080, 550, 400);
    _controlfp_s(&control, 0, 0);
    result->precisionAfter = control & _MCW_PC;
    return 0;
}

TEST(Placement, SameResultOnThreadWhoseUnitRoundsToDouble) {
    PlacementOnThread result;
    const win32::UniqueHandle thread(CreateThread(nullptr, 0, &PlaceWith53BitMantissa, &result, 0, nullptr));
    ASSERT_TRUE(thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.Get(), 30000));
    ASSERT_EQ(static_cast<unsigned int>(_PC_53), result.precisionBefore);
    EXPECT_EQ(405, result.place.y);
    // The thread's own setting is put back.
    EXPECT_EQ(static_cast<unsigned int>(_PC_53), result.precisionAfter);
}

// --------------------------------------------------------------------- fade

struct FadeRun {
    std::vector<int> alphas;
    std::vector<DWORD> appliedAt; // elapsed ms of the reading that applied each step
    DWORD finishedAt = 0;         // elapsed ms of the reading that ended the fade
    bool finished = false;
};

// Feeds the schedule readings start + offset for each offset, as the fade
// thread would read the tick counter.
FadeRun RunFade(DWORD start, const std::vector<DWORD>& offsets) {
    FadeSchedule fade(start);
    FadeRun run;
    for (DWORD offset : offsets) {
        if (fade.Finished())
            break;
        const int alpha = fade.Poll(start + offset);
        if (alpha >= 0) {
            run.alphas.push_back(alpha);
            run.appliedAt.push_back(offset);
        }
        if (fade.Finished()) {
            run.finished = true;
            run.finishedAt = offset;
        }
    }
    return run;
}

std::vector<DWORD> Every(DWORD interval, DWORD until) {
    std::vector<DWORD> offsets;
    for (DWORD t = 0; t <= until; t += interval)
        offsets.push_back(t);
    return offsets;
}

TEST(Fade, StepAlphas) {
    EXPECT_EQ(229, FadeStepAlpha(0));
    const int expected[] = {206, 183, 160, 137, 114, 91, 68, 45, 22};
    for (DWORD step = 1; step <= 9; ++step)
        EXPECT_EQ(expected[step - 1], FadeStepAlpha(step)) << "step " << step;
    EXPECT_EQ(0, FadeStepAlpha(10));
}

TEST(Fade, FrequentPollsApplyNineStepsThenFinish) {
    const FadeRun run = RunFade(1000, Every(1, 400));
    EXPECT_EQ((std::vector<int>{206, 183, 160, 137, 114, 91, 68, 45, 22}), run.alphas);
    EXPECT_EQ((std::vector<DWORD>{25, 50, 75, 100, 125, 150, 175, 200, 225}), run.appliedAt);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(250u, run.finishedAt);
}

TEST(Fade, PollsEvery60msApplyOnlyTheStepsTheyReach) {
    const FadeRun run = RunFade(5000, Every(60, 600));
    // 60 ms: step 2; 120: 4; 180: 7; 240: 9; 300: over.
    EXPECT_EQ((std::vector<int>{183, 137, 68, 22}), run.alphas);
    ASSERT_EQ(run.alphas.size(), run.appliedAt.size());
    for (size_t i = 0; i < run.alphas.size(); ++i)
        EXPECT_EQ(FadeStepAlpha(run.appliedAt[i] / 25), run.alphas[i]) << "reading at " << run.appliedAt[i];
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(300u, run.finishedAt);
}

TEST(Fade, LatePollJumpsStraightToItsStep) {
    const FadeRun run = RunFade(0, {0, 130, 131, 249, 250});
    EXPECT_EQ((std::vector<int>{114, 22}), run.alphas);
    EXPECT_TRUE(run.finished);
}

TEST(Fade, FirstReadingPastTheEndAppliesNothing) {
    const FadeRun run = RunFade(77, {0, 400});
    EXPECT_TRUE(run.alphas.empty());
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(400u, run.finishedAt);
}

TEST(Fade, StartJustBeforeTickCounterWrapStillLasts250ms) {
    const DWORD start = 0xFFFFFFFFu - 100u; // wraps 101 ms in
    const FadeRun run = RunFade(start, Every(1, 600));
    EXPECT_EQ((std::vector<int>{206, 183, 160, 137, 114, 91, 68, 45, 22}), run.alphas);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(250u, run.finishedAt);
}

// The fade thread's loop on a simulated clock: read, apply (which takes
// setAlphaMs), sleep for what the schedule asks plus lateness ms (a wake-up
// that comes late), or 1 ms after a wake-up that found no step due.
struct SleepingFade {
    FadeRun run;
    int readings = 0;
};

SleepingFade RunSleepingFade(DWORD start, DWORD lateness, DWORD setAlphaMs = 0) {
    FadeSchedule fade(start);
    SleepingFade result;
    DWORD now = start;
    bool woken = false;
    while (!fade.Finished() && result.readings < 1000) {
        ++result.readings;
        const int alpha = fade.Poll(now);
        if (alpha >= 0) {
            result.run.alphas.push_back(alpha);
            result.run.appliedAt.push_back(now - start);
            now += setAlphaMs;
        }
        if (fade.Finished()) {
            result.run.finished = true;
            result.run.finishedAt = now - start;
            break;
        }
        now += (woken && alpha < 0 ? 1 : fade.MsToNextMark(now)) + lateness;
        woken = true;
    }
    return result;
}

TEST(Fade, SleepingToEachMarkAppliesEveryStepOnTimeWithElevenReadings) {
    for (DWORD start : std::vector<DWORD>{1000, 0xFFFFFFFFu - 100u, 0xFFFFFFFFu - 12u}) {
        const SleepingFade fade = RunSleepingFade(start, 0);
        EXPECT_EQ((std::vector<int>{206, 183, 160, 137, 114, 91, 68, 45, 22}), fade.run.alphas) << start;
        EXPECT_EQ((std::vector<DWORD>{25, 50, 75, 100, 125, 150, 175, 200, 225}), fade.run.appliedAt) << start;
        EXPECT_TRUE(fade.run.finished);
        EXPECT_EQ(250u, fade.run.finishedAt) << start;
        // The start, nine steps and the hide: no polling in between.
        EXPECT_EQ(11, fade.readings) << start;
    }
}

TEST(Fade, LateWakeUpsSkipStepsAndStillEndAtTheirReading) {
    // Each wake-up 30 ms late: 55 (step 2), 105 (4), 155 (6), 205 (8), 255.
    const SleepingFade fade = RunSleepingFade(0xFFFFFFF0u, 30);
    EXPECT_EQ((std::vector<int>{183, 137, 91, 45}), fade.run.alphas);
    EXPECT_EQ((std::vector<DWORD>{55, 105, 155, 205}), fade.run.appliedAt);
    EXPECT_TRUE(fade.run.finished);
    EXPECT_EQ(255u, fade.run.finishedAt);
}

// A SetAlpha slower than a step: each reading after it applies the step
// of its time, as the busy poll reading right after it would, so no mark
// passed while a step was applied is slept over.
TEST(Fade, SlowSetAlphaAppliesTheStepsThePollWould) {
    struct Row {
        DWORD setAlphaMs;
        std::vector<DWORD> appliedAt;
        DWORD finishedAt;
    };
    const Row rows[] = {
        {0, {25, 50, 75, 100, 125, 150, 175, 200, 225}, 250},
        {20, {25, 50, 75, 100, 125, 150, 175, 200, 225}, 250},
        {30, {25, 55, 85, 115, 145, 175, 205, 235}, 265},
        {60, {25, 85, 145, 205}, 265},
    };
    for (const Row& row : rows) {
        const SleepingFade fade = RunSleepingFade(0xFFFFFFF0u, 0, row.setAlphaMs);
        EXPECT_EQ(row.appliedAt, fade.run.appliedAt) << "SetAlpha taking " << row.setAlphaMs << " ms";
        ASSERT_EQ(fade.run.appliedAt.size(), fade.run.alphas.size());
        for (size_t i = 0; i < fade.run.alphas.size(); ++i)
            EXPECT_EQ(FadeStepAlpha(fade.run.appliedAt[i] / 25), fade.run.alphas[i]);
        EXPECT_TRUE(fade.run.finished);
        EXPECT_EQ(row.finishedAt, fade.run.finishedAt) << "SetAlpha taking " << row.setAlphaMs << " ms";
    }
}

TEST(Fade, WaitToNextMark) {
    FadeSchedule fade(0xFFFFFFFFu - 9u); // the counter wraps 10 ms in
    EXPECT_EQ(25u, fade.MsToNextMark(0xFFFFFFFFu - 9u));
    EXPECT_EQ(15u, fade.MsToNextMark(0));
    // Timed from the schedule: a mark that passed unapplied is due at once.
    EXPECT_EQ(0u, fade.MsToNextMark(30));
    EXPECT_EQ(206, fade.Poll(30));
    EXPECT_EQ(10u, fade.MsToNextMark(30));
    EXPECT_EQ(22, fade.Poll(215));
    EXPECT_EQ(1u, fade.MsToNextMark(239));
    EXPECT_EQ(0u, fade.MsToNextMark(240)); // 250 ms: the hide is due
    EXPECT_EQ(-1, fade.Poll(300));
    EXPECT_EQ(0u, fade.MsToNextMark(300));
}

TEST(Fade, NothingAfterFinish) {
    FadeSchedule fade(0);
    EXPECT_EQ(-1, fade.Poll(300));
    EXPECT_TRUE(fade.Finished());
    EXPECT_EQ(-1, fade.Poll(30));
}

// ----------------------------------------------------------------- commands

const char kPrefix[] = "<invoke name=\"externalCommand\" returntype=\"xml\"><arguments><string>";
const char kSuffix[] = "</string></arguments></invoke>";

std::string External(const std::string& argument) { return kPrefix + argument + kSuffix; }

TEST(Commands, FixedTextsByteForByte) {
    EXPECT_STREQ(External("show").c_str(), kFlashShow);
    EXPECT_STREQ(External("end").c_str(), kFlashEnd);
    EXPECT_STREQ(External("in").c_str(), kFlashIn);
    EXPECT_STREQ(External("out").c_str(), kFlashOut);
}

TEST(Commands, NumberCommandsByteForByte) {
    EXPECT_EQ(External("show 2"), FormatNumberCommand(kFlashShowNumber, 2));
    EXPECT_EQ(External("play 0"), FormatNumberCommand(kFlashPlayNumber, 0));
    EXPECT_EQ(External("End 3"), FormatNumberCommand(kFlashEndNumber, 3));
    EXPECT_EQ("<invoke name=\"set2Digit\" returntype=\"xml\"><arguments><string>4200</string></arguments></invoke>",
              FormatNumberCommand(kFlashSet2Digit, 4200));
}

TEST(Commands, EndWithNumberHasCapitalEAndPlainMinus) {
    EXPECT_EQ(External("End -1"), FormatNumberCommand(kFlashEndNumber, -1));
    EXPECT_NE(std::string::npos, std::string(kFlashEnd).find(">end<"));
    EXPECT_EQ(External("show -2147483648"), FormatNumberCommand(kFlashShowNumber, -2147483647L - 1));
}

TEST(Commands, TextsAreInsertedUnescaped) {
    EXPECT_EQ("<invoke name=\"changeLabel\" returntype=\"xml\"><arguments><string>A<b> & %d"
              "</string></arguments></invoke>",
              FormatTextCommand(kFlashChangeLabel, "A<b> & %d", kLabelCommandSize));
    EXPECT_EQ("<invoke name=\"changeContent\" returntype=\"xml\"><arguments><string>x &amp; <y/>"
              "</string></arguments></invoke>",
              FormatTextCommand(kFlashChangeContent, "x &amp; <y/>", kWarningCommandSize));
    EXPECT_EQ("<invoke name=\"changeLabel\" returntype=\"xml\"><arguments><string></string></arguments></invoke>",
              FormatTextCommand(kFlashChangeLabel, nullptr, kLabelCommandSize));
}

TEST(Commands, LongLabelIsCutSoTheCommandFitsItsBuffer) {
    const std::string label(300, 'x');
    const std::string command = FormatTextCommand(kFlashChangeLabel, label.c_str(), kLabelCommandSize);
    EXPECT_EQ(kLabelCommandSize - 1, command.size());
    EXPECT_EQ(0u, command.find("<invoke name=\"changeLabel\""));
    EXPECT_EQ(command.size() - std::string(kSuffix).size(), command.rfind(kSuffix));

    const std::string warning = FormatTextCommand(kFlashChangeContent, label.c_str(), kWarningCommandSize);
    EXPECT_EQ(kWarningCommandSize - 1, warning.size());
    EXPECT_EQ(warning.size() - std::string(kSuffix).size(), warning.rfind(kSuffix));

    // A label that fits exactly is kept whole.
    const size_t room = kLabelCommandSize - 1 - (std::string(kFlashChangeLabel).size() - 2);
    const std::string exact(room, 'y');
    EXPECT_NE(std::string::npos,
              FormatTextCommand(kFlashChangeLabel, exact.c_str(), kLabelCommandSize).find(exact + kSuffix));
}

TEST(Commands, CutKeepsDoubleByteCharactersWhole) {
    const UINT japanese = 932;
    ASSERT_TRUE(IsDBCSLeadByteEx(japanese, 0x82));
    // "\x82\xa0" is one character (hiragana a) in code page 932.
    std::string label;
    for (int i = 0; i < 40; ++i)
        label += "\x82\xa0";
    const size_t room = kLabelCommandSize - 1 - (std::string(kFlashChangeLabel).size() - 2);
    for (const std::string& text : {label, "a" + label}) {
        const std::string command = FormatTextCommand(kFlashChangeLabel, text.c_str(), kLabelCommandSize, japanese);
        const size_t start = command.find("<string>") + 8;
        const size_t end = command.rfind(kSuffix);
        const std::string kept = command.substr(start, end - start);
        EXPECT_LE(kept.size(), room);
        EXPECT_GE(kept.size() + 1, room);
        EXPECT_EQ(text.substr(0, kept.size()), kept);
        // Whole characters only: the text after the optional "a" has an even length.
        EXPECT_EQ(0u, (kept.size() - (text[0] == 'a' ? 1 : 0)) % 2) << kept.size();
    }
    // With a single-byte code page every byte is a character.
    EXPECT_EQ(7u, FitTextLength(label.c_str(), 7, 1252));
    EXPECT_EQ(6u, FitTextLength(label.c_str(), 7, japanese));
}

// The cut is made with the system's lead bytes; the fuzz targets use the
// built-in table, which must say the same for every code page the
// languages use.
TEST(Commands, LeadByteTableMatchesTheSystem) {
    for (const UINT codePage : {1250u, 1251u, 1252u, 932u, 936u, 949u, 950u}) {
        const text::LeadBytes known = text::KnownLeadBytes(codePage);
        const text::LeadBytes system = SystemLeadBytes(codePage);
        for (unsigned b = 0; b < 256; ++b) {
            const bool lead = IsDBCSLeadByteEx(codePage, static_cast<BYTE>(b)) != FALSE;
            EXPECT_EQ(lead, known[static_cast<unsigned char>(b)]) << codePage << " byte " << b;
            EXPECT_EQ(lead, system[static_cast<unsigned char>(b)]) << codePage << " byte " << b;
        }
    }
}

TEST(Commands, LeadByteWithoutTrailByteIsDropped) {
    EXPECT_EQ(2u, FitTextLength("ab\x82", 10, 932));
    EXPECT_EQ(0u, FitTextLength(nullptr, 10, 932));
    EXPECT_EQ(0u, FitTextLength("abc", 0, 932));
}

TEST(Commands, ConvertedToUtf16) {
    EXPECT_EQ(std::wstring(L"<a> & 4200MHz"), CommandToWide("<a> & 4200MHz", 1252));
    EXPECT_EQ(std::wstring(L"caf\u00e9"), CommandToWide("caf\xe9", 1252));
    EXPECT_EQ(std::wstring(L"\u3042"), CommandToWide("\x82\xa0", 932));
    EXPECT_TRUE(CommandToWide("", 1252).empty());
}

TEST(Commands, RequestRecordIsSixteenBytesWithTheTextAtByteEight) {
    EXPECT_EQ(16u, sizeof(FlashRequest));
    EXPECT_EQ(8u, offsetof(FlashRequest, request));
}

} // namespace
