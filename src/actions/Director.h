// The remote-action state machine: the Director holds the current action
// state and hands it each remote key and each OSD event. One display at a
// time is guaranteed here: a state ignores the keys that do not belong to
// the display it has on screen.
#pragma once
#include <windows.h>

#include "win32/ProcessWide.h"

// Base of the action states; every operation does nothing unless a state
// overrides it. The order of the operations is the order of the keys.
class RcState {
public:
    virtual ~RcState() = default;
    virtual void Enter() {}
    virtual void Leave() {}
    virtual void OnProfileAKey() {}   // key 144
    virtual void OnProfileBKey() {}   // key 145
    virtual void OnProfileCKey() {}   // key 146
    virtual void OnManualModeKey() {} // key 147
    virtual void OnAutoModeKey() {}   // key 148
    virtual void OnTuneUpKey() {}     // key 149
    virtual void OnTuneDownKey() {}   // key 150
    virtual void OnOsdTimer() {}
    virtual void OnOsdFinished() {}
};

// Remote key codes in lParam of the service's key message.
constexpr LONG kKeyProfileA = 144;
constexpr LONG kKeyProfileB = 145;
constexpr LONG kKeyProfileC = 146;
constexpr LONG kKeyManualMode = 147;
constexpr LONG kKeyAutoMode = 148;
constexpr LONG kKeyTuneUp = 149;
constexpr LONG kKeyTuneDown = 150;

// True while the overclocking program's progress dialog is on screen; keys
// are swallowed then.
bool IsProgressDialogVisible();

class Director : public win32::ProcessWide<Director> {
    friend class win32::ProcessWide<Director>;

public:
    // Prepares the display and the links and makes the idle state current.
    void Start();
    // Returns false for a code that is not a remote key (default handling).
    bool OnRemoteKey(LONG code);
    void ChangeState(RcState* next);
    void OnOsdTimer();
    void OnOsdFinished();

    RcState* Current() const { return current_; }
    // Makes a state current without entering it (start-up, tests).
    void SetCurrent(RcState* state) { current_ = state; }

private:
    Director() = default;
    RcState* current_ = nullptr; // not owned: states live for the whole process
};
