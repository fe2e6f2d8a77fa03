#include "gui/Exceptions.h"

#include <windows.h>

namespace gui {

EFOpenError::EFOpenError(const std::string& fileName, const std::string& reason)
    : Exception("Cannot open file \"" + fileName + "\". " + reason), fileName_(fileName) {}

std::string SystemErrorText(unsigned long code) {
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result;
    if (length != 0 && text != nullptr) {
        result.assign(text, length);
        while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
            result.pop_back();
    } else {
        result = "Error " + std::to_string(code);
    }
    if (text != nullptr)
        LocalFree(text);
    return result;
}

} // namespace gui
