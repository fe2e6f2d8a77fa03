// Without flashobj.dll the OSD still runs every display script: the form
// answers each command that a movie would have answered with a call-back.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

#include "OsdHarness.h"
#include "osd/FlashOsdManipulator.h"
#include "osd/Flashosd.h"
#include "osd/TransFlash.h"

using osdtest::State;
using testsupport::PumpFor;
using testsupport::WaitUntil;

namespace {

int answered = 0;
void CountAnswer(void*, void*) { ++answered; }

class NoPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        State().Clear();
        answered = 0;
        FlashOsdForm->SetFinishedHandler(OsdNotify(&CountAnswer, nullptr));
    }
    void TearDown() override {
        FlashOsdLayout::Instance().Hide();
        FlashOsdLayout::Instance().SetIdleTimer(false);
        State().Clear();
    }
};

TEST_F(NoPlayerTest, PlayersExistWithoutWindows) {
    EXPECT_EQ(nullptr, GetModuleHandleA("flashobj.dll"));
    EXPECT_FALSE(FlashLibrary::Instance().Loaded());
    ASSERT_EQ(6u, TTransFlash::Players().size());
    for (int i = 0; i < 6; ++i) {
        ASSERT_NE(nullptr, FlashOsdForm->Item(i).player);
        EXPECT_FALSE(FlashOsdForm->Item(i).player->HasPlayer());
    }
    // Positions are still kept for a player that may never show.
    EXPECT_EQ(400, FlashOsdForm->Item(0).player->Width());
    EXPECT_EQ(550, FlashOsdForm->Item(4).player->Width());
}

TEST_F(NoPlayerTest, CaptionMoviesAnswerOnlyTheEnd) {
    for (MovieKind kind : {MovieKind::KelvoAuto, MovieKind::Warning}) {
        answered = 0;
        FlashOsdForm->SelectMovie(kind);
        FlashOsdForm->SendLabel(FormatTextCommand(kFlashChangeLabel, "x", kLabelCommandSize));
        FlashOsdForm->SendContent(FormatTextCommand(kFlashChangeContent, "y", kWarningCommandSize));
        FlashOsdForm->SendShow();
        PumpFor(300);
        EXPECT_EQ(0, answered) << static_cast<int>(kind);
        FlashOsdForm->SendEnd();
        EXPECT_EQ(0, answered) << "answered inside the command";
        ASSERT_TRUE(WaitUntil([] { return answered == 1; }, 10000)) << static_cast<int>(kind);
        PumpFor(300);
        EXPECT_EQ(1, answered);
    }
}

TEST_F(NoPlayerTest, LevelMovieAnswersOnlyEndWithNumber) {
    FlashOsdForm->SelectMovie(MovieKind::KelvoManual);
    FlashOsdForm->SendShowNumber(1);
    FlashOsdForm->SendPlayNumber(2);
    FlashOsdForm->SendEnd();
    PumpFor(300);
    EXPECT_EQ(0, answered);
    FlashOsdForm->SendEndNumber(2);
    ASSERT_TRUE(WaitUntil([] { return answered == 1; }, 10000));
}

TEST_F(NoPlayerTest, TuningMovieAnswersInAndOut) {
    FlashOsdForm->SelectMovie(MovieKind::OCTuning);
    FlashOsdForm->SendDigits(4200);
    PumpFor(300);
    EXPECT_FALSE(FlashOsdForm->Timer.Enabled());
    FlashOsdForm->SendIn();
    ASSERT_TRUE(WaitUntil([] { return FlashOsdForm->Timer.Enabled(); }, 10000));
    FlashOsdLayout::Instance().SetIdleTimer(false);
    EXPECT_EQ(0, answered);
    FlashOsdForm->SendOut();
    ASSERT_TRUE(WaitUntil([] { return answered == 1; }, 10000));
}

TEST_F(NoPlayerTest, ProfileMovieAnswersShowWithTheHold) {
    FlashOsdForm->SelectMovie(MovieKind::RaveloProfileOn);
    FlashOsdForm->SendShow();
    ASSERT_TRUE(WaitUntil([] { return OsdPhase == ProfileOnHold; }, 10000));
    // The hold then ends the movie, which the form answers too: the fade runs.
    ASSERT_TRUE(WaitUntil([] { return State().finished == 1; }, 30000));
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // As the program does: never take flashobj.dll from the current folder.
    SetDllDirectoryA("");
    if (!osdtest::StartOsd()) {
        std::fprintf(stderr, "the OSD form could not be created\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
