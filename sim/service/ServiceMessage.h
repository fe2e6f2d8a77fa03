// The wire side of the service protocol, over bytes: the WM_COPYDATA
// request records and the text reply listing the clients. Anything may send
// a WM_COPYDATA to the service's window, so every request is decoded here
// with its size checked before a byte of it is used.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace RemoteServiceProtocol {

// Identities longer than this are refused (the program's is 36 characters).
constexpr std::uint32_t kMaxIdentity = 255;
// More clients than this are refused rather than grown without bound.
constexpr std::size_t kMaxClients = 64;

// COPYDATASTRUCT::dwData of each request. The values carry a tag so a
// stray WM_COPYDATA from elsewhere is not mistaken for a request.
enum Request : std::uint32_t {
    kRegister = 0x52530001,
    kUnregister = 0x52530002,
    kPost = 0x52530003,            // PostRequest: any message to every client
    kQuit = 0x52530004,            // no payload: 1024/0x55, then forget the clients
    kResume = 0x52530005,          // no payload: WM_POWERBROADCAST/7
    kClients = 0x52530006,         // QueryRequest: text reply to replyWindow
    kAttempts = 0x52530007,        // no payload: LRESULT = register calls received
    kUnregistrations = 0x52530008, // no payload: LRESULT = unregister calls
    kStop = 0x52530009,            // no payload: the service ends
    kClientsReply = 0x52530010,    // service -> replyWindow: UTF-8 text
};

// kRegister / kUnregister payload. Fixed size; the receiver checks the size
// and the length field before touching the text.
struct RegisterRequest {
    std::uint32_t window;                     // the client's HWND (32 significant bits)
    std::uint32_t identityValid;              // 0 when the caller passed no usable identity
    std::uint32_t identityLength;             // characters in identity, at most kMaxIdentity
    std::uint16_t identity[kMaxIdentity + 1]; // UTF-16
};

struct PostRequest {
    std::uint32_t message;
    std::uint32_t wParam;
    std::int32_t lParam;
};

struct QueryRequest {
    std::uint32_t replyWindow;
};

static_assert(sizeof(RegisterRequest) == 12 + 2 * (kMaxIdentity + 1), "the register record has no padding");
static_assert(sizeof(PostRequest) == 12 && sizeof(QueryRequest) == 4, "the records have no padding");

// A request as the service takes it. Invalid: an unknown tag, or a payload
// missing or of the wrong size for its request.
struct DecodedRequest {
    bool valid = false;
    Request request = kRegister;
    // kRegister / kUnregister
    std::uint32_t window = 0;
    bool hasIdentity = false; // a usable identity was sent
    std::wstring identity;    // one UTF-16 unit per character
    // kPost
    PostRequest post{};
    // kClients
    std::uint32_t replyWindow = 0;
};

// tag is COPYDATASTRUCT::dwData; data may be null (then size counts as 0).
DecodedRequest DecodeRequest(std::uint64_t tag, const void* data, std::size_t size);

// One line of the kClientsReply text per client: "0x%08lX identity\n".
struct ClientLine {
    std::uint32_t window = 0;
    std::string identity; // UTF-8
};
std::string FormatClientLine(std::uint32_t window, const std::string& identity);
// The lines of a reply; lines without a window number are skipped.
std::vector<ClientLine> ParseClientsReply(const std::string& text);

} // namespace RemoteServiceProtocol
