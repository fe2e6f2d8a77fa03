// A premultiplied 32-bit BGRA pixel buffer with the anti-aliased shapes the
// scenes are made of. Everything is clipped to the buffer.
#pragma once

#include <cstdint>
#include <vector>

#include "SceneFile.h"

namespace flashobj {

class Canvas {
public:
    Canvas() = default;
    Canvas(int width, int height) { Resize(width, height); }

    // Sets the size (clamped to 0..8192) and clears to transparent.
    void Resize(int width, int height);
    void Clear();
    // Clears the pixels from (left, top) up to (right, bottom).
    void Clear(int left, int top, int right, int bottom);

    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<uint32_t>& pixels() const { return pixels_; }
    std::vector<uint32_t>& pixels() { return pixels_; }
    uint32_t Pixel(int x, int y) const;
    // True when every pixel is fully transparent.
    bool IsEmpty() const;

    // Fill with a vertical gradient from top to bottom of the shape.
    void FillRoundRect(float x, float y, float w, float h, float radius, const Rgba& top, const Rgba& bottom,
                       float opacity = 1);
    void StrokeRoundRect(float x, float y, float w, float h, float radius, float width, const Rgba& color,
                         float opacity = 1);
    // A soft shadow (or glow) of a rounded box, fading over blur pixels.
    void SoftRoundRect(float x, float y, float w, float h, float radius, float blur, const Rgba& color,
                       float opacity = 1);
    void FillCircle(float cx, float cy, float r, const Rgba& top, const Rgba& bottom, float opacity = 1);
    // A ring of the given stroke width, open over gapDeg degrees centred on
    // gapAtDeg (0 = up, clockwise).
    void StrokeRing(float cx, float cy, float r, float width, float gapDeg, float gapAtDeg, const Rgba& color,
                    float opacity = 1);
    void FillPolygon(const std::vector<Point>& points, const Rgba& top, const Rgba& bottom, float opacity = 1);

    // Blends color through an 8-bit coverage mask placed at (x0, y0). The
    // mask byte of pixel (i, j) is mask[j * stride + i * step].
    void BlendMask(int x0, int y0, const uint8_t* mask, int maskWidth, int maskHeight, int stride, int step,
                   const Rgba& color, float opacity = 1);

    // Draws src over this canvas: src pixel (u, v) lands at
    // (dx + u * scale, dy + v * scale), bilinear, times opacity.
    void Compose(const Canvas& src, float scale, float dx, float dy, float opacity);

private:
    template <typename Coverage>
    void FillShape(int x0, int y0, int x1, int y1, float gradTop, float gradHeight, const Rgba& top, const Rgba& bottom,
                   float opacity, Coverage coverage);
    void Blend(uint32_t& dst, float r, float g, float b, float a);
    // Compose at scale 1 with an offset of whole pixels.
    void ComposeWhole(const Canvas& src, int ox, int oy, float opacity);
    // Compose at scale 1 with an offset that is not whole pixels.
    void ComposeShifted(const Canvas& src, float dx, float dy, float opacity);
    // The pixel at (u, v), clear (0) outside the canvas.
    uint32_t PixelOrClear(int u, int v) const {
        if (u < 0 || v < 0 || u >= width_ || v >= height_)
            return 0;
        return pixels_[static_cast<size_t>(v) * width_ + u];
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};

// Packs straight colour components (0..255) and alpha into premultiplied BGRA.
uint32_t PackPremultiplied(float r, float g, float b, float a);

} // namespace flashobj
