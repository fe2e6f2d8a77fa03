#include "ServiceMessage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace RemoteServiceProtocol {
namespace {

// A payload of exactly the record's size, copied: the sender's buffer is
// only borrowed for the call and need not be aligned.
template <class Record>
bool Take(const void* data, std::size_t size, Record& record) {
    if (data == nullptr || size != sizeof(Record))
        return false;
    std::memcpy(&record, data, sizeof(Record));
    return true;
}

} // namespace

DecodedRequest DecodeRequest(std::uint64_t tag, const void* data, std::size_t size) {
    DecodedRequest decoded;
    if (tag > 0xFFFFFFFFu)
        return decoded;
    decoded.request = static_cast<Request>(tag);
    switch (tag) {
    case kRegister:
    case kUnregister: {
        RegisterRequest request{};
        if (!Take(data, size, request))
            return decoded;
        decoded.window = request.window;
        decoded.hasIdentity = request.identityValid != 0 && request.identityLength <= kMaxIdentity;
        if (decoded.hasIdentity) {
            for (std::uint32_t i = 0; i < request.identityLength; ++i)
                decoded.identity.push_back(static_cast<wchar_t>(request.identity[i]));
        }
        decoded.valid = true;
        return decoded;
    }
    case kPost:
        decoded.valid = Take(data, size, decoded.post);
        return decoded;
    case kClients: {
        QueryRequest request{};
        decoded.valid = Take(data, size, request);
        decoded.replyWindow = request.replyWindow;
        return decoded;
    }
    case kQuit:
    case kResume:
    case kAttempts:
    case kUnregistrations:
    case kStop:
        decoded.valid = true; // no payload; any sent is ignored
        return decoded;
    default:
        return decoded;
    }
}

std::string FormatClientLine(std::uint32_t window, const std::string& identity) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(window));
    return std::string(text) + " " + identity + "\n";
}

std::vector<ClientLine> ParseClientsReply(const std::string& text) {
    std::vector<ClientLine> clients;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t space = line.find(' ');
        if (space == std::string::npos)
            continue;
        // "0x" and a number as strtoul reads it (overflow gives its maximum).
        if (line.compare(0, 2, "0x") != 0)
            continue;
        char* digitsEnd = nullptr;
        const unsigned long value = std::strtoul(line.c_str() + 2, &digitsEnd, 16);
        if (digitsEnd == line.c_str() + 2)
            continue;
        ClientLine client;
        client.window = static_cast<std::uint32_t>(value);
        client.identity = line.substr(space + 1);
        clients.push_back(client);
    }
    return clients;
}

} // namespace RemoteServiceProtocol
