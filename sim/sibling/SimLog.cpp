#include "SimLog.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

#include "win32/Handles.h"
#include "win32/ModulePath.h"

namespace sibling {

std::string Format(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int written = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (written < 0)
        return std::string();
    return std::string(buffer);
}

std::string SimLog::PathFromEnvironment(const char* variable, const char* defaultName) {
    char value[MAX_PATH * 2];
    DWORD length = GetEnvironmentVariableA(variable, value, sizeof value);
    if (length > 0 && length < sizeof value)
        return std::string(value, length);
    return win32::ModuleFolder() + defaultName;
}

bool SimLog::Write(const std::string& source, const std::string& text) const {
    if (path_.empty())
        return false;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string line = Format("%02u:%02u:%02u.%03u ", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    line += source;
    line += ' ';
    line += text;
    line += "\r\n";
    // Readers in other processes may hold the file open; share everything.
    win32::UniqueHandle file(CreateFileA(path_.c_str(), FILE_APPEND_DATA,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    // Appending access already writes at the end; the seek covers file
    // systems that ignore it.
    SetFilePointer(file.Get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    return WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

} // namespace sibling
