// The Windows installer, silently: files and keys in place, the program
// started at logon, and an uninstaller that quits a running copy and takes
// away only what the installer brought; on 64-bit Windows (a 64-bit prefix)
// the 32-bit program belongs in "Program Files (x86)" and its keys in the
// 32-bit registry view, where Windows looks for a 32-bit program's. And what the program file, the
// stand-ins, the installer and the uninstaller say about themselves: their
// version resources, icons and the program's manifest.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "ProgramHarness.h"
#include "SavedSettings.h"
#include "TestSupport.h"
#include "settings/Config.h"
#include "system/SystemInfo.h"
#include "win32/Handles.h"

using testsupport::WaitUntil;

namespace {

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RaveloRemote";
constexpr char kSettingsKey[] = "Software\\Orva\\Ravelo Profile";

using testsupport::FileExists;

// A string value, or "<missing>". view: 0 for the process's own registry
// view (the 32-bit one here), KEY_WOW64_64KEY for the 64-bit one.
std::string RegString(HKEY root, const char* key, const char* name, REGSAM view = 0) {
    std::string value;
    return testsupport::RegistryString(root, key, name, value, view) ? value : "<missing>";
}

// Runs an installer-made program to its end without pipes: the NSIS
// uninstaller hands over to a copy of itself, which would inherit (and keep
// open) a pipe to this process.
DWORD RunSetup(const std::string& commandLine) {
    testsupport::ChildProcess child;
    if (!child.Start(commandLine))
        return ~0u;
    if (!child.Wait(180000))
        return ~1u;
    return child.ExitCode();
}

bool OnWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

// ---- what a module says about itself ----

// The strings of a module's version resource (its first translation) and
// its fixed file and product version numbers.
struct VersionInfo {
    std::map<std::string, std::string> strings;
    DWORD fileMs = 0, fileLs = 0, productMs = 0, productLs = 0;
};

bool ReadVersionInfo(const std::string& path, VersionInfo& info) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0)
        return false;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data()))
        return false;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO))
        return false;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    info.fileMs = fixed->dwFileVersionMS;
    info.fileLs = fixed->dwFileVersionLS;
    info.productMs = fixed->dwProductVersionMS;
    info.productLs = fixed->dwProductVersionLS;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4)
        return false;
    WORD translation[2] = {};
    std::memcpy(translation, value, sizeof translation);
    char block[64];
    std::snprintf(block, sizeof block, "\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    for (const char* name : {"CompanyName", "FileDescription", "FileVersion", "LegalCopyright", "OriginalFilename",
                             "ProductName", "ProductVersion"}) {
        if (VerQueryValueA(data.data(), (block + std::string(name)).c_str(), &value, &length) && length > 0)
            info.strings[name] =
                std::string(static_cast<const char*>(value), strnlen(static_cast<const char*>(value), length));
    }
    return true;
}

// The build's version ("1.0.0") as the fixed numbers' two halves.
std::pair<DWORD, DWORD> VersionNumbers() {
    unsigned major = 0, minor = 0, patch = 0;
    std::sscanf(RAVELO_VERSION, "%u.%u.%u", &major, &minor, &patch);
    return {MAKELONG(minor, major), MAKELONG(0, patch)};
}

// A module carries the build's product, publisher and version, the given
// description and, when given, its own file name.
void ExpectDescribed(const std::string& path, const std::string& description, const std::string& fileName) {
    SCOPED_TRACE(path);
    VersionInfo info;
    ASSERT_TRUE(ReadVersionInfo(path, info));
    EXPECT_EQ(description, info.strings["FileDescription"]);
    EXPECT_EQ("Ravelo Remote", info.strings["ProductName"]);
    EXPECT_EQ("Orva", info.strings["CompanyName"]);
    EXPECT_NE(std::string::npos, info.strings["LegalCopyright"].find("Orva"));
    EXPECT_EQ(RAVELO_VERSION, info.strings["FileVersion"]);
    EXPECT_EQ(RAVELO_VERSION, info.strings["ProductVersion"]);
    if (!fileName.empty()) {
        EXPECT_EQ(fileName, info.strings["OriginalFilename"]);
    }
    const std::pair<DWORD, DWORD> numbers = VersionNumbers();
    EXPECT_EQ(numbers, std::make_pair(info.fileMs, info.fileLs));
    EXPECT_EQ(numbers, std::make_pair(info.productMs, info.productLs));
}

win32::UniqueModule LoadAsData(const std::string& path) {
    return win32::UniqueModule(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

BOOL CALLBACK AddResourceId(HMODULE, LPCSTR, LPSTR name, LONG_PTR ids) {
    reinterpret_cast<std::vector<ULONG_PTR>*>(ids)->push_back(IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name)
                                                                                   : 0);
    return TRUE;
}

// The ids of a module's resources of one type, in the order Windows lists
// them (a named one counts as id 0).
std::vector<ULONG_PTR> ResourceIds(HMODULE module, LPCSTR type) {
    std::vector<ULONG_PTR> ids;
    EnumResourceNamesA(module, type, AddResourceId, reinterpret_cast<LONG_PTR>(&ids));
    return ids;
}

std::string ResourceBytes(HMODULE module, ULONG_PTR id, LPCSTR type) {
    const HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
    const HGLOBAL loaded = found == nullptr ? nullptr : LoadResource(module, found);
    const void* bytes = loaded == nullptr ? nullptr : LockResource(loaded);
    return bytes == nullptr ? std::string()
                            : std::string(static_cast<const char*>(bytes), SizeofResource(module, found));
}

// The picture sizes of a module's first icon group (the icon Explorer
// shows), sorted; a picture the group names but the module lacks, or of
// another length than the group says, counts as -1.
std::vector<int> IconSizes(const std::string& path) {
    const win32::UniqueModule module = LoadAsData(path);
    const std::vector<ULONG_PTR> groups = ResourceIds(module.Get(), RT_GROUP_ICON);
    if (groups.empty() || groups.front() == 0)
        return {};
    const std::string group = ResourceBytes(module.Get(), groups.front(), RT_GROUP_ICON);
    auto word = [&group](size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(group[at])) |
               static_cast<unsigned>(static_cast<unsigned char>(group[at + 1])) << 8;
    };
    // Header: reserved, type 1, count; then 14-byte entries: width, height
    // (0 for 256), colours, reserved, planes, bits, length (4 bytes), id.
    if (group.size() < 6 || word(2) != 1 || group.size() < 6 + 14 * size_t{word(4)})
        return {};
    std::vector<int> sizes;
    for (size_t i = 0; i < word(4); ++i) {
        const size_t entry = 6 + 14 * i;
        const int width = static_cast<unsigned char>(group[entry]);
        const int height = static_cast<unsigned char>(group[entry + 1]);
        const size_t length = word(entry + 8) | size_t{word(entry + 10)} << 16;
        const bool present = ResourceBytes(module.Get(), word(entry + 12), RT_ICON).size() == length;
        sizes.push_back(width != height || !present ? -1 : width == 0 ? 256 : width);
    }
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

const std::vector<int> kIconSizes = {16, 24, 32, 48, 256};

} // namespace

TEST(InstallerTest, InstallsStartsAtLogonAndUninstallsCleanly) {
    // The folder the installer picks by itself: the Program Files folder a
    // 32-bit program is given, "Program Files (x86)" on 64-bit Windows.
    std::string programFiles = GetSpecialFolder(CSIDL_PROGRAM_FILES);
    ASSERT_FALSE(programFiles.empty());
    programFiles.pop_back(); // its closing backslash, which the registry's paths lack
    const std::string installDir = programFiles + "\\Orva\\Ravelo Remote";
    const std::string setup = testsupport::BuildFolder() + "RaveloRemote-Setup.exe";
    ASSERT_TRUE(FileExists(setup)) << setup;

    // What belongs to the user and must survive the uninstall.
    ASSERT_TRUE(testsupport::SetRegistryString(HKEY_CURRENT_USER, kSettingsKey, "InstallerTestKeep", "Gaming"));
    const std::string profileFile = ProfilesFolder() + "InstallerTestKeep.oc";
    ASSERT_TRUE(testsupport::WriteTextFile(profileFile, "profile"));

    ASSERT_FALSE(FileExists(installDir));
    ASSERT_EQ(0u, RunSetup("\"" + setup + "\" /S"));

    const std::string dir = installDir + "\\";
    for (const char* file : {"RaveloRemote.exe", "OVACPI.DLL", "ORVASERVICE.DLL", "flashobj.dll", "pngio.dll",
                             "Uninstall.exe", "LangFiles\\OvMultiLang.ini", "LangFiles\\English\\English.ini",
                             "Resource\\Warning.swf", "Resource\\RaveloProfileOn.swf"})
        EXPECT_TRUE(FileExists(dir + file)) << file;
    EXPECT_EQ("\"" + dir + "RaveloRemote.exe\"", RegString(HKEY_LOCAL_MACHINE, kRunKey, "Ravelo Remote"));
    EXPECT_EQ("Ravelo Remote", RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"));
    EXPECT_EQ("Orva", RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher"));
    EXPECT_EQ(RAVELO_VERSION, RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"));
    EXPECT_EQ(dir + "RaveloRemote.exe", RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon"));
    EXPECT_EQ("\"" + dir + "Uninstall.exe\"", RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"));
    if (OnWow64()) {
        // Seen from the 64-bit side: the folder is the 32-bit programs' one,
        // nothing landed in the 64-bit Program Files, and the keys are only
        // in the 32-bit view.
        EXPECT_EQ(programFiles,
                  RegString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir (x86)", KEY_WOW64_64KEY));
        const std::string programFiles64 =
            RegString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir", KEY_WOW64_64KEY);
        EXPECT_NE(programFiles, programFiles64);
        EXPECT_FALSE(FileExists(programFiles64 + "\\Orva"));
        EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, kRunKey, "Ravelo Remote", KEY_WOW64_64KEY));
        EXPECT_FALSE(testsupport::RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY));
        EXPECT_TRUE(testsupport::RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));
    }

    // What the installed files and the installer show in Explorer, Task
    // Manager and the installed-apps list (whose icon is the program's).
    ExpectDescribed(dir + "RaveloRemote.exe", "Ravelo Remote", "RaveloRemote.exe");
    EXPECT_EQ(kIconSizes, IconSizes(dir + "RaveloRemote.exe"));
    ExpectDescribed(setup, "Ravelo Remote Setup", "");
    EXPECT_EQ(kIconSizes, IconSizes(setup));
    ExpectDescribed(dir + "Uninstall.exe", "Ravelo Remote Setup", "");
    EXPECT_EQ(kIconSizes, IconSizes(dir + "Uninstall.exe"));
    ExpectDescribed(dir + "OVACPI.DLL", "Firmware library stand-in", "OVACPI.DLL");
    ExpectDescribed(dir + "ORVASERVICE.DLL", "System service library stand-in", "ORVASERVICE.DLL");
    ExpectDescribed(dir + "flashobj.dll", "OSD movie player stand-in", "flashobj.dll");
    ExpectDescribed(dir + "pngio.dll", "PNG codec stand-in", "pngio.dll");

    // The installed program runs (as the logon would start it) ...
    harness::Program program;
    ASSERT_TRUE(program.Start(dir));

    // ... and the uninstaller asks it to quit, then removes what it installed.
    ASSERT_EQ(0u, RunSetup("\"" + dir + "Uninstall.exe\" /S"));
    EXPECT_TRUE(program.EndsWithZero());
    // The uninstaller runs from a copy of itself; removing its own key is
    // the last thing it does.
    EXPECT_TRUE(WaitUntil([&] { return !testsupport::RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); }, 60000));
    EXPECT_FALSE(FileExists(installDir));
    EXPECT_FALSE(FileExists(programFiles + "\\Orva"));
    EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, kRunKey, "Ravelo Remote"));

    EXPECT_EQ("Gaming", RegString(HKEY_CURRENT_USER, kSettingsKey, "InstallerTestKeep"));
    EXPECT_TRUE(FileExists(profileFile));

    // Leave the prefix as we found it.
    testsupport::DeleteRegistryValue(HKEY_CURRENT_USER, kSettingsKey, "InstallerTestKeep");
    DeleteFileA(profileFile.c_str());
}

// The stand-in programs, which the tests and the demo start from the build.
TEST(ProgramFileTest, StandInProgramsDescribeThemselves) {
    const std::string bin = testsupport::BinFolder();
    ExpectDescribed(bin + "RemoteService.exe", "System service stand-in with a virtual remote", "RemoteService.exe");
    ExpectDescribed(bin + "RaveloApexSim.exe", "Ravelo Apex stand-in", "RaveloApexSim.exe");
    ExpectDescribed(bin + "KelvoEngineSim.exe", "Kelvo Engine stand-in", "KelvoEngineSim.exe");
}

// The program's manifest (as invoker, common controls 6) names no system it
// supports, so Windows 8.1 and later go on reporting 6.2 to GetVersionExA,
// as they did before the program had a manifest: the program reads the
// button bindings from HKEY_CURRENT_USER on a 6 and from HKEY_LOCAL_MACHINE
// on a 10. The report depends on the manifest of the process's EXE, so a
// probe with the very same manifest asks, with Wine set to Windows 10.
TEST(ProgramFileTest, ManifestLeavesTheVersionReportAsItWas) {
    const std::string program = testsupport::DistFolder() + "RaveloRemote.exe";
    const std::string probe = testsupport::BinFolder() + "version_probe.exe";
    std::string manifest;
    {
        const win32::UniqueModule module = LoadAsData(program);
        ASSERT_TRUE(module) << program;
        // Exactly one, with the id Windows reads at process start.
        ASSERT_EQ(std::vector<ULONG_PTR>{1}, ResourceIds(module.Get(), RT_MANIFEST));
        manifest = ResourceBytes(module.Get(), 1, RT_MANIFEST);
    }
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""));
    {
        const win32::UniqueModule module = LoadAsData(probe);
        ASSERT_TRUE(module) << probe;
        ASSERT_EQ(std::vector<ULONG_PTR>{1}, ResourceIds(module.Get(), RT_MANIFEST));
        ASSERT_EQ(manifest, ResourceBytes(module.Get(), 1, RT_MANIFEST));
    }

    // Wine's reported system for the probe alone (its default, Windows 7,
    // would answer 6.1 whatever the manifest says).
    constexpr char kProbeSettings[] = "Software\\Wine\\AppDefaults\\version_probe.exe";
    {
        win32::RegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kProbeSettings, 0, nullptr, 0, KEY_SET_VALUE,
                                                 nullptr, key.Receive(), nullptr));
        const char version[] = "win10";
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.Get(), "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                                                sizeof version));
    }
    std::string output;
    const DWORD exitCode = testsupport::RunCommand("\"" + probe + "\"", &output);
    RegDeleteKeyA(HKEY_CURRENT_USER, kProbeSettings);
    ASSERT_EQ(0u, exitCode) << output;
    EXPECT_EQ(std::vector<std::string>{"6.2"}, testsupport::Lines(output));
}
