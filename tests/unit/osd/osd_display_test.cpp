// The OSD with the stand-in movie player (flashobj.dll beside this program,
// short test movies in its Resource folder): the players' windows, their
// places and visibility, and every command understood by the movies.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "OsdHarness.h"
#include "PlayerStats.h"
#include "osd/FlashOsdManipulator.h"
#include "osd/Flashosd.h"
#include "osd/TransFlash.h"
#include "gui/Screen.h"

using osdtest::State;
using testsupport::PumpFor;
using testsupport::WaitUntil;

namespace {

using PlayerStats = FlashPlayerStats;

PlayerStats StatsOf(MovieKind kind) {
    PlayerStats stats{};
    const TTransFlash* player = FlashOsdForm->Item(static_cast<int>(kind)).player;
    if (player == nullptr || !testsupport::PlayerStatsOf(player->PlayerWindow(), stats))
        ADD_FAILURE() << "no statistics for movie " << static_cast<int>(kind);
    return stats;
}

HWND PlayerWindowOf(MovieKind kind) { return FlashOsdForm->Item(static_cast<int>(kind)).player->PlayerWindow(); }

class StandInPlayerTest : public ::testing::Test {
protected:
    void SetUp() override { State().Clear(); }
    void TearDown() override {
        FlashOsdLayout::Instance().SetIdleTimer(false);
        State().Clear();
    }
};

TEST_F(StandInPlayerTest, LibraryComesFromBesideTheProgram) {
    const HMODULE library = GetModuleHandleA("flashobj.dll");
    ASSERT_NE(nullptr, library);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(library, path, MAX_PATH);
    EXPECT_EQ(0, lstrcmpiA((osdtest::ExeFolder() + "flashobj.dll").c_str(), path)) << path;
    EXPECT_TRUE(FlashLibrary::Instance().Loaded());
}

TEST_F(StandInPlayerTest, SixHiddenPlayersOwnedByTheFormAndCentred) {
    ASSERT_EQ(6u, TTransFlash::Players().size());
    for (int i = 0; i < kMovieKindCount; ++i) {
        const MovieKind kind = static_cast<MovieKind>(i);
        const HWND window = PlayerWindowOf(kind);
        ASSERT_NE(nullptr, window) << i;
        EXPECT_EQ(FlashOsdForm->Handle(), GetWindow(window, GW_OWNER));
        EXPECT_FALSE(IsWindowVisible(window));
        const MovieInfo& movie = MovieOf(kind);
        const RECT rect = osdtest::WindowRectOf(window);
        const MoviePlacement place =
            PlaceMovieOnScreen(gui::Screen::Width(), gui::Screen::Height(), movie.width, movie.height);
        EXPECT_EQ(place.x, rect.left) << movie.name;
        EXPECT_EQ(place.y, rect.top) << movie.name;
        EXPECT_EQ(movie.width, rect.right - rect.left) << movie.name;
        EXPECT_EQ(movie.height, rect.bottom - rect.top) << movie.name;
        EXPECT_EQ(1u, StatsOf(kind).movieLoaded) << movie.name;
    }
}

TEST_F(StandInPlayerTest, OnlyTheCurrentPlayerShowsAndNothingTakesTheFocus) {
    const HWND foreground = GetForegroundWindow();
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowKelvoAuto("Auto");
    EXPECT_TRUE(IsWindowVisible(PlayerWindowOf(MovieKind::KelvoAuto)));
    for (int i = 0; i < kMovieKindCount; ++i) {
        if (i != static_cast<int>(MovieKind::KelvoAuto)) {
            EXPECT_FALSE(IsWindowVisible(PlayerWindowOf(static_cast<MovieKind>(i)))) << i;
        }
    }
    const HWND active = GetActiveWindow();
    EXPECT_NE(FlashOsdForm->Handle(), active);
    EXPECT_NE(PlayerWindowOf(MovieKind::KelvoAuto), active);
    EXPECT_EQ(foreground, GetForegroundWindow());
    ASSERT_TRUE(WaitUntil([] { return State().finished == 1; }, 60000));
    EXPECT_FALSE(IsWindowVisible(PlayerWindowOf(MovieKind::KelvoAuto)));
}

TEST_F(StandInPlayerTest, MoviesUnderstandEveryCommandAndCallBackAtTheirPoints) {
    PlayerStats before[kMovieKindCount];
    for (int i = 0; i < kMovieKindCount; ++i)
        before[i] = StatsOf(static_cast<MovieKind>(i));

    // A caption with every awkward character, cut at its buffer.
    FlashOsdManipulator::Instance().PrepareShow();
    const std::string message = "Line </string> & <b>&amp; " + std::string(300, 'm');
    FlashClass0Manipulator::Instance().ShowWarning("Warning <&> \"x\" 'y'", message.c_str(), 0);
    ASSERT_TRUE(WaitUntil([] { return State().finished == 1; }, 60000));

    State().Clear();
    State().onTimer = [] { FlashClass1Manipulator::Instance().Finish(); };
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass1Manipulator::Instance().ShowLevel(-1);
    FlashClass1Manipulator::Instance().ChangeLevel(3);
    ASSERT_TRUE(WaitUntil([] { return State().finished == 1; }, 60000));

    State().Clear();
    State().onTimer = [] { FlashClass2Manipulator::Instance().Finish(); };
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass2Manipulator::Instance().ShowValue(-5);
    ASSERT_TRUE(WaitUntil([] { return FlashOsdForm->Timer.Enabled(); }, 60000));
    FlashClass2Manipulator::Instance().ChangeValue(4233);
    ASSERT_TRUE(WaitUntil([] { return State().finished == 1; }, 60000));

    const PlayerStats warning = StatsOf(MovieKind::Warning);
    EXPECT_EQ(before[5].requestsIgnored, warning.requestsIgnored);
    EXPECT_EQ(before[5].callbacksMade + 1, warning.callbacksMade); // after "end" only
    const PlayerStats level = StatsOf(MovieKind::KelvoManual);
    EXPECT_EQ(before[3].requestsIgnored, level.requestsIgnored);
    EXPECT_EQ(before[3].callbacksMade + 1, level.callbacksMade); // after "End N" only
    const PlayerStats tuning = StatsOf(MovieKind::OCTuning);
    EXPECT_EQ(before[4].requestsIgnored, tuning.requestsIgnored);
    EXPECT_EQ(before[4].callbacksMade + 2, tuning.callbacksMade); // after "in" and "out"
    EXPECT_GT(tuning.framesPresented, before[4].framesPresented);
}

TEST_F(StandInPlayerTest, ProfileMovieCallsBackAfterIntroAndAfterEnd) {
    const PlayerStats before = StatsOf(MovieKind::RaveloProfileOff);
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowProfileOff("Profile C Off 3600MHz");
    ASSERT_TRUE(WaitUntil([] { return OsdPhase == ProfileOffHold; }, 60000));
    EXPECT_EQ(before.callbacksMade + 1, StatsOf(MovieKind::RaveloProfileOff).callbacksMade);
    ASSERT_TRUE(WaitUntil([] { return State().finished == 1; }, 60000));
    const PlayerStats after = StatsOf(MovieKind::RaveloProfileOff);
    EXPECT_EQ(before.callbacksMade + 2, after.callbacksMade);
    EXPECT_EQ(before.requestsIgnored, after.requestsIgnored);
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    SetDllDirectoryA("");
    if (!osdtest::StartOsd()) {
        std::fprintf(stderr, "the OSD form could not be created\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
