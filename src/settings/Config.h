// The remote's button bindings: which overclocking profile buttons A, B and
// C switch, read from the registry on every call. A missing value defaults
// from the combined profile list: the profile names stored in firmware
// (loaded once per ResetProfileList) followed by the ".oc" files of the
// profiles folder.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win32/ProcessWide.h"

class Config : public win32::ProcessWide<Config> {
    friend class win32::ProcessWide<Config>;

public:
    // The next use loads the firmware profile names again.
    void ResetProfileList();

    std::uint32_t GetRRProfileAIndex();
    std::uint32_t GetRRProfileBIndex();
    std::uint32_t GetRRProfileCIndex();
    std::string GetRRProfileAName();
    std::string GetRRProfileBName();
    std::string GetRRProfileCName();

    // The number of firmware profiles (files not counted).
    std::uint32_t ProfileCount();
    // i when the combined list has it, else its last index, else 0.
    std::uint32_t ClampProfileIndex(std::uint32_t index);
    // The name at the clamped index; empty when the list is empty.
    std::string ProfileNameAt(std::uint32_t index);
    void LoadFirmwareProfiles();
    // The names (without ".oc") of the profile files, in folder order.
    void ListProfileFiles(std::vector<std::string>& names) const;

    std::string SettingsKeyPath() const;
    HKEY SettingsRootKey() const;

    // Tests point the settings at a key of their own; an empty path
    // restores "Software\Orva\Ravelo Profile" under the usual root.
    void SetSettingsKey(HKEY root, const std::string& path);

    // The choice of root key for a platform that is (or is not) version 6.
    static HKEY SettingsRootFor(bool majorVersion6);

private:
    Config() = default;
    std::uint32_t IndexSetting(const char* value, std::uint32_t slot);
    std::string NameSetting(const char* value, std::uint32_t slot);
    std::vector<std::string> CombinedList();

    bool firmwareLoaded_ = false;
    std::vector<std::string> firmwareNames_;
    HKEY overrideRoot_ = nullptr;
    std::string overridePath_;
};

// The common application-data folder + "Orva OC Profiles\", created when
// missing; relative when the shell folder cannot be found.
std::string ProfilesFolder();
// Tests point the profiles folder elsewhere (trailing backslash); empty
// restores the shell folder.
void SetProfilesFolderOverride(const std::string& folder);
