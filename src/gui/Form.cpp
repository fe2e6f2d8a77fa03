#include "gui/Form.h"

#include <algorithm>
#include <exception>

#include "gui/Application.h"
#include "gui/Image.h"

namespace gui {

Form::Form() : WindowProc(WndMethod::Of<Form, &Form::CallWndProc>(this)) {}

Form::~Form() {
    // Hooks belong to objects that may outlive the form's derived parts:
    // the window's last messages go to the plain message map.
    WindowProc = WndMethod::Of<Form, &Form::CallWndProc>(this);
    if (handle_ != nullptr)
        DestroyWindow(handle_);
}

void Form::CreateParams(gui::CreateParams& params) { params.Parent = Application::Instance().Handle(); }

void Form::RegisterClassOnce(const gui::CreateParams& params) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof(existing);
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoExA(instance, params.ClassName.c_str(), &existing))
        return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = params.ClassStyle;
    wc.lpfnWndProc = &Form::StaticWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = params.Background != nullptr ? params.Background : GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = params.ClassName.c_str();
    RegisterClassExA(&wc);
}

void Form::CreateHandle() {
    if (handle_ != nullptr)
        return;
    gui::CreateParams params;
    params.ClassName = "TForm";
    CreateParams(params);
    RegisterClassOnce(params);
    // The object is handed over in lpCreateParams and attached at WM_NCCREATE.
    CreateWindowExA(params.ExStyle, params.ClassName.c_str(), params.Caption.c_str(), params.Style, params.X, params.Y,
                    params.Width, params.Height, params.Parent, nullptr, GetModuleHandleA(nullptr), this);
    if (handle_ != nullptr)
        OnCreate();
}

LRESULT CALLBACK Form::StaticWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    Form* self = nullptr;
    if (msg == WM_NCCREATE) {
        self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->handle_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Form*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    }
    if (self == nullptr)
        return DefWindowProcA(window, msg, wParam, lParam);

    Message message{msg, wParam, lParam, 0};
    // C++ exceptions must not unwind through the system's frames: keep the
    // first one for the message loop, which raises it again.
    try {
        self->WindowProc(message);
    } catch (...) {
        Application::Instance().HandleException(std::current_exception());
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
    }
    return message.Result;
}

void Form::DefaultHandler(Message& message) {
    message.Result = DefWindowProcA(handle_, message.Msg, message.WParam, message.LParam);
}

void Form::WndProc(Message& message) {
    switch (message.Msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(handle_, &ps);
        PaintControls(dc);
        EndPaint(handle_, &ps);
        message.Result = 0;
        return;
    }
    case WM_CLOSE:
        Close();
        message.Result = 0;
        return;
    default:
        DefaultHandler(message);
    }
}

void Form::PaintControls(HDC dc) {
    for (Image* image : controls_)
        image->Paint(dc);
}

void Form::AddControl(Image* image) { controls_.push_back(image); }

void Form::RemoveControl(Image* image) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), image), controls_.end());
}

bool Form::Visible() const { return handle_ != nullptr && IsWindowVisible(handle_) != FALSE; }

void Form::SetVisible(bool visible) {
    if (handle_ == nullptr)
        return;
    if (visible)
        ShowWindow(handle_, SW_SHOWNOACTIVATE);
    else
        ShowWindow(handle_, SW_HIDE);
}

void Form::Close() {
    Application& app = Application::Instance();
    if (app.MainForm() == this)
        app.Terminate();
    else
        Hide();
}

void Form::SetBounds(int x, int y, int width, int height) {
    if (handle_ != nullptr)
        SetWindowPos(handle_, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int Form::ClientWidth() const {
    RECT r{};
    if (handle_ != nullptr)
        GetClientRect(handle_, &r);
    return r.right - r.left;
}

int Form::ClientHeight() const {
    RECT r{};
    if (handle_ != nullptr)
        GetClientRect(handle_, &r);
    return r.bottom - r.top;
}

void Form::SetClientSize(int width, int height) {
    if (handle_ == nullptr)
        return;
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(handle_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(handle_, GWL_EXSTYLE)));
    SetWindowPos(handle_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::Invalidate() {
    if (handle_ != nullptr)
        InvalidateRect(handle_, nullptr, TRUE);
}

} // namespace gui
