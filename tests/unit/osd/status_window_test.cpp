// The status window after the display's start-up: its picture, size,
// styles, layering, and its place after a display change; and that it is
// never shown and never takes the focus.
#include <gtest/gtest.h>

#include "PicturesHarness.h"
#include "osd/FlashOsdManipulator.h"
#include "app/Main.h"
#include "osd/Status.h"
#include "gui/Screen.h"

namespace {

RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

DWORD ExStyle(HWND window) { return static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)); }

class StatusWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, StatusForm);
        ASSERT_NE(nullptr, StatusForm->Handle());
        const pictures::StartupFacts& facts = pictures::StartDisplay();
        ASSERT_TRUE(facts.error.empty()) << facts.error;
    }
};

TEST_F(StatusWindowTest, ClientSizeIsThePicturesSize) {
    const gui::Bitmap& picture = StatusForm->Background.Picture();
    EXPECT_EQ(gui::PixelFormat::pf32bit, picture.Format());
    EXPECT_EQ(120, picture.Width());
    EXPECT_EQ(40, picture.Height());
    EXPECT_EQ(120, StatusForm->ClientWidth());
    EXPECT_EQ(40, StatusForm->ClientHeight());
    // The picture's see-through parts hold no colour.
    int transparent = 0;
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < picture.Width(); ++x) {
            const std::uint8_t* p = row + x * 4;
            if (p[3] == 0) {
                ++transparent;
                EXPECT_EQ(0, p[0] | p[1] | p[2]) << x << "," << y;
            }
        }
    }
    EXPECT_GT(transparent, 0) << "the indicator is expected to have see-through parts";
}

TEST_F(StatusWindowTest, ExtendedStyleAndLayering) {
    const DWORD style = ExStyle(StatusForm->Handle());
    EXPECT_EQ(0x08000000u, style & 0x08000000u); // never activated
    EXPECT_EQ(0x80u, style & 0x80u);             // tool window: no taskbar button
    EXPECT_EQ(0x8u, style & 0x8u);               // topmost
    EXPECT_EQ(0u, style & 0x40000u);             // not an application window
    EXPECT_EQ(static_cast<DWORD>(WS_EX_LAYERED), style & WS_EX_LAYERED);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_TRANSPARENT), style & WS_EX_TRANSPARENT); // click-through
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP), static_cast<DWORD>(GetWindowLongA(StatusForm->Handle(), GWL_STYLE)) &
                                                static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_THICKFRAME));
}

TEST_F(StatusWindowTest, StartUpDoesNotPlaceOrShowIt) {
    const pictures::StartupFacts& facts = pictures::StartDisplay();
    // The stored place; only a display change moves it.
    EXPECT_EQ(255, facts.statusRect.left);
    EXPECT_EQ(138, facts.statusRect.top);
    EXPECT_EQ(120, facts.statusRect.right - facts.statusRect.left);
    EXPECT_EQ(40, facts.statusRect.bottom - facts.statusRect.top);
    EXPECT_FALSE(facts.statusVisible);
    EXPECT_NE(StatusForm->Handle(), GetForegroundWindow());
    EXPECT_NE(StatusForm->Handle(), GetActiveWindow());
}

TEST_F(StatusWindowTest, DisplayChangePutsItTenPixelsInFromTheTopRightCorner) {
    FlashOsdManipulator::Instance().PlaceStatusWindow();
    const RECT r = WindowRect(StatusForm->Handle());
    const int screenWidth = gui::Screen::Width();
    EXPECT_EQ(screenWidth - 120 - 10, r.left);
    if (screenWidth == 1920) {
        EXPECT_EQ(1790, r.left);
    }
    EXPECT_EQ(10, r.top);
    EXPECT_EQ(120, r.right - r.left);
    EXPECT_EQ(40, r.bottom - r.top);
    EXPECT_FALSE(IsWindowVisible(StatusForm->Handle()));
    EXPECT_NE(StatusForm->Handle(), GetForegroundWindow());

    // Again from somewhere else: the same corner.
    SetWindowPos(StatusForm->Handle(), nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    StatusForm->PlaceStatusWindow();
    EXPECT_EQ(screenWidth - 130, WindowRect(StatusForm->Handle()).left);
    EXPECT_EQ(10, WindowRect(StatusForm->Handle()).top);
}

TEST_F(StatusWindowTest, PreparingAgainKeepsItHiddenAndInactive) {
    // The foreground belongs to a window of this process that is really shown.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, other);
    SetForegroundWindow(other);
    StatusForm->PrepareStatusWindow();
    FlashOsdManipulator::Instance().PlaceStatusWindow();
    EXPECT_FALSE(IsWindowVisible(StatusForm->Handle()));
    EXPECT_NE(StatusForm->Handle(), GetForegroundWindow());
    EXPECT_NE(StatusForm->Handle(), GetActiveWindow());
    EXPECT_EQ(120, StatusForm->ClientWidth());
    EXPECT_EQ(40, StatusForm->ClientHeight());
    DestroyWindow(other);
}

TEST(StatusWindowPlaceTest, LeftEdgeForAScreenWidth) {
    EXPECT_EQ(1790, StatusWindowLeft(1920, 120));
    EXPECT_EQ(894, StatusWindowLeft(1024, 120));
    // A picture wider than the screen starts left of its edge.
    EXPECT_EQ(-110, StatusWindowLeft(100, 200));
}

} // namespace
