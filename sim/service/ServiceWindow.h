// The service's hidden message-only window. ORVASERVICE.DLL and the command
// line find it by class name and reach it with WM_COPYDATA; it decodes each
// request, checks its size, and hands it to the ClientRegistry. A timer drops
// clients whose window has gone even when nothing else happens.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

class ClientRegistry;

class ServiceWindow {
public:
    // onStop runs when a stop request arrives (after its reply is set).
    ServiceWindow(ClientRegistry& registry, std::function<void()> onStop);
    ~ServiceWindow();
    ServiceWindow(const ServiceWindow&) = delete;
    ServiceWindow& operator=(const ServiceWindow&) = delete;

    // False when the class or the window cannot be created.
    bool Create();
    HWND Handle() const { return window_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCopyData(const COPYDATASTRUCT* data);
    LRESULT ReplyClients(HWND replyWindow);

    ClientRegistry& registry_;
    std::function<void()> onStop_;
    HWND window_ = nullptr;
    std::string className_;
    bool classRegistered_ = false;
};
