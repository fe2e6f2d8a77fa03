// Pictures of the six displays as a user sees them: the program's OSD with
// the stand-in player and the shipped movies, captured from the screen into
// <build>/screenshots/osd-*.bmp, so a person can look at them. Each picture
// must show a drawn movie on the darkened screen, blended as the Windows
// desktop compositor blends it: a light "desktop" window lies behind the OSD,
// the smoke lets a little of it through, the card's soft edge melts into the
// smoke, and a fade step lets more of the desktop through. On an X server
// without a compositing manager none of that holds (the card sits in an
// opaque black frame and the fade shows nothing), which these cases catch.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "OsdHarness.h"
#include "ScreenShot.h"
#include "TestSupport.h"
#include "osd/FlashOsdManipulator.h"
#include "osd/Flashosd.h"
#include "win32/Handles.h"

using osdtest::State;
using testsupport::WaitUntil;

namespace {

// The desktop behind the OSD: a plain light window at the bottom of the
// window order, covering the screen.
constexpr COLORREF kDesktopColour = RGB(200, 200, 200);
constexpr double kDesktopBrightness = 200.0;

class Desktop {
public:
    Desktop() : brush_(CreateSolidBrush(kDesktopColour)) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = brush_.Get();
        wc.lpszClassName = "OsdTestDesktop";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, "OsdTestDesktop", "", WS_POPUP, 0, 0,
                                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                                  wc.hInstance, nullptr);
        if (window_ != nullptr) {
            SetWindowPos(window_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
            UpdateWindow(window_);
        }
    }
    ~Desktop() {
        if (window_ != nullptr)
            DestroyWindow(window_);
    }
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    bool Shown() const { return window_ != nullptr && IsWindowVisible(window_); }

private:
    win32::GdiObject<HBRUSH> brush_;
    HWND window_ = nullptr;
};

// The longest run of pure-black pixels along any row of a rectangle. A
// composited card fades into the smoke; an unblended one sits in a frame of
// black where its shadow and its transparent margin are.
int LongestBlackRun(const osdtest::ScreenShot& shot, const RECT& area) {
    int longest = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        int run = 0;
        for (int x = area.left; x < area.right; ++x) {
            run = shot.At(x, y) == 0 ? run + 1 : 0;
            longest = run > longest ? run : longest;
        }
    }
    return longest;
}

// One for the whole run: its class keeps the brush.
Desktop& TheDesktop() {
    static Desktop desktop;
    return desktop;
}

// The smoke in the screen's top-left corner: the same part of the picture
// stretched to the screen on every screen (200 x 150 pixels of 1920 x 1080),
// and above the movie.
RECT SmokeCorner(const RECT& movie) {
    const LONG bottom = GetSystemMetrics(SM_CYSCREEN) * 150 / 1080;
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN) * 200 / 1920, bottom < movie.top ? bottom : movie.top};
}

// The part of a window on the screen: a movie larger than the screen runs
// off its edges.
RECT OnScreen(const RECT& window) {
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT part{};
    IntersectRect(&part, &window, &screen);
    return part;
}

class DisplayPictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        State().Clear();
        folder_ = testsupport::BuildFolder();
        ASSERT_FALSE(folder_.empty()) << "RAVELO_BUILD is not set";
        folder_ += "screenshots\\";
        CreateDirectoryA(folder_.c_str(), nullptr);
        ASSERT_TRUE(TheDesktop().Shown());
    }
    void TearDown() override {
        FlashOsdLayout::Instance().SetIdleTimer(false);
        State().Clear();
    }

    // Captures the screen once the display has come to rest on it, saves
    // the picture, checks it and lets the display run to its end.
    void Capture(MovieKind kind, const char* fileName) {
        ASSERT_TRUE(FlashOsdForm->Visible());
        osdtest::ScreenShot shot;
        ASSERT_TRUE(Settled(kind, shot)) << "the display did not come to rest on the screen";
        const std::string path = folder_ + fileName;
        EXPECT_TRUE(shot.SaveBmp(path)) << path;
        std::printf("saved %s\n", path.c_str());

        const RECT window = MovieRect(kind);
        const RECT movie = OnScreen(window);
        const RECT smoke = SmokeCorner(window);
        ASSERT_GE(smoke.bottom, 20) << fileName << ": no smoke above the movie";
        // The movie is drawn: a card with text has many shades.
        EXPECT_GT(shot.DistinctColours(movie), 100u) << fileName;
        // Around it the desktop is darkened by the smoke (229 of 255), yet
        // shows through it a little: no smoke pixel is pure black.
        const double corner = shot.MeanBrightness(smoke);
        EXPECT_LT(corner, kDesktopBrightness / 2) << fileName;
        EXPECT_GT(corner, kDesktopBrightness * 0.08) << fileName << ": the desktop does not show through the smoke";
        EXPECT_EQ(0, LongestBlackRun(shot, smoke)) << fileName;
        // The movie's area is about as light as the smoke: the dark card
        // covers more of it on a small screen, an opaque black frame would
        // take it far below.
        EXPECT_GT(shot.MeanBrightness(movie), corner * 3 / 4) << fileName;
        // The card's shadow and the movie's transparent margin blend into
        // the smoke: no black frame around the card.
        EXPECT_LT(LongestBlackRun(shot, movie), 4) << fileName << ": a black frame around the card";

        ASSERT_TRUE(WaitUntil([] { return State().finished == 1; }, 60000));
    }

    static RECT MovieRect(MovieKind kind) {
        RECT movie{};
        GetWindowRect(FlashOsdForm->Item(static_cast<int>(kind)).player->PlayerWindow(), &movie);
        return movie;
    }

    // Waits until the movie's part of the screen stops changing, with the
    // display up (the smoke darkens the desktop around the movie).
    static bool Settled(MovieKind kind, osdtest::ScreenShot& shot) {
        const RECT corner = SmokeCorner(MovieRect(kind));
        return osdtest::ScreenShot::Settled(
            OnScreen(MovieRect(kind)),
            [corner](const osdtest::ScreenShot& s) { return s.MeanBrightness(corner) < kDesktopBrightness; }, shot);
    }

    std::string folder_;
};

TEST_F(DisplayPictureTest, ProfileOn) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowProfileOn("Profile A On 4200MHz");
    ASSERT_TRUE(WaitUntil([] { return OsdPhase == ProfileOnHold; }, 30000));
    Capture(MovieKind::RaveloProfileOn, "osd-1-profile-on.bmp");
}

TEST_F(DisplayPictureTest, ProfileOff) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowProfileOff("Profile B Off 3600MHz");
    ASSERT_TRUE(WaitUntil([] { return OsdPhase == ProfileOffHold; }, 30000));
    Capture(MovieKind::RaveloProfileOff, "osd-2-profile-off.bmp");
}

TEST_F(DisplayPictureTest, KelvoAuto) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowKelvoAuto("Auto");
    Capture(MovieKind::KelvoAuto, "osd-3-kelvo-auto.bmp");
}

TEST_F(DisplayPictureTest, KelvoManualLevel) {
    State().onTimer = [] { FlashClass1Manipulator::Instance().Finish(); };
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass1Manipulator::Instance().ShowLevel(1);
    osdtest::ScreenShot shown;
    ASSERT_TRUE(Settled(MovieKind::KelvoManual, shown)); // the intro has played
    FlashClass1Manipulator::Instance().ChangeLevel(2);
    Capture(MovieKind::KelvoManual, "osd-4-kelvo-manual.bmp");
}

TEST_F(DisplayPictureTest, Tuning) {
    State().onTimer = [] { FlashClass2Manipulator::Instance().Finish(); };
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass2Manipulator::Instance().ShowValue(4200);
    ASSERT_TRUE(WaitUntil([] { return FlashOsdForm->Timer.Enabled(); }, 30000));
    FlashClass2Manipulator::Instance().ChangeValue(4233);
    Capture(MovieKind::OCTuning, "osd-5-tuning.bmp");
}

TEST_F(DisplayPictureTest, Warning) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowWarning("Warning", "Ravelo Apex is not running. Start it and try again.",
                                                   3000);
    Capture(MovieKind::Warning, "osd-6-warning.bmp");
}

// Half-way through the fade the OSD is visibly between the smoke as it was
// and the desktop behind it.
TEST_F(DisplayPictureTest, FadeLetsTheDesktopThrough) {
    FlashOsdManipulator::Instance().PrepareShow();
    FlashClass0Manipulator::Instance().ShowWarning("Warning", "Ravelo Apex is not running. Start it and try again.",
                                                   3000);
    osdtest::ScreenShot held;
    ASSERT_TRUE(Settled(MovieKind::Warning, held));
    ASSERT_TRUE(FlashOsdForm->Visible());
    const RECT corner = SmokeCorner(MovieRect(MovieKind::Warning));
    const double smoke = held.MeanBrightness(corner);
    FlashOsdLayout::Instance().SetAlpha(FadeStepAlpha(kFadeSteps / 2));
    // The new alpha on screen: the corner changes, then holds. A screen that
    // does not show the fade fails below.
    osdtest::ScreenShot midFade;
    osdtest::ScreenShot::Settled(
        corner, [&](const osdtest::ScreenShot& s) { return s.MeanBrightness(corner) != smoke; }, midFade, 5000);
    FlashOsdLayout::Instance().SetAlpha(FadeStepAlpha(0));
    ASSERT_FALSE(midFade.Empty());
    EXPECT_TRUE(midFade.SaveBmp(folder_ + "osd-7-mid-fade.bmp"));

    const double between = midFade.MeanBrightness(corner);
    std::printf("corner brightness: held %.1f, mid-fade %.1f, desktop %.1f\n", smoke, between, kDesktopBrightness);
    // At alpha 114 of 229 the desktop's share of the blend grows from a tenth
    // to about a half: well clear of both ends.
    const double span = kDesktopBrightness - smoke;
    EXPECT_GT(between, smoke + span / 4) << "the fade does not show on screen";
    EXPECT_LT(between, kDesktopBrightness - span / 4) << "the OSD is no longer visible half-way through the fade";
    ASSERT_TRUE(WaitUntil([] { return State().finished == 1; }, 60000));
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    SetDllDirectoryA("");
    // The desktop exists, and is on the screen, before the OSD's windows, as
    // on a real system.
    TheDesktop();
    const RECT corner{0, 0, 1, 1};
    WaitUntil([&] { return osdtest::ScreenShot(0, 0, 1, 1).MeanBrightness(corner) == kDesktopBrightness; }, 10000);
    if (!osdtest::StartOsd()) {
        std::fprintf(stderr, "the OSD form could not be created\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
