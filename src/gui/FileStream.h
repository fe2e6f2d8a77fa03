// A read-only file stream. Opening a missing or unreadable file raises the
// framework's file-open error, the one failure that travels as an exception.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "win32/Handles.h"

namespace gui {

class FileStream {
public:
    // Throws EFOpenError when the file cannot be opened for reading.
    explicit FileStream(const std::string& fileName);
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Reads up to count bytes; returns the number read (0 at the end or on error).
    DWORD Read(void* buffer, DWORD count);
    std::uint64_t Size() const;
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    win32::UniqueHandle file_;
};

} // namespace gui
