// ORVASERVICE.DLL stand-in. Each call is forwarded to the RemoteService
// process through WM_COPYDATA to its hidden window; when that process is not
// running the call fails, just as the maker's library does while its system
// service is down.
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "ServiceProtocol.h"

namespace {

namespace proto = RemoteServiceProtocol;

static_assert(sizeof(WCHAR) == sizeof(proto::RegisterRequest::identity[0]), "identities travel as UTF-16");

BOOL Forward(proto::Request request, HWND window, const WCHAR* identity) {
    const HWND service = proto::FindServiceWindow();
    if (service == nullptr)
        return FALSE;

    proto::RegisterRequest payload{};
    payload.window = proto::HandleToWire(window);
    if (identity != nullptr) {
        // Bounded scan: a missing terminator never runs past kMaxIdentity + 1.
        size_t length = 0;
        while (length <= proto::kMaxIdentity && identity[length] != L'\0')
            ++length;
        if (length <= proto::kMaxIdentity) {
            payload.identityValid = 1;
            payload.identityLength = static_cast<uint32_t>(length);
            std::memcpy(payload.identity, identity, length * sizeof(WCHAR));
        }
    }
    // The service still counts and logs a call without a usable identity.

    COPYDATASTRUCT data{};
    data.dwData = request;
    data.cbData = sizeof payload;
    data.lpData = &payload;
    DWORD_PTR result = 0;
    // A hung service must not hang the caller's GUI thread for ever.
    if (SendMessageTimeoutA(service, WM_COPYDATA, reinterpret_cast<WPARAM>(window), reinterpret_cast<LPARAM>(&data),
                            SMTO_ABORTIFHUNG, proto::kRequestTimeoutMs, &result) == 0) {
        return FALSE;
    }
    return result == 1 ? TRUE : FALSE;
}

} // namespace

extern "C" {

BOOL WINAPI OvSysSvr_RegisterNotify(HWND window, const WCHAR* identity) {
    return Forward(proto::kRegister, window, identity);
}

BOOL WINAPI OvSysSvr_UnregisterNotify(HWND window, const WCHAR* identity) {
    return Forward(proto::kUnregister, window, identity);
}

} // extern "C"
