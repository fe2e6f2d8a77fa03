// The link to the suite's overclocking program (Ravelo Apex). The program
// does no overclocking itself: it finds the sibling's windows, asks it to
// switch a profile on or off or to apply a clock step, and works out the
// clocks the displays show from the firmware's stored profiles, the ".oc"
// profile files and the firmware clock item's conversion.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win32/ProcessWide.h"

class BiosItem;

// The firmware item that marks the active overclocking profile.
constexpr DWORD ActiveProfileItem = 0x11060008;

// Messages to the sibling's command window; wParam is always the suite's
// mark 0x55.
constexpr UINT kApplyProfileMessage = WM_USER + 37; // 1061, posted: lParam 1..3 on, 0 off
constexpr UINT kApplyStepMessage = WM_USER + 36;    // 1060, sent: lParam the raw clock step

// The firmware record of a stored profile, queried by profile index; its
// records keep the clock step under the same setting id as profile files.
constexpr DWORD kProfileRecordItem = 0x05080002;
constexpr DWORD kClockGroup = 3;
constexpr DWORD kClockItemNumber = 17;

// The sibling's installation marker: HKEY_LOCAL_MACHINE\Software\Orva\Ravelo
// Apex with a string "CaptionName". The key is opened with full access and
// created when missing.
bool IsRaveloApexInstalled();
// The sibling's main window (class "TMainForm", caption "Ravelo") exists.
bool IsRaveloRunning();

// The firmware clock item (group 3, item number 17), looked up once per
// process; null when the firmware has none.
const BiosItem* ClockItem();

// A clock value truncated toward zero to whole megahertz, as an unsigned
// 32-bit number; values outside the 64-bit range (and NaN) give 0.
DWORD WholeMHz(long double value);

// Reads a profile file: header (first word, version, record count) and
// records (setting id, value), all 32-bit little-endian. The result is the
// value of the first clock record, or 0 when the file cannot be opened, its
// header is short, its version is above 1, its count is 0 or so large that
// the record area does not fit in 32 bits, or no record read holds the
// clock. Only the complete records the file actually holds are read.
DWORD ReadProfileClock(const std::string& path);

class OcEngine : public win32::ProcessWide<OcEngine> {
    friend class win32::ProcessWide<OcEngine>;

public:
    // Marks in firmware that no profile is active; the firmware profile
    // values are read again on next use.
    void Reset();
    bool FindCommandWindow();
    // The active-profile item holds value (a failed read counts as 0).
    bool IsProfileActive(LONG value);
    // The button's profile clock is at least the default clock.
    bool CanApplyProfile(LONG button);
    void ApplyProfile(LONG button);
    void ClearProfile();
    // Clock of the profile bound to button 1, 2 or 3 (A, B, C), in MHz.
    DWORD ProfileFrequency(LONG button);
    DWORD DefaultFrequency();
    // Loads the current clock step and returns its clock.
    DWORD ReadCurrentFrequency();
    // The last ReadCurrentFrequency read the step from the firmware (there
    // is a clock item and its step could be read).
    bool StepRead() const { return stepRead_; }
    DWORD StepUp();
    DWORD StepDown();
    // Hands the step to the sibling as a sent message without waiting for
    // its answer: a sibling that does not respond must not hang this
    // program, and gets the step once it takes messages again.
    void CommitStep();
    void LoadFirmwareProfiles();
    // The clock step stored in ProfilesFolder + name + ".oc", or 0.
    DWORD ReadProfileFile(const std::string& name);

    HWND CommandWindow() const { return commandWindow_; }
    LONG Step() const { return step_; }
    const std::vector<DWORD>& FirmwareProfileValues() const { return firmwareProfileValues_; }

    // Test seams: the registry base of the installation marker (default
    // "Software\Orva\"; an empty text restores it; one base for both
    // sibling links), and ForgetClockItem, after which the next use looks
    // the clock item up again.
    static void SetRegistryBase(const std::string& base);
    static void ForgetClockItem();

private:
    OcEngine() = default;
    // The clock of a raw step through the clock item; 0 without one.
    static DWORD ClockOfStep(LONG step);

    HWND commandWindow_ = nullptr;
    LONG step_ = 0;
    bool stepRead_ = false;
    bool profilesLoaded_ = false;
    std::vector<DWORD> firmwareProfileValues_;
};
