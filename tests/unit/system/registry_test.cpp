#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "SavedSettings.h"
#include "system/WinRegistry.h"
#include "win32/Handles.h"

namespace {

// Each test works under a key of its own below HKCU and deletes it after.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[96];
        std::snprintf(name, sizeof name, "Software\\RaveloTests\\Registry_%lu_%lu", GetCurrentProcessId(),
                      GetTickCount());
        base_ = name;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, base_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, key_.Receive(), nullptr));
    }
    void TearDown() override {
        key_.Reset();
        testsupport::DeleteRegistryTree(HKEY_CURRENT_USER, base_);
    }
    void Set(const char* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key_.Get(), name, 0, type, static_cast<const BYTE*>(data), size));
    }
    void SetDword(const char* name, DWORD value) { Set(name, REG_DWORD, &value, sizeof value); }

    std::string base_;
    win32::RegKey key_;
};

TEST_F(RegistryTest, CreateMakesMissingKeyAndParentsThatReadNothing) {
    const std::string path = base_ + "\\new\\deeper\\leaf";
    RegAccessor probe;
    EXPECT_FALSE(probe.Open(HKEY_CURRENT_USER, path, false));
    EXPECT_FALSE(probe.IsOpen());

    RegAccessor created;
    ASSERT_TRUE(created.Open(HKEY_CURRENT_USER, path, true));
    EXPECT_TRUE(created.IsOpen());
    DWORD number = 77;
    EXPECT_FALSE(created.ReadDword("Anything", number));
    std::string text = "unchanged";
    EXPECT_FALSE(created.ReadString("Anything", text));
    EXPECT_EQ("unchanged", text);

    // The parent and the key now exist for a plain reader, and the failed
    // probe above is usable again.
    RegReader parent;
    EXPECT_TRUE(parent.Open(HKEY_CURRENT_USER, base_ + "\\new\\deeper"));
    EXPECT_TRUE(probe.Open(HKEY_CURRENT_USER, path, false));
}

TEST_F(RegistryTest, ReaderFailsOnMissingKeyAndStaysClosed) {
    RegReader reader;
    EXPECT_FALSE(reader.Open(HKEY_CURRENT_USER, base_ + "\\missing"));
    EXPECT_FALSE(reader.IsOpen());
    DWORD value = 0;
    EXPECT_FALSE(reader.ReadDword("x", value));
}

TEST_F(RegistryTest, DwordReadsOnlyRegDword) {
    SetDword("Number", 123456);
    const BYTE binary[4] = {0x40, 0xE2, 0x01, 0x00};
    Set("Binary", REG_BINARY, binary, sizeof binary);
    const unsigned long long wide = 5;
    Set("Wide", REG_QWORD, &wide, sizeof wide);
    Set("Text", REG_SZ, "12", 3);

    RegReader reader;
    ASSERT_TRUE(reader.Open(HKEY_CURRENT_USER, base_));
    DWORD value = 0;
    EXPECT_TRUE(reader.ReadDword("Number", value));
    EXPECT_EQ(123456u, value);
    EXPECT_FALSE(reader.ReadDword("Binary", value));
    EXPECT_FALSE(reader.ReadDword("Wide", value));
    EXPECT_FALSE(reader.ReadDword("Text", value));
    EXPECT_FALSE(reader.ReadDword("Missing", value));

    RegAccessor accessor;
    ASSERT_TRUE(accessor.Open(HKEY_CURRENT_USER, base_, false));
    std::uint32_t v32 = 0;
    EXPECT_TRUE(accessor.ReadDword("Number", v32));
    EXPECT_EQ(123456u, v32);
    EXPECT_FALSE(accessor.ReadDword("Binary", v32));
    std::string text = "before";
    EXPECT_FALSE(accessor.ReadString("Number", text));
    EXPECT_FALSE(accessor.ReadString("Binary", text));
    EXPECT_EQ("before", text);
}

TEST_F(RegistryTest, StringKinds) {
    Set("Empty", REG_SZ, "", 1);
    Set("Plain", REG_SZ, "Gaming", 7);
    Set("Multi", REG_MULTI_SZ, "a\0b\0", 5);
    Set("Expand", REG_EXPAND_SZ, "%TEMP%\\x.oc", 12);
    Set("Bare", REG_SZ, "hello", 5); // stored without its terminator
    const std::string longText(5000, 'q');
    Set("Long", REG_SZ, longText.c_str(), static_cast<DWORD>(longText.size() + 1));

    RegAccessor accessor;
    ASSERT_TRUE(accessor.Open(HKEY_CURRENT_USER, base_, false));
    std::string text = "x";
    EXPECT_TRUE(accessor.ReadString("Empty", text));
    EXPECT_EQ("", text);
    EXPECT_TRUE(accessor.ReadString("Plain", text));
    EXPECT_EQ("Gaming", text);
    EXPECT_TRUE(accessor.ReadString("Multi", text));
    EXPECT_EQ("a", text);
    EXPECT_TRUE(accessor.ReadString("Expand", text));
    EXPECT_EQ("%TEMP%\\x.oc", text);
    EXPECT_TRUE(accessor.ReadString("Bare", text));
    EXPECT_EQ("hello", text);
    EXPECT_TRUE(accessor.ReadString("Long", text));
    EXPECT_EQ(longText, text);
    text = "kept";
    EXPECT_FALSE(accessor.ReadString("Missing", text));
    EXPECT_EQ("kept", text);
}

TEST_F(RegistryTest, CloseTwiceAndReopen) {
    SetDword("Number", 9);
    {
        RegAccessor accessor;
        ASSERT_TRUE(accessor.Open(HKEY_CURRENT_USER, base_, false));
        accessor.Close();
        EXPECT_FALSE(accessor.IsOpen());
        DWORD value = 0;
        EXPECT_FALSE(accessor.ReadDword("Number", value));
        accessor.Close();
        ASSERT_TRUE(accessor.Open(HKEY_CURRENT_USER, base_, true));
        EXPECT_TRUE(accessor.ReadDword("Number", value));
        EXPECT_EQ(9u, value);
        accessor.Close();
    } // destruction after Close
    RegReader reader;
    ASSERT_TRUE(reader.Open(HKEY_CURRENT_USER, base_));
    reader.Close();
    reader.Close();
    EXPECT_FALSE(reader.IsOpen());
    EXPECT_TRUE(reader.Open(HKEY_CURRENT_USER, base_));
}

} // namespace
