// Helpers shared by the test executables: child processes, polling waits,
// the windows of another process, the folders of the build, and files.
#pragma once
#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
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

// Milliseconds of the performance counter, for measuring.
double NowMs();

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
    // environment variables ("NAME=value") added to this process's own; its
    // standard output and error go to the files named, when named.
    bool Start(const std::string& commandLine, const std::string& folder = std::string(),
               const std::vector<std::string>& extraEnvironment = {}, const std::string& outputFile = std::string(),
               const std::string& errorFile = std::string());
    bool Running() const;
    // Waits for the end; returns false on time-out.
    bool Wait(DWORD timeoutMs);
    DWORD ExitCode() const;
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_.Get(); }
    void Kill();

private:
    win32::UniqueHandle process_;
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

// The threads of a process, by id.
std::vector<DWORD> ThreadsOfProcess(DWORD processId);

// A top-level window of the test's own, of a class registered on first use
// with the procedure and background given.
win32::UniqueWindow MakeWindow(const char* className, WNDPROC procedure, DWORD exStyle, DWORD style, const RECT& place,
                               HBRUSH background = nullptr, void* parameter = nullptr);

// The top-level windows owned by a process.
std::vector<HWND> WindowsOfProcess(DWORD processId);
HWND FindWindowOfProcess(DWORD processId, const char* className, const char* caption = nullptr);
std::string WindowClass(HWND window);
std::string WindowText(HWND window);

// ---- files and folders ------------------------------------------------------

// A fresh temporary folder ("ravelo-<tag>-<pid>-<n>" under the temp
// folder), removed with its files at scope end.
class TempFolder {
public:
    explicit TempFolder(const std::string& tag = "test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return path_; } // ends in a backslash

private:
    std::string path_;
};

bool FileExists(const std::string& path);
using win32::ReadTextFile;
using win32::WriteTextFile;
// Replaces the file in one step (written beside it, then moved over it), so
// another process reading it never sees half of it.
bool ReplaceFile(const std::string& path, const std::string& bytes);
bool MakeFolder(const std::string& path);
// The lines of a text, without their line ends (LF or CR LF).
std::vector<std::string> Lines(const std::string& text);
// The key=value pairs of one section of an INI text (the section's name
// compared without case, the keys as written), in the text's own bytes.
std::map<std::string, std::string> IniSection(const std::string& text, const std::string& section);
bool CopyFileTo(const std::string& from, const std::string& to);
// The names in a folder (ending in a backslash), in the order the platform
// lists them, without "." and ".."; only the files when filesOnly.
std::vector<std::string> FolderEntries(const std::string& folder, bool filesOnly = false);
// Copies a folder tree (folders end in a backslash), leaving out the files
// named in skip (paths relative to from).
bool CopyTree(const std::string& from, const std::string& to, const std::set<std::string>& skip = {});
bool RemoveTree(const std::string& folder);

// A profile file as the overclocking program writes it: a first word that
// is not read, the format version, the record count, then the (setting id,
// value) records as given; a count other than the records written makes a
// damaged file.
std::string ProfileFileBytes(DWORD version, DWORD count, const std::vector<std::pair<DWORD, DWORD>>& records);
bool WriteProfileFile(const std::string& path, DWORD version, DWORD count,
                      const std::vector<std::pair<DWORD, DWORD>>& records);

// A firmware database of the test's own for the simulated OVACPI.DLL, which
// reads the file named by OVACPI_DB on every call; this process's children
// inherit the setting. Unset again at the end while it still names this file.
class FirmwareDatabase {
public:
    // In folder (empty: a temporary folder of its own), holding text.
    explicit FirmwareDatabase(const std::string& text = std::string(), const std::string& folder = std::string());
    ~FirmwareDatabase();
    FirmwareDatabase(const FirmwareDatabase&) = delete;
    FirmwareDatabase& operator=(const FirmwareDatabase&) = delete;

    const std::string& Path() const { return path_; }
    bool Write(const std::string& text) const { return ReplaceFile(path_, text); }
    // The file's text now (the library rewrites it when an item is set).
    std::string Text() const { return ReadTextFile(path_); }

private:
    std::unique_ptr<TempFolder> own_;
    std::string path_;
};

} // namespace testsupport
