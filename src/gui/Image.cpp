#include "gui/Image.h"
#include <algorithm>

#include "gui/Form.h"
#include "gui/Resample.h"
#include "win32/Handles.h"

namespace gui {

Image::Image(Form& parent) : parent_(parent) { parent_.AddControl(this); }

Image::~Image() { parent_.RemoveControl(this); }

void Image::SetBounds(int left, int top, int width, int height) {
    bounds_ = RECT{left, top, left + width, top + height};
    Invalidate();
}

void Image::SetStretch(bool stretch) {
    if (stretch == stretch_)
        return;
    stretch_ = stretch;
    Invalidate();
}

void Image::Invalidate() {
    if (parent_.Handle() != nullptr)
        InvalidateRect(parent_.Handle(), &bounds_, FALSE);
}

void Image::Paint(HDC dc) const {
    if (picture_.Empty())
        return;
    win32::MemoryDC source(dc);
    if (!source)
        return;
    win32::SelectObjectScope select(source.Get(), picture_.Handle());
    const int width = bounds_.right - bounds_.left;
    const int height = bounds_.bottom - bounds_.top;
    if (stretch_) {
        if (width <= 0 || height <= 0)
            return;
        if (!stretchedValid_ || stretched_.Width() != width || stretched_.Height() != height) {
            stretched_.SetPixelFormat(picture_.Format());
            stretched_.SetSize(width, height);
            if (stretched_.Empty())
                return;
            // The picture may have been drawn into through GDI.
            GdiFlush();
            StretchBilinear(picture_.ScanLine(0), PixelLayout{picture_.Width(), picture_.Height(), picture_.Stride()},
                            stretched_.ScanLine(0), PixelLayout{width, height, stretched_.Stride()},
                            picture_.BytesPerPixel());
            stretchedValid_ = true;
        }
        win32::MemoryDC stretchedSource(dc);
        if (!stretchedSource)
            return;
        win32::SelectObjectScope selectStretched(stretchedSource.Get(), stretched_.Handle());
        BitBlt(dc, bounds_.left, bounds_.top, width, height, stretchedSource.Get(), 0, 0, SRCCOPY);
    } else {
        BitBlt(dc, bounds_.left, bounds_.top, std::min(width, picture_.Width()), std::min(height, picture_.Height()),
               source.Get(), 0, 0, SRCCOPY);
    }
}

} // namespace gui
