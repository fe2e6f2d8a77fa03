// Windows that record the messages reaching them (posted or sent) and the
// comparison of what they received with an expected table, each message
// printed by name when the two differ.
#pragma once
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "win32/Handles.h"

namespace testsupport {

// One message as a recording window received it.
struct Received {
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool sent = false; // SendMessage from another thread (InSendMessage)

    bool operator==(const Received& other) const {
        return msg == other.msg && wParam == other.wParam && lParam == other.lParam && sent == other.sent;
    }
};

Received Posted(UINT msg, LPARAM lParam, WPARAM wParam = 0x55);
Received Sent(UINT msg, LPARAM lParam, WPARAM wParam = 0x55);

// A message with its parameters, in words.
using MessageNamer = std::string (*)(UINT msg, WPARAM wParam, LPARAM lParam);
// "WM_USER+37 (1061, profile on/off) wParam=0x55 lParam=2" and the like;
// plain numbers for messages the suite does not use.
std::string SuiteMessageName(UINT msg, WPARAM wParam, LPARAM lParam);
std::string Describe(const Received& message, MessageNamer name = SuiteMessageName);

// Compares the messages a window received with the expected table and
// lists both, by name, when they differ.
::testing::AssertionResult SameMessages(const std::vector<Received>& expected, const std::vector<Received>& actual,
                                        MessageNamer name = SuiteMessageName);

// Top-level windows of a given class and caption, owned by a thread of
// their own so that a SendMessage from the test thread is a real
// cross-thread send. Each records the suite's messages (WM_USER+30 to
// WM_USER+40) it receives and answers 1060 with 1.
class RecordingWindows {
public:
    // A request the window thread has not carried out within
    // requestTimeoutMs is given up: Create then returns null.
    explicit RecordingWindows(DWORD requestTimeoutMs = 20000);
    ~RecordingWindows();
    RecordingWindows(const RecordingWindows&) = delete;
    RecordingWindows& operator=(const RecordingWindows&) = delete;

    HWND Create(const char* className, const char* caption, bool visible = false);
    void Destroy(HWND window);
    void DestroyAll();
    // Waits until every message posted so far has been handled.
    void Flush();
    std::vector<Received> Messages(HWND window);
    void Clear();

private:
    struct Shared;
    static DWORD WINAPI ThreadMain(void* parameter);
    static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
    // Runs a request on the window thread and waits for it.
    void Run(int kind, const char* className, const char* caption, bool visible, HWND& window);

    std::shared_ptr<Shared> shared_;
    DWORD requestTimeoutMs_;
    win32::UniqueHandle thread_;
    DWORD threadId_ = 0;
};

} // namespace testsupport
