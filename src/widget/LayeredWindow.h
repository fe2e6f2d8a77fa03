// Layered top-level windows: one constant opacity (and optionally a colour
// key) for a whole window, or a 32-bit bitmap with its own alpha channel as
// the window's image. The platform entry points are looked up by name so the
// program still starts on a system that lacks them.
#pragma once
#include <windows.h>

#include "gui/Bitmap.h"

using SetLayeredWindowAttributesFunc = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
using UpdateLayeredWindowFunc = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);

// Only these two extended-style bits are ever changed here.
constexpr DWORD kLayeredStyleMask = WS_EX_LAYERED | WS_EX_TRANSPARENT; // 0x80020
// Frame, all children, erase and invalidate: a window that stops being
// layered must be painted again the ordinary way.
constexpr UINT kRemoveLayeringRedraw = RDW_FRAME | RDW_ALLCHILDREN | RDW_ERASE | RDW_INVALIDATE; // 0x485

// Brings the layered and click-through bits of a window's extended style in
// line with the wishes, leaving every other bit alone. Returns true when the
// style had to be written, false when it already matched (or the window is
// gone).
bool SetLayeredStyle(HWND window, bool layered, bool clickThrough);

// Drops the layered bit (click-through as given) and, if that changed the
// style, redraws the window. Returns false only when the style could not be
// written.
bool RemoveLayering(HWND window, bool clickThrough);

class LayeredWindowMaker {
public:
    // Looks up SetLayeredWindowAttributes in the already loaded user32.dll.
    LayeredWindowMaker();
    // Uses the given entry point instead (null: a platform without it).
    explicit LayeredWindowMaker(SetLayeredWindowAttributesFunc setAttributes);
    virtual ~LayeredWindowMaker() = default;
    LayeredWindowMaker(const LayeredWindowMaker&) = delete;
    LayeredWindowMaker& operator=(const LayeredWindowMaker&) = delete;

    bool IsEnabled() const { return setAttributes_ != nullptr; }

    // The setters only store; Apply puts them on a window.
    void SetAlphaEnabled(bool enabled) { useAlpha_ = enabled; }
    void SetClickThrough(bool clickThrough) { clickThrough_ = clickThrough; }
    void SetAlpha(BYTE alpha) { alpha_ = alpha; }
    void SetColorKey(COLORREF colorKey) { colorKey_ = colorKey; }
    void SetColorKeyEnabled(bool enabled) { useColorKey_ = enabled; }

    bool AlphaEnabled() const { return useAlpha_; }
    bool ClickThrough() const { return clickThrough_; }
    BYTE Alpha() const { return alpha_; }
    COLORREF ColorKey() const { return colorKey_; }
    bool ColorKeyEnabled() const { return useColorKey_; }

    // Makes the window layered with the stored opacity and colour key, or
    // removes the layering when both are off. Returns the platform call's
    // success; false without the entry point.
    bool Apply(HWND window);

private:
    COLORREF colorKey_ = 0xFFFFFFFF;
    bool useColorKey_ = false;
    bool clickThrough_ = false;
    bool useAlpha_ = false;
    BYTE alpha_ = 255;
    SetLayeredWindowAttributesFunc setAttributes_ = nullptr;
};

// Shows a bitmap as a window's whole image. Derived classes say how to get
// the native bitmap out of their bitmap object.
class PerPixelLayeredWindowBase {
public:
    // Looks up UpdateLayeredWindow in the already loaded user32.dll.
    PerPixelLayeredWindowBase();
    // Uses the given entry point instead (null: a platform without it).
    explicit PerPixelLayeredWindowBase(UpdateLayeredWindowFunc updateWindow);
    virtual ~PerPixelLayeredWindowBase() = default;
    PerPixelLayeredWindowBase(const PerPixelLayeredWindowBase&) = delete;
    PerPixelLayeredWindowBase& operator=(const PerPixelLayeredWindowBase&) = delete;

    bool IsEnabled() const { return updateWindow_ != nullptr; }

    void SetClickThrough(bool clickThrough) { clickThrough_ = clickThrough; }
    void SetPerPixelAlpha(bool perPixelAlpha) { perPixelAlpha_ = perPixelAlpha; }
    void SetAlphaEnabled(bool enabled) { useAlpha_ = enabled; }
    void SetAlpha(BYTE alpha) { alpha_ = alpha; }
    void SetColorKey(COLORREF colorKey) { colorKey_ = colorKey; }
    void SetColorKeyEnabled(bool enabled) { useColorKey_ = enabled; }

    // Shows the bitmap as the window's image at the window's current place.
    // Does nothing without the entry point or without a bitmap.
    void Update(HWND window, const void* bitmapObject);

protected:
    // The native bitmap to show for the caller's bitmap object.
    virtual HBITMAP BitmapHandle(const void* bitmapObject) const = 0;

private:
    void Draw(HWND window, HBITMAP bitmap, BLENDFUNCTION blend, DWORD flag);

    COLORREF colorKey_ = 0xFFFFFFFF;
    bool useColorKey_ = false;
    bool clickThrough_ = false;
    bool useAlpha_ = false;
    BYTE alpha_ = 255;
    bool perPixelAlpha_ = false;
    UpdateLayeredWindowFunc updateWindow_ = nullptr;
};

// The variant for the GUI framework's bitmap.
class TPerPixelLayeredWindowMaker : public PerPixelLayeredWindowBase {
public:
    using PerPixelLayeredWindowBase::PerPixelLayeredWindowBase;

    void Update(HWND window, const gui::Bitmap& bitmap) { PerPixelLayeredWindowBase::Update(window, &bitmap); }

protected:
    HBITMAP BitmapHandle(const void* bitmapObject) const override;
};
