// A walk over the top-level windows of one class and caption.
#pragma once
#include <windows.h>

namespace win32 {

// Hands each top-level window of the class and caption (null matches any)
// to visit until it returns true, and returns that window, else null. The
// walk is bounded: a window torn down during it must not make it spin.
template <typename Visit>
HWND FindTopWindow(const char* windowClass, const char* caption, Visit visit) {
    HWND window = nullptr;
    for (int guard = 0; guard < 4096; ++guard) {
        window = FindWindowExA(nullptr, window, windowClass, caption);
        if (window == nullptr || visit(window))
            return window;
    }
    return nullptr;
}

// The process that owns a window (0 for none).
inline DWORD OwnerProcess(HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner;
}

} // namespace win32
