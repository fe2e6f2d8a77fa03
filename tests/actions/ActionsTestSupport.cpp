#include "ActionsTestSupport.h"

#include <cstdio>

#include "TestSupport.h"

namespace actions_test {

// ---- Firmware ---------------------------------------------------------------

FirmwareDatabase::FirmwareDatabase(const std::string& folder) : path_(folder + "firmware.txt") {
    char value[MAX_PATH + 1] = {};
    const DWORD length = GetEnvironmentVariableA("OVACPI_DB", value, sizeof value);
    hadPrevious_ = length > 0 && length < sizeof value;
    if (hadPrevious_)
        previous_ = value;
    SetEnvironmentVariableA("OVACPI_DB", path_.c_str());
}

FirmwareDatabase::~FirmwareDatabase() {
    SetEnvironmentVariableA("OVACPI_DB", hadPrevious_ ? previous_.c_str() : nullptr);
    DeleteFileA(path_.c_str());
}

bool FirmwareDatabase::Write(const std::string& text) { return testsupport::WriteTextFile(path_, text); }

const char kClockItemLine[] = "number 0x03010011 8 name=\"CPU Clock\" base=300000 step=2500 count=81\n";
const char kProfileLines[] = "list 0x05080002 0 name=\"OC Profiles\" text=\"Gaming\" text=\"Silent\"\n"
                             "record 0x05080002 0 0x03020012=21 0x03010011=32\n"
                             "record 0x05080002 1 0x03010011=12\n";
const char kModeItemLine[] =
    "number 0x0B000001 0x8000 name=\"Engine Mode\" base=0 step=1 count=32769 accept=0,1,2,0x4000,0x8000\n";
const char kActiveProfileLine[] =
    "number 0x11060008 0 name=\"Active OC Profile\" base=0 step=1 count=5 accept=0,1,2,3,4\n";
const char kAutoSwitchOnLine[] = "switch 0x11070010 1 name=\"Engine Auto Mode\"\n";

std::string StandardFirmware() {
    return std::string(kClockItemLine) + kProfileLines + kModeItemLine + kActiveProfileLine + kAutoSwitchOnLine;
}

// ---- Registry ---------------------------------------------------------------

PrivateRegistry::PrivateRegistry() {
    char text[64] = {};
    std::snprintf(text, sizeof text, "Software\\RaveloActionsTest-%lu\\",
                  static_cast<unsigned long>(GetCurrentProcessId()));
    base_ = text;
}

PrivateRegistry::~PrivateRegistry() {
    const std::string key = base_.substr(0, base_.size() - 1);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}

namespace {
bool SetValue(HKEY root, const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}
} // namespace

bool PrivateRegistry::SetString(HKEY root, const std::string& subKey, const char* name,
                                const std::string& value) const {
    return SetValue(root, base_ + subKey, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool PrivateRegistry::SetDword(HKEY root, const std::string& subKey, const char* name, DWORD value) const {
    return SetValue(root, base_ + subKey, name, REG_DWORD, &value, sizeof value);
}

bool PrivateRegistry::DeleteValue(HKEY root, const std::string& subKey, const char* name) const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, (base_ + subKey).c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return true; // no key, no value
    const LONG rc = RegDeleteValueA(key, name);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool PrivateRegistry::DeleteKey(HKEY root, const std::string& subKey) const {
    const std::string path = base_ + subKey;
    RegDeleteTreeA(root, path.c_str());
    const LONG rc = RegDeleteKeyA(root, path.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool PrivateRegistry::KeyExists(HKEY root, const std::string& subKey) const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, (base_ + subKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// ---- Profile files ----------------------------------------------------------

std::string ProfileImage(DWORD version, DWORD count, const std::vector<std::pair<DWORD, DWORD>>& records) {
    std::string bytes;
    auto word = [&bytes](DWORD value) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    word(0x4F525641); // the first word is not interpreted
    word(version);
    word(count);
    for (const auto& record : records) {
        word(record.first);
        word(record.second);
    }
    return bytes;
}

bool WriteProfileFile(const std::string& path, DWORD version, DWORD count,
                      const std::vector<std::pair<DWORD, DWORD>>& records) {
    return testsupport::WriteTextFile(path, ProfileImage(version, count, records));
}

} // namespace actions_test
