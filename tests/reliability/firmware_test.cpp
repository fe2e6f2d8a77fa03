// The firmware library failing every call, failing only its queries, or
// handing out damaged packages (too few elements, counts beyond the
// package, texts without their terminator), from start-up on or switched on
// while the program runs: every key still brings up a display that ends,
// no message box appears, and the program comes back to its idle state
// and to the right figures once the firmware works again.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "RelyHarness.h"

using namespace rely;
using testsupport::WaitUntil;

namespace {

// The keys whose actions read the firmware: profile (active item, profile
// list and records, clock item), manual mode (mode item), auto mode
// (auto-mode switch, threshold items) and tuning (clock item).
const LONG kFirmwareKeys[] = {kKeyProfileA, kKeyManualMode, kKeyAutoMode, kKeyTuneUp};

class FailingFirmware : public StagedTest {
protected:
    bool Faults(const std::vector<std::string>& faults) { return SetFirmwareFaults(suite_->Files(), faults); }

    // Each firmware key shows a display that ends, with no message box.
    void EveryKeyShowsADisplay(const char* when) {
        for (LONG key : kFirmwareKeys) {
            ASSERT_TRUE(KeyShowsDisplay(program_, &log_, key)) << when << ", key " << key;
            ASSERT_TRUE(program_.MessageBoxes().empty())
                << when << ", key " << key << ": \"" << testsupport::WindowText(program_.MessageBoxes().front())
                << "\"";
        }
        const DisplaySequence sequence = log_.Sequence();
        EXPECT_TRUE(sequence.overlaps.empty()) << when << ": " << sequence.overlaps.front();
        EXPECT_EQ(sequence.started, sequence.ended) << when << "\n" << log_.Tail();
    }

    // A run that starts on damaged firmware and ends with the program quit
    // the ordinary way.
    void RunOn(const std::vector<std::string>& faults) {
        ASSERT_TRUE(Faults(faults));
        StartProgram();
        EveryKeyShowsADisplay(faults.front().c_str());
        EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyManualMode));
        EXPECT_TRUE(program_.Quit());
    }
};

} // namespace

TEST_F(FailingFirmware, EveryCallFailsFromStartUp) { RunOn({"fail-all"}); }

TEST_F(FailingFirmware, OnlyQueriesFailFromStartUp) { RunOn({"fail-query"}); }

TEST_F(FailingFirmware, DescriptionsWithTooFewElements) { RunOn({"short-package"}); }

TEST_F(FailingFirmware, CountsLargerThanThePackages) { RunOn({"count-overflow"}); }

TEST_F(FailingFirmware, TextsWithoutTerminators) { RunOn({"unterminated-text"}); }

// The profile list and the clock item damaged together, with the queries
// failing: the profile key falls back to the profile files.
TEST_F(FailingFirmware, ProfileListAndClockDamagedTogether) {
    RunOn({"count-overflow 0x05080002", "unterminated-text 0x05080002", "short-package 0x03010011", "fail-query"});
}

// The program has found its items on working firmware; then every call
// fails, then the firmware works again and the tuning display shows the
// real clock once more.
TEST_F(FailingFirmware, EveryCallFailsWhileRunningAndRecovers) {
    StartProgram();
    EveryKeyShowsADisplay("working firmware");
    ASSERT_TRUE(ResetFirmware(suite_->Files())); // the stand-ins changed it
    ASSERT_TRUE(KeyShowsDisplay(program_, &log_, kKeyTuneUp));
    const std::string clock = log_.LastArgument("OCTuning", "set2Digit");
    ASSERT_FALSE(clock.empty());

    ASSERT_TRUE(Faults({"fail-all"}));
    log_.Clear();
    EveryKeyShowsADisplay("failing firmware");
    ASSERT_TRUE(Faults({"fail-query", "short-package", "unterminated-text"}));
    log_.Clear();
    EveryKeyShowsADisplay("damaged firmware");

    ASSERT_TRUE(ResetFirmware(suite_->Files()));
    log_.Clear();
    ASSERT_TRUE(KeyShowsDisplay(program_, &log_, kKeyTuneUp));
    EXPECT_EQ(clock, log_.LastArgument("OCTuning", "set2Digit")) << "the clock shown once the firmware works again";
    EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyManualMode));
}

// A clock item with extra texts whose step names one of them: reading the
// clock shows the conversion's message box on the GUI thread in the middle
// of the tuning display, and a tuning key pressed meanwhile asks again.
// Keys, timers and the movie's call-backs go on inside the boxes' loops;
// each box stays up long enough for the display to run its course under
// it. Once they are dismissed the display has ended, the program is idle
// and the next key works.
TEST_F(FailingFirmware, ConversionWarningDuringTheTuningDisplay) {
    ASSERT_TRUE(ReplaceFirmwareLine(
        suite_->Files(), "number 0x03010011 8 name=\"CPU Clock\" base=300000 step=2500 count=81",
        "number 0x03010011 0 name=\"CPU Clock\" base=300000 step=2500 count=81 extra=\"Auto\" extra=\"Fixed\""));
    StartProgram();
    ASSERT_TRUE(program_.PostKey(kKeyTuneUp));
    std::map<HWND, DWORD> shownSince;
    std::vector<std::string> captions;
    bool keyPosted = false;
    DWORD lastDismissed = 0;
    DWORD quietSince = GetTickCount();
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 90000) {
        const std::vector<HWND> boxes = program_.MessageBoxes();
        const DWORD now = GetTickCount();
        if (boxes.empty()) {
            if (!captions.empty() && now - quietSince > 3000)
                break;
        } else {
            quietSince = now;
        }
        HWND newest = nullptr;
        for (HWND box : boxes) {
            // A box gets its caption while it is made, before it shows.
            if (!IsWindowVisible(box))
                continue;
            if (shownSince.emplace(box, now).second) {
                captions.push_back(testsupport::WindowText(box));
                if (!keyPosted)
                    keyPosted = program_.PostKey(kKeyTuneUp);
            }
            if (newest == nullptr || shownSince[box] > shownSince[newest])
                newest = box;
        }
        // Innermost first, each one 4.5 s after the one before: longer than
        // the idle time, so the display goes on under every box.
        if (newest != nullptr && now - std::max(shownSince[newest], lastDismissed) > 4500) {
            PostMessageA(newest, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            lastDismissed = now;
        }
        Sleep(50);
    }
    ASSERT_FALSE(captions.empty()) << "no conversion warning came up";
    EXPECT_EQ("IndexToValue Fail", captions.front());
    EXPECT_TRUE(program_.MessageBoxes().empty());
    EXPECT_TRUE(WaitIdle(program_, &log_, 15000)) << log_.Tail();
    ASSERT_TRUE(ResetFirmware(suite_->Files()));
    EXPECT_TRUE(AliveAndAnswering(program_, &log_, kKeyTuneUp));
}
