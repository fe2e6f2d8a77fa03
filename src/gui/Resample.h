// Stretching a picture's pixels to another size, bilinearly, in integers.
// GDI's halftone stretch does the same job but takes over a second for a
// full-screen picture under Wine, on the GUI thread, while a display is
// coming up; this takes milliseconds everywhere.
#pragma once
#include <cstdint>

namespace gui {

// Rows of pixels, top row first.
struct PixelLayout {
    int width = 0;
    int height = 0;
    int stride = 0; // bytes from one row to the next
};

// Every channel of bytesPerPixel (3 or 4) is mixed from the four nearest
// source pixels, sampled at the pixel centres; the edges are clamped, so the
// corners keep the source's corner colours. Does nothing for empty or
// mismatched rows.
void StretchBilinear(const std::uint8_t* source, const PixelLayout& from, std::uint8_t* target, const PixelLayout& to,
                     int bytesPerPixel);

} // namespace gui
