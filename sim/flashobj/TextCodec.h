// Conversions between the UTF-16 texts of the requests and the system code
// page used for drawing (the program formats its texts in that code page, so
// the round trip loses nothing).
#pragma once

#include <string>

namespace flashobj {

std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);

// Replaces control characters by blanks and cuts to maxLength bytes, for
// one-line log entries.
std::string OneLine(const std::string& text, size_t maxLength);

} // namespace flashobj
