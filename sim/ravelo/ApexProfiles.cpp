#include "ApexProfiles.h"

#include <shlobj.h>

#include <cstring>

#include "SimFirmware.h"
#include "win32/Handles.h"
#include "SimLog.h"
#include "SimRegistry.h"

namespace apex {
namespace {

constexpr size_t kProfileFileLimit = 1024 * 1024;

bool IsMajorVersion6() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info))
        return true;
    return info.dwMajorVersion == 6;
}

DWORD Word(const unsigned char* data, size_t offset) {
    DWORD value = 0;
    std::memcpy(&value, data + offset, 4);
    return value;
}

bool IsOcExtension(const std::string& name) {
    std::string::size_type dot = name.find_last_of('.');
    if (dot == std::string::npos || name.size() - dot != 3)
        return false;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(name[dot + 1]) == 'o' && lower(name[dot + 2]) == 'c';
}

// One combined list position: firmware names, then file names.
std::vector<std::string> CombinedList(const std::vector<std::string>& firmwareNames) {
    std::vector<std::string> names = firmwareNames;
    for (const std::string& file : ProfileFileNames(ProfilesFolder()))
        names.push_back(file);
    return names;
}

} // namespace

LONG ActiveValueForButton(LPARAM button) {
    switch (button) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
        return 4;
    default:
        return 0;
    }
}

char ButtonLetter(LPARAM button) { return (button >= 1 && button <= 3) ? static_cast<char>('A' + button - 1) : '?'; }

HKEY SettingsRoot() { return IsMajorVersion6() ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::vector<std::string> FirmwareProfileNames() {
    sibling::FirmwareItem list;
    if (!sibling::FindItem(kProfileListGroup, kProfileListNumber, list) || !list.IsList())
        return {};
    return list.texts;
}

std::string ProfilesFolder() {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path)))
        return "Orva OC Profiles\\";
    return std::string(path) + "\\Orva OC Profiles\\";
}

std::vector<std::string> ProfileFileNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsOcExtension(name))
            names.push_back(name.substr(0, name.size() - 3));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

Binding ReadBinding(LPARAM button, const std::vector<std::string>& firmwareNames) {
    Binding binding;
    if (button < 1 || button > 3)
        return binding;
    const DWORD slot = static_cast<DWORD>(button - 1);
    const char letter = ButtonLetter(button);
    const std::string path = sibling::RegistryBase() + "Ravelo Profile";
    const HKEY root = SettingsRoot();
    const std::string indexName = sibling::Format("RRProfile%cIndex", letter);
    const std::string nameName = sibling::Format("RRProfile%cName", letter);

    bool haveIndex = sibling::ReadRegistryDword(root, path, indexName.c_str(), binding.index);
    bool haveName = sibling::ReadRegistryString(root, path, nameName.c_str(), binding.name);
    if (haveIndex && haveName)
        return binding;
    std::vector<std::string> names = CombinedList(firmwareNames);
    const DWORD count = static_cast<DWORD>(names.size());
    const DWORD position = slot < count ? slot : (count > 0 ? count - 1 : 0);
    if (!haveIndex)
        binding.index = position;
    if (!haveName)
        binding.name = count > 0 ? names[position] : std::string();
    return binding;
}

bool ParseProfileClock(const unsigned char* data, size_t size, DWORD& value, std::string& problem) {
    if (data == nullptr || size < 12) {
        problem = "shorter than its header";
        return false;
    }
    const DWORD version = Word(data, 4);
    if (version > 1) {
        problem = sibling::Format("format version %lu is not supported", static_cast<unsigned long>(version));
        return false;
    }
    const DWORD count = Word(data, 8);
    if (count == 0) {
        problem = "holds no records";
        return false;
    }
    if (count > 0xFFFFFFFFu / 8) {
        problem = sibling::Format("record count %lu is impossible", static_cast<unsigned long>(count));
        return false;
    }
    const size_t present = (size - 12) / 8;
    const size_t records = count < present ? count : present;
    for (size_t i = 0; i < records; ++i) {
        if (Word(data, 12 + i * 8) == kClockSetting) {
            value = Word(data, 12 + i * 8 + 4);
            return true;
        }
    }
    problem = "has no clock setting";
    return false;
}

bool ReadProfileFileClock(const std::string& path, DWORD& value, std::string& problem) {
    win32::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        problem = "cannot be opened";
        return false;
    }
    std::vector<unsigned char> bytes(kProfileFileLimit);
    size_t total = 0;
    while (total < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &read, nullptr)) {
            problem = "cannot be read";
            return false;
        }
        if (read == 0)
            break;
        total += read;
    }
    return ParseProfileClock(bytes.data(), total, value, problem);
}

ProfileClock ResolveButtonClock(LPARAM button) {
    ProfileClock result;
    std::vector<std::string> firmwareNames = FirmwareProfileNames();
    Binding binding = ReadBinding(button, firmwareNames);
    result.profileName = binding.name;
    if (binding.index < firmwareNames.size()) {
        result.profileName = firmwareNames[binding.index];
        bool queryFailed = false;
        result.found =
            sibling::QueryRecordSetting(kProfileRecordItem, binding.index, kClockSetting, result.raw, queryFailed);
        result.source = sibling::Format("firmware profile %lu \"%s\"", static_cast<unsigned long>(binding.index),
                                        result.profileName.c_str());
        if (!result.found)
            result.source += queryFailed ? " (record query failed)" : " (record has no clock setting)";
        return result;
    }
    const std::string file = binding.name + ".oc";
    std::string problem;
    result.found = !binding.name.empty() && ReadProfileFileClock(ProfilesFolder() + file, result.raw, problem);
    if (binding.name.empty())
        problem = "no profile name bound";
    result.source = sibling::Format("profile file \"%s\"", file.c_str());
    if (!result.found)
        result.source += " (" + problem + ")";
    return result;
}

ProfileClock DefaultProfileClock() {
    ProfileClock result;
    result.profileName = "Default";
    std::string problem;
    result.found = ReadProfileFileClock(ProfilesFolder() + "Default\\Default.oc", result.raw, problem);
    result.source = "default profile file";
    if (!result.found)
        result.source += " (" + problem + ")";
    return result;
}

} // namespace apex
