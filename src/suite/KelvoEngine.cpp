#include "suite/KelvoEngine.h"

#include <cstdio>
#include <memory>

#include "suite/SiblingLink.h"
#include "orva/BiosInterface.h"
#include "orva/OvAcpi.h"
#include "system/WinRegistry.h"

namespace {

constexpr char kMarkerProduct[] = "Kelvo-6 Engine";
constexpr char kEngineCaption[] = "Kelvo Engine";
// The older power-saving utility's keys: the flag under HKEY_CURRENT_USER,
// the calibration results under HKEY_LOCAL_MACHINE.
constexpr char kCalibrationFlagKey[] = "Drivo3\\Advance";
constexpr char kCalibrationFlagValue[] = "CalibrationNeeded";
constexpr char kThresholdsKey[] = "Drivo3";
constexpr char kThresholdValueFormat[] = "Threshold%d";

constexpr LONG kRawMode0 = 0x4000;
constexpr LONG kRawMode2 = 1;
constexpr LONG kRawMode3 = 2;

suite::FirmwareItemCache& ModeCache() {
    static suite::FirmwareItemCache* const cache = new suite::FirmwareItemCache(kModeGroup, kModeItemNumber);
    return *cache;
}

} // namespace

bool IsKelvoEngineInstalled() { return suite::IsInstalled(kMarkerProduct); }

const BiosItem* ModeItem() { return ModeCache().Get(); }

LONG EngineModeOfRaw(LONG raw) {
    switch (raw) {
    case kRawMode0:
        return 0;
    case kRawMode2:
        return 2;
    case kRawMode3:
        return 3;
    default:
        return 1;
    }
}

void KelvoEngine::SetRegistryBase(const std::string& base) { suite::SetRegistryBase(base); }

void KelvoEngine::ForgetCachedAnswers() {
    autoModeKnown_ = false;
    autoModeAvailable_ = true;
    thresholdCountKnown_ = false;
    sixThresholds_ = false;
    ModeCache().Forget();
}

bool KelvoEngine::FindEngineWindow() {
    engineWindow_ = suite::FindMainWindow(kEngineCaption);
    return engineWindow_ != nullptr;
}

LONG KelvoEngine::CurrentMode() {
    const BiosItem* item = ModeItem();
    LONG raw = 0;
    if (item == nullptr || !item->ReadIndex(raw))
        raw = 0;
    return EngineModeOfRaw(raw);
}

void KelvoEngine::SetMode(LONG mode) {
    static const UINT kModeMessages[4] = {kEngineMode0Message, kEngineMode1Message, kEngineMode2Message,
                                          kEngineMode3Message};
    if (engineWindow_ == nullptr || mode < kFirstEngineMode || mode > kLastEngineMode)
        return;
    PostMessageA(engineWindow_, kModeMessages[mode], kSuiteMark, 0);
}

void KelvoEngine::RequestAutoMode() {
    if (engineWindow_ != nullptr)
        PostMessageA(engineWindow_, kEngineAutoMessage, kSuiteMark, 0);
}

bool KelvoEngine::AutoModeAvailable() {
    if (autoModeKnown_)
        return autoModeAvailable_;
    autoModeKnown_ = true;
    AcpiInit();
    bool available = true;
    if (ItemExists(kAutoModeItem)) {
        LONG value = 0;
        available = ReadItem(kAutoModeItem, value) && value != 0;
    }
    autoModeAvailable_ = available;
    return available;
}

bool KelvoEngine::CalibrationFlagSet() {
    RegReader advance;
    DWORD flag = 0;
    return advance.Open(HKEY_CURRENT_USER, suite::RegistryBase() + kCalibrationFlagKey) &&
           advance.ReadDword(kCalibrationFlagValue, flag) && flag == 1;
}

bool KelvoEngine::UsesSixThresholds() {
    if (thresholdCountKnown_)
        return sixThresholds_;
    thresholdCountKnown_ = true;
    AcpiInit();
    bool all = true;
    for (DWORD id : kSixThresholdItems) {
        if (!ItemExists(id)) {
            all = false;
            break;
        }
    }
    sixThresholds_ = all;
    return all;
}

bool KelvoEngine::ThresholdsComplete() {
    const int count = UsesSixThresholds() ? 6 : 3;
    RegReader thresholds;
    if (!thresholds.Open(HKEY_LOCAL_MACHINE, suite::RegistryBase() + kThresholdsKey))
        return false;
    for (int number = 1; number <= count; ++number) {
        char name[32] = {};
        std::snprintf(name, sizeof name, kThresholdValueFormat, number);
        DWORD value = 0;
        if (!thresholds.ReadDword(name, value))
            return false;
    }
    return true;
}

bool KelvoEngine::CalibrationNeeded() { return CalibrationFlagSet() || !ThresholdsComplete(); }
