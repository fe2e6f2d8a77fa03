// Pictures of the six displays as a user sees them: the program's OSD with
// the stand-in player and the shipped movies, captured from the screen into
// <build>/screenshots/osd-*.bmp, so a person can look at them. Each picture
// must show a drawn movie on the darkened screen.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "OsdHarness.h"
#include "ScreenShot.h"
#include "TestSupport.h"
#include "app/FlashOsdManipulator.h"
#include "app/Flashosd.h"
#include "app/Main.h"

using osdtest::PumpFor;
using osdtest::PumpUntil;
using osdtest::State;

namespace {

class DisplayPictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        State().Clear();
        folder_ = testsupport::BuildFolder();
        ASSERT_FALSE(folder_.empty()) << "RAVELO_BUILD is not set";
        folder_ += "screenshots\\";
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    void TearDown() override {
        FlashOsdLayout::Instance().SetIdleTimer(false);
        State().Clear();
    }

    // Captures the screen with the display up, saves it, checks it and lets
    // the display run to its end.
    void Capture(MovieKind kind, const char* fileName) {
        ASSERT_TRUE(FlashOsdForm->Visible());
        const HWND player = FlashOsdForm->Item(static_cast<int>(kind)).player->PlayerWindow();
        ASSERT_NE(nullptr, player);
        ASSERT_TRUE(IsWindowVisible(player));
        const osdtest::ScreenShot shot = osdtest::ScreenShot::FullScreen();
        ASSERT_FALSE(shot.Empty());
        const std::string path = folder_ + fileName;
        EXPECT_TRUE(shot.SaveBmp(path)) << path;
        std::printf("saved %s\n", path.c_str());

        RECT movie{};
        GetWindowRect(player, &movie);
        // The movie is drawn: a card with text has many shades.
        EXPECT_GT(shot.DistinctColours(movie), 100u) << fileName;
        // Around it the screen is darkened by the OSD.
        const RECT corner{0, 0, 200, 150};
        EXPECT_LT(shot.MeanBrightness(corner), 40.0) << fileName;
        EXPECT_GT(shot.MeanBrightness(movie), shot.MeanBrightness(corner)) << fileName;

        ASSERT_TRUE(PumpUntil([] { return State().finished == 1; }, 60000));
    }

    std::string folder_;
};

TEST_F(DisplayPictureTest, ProfileOn) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowProfileOn("Profile A On 4200MHz");
    ASSERT_TRUE(PumpUntil([] { return OsdPhase == ProfileOnHold; }, 30000));
    PumpFor(300);
    Capture(MovieKind::RaveloProfileOn, "osd-1-profile-on.bmp");
}

TEST_F(DisplayPictureTest, ProfileOff) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowProfileOff("Profile B Off 3600MHz");
    ASSERT_TRUE(PumpUntil([] { return OsdPhase == ProfileOffHold; }, 30000));
    PumpFor(300);
    Capture(MovieKind::RaveloProfileOff, "osd-2-profile-off.bmp");
}

TEST_F(DisplayPictureTest, KelvoAuto) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowKelvoAuto("Auto");
    PumpFor(1200);
    Capture(MovieKind::KelvoAuto, "osd-3-kelvo-auto.bmp");
}

TEST_F(DisplayPictureTest, KelvoManualLevel) {
    State().onTimer = [] { FlashClass1Manipulator::Instance().Finish(); };
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass1Manipulator::Instance().ShowLevel(1);
    PumpFor(800);
    FlashClass1Manipulator::Instance().ChangeLevel(2);
    PumpFor(1000);
    Capture(MovieKind::KelvoManual, "osd-4-kelvo-manual.bmp");
}

TEST_F(DisplayPictureTest, Tuning) {
    State().onTimer = [] { FlashClass2Manipulator::Instance().Finish(); };
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass2Manipulator::Instance().ShowValue(4200);
    ASSERT_TRUE(PumpUntil([] { return FlashOsdForm->Timer.Enabled(); }, 30000));
    FlashClass2Manipulator::Instance().ChangeValue(4233);
    PumpFor(800);
    Capture(MovieKind::OCTuning, "osd-5-tuning.bmp");
}

TEST_F(DisplayPictureTest, Warning) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowWarning("Warning", "Ravelo Apex is not running. Start it and try again.",
                                                   3000);
    PumpFor(1200);
    Capture(MovieKind::Warning, "osd-6-warning.bmp");
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
