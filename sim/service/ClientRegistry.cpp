#include "ClientRegistry.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "ServiceLog.h"
#include "ServiceProtocol.h"

namespace proto = RemoteServiceProtocol;

std::string FormatWindow(HWND window) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(proto::HandleToWire(window)));
    return text;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty())
        return std::string();
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size, nullptr, nullptr);
    for (char& c : result) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return result;
}

ClientRegistry::ClientRegistry(const ServiceLog& log) : log_(log) {}

void ClientRegistry::Log(const std::string& line) {
    log_.Write(line);
    lastAction_ = line;
}

void ClientRegistry::Changed() {
    if (onChange_)
        onChange_();
}

bool ClientRegistry::Register(HWND window, const std::wstring* identity) {
    ++attempts_;
    const std::string head = "register " + FormatWindow(window) + " " +
                             (identity != nullptr ? ToUtf8(*identity) : std::string("(no identity)")) + " (attempt " +
                             std::to_string(attempts_) + ")";
    bool accepted = false;
    if (identity == nullptr || identity->empty()) {
        Log(head + ": refused, no identity");
    } else if (window == nullptr || !IsWindow(window)) {
        Log(head + ": refused, not a window");
    } else {
        DropDeadClients();
        auto found = std::find_if(clients_.begin(), clients_.end(),
                                  [window](const RegisteredClient& c) { return c.window == window; });
        if (found != clients_.end()) {
            found->identity = *identity;
            Log(head + ": ok, already registered");
            accepted = true;
        } else if (clients_.size() >= proto::kMaxClients) {
            Log(head + ": refused, too many clients");
        } else {
            clients_.push_back(RegisteredClient{window, *identity});
            Log(head + ": ok");
            accepted = true;
        }
    }
    Changed();
    return accepted;
}

bool ClientRegistry::Unregister(HWND window, const std::wstring* identity) {
    ++unregistrations_;
    const std::string head = "unregister " + FormatWindow(window) + " " +
                             (identity != nullptr ? ToUtf8(*identity) : std::string("(no identity)"));
    bool removed = false;
    if (identity != nullptr) {
        auto found = std::find_if(clients_.begin(), clients_.end(), [&](const RegisteredClient& c) {
            return c.window == window && c.identity == *identity;
        });
        if (found != clients_.end()) {
            clients_.erase(found);
            removed = true;
        }
    }
    Log(head + (removed ? ": ok" : ": not registered"));
    Changed();
    return removed;
}

size_t ClientRegistry::DropDeadClients() {
    size_t dropped = 0;
    for (auto it = clients_.begin(); it != clients_.end();) {
        if (!IsWindow(it->window)) {
            log_.Write("drop " + FormatWindow(it->window) + " " + ToUtf8(it->identity) + ": window is gone");
            it = clients_.erase(it);
            ++dropped;
        } else {
            ++it;
        }
    }
    if (dropped > 0)
        Changed();
    return dropped;
}

PostResult ClientRegistry::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    DropDeadClients();
    PostResult result;
    const std::string what = proto::DescribeMessage(message, wParam, lParam);
    if (clients_.empty()) {
        Log("post " + what + ": no client registered");
        Changed();
        return result;
    }
    for (const RegisteredClient& client : clients_) {
        if (PostMessageA(client.window, message, wParam, lParam)) {
            ++result.posted;
            Log("post " + what + " to " + FormatWindow(client.window) + ": ok");
        } else {
            ++result.failed;
            Log("post " + what + " to " + FormatWindow(client.window) + ": failed, error " +
                std::to_string(GetLastError()));
        }
    }
    Changed();
    return result;
}

PostResult ClientRegistry::Quit() {
    DropDeadClients();
    PostResult result;
    const std::string what = proto::DescribeMessage(proto::kQuitMessage, proto::kMark, 0);
    if (clients_.empty()) {
        Log("post " + what + ": no client registered");
        Changed();
        return result;
    }
    // A client told to quit is forgotten; one the message did not reach stays.
    std::vector<RegisteredClient> remaining;
    for (RegisteredClient& client : clients_) {
        if (PostMessageA(client.window, proto::kQuitMessage, proto::kMark, 0)) {
            ++result.posted;
            Log("post " + what + " to " + FormatWindow(client.window) + ": ok, client forgotten");
        } else {
            ++result.failed;
            Log("post " + what + " to " + FormatWindow(client.window) + ": failed, error " +
                std::to_string(GetLastError()));
            remaining.push_back(std::move(client));
        }
    }
    clients_ = std::move(remaining);
    Changed();
    return result;
}

PostResult ClientRegistry::Resume() { return Post(WM_POWERBROADCAST, proto::kResumeSuspend, 0); }

std::vector<RegisteredClient> ClientRegistry::Clients() {
    DropDeadClients();
    return clients_;
}
