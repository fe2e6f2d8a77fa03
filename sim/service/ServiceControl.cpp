#include "ServiceControl.h"

#include <cstdio>
#include <vector>

#include "ServiceProtocol.h"
#include "win32/Handles.h"
#include "win32/ModulePath.h"

namespace proto = RemoteServiceProtocol;

namespace ServiceControl {

namespace {

constexpr char kReplyClass[] = "RaveloServiceReply";
constexpr DWORD kPollMs = 50;

// Sends one request; false when no service answers.
bool Request(proto::Request request, const void* payload, DWORD size, LRESULT& reply) {
    const HWND service = proto::FindServiceWindow();
    if (service == nullptr)
        return false;
    COPYDATASTRUCT data{};
    data.dwData = request;
    data.cbData = size;
    data.lpData = const_cast<void*>(payload);
    DWORD_PTR result = 0;
    if (SendMessageTimeoutA(service, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                            proto::kRequestTimeoutMs, &result) == 0) {
        return false;
    }
    reply = static_cast<LRESULT>(result);
    return true;
}

Outcome PostOutcome(bool answered, LRESULT reply, unsigned* reached) {
    if (reached != nullptr)
        *reached = answered ? proto::PostedOf(reply) : 0;
    if (!answered)
        return Outcome::NoService;
    if (proto::PostedOf(reply) > 0)
        return Outcome::Posted;
    return proto::FailedOf(reply) > 0 ? Outcome::Failed : Outcome::NoClient;
}

// A message-only window in the calling thread that takes the service's
// text reply while this thread waits in its own send.
class ReplyWindow {
public:
    ReplyWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &ReplyWindow::Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kReplyClass;
        // Already registered by an earlier query in this process: fine.
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, kReplyClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr),
                                  nullptr);
        if (window_ != nullptr)
            SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ReplyWindow() {
        if (window_ != nullptr)
            DestroyWindow(window_);
    }
    ReplyWindow(const ReplyWindow&) = delete;
    ReplyWindow& operator=(const ReplyWindow&) = delete;

    HWND Get() const { return window_; }
    bool Received() const { return received_; }
    const std::string& Text() const { return text_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ReplyWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_COPYDATA && self != nullptr) {
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (data != nullptr && data->dwData == proto::kClientsReply) {
                self->text_.assign(data->lpData != nullptr ? static_cast<const char*>(data->lpData) : "",
                                   data->lpData != nullptr ? data->cbData : 0);
                self->received_ = true;
                return 1;
            }
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    bool received_ = false;
    std::string text_;
};

bool FileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Posted:
        return "Posted";
    case Outcome::NoService:
        return "NoService";
    case Outcome::NoClient:
        return "NoClient";
    case Outcome::Failed:
        return "Failed";
    }
    return "?";
}

bool UseChannel(const std::string& name) {
    if (name.size() > proto::kMaxChannel)
        return false;
    return SetEnvironmentVariableA(proto::kChannelVariable, name.empty() ? nullptr : name.c_str()) != FALSE;
}

void UsePrivateChannel() { UseChannel("p" + std::to_string(GetCurrentProcessId())); }

bool IsServiceRunning() { return proto::FindServiceWindow() != nullptr; }

bool WaitForService(bool running, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (IsServiceRunning() == running)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollMs);
    }
}

Outcome SendRaw(UINT message, WPARAM wParam, LPARAM lParam, unsigned* reached) {
    proto::PostRequest request{};
    request.message = message;
    request.wParam = static_cast<uint32_t>(wParam);
    request.lParam = static_cast<int32_t>(lParam);
    LRESULT reply = 0;
    const bool answered = Request(proto::kPost, &request, sizeof request, reply);
    return PostOutcome(answered, reply, reached);
}

Outcome SendKey(LONG code, unsigned* reached) { return SendRaw(proto::kRemoteKeyMessage, proto::kMark, code, reached); }

Outcome SendQuit(unsigned* reached) {
    LRESULT reply = 0;
    const bool answered = Request(proto::kQuit, nullptr, 0, reply);
    return PostOutcome(answered, reply, reached);
}

Outcome SendResume(unsigned* reached) {
    LRESULT reply = 0;
    const bool answered = Request(proto::kResume, nullptr, 0, reply);
    return PostOutcome(answered, reply, reached);
}

bool QueryAttempts(unsigned& count) {
    LRESULT reply = 0;
    if (!Request(proto::kAttempts, nullptr, 0, reply))
        return false;
    count = static_cast<unsigned>(reply);
    return true;
}

bool QueryUnregistrations(unsigned& count) {
    LRESULT reply = 0;
    if (!Request(proto::kUnregistrations, nullptr, 0, reply))
        return false;
    count = static_cast<unsigned>(reply);
    return true;
}

bool QueryClients(std::vector<Client>& clients) {
    ReplyWindow replyWindow;
    if (replyWindow.Get() == nullptr)
        return false;
    proto::QueryRequest request{};
    request.replyWindow = proto::HandleToWire(replyWindow.Get());
    LRESULT reply = 0;
    if (!Request(proto::kClients, &request, sizeof request, reply) || reply != 1 || !replyWindow.Received()) {
        return false;
    }
    std::vector<Client> result;
    for (const proto::ClientLine& line : proto::ParseClientsReply(replyWindow.Text())) {
        Client client;
        client.window = proto::WireToHandle(line.window);
        client.identity = line.identity;
        result.push_back(client);
    }
    clients.swap(result);
    return true;
}

bool StopService(DWORD timeoutMs) {
    const HWND service = proto::FindServiceWindow();
    if (service == nullptr)
        return false;
    DWORD processId = 0;
    GetWindowThreadProcessId(service, &processId);
    win32::UniqueHandle process(processId != 0 ? OpenProcess(SYNCHRONIZE, FALSE, processId) : nullptr);
    LRESULT reply = 0;
    if (!Request(proto::kStop, nullptr, 0, reply) || reply != 1)
        return false;
    if (process.Get() != nullptr)
        return WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0;
    return WaitForService(false, timeoutMs);
}

std::string DefaultServicePath() {
    const std::string beside = win32::ModuleFolder() + "RemoteService.exe";
    if (FileExists(beside))
        return beside;
    // RAVELO_BIN is a Linux path; under Wine, Z: reaches the Linux root.
    char bin[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA("RAVELO_BIN", bin, sizeof bin);
    if (length > 0 && length < sizeof bin) {
        std::string folder(bin, length);
        if (folder[0] == '/')
            folder = "Z:" + folder;
        for (char& c : folder) {
            if (c == '/')
                c = '\\';
        }
        if (folder.back() != '\\')
            folder += '\\';
        const std::string there = folder + "RemoteService.exe";
        if (FileExists(there))
            return there;
    }
    return beside;
}

ServiceProcess::~ServiceProcess() {
    Stop();
    Close();
}

bool ServiceProcess::Start(const std::string& exePath, bool show, DWORD timeoutMs) {
    if (IsRunning() || IsServiceRunning())
        return false;
    Close();
    const std::string path = exePath.empty() ? DefaultServicePath() : exePath;
    std::string commandLine = "\"" + path + "\" run";
    if (show)
        commandLine += " --show";
    std::vector<char> writable(commandLine.begin(), commandLine.end());
    writable.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(path.c_str(), writable.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;

    const DWORD start = GetTickCount();
    for (;;) {
        if (IsServiceRunning())
            return true;
        if (!IsRunning())
            return false; // it gave up (e.g. another instance won)
        if (GetTickCount() - start >= timeoutMs) {
            Stop(0);
            return false;
        }
        Sleep(kPollMs);
    }
}

bool ServiceProcess::Stop(DWORD timeoutMs) {
    if (process_ == nullptr)
        return false;
    bool clean = false;
    if (IsRunning()) {
        // Only ask the service to stop if it is ours.
        const HWND service = proto::FindServiceWindow();
        DWORD owner = 0;
        if (service != nullptr)
            GetWindowThreadProcessId(service, &owner);
        LRESULT reply = 0;
        if (owner == processId_ && Request(proto::kStop, nullptr, 0, reply) && reply == 1 &&
            WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0) {
            clean = ExitCode() == 0;
        } else {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 10000);
        }
    } else {
        clean = ExitCode() == 0;
    }
    return clean;
}

bool ServiceProcess::IsRunning() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

DWORD ServiceProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_ != nullptr)
        GetExitCodeProcess(process_, &code);
    return code;
}

void ServiceProcess::Close() {
    if (process_ != nullptr)
        CloseHandle(process_);
    process_ = nullptr;
    processId_ = 0;
}

} // namespace ServiceControl
