// The service's state: the registered client windows with their identities,
// the counts of register and unregister calls received, and the posting of
// service messages to every client. Single-threaded: it lives on the service
// process's GUI thread.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class ServiceLog;

struct RegisteredClient {
    HWND window = nullptr;
    std::wstring identity;
};

struct PostResult {
    unsigned posted = 0; // clients the message was posted to
    unsigned failed = 0; // live clients whose PostMessageA failed
};

class ClientRegistry {
public:
    explicit ClientRegistry(const ServiceLog& log);
    ClientRegistry(const ClientRegistry&) = delete;
    ClientRegistry& operator=(const ClientRegistry&) = delete;

    // identity is null when the caller gave none (or one too long): the call
    // is counted and logged, then refused. A window registered again keeps
    // one entry and takes the new identity.
    bool Register(HWND window, const std::wstring* identity);
    // Removes the entry with this window and identity; false if there is none.
    bool Unregister(HWND window, const std::wstring* identity);

    // Posts to every live client (dead ones are dropped first).
    PostResult Post(UINT message, WPARAM wParam, LPARAM lParam);
    // 1024 with the mark, then forgets every client it reached.
    PostResult Quit();
    // The resume-from-suspend broadcast, delivered to each client's window.
    PostResult Resume();

    // Drops clients whose window no longer exists; returns how many.
    size_t DropDeadClients();

    std::vector<RegisteredClient> Clients();
    // Without dropping dead clients, so it is safe inside the change handler.
    size_t ClientCount() const { return clients_.size(); }
    unsigned Attempts() const { return attempts_; }
    unsigned Unregistrations() const { return unregistrations_; }

    // Called after every change of the client list or of the last action.
    void SetOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }
    const std::string& LastAction() const { return lastAction_; }

private:
    void Log(const std::string& line);
    void Changed();

    const ServiceLog& log_;
    std::vector<RegisteredClient> clients_;
    unsigned attempts_ = 0;
    unsigned unregistrations_ = 0;
    std::string lastAction_;
    std::function<void()> onChange_;
};

// "0x0001006A" — how windows appear in the log and the client list.
std::string FormatWindow(HWND window);
// An identity as the log and the client list show it: UTF-8, with control
// characters as '?' so one client is always one line.
std::string ToUtf8(const std::wstring& text);
