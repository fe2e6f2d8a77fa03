// The main window's pure rules: the module folder and the acceptance of the
// service's messages.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/Main.h"
#include "settings/ProgramFolders.h"

using testsupport::BinFolder;

TEST(ModuleFolderTest, CutsAtTheLastBackslash) {
    EXPECT_EQ("C:\\Tools\\", win32::FolderOfModulePath("C:\\Tools\\RaveloRemote.exe"));
    EXPECT_EQ("\\\\server\\share\\", win32::FolderOfModulePath("\\\\server\\share\\RaveloRemote.exe"));
    EXPECT_EQ("C:\\", win32::FolderOfModulePath("C:\\RaveloRemote.exe"));
}

TEST(ModuleFolderTest, DriveColonWithoutBackslashKeepsDriveAndColon) {
    EXPECT_EQ("C:", win32::FolderOfModulePath("C:RaveloRemote.exe"));
}

TEST(ModuleFolderTest, NoSeparatorGivesEmptyFolder) {
    EXPECT_EQ("", win32::FolderOfModulePath("RaveloRemote.exe"));
    EXPECT_EQ("", win32::FolderOfModulePath(""));
}

TEST(ModuleFolderTest, BufferGrowsUntilTheWholeNameFits) {
    const std::string full = win32::ModuleFileName(nullptr, 4096);
    ASSERT_FALSE(full.empty());
    // Starting with buffers far too small must still give the whole name.
    EXPECT_EQ(full, win32::ModuleFileName(nullptr, 1));
    EXPECT_EQ(full, win32::ModuleFileName(nullptr, 7));
    EXPECT_EQ(full, win32::ModuleFileName(nullptr, static_cast<DWORD>(full.size())));
    EXPECT_EQ(full, win32::ModuleFileName(nullptr, static_cast<DWORD>(full.size() + 1)));
}

TEST(ModuleFolderTest, ResourceFolderIsBesideTheExecutable) {
    const std::string folder = ModuleFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ('\\', folder.back());
    EXPECT_EQ(folder + "Resource\\", ResourceFolder());
    EXPECT_EQ(folder, win32::FolderOfModulePath(win32::ModuleFileName()));
}

// An executable whose path is well over 128 characters (but under the
// 260 that plain CreateDirectoryA allows) reads its full name: the buffer
// grows to 256.
TEST(ModuleFolderTest, LongExecutablePathIsReadInFull) {
    testsupport::TempFolder temp;
    ASSERT_FALSE(temp.Path().empty());
    std::string folder = temp.Path();
    const std::string segment = "a-rather-long-folder-name-for-the-module-path";
    while (folder.size() < 170) {
        folder += segment + "\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    }
    const std::string probe = folder + "module_folder_probe.exe";
    ASSERT_GT(probe.size(), 128u);
    ASSERT_TRUE(testsupport::CopyFileTo(BinFolder() + "module_folder_probe.exe", probe));
    std::string output;
    ASSERT_EQ(0u, testsupport::RunCommand("\"" + probe + "\"", &output));
    EXPECT_EQ(folder + "\r\n" + folder + "Resource\\\r\n", output); // text-mode output
}

struct Classification {
    UINT msg;
    WPARAM wParam;
    ServiceAction expected;
};

TEST(ServiceMessageTest, AcceptanceTable) {
    const Classification table[] = {
        {1024, 0x55, ServiceAction::Quit},         {1024, 0x155, ServiceAction::Quit}, // only the low byte counts
        {1024, 0x54, ServiceAction::NotAccepted},  {1024, 0x5500, ServiceAction::NotAccepted},
        {1025, 0x55, ServiceAction::Consume},      {1026, 0x255, ServiceAction::Consume},
        {1027, 0x55, ServiceAction::Consume},      {1027, 0, ServiceAction::NotAccepted},
        {1028, 0x55, ServiceAction::NotAccepted}, // never accepted
        {1029, 0x55, ServiceAction::NotAccepted},  {1030, 0x55, ServiceAction::Foreground},
        {1030, 0xFF55, ServiceAction::Foreground}, {1031, 0x55, ServiceAction::NotAccepted},
        {1032, 0x55, ServiceAction::RemoteKey},    {1032, 0x155, ServiceAction::NotAccepted}, // the whole wParam counts
        {1032, 0, ServiceAction::NotAccepted},     {1023, 0x55, ServiceAction::NotAccepted},
        {1033, 0x55, ServiceAction::NotAccepted},  {WM_PAINT, 0x55, ServiceAction::NotAccepted},
    };
    for (const Classification& row : table)
        EXPECT_EQ(row.expected, ClassifyServiceMessage(row.msg, row.wParam))
            << "message " << row.msg << " wParam 0x" << std::hex << row.wParam;
}
