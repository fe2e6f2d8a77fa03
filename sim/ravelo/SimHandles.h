// Scoped owners for the few Win32 handles the stand-ins create. Each owns
// one handle and cannot be copied, so every path releases it exactly once.
#pragma once
#include <windows.h>

namespace sibling {

// Kernel handle (CloseHandle); null and INVALID_HANDLE_VALUE own nothing.
class KernelHandle {
public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE handle) : handle_(handle) {}
    ~KernelHandle() { Reset(); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    HANDLE Get() const { return handle_; }
    bool IsValid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE handle = nullptr) {
        if (IsValid())
            CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

// Registry key (RegCloseKey).
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() { Reset(); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY Get() const { return key_; }
    HKEY* Receive() {
        Reset();
        return &key_;
    }
    bool IsOpen() const { return key_ != nullptr; }
    void Reset() {
        if (key_ != nullptr)
            RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};

// GDI object (DeleteObject): fonts, brushes, pens, bitmaps.
template <class T>
class GdiHandle {
public:
    GdiHandle() = default;
    explicit GdiHandle(T object) : object_(object) {}
    ~GdiHandle() {
        if (object_ != nullptr)
            DeleteObject(object_);
    }
    GdiHandle(const GdiHandle&) = delete;
    GdiHandle& operator=(const GdiHandle&) = delete;

    T Get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    T object_ = nullptr;
};

// Selects an object into a device context for one scope and puts the
// previous one back.
class SelectIn {
public:
    SelectIn(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectIn() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    SelectIn(const SelectIn&) = delete;
    SelectIn& operator=(const SelectIn&) = delete;

private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

} // namespace sibling
