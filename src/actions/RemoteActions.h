// The action states: what each remote key does. RcWait turns a key into
// the state that belongs to it; entering that state carries out the action
// and opens one display; the state then takes the further keys and OSD
// events of its display and returns to RcWait when the OSD has faded out.
// Every state is a process-wide object created on first use.
#pragma once
#include <windows.h>

#include <string>

#include "osd/CommandText.h"
#include "actions/Director.h"
#include "win32/ProcessWide.h"

// Display times of the notices, in milliseconds.
constexpr DWORD kNoticeTimeMs = 3000;
constexpr DWORD kOcWarningTimeMs = 5000;

// "%s %dMHz": the language text, a blank, the clock and "MHz", cut at a
// whole character of the system code page to fit the label buffer.
std::string FormatProfileLabel(const std::string& text, DWORD mhz, UINT codePage = CP_ACP);

// A warning display: the text of "Warning" as title, the text of
// messageKey as message, shown for durationMs.
void ShowWarningNotice(const char* messageKey, DWORD durationMs);

class RcWait : public RcState, public win32::ProcessWide<RcWait> {
    friend class win32::ProcessWide<RcWait>;

public:
    void OnProfileAKey() override;
    void OnProfileBKey() override;
    void OnProfileCKey() override;
    void OnManualModeKey() override;
    void OnAutoModeKey() override;
    void OnTuneUpKey() override;
    void OnTuneDownKey() override;

private:
    RcWait() = default;
};

// The profile action shared by the three buttons: switch the bound
// profile off when the firmware marks it active, else on when its clock is
// at least the default clock, else warn.
class RcProfile : public RcState {
public:
    RcProfile(const RcProfile&) = delete;
    RcProfile& operator=(const RcProfile&) = delete;

    void Enter() override;
    void OnOsdFinished() override;

protected:
    // button: 1, 2, 3 for A, B, C; activeValue: what the active-profile item
    // holds while that profile is on (1, 2, 4).
    RcProfile(LONG button, LONG activeValue, const char* onKey, const char* offKey)
        : button_(button), activeValue_(activeValue), onKey_(onKey), offKey_(offKey) {}

private:
    LONG button_;
    LONG activeValue_;
    const char* onKey_;
    const char* offKey_;
};

class RcProfileA : public RcProfile, public win32::ProcessWide<RcProfileA> {
    friend class win32::ProcessWide<RcProfileA>;

public:
private:
    RcProfileA() : RcProfile(1, 1, "ProfileAOn", "ProfileAOff") {}
};

class RcProfileB : public RcProfile, public win32::ProcessWide<RcProfileB> {
    friend class win32::ProcessWide<RcProfileB>;

public:
private:
    RcProfileB() : RcProfile(2, 2, "ProfileBOn", "ProfileBOff") {}
};

// Profile C is marked 4 in firmware, while messages and settings use 3.
class RcProfileC : public RcProfile, public win32::ProcessWide<RcProfileC> {
    friend class win32::ProcessWide<RcProfileC>;

public:
private:
    RcProfileC() : RcProfile(3, 4, "ProfileCOn", "ProfileCOff") {}
};

// Key 148: the engine is switched to automatic mode only after the auto
// display has ended; during a calibration notice one more press asks for
// it at once.
class RcKelvoAuto : public RcState, public win32::ProcessWide<RcKelvoAuto> {
    friend class win32::ProcessWide<RcKelvoAuto>;

public:
    void Enter() override;
    void OnAutoModeKey() override;
    void OnOsdFinished() override;

private:
    RcKelvoAuto() = default;
    bool requestOnClose_ = false;
    bool keyDone_ = true;
};

// Key 147: the level display cycles through the engine's four modes; the
// engine receives only the last choice, after the display has ended.
class RcKelvoManual : public RcState, public win32::ProcessWide<RcKelvoManual> {
    friend class win32::ProcessWide<RcKelvoManual>;

public:
    // The mode before any level display: outside 0 to 3, so a first display
    // that ends in a warning sets no mode.
    static constexpr LONG kNoMode = -1;

    void Enter() override;
    void OnManualModeKey() override;
    void OnOsdTimer() override;
    void OnOsdFinished() override;

private:
    RcKelvoManual() = default;
    // The two preconditions of every key; false after showing the warning.
    bool EngineReachable();

    LONG mode_ = kNoMode;
    bool closed_ = true;
};

// Keys 149 and 150: the first press shows the current clock, further
// presses step it; the step is handed to the overclocking program when the
// display has ended.
class RcDigit : public RcState, public win32::ProcessWide<RcDigit> {
    friend class win32::ProcessWide<RcDigit>;

public:
    void Enter() override;
    void OnTuneUpKey() override;
    void OnTuneDownKey() override;
    void OnOsdTimer() override;
    void OnOsdFinished() override;

private:
    RcDigit() = default;
    // The two preconditions of every key; false after showing the warning.
    bool OverclockerReachable();
    void Tune(bool up);

    bool closed_ = true;
    bool engineSwitched_ = false;
    // This display read the clock step from the firmware. A display that
    // warned at once, or found no clock item or no readable step, hands no
    // step over (it would be 0 or one left from an earlier display).
    bool stepRead_ = false;
};
