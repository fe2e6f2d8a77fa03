#include "widget/LayeredWindow.h"

#include "win32/Handles.h"

namespace {

FARPROC User32Entry(const char* name) {
    // user32 is loaded in every GUI process; it is not loaded here.
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
}

template <class F>
F EntryAs(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(User32Entry(name)));
}

constexpr COLORREF kColorMask = 0xFFFFFF;

} // namespace

bool SetLayeredStyle(HWND window, bool layered, bool clickThrough) {
    if (window == nullptr || !IsWindow(window))
        return false;
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    const DWORD wanted = (layered ? WS_EX_LAYERED : 0u) | (clickThrough ? WS_EX_TRANSPARENT : 0u);
    if ((style & kLayeredStyleMask) == wanted)
        return false;
    SetWindowLongA(window, GWL_EXSTYLE, static_cast<LONG>((style & ~kLayeredStyleMask) | wanted));
    return true;
}

bool RemoveLayering(HWND window, bool clickThrough) {
    if (!SetLayeredStyle(window, false, clickThrough)) {
        // Unchanged is fine; a window whose style still carries the layered
        // bit was not written.
        return window != nullptr && IsWindow(window) &&
               (static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)) & WS_EX_LAYERED) == 0;
    }
    RedrawWindow(window, nullptr, nullptr, kRemoveLayeringRedraw);
    return true;
}

LayeredWindowMaker::LayeredWindowMaker()
    : LayeredWindowMaker(EntryAs<SetLayeredWindowAttributesFunc>("SetLayeredWindowAttributes")) {}

LayeredWindowMaker::LayeredWindowMaker(SetLayeredWindowAttributesFunc setAttributes) : setAttributes_(setAttributes) {}

bool LayeredWindowMaker::Apply(HWND window) {
    if (!IsEnabled())
        return false;
    if (!useColorKey_ && !useAlpha_)
        return RemoveLayering(window, clickThrough_);
    SetLayeredStyle(window, true, clickThrough_);
    const DWORD flags = (useColorKey_ ? LWA_COLORKEY : 0u) | (useAlpha_ ? LWA_ALPHA : 0u);
    return setAttributes_(window, colorKey_ & kColorMask, alpha_, flags) != FALSE;
}

PerPixelLayeredWindowBase::PerPixelLayeredWindowBase()
    : PerPixelLayeredWindowBase(EntryAs<UpdateLayeredWindowFunc>("UpdateLayeredWindow")) {}

PerPixelLayeredWindowBase::PerPixelLayeredWindowBase(UpdateLayeredWindowFunc updateWindow)
    : updateWindow_(updateWindow) {}

void PerPixelLayeredWindowBase::Update(HWND window, const void* bitmapObject) {
    if (!IsEnabled())
        return;
    const HBITMAP bitmap = BitmapHandle(bitmapObject);
    BITMAP header{};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof(header), &header) != static_cast<int>(sizeof(header)))
        return;
    const bool perPixel = header.bmBitsPixel == 32 && perPixelAlpha_;

    BLENDFUNCTION blend{};
    blend.BlendOp = AC_SRC_OVER;
    blend.BlendFlags = 0;
    blend.SourceConstantAlpha = 255;
    blend.AlphaFormat = AC_SRC_ALPHA;

    if (!useAlpha_ && !perPixel) {
        if (useColorKey_) {
            SetLayeredStyle(window, true, clickThrough_);
            Draw(window, bitmap, blend, ULW_COLORKEY);
        } else {
            RemoveLayering(window, clickThrough_);
        }
        return;
    }
    if (useAlpha_)
        blend.SourceConstantAlpha = alpha_;
    SetLayeredStyle(window, true, clickThrough_);
    Draw(window, bitmap, blend, ULW_ALPHA);
}

void PerPixelLayeredWindowBase::Draw(HWND window, HBITMAP bitmap, BLENDFUNCTION blend, DWORD flag) {
    win32::WindowDC windowDC(window);
    if (!windowDC)
        return;
    win32::MemoryDC memoryDC(windowDC.Get());
    if (!memoryDC)
        return;
    RECT rect{};
    GetWindowRect(window, &rect);
    POINT destination{rect.left, rect.top};
    BITMAP header{};
    GetObjectA(bitmap, sizeof(header), &header);
    SIZE size{header.bmWidth, header.bmHeight < 0 ? -header.bmHeight : header.bmHeight};
    POINT source{0, 0};
    win32::SelectObjectScope select(memoryDC.Get(), bitmap);
    updateWindow_(window, windowDC.Get(), &destination, &size, memoryDC.Get(), &source, colorKey_ & kColorMask, &blend,
                  flag);
}

HBITMAP TPerPixelLayeredWindowMaker::BitmapHandle(const void* bitmapObject) const {
    return bitmapObject != nullptr ? static_cast<const gui::Bitmap*>(bitmapObject)->Handle() : nullptr;
}
