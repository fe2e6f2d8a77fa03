// The link to the suite's power-saving engine (Kelvo Engine): finds its
// window, reads its current mode from firmware, tells it which mode to use
// or to switch to automatic mode, and decides whether automatic mode can be
// offered (allowed by the firmware and the engine calibrated, which an older
// power-saving utility of the maker records in the registry).
#pragma once
#include <windows.h>

#include <string>

#include "win32/ProcessWide.h"

class BiosItem;

// Engine modes run from 0 to 3. Mode 1 is the engine's neutral mode (what
// the mode item's value 0 stands for); the remote sets it before a profile
// or a clock step goes to the overclocking program.
constexpr LONG kFirstEngineMode = 0;
constexpr LONG kLastEngineMode = 3;
constexpr LONG kNeutralEngineMode = 1;

// Messages to the engine window, all posted with wParam 0x55 and lParam 0.
constexpr UINT kEngineMode0Message = WM_USER + 34; // 1058
constexpr UINT kEngineMode1Message = WM_USER + 31; // 1055
constexpr UINT kEngineMode2Message = WM_USER + 32; // 1056
constexpr UINT kEngineMode3Message = WM_USER + 33; // 1057
constexpr UINT kEngineAutoMessage = WM_USER + 35;  // 1059

// Firmware: the mode item (group 11, item number 1), the auto-mode switch,
// and the three items whose presence means six calibration thresholds.
constexpr DWORD kModeGroup = 11;
constexpr DWORD kModeItemNumber = 1;
constexpr DWORD kAutoModeItem = 0x11070010;
constexpr DWORD kSixThresholdItems[3] = {0x0E0A0017, 0x0E0A0018, 0x0E0A0019};

// The engine's installation marker: HKEY_LOCAL_MACHINE\Software\Orva\Kelvo-6
// Engine with a string "CaptionName"; opened with full access, created when
// missing.
bool IsKelvoEngineInstalled();

// The firmware mode item, looked up once per process; null when there is none.
const BiosItem* ModeItem();

// Engine mode of a raw mode-item value: 0x4000 is mode 0, 1 mode 2, 2 mode 3,
// anything else mode 1.
LONG EngineModeOfRaw(LONG raw);

class KelvoEngine : public win32::ProcessWide<KelvoEngine> {
    friend class win32::ProcessWide<KelvoEngine>;

public:
    bool FindEngineWindow();
    // Mode 0 to 3 from the mode item; without the item, or when it cannot
    // be read, mode 1 (what the item's neutral value 0 stands for).
    LONG CurrentMode();
    // Posts the mode's message; a mode outside 0 to 3, or no engine window,
    // posts nothing.
    void SetMode(LONG mode);
    void RequestAutoMode();
    // Computed once: available unless the auto-mode switch exists and reads
    // 0; a switch that exists but cannot be read counts as not available.
    bool AutoModeAvailable();
    // Asked anew each time: the calibration flag is set, or the thresholds
    // are incomplete.
    bool CalibrationNeeded();

    // The parts of CalibrationNeeded.
    bool CalibrationFlagSet();
    // Computed once: all three extra threshold items exist.
    bool UsesSixThresholds();
    bool ThresholdsComplete();

    HWND EngineWindow() const { return engineWindow_; }

    // Test seams: the registry base of the marker and of the calibration
    // keys (default "Software\Orva\"; empty restores it; one base for both
    // sibling links), and forgetting the answers that are otherwise fixed
    // for the process.
    static void SetRegistryBase(const std::string& base);
    void ForgetCachedAnswers();

private:
    KelvoEngine() = default;

    HWND engineWindow_ = nullptr;
    bool autoModeKnown_ = false;
    bool autoModeAvailable_ = true;
    bool thresholdCountKnown_ = false;
    bool sixThresholds_ = false;
};
