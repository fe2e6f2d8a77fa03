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

    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<SeenBox> boxes_;
    std::vector<HWND> pressed_;
    HWND anchor_ = nullptr; // created and destroyed on the test's thread
    std::thread thread_;
};
