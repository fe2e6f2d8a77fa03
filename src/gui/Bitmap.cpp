#include "gui/Bitmap.h"

#include <algorithm>
#include <cstring>

namespace gui {

namespace {

int StrideFor(int width, PixelFormat format) {
    const int bpp = format == PixelFormat::pf32bit ? 4 : 3;
    return ((width * bpp) + 3) & ~3;
}

} // namespace

int Bitmap::Stride() const { return StrideFor(width_, format_); }

std::uint8_t* Bitmap::ScanLine(int row) {
    if (bits_ == nullptr || row < 0 || row >= height_)
        return nullptr;
    return bits_ + static_cast<size_t>(row) * static_cast<size_t>(Stride());
}

const std::uint8_t* Bitmap::ScanLine(int row) const { return const_cast<Bitmap*>(this)->ScanLine(row); }

void Bitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_)
        return;
    Recreate(width, height, format_);
}

void Bitmap::SetPixelFormat(PixelFormat format) {
    if (format == format_)
        return;
    Recreate(width_, height_, format);
}

void Bitmap::Clear() {
    bitmap_.Reset();
    bits_ = nullptr;
    width_ = 0;
    height_ = 0;
}

void Bitmap::Recreate(int width, int height, PixelFormat format) {
    if (width <= 0 || height <= 0) {
        Clear();
        format_ = format;
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = format == PixelFormat::pf32bit ? 32 : 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win32::GdiObject<HBITMAP> created(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!created || bits == nullptr) {
        Clear();
        return;
    }
    auto* newBits = static_cast<std::uint8_t*>(bits);
    const int newStride = StrideFor(width, format);
    std::memset(newBits, 0, static_cast<size_t>(newStride) * static_cast<size_t>(height));

    if (bits_ != nullptr) {
        const int oldBpp = BytesPerPixel();
        const int newBpp = format == PixelFormat::pf32bit ? 4 : 3;
        const int rows = std::min(height, height_);
        const int cols = std::min(width, width_);
        for (int y = 0; y < rows; ++y) {
            const std::uint8_t* src = ScanLine(y);
            std::uint8_t* dst = newBits + static_cast<size_t>(y) * static_cast<size_t>(newStride);
            for (int x = 0; x < cols; ++x) {
                dst[x * newBpp + 0] = src[x * oldBpp + 0];
                dst[x * newBpp + 1] = src[x * oldBpp + 1];
                dst[x * newBpp + 2] = src[x * oldBpp + 2];
                if (newBpp == 4)
                    dst[x * 4 + 3] = oldBpp == 4 ? src[x * 4 + 3] : 255;
            }
        }
    }
    bitmap_ = std::move(created);
    bits_ = newBits;
    width_ = width;
    height_ = height;
    format_ = format;
}

void Bitmap::Assign(const Bitmap& other) {
    if (&other == this)
        return;
    Clear();
    format_ = other.format_;
    if (other.Empty())
        return;
    Recreate(other.width_, other.height_, other.format_);
    if (bits_ == nullptr)
        return;
    std::memcpy(bits_, other.bits_, static_cast<size_t>(Stride()) * static_cast<size_t>(height_));
}

} // namespace gui
