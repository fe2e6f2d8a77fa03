#include "StandinTestSupport.h"

#include <cstdio>
#include <vector>

#include "win32/Handles.h"
#include "orva/OvAcpi.h"

namespace standin_test {

const char kDatabase[] =
    "# Firmware of the stand-in tests\n"
    "number 0x03010011 8 name=\"CPU Clock\" base=300000 step=2500 count=81\n"
    "number 0x03020012 0 name=\"CPU Voltage\" base=1100 step=5 count=61 extra=\"Auto\"\n"
    "list 0x05080002 0 name=\"OC Profiles\" text=\"Gaming\" text=\"Silent\"\n"
    "record 0x05080002 0 0x03020012=21 0x03010011=32\n"
    "record 0x05080002 1 0x03010011=12\n"
    "number 0x0B000001 0x8000 name=\"Engine Mode\" base=0 step=1 count=32769 accept=0,1,2,0x4000,0x8000\n"
    "number 0x11060008 0 name=\"Active OC Profile\" base=0 step=1 count=5 accept=0,1,2,4\n"
    "switch 0x11070010 1 name=\"Engine Auto Mode\"\n";

namespace {

bool WriteFile(const std::string& path, const std::string& text) {
    win32::UniqueHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.IsValid() && ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

void RemoveFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                DeleteFileA((folder + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

} // namespace

Scratch::Scratch(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    char unique[64];
    std::snprintf(unique, sizeof unique, "%lu-%lu", GetCurrentProcessId(), GetTickCount());
    folder_ = std::string(temp) + "siblings-" + name + "-" + unique + "\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    database_ = folder_ + "firmware.txt";
    log_ = folder_ + "standin.log";
    registryBase_ = std::string("Software\\RaveloSiblingTest-") + unique + "\\";
}

Scratch::~Scratch() {
    RemoveFolder(folder_);
    std::string key = registryBase_.substr(0, registryBase_.size() - 1);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
}

bool Scratch::WriteDatabase(const std::string& text) const {
    SetEnvironmentVariableA("OVACPI_DB", database_.c_str());
    return WriteFile(database_, text);
}

bool ReadItem(DWORD id, LONG& value) {
    AcpiInit();
    return (AcpiGetItem(id, &value) & 1) != 0;
}

bool WriteItem(DWORD id, LONG value) {
    AcpiInit();
    return (AcpiSetItem(id, value, 1) & 1) != 0;
}

bool WaitForItem(DWORD id, LONG expected, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        LONG value = 0;
        if (ReadItem(id, value) && value == expected)
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(50);
    }
}

bool SetString(HKEY root, const std::string& path, const char* name, const std::string& value) {
    win32::RegKey key;
    return RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Receive(), nullptr) ==
               ERROR_SUCCESS &&
           RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

bool SetDword(HKEY root, const std::string& path, const char* name, DWORD value) {
    win32::RegKey key;
    return RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Receive(), nullptr) ==
               ERROR_SUCCESS &&
           RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
               ERROR_SUCCESS;
}

bool GetString(HKEY root, const std::string& path, const char* name, std::string& value) {
    win32::RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return false;
    std::vector<char> data(1024, '\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size() - 1);
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    value = data.data();
    return true;
}

} // namespace standin_test
