// Renders each of the six movies, as the program drives it, over a dark
// smoke background and saves the pictures to <build>/screenshots so a person
// can look at them. Also checks that what was drawn is a real picture: a
// card that covers the movie's centre, drawn text, and transparency around.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "PlayerHarness.h"
#include "ScreenShot.h"

using namespace harness;
using testsupport::PumpFor;
using testsupport::WaitUntil;

namespace {

// A dark, bluish smoke like the OSD's background picture.
std::vector<uint32_t> Smoke(int w, int h) {
    auto hash = [](int x, int y) {
        uint32_t n = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
        n = (n ^ (n >> 13)) * 1274126177u;
        return ((n ^ (n >> 16)) & 0xFFFF) / 65535.0f;
    };
    auto noise = [&](float x, float y) {
        const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
        const float fx = x - ix, fy = y - iy;
        const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
        const float a = hash(ix, iy), b = hash(ix + 1, iy), c = hash(ix, iy + 1), d = hash(ix + 1, iy + 1);
        return (a * (1 - sx) + b * sx) * (1 - sy) + (c * (1 - sx) + d * sx) * sy;
    };
    std::vector<uint32_t> out(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float v = 0, amp = 0.5f, f = 1.0f / 160;
            for (int o = 0; o < 5; ++o) {
                v += amp * noise(x * f + o * 7.3f, y * f * 1.6f + o * 3.1f);
                amp *= 0.5f;
                f *= 2;
            }
            const float k = 0.35f + 0.65f * v;
            const int r = static_cast<int>(10 + 30 * k), g = static_cast<int>(12 + 34 * k),
                      b = static_cast<int>(16 + 44 * k);
            out[static_cast<size_t>(y) * w + x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
    }
    return out;
}

// Premultiplied source over an opaque background.
void Over(std::vector<uint32_t>& background, const std::vector<DWORD>& frame) {
    for (size_t i = 0; i < background.size() && i < frame.size(); ++i) {
        const uint32_t s = frame[i], d = background[i];
        const uint32_t keep = 255 - (s >> 24);
        auto channel = [&](int shift) {
            const uint32_t v = ((s >> shift) & 0xFF) + (((d >> shift) & 0xFF) * keep + 127) / 255;
            return (v > 255 ? 255 : v) << shift;
        };
        background[i] = 0xFF000000u | channel(16) | channel(8) | channel(0);
    }
}

struct Picture {
    const char* file;
    int width, height;
    std::vector<std::wstring> requests;
    bool introCallback; // the movie calls back when its intro has played
};

// A text box of a movie (movie pixels; the pictures are drawn at the
// movie's own size) and the rows in it that hold pixels of its light text.
struct TextRows {
    int first = -1;
    int last = -1;
    size_t pixels = 0;
};

TextRows LightTextRows(const std::vector<DWORD>& frame, int width, const RECT& box) {
    TextRows rows;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            const DWORD px = frame[static_cast<size_t>(y) * width + x];
            if ((px >> 24) < 0xE0 || ((px >> 16) & 0xFF) < 0xC0 || ((px >> 8) & 0xFF) < 0xC0 || (px & 0xFF) < 0xC0)
                continue;
            rows.first = rows.first < 0 ? y : rows.first;
            rows.last = y;
            ++rows.pixels;
        }
    }
    return rows;
}

// A text that does not fit is cut off at its box, so its pixels reach the
// box's edge; a fitted one keeps clear of it.
void ExpectFitted(const std::vector<DWORD>& frame, int width, const RECT& box, bool checkTop) {
    const TextRows rows = LightTextRows(frame, width, box);
    ASSERT_GT(rows.pixels, 200u) << "no text drawn in the box";
    if (checkTop) {
        EXPECT_GT(rows.first, box.top + 1) << "the text is cut off at the top of its box";
    }
    EXPECT_LT(rows.last, box.bottom - 2) << "the text is cut off at the bottom of its box (rows " << rows.first
                                         << " to " << rows.last << ")";
}

bool WaitCallbacks(HWND player) {
    return WaitUntil([player] { return CallbacksFor(player) >= 2; }, 10000);
}

class Pictures : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Flash().ok());
        Callbacks().clear();
        ASSERT_FALSE(testsupport::SourceFolder().empty());
        folder_ = testsupport::BuildFolder() + "screenshots";
        CreateDirectoryA(folder_.c_str(), nullptr);
    }

    // Plays the requests, waits until the intro has settled and saves the
    // frame, which stays in frame_.
    void Shoot(const Picture& p, const char* suffix = "") {
        SCOPED_TRACE(p.file);
        ParentWindow parent;
        PlayerWindow player(CreatePlayer(parent.hwnd(), SourceMovie(p.file), "4"));
        ASSERT_NE(nullptr, player.get());
        EXPECT_EQ(1u, Stats(player.get()).movieLoaded);
        ShowPlayer(player.get(), 0, 0, p.width, p.height);
        for (const std::wstring& r : p.requests)
            EXPECT_EQ(1u, Send(player.get(), r));
        ASSERT_TRUE(WaitSettled(player.get(), 10000));
        // Call-backs come from the player's timer, so by now the intro's has
        // come, where the movie has one.
        size_t intros = 0;
        for (const CallbackRecord& r : Callbacks())
            intros += r.event == FLASH_EVENT_INTRO_PLAYED ? 1 : 0;
        EXPECT_EQ(p.introCallback ? 1u : 0u, intros);
        EXPECT_EQ(intros, CallbacksFor(player.get()));

        int w = 0, h = 0;
        frame_ = Frame(player.get(), w, h);
        const std::vector<DWORD>& frame = frame_;
        ASSERT_EQ(p.width, w);
        ASSERT_EQ(p.height, h);

        // The card covers the centre of the upper two thirds, nearly opaque.
        const DWORD centre = frame[static_cast<size_t>(h * 67 / 200) * w + w / 2];
        EXPECT_GE(centre >> 24, 0xE0u) << std::hex << centre;
        // The corners stay transparent: the smoke shows around the card.
        EXPECT_EQ(0u, frame[0] >> 24);
        EXPECT_EQ(0u, frame[frame.size() - 1] >> 24);
        // Text was drawn: some pixels inside the card are bright.
        size_t bright = 0;
        for (DWORD px : frame) {
            if ((px >> 24) > 0xE0 && ((px >> 16) & 0xFF) > 0xD0 && ((px >> 8) & 0xFF) > 0xD0)
                ++bright;
        }
        EXPECT_GT(bright, 100u);

        std::vector<uint32_t> picture = Smoke(w, h);
        Over(picture, frame);
        const std::string name = std::string(p.file, std::string(p.file).find('.')) + suffix + ".bmp";
        EXPECT_TRUE(osdtest::ScreenShot(picture, w, h).SaveBmp(folder_ + "\\" + name));
    }

    std::string folder_;
    std::vector<DWORD> frame_;
};

TEST_F(Pictures, ProfileOn) {
    Shoot({"RaveloProfileOn.swf", 400, 650, {ChangeLabel(L"Profile A On 4200MHz"), External(L"show")}, true});
}

TEST_F(Pictures, ProfileOff) {
    Shoot({"RaveloProfileOff.swf", 400, 650, {ChangeLabel(L"Profile A Off 3600MHz"), External(L"show")}, true});
}

TEST_F(Pictures, KelvoAuto) { Shoot({"KelvoAuto.swf", 400, 650, {ChangeLabel(L"Auto"), External(L"show")}, false}); }

TEST_F(Pictures, KelvoManual) {
    Shoot({"KelvoManual.swf", 750, 650, {External(L"show 1"), External(L"play 2")}, false});
}

TEST_F(Pictures, Tuning) {
    Shoot({"OCTuning.swf", 550, 400, {Set2Digit(133), External(L"in"), Set2Digit(3450)}, true});
}

TEST_F(Pictures, Warning) {
    Shoot({"Warning.swf",
           400,
           650,
           {ChangeLabel(L"Warning"), ChangeContent(L"Ravelo Apex is not running. Start it & try again <soon>."),
            External(L"show")},
           false});
}

TEST_F(Pictures, LongLabelIsFittedIntoTheCard) {
    Shoot({"RaveloProfileOn.swf",
           400,
           650,
           {ChangeLabel(L"Overclocking profile number three enabled with a long name 4800MHz"), External(L"show")},
           true},
          "_long");
    ExpectFitted(frame_, 400, RECT{50, 206, 350, 292}, true); // the label's box, text centred in it
}

TEST_F(Pictures, LongWarningIsFittedIntoTheCard) {
    Shoot({"Warning.swf",
           400,
           650,
           {ChangeLabel(L"Calibration needed"),
            ChangeContent(L"The Kelvo Engine has not been calibrated on this computer yet. Open the power-saving "
                          L"utility, run its calibration once with nothing else running, and press the auto mode "
                          L"key again afterwards to let the engine choose the level by itself."),
            External(L"show")},
           false},
          "_long");
    ExpectFitted(frame_, 400, RECT{50, 232, 350, 348}, false); // the message's box, text from its top
}

// The player's window really reaches the screen: captured from the screen
// DC, the card shows where the window was placed and the parent shows
// through around it.
using ScreenCapture = osdtest::ScreenShot;

TEST_F(Pictures, ShownOnTheScreen) {
    ParentWindow parent(true);
    ASSERT_NE(nullptr, parent.hwnd());
    PlayerWindow player(CreatePlayer(parent.hwnd(), SourceMovie("RaveloProfileOn.swf"), "4"));
    ShowPlayer(player.get(), 250, 20, 400, 650);
    Send(player.get(), ChangeLabel(L"Profile A On 4200MHz"));
    Send(player.get(), External(L"show"));
    ASSERT_TRUE(WaitSettled(player.get(), 10000));
    PumpFor(300); // let the window system put it on screen

    ScreenCapture capture(250, 20, 400, 650);
    ASSERT_FALSE(capture.Empty());
    EXPECT_TRUE(capture.SaveBmp(folder_ + "\\screen_RaveloProfileOn.bmp"));
    // The card's colour at its middle, the black parent at the corner.
    const uint32_t card = capture.At(200, 300);
    EXPECT_NE(0u, card);
    EXPECT_LT((card >> 16) & 0xFF, 0x60u); // dark, not a light default background
    EXPECT_EQ(0u, capture.At(2, 2));
    EXPECT_EQ(0u, capture.At(397, 640));

    // Once the movie has ended, the screen there is the parent's again.
    Send(player.get(), External(L"end"));
    ASSERT_TRUE(WaitCallbacks(player.get()));
    ASSERT_TRUE(WaitSettled(player.get(), 10000));
    PumpFor(300);
    ScreenCapture after(250, 20, 400, 650);
    EXPECT_EQ(0u, after.At(200, 300));

    // Hidden and shown again as the program does it (requests while hidden):
    // the window's kept copy plus what the new frames hand over must give
    // the same picture as the first time.
    HidePlayer(player.get());
    PumpFor(100);
    Send(player.get(), ChangeLabel(L"Profile A On 4200MHz"));
    Send(player.get(), External(L"show"));
    ShowPlayer(player.get(), 250, 20, 400, 650);
    ASSERT_TRUE(WaitSettled(player.get(), 10000));
    PumpFor(300);
    ScreenCapture again(250, 20, 400, 650);
    int differing = 0;
    for (int y = 0; y < 650; ++y)
        for (int x = 0; x < 400; ++x)
            differing += again.At(x, y) != capture.At(x, y) ? 1 : 0;
    EXPECT_EQ(0, differing);
}

} // namespace
