// Watches for message boxes of this process from another thread, records
// their caption and text and presses OK, so a test that triggers a modal
// box never hangs on it. Construct it on the thread that shows the boxes.
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SeenBox {
    std::string caption;
    std::string text;
};

class BoxWatcher {
public:
    BoxWatcher();
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    // The boxes closed so far.
    std::vector<SeenBox> Boxes() const;

private:
    void Run();

    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<SeenBox> m_boxes;
    std::vector<HWND> m_pressed;
    HWND m_anchor = nullptr; // created and destroyed on the test's thread
    std::thread m_thread;
};
