// Captures the screen as the X server shows it (through the screen's device
// context) and writes it as a 24-bit BMP file.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace osdtest {

class ScreenShot {
public:
    // Copies the screen rectangle; empty when the capture failed.
    ScreenShot(int x, int y, int width, int height);
    // A picture made elsewhere: top-down rows of 0xAARRGGBB (alpha not kept).
    ScreenShot(std::vector<std::uint32_t> pixels, int width, int height);
    static ScreenShot FullScreen();

    bool Empty() const { return pixels_.empty(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // 0xRRGGBB of a pixel; 0 outside.
    std::uint32_t At(int x, int y) const;
    // The number of different colours in a rectangle, counted up to limit.
    size_t DistinctColours(const RECT& area, size_t limit = 4096) const;
    // Mean brightness (0..255) of a rectangle.
    double MeanBrightness(const RECT& area) const;

    bool SaveBmp(const std::string& path) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_; // top-down rows, 0x00RRGGBB
};

} // namespace osdtest
