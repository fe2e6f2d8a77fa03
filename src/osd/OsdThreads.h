// The two worker thread kinds of the display scripts and the fade they run:
// a wait thread sleeps and then hands its completion to the GUI thread; a
// fade thread steps the OSD's constant alpha down to nothing, then hides it
// and reports the display's end on the GUI thread. Both free themselves and
// are never cancelled. When a thread cannot be started, the GUI thread does
// its work from a timer, so a display still ends.
#pragma once
#include <windows.h>

#include "gui/Thread.h"
#include "osd/OsdEvents.h"

constexpr BYTE kOsdAlpha = 229;
constexpr DWORD kFadeLengthMs = 250;
constexpr DWORD kFadeStepMs = 25;
constexpr DWORD kFadeSteps = 10;

// The alpha of a fade step: 229 at step 0, 229/10 less per step, truncated;
// 0 from step 10 on.
BYTE FadeStepAlpha(DWORD step);

// The fade's schedule, free of the clock so late polls and the tick-counter
// wrap can be checked: each Poll takes one reading of the tick counter.
class FadeSchedule {
public:
    explicit FadeSchedule(DWORD startTick) : start_(startTick) {}

    // Returns the alpha to apply now, or -1 when no new step is due (or
    // the fade is over). A late reading jumps straight to the step of its
    // elapsed time; the steps passed over are never applied.
    int Poll(DWORD nowTick);
    // True once a reading showed 250 ms elapsed: hide instead of step 10.
    bool Finished() const { return finished_; }
    // How long to wait from this reading until the 25 ms mark of the step
    // after the last one applied (the last mark being the 250 ms of the
    // hide); 0 when that mark has passed, however long ago.
    DWORD MsToNextMark(DWORD nowTick) const;
    DWORD LastStep() const { return lastStep_; }

private:
    DWORD start_;
    DWORD lastStep_ = 0;
    bool finished_ = false;
};

// Sleeps for Delay, then runs OnDone on the GUI thread (skipped when
// empty). Frees itself when done; nothing can cancel it.
class TWaitThread : public gui::Thread {
public:
    DWORD Delay = 0;
    OsdNotify OnDone;

    // Creates, fills in and starts one wait.
    static void Start(DWORD delay, OsdNotify onDone);

protected:
    void Execute() override;
};

// Fades the OSD out over 250 ms from its own thread, sleeping until each
// 25 ms mark of the tick counter, then hides the OSD and reports OnOsdFinished on the GUI thread.
class TMaskFanoutThread : public gui::Thread {
public:
    static void Start();

protected:
    void Execute() override;
};
