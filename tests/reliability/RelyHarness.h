// The reliability suite's harness: the real RaveloRemote.exe run from the
// program folder (or a copy of it) against the simulated service, the
// stand-ins and a private firmware database; the movie player's log read
// back as a sequence of displays; the process's handles, threads, windows
// and memory; and savers that put shared registry values and files back.
#pragma once
#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "ProgramHarness.h"
#include "ProtocolFacts.h"
#include "SavedSettings.h"
#include "ServiceControl.h"
#include "SiblingControl.h"
#include "TestSupport.h"

namespace rely {

constexpr DWORD kLongWait = 30000;
using facts::kActiveProfileItem;
using facts::kClockItem;
using facts::kModeItem;

// ---- suite set-up ---------------------------------------------------------

// Once per test executable: a service channel of its own, a firmware
// database copied from the shipped one (OVACPI_DB, inherited by every
// child), the movie player's log (FLASHOBJ_LOG) and faster movies
// (FLASHOBJ_SPEED), all in folder.
struct SuiteFiles {
    std::string database;
    std::string osdLog;
    std::string apexLog;
    std::string kelvoLog;
};
bool PrepareSuite(const testsupport::TempFolder& folder, SuiteFiles& files);

// The firmware database the suite's processes share. Every write replaces
// the file in one step, so no reader sees half of it.
bool ReplaceFile(const std::string& path, const std::string& content);
bool ResetFirmware(const SuiteFiles& files);
// Adds fault directives ("fault fail-all" ...) to the shipped database.
bool SetFirmwareFaults(const SuiteFiles& files, const std::vector<std::string>& faults);
// The shipped database with one line replaced; false when it has no such line.
bool ReplaceFirmwareLine(const SuiteFiles& files, const std::string& line, const std::string& replacement);
using harness::ReadFirmwareItem;
using harness::WriteFirmwareItem;

// The surroundings of one test executable: its folder and files, the
// service and the two stand-ins of the sibling programs.
class Stage {
public:
    bool Prepare();
    const SuiteFiles& Files() const { return files_; }
    const std::string& Folder() const { return folder_.Path(); }

    bool StartService();
    bool StopService();
    ServiceControl::ServiceProcess& Service() { return service_; }

    // The stand-ins, with the suite's database and their logs; true once
    // their windows are up. arguments go to the overclocking program's
    // stand-in ("--freeze-on-step").
    bool StartApex(const std::string& arguments = std::string());
    bool StartKelvo();
    bool StopApex();
    bool StopKelvo();
    // Process ids of the running stand-ins, or 0.
    DWORD ApexId() const;
    DWORD KelvoId() const;
    // Lines of a stand-in's log holding text.
    size_t ApexLines(const std::string& text) const;
    size_t KelvoLines(const std::string& text) const;

private:
    testsupport::TempFolder folder_;
    SuiteFiles files_;
    ServiceControl::ServiceProcess service_;
    // A stopped stand-in cannot be started again: each start takes a new one.
    std::unique_ptr<siblings::SiblingProcess> apex_;
    std::unique_ptr<siblings::SiblingProcess> kelvo_;
};

// Windows of a class and caption on the whole desktop (other runs may
// have stand-ins of their own up).
size_t CountWindows(const char* className, const char* caption);

// Freezes every thread of a process, as a program that hangs would be.
bool SuspendProcess(DWORD processId);
bool ResumeProcess(DWORD processId);
bool TerminateProcessById(DWORD processId);

// ---- the program ------------------------------------------------------------

struct Figures {
    DWORD handles = 0;
    DWORD threads = 0;
    size_t windows = 0;
    SIZE_T privateBytes = 0;
    SIZE_T workingSet = 0;
};
std::string Describe(const Figures& figures);

// Waits until no copy of the program holds its instance mutex (another
// test run may be using the shared Wine session).
bool WaitForFreeInstance(DWORD timeoutMs);

class Program {
public:
    Program() = default;
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts RaveloRemote.exe from folder (default: the program folder)
    // once no other copy runs, and waits for its main window. A copy that
    // loses the instance mutex to another run is started again.
    bool Start(const std::string& folder = std::string(), const std::vector<std::string>& environment = {});
    // Main window registered with the service, the OSD window made and the
    // application window hidden again.
    bool WaitStarted(bool registered = true, DWORD timeoutMs = kLongWait);

    DWORD Id() const { return process_.Id(); }
    bool Running() const { return process_.Running(); }
    testsupport::ChildProcess& Process() { return process_; }
    const std::string& Folder() const { return folder_; }

    HWND MainWindow() const;
    HWND OsdWindow() const;
    std::vector<HWND> Players() const;
    std::vector<std::string> VisiblePlayerNames() const;
    bool OsdVisible() const;
    bool Idle() const; // no OSD and no player on screen
    std::vector<HWND> MessageBoxes() const;

    bool Post(UINT msg, WPARAM wParam, LPARAM lParam) const;
    bool PostKey(LONG code, WPARAM wParam = kSuiteMark) const { return Post(kServiceRemoteKey, wParam, code); }
    // The GUI thread answers a sent message within timeoutMs.
    bool Responsive(DWORD timeoutMs = 5000) const;
    bool IsRegistered() const;

    Figures Measure() const;

    // Quit through the service when it knows the program, else by the
    // message the service would post; true when the process ended with 0.
    bool Quit(DWORD timeoutMs = kLongWait);
    void Kill() { process_.Kill(); }

private:
    testsupport::ChildProcess process_;
    std::string folder_;
};

DWORD ThreadCountOf(DWORD processId);

// ---- displays ---------------------------------------------------------------

struct DisplayEvent {
    DWORD tick = 0;
    std::string movie;
    std::string kind;     // "request", "callback" or "ignored"
    std::string what;     // the command, or "intro" / "outro"
    std::string argument; // the rest of the line
};

// A display starts with "show", "show N" or "in" and ends with the movie's
// "callback outro". Displays that overlap or ends without a display are
// listed.
struct DisplaySequence {
    int started = 0;
    int ended = 0;
    std::vector<std::string> starts;    // movie of each start, in order
    std::vector<std::string> overlaps;  // "B started while A was on screen"
    std::vector<std::string> strayEnds; // "outro of A while B was on screen"
    std::string active;                 // movie still on screen at the end
};

class DisplayLog {
public:
    DisplayLog() = default;
    explicit DisplayLog(std::string path) : path_(std::move(path)) {}
    void SetPath(std::string path) { path_ = std::move(path); }
    const std::string& Path() const { return path_; }

    void Clear() const;
    std::string Text() const;
    std::vector<DisplayEvent> Events() const;
    DisplaySequence Sequence() const;
    // Number of request lines "<movie> request <command>" whose argument
    // starts with prefix (empty: any).
    int Count(const std::string& movie, const std::string& command, const std::string& prefix = std::string()) const;
    // The argument of the last request of that movie and command.
    std::string LastArgument(const std::string& movie, const std::string& command) const;
    // The last lines, for failure messages.
    std::string Tail(size_t lines = 40) const;

private:
    std::string path_;
};

DisplaySequence SequenceOf(const std::vector<DisplayEvent>& events);

// Watches the program's windows from a thread of its own while a case runs:
// how many players were on screen at once, and whether the OSD came up.
class ScreenWatch {
public:
    explicit ScreenWatch(const Program& program);
    ~ScreenWatch();
    ScreenWatch(const ScreenWatch&) = delete;
    ScreenWatch& operator=(const ScreenWatch&) = delete;

    void Stop();
    int MaxVisiblePlayers() const { return maxPlayers_.load(); }
    bool OsdSeen() const { return osdSeen_.load(); }
    int Samples() const { return samples_.load(); }
    std::string Worst() const; // the players on screen at the worst moment

private:
    void Run();
    const Program& program_;
    std::atomic<bool> stop_{false};
    std::atomic<int> maxPlayers_{0};
    std::atomic<bool> osdSeen_{false};
    std::atomic<int> samples_{0};
    mutable CRITICAL_SECTION lock_;
    std::string worst_;
    std::thread thread_;
};

// The program back in its idle state: OSD and players hidden, every
// display in the log ended (when a log is given), for settleMs in a row.
::testing::AssertionResult WaitIdle(const Program& program, const DisplayLog* log, DWORD timeoutMs = 60000,
                                    DWORD settleMs = 800);
// A key brings up a display (OSD form visible, or a new start in the log)
// that then ends, leaving the program idle.
::testing::AssertionResult KeyShowsDisplay(const Program& program, const DisplayLog* log, LONG key,
                                           DWORD timeoutMs = kLongWait);
// Alive, no message box, answering, idle, and a new key shows a display.
::testing::AssertionResult AliveAndAnswering(const Program& program, const DisplayLog* log, LONG probeKey);

// The text the program shows for a language key, looked up the program's
// way in the LangFiles folder of folder (default: the program folder).
std::string ProgramText(const char* key, const std::string& folder = std::string());

// ---- a case's surroundings ------------------------------------------------------

// A case with the program's surroundings: one stage per executable with
// the service up, both stand-ins started for each case, the firmware reset
// and the movie log cleared; the program quit the ordinary way at the end.
class StagedTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // Starts the program from folder (default: the program folder) and
    // waits until it has registered, with no message box up.
    void StartProgram(const std::string& folder = std::string());

    static std::unique_ptr<Stage> stage_;
    static bool prepared_;
    Program program_;
    DisplayLog log_;
};

// ---- files and registry -----------------------------------------------------

using testsupport::CopyTree;
bool Exists(const std::string& path);
bool WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

// Registry values and files of the shared Wine prefix, put back as they were.
using testsupport::SavedFile;
using testsupport::SavedValue;

// A profile file: first word, version, record count, then the records.
std::string ProfileFileBytes(DWORD version, DWORD count, const std::vector<std::pair<DWORD, DWORD>>& records);

// PNG files made from a good one: bytes flipped after the header, cut
// short, or with the header claiming other dimensions (CRC kept right).
std::string CorruptPng(const std::string& png);
std::string TruncatedPng(const std::string& png, size_t keep);
std::string PngClaimingSize(const std::string& png, DWORD width, DWORD height);

} // namespace rely
