#include "Canvas.h"

#include <algorithm>
#include <cmath>

#include <emmintrin.h> // SSE2: always there for this 32-bit Windows code (MSVC's default, -msse2 here)

namespace flashobj {
namespace {

constexpr int kMaxSide = 8192;
constexpr float kPi = 3.14159265358979f;

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

// Signed distance from (px, py) to a rounded box centred at (cx, cy).
float RoundRectDistance(float px, float py, float cx, float cy, float hw, float hh, float r) {
    r = std::min(r, std::min(hw, hh));
    const float qx = std::fabs(px - cx) - (hw - r);
    const float qy = std::fabs(py - cy) - (hh - r);
    const float ox = std::max(qx, 0.0f);
    const float oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
}

float Smooth(float edge0, float edge1, float v) {
    if (edge1 <= edge0)
        return v < edge0 ? 0.0f : 1.0f;
    const float t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

bool InsidePolygon(const std::vector<Point>& pts, float x, float y) {
    bool inside = false;
    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
        const Point& a = pts[i];
        const Point& b = pts[j];
        if ((a.y > y) != (b.y > y)) {
            const float xCross = (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x;
            if (x < xCross)
                inside = !inside;
        }
    }
    return inside;
}

// The four channels of a pixel (blue, green, red, alpha) as floats.
__m128 Channels(uint32_t pixel) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = _mm_cvtsi32_si128(static_cast<int>(pixel));
    return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero));
}

} // namespace

uint32_t PackPremultiplied(float r, float g, float b, float a) {
    const float fa = Clamp01(a / 255.0f);
    auto channel = [fa](float c) {
        const float v = c * fa + 0.5f;
        return static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    };
    const uint32_t alpha = static_cast<uint32_t>(fa * 255.0f + 0.5f);
    return (alpha << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

void Canvas::Resize(int width, int height) {
    width_ = std::max(0, std::min(width, kMaxSide));
    height_ = std::max(0, std::min(height, kMaxSide));
    pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0u);
}

void Canvas::Clear() { std::fill(pixels_.begin(), pixels_.end(), 0u); }

void Canvas::Clear(int left, int top, int right, int bottom) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    if (left >= right)
        return;
    for (int y = top; y < bottom; ++y) {
        const auto row = pixels_.begin() + static_cast<ptrdiff_t>(y) * width_;
        std::fill(row + left, row + right, 0u);
    }
}

uint32_t Canvas::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

bool Canvas::IsEmpty() const {
    return std::all_of(pixels_.begin(), pixels_.end(), [](uint32_t p) { return (p >> 24) == 0; });
}

// Source-over of a premultiplied source (components 0..255, alpha 0..1).
void Canvas::Blend(uint32_t& dst, float r, float g, float b, float a) {
    if (a <= 0)
        return;
    const float keep = 1 - a;
    const float db = static_cast<float>(dst & 0xFF);
    const float dg = static_cast<float>((dst >> 8) & 0xFF);
    const float dr = static_cast<float>((dst >> 16) & 0xFF);
    const float da = static_cast<float>(dst >> 24);
    auto pack = [](float v) {
        v += 0.5f;
        return static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    };
    dst = (pack(a * 255 + da * keep) << 24) | (pack(r + dr * keep) << 16) | (pack(g + dg * keep) << 8) |
          pack(b + db * keep);
}

template <typename Coverage>
void Canvas::FillShape(int x0, int y0, int x1, int y1, float gradTop, float gradHeight, const Rgba& top,
                       const Rgba& bottom, float opacity, Coverage coverage) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width_);
    y1 = std::min(y1, height_);
    if (x0 >= x1 || y0 >= y1 || opacity <= 0)
        return;
    for (int y = y0; y < y1; ++y) {
        const float py = y + 0.5f;
        const float t = gradHeight > 0 ? Clamp01((py - gradTop) / gradHeight) : 0;
        const float cr = top.r + (bottom.r - top.r) * t;
        const float cg = top.g + (bottom.g - top.g) * t;
        const float cb = top.b + (bottom.b - top.b) * t;
        const float ca = (top.a + (bottom.a - top.a) * t) / 255.0f * opacity;
        if (ca <= 0)
            continue;
        uint32_t* row = &pixels_[static_cast<size_t>(y) * width_];
        for (int x = x0; x < x1; ++x) {
            const float cov = coverage(x + 0.5f, py);
            if (cov <= 0)
                continue;
            const float a = ca * cov;
            Blend(row[x], cr * a, cg * a, cb * a, a);
        }
    }
}

void Canvas::FillRoundRect(float x, float y, float w, float h, float radius, const Rgba& top, const Rgba& bottom,
                           float opacity) {
    if (w <= 0 || h <= 0)
        return;
    const float cx = x + w / 2, cy = y + h / 2, hw = w / 2, hh = h / 2;
    FillShape(static_cast<int>(std::floor(x)) - 1, static_cast<int>(std::floor(y)) - 1,
              static_cast<int>(std::ceil(x + w)) + 1, static_cast<int>(std::ceil(y + h)) + 1, y, h, top, bottom,
              opacity,
              [=](float px, float py) { return Clamp01(0.5f - RoundRectDistance(px, py, cx, cy, hw, hh, radius)); });
}

void Canvas::StrokeRoundRect(float x, float y, float w, float h, float radius, float width, const Rgba& color,
                             float opacity) {
    if (w <= 0 || h <= 0 || width <= 0)
        return;
    const float cx = x + w / 2, cy = y + h / 2, hw = w / 2, hh = h / 2;
    FillShape(static_cast<int>(std::floor(x)) - 1, static_cast<int>(std::floor(y)) - 1,
              static_cast<int>(std::ceil(x + w)) + 1, static_cast<int>(std::ceil(y + h)) + 1, y, h, color, color,
              opacity, [=](float px, float py) {
                  const float d = RoundRectDistance(px, py, cx, cy, hw, hh, radius);
                  return Clamp01(0.5f - d) - Clamp01(0.5f - (d + width));
              });
}

void Canvas::SoftRoundRect(float x, float y, float w, float h, float radius, float blur, const Rgba& color,
                           float opacity) {
    if (w <= 0 || h <= 0)
        return;
    const float cx = x + w / 2, cy = y + h / 2, hw = w / 2, hh = h / 2;
    const int reach = static_cast<int>(std::ceil(blur)) + 2;
    FillShape(static_cast<int>(std::floor(x)) - reach, static_cast<int>(std::floor(y)) - reach,
              static_cast<int>(std::ceil(x + w)) + reach, static_cast<int>(std::ceil(y + h)) + reach, 0, 0, color,
              color, opacity, [=](float px, float py) {
                  const float d = RoundRectDistance(px, py, cx, cy, hw, hh, radius);
                  return 1 - Smooth(-blur * 0.5f, blur, d);
              });
}

void Canvas::FillCircle(float cx, float cy, float r, const Rgba& top, const Rgba& bottom, float opacity) {
    if (r <= 0)
        return;
    FillShape(static_cast<int>(std::floor(cx - r)) - 1, static_cast<int>(std::floor(cy - r)) - 1,
              static_cast<int>(std::ceil(cx + r)) + 1, static_cast<int>(std::ceil(cy + r)) + 1, cy - r, 2 * r, top,
              bottom, opacity, [=](float px, float py) {
                  const float d = std::sqrt((px - cx) * (px - cx) + (py - cy) * (py - cy)) - r;
                  return Clamp01(0.5f - d);
              });
}

void Canvas::StrokeRing(float cx, float cy, float r, float width, float gapDeg, float gapAtDeg, const Rgba& color,
                        float opacity) {
    if (r <= 0 || width <= 0)
        return;
    const float halfGap = gapDeg * kPi / 360.0f;
    const float gapAt = gapAtDeg * kPi / 180.0f;
    FillShape(static_cast<int>(std::floor(cx - r - width)) - 1, static_cast<int>(std::floor(cy - r - width)) - 1,
              static_cast<int>(std::ceil(cx + r + width)) + 1, static_cast<int>(std::ceil(cy + r + width)) + 1, 0, 0,
              color, color, opacity, [=](float px, float py) {
                  const float dx = px - cx, dy = py - cy;
                  const float dist = std::sqrt(dx * dx + dy * dy);
                  const float d = std::fabs(dist - r) - width / 2;
                  float cov = Clamp01(0.5f - d);
                  if (cov > 0 && halfGap > 0) {
                      // Angle from "up", clockwise, relative to the gap's centre.
                      float angle = std::atan2(dx, -dy) - gapAt;
                      while (angle > kPi)
                          angle -= 2 * kPi;
                      while (angle < -kPi)
                          angle += 2 * kPi;
                      const float edge = (std::fabs(angle) - halfGap) * dist; // arc length past the gap edge
                      cov *= Clamp01(0.5f + edge);
                  }
                  return cov;
              });
}

void Canvas::FillPolygon(const std::vector<Point>& points, const Rgba& top, const Rgba& bottom, float opacity) {
    if (points.size() < 3)
        return;
    float minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
    for (const Point& p : points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    // 4 x 4 samples per pixel.
    FillShape(static_cast<int>(std::floor(minX)), static_cast<int>(std::floor(minY)),
              static_cast<int>(std::ceil(maxX)) + 1, static_cast<int>(std::ceil(maxY)) + 1, minY, maxY - minY, top,
              bottom, opacity, [&points](float px, float py) {
                  int hits = 0;
                  for (int sy = 0; sy < 4; ++sy) {
                      for (int sx = 0; sx < 4; ++sx) {
                          if (InsidePolygon(points, px - 0.5f + (sx + 0.5f) / 4, py - 0.5f + (sy + 0.5f) / 4))
                              ++hits;
                      }
                  }
                  return hits / 16.0f;
              });
}

void Canvas::BlendMask(int x0, int y0, const uint8_t* mask, int maskWidth, int maskHeight, int stride, int step,
                       const Rgba& color, float opacity) {
    if (mask == nullptr || maskWidth <= 0 || maskHeight <= 0 || opacity <= 0 || color.a == 0)
        return;
    const float ca = color.a / 255.0f * opacity;
    const int ys = std::max(0, -y0), ye = std::min(maskHeight, height_ - y0);
    const int xs = std::max(0, -x0), xe = std::min(maskWidth, width_ - x0);
    for (int j = ys; j < ye; ++j) {
        uint32_t* row = &pixels_[static_cast<size_t>(y0 + j) * width_];
        const uint8_t* m = mask + static_cast<ptrdiff_t>(j) * stride;
        for (int i = xs; i < xe; ++i) {
            const uint8_t cov = m[static_cast<ptrdiff_t>(i) * step];
            if (cov == 0)
                continue;
            const float a = ca * (cov / 255.0f);
            Blend(row[x0 + i], color.r * a, color.g * a, color.b * a, a);
        }
    }
}

void Canvas::Compose(const Canvas& src, float scale, float dx, float dy, float opacity) {
    if (src.width_ == 0 || src.height_ == 0 || scale <= 0 || opacity <= 0)
        return;
    if (scale == 1.0f) {
        if (dx == std::floor(dx) && dy == std::floor(dy))
            ComposeWhole(src, static_cast<int>(dx), static_cast<int>(dy), opacity);
        else
            ComposeShifted(src, dx, dy, opacity);
        return;
    }
    const float inv = 1 / scale;
    const int x0 = std::max(0, static_cast<int>(std::floor(dx)));
    const int y0 = std::max(0, static_cast<int>(std::floor(dy)));
    const int x1 = std::min(width_, static_cast<int>(std::ceil(dx + src.width_ * scale)));
    const int y1 = std::min(height_, static_cast<int>(std::ceil(dy + src.height_ * scale)));
    if (x1 <= x0 || y1 <= y0)
        return;
    // Where each column samples the source, worked out once for all rows.
    std::vector<int> columns(static_cast<size_t>(x1 - x0));
    std::vector<float> fractions(columns.size());
    for (int x = x0; x < x1; ++x) {
        const float u = (x + 0.5f - dx) * inv - 0.5f;
        const int iu = static_cast<int>(std::floor(u));
        columns[static_cast<size_t>(x - x0)] = iu;
        fractions[static_cast<size_t>(x - x0)] = u - iu;
    }
    const __m128 opacities = _mm_set1_ps(opacity);
    const __m128 alphaScale = _mm_setr_ps(1, 1, 1, 255);
    const __m128 half = _mm_set1_ps(0.5f), full = _mm_set1_ps(255);
    const int sw = src.width_;
    for (int y = y0; y < y1; ++y) {
        uint32_t* row = &pixels_[static_cast<size_t>(y) * width_];
        const float v = (y + 0.5f - dy) * inv - 0.5f;
        const int iv = static_cast<int>(std::floor(v));
        const float fv = v - iv;
        const __m128 topWeight = _mm_set1_ps(1 - fv), bottomWeight = _mm_set1_ps(fv);
        const bool rowsInside = iv >= 0 && iv + 1 < src.height_;
        const uint32_t* top = rowsInside ? &src.pixels_[static_cast<size_t>(iv) * sw] : nullptr;
        const uint32_t* bottom = rowsInside ? top + sw : nullptr;
        for (int x = x0; x < x1; ++x) {
            const int iu = columns[static_cast<size_t>(x - x0)];
            const float fu = fractions[static_cast<size_t>(x - x0)];
            const __m128 leftWeight = _mm_set1_ps(1 - fu), rightWeight = _mm_set1_ps(fu);
            uint32_t p00, p10, p01, p11;
            if (rowsInside && iu >= 0 && iu + 1 < sw) {
                p00 = top[iu];
                p10 = top[iu + 1];
                p01 = bottom[iu];
                p11 = bottom[iu + 1];
            } else {
                p00 = src.PixelOrClear(iu, iv);
                p10 = src.PixelOrClear(iu + 1, iv);
                p01 = src.PixelOrClear(iu, iv + 1);
                p11 = src.PixelOrClear(iu + 1, iv + 1);
            }
            if ((p00 | p10 | p01 | p11) == 0)
                continue;
            // The four channels side by side, each worked out exactly as
            // one at a time would be: (c00 (1 - fu) + c10 fu) (1 - fv) +
            // (c01 (1 - fu) + c11 fu) fv.
            const __m128 mixed = _mm_add_ps(
                _mm_mul_ps(_mm_add_ps(_mm_mul_ps(Channels(p00), leftWeight), _mm_mul_ps(Channels(p10), rightWeight)),
                           topWeight),
                _mm_mul_ps(_mm_add_ps(_mm_mul_ps(Channels(p01), leftWeight), _mm_mul_ps(Channels(p11), rightWeight)),
                           bottomWeight));
            alignas(16) float m[4]; // b, g, r, a
            _mm_store_ps(m, mixed);
            if (m[3] <= 0)
                continue;
            uint32_t& dst = row[x];
            if (dst != 0) {
                Blend(dst, m[2] * opacity, m[1] * opacity, m[0] * opacity, m[3] / 255.0f * opacity);
                continue;
            }
            // Blend over a clear pixel: each colour times the opacity, and
            // alpha / 255 times the opacity times 255, rounded and clamped.
            const __m128 faded = _mm_mul_ps(_mm_mul_ps(_mm_div_ps(mixed, alphaScale), opacities), alphaScale);
            const __m128i whole =
                _mm_cvttps_epi32(_mm_min_ps(_mm_max_ps(_mm_add_ps(faded, half), _mm_setzero_ps()), full));
            const __m128i words = _mm_packs_epi32(whole, whole);
            dst = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
        }
    }
}

// Over a clear pixel the result is the source times the opacity: tables
// made once by Blend itself give it per channel value.
void Canvas::ComposeWhole(const Canvas& src, int ox, int oy, float opacity) {
    uint8_t channel[256];
    uint8_t alpha[256];
    for (int c = 0; c < 256; ++c) {
        uint32_t clear = 0;
        const float f = static_cast<float>(c);
        Blend(clear, f * opacity, f * opacity, f * opacity, f / 255.0f * opacity);
        channel[c] = static_cast<uint8_t>(clear & 0xFF);
        alpha[c] = static_cast<uint8_t>(clear >> 24);
    }
    const int x0 = std::max(0, ox), x1 = std::min(width_, ox + src.width_);
    const int y0 = std::max(0, oy), y1 = std::min(height_, oy + src.height_);
    for (int y = y0; y < y1; ++y) {
        uint32_t* row = &pixels_[static_cast<size_t>(y) * width_];
        const uint32_t* from = &src.pixels_[static_cast<size_t>(y - oy) * src.width_];
        for (int x = x0; x < x1; ++x) {
            const uint32_t p = from[x - ox];
            const uint32_t a = p >> 24;
            if (a == 0)
                continue;
            const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            uint32_t& dst = row[x];
            if (dst == 0) {
                dst = (static_cast<uint32_t>(alpha[a]) << 24) | (static_cast<uint32_t>(channel[r]) << 16) |
                      (static_cast<uint32_t>(channel[g]) << 8) | channel[b];
            } else {
                Blend(dst, static_cast<float>(r) * opacity, static_cast<float>(g) * opacity,
                      static_cast<float>(b) * opacity, static_cast<float>(a) / 255.0f * opacity);
            }
        }
    }
}

// Every pixel mixes its four source neighbours with the same weights (the
// frames of a rise or sink), so the weights are worked out once and the mix
// is done in integers, two channels to a word.
void Canvas::ComposeShifted(const Canvas& src, float dx, float dy, float opacity) {
    const int x0 = std::max(0, static_cast<int>(std::floor(dx)));
    const int y0 = std::max(0, static_cast<int>(std::floor(dy)));
    const int x1 = std::min(width_, static_cast<int>(std::ceil(dx + src.width_)));
    const int y1 = std::min(height_, static_cast<int>(std::ceil(dy + src.height_)));
    // Source position of pixel x is x - dx: whole part x - offU, fraction fu.
    const int ix = static_cast<int>(std::floor(dx)), iy = static_cast<int>(std::floor(dy));
    const float fx = dx - ix, fy = dy - iy;
    const int offU = fx > 0 ? ix + 1 : ix;
    const int offV = fy > 0 ? iy + 1 : iy;
    const float fu = fx > 0 ? 1 - fx : 0;
    const float fv = fy > 0 ? 1 - fy : 0;
    int w00 = static_cast<int>(std::lround((1 - fu) * (1 - fv) * 256));
    int w10 = static_cast<int>(std::lround(fu * (1 - fv) * 256));
    int w01 = static_cast<int>(std::lround((1 - fu) * fv * 256));
    int w11 = 256 - w00 - w10 - w01;
    if (w11 < 0) {
        // The three rounded up together: the largest gives the excess back,
        // so no weight is negative.
        int& largest = w00 >= w10 && w00 >= w01 ? w00 : (w10 >= w01 ? w10 : w01);
        largest += w11;
        w11 = 0;
    }
    const uint32_t op = static_cast<uint32_t>(std::lround(std::min(1.0f, opacity) * 256));
    const int sw = src.width_, sh = src.height_;
    const auto at = [sw](const uint32_t* row, int u) { return u >= 0 && u < sw ? row[u] : 0u; };
    for (int y = y0; y < y1; ++y) {
        uint32_t* row = &pixels_[static_cast<size_t>(y) * width_];
        // Source rows v and v + 1; a row outside the source weighs nothing.
        const int v = y - offV;
        const bool hasTop = v >= 0 && v < sh, hasBottom = v + 1 >= 0 && v + 1 < sh;
        if (!hasTop && !hasBottom)
            continue;
        const uint32_t* top = &src.pixels_[static_cast<size_t>(hasTop ? v : v + 1) * sw];
        const uint32_t* bottom = &src.pixels_[static_cast<size_t>(hasBottom ? v + 1 : v) * sw];
        const uint32_t t00 = hasTop ? w00 : 0, t10 = hasTop ? w10 : 0;
        const uint32_t t01 = hasBottom ? w01 : 0, t11 = hasBottom ? w11 : 0;
        for (int x = x0; x < x1; ++x) {
            const int u = x - offU;
            uint32_t p00, p10, p01, p11;
            if (u >= 0 && u + 1 < sw) {
                p00 = top[u];
                p10 = top[u + 1];
                p01 = bottom[u];
                p11 = bottom[u + 1];
            } else {
                p00 = at(top, u);
                p10 = at(top, u + 1);
                p01 = at(bottom, u);
                p11 = at(bottom, u + 1);
            }
            if ((p00 | p10 | p01 | p11) == 0)
                continue;
            // Weights add up to 256, so each channel's sum stays below 2^16.
            const uint32_t rb =
                (p00 & 0xFF00FFu) * t00 + (p10 & 0xFF00FFu) * t10 + (p01 & 0xFF00FFu) * t01 + (p11 & 0xFF00FFu) * t11;
            const uint32_t ga = ((p00 >> 8) & 0xFF00FFu) * t00 + ((p10 >> 8) & 0xFF00FFu) * t10 +
                                ((p01 >> 8) & 0xFF00FFu) * t01 + ((p11 >> 8) & 0xFF00FFu) * t11;
            auto scaled = [op](uint32_t sum) { return std::min<uint32_t>(255, (sum * op + 32768) >> 16); };
            uint32_t mixed[4] = {scaled(rb & 0xFFFF), scaled(ga & 0xFFFF), scaled(rb >> 16), scaled(ga >> 16)};
            const uint32_t a = mixed[3];
            if (a == 0)
                continue;
            uint32_t& dst = row[x];
            if (dst != 0) {
                const uint32_t keep = 255 - a;
                for (int c = 0; c < 4; ++c)
                    mixed[c] = std::min<uint32_t>(255, mixed[c] + (((dst >> (8 * c)) & 0xFF) * keep + 127) / 255);
            }
            dst = (mixed[3] << 24) | (mixed[2] << 16) | (mixed[1] << 8) | mixed[0];
        }
    }
}

} // namespace flashobj
