#include "suite/OcEngine.h"

#include <cmath>
#include <memory>

#include "settings/Config.h"
#include "settings/ProfileFile.h"
#include "suite/SiblingLink.h"
#include "win32/Handles.h"
#include "orva/BiosInterface.h"
#include "orva/OvAcpi.h"
#include "system/WinRegistry.h"

namespace {

constexpr char kMarkerProduct[] = "Ravelo Apex";
constexpr char kMainCaption[] = "Ravelo";
constexpr char kCommandCaption[] = "RaveloHelp";
// The default profile: Default.oc in the sub-folder Default of the profiles
// folder (the file system takes the forward slash as a separator).
constexpr char kDefaultProfile[] = "Default/Default";

constexpr DWORD kEndOfRecord = 0xFFFFFFFF;
// Records are read in slices of this many, so a file claiming millions of
// records costs no more memory than a small one.
constexpr DWORD kRecordsPerRead = 512;

suite::FirmwareItemCache& ClockCache() {
    static suite::FirmwareItemCache* const cache = new suite::FirmwareItemCache(kClockGroup, kClockItemNumber);
    return *cache;
}

// Reads as many bytes as the file still has, up to size; false on a read error.
bool ReadSome(HANDLE file, unsigned char* buffer, DWORD size, DWORD& got) {
    got = 0;
    while (got < size) {
        DWORD now = 0;
        if (!ReadFile(file, buffer + got, size - got, &now, nullptr))
            return false;
        if (now == 0)
            break;
        got += now;
    }
    return true;
}

} // namespace

bool IsRaveloApexInstalled() { return suite::IsInstalled(kMarkerProduct); }

bool IsRaveloRunning() { return suite::FindMainWindow(kMainCaption) != nullptr; }

const BiosItem* ClockItem() { return ClockCache().Get(); }

DWORD WholeMHz(long double value) {
    // Truncation toward zero; a negative clock wraps like the unsigned
    // 32-bit number it is stored in.
    if (!(value > -9.2e18L && value < 9.2e18L))
        return 0;
    return static_cast<DWORD>(static_cast<std::uint64_t>(static_cast<std::int64_t>(value)));
}

DWORD ReadProfileClock(const std::string& path) {
    win32::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    unsigned char header[profile::kHeaderBytes] = {};
    DWORD got = 0;
    if (!ReadSome(file.Get(), header, sizeof header, got))
        return 0;
    const DWORD count = profile::RecordCount(header, got);
    if (count == 0)
        return 0;

    constexpr DWORD kSliceBytes = kRecordsPerRead * profile::kRecordBytes;
    std::unique_ptr<unsigned char[]> slice(new unsigned char[kSliceBytes]);
    DWORD left = count;
    while (left > 0) {
        const DWORD want = left < kRecordsPerRead ? left : kRecordsPerRead;
        if (!ReadSome(file.Get(), slice.get(), want * profile::kRecordBytes, got))
            return 0;
        std::uint32_t clock = 0;
        if (profile::FindClock(slice.get(), got, clock))
            return clock;
        if (got < want * profile::kRecordBytes) // the file holds fewer records than it claims
            break;
        left -= want;
    }
    return 0;
}

void OcEngine::SetRegistryBase(const std::string& base) { suite::SetRegistryBase(base); }

void OcEngine::ForgetClockItem() { ClockCache().Forget(); }

void OcEngine::Reset() {
    profilesLoaded_ = false;
    AcpiInit();
    WriteItem(ActiveProfileItem, 0);
}

bool OcEngine::FindCommandWindow() {
    commandWindow_ = suite::FindMainWindow(kCommandCaption);
    return commandWindow_ != nullptr;
}

bool OcEngine::IsProfileActive(LONG value) {
    AcpiInit();
    LONG active = 0;
    if (!ReadItem(ActiveProfileItem, active))
        active = 0;
    return active == value;
}

bool OcEngine::CanApplyProfile(LONG button) { return ProfileFrequency(button) >= DefaultFrequency(); }

// A null window would turn the post into a message to this thread's own
// queue; with no window found there is no one to tell.
void OcEngine::ApplyProfile(LONG button) {
    if (commandWindow_ != nullptr)
        PostMessageA(commandWindow_, kApplyProfileMessage, kSuiteMark, static_cast<LPARAM>(button));
}

void OcEngine::ClearProfile() {
    if (commandWindow_ != nullptr)
        PostMessageA(commandWindow_, kApplyProfileMessage, kSuiteMark, 0);
}

DWORD OcEngine::ClockOfStep(LONG step) {
    const BiosItem* clock = ClockItem();
    if (clock == nullptr)
        return 0;
    return WholeMHz(clock->IndexToValue(static_cast<std::uint32_t>(step)));
}

void OcEngine::LoadFirmwareProfiles() {
    if (profilesLoaded_)
        return;
    profilesLoaded_ = true;
    firmwareProfileValues_.clear();
    constexpr DWORD kWords = orva::kAcpiBufferSize / 4;
    std::unique_ptr<DWORD[]> record(new DWORD[kWords]);
    for (DWORD index = 0; index < Config::Instance().ProfileCount(); ++index) {
        for (DWORD w = 0; w < kWords; ++w)
            record[w] = 0;
        DWORD size = orva::kAcpiBufferSize;
        if ((AcpiQueryItem(kProfileRecordItem, index, record.get(), &size) & 1) == 0)
            break;
        // The size the library reports bounds the scan; never past the buffer.
        const DWORD words = (size < orva::kAcpiBufferSize ? size : orva::kAcpiBufferSize) / 4;
        for (DWORD p = 1; p + 1 < words; p += 2) {
            if (record[p] == kEndOfRecord)
                break;
            if (record[p] == profile::kClockSetting)
                firmwareProfileValues_.push_back(record[p + 1]);
        }
    }
}

DWORD OcEngine::ReadProfileFile(const std::string& name) {
    return ReadProfileClock(ProfilesFolder() + name + profile::kProfileExtension);
}

DWORD OcEngine::ProfileFrequency(LONG button) {
    LoadFirmwareProfiles();
    Config& config = Config::Instance();
    DWORD index = 0;
    std::string name;
    switch (button) {
    case 1:
        index = config.GetRRProfileAIndex();
        name = config.GetRRProfileAName();
        break;
    case 2:
        index = config.GetRRProfileBIndex();
        name = config.GetRRProfileBName();
        break;
    default:
        index = config.GetRRProfileCIndex();
        name = config.GetRRProfileCName();
        break;
    }
    DWORD raw = 0;
    if (index < config.ProfileCount()) {
        // A firmware profile whose record gave no clock has no value at its
        // position: it counts as raw 0, like a profile file without one.
        if (index < firmwareProfileValues_.size())
            raw = firmwareProfileValues_[index];
    } else {
        raw = ReadProfileFile(name);
    }
    return ClockOfStep(static_cast<LONG>(raw));
}

DWORD OcEngine::DefaultFrequency() { return ClockOfStep(static_cast<LONG>(ReadProfileFile(kDefaultProfile))); }

DWORD OcEngine::ReadCurrentFrequency() {
    stepRead_ = false;
    const BiosItem* clock = ClockItem();
    if (clock == nullptr)
        return 0;
    LONG step = 0;
    if (clock->ReadIndex(step)) {
        step_ = step;
        stepRead_ = true;
    }
    double value = 0;
    if (!clock->GetValue(value))
        return 0;
    return WholeMHz(value);
}

DWORD OcEngine::StepUp() {
    // Without a clock item there is nothing to tune: the step stays.
    if (ClockItem() == nullptr)
        return 0;
    step_ = static_cast<LONG>(static_cast<DWORD>(step_) + 1u);
    return ClockOfStep(step_);
}

DWORD OcEngine::StepDown() {
    if (ClockItem() == nullptr)
        return 0;
    step_ = static_cast<LONG>(static_cast<DWORD>(step_) - 1u);
    return ClockOfStep(step_);
}

void OcEngine::CommitStep() {
    if (commandWindow_ == nullptr)
        return;
    // The reply is not used, so the step is sent without waiting for it:
    // it stays queued as a sent message until the sibling takes messages
    // again, however long it does not respond, and reaches it in order with
    // any later step. Waiting would hang this program with the sibling.
    SendNotifyMessageA(commandWindow_, kApplyStepMessage, kSuiteMark, static_cast<LPARAM>(step_));
}
