// Which clock a profile button stands for, worked out the way the remote
// program does: the button's binding (index and name under the
// "Ravelo Profile" settings key), a firmware profile record for an index
// below the number of firmware profiles, otherwise the ".oc" file named by
// the binding in the common profiles folder.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace apex {

constexpr DWORD kActiveProfileItem = 0x11060008;
constexpr DWORD kProfileRecordItem = 0x05080002;
constexpr DWORD kClockSetting = 0x03010011;
constexpr DWORD kClockGroup = 3;
constexpr DWORD kClockNumber = 17;
constexpr DWORD kProfileListGroup = 5;
constexpr DWORD kProfileListNumber = 2;

// Value of the active-profile item for button 1, 2, 3 (A, B, C): 1, 2, 4;
// 0 for anything else.
LONG ActiveValueForButton(LPARAM button);

// Letter of a button (1..3), or '?'.
char ButtonLetter(LPARAM button);

struct Binding {
    DWORD index = 0;
    std::string name;
};

// The settings key's root: HKEY_CURRENT_USER on a system reporting major
// version 6, HKEY_LOCAL_MACHINE otherwise (also where the program looks).
HKEY SettingsRoot();

// Names of the profiles stored in firmware (the texts of group 5, item 2).
std::vector<std::string> FirmwareProfileNames();

// The common profiles folder with a trailing backslash; not created.
std::string ProfilesFolder();

// Names (without extension) of the ".oc" files directly in the folder, in
// enumeration order.
std::vector<std::string> ProfileFileNames(const std::string& folder);

// Binding of button 1..3; a missing value falls back to the button's
// position in the list of firmware profiles followed by profile files.
Binding ReadBinding(LPARAM button, const std::vector<std::string>& firmwareNames);

// Clock setting of a profile file image. Rejects files shorter than the
// header, versions above 1, a record count of 0 or one whose record area
// does not fit in 32 bits; scans only the complete records present.
// problem describes a failure for the log.
bool ParseProfileClock(const unsigned char* data, size_t size, DWORD& value, std::string& problem);

// Reads the file (at most its first MiB) and parses it.
bool ReadProfileFileClock(const std::string& path, DWORD& value, std::string& problem);

// The raw clock step of the profile bound to the button. source says where
// it came from (or why there is none) for the log and the display.
struct ProfileClock {
    bool found = false;
    DWORD raw = 0;
    std::string profileName;
    std::string source;
};
ProfileClock ResolveButtonClock(LPARAM button);

// The clock of the default profile (Default\Default.oc).
ProfileClock DefaultProfileClock();

} // namespace apex
