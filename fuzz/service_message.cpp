// The service's message protocol: the WM_COPYDATA requests anything on the
// desktop may send to its window, and the clients reply the control library
// reads back. The first input byte picks the request tag, the rest is the
// payload (and, whole, the reply text).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "ServiceMessage.h"

namespace proto = RemoteServiceProtocol;

namespace {

constexpr std::uint64_t kTags[] = {proto::kRegister,
                                   proto::kUnregister,
                                   proto::kPost,
                                   proto::kQuit,
                                   proto::kResume,
                                   proto::kClients,
                                   proto::kAttempts,
                                   proto::kUnregistrations,
                                   proto::kStop,
                                   proto::kClientsReply,
                                   0,
                                   0x152530001ull};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint64_t tag = kTags[data[0] % (sizeof kTags / sizeof kTags[0])];
    // The payload in a buffer of its own size, as the sender's would be.
    const std::size_t payloadSize = size - 1;
    std::unique_ptr<std::uint8_t[]> payload(new std::uint8_t[payloadSize > 0 ? payloadSize : 1]);
    std::memcpy(payload.get(), data + 1, payloadSize);
    const proto::DecodedRequest request =
        proto::DecodeRequest(tag, payloadSize > 0 ? payload.get() : nullptr, payloadSize);
    if (request.valid) {
        if (request.request != tag || request.identity.size() > proto::kMaxIdentity ||
            (!request.hasIdentity && !request.identity.empty()))
            std::abort();
        if ((tag == proto::kRegister || tag == proto::kUnregister) && payloadSize != sizeof(proto::RegisterRequest))
            std::abort();
    }

    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const proto::ClientLine& line : proto::ParseClientsReply(text)) {
        // A line written back reads as the same client.
        if (line.identity.find('\n') != std::string::npos)
            std::abort();
        const std::vector<proto::ClientLine> again =
            proto::ParseClientsReply(proto::FormatClientLine(line.window, line.identity));
        if (again.size() != 1 || again[0].window != line.window || again[0].identity != line.identity)
            std::abort();
    }
    return 0;
}
