// The overclocking stand-in's reading of ".oc" profile images: the header
// checks and the bounds of the record scan.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ApexProfiles.h"

namespace {

std::vector<unsigned char> Image(DWORD version, DWORD count, const std::vector<DWORD>& recordWords) {
    std::vector<DWORD> words = {0x12345678, version, count};
    words.insert(words.end(), recordWords.begin(), recordWords.end());
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(words.data());
    return std::vector<unsigned char>(bytes, bytes + words.size() * 4);
}

TEST(ProfileFile, FindsTheClockAmongOtherSettings) {
    auto image = Image(1, 3, {0x03020012, 4, 0x03010011, 27, 0x03010011, 99});
    DWORD value = 0;
    std::string problem;
    ASSERT_TRUE(apex::ParseProfileClock(image.data(), image.size(), value, problem));
    EXPECT_EQ(27u, value);
}

TEST(ProfileFile, VersionZeroIsReadAndVersionTwoIsNot) {
    DWORD value = 0;
    std::string problem;
    auto zero = Image(0, 1, {0x03010011, 5});
    EXPECT_TRUE(apex::ParseProfileClock(zero.data(), zero.size(), value, problem));
    EXPECT_EQ(5u, value);
    auto two = Image(2, 1, {0x03010011, 6});
    EXPECT_FALSE(apex::ParseProfileClock(two.data(), two.size(), value, problem));
    EXPECT_EQ("format version 2 is not supported", problem);
}

TEST(ProfileFile, ScansOnlyTheCompleteRecordsPresent) {
    DWORD value = 0;
    std::string problem;
    // Five claimed, three present: the third is found.
    auto three = Image(1, 5, {1, 1, 2, 2, 0x03010011, 33});
    ASSERT_TRUE(apex::ParseProfileClock(three.data(), three.size(), value, problem));
    EXPECT_EQ(33u, value);
    // The clock's id without its value is not a record.
    auto cut = Image(1, 2, {1, 1, 0x03010011});
    EXPECT_FALSE(apex::ParseProfileClock(cut.data(), cut.size(), value, problem));
    // A claimed count below the records present bounds the scan.
    auto fewer = Image(1, 1, {1, 1, 0x03010011, 7});
    EXPECT_FALSE(apex::ParseProfileClock(fewer.data(), fewer.size(), value, problem));
    EXPECT_EQ("has no clock setting", problem);
}

TEST(ProfileFile, RejectsCountsWhoseRecordAreaOverflowsAndEmptyHeaders) {
    DWORD value = 0;
    std::string problem;
    auto huge = Image(1, 0x20000000, {0x03010011, 8});
    EXPECT_FALSE(apex::ParseProfileClock(huge.data(), huge.size(), value, problem));
    EXPECT_EQ("record count 536870912 is impossible", problem);
    // The largest count that still fits is read like any other.
    auto large = Image(1, 0x1FFFFFFF, {0x03010011, 8});
    EXPECT_TRUE(apex::ParseProfileClock(large.data(), large.size(), value, problem));
    auto none = Image(1, 0, {0x03010011, 8});
    EXPECT_FALSE(apex::ParseProfileClock(none.data(), none.size(), value, problem));
    auto header = Image(1, 1, {});
    EXPECT_FALSE(apex::ParseProfileClock(header.data(), 11, value, problem));
    EXPECT_EQ("shorter than its header", problem);
    EXPECT_FALSE(apex::ParseProfileClock(nullptr, 0, value, problem));
}

} // namespace
