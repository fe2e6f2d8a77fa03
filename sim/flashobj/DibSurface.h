// A 32-bit top-down DIB section selected into its own memory DC: the
// target of GDI text (coverage masks) and the source of layered-window
// updates.
#pragma once

#include <cstdint>

#include <windows.h>

namespace flashobj {

class DibSurface {
public:
    DibSurface() = default;
    ~DibSurface();
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    // Makes the surface at least width x height (it may be larger). Returns
    // false when GDI cannot create it; the surface is then empty.
    bool Ensure(int width, int height);
    // Sets every pixel of the top-left width x height area to 0.
    void ClearArea(int width, int height);
    // Frees the surface; Ensure makes it again.
    void Release();

    HDC dc() const { return dc_; }
    uint8_t* bits() const { return bits_; }
    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return width_ * 4; }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    uint8_t* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// Owns a GDI font.
class GdiFont {
public:
    GdiFont(const char* face, int pixelHeight, int weight);
    ~GdiFont();
    GdiFont(const GdiFont&) = delete;
    GdiFont& operator=(const GdiFont&) = delete;
    HFONT get() const { return font_; }

private:
    HFONT font_ = nullptr;
};

// Selects an object into a DC for one scope.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (old_ != nullptr)
            SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

} // namespace flashobj
