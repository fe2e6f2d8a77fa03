#include "DibSurface.h"

#include <cstring>

namespace flashobj {

DibSurface::~DibSurface() { Release(); }

void DibSurface::Release() {
    if (dc_ != nullptr && oldBitmap_ != nullptr)
        SelectObject(dc_, oldBitmap_);
    if (bitmap_ != nullptr)
        DeleteObject(bitmap_);
    if (dc_ != nullptr)
        DeleteDC(dc_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    oldBitmap_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
}

bool DibSurface::Ensure(int width, int height) {
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192)
        return false;
    if (bits_ != nullptr && width <= width_ && height <= height_)
        return true;
    const int newWidth = width > width_ ? width : width_;
    const int newHeight = height > height_ ? height : height_;
    Release();

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = newWidth;
    info.bmiHeader.biHeight = -newHeight; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    if (dc_ == nullptr)
        return false;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap_ == nullptr || bits == nullptr) {
        Release();
        return false;
    }
    oldBitmap_ = SelectObject(dc_, bitmap_);
    bits_ = static_cast<uint8_t*>(bits);
    width_ = newWidth;
    height_ = newHeight;
    std::memset(bits_, 0, static_cast<size_t>(width_) * height_ * 4);
    return true;
}

void DibSurface::ClearArea(int width, int height) {
    if (bits_ == nullptr)
        return;
    GdiFlush();
    if (width > width_)
        width = width_;
    if (height > height_)
        height = height_;
    if (width <= 0 || height <= 0)
        return;
    for (int y = 0; y < height; ++y)
        std::memset(bits_ + static_cast<size_t>(y) * stride(), 0, static_cast<size_t>(width) * 4);
}

GdiFont::GdiFont(const char* face, int pixelHeight, int weight) {
    if (pixelHeight < 1)
        pixelHeight = 1;
    font_ = CreateFontA(-pixelHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                        CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

GdiFont::~GdiFont() {
    if (font_ != nullptr)
        DeleteObject(font_);
}

} // namespace flashobj
