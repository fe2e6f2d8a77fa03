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
    : m_anchor(CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 2, 2, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr)),
      m_thread([this] { Run(); }) {}

BoxWatcher::~BoxWatcher() {
    m_stop = true;
    m_thread.join();
    if (m_anchor)
        DestroyWindow(m_anchor);
}

std::vector<SeenBox> BoxWatcher::Boxes() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_boxes;
}

void BoxWatcher::Run() {
    while (!m_stop) {
        Search search{GetCurrentProcessId(), {}};
        EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&search));
        for (HWND box : search.found) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (std::find(m_pressed.begin(), m_pressed.end(), box) == m_pressed.end()) {
                SeenBox seen;
                char caption[256] = {};
                GetWindowTextA(box, caption, sizeof caption);
                seen.caption = caption;
                EnumChildWindows(box, &CollectStatic, reinterpret_cast<LPARAM>(&seen.text));
                m_boxes.push_back(seen);
                m_pressed.push_back(box);
            }
            // Pressed again on every pass until it is gone.
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        {
            // A handle seen again after its box closed is a new box.
            std::lock_guard<std::mutex> lock(m_mutex);
            m_pressed.erase(std::remove_if(m_pressed.begin(), m_pressed.end(),
                                           [&](HWND h) {
                                               return std::find(search.found.begin(), search.found.end(), h) ==
                                                      search.found.end();
                                           }),
                            m_pressed.end());
        }
        Sleep(20);
    }
}
