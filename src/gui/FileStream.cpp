#include "gui/FileStream.h"

#include "gui/Exceptions.h"

namespace gui {

FileStream::FileStream(const std::string& fileName)
    : fileName_(fileName), file_(CreateFileA(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (!file_)
        throw EFOpenError(fileName, SystemErrorText(GetLastError()));
}

DWORD FileStream::Read(void* buffer, DWORD count) {
    DWORD read = 0;
    if (count == 0 || !ReadFile(file_.Get(), buffer, count, &read, nullptr))
        return 0;
    return read;
}

std::uint64_t FileStream::Size() const {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file_.Get(), &size))
        return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
}

} // namespace gui
