// The application object: a hidden application window that owns the forms,
// the forms themselves (the first one created is the main form), the
// message loop, the synchronised call used by worker threads and the
// standard exception display.
#pragma once
#include <windows.h>

#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gui/Form.h"

namespace gui {

class Application {
public:
    // Process-wide, created on first use and never destroyed.
    static Application& Instance();

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // When false the message loop never shows the main form.
    bool ShowMainForm = true;
    // Caption of the application window and of the exception display.
    std::string Title;

    // Creates the hidden application window. Call once, on the GUI thread.
    void Initialize();
    HWND Handle() const { return handle_; }
    DWORD MainThreadId() const { return mainThreadId_; }

    // Constructs a form, creates its window and runs its OnCreate. The
    // application owns it; the first form created becomes the main form.
    template <class F, class... Args>
    F* CreateForm(Args&&... args) {
        auto form = std::make_unique<F>(std::forward<Args>(args)...);
        F* raw = form.get();
        forms_.push_back(std::move(form));
        if (mainForm_ == nullptr)
            mainForm_ = raw;
        raw->CreateHandle();
        return raw;
    }
    Form* MainForm() const { return mainForm_; }

    // Runs the message loop until the main form closes, then destroys the
    // forms. An exception raised inside a message handler ends the loop and
    // is raised again from here, with no quit message left waiting, so the
    // exception display that follows stays until it is closed.
    void Run();
    // Processes the messages waiting in the queue and returns (for tests and
    // for modal waits).
    void ProcessMessages();
    // Ends the message loop.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // Destroys every form, last created first. From then on worker
    // threads' synchronised calls are dropped: what they would touch is
    // going or gone.
    void DestroyForms();
    bool Closing() const { return closing_; }

    // The standard exception display: a stop-sign message box with the
    // exception's text under the application's title.
    void ShowException(const std::exception& error);

    // Keeps an exception raised in a window procedure for the message loop.
    void HandleException(std::exception_ptr error);

    // Shows text with the standard exception display for a failure the
    // program has recovered from; the program goes on. GUI thread only.
    void ReportError(const std::string& text);
    // Shows a message box (no owner) once the operation under way has
    // finished, from a message of its own, so its modal loop never runs
    // inside that operation; not at all once the program is terminating.
    // Shown at once without an application window.
    void ShowMessageLater(const std::string& text, const std::string& caption, UINT flags);

    // Runs call on the GUI thread and waits for it to finish. From the GUI
    // thread itself the call runs at once. An exception it raises there
    // goes to HandleException, as one raised in a window procedure does.
    // Once the forms are being destroyed the call is dropped.
    void Synchronize(const std::function<void()>& call);

private:
    Application() = default;
    static LRESULT CALLBACK AppWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void RethrowPending();

    HWND handle_ = nullptr;
    DWORD mainThreadId_ = 0;
    Form* mainForm_ = nullptr;
    bool terminated_ = false;
    bool closing_ = false;
    std::exception_ptr pending_;
    struct LaterBox {
        std::string text;
        std::string caption;
        UINT flags = MB_OK;
    };
    std::deque<LaterBox> boxes_;
    std::vector<std::unique_ptr<Form>> forms_;
};

} // namespace gui
