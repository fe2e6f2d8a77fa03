// The smoke background of the on-screen display after the display's
// start-up: loaded into the layout's bitmap, assigned to the form's
// stretched image at 32 bits, and shown under the display's alpha.
#include <gtest/gtest.h>

#include <cstring>

#include "PicturesHarness.h"
#include "osd/FlashOsdManipulator.h"
#include "osd/Flashosd.h"
#include "app/Main.h"
#include "gui/Screen.h"

namespace {

class OsdBackgroundTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, FlashOsdForm);
        const pictures::StartupFacts& facts = pictures::StartDisplay();
        ASSERT_TRUE(facts.error.empty()) << facts.error;
    }
};

TEST_F(OsdBackgroundTest, SmokeIsLoadedAndCopiedIntoTheFormsImage) {
    const gui::Bitmap& smoke = FlashOsdLayout::Instance().Background();
    ASSERT_EQ(gui::PixelFormat::pf32bit, smoke.Format());
    ASSERT_EQ(960, smoke.Width());
    ASSERT_EQ(540, smoke.Height());

    const gui::Bitmap& shown = FlashOsdForm->Background.Picture();
    ASSERT_EQ(gui::PixelFormat::pf32bit, shown.Format());
    ASSERT_EQ(960, shown.Width());
    ASSERT_EQ(540, shown.Height());
    // The same pixels, held once: the form's picture shares them until
    // either bitmap changes.
    EXPECT_EQ(smoke.ScanLine(0), shown.ScanLine(0));
    bool same = true;
    for (int y = 0; y < smoke.Height() && same; ++y)
        same = std::memcmp(smoke.ScanLine(y), shown.ScanLine(y), static_cast<size_t>(smoke.Width()) * 4) == 0;
    EXPECT_TRUE(same);
    // Smoke, not an empty black picture.
    int lit = 0;
    for (int y = 0; y < smoke.Height(); y += 9)
        for (int x = 0; x < smoke.Width(); x += 9)
            lit += smoke.ScanLine(y)[x * 4 + 1] != 0 ? 1 : 0;
    EXPECT_GT(lit, 100);
}

TEST_F(OsdBackgroundTest, ImageIsStretchedOverTheScreen) {
    EXPECT_TRUE(FlashOsdForm->Background.Stretch());
    const RECT bounds = FlashOsdForm->Background.Bounds();
    EXPECT_EQ(0, bounds.left);
    EXPECT_EQ(0, bounds.top);
    EXPECT_EQ(gui::Screen::Width(), bounds.right);
    EXPECT_EQ(gui::Screen::Height(), bounds.bottom);
}

TEST_F(OsdBackgroundTest, ShownUnderTheDisplayAlpha) {
    FlashOsdManipulator::Instance().PrepareShow();
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(FlashOsdForm->Handle(), nullptr, &alpha, &flags));
    EXPECT_EQ(229, alpha);
    EXPECT_NE(0u, flags & LWA_ALPHA);
    // The picture stays the one loaded at start-up.
    EXPECT_EQ(960, FlashOsdForm->Background.Picture().Width());
    EXPECT_FALSE(FlashOsdForm->Visible());
}

} // namespace
