// Where a module's file lies: its full name and its folder.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace win32 {

// The folder of a module file name, with its trailing separator: up to the
// last backslash, else up to the first colon, else empty.
inline std::string FolderOfModulePath(const std::string& path) {
    const size_t backslash = path.find_last_of('\\');
    if (backslash != std::string::npos)
        return path.substr(0, backslash + 1);
    const size_t colon = path.find(':');
    if (colon != std::string::npos)
        return path.substr(0, colon + 1);
    return std::string();
}

// A module's full file name (the executable's for null), read into a buffer
// that starts at `initialSize` characters and doubles while the name is cut.
// Empty when the name cannot be read.
inline std::string ModuleFileName(HMODULE module = nullptr, DWORD initialSize = 128) {
    DWORD size = initialSize == 0 ? 1 : initialSize;
    for (;;) {
        std::vector<char> buffer(size);
        const DWORD length = GetModuleFileNameA(module, buffer.data(), size);
        if (length < size)
            return std::string(buffer.data(), length);
        if (size > 0x7FFFFFFF / 2) // cannot grow further; take what came
            return std::string(buffer.data(), size);
        size *= 2;
    }
}

// The folder of a module (the executable's for null) with its trailing
// backslash; computed on each call.
inline std::string ModuleFolder(HMODULE module = nullptr) { return FolderOfModulePath(ModuleFileName(module)); }

// The module (executable or DLL) whose image holds `address`; null if none.
inline HMODULE ModuleContaining(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module))
        return nullptr;
    return module;
}

} // namespace win32
