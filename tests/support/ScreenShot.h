// Captures the screen as the X server shows it (through the screen's device
// context) and writes it as a 24-bit BMP file.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace osdtest {

class ScreenShot {
public:
    ScreenShot() = default;
    // Copies the screen rectangle; empty when the capture failed.
    ScreenShot(int x, int y, int width, int height);
    // A picture made elsewhere: top-down rows of 0xAARRGGBB (alpha not kept).
    ScreenShot(std::vector<std::uint32_t> pixels, int width, int height);
    static ScreenShot FullScreen();
    // Takes pictures of area, pumping this thread's messages between them,
    // until it looks the same in two in a row and ready (when given) holds
    // for a picture of the whole screen then: what is drawn there has come
    // to rest. shot is that picture, or one taken at the time-out (false).
    static bool Settled(const RECT& area, const std::function<bool(const ScreenShot&)>& ready, ScreenShot& shot,
                        DWORD timeoutMs = 30000);

    bool Empty() const { return pixels_.empty(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // 0xRRGGBB of a pixel; 0 outside.
    std::uint32_t At(int x, int y) const;
    // The number of different colours in a rectangle, counted up to limit.
    size_t DistinctColours(const RECT& area, size_t limit = 4096) const;
    // Mean brightness (0..255) of a rectangle.
    double MeanBrightness(const RECT& area) const;
    // Whether a rectangle holds the same pixels in both pictures.
    bool SameIn(const ScreenShot& other, const RECT& area) const;

    bool SaveBmp(const std::string& path) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_; // top-down rows, 0x00RRGGBB
};

} // namespace osdtest
