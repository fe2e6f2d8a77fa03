// The drivers through which the program puts something on the on-screen
// display. Every display runs the same script: show a movie, wait (a wait
// thread or the idle timer), tell the movie to end, and when it calls back
// fade the window out on a fade thread, hide it and report its end.
#pragma once
#include <windows.h>

#include "osd/Flashosd.h"
#include "osd/OsdThreads.h"
#include "win32/ProcessWide.h"

constexpr DWORD kProfileHoldMs = 2000;
constexpr DWORD kKelvoAutoTimeMs = 3000;
constexpr DWORD kEndPauseMs = 250;
constexpr LONG kPresetDigits = 133;

class FlashOsdManipulator : public win32::ProcessWide<FlashOsdManipulator> {
    friend class win32::ProcessWide<FlashOsdManipulator>;

public:
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

class FlashClass0Manipulator : public win32::ProcessWide<FlashClass0Manipulator> {
    friend class win32::ProcessWide<FlashClass0Manipulator>;

public:
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

class FlashClass1Manipulator : public win32::ProcessWide<FlashClass1Manipulator> {
    friend class win32::ProcessWide<FlashClass1Manipulator>;

public:
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

class FlashClass2Manipulator : public win32::ProcessWide<FlashClass2Manipulator> {
    friend class win32::ProcessWide<FlashClass2Manipulator>;

public:
    void Reset();
    void ShowValue(LONG value);
    void ChangeValue(LONG value);
    void StartIdleTimer();
    void Finish();

private:
    FlashClass2Manipulator() = default;
    void EndTuning(void* sender);
};
