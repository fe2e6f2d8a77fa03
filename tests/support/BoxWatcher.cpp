#include "BoxWatcher.h"

#include <algorithm>

namespace {

struct Search {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (process == search->process && std::string(cls) == "#32770" && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectStatic(HWND window, LPARAM param) {
    auto* texts = reinterpret_cast<std::string*>(param);
    char cls[32] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (std::string(cls) == "Static") {
        char text[512] = {};
        GetWindowTextA(window, text, sizeof text);
        if (text[0]) {
            if (!texts->empty())
                *texts += "\n";
            *texts += text;
        }
    }
    return TRUE;
}

} // namespace

BoxWatcher::BoxWatcher()
    // Under Wine without a window manager, a message box that opens right
    // after another one closed can end the process with an X error when the
    // thread has no other visible window; a tiny one in the corner prevents it.
    : anchor_(CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 2, 2, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr)),
      thread_([this] { Run(); }) {}

BoxWatcher::~BoxWatcher() {
    stop_ = true;
    thread_.join();
    if (anchor_)
        DestroyWindow(anchor_);
}

std::vector<SeenBox> BoxWatcher::Boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

void BoxWatcher::Run() {
    while (!stop_) {
        Search search{GetCurrentProcessId(), {}};
        EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.found) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (std::find(pressed_.begin(), pressed_.end(), box) == pressed_.end()) {
                SeenBox seen;
                char caption[256] = {};
                GetWindowTextA(box, caption, sizeof caption);
                seen.caption = caption;
                EnumChildWindows(box, &CollectStatic, reinterpret_cast<LPARAM>(&seen.text));
                boxes_.push_back(seen);
                pressed_.push_back(box);
            }
            // Pressed again on every pass until it is gone.
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        {
            // A handle seen again after its box closed is a new box.
            std::lock_guard<std::mutex> lock(mutex_);
            pressed_.erase(std::remove_if(pressed_.begin(), pressed_.end(),
                                          [&](HWND h) {
                                              return std::find(search.found.begin(), search.found.end(), h) ==
                                                     search.found.end();
                                          }),
                           pressed_.end());
        }
        Sleep(20);
    }
}
