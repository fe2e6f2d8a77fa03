#include "TestSupport.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "win32/Handles.h"
#include "win32/ModulePath.h"

namespace testsupport {

std::string WinPath(const std::string& unixPath, bool folder) {
    if (unixPath.empty())
        return std::string();
    std::string path = unixPath;
    if (path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    if (folder && path.back() != '\\')
        path += '\\';
    return path;
}

namespace {
std::string FolderFromEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? WinPath(value, true) : std::string();
}

// This process's environment block with extra variables added (or
// replaced), in the sorted form CreateProcess expects.
std::vector<char> EnvironmentWith(const std::vector<std::string>& extra) {
    std::vector<std::string> entries;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* p = block; *p != '\0'; p += std::strlen(p) + 1)
            entries.emplace_back(p);
        FreeEnvironmentStringsA(block);
    }
    for (const std::string& variable : extra) {
        const std::string name = variable.substr(0, variable.find('=') + 1);
        bool replaced = false;
        for (std::string& entry : entries) {
            if (_strnicmp(entry.c_str(), name.c_str(), name.size()) == 0) {
                entry = variable;
                replaced = true;
            }
        }
        if (!replaced)
            entries.push_back(variable);
    }
    std::vector<char> result;
    for (const std::string& entry : entries) {
        result.insert(result.end(), entry.begin(), entry.end());
        result.push_back('\0');
    }
    result.push_back('\0');
    return result;
}
} // namespace

std::string DistFolder() { return FolderFromEnv("RAVELO_DIST"); }
std::string BinFolder() { return FolderFromEnv("RAVELO_BIN"); }
std::string SourceFolder() { return FolderFromEnv("RAVELO_SOURCE"); }
std::string BuildFolder() { return FolderFromEnv("RAVELO_BUILD"); }

double NowMs() {
    static LARGE_INTEGER frequency{};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return condition();
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, pollMs, QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    WaitUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}

ChildProcess::~ChildProcess() { Kill(); }

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : process_(std::move(other.process_)), id_(std::exchange(other.id_, 0)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        Kill();
        process_ = std::move(other.process_);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

namespace {

// A file a child writes its output to; inheritable.
win32::UniqueHandle OutputFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return win32::UniqueHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

bool ChildProcess::Start(const std::string& commandLine, const std::string& folder,
                         const std::vector<std::string>& extraEnvironment, const std::string& outputFile,
                         const std::string& errorFile) {
    Kill();
    process_.Reset();
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    win32::UniqueHandle output;
    win32::UniqueHandle error;
    const bool redirect = !outputFile.empty() || !errorFile.empty();
    if (redirect) {
        output = OutputFile(outputFile.empty() ? "NUL" : outputFile);
        error = OutputFile(errorFile.empty() ? "NUL" : errorFile);
        if (!output || !error)
            return false;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = output.Get();
        si.hStdError = error.Get();
    }
    PROCESS_INFORMATION pi{};
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    std::vector<char> environment = EnvironmentWith(extraEnvironment);
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, redirect ? TRUE : FALSE, 0, environment.data(),
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        return false;
    win32::UniqueHandle thread(pi.hThread);
    process_.Reset(pi.hProcess);
    id_ = pi.dwProcessId;
    return true;
}

bool ChildProcess::Running() const { return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

bool ChildProcess::Wait(DWORD timeoutMs) {
    return process_ && WaitForSingleObject(process_.Get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
    DWORD code = ~0u;
    if (process_)
        GetExitCodeProcess(process_.Get(), &code);
    return code;
}

void ChildProcess::Kill() {
    if (Running()) {
        TerminateProcess(process_.Get(), 99);
        WaitForSingleObject(process_.Get(), 10000);
    }
}

namespace {
constexpr char kTestChildVariable[] = "RAVELO_TEST_CHILD";
} // namespace

bool InTestChild() { return GetEnvironmentVariableA(kTestChildVariable, nullptr, 0) != 0; }

bool StartCurrentTestAlone(ChildProcess& child) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (test == nullptr)
        return false;
    const std::string filter = std::string(test->test_suite_name()) + "." + test->name();
    // One shard of one, or the child's shard might not hold the test.
    return child.Start("\"" + win32::ModuleFileName() + "\" --gtest_color=no --gtest_filter=" + filter, std::string(),
                       {std::string(kTestChildVariable) + "=1", "GTEST_TOTAL_SHARDS=1", "GTEST_SHARD_INDEX=0"});
}

DWORD RunCommand(const std::string& commandLine, std::string* output, DWORD timeoutMs,
                 const std::vector<std::string>& extraEnvironment) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    win32::UniqueHandle readEnd;
    win32::UniqueHandle writeEnd;
    if (!CreatePipe(readEnd.Receive(), writeEnd.Receive(), &sa, 0))
        return ~0u;
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd.Get();
    si.hStdError = writeEnd.Get();
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::vector<char> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back('\0');
    std::vector<char> environment = EnvironmentWith(extraEnvironment);
    const BOOL started =
        CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, environment.data(), nullptr, &si, &pi);
    writeEnd.Reset();
    if (!started)
        return ~0u;
    win32::UniqueHandle process(pi.hProcess);
    win32::UniqueHandle thread(pi.hThread);
    // The pipe is read only as far as it holds data, so the time-out bounds
    // the whole run, also of a child that hangs with its output open.
    std::string text;
    const DWORD start = GetTickCount();
    bool ended = false;
    for (;;) {
        DWORD available = 0;
        if (PeekNamedPipe(readEnd.Get(), nullptr, 0, nullptr, &available, nullptr) && available > 0) {
            char buffer[4096];
            DWORD got = 0;
            if (!ReadFile(readEnd.Get(), buffer, available < sizeof buffer ? available : sizeof buffer, &got, nullptr))
                break;
            text.append(buffer, got);
            continue;
        }
        if (ended)
            break; // and the pipe is drained
        ended = WaitForSingleObject(process.Get(), 10) == WAIT_OBJECT_0;
        if (!ended && GetTickCount() - start >= timeoutMs)
            break;
    }
    DWORD code = ~0u;
    if (ended)
        GetExitCodeProcess(process.Get(), &code);
    else if (TerminateProcess(process.Get(), 99))
        WaitForSingleObject(process.Get(), 10000);
    if (output != nullptr)
        *output = text;
    return code;
}

std::vector<DWORD> ThreadsOfProcess(DWORD processId) {
    std::vector<DWORD> ids;
    const win32::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot)
        return ids;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more; more = Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID == processId)
            ids.push_back(entry.th32ThreadID);
        entry.dwSize = sizeof entry;
    }
    return ids;
}

namespace {
struct EnumState {
    DWORD processId;
    std::vector<HWND>* windows;
};
BOOL CALLBACK CollectWindow(HWND window, LPARAM lParam) {
    auto* state = reinterpret_cast<EnumState*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == state->processId)
        state->windows->push_back(window);
    return TRUE;
}
} // namespace

win32::UniqueWindow MakeWindow(const char* className, WNDPROC procedure, DWORD exStyle, DWORD style, const RECT& place,
                               HBRUSH background, void* parameter) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA existing{};
    if (!GetClassInfoA(instance, className, &existing)) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = instance;
        windowClass.hbrBackground = background;
        windowClass.lpszClassName = className;
        RegisterClassA(&windowClass);
    }
    return win32::UniqueWindow(CreateWindowExA(exStyle, className, "", style, place.left, place.top,
                                               place.right - place.left, place.bottom - place.top, nullptr, nullptr,
                                               instance, parameter));
}

std::vector<HWND> WindowsOfProcess(DWORD processId) {
    std::vector<HWND> windows;
    EnumState state{processId, &windows};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&state));
    return windows;
}

std::string WindowClass(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

HWND FindWindowOfProcess(DWORD processId, const char* className, const char* caption) {
    for (HWND window : WindowsOfProcess(processId)) {
        if (WindowClass(window) != className)
            continue;
        if (caption != nullptr && WindowText(window) != caption)
            continue;
        return window;
    }
    return nullptr;
}

TempFolder::TempFolder(const std::string& tag) {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    static LONG counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string candidate = std::string(base) + "ravelo-" + tag + "-" +
                                      std::to_string(GetCurrentProcessId()) + "-" +
                                      std::to_string(InterlockedIncrement(&counter)) + "\\";
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
    }
}

TempFolder::~TempFolder() {
    if (!path_.empty())
        RemoveTree(path_);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::map<std::string, std::string> IniSection(const std::string& text, const std::string& section) {
    std::map<std::string, std::string> values;
    bool inside = false;
    for (const std::string& line : Lines(text)) {
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            inside = _stricmp(line.c_str(), ("[" + section + "]").c_str()) == 0;
            continue;
        }
        const size_t eq = line.find('=');
        if (inside && eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool ReplaceFile(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".new";
    if (!WriteTextFile(temporary, bytes))
        return false;
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
            return true;
        Sleep(20); // a reader may hold the file for a moment
    }
    DeleteFileA(temporary.c_str());
    return false;
}

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

bool CopyFileTo(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

namespace {

// Hands each entry of a folder (ending in a backslash) but "." and ".." to
// visit; false when the folder cannot be listed.
template <typename Visit>
bool ForEachEntry(const std::string& folder, Visit visit) {
    WIN32_FIND_DATAA data;
    win32::FindHandle find(FindFirstFileA((folder + "*").c_str(), &data));
    if (!find)
        return false;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            visit(name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    } while (FindNextFileA(find.Get(), &data));
    return true;
}

bool CopyTreeBelow(const std::string& from, const std::string& to, const std::set<std::string>& skip,
                   const std::string& relative) {
    if (!CreateDirectoryA(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    bool ok = true;
    const bool listed = ForEachEntry(from, [&](const std::string& name, bool folder) {
        if (skip.count(relative + name) != 0)
            return;
        if (folder)
            ok = CopyTreeBelow(from + name + "\\", to + name + "\\", skip, relative + name + "\\") && ok;
        else
            ok = CopyFileTo(from + name, to + name) && ok;
    });
    return listed && ok;
}

} // namespace

std::vector<std::string> FolderEntries(const std::string& folder, bool filesOnly) {
    std::vector<std::string> names;
    ForEachEntry(folder, [&](const std::string& name, bool isFolder) {
        if (!(filesOnly && isFolder))
            names.push_back(name);
    });
    return names;
}

bool CopyTree(const std::string& from, const std::string& to, const std::set<std::string>& skip) {
    return CopyTreeBelow(from, to, skip, std::string());
}

bool RemoveTree(const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\')
        base += '\\';
    ForEachEntry(base, [&](const std::string& name, bool isFolder) {
        const std::string full = base + name;
        if (isFolder)
            RemoveTree(full);
        else {
            SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(full.c_str());
        }
    });
    return RemoveDirectoryA(base.c_str()) != FALSE;
}

std::string ProfileFileBytes(DWORD version, DWORD count, const std::vector<std::pair<DWORD, DWORD>>& records) {
    std::string bytes;
    auto word = [&bytes](DWORD value) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    word(0x4F525641); // the first word is not read
    word(version);
    word(count);
    for (const auto& record : records) {
        word(record.first);
        word(record.second);
    }
    return bytes;
}

bool WriteProfileFile(const std::string& path, DWORD version, DWORD count,
                      const std::vector<std::pair<DWORD, DWORD>>& records) {
    return WriteTextFile(path, ProfileFileBytes(version, count, records));
}

FirmwareDatabase::FirmwareDatabase(const std::string& text, const std::string& folder) {
    if (folder.empty())
        own_ = std::make_unique<TempFolder>("firmware");
    path_ = (folder.empty() ? own_->Path() : folder) + "firmware.txt";
    Write(text);
    SetEnvironmentVariableA("OVACPI_DB", path_.c_str());
}

FirmwareDatabase::~FirmwareDatabase() {
    // Only while it still names this file: a newer database may have taken over.
    char current[MAX_PATH * 2] = {};
    const DWORD n = GetEnvironmentVariableA("OVACPI_DB", current, sizeof current);
    if (n > 0 && n < sizeof current && path_ == current)
        SetEnvironmentVariableA("OVACPI_DB", nullptr);
    DeleteFileA(path_.c_str());
}

} // namespace testsupport
