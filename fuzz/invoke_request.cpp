// The movie player's invoke-request parser. The input is taken as UTF-16
// code units, as the player receives them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "InvokeRequest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring request;
    request.reserve(size / 2);
    for (std::size_t i = 0; i + 1 < size; i += 2)
        request.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    const flashobj::Command fromString = flashobj::ParseInvokeRequest(request);
    // The terminated-buffer entry must agree with the string one up to the
    // first NUL.
    const flashobj::Command fromBuffer = flashobj::ParseInvokeRequest(request.c_str());
    const flashobj::Command upToNul = flashobj::ParseInvokeRequest(std::wstring(request.c_str()));
    if (fromBuffer.type != upToNul.type || fromBuffer.text != upToNul.text || fromBuffer.number != upToNul.number)
        std::abort();
    if (fromString.text.size() > flashobj::kMaxTextLength)
        std::abort();
    flashobj::CommandName(fromString.type);
    int value = 0;
    flashobj::ParseInt32(request, value);
    return 0;
}
