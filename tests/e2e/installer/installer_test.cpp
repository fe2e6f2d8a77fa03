// The Windows installer, silently: files and keys in place, the program
// started at logon, and an uninstaller that quits a running copy and takes
// away only what the installer brought.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "ProgramHarness.h"
#include "SavedSettings.h"
#include "TestSupport.h"

using testsupport::WaitUntil;

namespace {

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RaveloRemote";
constexpr char kSettingsKey[] = "Software\\Orva\\Ravelo Profile";

using testsupport::FileExists;

// A string value, or "<missing>".
std::string RegString(HKEY root, const char* key, const char* name) {
    std::string value;
    return testsupport::RegistryString(root, key, name, value) ? value : "<missing>";
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

std::string CommonAppData() {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, path);
    return path;
}

} // namespace

TEST(InstallerTest, InstallsStartsAtLogonAndUninstallsCleanly) {
    testsupport::TempFolder temp;
    const std::string installDir = temp.Path() + "Ravelo Remote";
    const std::string setup = testsupport::BuildFolder() + "RaveloRemote-Setup.exe";
    ASSERT_TRUE(FileExists(setup)) << setup;

    // What belongs to the user and must survive the uninstall.
    ASSERT_TRUE(testsupport::SetRegistryString(HKEY_CURRENT_USER, kSettingsKey, "InstallerTestKeep", "Gaming"));
    const std::string profiles = CommonAppData() + "\\Orva OC Profiles\\";
    CreateDirectoryA(profiles.c_str(), nullptr);
    const std::string profileFile = profiles + "InstallerTestKeep.oc";
    ASSERT_TRUE(testsupport::WriteTextFile(profileFile, "profile"));

    // /D must come last and unquoted.
    ASSERT_EQ(0u, RunSetup("\"" + setup + "\" /S /D=" + installDir));

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
    EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, kRunKey, "Ravelo Remote"));

    EXPECT_EQ("Gaming", RegString(HKEY_CURRENT_USER, kSettingsKey, "InstallerTestKeep"));
    EXPECT_TRUE(FileExists(profileFile));

    // Leave the prefix as we found it.
    testsupport::DeleteRegistryValue(HKEY_CURRENT_USER, kSettingsKey, "InstallerTestKeep");
    DeleteFileA(profileFile.c_str());
}
