#include "ActionsTestSupport.h"

#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "TestSupport.h"

namespace actions_test {

Received Posted(UINT msg, LPARAM lParam, WPARAM wParam) { return Received{msg, wParam, lParam, false}; }

Received Sent(UINT msg, LPARAM lParam, WPARAM wParam) { return Received{msg, wParam, lParam, true}; }

std::string MessageName(UINT msg) {
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
    char text[96] = {};
    if (msg >= WM_USER && msg < WM_USER + 0x100)
        std::snprintf(text, sizeof text, "WM_USER+%u (%u%s%s)", msg - WM_USER, msg, meaning ? ", " : "",
                      meaning ? meaning : "");
    else
        std::snprintf(text, sizeof text, "message %u", msg);
    return text;
}

std::string Describe(const Received& message) {
    char text[160] = {};
    std::snprintf(text, sizeof text, "%s %s wParam=0x%lX lParam=%ld", message.sent ? "sent  " : "posted",
                  MessageName(message.msg).c_str(), static_cast<unsigned long>(message.wParam),
                  static_cast<long>(message.lParam));
    return text;
}

::testing::AssertionResult SameMessages(const std::vector<Received>& expected, const std::vector<Received>& actual) {
    if (expected == actual)
        return ::testing::AssertionSuccess();
    std::ostringstream out;
    out << "messages differ\n  expected (" << expected.size() << "):\n";
    for (const Received& m : expected)
        out << "    " << Describe(m) << "\n";
    out << "  received (" << actual.size() << "):\n";
    for (const Received& m : actual)
        out << "    " << Describe(m) << "\n";
    return ::testing::AssertionFailure() << out.str();
}

// ---- RecordingWindows -------------------------------------------------------

namespace {

enum RequestKind { kCreate, kDestroy, kDestroyAll, kFlush, kQuit };

struct Request {
    int kind = kCreate;
    const char* className = nullptr;
    const char* caption = nullptr;
    bool visible = false;
    HWND window = nullptr;
    HANDLE done = nullptr;
};

constexpr UINT kRequestMessage = WM_APP + 0x51;

} // namespace

struct RecordingWindows::Shared {
    std::mutex mutex;
    std::map<HWND, std::vector<Received>> received;
    std::set<std::string> classes;
    std::vector<HWND> windows;
    HANDLE ready = nullptr;
};

RecordingWindows::RecordingWindows() : shared_(std::make_shared<Shared>()) {
    shared_->ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, &RecordingWindows::ThreadMain, shared_.get(), 0, &threadId_);
    if (thread_ != nullptr)
        WaitForSingleObject(shared_->ready, 20000);
}

RecordingWindows::~RecordingWindows() {
    if (thread_ != nullptr) {
        HWND unused = nullptr;
        Run(kQuit, nullptr, nullptr, false, unused);
        WaitForSingleObject(thread_, 20000);
        CloseHandle(thread_);
    }
    if (shared_->ready != nullptr)
        CloseHandle(shared_->ready);
}

DWORD WINAPI RecordingWindows::ThreadMain(void* parameter) {
    auto* shared = static_cast<Shared*>(parameter);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists from here on
    SetEvent(shared->ready);
    bool quit = false;
    while (!quit && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd != nullptr || msg.message != kRequestMessage) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        auto* request = reinterpret_cast<Request*>(msg.lParam);
        switch (request->kind) {
        case kCreate: {
            std::string name = request->className;
            bool registered = false;
            {
                std::lock_guard<std::mutex> lock(shared->mutex);
                registered = shared->classes.count(name) != 0;
            }
            if (!registered) {
                WNDCLASSA wc = {};
                wc.lpfnWndProc = &RecordingWindows::WindowProc;
                wc.hInstance = GetModuleHandleA(nullptr);
                wc.lpszClassName = request->className;
                RegisterClassA(&wc);
                std::lock_guard<std::mutex> lock(shared->mutex);
                shared->classes.insert(name);
            }
            HWND window =
                CreateWindowExA(WS_EX_TOOLWINDOW, request->className, request->caption,
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
        SetEvent(request->done);
    }
    return 0;
}

LRESULT CALLBACK RecordingWindows::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER + 30 && msg <= WM_USER + 40) {
        auto* shared = reinterpret_cast<Shared*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (shared != nullptr) {
            const bool sent = InSendMessage() != FALSE;
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->received[window].push_back(Received{msg, wParam, lParam, sent});
        }
        return msg == WM_USER + 36 ? 1 : 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

void RecordingWindows::Run(int kind, const char* className, const char* caption, bool visible, HWND& window) {
    Request request;
    request.kind = kind;
    request.className = className;
    request.caption = caption;
    request.visible = visible;
    request.window = window;
    request.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (PostThreadMessageA(threadId_, kRequestMessage, 0, reinterpret_cast<LPARAM>(&request))) {
        // Pump this thread meanwhile: the window thread may be sending to it.
        testsupport::WaitUntil([&] { return WaitForSingleObject(request.done, 0) == WAIT_OBJECT_0; }, 20000, 5);
    }
    CloseHandle(request.done);
    window = request.window;
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

// ---- Firmware ---------------------------------------------------------------

FirmwareDatabase::FirmwareDatabase(const std::string& folder) : path_(folder + "firmware.txt") {
    char value[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableA("OVACPI_DB", value, sizeof value);
    hadPrevious_ = length > 0 && length < sizeof value;
    if (hadPrevious_)
        previous_ = value;
    SetEnvironmentVariableA("OVACPI_DB", path_.c_str());
}

FirmwareDatabase::~FirmwareDatabase() {
    SetEnvironmentVariableA("OVACPI_DB", hadPrevious_ ? previous_.c_str() : nullptr);
    DeleteFileA(path_.c_str());
}

bool FirmwareDatabase::Write(const std::string& text) { return testsupport::WriteTextFile(path_, text); }

const char kClockItemLine[] = "number 0x03010011 8 name=\"CPU Clock\" base=300000 step=2500 count=81\n";
const char kProfileLines[] = "list 0x05080002 0 name=\"OC Profiles\" text=\"Gaming\" text=\"Silent\"\n"
                             "record 0x05080002 0 0x03020012=21 0x03010011=32\n"
                             "record 0x05080002 1 0x03010011=12\n";
const char kModeItemLine[] =
    "number 0x0B000001 0x8000 name=\"Engine Mode\" base=0 step=1 count=32769 accept=0,1,2,0x4000,0x8000\n";
const char kActiveProfileLine[] =
    "number 0x11060008 0 name=\"Active OC Profile\" base=0 step=1 count=5 accept=0,1,2,3,4\n";
const char kAutoSwitchOnLine[] = "switch 0x11070010 1 name=\"Engine Auto Mode\"\n";

std::string StandardFirmware() {
    return std::string(kClockItemLine) + kProfileLines + kModeItemLine + kActiveProfileLine + kAutoSwitchOnLine;
}

// ---- Registry ---------------------------------------------------------------

PrivateRegistry::PrivateRegistry() {
    char text[64] = {};
    std::snprintf(text, sizeof text, "Software\\RaveloActionsTest-%lu\\",
                  static_cast<unsigned long>(GetCurrentProcessId()));
    base_ = text;
}

PrivateRegistry::~PrivateRegistry() {
    const std::string key = base_.substr(0, base_.size() - 1);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}

namespace {
bool SetValue(HKEY root, const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}
} // namespace

bool PrivateRegistry::SetString(HKEY root, const std::string& subKey, const char* name,
                                const std::string& value) const {
    return SetValue(root, base_ + subKey, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool PrivateRegistry::SetDword(HKEY root, const std::string& subKey, const char* name, DWORD value) const {
    return SetValue(root, base_ + subKey, name, REG_DWORD, &value, sizeof value);
}

bool PrivateRegistry::DeleteValue(HKEY root, const std::string& subKey, const char* name) const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, (base_ + subKey).c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return true; // no key, no value
    const LONG rc = RegDeleteValueA(key, name);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool PrivateRegistry::DeleteKey(HKEY root, const std::string& subKey) const {
    const std::string path = base_ + subKey;
    RegDeleteTreeA(root, path.c_str());
    const LONG rc = RegDeleteKeyA(root, path.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool PrivateRegistry::KeyExists(HKEY root, const std::string& subKey) const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, (base_ + subKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// ---- Profile files ----------------------------------------------------------

bool WriteProfileFile(const std::string& path, DWORD version, DWORD count,
                      const std::vector<std::pair<DWORD, DWORD>>& records) {
    std::string bytes;
    auto word = [&bytes](DWORD value) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    word(0x4F525641); // the first word is not interpreted
    word(version);
    word(count);
    for (const auto& record : records) {
        word(record.first);
        word(record.second);
    }
    return testsupport::WriteTextFile(path, bytes);
}

} // namespace actions_test
