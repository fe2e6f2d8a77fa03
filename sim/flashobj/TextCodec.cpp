#include "TextCodec.h"

#include <windows.h>

namespace flashobj {

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty() || text.size() > 0x100000)
        return std::string();
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return std::string();
    std::string out(static_cast<size_t>(needed), '\0');
    const int written = WideCharToMultiByte(CP_ACP, 0, text.data(), length, &out[0], needed, nullptr, nullptr);
    if (written <= 0)
        return std::string();
    out.resize(static_cast<size_t>(written));
    return out;
}

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty() || text.size() > 0x100000)
        return std::wstring();
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(needed), L'\0');
    const int written = MultiByteToWideChar(CP_ACP, 0, text.data(), length, &out[0], needed);
    if (written <= 0)
        return std::wstring();
    out.resize(static_cast<size_t>(written));
    return out;
}

std::string OneLine(const std::string& text, size_t maxLength) {
    // Cut at a whole character of the code page.
    size_t cut = 0;
    while (cut < text.size()) {
        const size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[cut])) ? 2 : 1;
        if (cut + step > maxLength || cut + step > text.size())
            break;
        cut += step;
    }
    std::string out = text.substr(0, cut);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    }
    return out;
}

} // namespace flashobj
