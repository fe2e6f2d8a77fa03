#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "SavedSettings.h"
#include "TestSupport.h"
#include "settings/Config.h"
#include "fileutl/FileNames.h"
#include "system/SystemInfo.h"

namespace {

using testsupport::FirmwareDatabase;
using testsupport::MakeFolder;
using testsupport::TempFolder;
using testsupport::WriteTextFile;

const char kThreeProfiles[] =
    "number 0x05010001 0 base=0 step=1 count=3\n"
    "list 0x05080002 0 name=\"OC Profiles\" text=\"Gaming\" text=\"Silent\" text=\"Office\"\n";
const char kOneProfile[] = "list 0x05080002 0 text=\"Turbo\"\n";
const char kNoProfileGroup[] = "number 0x03010011 8 base=300000 step=2500 count=81\n";

// Every test has its own settings key, profiles folder and firmware.
class ConfigTest : public ::testing::Test {
protected:
    ConfigTest() : profiles_("profiles") {}
    void SetUp() override {
        char path[96];
        std::snprintf(path, sizeof path, "Software\\RaveloTests\\Config_%lu_%lu", GetCurrentProcessId(),
                      GetTickCount());
        keyPath_ = path;
        Config::Instance().SetSettingsKey(HKEY_CURRENT_USER, keyPath_);
        SetProfilesFolderOverride(profiles_.Path());
    }
    void TearDown() override {
        Config::Instance().SetSettingsKey(nullptr, std::string());
        SetProfilesFolderOverride(std::string());
        testsupport::DeleteRegistryTree(HKEY_CURRENT_USER, keyPath_);
    }
    // Firmware for this test; the list is read again on the next use.
    void UseFirmware(const char* db) {
        db_ = std::make_unique<FirmwareDatabase>(db);
        Config::Instance().ResetProfileList();
    }
    void SetValue(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_TRUE(testsupport::SetRegistryValue(HKEY_CURRENT_USER, keyPath_, name, type, data, size));
    }
    void SetDword(const char* name, DWORD value) { SetValue(name, REG_DWORD, &value, 4); }
    void SetString(const char* name, const std::string& text) {
        SetValue(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
    void AddFile(const std::string& name) { ASSERT_TRUE(WriteTextFile(profiles_.Path() + name, "")); }

    Config& config() { return Config::Instance(); }

    TempFolder profiles_;
    std::string keyPath_;
    std::unique_ptr<FirmwareDatabase> db_;
};

TEST_F(ConfigTest, MissingValuesDefaultToTheFirmwareProfiles) {
    UseFirmware(kThreeProfiles);
    SetDword("RRProfileAIndex", 2);
    SetString("RRProfileAName", "Office");
    EXPECT_EQ(3u, config().ProfileCount());
    EXPECT_EQ(1u, config().GetRRProfileBIndex());
    EXPECT_EQ("Silent", config().GetRRProfileBName());
    EXPECT_EQ(2u, config().GetRRProfileCIndex());
    EXPECT_EQ("Office", config().GetRRProfileCName());
    EXPECT_EQ(2u, config().GetRRProfileAIndex());
    EXPECT_EQ("Office", config().GetRRProfileAName());
}

TEST_F(ConfigTest, NothingAnywhereGivesZeroAndEmpty) {
    UseFirmware(kNoProfileGroup);
    EXPECT_EQ(0u, config().ProfileCount());
    EXPECT_EQ(0u, config().GetRRProfileAIndex());
    EXPECT_EQ(0u, config().GetRRProfileBIndex());
    EXPECT_EQ(0u, config().GetRRProfileCIndex());
    EXPECT_EQ("", config().GetRRProfileAName());
    EXPECT_EQ("", config().GetRRProfileBName());
    EXPECT_EQ("", config().GetRRProfileCName());
    EXPECT_EQ(0u, config().ClampProfileIndex(7));
    EXPECT_EQ("", config().ProfileNameAt(0));
}

TEST_F(ConfigTest, FirmwareProfileThenProfileFiles) {
    UseFirmware(kOneProfile);
    AddFile("Gaming.oc");
    AddFile("Quiet.OC");
    std::vector<std::string> want = {"Turbo"};
    for (const std::string& file : testsupport::FolderEntries(profiles_.Path(), true))
        want.push_back(StripExtension(file));
    ASSERT_EQ(3u, want.size());
    std::vector<std::string> files(want.begin() + 1, want.end());
    std::sort(files.begin(), files.end());
    EXPECT_EQ((std::vector<std::string>{"Gaming", "Quiet"}), files);

    EXPECT_EQ(1u, config().ProfileCount()); // files are not counted
    EXPECT_EQ(want[0], config().GetRRProfileAName());
    EXPECT_EQ(want[1], config().GetRRProfileBName());
    EXPECT_EQ(want[2], config().GetRRProfileCName());
    EXPECT_EQ(2u, config().GetRRProfileCIndex());
    EXPECT_EQ(2u, config().ClampProfileIndex(9));
    EXPECT_EQ(want[2], config().ProfileNameAt(9));
}

TEST_F(ConfigTest, StoredValuesAreReturnedAsStored) {
    UseFirmware(kOneProfile);
    SetDword("RRProfileCIndex", 57);
    SetString("RRProfileBName", "");
    const char multi[] = "First\0Second\0";
    SetValue("RRProfileCName", REG_MULTI_SZ, multi, sizeof multi);
    SetString("RRProfileAIndex", "1"); // wrong type: the default
    EXPECT_EQ(57u, config().GetRRProfileCIndex());
    EXPECT_EQ("", config().GetRRProfileBName());
    EXPECT_EQ("First", config().GetRRProfileCName());
    EXPECT_EQ(0u, config().GetRRProfileAIndex());
}

TEST_F(ConfigTest, OnlyOcFilesOfTheFolderItselfAreProfiles) {
    UseFirmware(kNoProfileGroup);
    AddFile("x.oc.bak");
    AddFile("my.set.oc");
    AddFile("notes.txt");
    AddFile("plain");
    ASSERT_TRUE(MakeFolder(profiles_.Path() + "old.oc"));
    ASSERT_TRUE(WriteTextFile(profiles_.Path() + "old.oc\\inner.oc", ""));
    std::vector<std::string> names = {"leftover"};
    config().ListProfileFiles(names);
    EXPECT_EQ((std::vector<std::string>{"my.set"}), names);
    EXPECT_EQ("my.set", config().GetRRProfileAName());
    EXPECT_EQ("my.set", config().GetRRProfileCName());
}

TEST_F(ConfigTest, FirmwareNamesAreLoadedOncePerReset) {
    UseFirmware(kThreeProfiles);
    EXPECT_EQ(3u, config().ProfileCount());
    // Other firmware is not seen until the list is reset ...
    db_ = std::make_unique<FirmwareDatabase>(kOneProfile);
    EXPECT_EQ(3u, config().ProfileCount());
    EXPECT_EQ("Silent", config().ProfileNameAt(1));
    // ... and then replaces the former names.
    config().ResetProfileList();
    EXPECT_EQ(1u, config().ProfileCount());
    EXPECT_EQ("Turbo", config().ProfileNameAt(1));
    // A load that finds no firmware is not retried.
    db_ = std::make_unique<FirmwareDatabase>(kNoProfileGroup);
    config().ResetProfileList();
    EXPECT_EQ(0u, config().ProfileCount());
    db_ = std::make_unique<FirmwareDatabase>(kThreeProfiles);
    EXPECT_EQ(0u, config().ProfileCount());
}

TEST_F(ConfigTest, LaterProfileItemWinsAndOthersAreIgnored) {
    UseFirmware("list 0x05080002 0 text=\"Early\"\n"
                "list 0x05080003 0 text=\"Other\"\n"
                "list 0x05880002 0 text=\"Late\" text=\"Later\"\n");
    EXPECT_EQ(2u, config().ProfileCount());
    EXPECT_EQ("Late", config().ProfileNameAt(0));
    EXPECT_EQ("Later", config().ProfileNameAt(1));
}

TEST_F(ConfigTest, GroupWithoutProfileItem) {
    UseFirmware("number 0x05010001 0 base=0 step=1 count=3\n");
    EXPECT_EQ(0u, config().ProfileCount());
}

TEST_F(ConfigTest, ReadingCreatesTheSettingsKey) {
    UseFirmware(kNoProfileGroup);
    ASSERT_FALSE(testsupport::RegistryKeyExists(HKEY_CURRENT_USER, keyPath_));
    config().GetRRProfileAIndex();
    ASSERT_TRUE(testsupport::RegistryKeyExists(HKEY_CURRENT_USER, keyPath_));
}

TEST(ConfigVersion, OnlyMajorVersionSixUsesTheCurrentUser) {
    EXPECT_FALSE(IsMajorVersion6From(true, 10));
    EXPECT_TRUE(IsMajorVersion6From(true, 6));
    EXPECT_FALSE(IsMajorVersion6From(true, 5));
    EXPECT_FALSE(IsMajorVersion6From(true, 7));
    EXPECT_TRUE(IsMajorVersion6From(false, 0)); // unreadable counts as 6
    EXPECT_EQ(HKEY_CURRENT_USER, Config::SettingsRootFor(true));
    EXPECT_EQ(HKEY_LOCAL_MACHINE, Config::SettingsRootFor(false));
}

TEST(ConfigPlaces, DefaultKeyAndProfilesFolder) {
    EXPECT_EQ("Software\\Orva\\Ravelo Profile", Config::Instance().SettingsKeyPath());
    EXPECT_EQ(Config::SettingsRootFor(IsMajorVersion6()), Config::Instance().SettingsRootKey());

    const std::string common = GetSpecialFolder(CSIDL_COMMON_APPDATA);
    ASSERT_FALSE(common.empty());
    EXPECT_EQ('\\', common.back());
    const std::string folder = ProfilesFolder();
    EXPECT_EQ(common + "Orva OC Profiles\\", folder);
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ("", GetSpecialFolder(0x7F)); // no such shell folder
}

// The shell library failing to load at a process's first folder request
// (short of memory, say) leaves that request with the relative fallback;
// the next request loads it and finds the real folder. Run in a process of
// its own, so the request that fails is the first.
TEST(ConfigPlaces, ShellLibraryThatFailedToLoadIsTriedAgain) {
    if (!testsupport::InTestChild()) {
        testsupport::ChildProcess child;
        ASSERT_TRUE(testsupport::StartCurrentTestAlone(child));
        ASSERT_TRUE(child.Wait(60000));
        EXPECT_EQ(0u, child.ExitCode()) << "the test failed in its own process (output above)";
        return;
    }
    // The relative fallback folder is made in the current folder.
    const testsupport::TempFolder scratch;
    char previous[MAX_PATH] = {};
    ASSERT_NE(0u, GetCurrentDirectoryA(MAX_PATH, previous));
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.Path().c_str()));
    FailShellLibraryLoadForTesting(true);
    const std::string first = ProfilesFolder();
    FailShellLibraryLoadForTesting(false);
    const std::string common = GetSpecialFolder(CSIDL_COMMON_APPDATA);
    const std::string second = ProfilesFolder();
    SetCurrentDirectoryA(previous);
    EXPECT_EQ("Orva OC Profiles\\", first);
    ASSERT_FALSE(common.empty()) << "the shell library was not loaded again";
    EXPECT_EQ(common + "Orva OC Profiles\\", second);
}

TEST(ConfigStrings, Helpers) {
    EXPECT_TRUE(EqualsNoCase(".OC", ".oc"));
    EXPECT_TRUE(EqualsNoCase("", ""));
    EXPECT_FALSE(EqualsNoCase(".oc", ".ocx"));
    EXPECT_FALSE(EqualsNoCase(".oc", ".od"));
    EXPECT_FALSE(EqualsNoCase("\xC4", "\xE4")); // only A-Z fold

    EXPECT_EQ(".oc", ExtensionOf("C:\\p\\my.set.oc"));
    EXPECT_EQ(".bak", ExtensionOf("x.oc.bak"));
    EXPECT_EQ("", ExtensionOf("plain"));

    EXPECT_EQ("a.oc", FileNameOf("C:\\p\\\\a.oc"));
    EXPECT_EQ("a.oc", FileNameOf("C:a.oc"));
    EXPECT_EQ("", FileNameOf("a.oc"));
    EXPECT_EQ("", FileNameOf("C:\\p\\"));

    EXPECT_EQ("my.set", StripExtension("my.set.oc"));
    EXPECT_EQ("plain", StripExtension("plain"));
    EXPECT_EQ("", StripExtension(".oc"));
}

} // namespace
