// Whole-file reads shared by the program's tools, the stand-ins and the tests.
#pragma once
#include <windows.h>

#include <string>

#include "win32/Handles.h"

namespace win32 {

// The whole file as bytes; empty when it cannot be opened or read. Opened
// with every sharing mode so a log another process is still writing reads.
inline std::string ReadTextFile(const std::string& path) {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::string();
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

} // namespace win32
