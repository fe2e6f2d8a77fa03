#include "settings/Config.h"

#include <shlobj.h>

#include <memory>

#include "fileutl/FileNames.h"
#include "fileutl/WinFileFind.h"
#include "orva/BiosInterface.h"
#include "orva/OvAcpi.h"
#include "system/SystemInfo.h"
#include "settings/ProfileFile.h"
#include "system/WinRegistry.h"

namespace {

const char kSettingsKeyPath[] = "Software\\Orva\\Ravelo Profile";
const char kProfilesSubfolder[] = "Orva OC Profiles\\";

constexpr std::uint32_t kProfileGroup = 5;
constexpr std::uint32_t kProfileItemNumber = 2;

std::string& ProfilesFolderOverride() {
    static std::string* const folder = new std::string();
    return *folder;
}

} // namespace

void Config::ResetProfileList() { firmwareLoaded_ = false; }

void Config::SetSettingsKey(HKEY root, const std::string& path) {
    overrideRoot_ = root;
    overridePath_ = path;
}

std::string Config::SettingsKeyPath() const {
    return overridePath_.empty() ? std::string(kSettingsKeyPath) : overridePath_;
}

HKEY Config::SettingsRootKey() const {
    if (!overridePath_.empty())
        return overrideRoot_;
    return SettingsRootFor(IsMajorVersion6());
}

HKEY Config::SettingsRootFor(bool majorVersion6) { return majorVersion6 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::uint32_t Config::IndexSetting(const char* value, std::uint32_t slot) {
    RegAccessor key;
    std::uint32_t index = 0;
    if (key.Open(SettingsRootKey(), SettingsKeyPath(), true) && key.ReadDword(value, index))
        return index;
    return ClampProfileIndex(slot);
}

std::string Config::NameSetting(const char* value, std::uint32_t slot) {
    RegAccessor key;
    std::string name;
    if (key.Open(SettingsRootKey(), SettingsKeyPath(), true) && key.ReadString(value, name))
        return name;
    return ProfileNameAt(slot);
}

std::uint32_t Config::GetRRProfileAIndex() { return IndexSetting("RRProfileAIndex", 0); }
std::uint32_t Config::GetRRProfileBIndex() { return IndexSetting("RRProfileBIndex", 1); }
std::uint32_t Config::GetRRProfileCIndex() { return IndexSetting("RRProfileCIndex", 2); }
std::string Config::GetRRProfileAName() { return NameSetting("RRProfileAName", 0); }
std::string Config::GetRRProfileBName() { return NameSetting("RRProfileBName", 1); }
std::string Config::GetRRProfileCName() { return NameSetting("RRProfileCName", 2); }

void Config::LoadFirmwareProfiles() {
    if (firmwareLoaded_)
        return;
    // Set before looking: a load that finds nothing is not repeated.
    firmwareLoaded_ = true;
    // A reload replaces the names rather than adding them a second time.
    firmwareNames_.clear();
    AcpiInit();
    BiosItemIterator items;
    if (!items.Open(kProfileGroup))
        return;
    std::unique_ptr<BiosItem> profiles;
    for (; !items.IsDone(); items.Next()) {
        if (bios::NumberOf(items.CurrentId()) == kProfileItemNumber)
            profiles = items.CreateItem(); // a later match replaces an earlier one
    }
    items.Close();
    if (!profiles)
        return;
    for (std::uint32_t i = 0; i < profiles->Count(); ++i)
        firmwareNames_.push_back(profiles->IndexToString(i));
}

std::uint32_t Config::ProfileCount() {
    LoadFirmwareProfiles();
    return static_cast<std::uint32_t>(firmwareNames_.size());
}

void Config::ListProfileFiles(std::vector<std::string>& names) const {
    names.clear();
    FileNameEnumerater files;
    files.Open(ProfilesFolder(), false); // an unreadable folder yields nothing
    for (; !files.IsDone(); files.Next()) {
        const std::string path = files.FullName();
        if (EqualsNoCase(ExtensionOf(path), profile::kProfileExtension))
            names.push_back(StripExtension(FileNameOf(path)));
    }
}

std::vector<std::string> Config::CombinedList() {
    LoadFirmwareProfiles();
    std::vector<std::string> list = firmwareNames_;
    std::vector<std::string> files;
    ListProfileFiles(files);
    list.insert(list.end(), files.begin(), files.end());
    return list;
}

std::uint32_t Config::ClampProfileIndex(std::uint32_t index) {
    const size_t n = CombinedList().size();
    if (index < n)
        return index;
    return n > 0 ? static_cast<std::uint32_t>(n - 1) : 0;
}

std::string Config::ProfileNameAt(std::uint32_t index) {
    const std::vector<std::string> list = CombinedList();
    if (list.empty())
        return std::string();
    return list[index < list.size() ? index : list.size() - 1];
}

// ---- profiles folder -----------------------------------------------------------

void SetProfilesFolderOverride(const std::string& folder) { ProfilesFolderOverride() = folder; }

std::string ProfilesFolder() {
    const std::string& override = ProfilesFolderOverride();
    const std::string folder =
        override.empty() ? GetSpecialFolder(CSIDL_COMMON_APPDATA) + kProfilesSubfolder : override;
    CreateDirectoryA(folder.c_str(), nullptr); // already there is fine
    return folder;
}
