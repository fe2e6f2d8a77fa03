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

std::uint8_t* Bitmap::Row(int row) const {
    if (dib_ == nullptr || row < 0 || row >= height_)
        return nullptr;
    return dib_->bits + static_cast<size_t>(row) * static_cast<size_t>(Stride());
}

std::uint8_t* Bitmap::ScanLine(int row) {
    if (row < 0 || row >= height_)
        return nullptr;
    Unshare();
    return Row(row);
}

const std::uint8_t* Bitmap::ScanLine(int row) const { return Row(row); }

HBITMAP Bitmap::DrawingHandle() {
    Unshare();
    return Handle();
}

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
    dib_.reset();
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
    auto created = std::make_shared<Dib>();
    created->handle.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!created->handle || bits == nullptr) {
        Clear();
        return;
    }
    created->bits = static_cast<std::uint8_t*>(bits);
    const int newStride = StrideFor(width, format);
    std::memset(created->bits, 0, static_cast<size_t>(newStride) * static_cast<size_t>(height));

    // The old pixels are only read: another bitmap may still show them.
    if (dib_ != nullptr) {
        GdiFlush();
        const int oldBpp = BytesPerPixel();
        const int newBpp = format == PixelFormat::pf32bit ? 4 : 3;
        const int rows = std::min(height, height_);
        const int cols = std::min(width, width_);
        const bool sameRows = format == format_ && width == width_;
        for (int y = 0; y < rows; ++y) {
            const std::uint8_t* src = Row(y);
            std::uint8_t* dst = created->bits + static_cast<size_t>(y) * static_cast<size_t>(newStride);
            if (sameRows) {
                std::memcpy(dst, src, static_cast<size_t>(newStride));
                continue;
            }
            for (int x = 0; x < cols; ++x) {
                dst[x * newBpp + 0] = src[x * oldBpp + 0];
                dst[x * newBpp + 1] = src[x * oldBpp + 1];
                dst[x * newBpp + 2] = src[x * oldBpp + 2];
                if (newBpp == 4)
                    dst[x * 4 + 3] = oldBpp == 4 ? src[x * 4 + 3] : 255;
            }
        }
    }
    dib_ = std::move(created);
    width_ = width;
    height_ = height;
    format_ = format;
}

void Bitmap::Unshare() {
    if (dib_ == nullptr || dib_.use_count() == 1)
        return;
    // A new DIB of the same size and format, every row carried over.
    Recreate(width_, height_, format_);
}

void Bitmap::Assign(const Bitmap& other) {
    if (&other == this)
        return;
    dib_ = other.dib_;
    width_ = other.width_;
    height_ = other.height_;
    format_ = other.format_;
}

} // namespace gui
