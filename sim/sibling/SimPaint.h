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

} // namespace sibling
