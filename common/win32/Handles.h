// Scoped owners for the Win32 handles the program, the stand-ins and the
// tests create. Each owns exactly one handle, cannot be copied, and can be
// moved, so every path releases it exactly once.
#pragma once
#include <windows.h>

#include <utility>

namespace win32 {

// Owner of one handle whose empty value is Traits::Empty() and which
// Traits::Close(handle) releases.
template <class T, class Traits>
class UniqueOwner {
public:
    UniqueOwner() = default;
    explicit UniqueOwner(T handle) : handle_(handle) {}
    ~UniqueOwner() { Reset(); }
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;
    UniqueOwner(UniqueOwner&& other) noexcept : handle_(other.Release()) {}
    UniqueOwner& operator=(UniqueOwner&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    T Get() const { return handle_; }
    bool IsValid() const { return Traits::Owns(handle_); }
    explicit operator bool() const { return IsValid(); }
    T Release() { return std::exchange(handle_, nullptr); }
    void Reset(T handle = nullptr) {
        if (IsValid())
            Traits::Close(handle_);
        handle_ = handle;
    }
    // For functions that return a new handle through a pointer: releases
    // what is owned and hands out the slot.
    T* Receive() {
        Reset();
        return &handle_;
    }

private:
    T handle_ = nullptr;
};

struct KernelTraits {
    // CreateFileA fails with INVALID_HANDLE_VALUE, most others with null.
    static bool Owns(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};

// A folder search: FindFirstFileA fails with INVALID_HANDLE_VALUE.
struct FindTraits {
    static bool Owns(HANDLE search) { return search != nullptr && search != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE search) { FindClose(search); }
};

struct RegKeyTraits {
    static bool Owns(HKEY key) { return key != nullptr; }
    static void Close(HKEY key) { RegCloseKey(key); }
};

struct ModuleTraits {
    static bool Owns(HMODULE module) { return module != nullptr; }
    static void Close(HMODULE module) { FreeLibrary(module); }
};

struct WindowTraits {
    static bool Owns(HWND window) { return window != nullptr; }
    static void Close(HWND window) { DestroyWindow(window); }
};

template <class T>
struct GdiTraits {
    static bool Owns(T object) { return object != nullptr; }
    static void Close(T object) { DeleteObject(object); }
};

// A kernel object: file, mutex, event, process, thread (CloseHandle).
using UniqueHandle = UniqueOwner<HANDLE, KernelTraits>;
// A folder search (FindClose).
using FindHandle = UniqueOwner<HANDLE, FindTraits>;
// An open registry key (RegCloseKey).
using RegKey = UniqueOwner<HKEY, RegKeyTraits>;
// A loaded library (FreeLibrary).
using UniqueModule = UniqueOwner<HMODULE, ModuleTraits>;
// A window this thread made (DestroyWindow).
using UniqueWindow = UniqueOwner<HWND, WindowTraits>;
// A GDI object: bitmap, brush, pen, font, region (DeleteObject).
template <class T>
using GdiObject = UniqueOwner<T, GdiTraits<T>>;

// A window's (or the screen's) device context for the length of a scope.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_ != nullptr)
            ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// A memory device context compatible with another one (or the screen).
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith = nullptr) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (dc_ != nullptr)
            DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back at scope end.
class SelectObjectScope {
public:
    SelectObjectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectObjectScope() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    SelectObjectScope(const SelectObjectScope&) = delete;
    SelectObjectScope& operator=(const SelectObjectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

} // namespace win32
