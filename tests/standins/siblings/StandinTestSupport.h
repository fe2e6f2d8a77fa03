// Shared by the stand-in tests: a private scratch folder, firmware database
// and registry base per test, and polling reads of firmware items.
#pragma once
#include <windows.h>

#include <string>

namespace standin_test {

// A database with the items the stand-ins work on: the clock item
// 0x03010011 (kind 1: 3000 MHz and up in 25 MHz steps, steps 0 to 80, now 8),
// two firmware profiles ("Gaming": clock 32 behind another setting;
// "Silent": clock 12), the engine's mode item 0x0B000001 (now 0x8000), the
// active-profile item (now 0) and the auto-mode switch (now 1).
extern const char kDatabase[];

constexpr DWORD kClockItem = 0x03010011;
constexpr DWORD kActiveProfileItem = 0x11060008;
constexpr DWORD kModeItem = 0x0B000001;
constexpr DWORD kAutoSwitchItem = 0x11070010;

// A scratch folder under %TEMP%, removed with its files on destruction;
// its database and log paths, and a private registry base under
// "Software\" in both HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, deleted
// on destruction too.
class Scratch {
public:
    explicit Scratch(const std::string& name);
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::string& Folder() const { return folder_; }
    const std::string& Database() const { return database_; }
    const std::string& Log() const { return log_; }
    // With its trailing backslash, as RAVELO_SIM_REGISTRY_BASE takes it.
    const std::string& RegistryBase() const { return registryBase_; }

    // Writes the text as the database and points this process's OVACPI.DLL at it.
    bool WriteDatabase(const std::string& text) const;

private:
    std::string folder_;
    std::string database_;
    std::string log_;
    std::string registryBase_;
};

// Item value through OVACPI.DLL; false when the library refuses.
bool ReadItem(DWORD id, LONG& value);
bool WriteItem(DWORD id, LONG value);

// Polls until the item holds the value; false after timeoutMs.
bool WaitForItem(DWORD id, LONG expected, DWORD timeoutMs);

// Registry helpers on HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
bool SetString(HKEY root, const std::string& path, const char* name, const std::string& value);
bool SetDword(HKEY root, const std::string& path, const char* name, DWORD value);
bool GetString(HKEY root, const std::string& path, const char* name, std::string& value);

// A generous bound for anything a stand-in does in answer to a message.
constexpr DWORD kWaitMs = 20000;

} // namespace standin_test
