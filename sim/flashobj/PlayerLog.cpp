#include "PlayerLog.h"

#include <windows.h>

#include "win32/Handles.h"
#include "TextCodec.h"

namespace flashobj {

void LogLine(const std::string& movie, const std::string& text) {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableA("FLASHOBJ_LOG", path, sizeof(path));
    if (length == 0 || length >= sizeof(path))
        return;

    std::string line = std::to_string(GetTickCount()) + " " + OneLine(movie, 64) + " " + OneLine(text, 2048) + "\n";
    win32::UniqueHandle file(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return;
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

} // namespace flashobj
