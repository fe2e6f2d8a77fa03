// The drivers through which the program puts something on the on-screen
// display, and the two worker thread kinds of the display scripts. Every
// display runs the same script: show a movie, wait (a wait thread or the
// idle timer), tell the movie to end, and when it calls back fade the
// window out on a fade thread, hide it and report to the Director.
#pragma once
#include <windows.h>

#include "app/Flashosd.h"
#include "gui/Thread.h"

constexpr BYTE kOsdAlpha = 229;
constexpr DWORD kFadeLengthMs = 250;
constexpr DWORD kFadeStepMs = 25;
constexpr DWORD kFadeSteps = 10;
constexpr DWORD kProfileHoldMs = 2000;
constexpr DWORD kKelvoAutoTimeMs = 3000;
constexpr DWORD kEndPauseMs = 250;
constexpr LONG kPresetDigits = 133;

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
    // How long to wait from this reading until the next 25 ms mark (the
    // last one being the 250 ms of the hide); 0 when that is already due.
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

class FlashOsdManipulator {
public:
    static FlashOsdManipulator& Instance();
    FlashOsdManipulator(const FlashOsdManipulator&) = delete;
    FlashOsdManipulator& operator=(const FlashOsdManipulator&) = delete;

    void Initialize();
    void PlaceStatusWindow();
    void PrepareShow();
    void FadeOut();

    // FadeOut as a movie-finished handler.
    OsdNotify FadeOutHandler();

private:
    FlashOsdManipulator() = default;
    void OnMovieFinished(void* sender);
};

class FlashClass0Manipulator {
public:
    static FlashClass0Manipulator& Instance();
    FlashClass0Manipulator(const FlashClass0Manipulator&) = delete;
    FlashClass0Manipulator& operator=(const FlashClass0Manipulator&) = delete;

    void ShowProfileOn(const char* label);
    void ShowProfileOff(const char* label);
    void ShowKelvoAuto(const char* label);
    void ShowWarning(const char* title, const char* message, DWORD durationMs);
    void IntroFinished(MovieKind kind);

private:
    FlashClass0Manipulator() = default;
    // The caption end step, run on the GUI thread when a wait is over.
    void EndCaption(void* sender);
};

class FlashClass1Manipulator {
public:
    static FlashClass1Manipulator& Instance();
    FlashClass1Manipulator(const FlashClass1Manipulator&) = delete;
    FlashClass1Manipulator& operator=(const FlashClass1Manipulator&) = delete;

    void ShowLevel(LONG level);
    void ChangeLevel(LONG level);
    void Finish();
    void Reset();
    LONG Level() const { return level_; }

private:
    FlashClass1Manipulator() = default;
    void EndLevel(void* sender);
    LONG level_ = -1;
};

class FlashClass2Manipulator {
public:
    static FlashClass2Manipulator& Instance();
    FlashClass2Manipulator(const FlashClass2Manipulator&) = delete;
    FlashClass2Manipulator& operator=(const FlashClass2Manipulator&) = delete;

    void Reset();
    void ShowValue(LONG value);
    void ChangeValue(LONG value);
    void StartIdleTimer();
    void Finish();

private:
    FlashClass2Manipulator() = default;
    void EndTuning(void* sender);
};
