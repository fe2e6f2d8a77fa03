#include "app/KelvoEngine.h"

#include <cstdio>
#include <memory>

#include "app/Main.h"
#include "orva/BiosInterface.h"
#include "orva/OvAcpi.h"
#include "system/WinRegistry.h"

namespace {

constexpr char kDefaultRegistryBase[] = "Software\\Orva\\";
constexpr char kMarkerProduct[] = "Kelvo-6 Engine";
constexpr char kMarkerValue[] = "CaptionName";
constexpr char kWindowClass[] = "TMainForm";
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

std::string& RegistryBase() {
    static std::string* const base = new std::string(kDefaultRegistryBase);
    return *base;
}

struct ModeItemCache {
    bool looked = false;
    std::unique_ptr<BiosItem> item;
};

ModeItemCache& ModeCache() {
    static ModeItemCache* const cache = new ModeItemCache();
    return *cache;
}

} // namespace

bool IsKelvoEngineInstalled() {
    RegAccessor marker;
    std::string caption;
    return marker.Open(HKEY_LOCAL_MACHINE, RegistryBase() + kMarkerProduct, true) &&
           marker.ReadString(kMarkerValue, caption);
}

const BiosItem* ModeItem() {
    ModeItemCache& cache = ModeCache();
    if (cache.looked)
        return cache.item.get();
    cache.looked = true;
    AcpiInit();
    BiosItemIterator items;
    if (!items.Open(kModeGroup))
        return nullptr;
    for (; !items.IsDone(); items.Next()) {
        std::unique_ptr<BiosItem> item = items.CreateItem();
        if (item != nullptr && bios::NumberOf(item->Id()) == kModeItemNumber) {
            cache.item = std::move(item);
            break;
        }
    }
    items.Close();
    return cache.item.get();
}

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

KelvoEngine& KelvoEngine::Instance() {
    static KelvoEngine* const instance = new KelvoEngine();
    return *instance;
}

void KelvoEngine::SetRegistryBase(const std::string& base) {
    RegistryBase() = base.empty() ? std::string(kDefaultRegistryBase) : base;
}

void KelvoEngine::ForgetCachedAnswers() {
    autoModeKnown_ = false;
    autoModeAvailable_ = true;
    thresholdCountKnown_ = false;
    sixThresholds_ = false;
    ModeItemCache& cache = ModeCache();
    cache.looked = false;
    cache.item.reset();
}

bool KelvoEngine::FindEngineWindow() {
    engineWindow_ = FindWindowA(kWindowClass, kEngineCaption);
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
    if (engineWindow_ == nullptr || mode < 0 || mode > 3)
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
    return advance.Open(HKEY_CURRENT_USER, RegistryBase() + kCalibrationFlagKey) &&
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
    if (!thresholds.Open(HKEY_LOCAL_MACHINE, RegistryBase() + kThresholdsKey))
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
