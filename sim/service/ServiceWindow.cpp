#include "ServiceWindow.h"

#include <string>
#include <utility>

#include "ClientRegistry.h"
#include "ServiceProtocol.h"

namespace proto = RemoteServiceProtocol;

namespace {
constexpr UINT_PTR kPruneTimer = 1;
constexpr UINT kPruneIntervalMs = 1000;
constexpr UINT kStopMessage = WM_APP + 1;
} // namespace

ServiceWindow::ServiceWindow(ClientRegistry& registry, std::function<void()> onStop)
    : registry_(registry), onStop_(std::move(onStop)) {}

ServiceWindow::~ServiceWindow() {
    if (window_ != nullptr)
        DestroyWindow(window_);
    if (classRegistered_)
        UnregisterClassA(className_.c_str(), GetModuleHandleA(nullptr));
}

bool ServiceWindow::Create() {
    if (window_ != nullptr)
        return true;
    className_ = proto::WindowClassName();
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &ServiceWindow::Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className_.c_str();
    if (RegisterClassA(&windowClass) == 0)
        return false;
    classRegistered_ = true;
    window_ = CreateWindowExA(0, className_.c_str(), "Ravelo Remote Service", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), this);
    if (window_ == nullptr)
        return false;
    SetTimer(window_, kPruneTimer, kPruneIntervalMs, nullptr);
    return true;
}

LRESULT CALLBACK ServiceWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    auto* self = reinterpret_cast<ServiceWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_COPYDATA:
        return self->OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_TIMER:
        if (wParam == kPruneTimer) {
            self->registry_.DropDeadClients();
            return 0;
        }
        break;
    case kStopMessage:
        if (self->onStop_)
            self->onStop_();
        return 0;
    case WM_DESTROY:
        KillTimer(window, kPruneTimer);
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT ServiceWindow::OnCopyData(const COPYDATASTRUCT* data) {
    if (data == nullptr)
        return 0;
    const proto::DecodedRequest request = proto::DecodeRequest(data->dwData, data->lpData, data->cbData);
    if (!request.valid)
        return 0;
    switch (request.request) {
    case proto::kRegister:
    case proto::kUnregister: {
        const HWND client = proto::WireToHandle(request.window);
        const std::wstring* identity = request.hasIdentity ? &request.identity : nullptr;
        const bool ok = request.request == proto::kRegister ? registry_.Register(client, identity)
                                                            : registry_.Unregister(client, identity);
        return ok ? 1 : 0;
    }
    case proto::kPost: {
        const PostResult result = registry_.Post(request.post.message, request.post.wParam, request.post.lParam);
        return proto::PackPostReply(result.posted, result.failed);
    }
    case proto::kQuit: {
        const PostResult result = registry_.Quit();
        return proto::PackPostReply(result.posted, result.failed);
    }
    case proto::kResume: {
        const PostResult result = registry_.Resume();
        return proto::PackPostReply(result.posted, result.failed);
    }
    case proto::kClients:
        return ReplyClients(proto::WireToHandle(request.replyWindow));
    case proto::kAttempts:
        return static_cast<LRESULT>(registry_.Attempts());
    case proto::kUnregistrations:
        return static_cast<LRESULT>(registry_.Unregistrations());
    case proto::kStop:
        // End after this reply has gone back, not inside the sender's call.
        PostMessageA(window_, kStopMessage, 0, 0);
        return 1;
    default:
        return 0;
    }
}

LRESULT ServiceWindow::ReplyClients(HWND replyWindow) {
    if (replyWindow == nullptr || !IsWindow(replyWindow))
        return 0;
    std::string text;
    for (const RegisteredClient& client : registry_.Clients()) {
        text += proto::FormatClientLine(proto::HandleToWire(client.window), ToUtf8(client.identity));
    }
    COPYDATASTRUCT reply{};
    reply.dwData = proto::kClientsReply;
    reply.cbData = static_cast<DWORD>(text.size());
    reply.lpData = text.empty() ? nullptr : &text[0];
    DWORD_PTR result = 0;
    // The requester is blocked in its own send and takes this nested one.
    if (SendMessageTimeoutA(replyWindow, WM_COPYDATA, reinterpret_cast<WPARAM>(window_),
                            reinterpret_cast<LPARAM>(&reply), SMTO_ABORTIFHUNG, proto::kRequestTimeoutMs,
                            &result) == 0 ||
        result != 1) {
        return 0;
    }
    return 1;
}
