// The reliability suite's side of the program harness: the suite with
// faster movies, a case's surroundings (StagedTest), a watch over the
// program's windows while a case runs, the waits for the program's idle
// state, freezing and ending other processes, and hostile files.
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
#include "TestSupport.h"

namespace rely {

using facts::kActiveProfileItem;
using facts::kClockItem;
using facts::kModeItem;
using harness::Describe;
using harness::DisplaySequence;
using harness::Figures;
using harness::kLongWait;
using harness::PlayerEvent;
using harness::PlayerLog;
using harness::Program;
using harness::ReadFirmwareItem;
using harness::ReplaceFirmwareLine;
using harness::ResetFirmware;
using harness::SetFirmwareFaults;
using harness::ThreadCountOf;
using harness::WriteFirmwareItem;
using testsupport::CopyTree;
using testsupport::FileExists;
using testsupport::ProfileFileBytes;
using testsupport::ReadTextFile;
using testsupport::SavedFile;
using testsupport::SavedValue;
using testsupport::WriteTextFile;

// The suite of a reliability test: the movies' own parts play four times
// faster; the program's holds and idle times stay as they are.
constexpr harness::SuiteOptions kFastMovies{true, 4};
class Stage : public harness::Suite {
public:
    Stage() : Suite(kFastMovies) {}
};

// Windows of a class and caption on the whole desktop (other runs may
// have stand-ins of their own up).
size_t CountWindows(const char* className, const char* caption);

// Freezes every thread of a process, as a program that hangs would be.
bool SuspendProcess(DWORD processId);
bool ResumeProcess(DWORD processId);
bool TerminateProcessById(DWORD processId);

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
::testing::AssertionResult WaitIdle(const Program& program, const PlayerLog* log, DWORD timeoutMs = 60000,
                                    DWORD settleMs = 800);
// A key brings up a display (OSD form visible, or a new start in the log)
// that then ends, leaving the program idle.
::testing::AssertionResult KeyShowsDisplay(const Program& program, const PlayerLog* log, LONG key,
                                           DWORD timeoutMs = kLongWait);
// Alive, no message box, answering, idle, and a new key shows a display.
::testing::AssertionResult AliveAndAnswering(const Program& program, const PlayerLog* log, LONG probeKey);

// The text the program shows for a language key, looked up the program's
// way in the LangFiles folder of folder (default: the program folder).
std::string ProgramText(const char* key, const std::string& folder = std::string());

// A case with the program's surroundings: one suite per executable with
// faster movies and the service up, both stand-ins started for each case,
// the firmware reset and the movie log cleared; the program quit the
// ordinary way at the end.
class StagedTest : public harness::SuiteTest {
protected:
    static void SetUpTestSuite() { PrepareSuite(kFastMovies, true); }
    void SetUp() override;
};

// PNG files made from a good one: bytes flipped after the header, cut
// short, or with the header claiming other dimensions (CRC kept right).
std::string CorruptPng(const std::string& png);
std::string TruncatedPng(const std::string& png, size_t keep);
std::string PngClaimingSize(const std::string& png, DWORD width, DWORD height);

} // namespace rely
