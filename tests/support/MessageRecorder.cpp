#include "MessageRecorder.h"

#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "TestSupport.h"
#include "win32/Handles.h"

namespace testsupport {

namespace {

// The suite's messages between its programs; the clock step is answered
// with 1, as the overclocking program does.
constexpr UINT kFirstSuiteMessage = WM_USER + 30;
constexpr UINT kLastSuiteMessage = WM_USER + 40;
constexpr UINT kClockStepMessage = WM_USER + 36;

} // namespace

Received Posted(UINT msg, LPARAM lParam, WPARAM wParam) { return Received{msg, wParam, lParam, false}; }

Received Sent(UINT msg, LPARAM lParam, WPARAM wParam) { return Received{msg, wParam, lParam, true}; }

std::string SuiteMessageName(UINT msg, WPARAM wParam, LPARAM lParam) {
    const char* meaning = nullptr;
    switch (msg) {
    case WM_USER + 31:
        meaning = "engine mode 1";
        break;
    case WM_USER + 32:
        meaning = "engine mode 2";
        break;
    case WM_USER + 33:
        meaning = "engine mode 3";
        break;
    case WM_USER + 34:
        meaning = "engine mode 0";
        break;
    case WM_USER + 35:
        meaning = "engine auto mode";
        break;
    case WM_USER + 36:
        meaning = "apply clock step";
        break;
    case WM_USER + 37:
        meaning = "profile on/off";
        break;
    default:
        break;
    }
    char name[96] = {};
    if (msg >= WM_USER && msg < WM_USER + 0x100)
        std::snprintf(name, sizeof name, "WM_USER+%u (%u%s%s)", msg - WM_USER, msg, meaning ? ", " : "",
                      meaning ? meaning : "");
    else
        std::snprintf(name, sizeof name, "message %u", msg);
    char text[160] = {};
    std::snprintf(text, sizeof text, "%s wParam=0x%lX lParam=%ld", name, static_cast<unsigned long>(wParam),
                  static_cast<long>(lParam));
    return text;
}

std::string Describe(const Received& message, MessageNamer name) {
    return std::string(message.sent ? "sent   " : "posted ") + name(message.msg, message.wParam, message.lParam);
}

::testing::AssertionResult SameMessages(const std::vector<Received>& expected, const std::vector<Received>& actual,
                                        MessageNamer name) {
    if (expected == actual)
        return ::testing::AssertionSuccess();
    std::ostringstream out;
    out << "messages differ\n  expected (" << expected.size() << "):\n";
    for (const Received& m : expected)
        out << "    " << Describe(m, name) << "\n";
    out << "  received (" << actual.size() << "):\n";
    for (const Received& m : actual)
        out << "    " << Describe(m, name) << "\n";
    return ::testing::AssertionFailure() << out.str();
}

// ---- RecordingWindows -------------------------------------------------------

namespace {

enum RequestKind { kCreate, kDestroy, kDestroyAll, kFlush, kQuit };

// Owned jointly by the caller and the window thread: a caller that gives up
// waiting leaves the thread a request that is still there to complete.
struct Request {
    int kind = kCreate;
    std::string className;
    std::string caption;
    bool visible = false;
    HWND window = nullptr;
    win32::UniqueHandle done{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

constexpr UINT kRequestMessage = WM_APP + 0x51;

} // namespace

struct RecordingWindows::Shared {
    std::mutex mutex;
    std::map<HWND, std::vector<Received>> received;
    std::set<std::string> classes;
    std::vector<HWND> windows;
    win32::UniqueHandle ready{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

RecordingWindows::RecordingWindows(DWORD requestTimeoutMs)
    : shared_(std::make_shared<Shared>()), requestTimeoutMs_(requestTimeoutMs) {
    // The thread owns the shared part too: it outlives a destructor that
    // stops waiting for it.
    auto owner = std::make_unique<std::shared_ptr<Shared>>(shared_);
    thread_.Reset(CreateThread(nullptr, 0, &RecordingWindows::ThreadMain, owner.get(), 0, &threadId_));
    if (thread_) {
        owner.release();
        WaitForSingleObject(shared_->ready.Get(), 20000);
    }
}

RecordingWindows::~RecordingWindows() {
    if (thread_) {
        HWND unused = nullptr;
        Run(kQuit, nullptr, nullptr, false, unused);
        WaitForSingleObject(thread_.Get(), 20000);
    }
}

DWORD WINAPI RecordingWindows::ThreadMain(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Shared>> owner(static_cast<std::shared_ptr<Shared>*>(parameter));
    Shared* shared = owner->get();
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists from here on
    SetEvent(shared->ready.Get());
    bool quit = false;
    while (!quit && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd != nullptr || msg.message != kRequestMessage) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        const std::unique_ptr<std::shared_ptr<Request>> posted(reinterpret_cast<std::shared_ptr<Request>*>(msg.lParam));
        Request* request = posted->get();
        switch (request->kind) {
        case kCreate: {
            bool registered = false;
            {
                std::lock_guard<std::mutex> lock(shared->mutex);
                registered = shared->classes.count(request->className) != 0;
            }
            if (!registered) {
                WNDCLASSA wc = {};
                wc.lpfnWndProc = &RecordingWindows::WindowProc;
                wc.hInstance = GetModuleHandleA(nullptr);
                wc.lpszClassName = request->className.c_str();
                RegisterClassA(&wc);
                std::lock_guard<std::mutex> lock(shared->mutex);
                shared->classes.insert(request->className);
            }
            HWND window =
                CreateWindowExA(WS_EX_TOOLWINDOW, request->className.c_str(), request->caption.c_str(),
                                WS_POPUP | (request->visible ? WS_VISIBLE : 0), 0, 0, request->visible ? 40 : 0,
                                request->visible ? 40 : 0, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
            if (window != nullptr) {
                SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(shared));
                std::lock_guard<std::mutex> lock(shared->mutex);
                shared->windows.push_back(window);
                shared->received[window];
            }
            request->window = window;
            break;
        }
        case kDestroy:
        case kDestroyAll:
        case kQuit: {
            std::vector<HWND> doomed;
            {
                std::lock_guard<std::mutex> lock(shared->mutex);
                for (HWND w : shared->windows)
                    if (request->kind != kDestroy || w == request->window)
                        doomed.push_back(w);
            }
            for (HWND w : doomed)
                DestroyWindow(w);
            std::lock_guard<std::mutex> lock(shared->mutex);
            std::vector<HWND> kept;
            for (HWND w : shared->windows)
                if (request->kind == kDestroy && w != request->window)
                    kept.push_back(w);
            shared->windows = kept;
            quit = request->kind == kQuit;
            break;
        }
        case kFlush:
        default:
            break;
        }
        SetEvent(request->done.Get());
    }
    return 0;
}

LRESULT CALLBACK RecordingWindows::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= kFirstSuiteMessage && msg <= kLastSuiteMessage) {
        auto* shared = reinterpret_cast<Shared*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (shared != nullptr) {
            const bool sent = InSendMessage() != FALSE;
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->received[window].push_back(Received{msg, wParam, lParam, sent});
        }
        return msg == kClockStepMessage ? 1 : 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

void RecordingWindows::Run(int kind, const char* className, const char* caption, bool visible, HWND& window) {
    auto request = std::make_shared<Request>();
    request->kind = kind;
    request->className = className != nullptr ? className : "";
    request->caption = caption != nullptr ? caption : "";
    request->visible = visible;
    request->window = window;
    auto posted = std::make_unique<std::shared_ptr<Request>>(request);
    if (!PostThreadMessageA(threadId_, kRequestMessage, 0, reinterpret_cast<LPARAM>(posted.get())))
        return;
    posted.release(); // the window thread's now
    // Pump this thread meanwhile: the window thread may be sending to it.
    if (testsupport::WaitUntil([&] { return WaitForSingleObject(request->done.Get(), 0) == WAIT_OBJECT_0; },
                               requestTimeoutMs_, 5))
        window = request->window;
    else
        window = nullptr;
}

HWND RecordingWindows::Create(const char* className, const char* caption, bool visible) {
    HWND window = nullptr;
    Run(kCreate, className, caption, visible, window);
    return window;
}

void RecordingWindows::Destroy(HWND window) { Run(kDestroy, nullptr, nullptr, false, window); }

void RecordingWindows::DestroyAll() {
    HWND unused = nullptr;
    Run(kDestroyAll, nullptr, nullptr, false, unused);
}

void RecordingWindows::Flush() {
    HWND unused = nullptr;
    Run(kFlush, nullptr, nullptr, false, unused);
}

std::vector<Received> RecordingWindows::Messages(HWND window) {
    Flush();
    std::lock_guard<std::mutex> lock(shared_->mutex);
    auto it = shared_->received.find(window);
    return it == shared_->received.end() ? std::vector<Received>() : it->second;
}

void RecordingWindows::Clear() {
    Flush();
    std::lock_guard<std::mutex> lock(shared_->mutex);
    for (auto& entry : shared_->received)
        entry.second.clear();
}

} // namespace testsupport
