#include "SceneRenderer.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "GlyphCoverage.h"
#include "PlayerLog.h"

namespace flashobj {
namespace {

Rgba Mix(const Rgba& a, const Rgba& b, float t) {
    auto m = [t](uint8_t x, uint8_t y) { return static_cast<uint8_t>(x + (y - x) * t + 0.5f); };
    return Rgba{m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), m(a.a, b.a)};
}

bool Contains(const std::string& text, const char* field) { return text.find(field) != std::string::npos; }

bool PlainAscii(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::string ExpandFields(const std::string& text, const std::string& label, const std::string& content, int level,
                         int value) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find('{', pos);
        if (open == std::string::npos) {
            out.append(text, pos, std::string::npos);
            break;
        }
        out.append(text, pos, open - pos);
        const size_t close = text.find('}', open);
        if (close == std::string::npos) {
            out.append(text, open, std::string::npos);
            break;
        }
        const std::string field = text.substr(open + 1, close - open - 1);
        if (field == "label")
            out += label;
        else if (field == "content")
            out += content;
        else if (field == "level")
            out += std::to_string(level);
        else if (field == "value")
            out += std::to_string(value);
        else
            out.append(text, open, close - open + 1);
        pos = close + 1;
    }
    return out;
}

SceneRenderer::SceneRenderer(const Scene& scene, std::string logName) : scene_(scene), logName_(std::move(logName)) {
    firstDynamic_ = scene_.elements.size();
    for (size_t i = 0; i < scene_.elements.size(); ++i) {
        const SceneElement& e = scene_.elements[i];
        if (e.type == ElementType::Levels || (e.type == ElementType::Text && e.text.find('{') != std::string::npos)) {
            firstDynamic_ = i;
            break;
        }
    }
}

namespace {

bool SameContent(const RenderInputs& a, const RenderInputs& b) {
    return a.label == b.label && a.content == b.content && a.level == b.level && a.previousLevel == b.previousLevel &&
           a.levelProgress == b.levelProgress && a.value == b.value && a.previousValue == b.previousValue &&
           a.valueProgress == b.valueProgress;
}

} // namespace

void SceneRenderer::DrawContent(const RenderInputs& in, float s) {
    const int cw = std::max(1, static_cast<int>(std::lround(scene_.width * s)));
    const int ch = std::max(1, static_cast<int>(std::lround(scene_.height * s)));
    if (contentValid_ && contentScale_ == s && SameContent(contentInputs_, in))
        return;

    if (baseScale_ != s || base_.width() != cw || base_.height() != ch) {
        base_.Resize(cw, ch);
        std::swap(content_, base_); // draw the fixed elements straight into base_
        for (size_t i = 0; i < firstDynamic_; ++i)
            DrawElement(scene_.elements[i], in, s);
        std::swap(content_, base_);
        baseScale_ = s;
    }
    content_.Resize(cw, ch);
    content_.pixels() = base_.pixels();
    for (size_t i = firstDynamic_; i < scene_.elements.size(); ++i)
        DrawElement(scene_.elements[i], in, s);
    // Frames compose only what can be seen: the rest of the movie is clear.
    int left = cw, top = ch, right = 0, bottom = 0;
    for (int y = 0; y < ch; ++y) {
        const uint32_t* row = &content_.pixels()[static_cast<size_t>(y) * cw];
        for (int x = 0; x < cw; ++x) {
            if (row[x] != 0) {
                left = std::min(left, x);
                right = std::max(right, x + 1);
                top = std::min(top, y);
                bottom = y + 1;
            }
        }
    }
    if (right <= left) {
        left = top = 0;
        right = bottom = 1;
    }
    if (left != 0 || top != 0 || right != cw || bottom != ch) {
        Canvas cut(right - left, bottom - top);
        for (int y = top; y < bottom; ++y) {
            const auto from = content_.pixels().begin() + static_cast<ptrdiff_t>(y) * cw;
            std::copy(from + left, from + right,
                      cut.pixels().begin() + static_cast<ptrdiff_t>(y - top) * (right - left));
        }
        content_ = std::move(cut);
    }
    contentX_ = left;
    contentY_ = top;
    contentValid_ = true;
    contentScale_ = s;
    contentInputs_ = in;
}

float SceneRenderer::ScaleFor(int width, int height) const {
    return std::min(static_cast<float>(width) / scene_.width, static_cast<float>(height) / scene_.height);
}

bool SceneRenderer::NeedsContent(const RenderInputs& in, float s) const {
    return !scene_.elements.empty() && !(contentValid_ && contentScale_ == s && SameContent(contentInputs_, in));
}

void SceneRenderer::PrepareContent(const RenderInputs& in, float s) {
    if (scene_.elements.empty() || s <= 0)
        return;
    mask_.Ensure(64, 64);
    DrawContent(in, s);
}

void SceneRenderer::ReleaseContent() {
    base_ = Canvas();
    baseScale_ = 0;
    content_ = Canvas();
    contentValid_ = false;
}

std::string SceneRenderer::ResolveFace(const std::string& faces) {
    auto known = faces_.find(faces);
    if (known != faces_.end())
        return known->second;
    std::string chosen;
    std::string last;
    size_t pos = 0;
    while (pos <= faces.size()) {
        size_t bar = faces.find('|', pos);
        if (bar == std::string::npos)
            bar = faces.size();
        const std::string face = faces.substr(pos, bar - pos);
        if (!face.empty() && face.size() < LF_FACESIZE) {
            last = face;
            if (FaceInstalled(mask_.dc() != nullptr ? mask_.dc() : nullptr, face)) {
                chosen = face;
                break;
            }
        }
        pos = bar + 1;
    }
    // None installed: let GDI substitute for the last one named.
    if (chosen.empty())
        chosen = last.empty() ? std::string("Arial") : last;
    faces_[faces] = chosen;
    return chosen;
}

// The first installed face of the element's list, unless it lacks some of
// the text's characters (or would decode the text in another code page);
// then the first face of the list or of the fallbacks that draws them all.
// When none does, the first face draws the text (with boxes) and the
// characters it lacks are logged once.
std::string SceneRenderer::FaceFor(const std::string& faces, const std::string& text, int weight) {
    const std::string first = ResolveFace(faces);
    if (PlainAscii(text))
        return first;
    const std::string key = faces + '\n' + text;
    const auto known = textFaces_.find(key);
    if (known != textFaces_.end())
        return known->second;

    std::wstring missing;
    const std::string chosen = FaceDrawingAll(mask_.dc(), faces, first, text, weight, &missing);
    if (!missing.empty())
        LogLine(logName_, "missing " + CodePointList(missing) + " in " + first);
    // Texts change with every display: keep the table small.
    if (textFaces_.size() >= 64)
        textFaces_.clear();
    textFaces_[key] = chosen;
    return chosen;
}

void SceneRenderer::Render(const RenderInputs& in, Canvas& out, RECT* drawn, const RECT* stale) {
    if (stale != nullptr)
        out.Clear(stale->left, stale->top, stale->right, stale->bottom);
    else
        out.Clear();
    if (drawn != nullptr)
        *drawn = RECT{0, 0, 0, 0};
    if (in.visibility <= 0 || out.width() == 0 || out.height() == 0 || scene_.elements.empty())
        return;

    const float s = ScaleFor(out.width(), out.height());
    // The mask DC also serves the font look-ups.
    mask_.Ensure(64, 64);
    DrawContent(in, s);
    const int cw = std::max(1, static_cast<int>(std::lround(scene_.width * s)));
    const int ch = std::max(1, static_cast<int>(std::lround(scene_.height * s)));

    const float v = static_cast<float>(std::min(1.0, std::max(0.0, in.visibility)));
    float zoom = 1;
    float dy = 0;
    const float distance = scene_.effectDistance * s;
    if (in.entry == Entry::Intro || in.entry == Entry::Outro) {
        const bool intro = in.entry == Entry::Intro;
        switch (intro ? scene_.introEffect : scene_.outroEffect) {
        case Effect::Fade:
            break;
        case Effect::Rise:
            dy = (intro ? 1 : -1) * distance * (1 - v);
            break;
        case Effect::Sink:
            dy = (intro ? -1 : 1) * distance * (1 - v);
            break;
        case Effect::Zoom:
            zoom = intro ? 0.9f + 0.1f * v : 1 + 0.08f * (1 - v);
            break;
        }
    }
    const float ox = (out.width() - cw * zoom) / 2 + contentX_ * zoom;
    const float oy = (out.height() - ch * zoom) / 2 + dy + contentY_ * zoom;
    out.Compose(content_, zoom, ox, oy, v);
    if (drawn != nullptr) {
        // A pixel of the cut may reach one pixel further on each side.
        drawn->left = std::max(0, static_cast<int>(std::floor(ox)) - 1);
        drawn->top = std::max(0, static_cast<int>(std::floor(oy)) - 1);
        drawn->right = std::min(out.width(), static_cast<int>(std::ceil(ox + content_.width() * zoom)) + 1);
        drawn->bottom = std::min(out.height(), static_cast<int>(std::ceil(oy + content_.height() * zoom)) + 1);
        if (drawn->right <= drawn->left || drawn->bottom <= drawn->top)
            *drawn = RECT{0, 0, 0, 0};
    }
}

void SceneRenderer::DrawElement(const SceneElement& e, const RenderInputs& in, float s) {
    const Rgba& bottom = e.hasFill2 ? e.fill2 : e.fill;
    switch (e.type) {
    case ElementType::Panel:
        if (e.shadow.a > 0) {
            content_.SoftRoundRect(e.x * s, (e.y + e.shadowDy) * s, e.w * s, e.h * s, e.radius * s,
                                   std::max(1.0f, e.shadowBlur * s), e.shadow);
        }
        content_.FillRoundRect(e.x * s, e.y * s, e.w * s, e.h * s, e.radius * s, e.fill, bottom);
        if (e.borderWidth > 0) {
            content_.StrokeRoundRect(e.x * s, e.y * s, e.w * s, e.h * s, e.radius * s, e.borderWidth * s, e.border);
        }
        break;
    case ElementType::Circle:
        if (e.shadow.a > 0) {
            content_.SoftRoundRect((e.cx - e.r) * s, (e.cy - e.r + e.shadowDy) * s, 2 * e.r * s, 2 * e.r * s, e.r * s,
                                   std::max(1.0f, e.shadowBlur * s), e.shadow);
        }
        content_.FillCircle(e.cx * s, e.cy * s, e.r * s, e.fill, bottom);
        if (e.borderWidth > 0) {
            content_.StrokeRing(e.cx * s, e.cy * s, (e.r - e.borderWidth / 2) * s, e.borderWidth * s, 0, 0, e.border);
        }
        break;
    case ElementType::Ring:
        content_.StrokeRing(e.cx * s, e.cy * s, e.r * s, e.width * s, e.gap, e.gapAt, e.fill);
        break;
    case ElementType::Polygon: {
        std::vector<Point> scaled = e.points;
        for (Point& p : scaled) {
            p.x *= s;
            p.y *= s;
        }
        content_.FillPolygon(scaled, e.fill, bottom);
        break;
    }
    case ElementType::Text:
        DrawTextElement(e, in, s);
        break;
    case ElementType::Levels:
        DrawLevels(e, in, s);
        break;
    }
}

void SceneRenderer::DrawTextElement(const SceneElement& e, const RenderInputs& in, float s) {
    const float bx = e.x * s, by = e.y * s, bw = e.w * s, bh = e.h * s;
    // A changing level or value rolls: the old text leaves upwards while the
    // new one comes in from below.
    double progress = 1;
    int oldLevel = in.level, oldValue = in.value;
    if (Contains(e.text, "{value}") && in.valueProgress < 1) {
        progress = in.valueProgress;
        oldValue = in.previousValue;
    }
    if (Contains(e.text, "{level}") && in.levelProgress < 1) {
        progress = std::min(progress, in.levelProgress);
        oldLevel = in.previousLevel;
    }
    const std::string now = ExpandFields(e.text, in.label, in.content, in.level, in.value);
    if (progress >= 1) {
        DrawTextBox(now, e, s, bx, by, bw, bh, 0, 1);
        return;
    }
    const float t = static_cast<float>(EaseOutCubic(progress));
    const float travel = bh * 0.45f;
    const std::string before = ExpandFields(e.text, in.label, in.content, oldLevel, oldValue);
    DrawTextBox(before, e, s, bx, by, bw, bh, -travel * t, 1 - t);
    DrawTextBox(now, e, s, bx, by, bw, bh, travel * (1 - t), t);
}

void SceneRenderer::DrawTextBox(const std::string& text, const SceneElement& e, float s, float bx, float by, float bw,
                                float bh, float dy, float opacity) {
    if (text.empty() && e.unit.empty())
        return;
    const int x0 = static_cast<int>(std::floor(bx));
    const int y0 = static_cast<int>(std::floor(by));
    const int w = static_cast<int>(std::ceil(bx + bw)) - x0;
    const int h = static_cast<int>(std::ceil(by + bh)) - y0;
    if (w <= 0 || h <= 0 || !mask_.Ensure(w, h))
        return;

    const std::string face = FaceFor(e.font, text, e.weight);
    HDC dc = mask_.dc();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    SetTextCharacterExtra(dc, static_cast<int>(std::lround(e.tracking * s)));

    const bool withUnit = !e.unit.empty();
    UINT flags = DT_NOPREFIX | (e.wrap && !withUnit ? DT_WORDBREAK : DT_SINGLELINE);
    flags |= e.align == Align::Left ? DT_LEFT : (e.align == Align::Right ? DT_RIGHT : DT_CENTER);

    // Shrink a long text until it fits the box, down to min-size.
    float size = e.size * s;
    const float smallest = (e.minSize > 0 ? e.minSize : e.size) * s;
    const float unitRatio = withUnit ? (e.unitSize > 0 ? e.unitSize : e.size * 0.4f) / e.size : 0;
    int textW = 0, textH = 0, unitW = 0, gap = 0;
    for (int attempt = 0; attempt < 64; ++attempt) {
        GdiFont font(face.c_str(), static_cast<int>(std::lround(size)), e.weight);
        {
            SelectGuard select(dc, font.get());
            RECT r{0, 0, w, h};
            DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
            textW = r.right - r.left;
            textH = r.bottom - r.top;
        }
        unitW = gap = 0;
        if (withUnit) {
            GdiFont unitFont(face.c_str(), static_cast<int>(std::lround(size * unitRatio)), e.weight);
            SelectGuard select(dc, unitFont.get());
            SIZE extent{};
            GetTextExtentPoint32A(dc, e.unit.c_str(), static_cast<int>(e.unit.size()), &extent);
            unitW = extent.cx;
            gap = static_cast<int>(std::lround(size * unitRatio * 0.3f));
        }
        const bool fits = textW + gap + unitW <= w && textH <= h;
        if (fits || size <= smallest)
            break;
        size = std::max(smallest, size * 0.94f);
    }
    if (!e.wrap && textW + gap + unitW > w)
        flags |= DT_END_ELLIPSIS;

    const int total = textW + gap + unitW;
    int left = 0;
    if (e.align == Align::Center)
        left = (w - total) / 2;
    else if (e.align == Align::Right)
        left = w - total;
    if (left < 0)
        left = 0;
    int top = 0;
    if (e.valign == VAlign::Middle)
        top = (h - textH) / 2;
    else if (e.valign == VAlign::Bottom)
        top = h - textH;
    top += static_cast<int>(std::lround(dy));

    auto blend = [&](const Rgba& color, int ox, int oy) {
        GdiFlush();
        content_.BlendMask(x0 + ox, y0 + oy, mask_.bits() + 1, w, h, mask_.stride(), 4, color, opacity);
    };

    // Main text.
    int ascent = 0;
    mask_.ClearArea(w, h);
    {
        GdiFont font(face.c_str(), static_cast<int>(std::lround(size)), e.weight);
        SelectGuard select(dc, font.get());
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        ascent = tm.tmAscent;
        RECT r{withUnit ? left : 0, top, withUnit ? left + textW : w, top + textH};
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
                  withUnit ? (flags & ~DT_CENTER & ~DT_RIGHT) : flags);
    }
    if (e.textShadow.a > 0)
        blend(e.textShadow, 0, std::max(1, static_cast<int>(std::lround(2 * s))));
    blend(e.color, 0, 0);

    // Unit, on the main text's baseline.
    if (withUnit) {
        mask_.ClearArea(w, h);
        GdiFont unitFont(face.c_str(), static_cast<int>(std::lround(size * unitRatio)), e.weight);
        SelectGuard select(dc, unitFont.get());
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        const int ux = left + textW + gap;
        const int uy = top + ascent - tm.tmAscent;
        TextOutA(dc, ux, uy, e.unit.c_str(), static_cast<int>(e.unit.size()));
        if (e.textShadow.a > 0)
            blend(e.textShadow, 0, std::max(1, static_cast<int>(std::lround(2 * s))));
        blend(e.unitColor, 0, 0);
    }
}

void SceneRenderer::DrawLevels(const SceneElement& e, const RenderInputs& in, float s) {
    const int n = std::max(1, e.count);
    const float t = static_cast<float>(EaseOutCubic(in.levelProgress));
    const float labelBand = e.labels.empty() ? 0 : e.size * 1.9f;
    const float barsH = std::max(1.0f, e.h - labelBand);
    const float barW = std::max(1.0f, (e.w - e.gapSize * (n - 1)) / n);
    const Rgba onBottom = e.hasOn2 ? e.on2 : e.on;

    for (int i = 0; i < n; ++i) {
        const float litBefore = i <= in.previousLevel ? 1.0f : 0.0f;
        const float litNow = i <= in.level ? 1.0f : 0.0f;
        const float lit = litBefore + (litNow - litBefore) * t;
        const float activeBefore = i == in.previousLevel ? 1.0f : 0.0f;
        const float activeNow = i == in.level ? 1.0f : 0.0f;
        const float active = activeBefore + (activeNow - activeBefore) * t;

        // Steps rise from left to right, like a meter.
        const float barH = barsH * (0.35f + 0.65f * (i + 1) / n);
        const float x = e.x + i * (barW + e.gapSize);
        const float y = e.y + barsH - barH;
        if (active > 0 && e.shadow.a > 0) {
            content_.SoftRoundRect(x * s, y * s, barW * s, barH * s, e.radius * s, std::max(1.0f, e.shadowBlur * s),
                                   e.shadow, active);
        }
        content_.FillRoundRect(x * s, y * s, barW * s, barH * s, e.radius * s, e.off, e.off);
        if (lit > 0)
            content_.FillRoundRect(x * s, y * s, barW * s, barH * s, e.radius * s, e.on, onBottom, lit);

        if (static_cast<size_t>(i) < e.labels.size() && !e.labels[i].empty()) {
            SceneElement label;
            label.font = e.font;
            label.size = e.size;
            label.weight = active > 0.5f ? 700 : e.weight;
            label.align = Align::Center;
            label.valign = VAlign::Middle;
            const Rgba color = Mix(e.labelColor, e.on, active);
            label.color = color;
            DrawTextBox(e.labels[i], label, s, x * s, (e.y + barsH) * s, barW * s, labelBand * s, 0, 1);
        }
    }
}

} // namespace flashobj
