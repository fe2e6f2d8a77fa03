#include "FadeMeter.h"

#include "OsdWatcher.h"

namespace bench {

namespace {

// Readings during the fade, far enough apart not to take the program's CPU
// on a machine with two cores...
constexpr double kReadEveryMs = 10;
// ...and at every poll from shortly before the fade ends (its last step is
// 225 ms after the first the watcher sees), so that its end is seen within
// about a millisecond.
constexpr double kCloseReadsAfterMs = 190;

} // namespace

void FadeMeter::Begin() {
    before_ = probe_.UnixThreadRunMs();
    begun_ = !before_.empty();
    fadeSeenMs_ = -1;
    threads_.clear();
    result_ = Result();
    if (!begun_)
        result_.problem = "no Linux accounting of the program's threads";
}

void FadeMeter::ReadThreads() {
    for (Thread& thread : threads_) {
        if (thread.goneMs >= 0)
            continue;
        const double start = NowMs();
        const double runMs = probe_.UnixThreadRunMs(thread.id);
        if (runMs >= 0) {
            thread.runMs = runMs;
            thread.readMs = start;
        } else {
            thread.goneMs = NowMs();
        }
    }
}

void FadeMeter::Poll(double nowMs, bool fading) {
    if (!begun_ || !fading)
        return;
    if (fadeSeenMs_ < 0) {
        fadeSeenMs_ = nowMs;
        const double start = NowMs();
        for (const auto& entry : probe_.UnixThreadRunMs()) {
            // Linux hands out thread ids in turn: one seen before the key
            // is the same thread.
            if (before_.count(entry.first) != 0)
                continue;
            Thread thread;
            thread.id = entry.first;
            thread.runMs = entry.second;
            thread.readMs = start;
            threads_.push_back(thread);
        }
        nextReadMs_ = nowMs + kReadEveryMs;
        return;
    }
    if (nowMs - fadeSeenMs_ < kCloseReadsAfterMs && nowMs < nextReadMs_)
        return;
    ReadThreads();
    nextReadMs_ = nowMs + kReadEveryMs;
}

void FadeMeter::Finish(double hiddenMs, DWORD limitMs) {
    if (!begun_)
        return;
    if (fadeSeenMs_ < 0) {
        result_.problem = "the fade's first step was not seen";
        return;
    }
    const double end = NowMs() + limitMs;
    for (;;) {
        ReadThreads();
        bool running = false;
        for (const Thread& thread : threads_)
            running = running || thread.goneMs < 0;
        if (!running || NowMs() > end)
            break;
        Sleep(1);
    }
    // The fade thread hides the form through the GUI thread and ends
    // after it: the one new thread that ended after the hide. A thread
    // that drew ahead for the next display starts only after the hide.
    result_.newThreads = static_cast<int>(threads_.size());
    const Thread* fade = nullptr;
    int endedAfterHide = 0;
    for (const Thread& thread : threads_) {
        if (thread.goneMs >= hiddenMs) {
            ++endedAfterHide;
            fade = &thread;
        }
    }
    if (endedAfterHide != 1) {
        result_.problem = std::to_string(result_.newThreads) + " new threads during the fade, " +
                          std::to_string(endedAfterHide) + " ended after the hide";
        return;
    }
    result_.ok = true;
    result_.runMs = fade->runMs;
    result_.missedAtMostMs = fade->goneMs - fade->readMs;
}

} // namespace bench
