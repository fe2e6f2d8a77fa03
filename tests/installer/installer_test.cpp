// The Windows installer, silently: files and keys in place, the program
// started at logon, and an uninstaller that quits a running copy and takes
// away only what the installer brought. On 64-bit Windows (a 64-bit prefix)
// the 32-bit program belongs in "Program Files (x86)" and its keys in the
// 32-bit registry view, where Windows looks for a 32-bit program's.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "TestSupport.h"

using testsupport::WaitUntil;

namespace {

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RaveloRemote";
constexpr char kSettingsKey[] = "Software\\Orva\\Ravelo Profile";

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A string value, or "<missing>". view: 0 for the process's own registry
// view (the 32-bit one here), KEY_WOW64_64KEY for the 64-bit one.
std::string RegString(HKEY root, const char* key, const char* name, REGSAM view = 0) {
    char buffer[1024] = {};
    DWORD size = sizeof(buffer) - 1;
    DWORD type = 0;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_READ | view, &handle) != ERROR_SUCCESS)
        return "<missing>";
    const LONG result = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(handle);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return "<missing>";
    return buffer;
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

bool KeyExists(HKEY root, const char* key, REGSAM view = 0) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_READ | view, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, 0, path);
    return path;
}

bool OnWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";

} // namespace

TEST(InstallerTest, InstallsStartsAtLogonAndUninstallsCleanly) {
    // The folder the installer picks by itself: the Program Files folder a
    // 32-bit program is given, "Program Files (x86)" on 64-bit Windows.
    const std::string programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
    ASSERT_FALSE(programFiles.empty());
    const std::string installDir = programFiles + "\\Orva\\Ravelo Remote";
    const std::string setup = testsupport::BuildFolder() + "RaveloRemote-Setup.exe";
    ASSERT_TRUE(FileExists(setup)) << setup;

    // What belongs to the user and must survive the uninstall.
    HKEY settings = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &settings, nullptr));
    const char binding[] = "Gaming";
    RegSetValueExA(settings, "InstallerTestKeep", 0, REG_SZ, reinterpret_cast<const BYTE*>(binding), sizeof(binding));
    RegCloseKey(settings);
    const std::string profiles = ShellFolder(CSIDL_COMMON_APPDATA) + "\\Orva OC Profiles\\";
    CreateDirectoryA(profiles.c_str(), nullptr);
    const std::string profileFile = profiles + "InstallerTestKeep.oc";
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
    EXPECT_NE("<missing>", RegString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"));
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
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_64KEY));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, KEY_WOW64_32KEY));
    }

    // The installed program runs (as the logon would start it) ...
    testsupport::ChildProcess program;
    ASSERT_TRUE(program.Start("\"" + dir + "RaveloRemote.exe\"", dir));
    ASSERT_TRUE(WaitUntil([&] { return testsupport::FindWindowOfProcess(program.Id(), "TMainForm") != nullptr; }));

    // ... and the uninstaller asks it to quit, then removes what it installed.
    ASSERT_EQ(0u, RunSetup("\"" + dir + "Uninstall.exe\" /S"));
    EXPECT_TRUE(program.Wait(30000));
    EXPECT_EQ(0u, program.ExitCode());
    // The uninstaller runs from a copy of itself; removing its own key is
    // the last thing it does.
    EXPECT_TRUE(WaitUntil([&] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); }, 60000));
    EXPECT_FALSE(FileExists(installDir));
    EXPECT_FALSE(FileExists(programFiles + "\\Orva"));
    EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, kRunKey, "Ravelo Remote"));

    EXPECT_EQ("Gaming", RegString(HKEY_CURRENT_USER, kSettingsKey, "InstallerTestKeep"));
    EXPECT_TRUE(FileExists(profileFile));

    // Leave the prefix as we found it.
    HKEY cleanup = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_SET_VALUE, &cleanup) == ERROR_SUCCESS) {
        RegDeleteValueA(cleanup, "InstallerTestKeep");
        RegCloseKey(cleanup);
    }
    DeleteFileA(profileFile.c_str());
}
