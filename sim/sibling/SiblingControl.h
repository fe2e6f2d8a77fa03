// For tests of the remote program: start and stop the stand-ins of the
// sibling programs as child processes with their own firmware database and
// log, find their windows, and read their logs.
//
// Link the static library `sibling_control`. Typical use:
//
//   siblings::SiblingProcess apex;
//   siblings::SiblingEnvironment env{db, log};
//   ASSERT_TRUE(apex.Start(siblings::ApexExecutable(), env));
//   HWND command = apex.WaitForWindow("TMainForm", "RaveloHelp", 20000);
//   ... drive the program ...
//   EXPECT_TRUE(siblings::WaitForLogText(log, "msg=1061 wParam=0x55 lParam=1 posted", 20000));
//   apex.Stop();
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "win32/Files.h"

namespace siblings {

constexpr char kWindowClass[] = "TMainForm";
constexpr char kApexMainCaption[] = "Ravelo";
constexpr char kApexCommandCaption[] = "RaveloHelp";
constexpr char kKelvoCaption[] = "Kelvo Engine";

// Posted to any window of a stand-in: its window thread takes no message,
// sent or posted, for lParam milliseconds (at most kMaxFreezeMs), as a
// program that stops responding for a while. The log shows "not responding
// for <n> ms" when it starts and "responding again" when it ends.
constexpr UINT kFreezeMessage = WM_APP + 0x0150;
constexpr DWORD kMaxFreezeMs = 120000;

// "/a/b" (a Linux path, as the test environment variables hold them) becomes
// "Z:\a\b"; any other path only has its slashes turned into backslashes.
std::string ToWindowsPath(const std::string& path);

// Folder of the built executables (RAVELO_BIN, else this executable's
// folder), with a trailing backslash.
std::string BinFolder();
std::string ApexExecutable();  // BinFolder() + "RaveloApexSim.exe"
std::string KelvoExecutable(); // BinFolder() + "KelvoEngineSim.exe"

// What a stand-in is started with. Empty fields are not set (the child then
// inherits this process's value, or uses its default).
struct SiblingEnvironment {
    std::string database;     // OVACPI_DB
    std::string log;          // RAVELO_APEX_LOG or KELVO_LOG, by executable
    std::string registryBase; // RAVELO_SIM_REGISTRY_BASE
    std::vector<std::pair<std::string, std::string>> extra;
};

class SiblingProcess {
public:
    SiblingProcess() = default;
    ~SiblingProcess();
    SiblingProcess(const SiblingProcess&) = delete;
    SiblingProcess& operator=(const SiblingProcess&) = delete;

    // Starts the executable with the environment and extra arguments.
    bool Start(const std::string& executable, const SiblingEnvironment& environment,
               const std::string& arguments = std::string());

    bool IsRunning() const;
    DWORD Pid() const { return pid_; }

    // Polls for a top-level window of the class and caption owned by this
    // process; null after timeoutMs.
    HWND WaitForWindow(const char* windowClass, const char* caption, DWORD timeoutMs) const;

    // Waits for the process to end; the exit code is stored when it did.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr);

    // Posts WM_CLOSE to the process's windows of class "TMainForm", waits up
    // to timeoutMs, then terminates it. True when it ended on its own.
    bool Stop(DWORD timeoutMs = 15000);

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// Runs the executable to its end (for "--quit" and the second-copy check);
// false when it could not start or did not end within timeoutMs.
bool RunToEnd(const std::string& executable, const SiblingEnvironment& environment, const std::string& arguments,
              DWORD timeoutMs, DWORD& exitCode);

// The top-level window of the class and caption owned by the process, or null.
HWND FindWindowOfProcess(const char* windowClass, const char* caption, DWORD pid);

// Whole file as text; empty when it cannot be read.
using win32::ReadTextFile;

// Polls the log until it contains text; false after timeoutMs.
bool WaitForLogText(const std::string& path, const std::string& text, DWORD timeoutMs);

// Number of lines of the log containing text.
size_t CountLogLines(const std::string& path, const std::string& text);

} // namespace siblings
