// The drivers through which the program puts something on the on-screen
// display, and the two worker thread kinds of the display scripts.
#pragma once
#include <windows.h>

#include <string>

class FlashOsdManipulator {
public:
    static FlashOsdManipulator& Instance();
    void Initialize();
    void PlaceStatusWindow();
    void PrepareShow();
    void FadeOut();

private:
    FlashOsdManipulator() = default;
};

class FlashClass0Manipulator {
public:
    static FlashClass0Manipulator& Instance();
    void ShowProfileOn(const char* label);
    void ShowProfileOff(const char* label);
    void ShowKelvoAuto(const char* label);
    void ShowWarning(const char* title, const char* message, DWORD durationMs);

private:
    FlashClass0Manipulator() = default;
};

class FlashClass1Manipulator {
public:
    static FlashClass1Manipulator& Instance();
    void ShowLevel(LONG level);
    void ChangeLevel(LONG level);
    void Finish();
    void Reset();

private:
    FlashClass1Manipulator() = default;
    LONG level_ = -1;
};

class FlashClass2Manipulator {
public:
    static FlashClass2Manipulator& Instance();
    void Reset();
    void ShowValue(LONG value);
    void ChangeValue(LONG value);
    void StartIdleTimer();
    void Finish();

private:
    FlashClass2Manipulator() = default;
};
