// What the bench reads about another process: CPU time, memory, handles and
// threads through the Windows calls made for it, with the system's process
// list as the fall-back where the platform does not answer them for another
// process (Wine 8 answers GetProcessTimes, GetProcessMemoryInfo and
// GetProcessHandleCount only for the calling process); and, when the
// process runs under Wine on Linux, the kernel's own accounting of its
// threads (run time in nanoseconds and the number of times they ran).
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "win32/Handles.h"

namespace bench {

struct ProcessFigures {
    bool valid = false;
    double cpuMs = 0; // kernel + user, every thread that ever ran
    std::string cpuSource;
    double privateBytes = 0;
    double workingSetBytes = 0;
    std::string memorySource;
    DWORD handles = 0;
    std::string handleSource;
    DWORD threads = 0; // Toolhelp snapshot
};

// The Linux side of a Wine process, read from /proc through drive Z:.
struct UnixFigures {
    bool valid = false;
    double processCpuMs = 0; // /proc/<pid>/stat utime + stime (clock ticks of 10 ms), dead threads included
    double leaderCpuMs = 0;  // the first thread (the program's GUI thread), /proc/<pid>/task/<pid>/stat
    double leaderRunMs = 0;  // the same thread's run time from schedstat, ns resolution
    double tasksRunMs = 0;   // every live thread, schedstat
    double leaderSlices = 0; // times the first thread was put on a CPU
    double tasksSlices = 0;  // the same over every live thread
    unsigned tasks = 0;
};

class ProcessProbe {
public:
    ProcessProbe() = default;
    ~ProcessProbe();
    ProcessProbe(const ProcessProbe&) = delete;
    ProcessProbe& operator=(const ProcessProbe&) = delete;

    // Opens the process by id; false when it cannot be opened.
    bool Open(DWORD processId);
    void Close();
    DWORD ProcessId() const { return processId_; }

    ProcessFigures Sample();

    // CPU time of one thread of the process (GetThreadTimes), or -1.
    static double ThreadCpuMs(DWORD threadId);
    // Ids of the process's threads (Toolhelp).
    static std::vector<DWORD> ThreadIds(DWORD processId);

    // Finds the one Linux process whose command line holds the executable's
    // path (Wine puts the Windows path there) and, when given, whose
    // environment holds the entry (e.g. "WINEPREFIX=..."; a Wine process
    // gets the Linux environment of its session, not the Windows block its
    // parent passed). False when there is no /proc, or none or several
    // processes match.
    bool FindUnixProcess(const std::string& executablePath, const std::string& environmentEntry);
    int UnixPid() const { return unixPid_; }
    UnixFigures SampleUnix() const;
    // Only the first thread's run time (schedstat), or -1: quick enough to
    // read in the middle of a display.
    double UnixLeaderRunMs() const;
    // Run time (schedstat, ms) of every live Linux thread of the process,
    // by thread id; empty when /proc cannot be read.
    std::map<int, double> UnixThreadRunMs() const;
    // One Linux thread's run time, or -1 once it has ended (Linux drops
    // the entry of a thread other than the first as soon as it ends).
    double UnixThreadRunMs(int threadId) const;

private:
    bool GetProcessTimesUsable();

    win32::UniqueHandle process_;
    DWORD processId_ = 0;
    int unixPid_ = 0;
    int processTimesChecked_ = 0; // 0 not yet, 1 usable, -1 not usable
};

} // namespace bench
