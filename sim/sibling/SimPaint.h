// Flicker-free painting for the stand-ins' small status windows: the frame
// is drawn into a memory bitmap and copied to the window in one go.
#pragma once
#include <windows.h>

#include <string>

#include "win32/Handles.h"

namespace sibling {

class BufferedPaint {
public:
    explicit BufferedPaint(HWND window);
    ~BufferedPaint();
    BufferedPaint(const BufferedPaint&) = delete;
    BufferedPaint& operator=(const BufferedPaint&) = delete;

    // The memory context to draw on; null when the buffer could not be made
    // (then nothing is drawn and the window is only validated).
    HDC Dc() const { return memory_; }
    const RECT& Area() const { return area_; }

private:
    HWND window_ = nullptr;
    PAINTSTRUCT paint_{};
    HDC screen_ = nullptr;
    HDC memory_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    RECT area_{};
};

void FillGradient(HDC dc, const RECT& area, COLORREF top, COLORREF bottom);
void FillRoundRect(HDC dc, const RECT& area, int radius, COLORREF fill);
void DrawLabel(HDC dc, const std::string& text, RECT area, int height, int weight, COLORREF color, UINT format);

// A stand-in's panel background: a vertical gradient under a title bar
// with the product name on the left (in the accent colour) and what it does
// on the right.
struct PanelLook {
    COLORREF top;
    COLORREF bottom;
    COLORREF accent;
    const char* title;
    const char* subtitle;
    COLORREF subtitleColor;
};
void DrawPanel(HDC dc, const RECT& area, const PanelLook& look);

// Paints a window as a panel: draw(dc, area) adds the content on top.
template <class Draw>
void PaintPanel(HWND window, const PanelLook& look, Draw draw) {
    BufferedPaint paint(window);
    if (paint.Dc() == nullptr)
        return;
    DrawPanel(paint.Dc(), paint.Area(), look);
    draw(paint.Dc(), paint.Area());
}

} // namespace sibling
