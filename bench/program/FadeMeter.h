// The CPU time of the thread that fades the OSD out, read from outside
// through Linux's accounting of each thread of the program (schedstat, in
// nanoseconds, through drive Z:). Schedstat counts a thread's run time from
// its creation, so a thread that did not exist before the key is counted
// whole by its last reading. What it runs between that reading and its end
// is missed; that part is at most the wall time from the last reading to
// the first one that found the thread gone, and the meter reports it.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "ProcessProbe.h"

namespace bench {

class FadeMeter {
public:
    explicit FadeMeter(const ProcessProbe& probe) : probe_(probe) {}

    // Before the key: the threads that already run.
    void Begin();
    // At each poll of the watcher (nowMs a NowMs value); fading from the
    // poll that saw the form's alpha fall below its shown value on.
    void Poll(double nowMs, bool fading);
    // After the hide (seen at hiddenMs, a NowMs value): follows the new
    // threads until they end, limitMs at most.
    void Finish(double hiddenMs, DWORD limitMs);

    struct Result {
        bool ok = false;
        double runMs = -1;          // the fade thread's run time, creation to its last reading
        double missedAtMostMs = -1; // wall time from that reading to the one that found it gone
        int newThreads = 0;         // threads alive when the fade was seen that were not there before the key
        std::string problem;
    };
    const Result& Get() const { return result_; }

private:
    struct Thread {
        int id = 0;
        double runMs = 0;
        double readMs = -1; // when the last good reading started
        double goneMs = -1; // when the reading that found it gone returned
    };
    void ReadThreads();

    const ProcessProbe& probe_;
    bool begun_ = false;
    std::map<int, double> before_;
    double fadeSeenMs_ = -1;
    double nextReadMs_ = 0;
    std::vector<Thread> threads_;
    Result result_;
};

} // namespace bench
