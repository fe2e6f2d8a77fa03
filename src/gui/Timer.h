// A window timer with an interval, an enabled switch and a handler. It
// owns a message-only window on the thread that created it, so its ticks
// arrive through that thread's message loop.
#pragma once
#include <windows.h>

#include <functional>

namespace gui {

class Timer {
public:
    explicit Timer(UINT intervalMs = 1000, bool enabled = false);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Switching on (again after off) restarts the full interval.
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    // A new interval restarts a running timer.
    void SetInterval(UINT intervalMs);
    UINT Interval() const { return interval_; }

    std::function<void()> OnTimer;

private:
    static LRESULT CALLBACK TimerWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    void Update();

    HWND window_ = nullptr;
    UINT interval_ = 1000;
    bool enabled_ = false;
};

} // namespace gui
