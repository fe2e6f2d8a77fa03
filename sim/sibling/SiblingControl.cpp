#include "SiblingControl.h"

#include <cstring>

#include "win32/ModulePath.h"
#include "win32/TopWindows.h"

namespace siblings {
namespace {

bool SameNameNoCase(const std::string& entry, const std::string& name) {
    if (entry.size() <= name.size() || entry[name.size()] != '=')
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char a = entry[i], b = name[i];
        if (a >= 'a' && a <= 'z')
            a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z')
            b = static_cast<char>(b - 'a' + 'A');
        if (a != b)
            return false;
    }
    return true;
}

// Environment block: this process's variables with the overrides replaced.
std::vector<char> BuildEnvironment(const std::string& executable, const SiblingEnvironment& environment) {
    std::vector<std::pair<std::string, std::string>> overrides = environment.extra;
    const bool kelvo = executable.find("KelvoEngineSim") != std::string::npos;
    if (!environment.database.empty())
        overrides.emplace_back("OVACPI_DB", environment.database);
    if (!environment.log.empty())
        overrides.emplace_back(kelvo ? "KELVO_LOG" : "RAVELO_APEX_LOG", environment.log);
    if (!environment.registryBase.empty())
        overrides.emplace_back("RAVELO_SIM_REGISTRY_BASE", environment.registryBase);

    std::vector<char> block;
    char* strings = GetEnvironmentStringsA();
    if (strings != nullptr) {
        for (const char* entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
            std::string text = entry;
            bool replaced = false;
            for (const auto& item : overrides)
                replaced = replaced || SameNameNoCase(text, item.first);
            if (!replaced)
                block.insert(block.end(), text.c_str(), text.c_str() + text.size() + 1);
        }
        FreeEnvironmentStringsA(strings);
    }
    for (const auto& item : overrides) {
        std::string text = item.first + "=" + item.second;
        block.insert(block.end(), text.c_str(), text.c_str() + text.size() + 1);
    }
    block.push_back('\0');
    if (block.size() == 1)
        block.push_back('\0');
    return block;
}

HANDLE Launch(const std::string& executable, const SiblingEnvironment& environment, const std::string& arguments,
              DWORD& pid) {
    std::string commandLine = "\"" + executable + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    std::vector<char> block = BuildEnvironment(executable, environment);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(executable.c_str(), line.data(), nullptr, nullptr, FALSE, 0, block.data(), nullptr, &startup,
                        &info))
        return nullptr;
    CloseHandle(info.hThread);
    pid = info.dwProcessId;
    return info.hProcess;
}

} // namespace

std::string ToWindowsPath(const std::string& path) {
    std::string result = (!path.empty() && path[0] == '/') ? "Z:" + path : path;
    for (char& c : result)
        if (c == '/')
            c = '\\';
    return result;
}

std::string BinFolder() {
    char value[MAX_PATH * 2];
    DWORD length = GetEnvironmentVariableA("RAVELO_BIN", value, sizeof value);
    std::string folder;
    if (length > 0 && length < sizeof value) {
        folder = ToWindowsPath(std::string(value, length));
    } else {
        folder = win32::ModuleFolder();
    }
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

std::string ApexExecutable() { return BinFolder() + "RaveloApexSim.exe"; }
std::string KelvoExecutable() { return BinFolder() + "KelvoEngineSim.exe"; }

SiblingProcess::~SiblingProcess() {
    if (process_ != nullptr) {
        Stop();
        CloseHandle(process_);
    }
}

bool SiblingProcess::Start(const std::string& executable, const SiblingEnvironment& environment,
                           const std::string& arguments) {
    if (process_ != nullptr)
        return false;
    process_ = Launch(executable, environment, arguments, pid_);
    return process_ != nullptr;
}

bool SiblingProcess::IsRunning() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

HWND SiblingProcess::WaitForWindow(const char* windowClass, const char* caption, DWORD timeoutMs) const {
    DWORD start = GetTickCount();
    for (;;) {
        HWND window = FindWindowOfProcess(windowClass, caption, pid_);
        if (window != nullptr)
            return window;
        if (!IsRunning() || GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(50);
    }
}

bool SiblingProcess::WaitForExit(DWORD timeoutMs, DWORD* exitCode) {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (exitCode != nullptr)
        GetExitCodeProcess(process_, exitCode);
    return true;
}

bool SiblingProcess::Stop(DWORD timeoutMs) {
    if (process_ == nullptr)
        return false;
    if (!IsRunning())
        return true;
    win32::FindTopWindow(kWindowClass, nullptr, [this](HWND window) {
        if (win32::OwnerProcess(window) == pid_)
            PostMessageA(window, WM_CLOSE, 0, 0);
        return false; // every window of the process
    });
    if (WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0)
        return true;
    TerminateProcess(process_, 3);
    WaitForSingleObject(process_, timeoutMs);
    return false;
}

bool RunToEnd(const std::string& executable, const SiblingEnvironment& environment, const std::string& arguments,
              DWORD timeoutMs, DWORD& exitCode) {
    DWORD pid = 0;
    HANDLE process = Launch(executable, environment, arguments, pid);
    if (process == nullptr)
        return false;
    bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    if (ended)
        GetExitCodeProcess(process, &exitCode);
    else
        TerminateProcess(process, 3);
    CloseHandle(process);
    return ended;
}

HWND FindWindowOfProcess(const char* windowClass, const char* caption, DWORD pid) {
    return win32::FindTopWindow(windowClass, caption,
                                [pid](HWND window) { return win32::OwnerProcess(window) == pid; });
}

bool WaitForLogText(const std::string& path, const std::string& text, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (ReadTextFile(path).find(text) != std::string::npos)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(50);
    }
}

size_t CountLogLines(const std::string& path, const std::string& text) {
    std::string log = ReadTextFile(path);
    size_t count = 0;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        if (log.substr(start, end - start).find(text) != std::string::npos)
            ++count;
        start = end + 1;
    }
    return count;
}

} // namespace siblings
