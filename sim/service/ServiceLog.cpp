#include "ServiceLog.h"

#include <windows.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "ServiceProtocol.h"

namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return handle_; }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

std::string ModuleFolder() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::string();
        if (length < buffer.size()) {
            std::string path(buffer.data(), length);
            const size_t slash = path.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        }
        if (buffer.size() >= 32768)
            return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

ServiceLog::ServiceLog(std::string path) : path_(std::move(path)) {}

std::string ServiceLog::DefaultPath() {
    const DWORD needed = GetEnvironmentVariableA(RemoteServiceProtocol::kLogVariable, nullptr, 0);
    if (needed > 1) {
        std::vector<char> buffer(needed);
        const DWORD length = GetEnvironmentVariableA(RemoteServiceProtocol::kLogVariable, buffer.data(), needed);
        if (length > 0 && length < needed)
            return std::string(buffer.data(), length);
    }
    const std::string folder = ModuleFolder();
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

    FileHandle file(CreateFileA(path_.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != FALSE &&
           written == text.size();
}
