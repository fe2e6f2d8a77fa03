// The program's hidden main window: its link to the maker's system service.
// It registers with the service (retrying every 2500 ms until that works),
// turns the service's messages into actions and watches the resume and
// display-change broadcasts.
#pragma once
#include <windows.h>

#include <string>

#include "app/ServiceMessages.h"
#include "gui/Form.h"
#include "gui/Timer.h"

// The program's identity: names the instance mutex and, as UTF-16, is the
// registration identity towards the service.
inline constexpr char kProgramIdentity[] = "5B0E2A61-3F7C-4D92-A8E4-19C6D0B7F352";
inline constexpr wchar_t kServiceIdentity[] = L"5B0E2A61-3F7C-4D92-A8E4-19C6D0B7F352";

// Brings a window to the foreground even when another thread owns the
// current foreground window, then shows it.
void BringToForeground(HWND window);

class TMainForm : public gui::Form {
public:
    TMainForm();
    ~TMainForm() override;

    // Starts the remote-action machinery and hides the application window.
    void Start();
    void OnCheckTimer();

    bool Registered() const { return registered_; }
    gui::Timer& CheckTimer() { return checkTimer_; }

protected:
    void CreateParams(gui::CreateParams& params) override;
    void OnCreate() override;
    void WndProc(gui::Message& message) override;

private:
    // Sees the system broadcasts before the message map.
    void BroadcastHook(gui::Message& message);
    void Quit();

    gui::Timer checkTimer_;
    gui::WndMethod savedWindowProc_;
    bool registered_ = false;
};

// The main window, the first of the three forms created at start-up and
// kept for the life of the process.
extern TMainForm* MainForm;
