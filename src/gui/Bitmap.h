// A device-independent bitmap (DIB section) with 24- or 32-bit pixels in
// the system's blue-green-red(-alpha) order. Rows run top to bottom:
// ScanLine(0) is the top row.
//
// Assign shares the pixels instead of copying them: the bitmaps stay
// separate in what they show, and the first change to either one (writable
// rows, a new size or format, drawing through DrawingHandle) gives that one
// its own copy. A picture handed from one owner to another is then held
// once. Bitmaps belong to the GUI thread.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

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
    bool Empty() const { return dib_ == nullptr; }

    int BytesPerPixel() const { return format_ == PixelFormat::pf32bit ? 4 : 3; }
    // Bytes from one row to the next (rows are padded to 4 bytes).
    int Stride() const;
    // The first byte of a row, or null for a row outside the bitmap. The
    // writable one makes the pixels this bitmap's own first.
    std::uint8_t* ScanLine(int row);
    const std::uint8_t* ScanLine(int row) const;

    // For reading only (the source of a copy): the handle may be shared
    // with other bitmaps.
    HBITMAP Handle() const { return dib_ ? dib_->handle.Get() : nullptr; }
    // For drawing into the bitmap: its own pixels, no longer shared.
    HBITMAP DrawingHandle();

    // Takes size, format and pixels of another bitmap (shared until either
    // one changes).
    void Assign(const Bitmap& other);
    void Clear();

private:
    struct Dib {
        win32::GdiObject<HBITMAP> handle;
        std::uint8_t* bits = nullptr;
    };

    // Rebuilds the DIB and carries over what fits from the old pixels.
    void Recreate(int width, int height, PixelFormat format);
    // Gives this bitmap a copy of pixels it shares with another one.
    void Unshare();
    std::uint8_t* Row(int row) const;

    std::shared_ptr<Dib> dib_;
    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::pf24bit;
};

} // namespace gui
