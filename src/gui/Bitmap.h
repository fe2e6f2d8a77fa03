// A device-independent bitmap (DIB section) with 24- or 32-bit pixels in
// the system's blue-green-red(-alpha) order. Rows run top to bottom:
// ScanLine(0) is the top row.
#pragma once
#include <windows.h>

#include <cstdint>

#include "win32/Handles.h"

namespace gui {

enum class PixelFormat { pf24bit, pf32bit };

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // Changing the size or the format keeps the pixels that still fit;
    // new pixels are black (and transparent at 32 bits). Converting 24 to
    // 32 bits gives opaque pixels.
    void SetSize(int width, int height);
    void SetPixelFormat(PixelFormat format);
    PixelFormat Format() const { return format_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return bits_ == nullptr; }

    int BytesPerPixel() const { return format_ == PixelFormat::pf32bit ? 4 : 3; }
    // Bytes from one row to the next (rows are padded to 4 bytes).
    int Stride() const;
    // The first byte of a row, or null for a row outside the bitmap.
    std::uint8_t* ScanLine(int row);
    const std::uint8_t* ScanLine(int row) const;

    HBITMAP Handle() const { return bitmap_.Get(); }

    // Copies size, format and pixels of another bitmap.
    void Assign(const Bitmap& other);
    void Clear();

private:
    // Rebuilds the DIB and carries over what fits from the old pixels.
    void Recreate(int width, int height, PixelFormat format);

    win32::GdiObject<HBITMAP> bitmap_;
    std::uint8_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::pf24bit;
};

} // namespace gui
