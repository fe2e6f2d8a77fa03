#include "gui/Application.h"

#include "win32/ModulePath.h"

namespace gui {

namespace {

constexpr UINT kSynchronizeMessage = WM_APP + 0x0F00;
constexpr UINT kShowLaterMessage = WM_APP + 0x0F01;
constexpr char kAppWindowClass[] = "TApplication";

std::string ModuleBaseName() {
    std::string name = win32::ModuleFileName();
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

} // namespace

Application& Application::Instance() {
    // Never destroyed: forms and worker threads may still reach it while
    // the process ends.
    static Application* const instance = new Application();
    return *instance;
}

void Application::Initialize() {
    if (handle_ != nullptr)
        return;
    mainThreadId_ = GetCurrentThreadId();
    if (Title.empty())
        Title = ModuleBaseName();
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Application::AppWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kAppWindowClass;
    RegisterClassExA(&wc);
    // The owner of every form. It has no area, so even shown it draws
    // nothing; it exists to own the forms and to carry the application's
    // title.
    handle_ = CreateWindowExA(0, kAppWindowClass, Title.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                              nullptr, instance, nullptr);
}

LRESULT CALLBACK Application::AppWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kSynchronizeMessage) {
        Application& app = Instance();
        // Once the forms are going, a worker's call finds nothing to touch.
        if (app.closing_)
            return 0;
        try {
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
        } catch (...) {
            // The worker has nobody to tell: the error goes where every
            // other error of the GUI thread goes.
            app.HandleException(std::current_exception());
        }
        return 0;
    }
    if (msg == kShowLaterMessage) {
        Application& app = Instance();
        // Once quit has been handled (inside an earlier box's modal loop,
        // say) the program is on its way out: no box any more.
        if (!app.boxes_.empty() && !app.closing_ && !app.terminated_) {
            const LaterBox box = app.boxes_.front();
            app.boxes_.pop_front();
            MessageBoxA(nullptr, box.text.c_str(), box.caption.c_str(), box.flags);
        }
        return 0;
    }
    if (msg == WM_CLOSE) {
        Instance().Terminate();
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

void Application::Synchronize(const std::function<void()>& call) {
    if (handle_ == nullptr || GetCurrentThreadId() == mainThreadId_) {
        call();
        return;
    }
    // A sent message is served by the GUI thread's next message retrieval,
    // modal loops included, and the sender waits for it.
    SendMessageA(handle_, kSynchronizeMessage, 0, reinterpret_cast<LPARAM>(&call));
}

void Application::ReportError(const std::string& text) {
    if (closing_)
        return;
    std::string shown = text;
    if (!shown.empty() && shown.back() != '.')
        shown += '.';
    ShowMessageLater(shown, Title, MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

void Application::ShowMessageLater(const std::string& text, const std::string& caption, UINT flags) {
    if (handle_ == nullptr) {
        MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
        return;
    }
    if (closing_)
        return;
    boxes_.push_back(LaterBox{text, caption, flags});
    // One message per box: each is shown by the loop that retrieves it.
    PostMessageA(handle_, kShowLaterMessage, 0, 0);
}

void Application::HandleException(std::exception_ptr error) {
    if (!pending_)
        pending_ = error;
    Terminate();
}

void Application::RethrowPending() {
    if (pending_) {
        std::exception_ptr error = pending_;
        pending_ = nullptr;
        std::rethrow_exception(error);
    }
}

void Application::Run() {
    struct FormsDestroyer {
        Application& app;
        ~FormsDestroyer() { app.DestroyForms(); }
    } destroyer{*this};

    if (mainForm_ != nullptr && ShowMainForm)
        mainForm_->Show();
    MSG msg;
    while (!terminated_) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // The quit message that Terminate posted (or a modal loop put back) may
    // still wait when the loop ends on the flag; it has done its part, and
    // left there it would end the next modal loop, the exception display's
    // after an error, as soon as it began.
    PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    RethrowPending();
}

void Application::ProcessMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    RethrowPending();
}

void Application::Terminate() {
    terminated_ = true;
    PostQuitMessage(0);
}

void Application::DestroyForms() {
    closing_ = true;
    while (!forms_.empty())
        forms_.pop_back();
    mainForm_ = nullptr;
}

void Application::ShowException(const std::exception& error) {
    std::string text = error.what();
    if (!text.empty() && text.back() != '.')
        text += '.';
    MessageBoxA(nullptr, text.c_str(), Title.c_str(), MB_OK | MB_ICONSTOP | MB_TASKMODAL);
}

} // namespace gui
