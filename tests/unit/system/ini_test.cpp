#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "TestSupport.h"
#include "system/IniAccess.h"

namespace {

using testsupport::TempFolder;
using testsupport::WriteTextFile;

std::string IniWithValue(const std::string& value) {
    return "[Translations]\r\nBefore=1\r\nKey=" + value + "\r\nAfter=2\r\n";
}

TEST(IniAccessor, OpenDoesNotNeedTheFileAndMissingFileGivesDefault) {
    TempFolder dir("ini_missing");
    IniAccessor ini;
    EXPECT_FALSE(ini.IsOpen());
    ASSERT_TRUE(ini.Open(dir.Path() + "nothere.ini"));
    EXPECT_TRUE(ini.IsOpen());
    EXPECT_EQ(IniAccessor::kInitialBufferSize, ini.BufferSize());
    std::string out = "x";
    ini.ReadString("Translations", "Key", "Error 737", out);
    EXPECT_EQ("Error 737", out);
    ini.ReadString("Translations", "Key", nullptr, out);
    EXPECT_EQ("", out);
    ini.Close();
    EXPECT_FALSE(ini.IsOpen());
    EXPECT_EQ(0u, ini.BufferSize());
    ini.Close(); // closing a closed accessor changes nothing
    EXPECT_FALSE(ini.IsOpen());
}

TEST(IniAccessor, MissingSectionOrKeyGivesDefault) {
    TempFolder dir("ini_keys");
    const std::string path = dir.Path() + "a.ini";
    ASSERT_TRUE(WriteTextFile(path, IniWithValue("Hallo")));
    IniAccessor ini;
    ASSERT_TRUE(ini.Open(path));
    std::string out;
    ini.ReadString("translations", "KEY", "d", out); // names match without case
    EXPECT_EQ("Hallo", out);
    ini.ReadString("Translations", "Nope", "d", out);
    EXPECT_EQ("d", out);
    ini.ReadString("Other", "Key", "d", out);
    EXPECT_EQ("d", out);
}

TEST(IniAccessor, BufferGrowsByDoublingUntilTheValueFits) {
    TempFolder dir("ini_grow");
    struct Case {
        size_t length;
        std::uint32_t bufferAfter;
    };
    // 126 + 1 < 128 fits at once; 127 + 1 does not, so 256 is needed.
    const Case cases[] = {{126, 128}, {127, 256}, {300, 512}, {1000, 1024}, {5000, 8192}};
    for (const Case& c : cases) {
        std::string value;
        for (size_t i = 0; i < c.length; ++i)
            value += static_cast<char>('a' + i % 26);
        const std::string path = dir.Path() + "v" + std::to_string(c.length) + ".ini";
        ASSERT_TRUE(WriteTextFile(path, IniWithValue(value)));
        IniAccessor ini;
        ASSERT_TRUE(ini.Open(path));
        std::string out;
        ini.ReadString("Translations", "Key", "Error 737", out);
        EXPECT_EQ(value, out) << c.length;
        EXPECT_EQ(c.bufferAfter, ini.BufferSize()) << c.length;
        // The grown buffer is kept for later reads.
        ini.ReadString("Translations", "After", "", out);
        EXPECT_EQ("2", out);
        EXPECT_EQ(c.bufferAfter, ini.BufferSize());
    }
}

TEST(IniAccessor, NameListsReserveTwoTerminators) {
    TempFolder dir("ini_list");
    const std::string path = dir.Path() + "l.ini";
    // The key list "Before\0Key\0After\0\0" is 18 bytes; a 126-byte first name
    // makes the list need more than 128 bytes.
    const std::string longName(126, 'n');
    ASSERT_TRUE(WriteTextFile(path, "[S]\r\n" + longName + "=1\r\nb=2\r\n"));
    IniAccessor ini;
    ASSERT_TRUE(ini.Open(path));
    std::string out;
    ini.ReadString("S", nullptr, "", out);
    EXPECT_EQ(longName, out); // the first name of the list, whole
    EXPECT_EQ(256u, ini.BufferSize());
}

TEST(IniAccessor, EditsAreSeenByTheNextAccessor) {
    TempFolder dir("ini_edit");
    const std::string path = dir.Path() + "e.ini";
    ASSERT_TRUE(WriteTextFile(path, IniWithValue("first")));
    std::string out;
    {
        IniAccessor ini;
        ASSERT_TRUE(ini.Open(path));
        ini.ReadString("Translations", "Key", "", out);
        EXPECT_EQ("first", out);
    }
    ASSERT_TRUE(WriteTextFile(path, IniWithValue("second")));
    IniAccessor ini;
    ASSERT_TRUE(ini.Open(path));
    ini.ReadString("Translations", "Key", "", out);
    EXPECT_EQ("second", out);
}

// A value longer than the cap comes back cut to the largest buffer instead
// of growing for ever.
TEST(IniAccessor, GrowthStopsAtTheCap) {
    TempFolder dir("ini_cap");
    const std::string path = dir.Path() + "big.ini";
    const std::string value(IniAccessor::kMaxBufferSize + 4096, 'z');
    ASSERT_TRUE(WriteTextFile(path, IniWithValue(value)));
    IniAccessor ini;
    ASSERT_TRUE(ini.Open(path));
    std::string out;
    ini.ReadString("Translations", "Key", "", out);
    EXPECT_EQ(IniAccessor::kMaxBufferSize, ini.BufferSize());
    ASSERT_FALSE(out.empty());
    EXPECT_LT(out.size(), static_cast<size_t>(IniAccessor::kMaxBufferSize));
    EXPECT_GE(out.size(), static_cast<size_t>(IniAccessor::kMaxBufferSize) - 2);
    EXPECT_EQ(std::string::npos, out.find_first_not_of('z'));
}

} // namespace
