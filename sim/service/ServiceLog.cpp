#include "ServiceLog.h"

#include <windows.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "ServiceProtocol.h"
#include "win32/Handles.h"
#include "win32/ModulePath.h"

namespace {} // namespace

ServiceLog::ServiceLog(std::string path) : path_(std::move(path)) {}

std::string ServiceLog::DefaultPath() {
    const DWORD needed = GetEnvironmentVariableA(RemoteServiceProtocol::kLogVariable, nullptr, 0);
    if (needed > 1) {
        std::vector<char> buffer(needed);
        const DWORD length = GetEnvironmentVariableA(RemoteServiceProtocol::kLogVariable, buffer.data(), needed);
        if (length > 0 && length < needed)
            return std::string(buffer.data(), length);
    }
    const std::string folder = win32::ModuleFolder();
    return folder.empty() ? std::string() : folder + "RemoteService.log";
}

bool ServiceLog::Write(const std::string& line) const {
    if (path_.empty())
        return false;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    const std::string text = stamp + line + "\r\n";

    win32::UniqueHandle file(CreateFileA(path_.c_str(), FILE_APPEND_DATA,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE &&
           written == text.size();
}
