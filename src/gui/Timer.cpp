#include "gui/Timer.h"

#include <exception>

#include "gui/Application.h"

namespace gui {

namespace {
constexpr char kTimerWindowClass[] = "TTimerWindow";
constexpr UINT_PTR kTimerId = 1;
} // namespace

Timer::Timer(UINT intervalMs, bool enabled) : interval_(intervalMs), enabled_(enabled) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    if (!GetClassInfoExA(instance, kTimerWindowClass, &wc)) {
        wc = WNDCLASSEXA{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &Timer::TimerWndProc;
        wc.hInstance = instance;
        wc.lpszClassName = kTimerWindowClass;
        RegisterClassExA(&wc);
    }
    window_ = CreateWindowExA(0, kTimerWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    Update();
}

Timer::~Timer() {
    if (window_ != nullptr) {
        KillTimer(window_, kTimerId);
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    Update();
}

void Timer::SetInterval(UINT intervalMs) {
    if (intervalMs == interval_)
        return;
    interval_ = intervalMs;
    Update();
}

void Timer::Update() {
    if (window_ == nullptr)
        return;
    KillTimer(window_, kTimerId);
    if (enabled_ && interval_ != 0)
        SetTimer(window_, kTimerId, interval_, nullptr);
}

LRESULT CALLBACK Timer::TimerWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && wParam == kTimerId) {
        auto* self = reinterpret_cast<Timer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && self->enabled_ && self->OnTimer) {
            try {
                self->OnTimer();
            } catch (...) {
                Application::Instance().HandleException(std::current_exception());
            }
        }
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

} // namespace gui
