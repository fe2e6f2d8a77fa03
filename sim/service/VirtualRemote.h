// The virtual remote: a small window with the remote's seven keys plus quit
// and resume, for trying the program by hand. Each button posts to every
// registered client through the ClientRegistry, exactly as the command line
// does. Shown only when the service is started with --show.
#pragma once
#include <windows.h>

#include <functional>

class ClientRegistry;

class VirtualRemote {
public:
    // onClose runs when the user closes the window: the service ends with it.
    VirtualRemote(ClientRegistry& registry, std::function<void()> onClose);
    ~VirtualRemote();
    VirtualRemote(const VirtualRemote&) = delete;
    VirtualRemote& operator=(const VirtualRemote&) = delete;

    bool Create(int showCommand);
    HWND Handle() const { return window_; }

    // Shows the current client count and the service's last action.
    void Refresh();

    // Keyboard navigation between the buttons (Tab, arrows, mnemonics).
    bool PreTranslate(MSG* message);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void OnButton(int id);

    ClientRegistry& registry_;
    std::function<void()> onClose_;
    HWND window_ = nullptr;
    HWND clientsLabel_ = nullptr;
    HWND actionLabel_ = nullptr;
    bool classRegistered_ = false;
};
