// The one way the tests and the bench run the real RaveloRemote.exe: the
// suite around it (a private service channel, firmware database and logs,
// the simulated service and the stand-ins of the sibling programs), the
// program itself from the program folder (or a copy of it), and the firmware
// items as the program reads them. The player's log is read with PlayerLog,
// files with the helpers of TestSupport.h.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "PlayerLog.h"
#include "ProtocolFacts.h"
#include "ServiceControl.h"
#include "SiblingControl.h"
#include "TestSupport.h"

namespace harness {

constexpr DWORD kLongWait = 30000;

// ---- the firmware -------------------------------------------------------------

// Reads or writes a firmware item through the simulator, as the program does.
bool ReadFirmwareItem(DWORD id, LONG& value);
bool WriteFirmwareItem(DWORD id, LONG value);
// Polls until the item holds the value; false after timeoutMs.
bool WaitForFirmwareItem(DWORD id, LONG expected, DWORD timeoutMs);

// ---- the suite ------------------------------------------------------------------

struct SuiteOptions {
    bool playerLog = true; // FLASHOBJ_LOG for every child
    int playerSpeed = 0;   // FLASHOBJ_SPEED: the movies' own parts this many times faster (0: as they are)
};

// The files of a suite, all in its folder. The database and the logs are
// named to every child this process starts (OVACPI_DB, FLASHOBJ_LOG; the
// stand-ins get theirs when started).
struct SuiteFiles {
    std::string database;
    std::string playerLog;
    std::string apexLog;
    std::string kelvoLog;
};

// The shipped firmware database put back, or with fault directives ("fault
// fail-all" ...) added, or with one line replaced (false when it has no such
// line). Every write replaces the file in one step, so no reader sees half of it.
bool ResetFirmware(const SuiteFiles& files);
bool SetFirmwareFaults(const SuiteFiles& files, const std::vector<std::string>& faults);
bool ReplaceFirmwareLine(const SuiteFiles& files, const std::string& line, const std::string& replacement);

// Once per test executable: a service channel of its own (this process, the
// service and every child), a copy of the shipped firmware database and the
// logs in a folder of its own; the service and the two stand-ins on request,
// stopped at the end.
class Suite {
public:
    explicit Suite(const SuiteOptions& options = SuiteOptions()) : options_(options) {}
    ~Suite();
    Suite(const Suite&) = delete;
    Suite& operator=(const Suite&) = delete;

    bool Prepare();
    const SuiteFiles& Files() const { return files_; }
    const std::string& Folder() const { return folder_.Path(); }

    bool StartService();
    bool StopService();
    bool ServiceRunning() const { return service_.IsRunning(); }
    ServiceControl::ServiceProcess& Service() { return service_; }

    // The stand-ins, with the suite's database and their logs; true once
    // their windows are up (at once when they already run). arguments go to
    // the overclocking program's stand-in ("--freeze-on-step").
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
    SuiteOptions options_;
    testsupport::TempFolder folder_{"suite"};
    SuiteFiles files_;
    ServiceControl::ServiceProcess service_;
    // A stopped stand-in cannot be started again: each start takes a new one.
    std::unique_ptr<siblings::SiblingProcess> apex_;
    std::unique_ptr<siblings::SiblingProcess> kelvo_;
};

// ---- the program ----------------------------------------------------------------

// The process's handles, threads, windows and memory.
struct Figures {
    DWORD handles = 0;
    DWORD threads = 0;
    size_t windows = 0;
    SIZE_T privateBytes = 0;
    SIZE_T workingSet = 0;
};
std::string Describe(const Figures& figures);
DWORD ThreadCountOf(DWORD processId);

// Waits until no copy of the program holds its instance mutex (another
// test run may be using the same Wine session).
bool WaitForFreeInstance(DWORD timeoutMs);

// A window of that process is registered with the service as the program
// (main window class and identity).
bool RegisteredWithService(DWORD processId);

class Program {
public:
    Program() = default;
    // Quits a copy still running the service's way, else ends it.
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Starts RaveloRemote.exe from folder (default: the program folder)
    // with extra environment entries, and returns at once.
    bool Launch(const std::string& folder = std::string(), const std::vector<std::string>& environment = {});
    // Launches once no other copy runs and waits for the main window. A copy
    // that loses the instance mutex to another run is started again.
    bool Start(const std::string& folder = std::string(), const std::vector<std::string>& environment = {});
    // Start-up done: the main, status and OSD windows and at least that
    // many players made, the application window hidden again and (when
    // asked) the main window registered with the service.
    bool Ready(bool registered = true, size_t players = 0) const;
    bool WaitStarted(bool registered = true, DWORD timeoutMs = kLongWait) const;
    bool IsRegistered() const { return RegisteredWithService(Id()); }
    bool WaitRegistered(DWORD timeoutMs = kLongWait) const;

    DWORD Id() const { return process_.Id(); }
    bool Running() const { return process_.Running(); }
    testsupport::ChildProcess& Process() { return process_; }
    const std::string& Folder() const { return folder_; }

    // The program's windows: the first of a class, the main window (class
    // and caption), the application, OSD and status windows, the players
    // (one per movie), message boxes.
    HWND Window(const char* className) const;
    HWND MainWindow() const;
    HWND AppWindow() const;
    HWND OsdWindow() const;
    HWND StatusWindow() const;
    std::vector<HWND> Players() const;
    std::vector<std::string> VisiblePlayerNames() const;
    std::vector<HWND> MessageBoxes() const;
    // Visible and covering some screen area.
    std::vector<HWND> VisibleWindowsWithArea() const;
    bool OsdVisible() const;
    bool Idle() const; // no OSD and no player on screen

    bool Post(UINT msg, WPARAM wParam, LPARAM lParam) const;
    bool PostKey(LONG code, WPARAM wParam = kSuiteMark) const { return Post(kServiceRemoteKey, wParam, code); }
    // The GUI thread answers a sent message within timeoutMs.
    bool Responsive(DWORD timeoutMs = 5000) const;

    Figures Measure() const;

    // Waits for the end; true when the program ended with 0.
    bool EndsWithZero(DWORD timeoutMs = kLongWait);
    // Quit through the service when it knows the program, else by the
    // message the service would post; true when the process ended with 0.
    bool Quit(DWORD timeoutMs = kLongWait);
    void Kill() { process_.Kill(); }

private:
    testsupport::ChildProcess process_;
    std::string folder_;
};

// ---- a case with the suite around the program -----------------------------

// One suite per test executable, prepared once. Each case starts with the
// shipped firmware and empty logs, and ends with the program quit the
// ordinary way and the stand-ins stopped, the service too unless the suite
// keeps it up across the cases.
class SuiteTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { PrepareSuite(); }
    static void TearDownTestSuite() { suite_.reset(); }
    // For a fixture's own SetUpTestSuite.
    static void PrepareSuite(const SuiteOptions& options = SuiteOptions(), bool keepService = false);
    void SetUp() override;
    void TearDown() override;

    // Starts the program from folder (default: the program folder) and
    // waits until its start-up is done and it has registered, with no
    // message box up.
    void StartProgram(const std::string& folder = std::string());
    static const SuiteFiles& Files() { return suite_->Files(); }

    static std::unique_ptr<Suite> suite_;
    static bool prepared_;
    static bool keepService_;
    Program program_;
    PlayerLog log_;
};

} // namespace harness
