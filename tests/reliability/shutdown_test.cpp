// The service's quit message at any point of any display: while the movie
// plays its intro, while it holds, while it plays its outro and while the
// window fades. Each time the program clears the active profile, leaves
// the service and is gone soon after, with no message box on the way.
#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "RelyHarness.h"

using namespace rely;
using testsupport::WaitUntil;

namespace {

// Far above the second a clean end takes; a program that hangs on its way
// out never gets there.
constexpr DWORD kEndBoundMs = 10000;

// Where in a display the quit comes: after the log shows this event of the
// movie ("request <command>" or "callback <intro|outro>").
struct QuitPoint {
    const char* name;
    const char* kind; // "request" or "callback"
    const char* what;
};

struct DisplayKind {
    const char* name;
    LONG key;
    const char* movie;
    std::vector<QuitPoint> points;
    // A line the overclocking program's stand-in logs for the key's message
    // (empty: none), awaited so its answer cannot come after the quit.
    const char* apexLine;
};

const std::vector<DisplayKind>& Kinds() {
    static const std::vector<DisplayKind> kinds = {
        {"profile on",
         kKeyProfileA,
         "RaveloProfileOn",
         {{"intro", "request", "show"},
          {"hold", "callback", "intro"},
          {"outro", "request", "end"},
          {"mid-fade", "callback", "outro"}},
         "msg=1061"},
        {"level",
         kKeyManualMode,
         "KelvoManual",
         {{"intro", "request", "show"}, {"outro", "request", "end"}, {"mid-fade", "callback", "outro"}},
         ""},
        {"tuning",
         kKeyTuneUp,
         "OCTuning",
         {{"intro", "request", "in"},
          {"hold", "callback", "intro"},
          {"outro", "request", "out"},
          {"mid-fade", "callback", "outro"}},
         ""},
        // Calibration needed on the shipped firmware: the auto key warns.
        {"warning",
         kKeyAutoMode,
         "Warning",
         {{"hold", "request", "show"}, {"outro", "request", "end"}, {"mid-fade", "callback", "outro"}},
         ""},
    };
    return kinds;
}

class QuitDuringDisplay : public StagedTest {
protected:
    bool Seen(const std::string& movie, const QuitPoint& point) const {
        for (const PlayerEvent& event : log_.Events())
            if (event.movie == movie && event.kind == point.kind && event.command == point.what)
                return true;
        return false;
    }
};

} // namespace

TEST_F(QuitDuringDisplay, EndsCleanlyFromEveryPointOfEveryDisplay) {
    for (const DisplayKind& kind : Kinds()) {
        for (const QuitPoint& point : kind.points) {
            SCOPED_TRACE(std::string(kind.name) + ", " + point.name);
            log_.Clear();
            StartProgram();
            unsigned before = 0;
            ASSERT_TRUE(ServiceControl::QueryUnregistrations(before));
            const size_t apexBefore = suite_->ApexLines("msg=1061");
            ASSERT_TRUE(program_.PostKey(kind.key));
            ASSERT_TRUE(WaitUntil([&] { return Seen(kind.movie, point); }, kLongWait, 2)) << log_.Tail();
            if (*kind.apexLine != '\0') {
                ASSERT_TRUE(WaitUntil([&] { return suite_->ApexLines(kind.apexLine) > apexBefore; }, kLongWait, 2));
            }
            // A profile marked active stays so until the quit clears it.
            ASSERT_TRUE(WriteFirmwareItem(kActiveProfileItem, 2));
            ASSERT_TRUE(program_.Post(kServiceQuit, kSuiteMark, 0));
            const DWORD posted = GetTickCount();
            bool boxSeen = false;
            const bool ended = WaitUntil(
                [&] {
                    boxSeen = boxSeen || !program_.MessageBoxes().empty();
                    return !program_.Running();
                },
                kEndBoundMs, 5);
            std::cout << kind.name << ", " << point.name << ": gone " << (GetTickCount() - posted)
                      << " ms after the quit" << std::endl;
            EXPECT_TRUE(ended) << "still running " << kEndBoundMs << " ms after the quit";
            EXPECT_FALSE(boxSeen) << "a message box came up on the way out";
            if (!ended) {
                program_.Kill();
                continue;
            }
            EXPECT_EQ(0u, program_.Process().ExitCode());
            LONG active = -1;
            EXPECT_TRUE(ReadFirmwareItem(kActiveProfileItem, active));
            EXPECT_EQ(0, active);
            unsigned after = 0;
            ASSERT_TRUE(ServiceControl::QueryUnregistrations(after));
            EXPECT_EQ(before + 1, after);
        }
    }
}
