// Whole-file reads shared by the program's tools, the stand-ins and the tests.
#pragma once
#include <windows.h>

#include <string>

#include "win32/Handles.h"

namespace win32 {

// The whole file as bytes, up to maxBytes; empty when it cannot be opened or
// read. Opened with every sharing mode so a log another process is still
// writing reads. The bound serves files whose size is not known in advance
// (/proc) and files that may have grown without limit.
inline std::string ReadTextFile(const std::string& path, size_t maxBytes = static_cast<size_t>(-1)) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::string();
    std::string text;
    char buffer[4096];
    while (text.size() < maxBytes) {
        DWORD read = 0;
        const DWORD want =
            static_cast<DWORD>(maxBytes - text.size() < sizeof buffer ? maxBytes - text.size() : sizeof buffer);
        if (!ReadFile(file.Get(), buffer, want, &read, nullptr) || read == 0)
            break;
        text.append(buffer, read);
    }
    return text;
}

// Writes the bytes as the whole file, replacing what was there.
inline bool WriteTextFile(const std::string& path, const std::string& bytes) {
    UniqueHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return bytes.empty() || (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                             written == bytes.size());
}

} // namespace win32
