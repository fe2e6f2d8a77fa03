// Helpers shared by the test executables: child processes, polling waits,
// the windows of another process and the folders of the build.
#pragma once
#include <windows.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "win32/Files.h"

namespace testsupport {

// A Linux path from the test environment turned into a Wine path (Z:\...),
// with a trailing backslash for folders when asked.
std::string WinPath(const std::string& unixPath, bool folder = false);
// RAVELO_DIST / RAVELO_BIN / RAVELO_SOURCE / RAVELO_BUILD as Wine folders
// ending in a backslash. Empty when the variable is not set.
std::string DistFolder();
std::string BinFolder();
std::string SourceFolder();
std::string BuildFolder();

// Polls until the condition holds or the time-out passes, pumping this
// thread's messages in between. Returns the condition's last answer.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 30000, DWORD pollMs = 10);
// Pumps this thread's messages for a time: only where the time itself is
// the point (a pause between keys, a period in which nothing may happen).
void PumpFor(DWORD ms);

// A child process that is ended (by its handle) if it still runs when the
// object goes away.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;

    // Starts commandLine in folder (empty: the current one) with extra
    // environment variables ("NAME=value") added to this process's own.
    bool Start(const std::string& commandLine, const std::string& folder = std::string(),
               const std::vector<std::string>& extraEnvironment = {});
    bool Running() const;
    // Waits for the end; returns false on time-out.
    bool Wait(DWORD timeoutMs);
    DWORD ExitCode() const;
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    void Kill();

private:
    void Close();
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// A test that needs a process of its own (the first request of something
// the process keeps, a message loop that ends the process) starts this
// executable again with only itself to run; InTestChild is true there, and
// the test's body runs in that child, whose exit code is 0 when it passed.
bool InTestChild();
bool StartCurrentTestAlone(ChildProcess& child);

// Runs a command to its end and returns its exit code (or ~0u on failure
// to start or on time-out: the time-out bounds the whole run, and a child
// still running then is ended); what it writes to its standard output and
// error goes to `output` if given.
DWORD RunCommand(const std::string& commandLine, std::string* output = nullptr, DWORD timeoutMs = 60000,
                 const std::vector<std::string>& extraEnvironment = {});

// The top-level windows owned by a process.
std::vector<HWND> WindowsOfProcess(DWORD processId);
HWND FindWindowOfProcess(DWORD processId, const char* className, const char* caption = nullptr);
std::string WindowClass(HWND window);
std::string WindowText(HWND window);

// A fresh temporary folder, removed with its files at scope end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; } // ends in a backslash

private:
    std::string path_;
};

bool WriteTextFile(const std::string& path, const std::string& text);
using win32::ReadTextFile;
// The lines of a text, without their line ends (LF or CR LF).
std::vector<std::string> Lines(const std::string& text);
bool CopyFileTo(const std::string& from, const std::string& to);
// Copies a folder tree (folders end in a backslash), leaving out the files
// named in skip (paths relative to from).
bool CopyTree(const std::string& from, const std::string& to, const std::set<std::string>& skip = {});
bool RemoveTree(const std::string& folder);

} // namespace testsupport
