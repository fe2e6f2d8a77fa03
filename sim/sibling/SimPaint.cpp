#include "SimPaint.h"

namespace sibling {

BufferedPaint::BufferedPaint(HWND window) : window_(window) {
    screen_ = BeginPaint(window, &paint_);
    GetClientRect(window, &area_);
    if (screen_ == nullptr || area_.right <= 0 || area_.bottom <= 0)
        return;
    memory_ = CreateCompatibleDC(screen_);
    bitmap_ = memory_ != nullptr ? CreateCompatibleBitmap(screen_, area_.right, area_.bottom) : nullptr;
    if (bitmap_ == nullptr) {
        if (memory_ != nullptr)
            DeleteDC(memory_);
        memory_ = nullptr;
        return;
    }
    previous_ = SelectObject(memory_, bitmap_);
}

BufferedPaint::~BufferedPaint() {
    if (memory_ != nullptr) {
        BitBlt(screen_, 0, 0, area_.right, area_.bottom, memory_, 0, 0, SRCCOPY);
        SelectObject(memory_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(memory_);
    }
    EndPaint(window_, &paint_);
}

void FillGradient(HDC dc, const RECT& area, COLORREF top, COLORREF bottom) {
    const int height = area.bottom - area.top;
    if (height <= 0)
        return;
    // Bands of 2 pixels are smooth enough and cheap.
    for (int y = 0; y < height; y += 2) {
        auto mix = [&](int a, int b) { return a + (b - a) * y / height; };
        COLORREF color = RGB(mix(GetRValue(top), GetRValue(bottom)), mix(GetGValue(top), GetGValue(bottom)),
                             mix(GetBValue(top), GetBValue(bottom)));
        win32::GdiObject<HBRUSH> brush(CreateSolidBrush(color));
        RECT band = {area.left, area.top + y, area.right, area.top + y + 2};
        if (brush)
            FillRect(dc, &band, brush.Get());
    }
}

void FillRoundRect(HDC dc, const RECT& area, int radius, COLORREF fill) {
    win32::GdiObject<HBRUSH> brush(CreateSolidBrush(fill));
    win32::GdiObject<HPEN> pen(CreatePen(PS_SOLID, 1, fill));
    if (!brush || !pen)
        return;
    win32::SelectObjectScope withBrush(dc, brush.Get());
    win32::SelectObjectScope withPen(dc, pen.Get());
    RoundRect(dc, area.left, area.top, area.right, area.bottom, radius, radius);
}

void DrawLabel(HDC dc, const std::string& text, RECT area, int height, int weight, COLORREF color, UINT format) {
    win32::GdiObject<HFONT> font(CreateFontA(-height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                             DEFAULT_PITCH | FF_SWISS, "Tahoma"));
    win32::SelectObjectScope withFont(dc, font ? static_cast<HGDIOBJ>(font.Get()) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, format | DT_NOPREFIX);
}

void DrawPanel(HDC dc, const RECT& area, const PanelLook& look) {
    FillGradient(dc, area, look.top, look.bottom);
    const RECT header = {18, 12, area.right - 18, 34};
    DrawLabel(dc, look.title, header, 13, FW_BOLD, look.accent, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    DrawLabel(dc, look.subtitle, header, 12, FW_NORMAL, look.subtitleColor, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
}

} // namespace sibling
