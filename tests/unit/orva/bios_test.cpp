#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "BoxWatcher.h"
#include "TestSupport.h"
#include "orva/BiosInterface.h"
#include "orva/OvAcpi.h"

namespace {

using testsupport::FirmwareDatabase;

// Group 1: numbers of every shape; group 3: numbers with an on/off item
// among them; group 2: lists, including malformed ones.
const char kDatabase[] = "number 0x01000001 1 base=800 step=5 count=10 exp=-3\n"
                         "number 0x01000002 0 base=1000 step=100 count=10 exp=-3\n"
                         "number 0x01000003 2 base=150 step=25 count=10 exp=-2\n"
                         "number 0x01000004 0 base=7 step=3 count=4\n"
                         "number 0x01000005 0 base=100 step=10 count=16 exp=-1 extra=\"Auto\" e3=42\n"
                         "number 0x01000006 0 base=-1500 step=125 count=20 exp=-3\n"
                         "number 0x01000007 0 base=-50 step=5 count=20 exp=-2\n"
                         "number 0x01000008 0 base=-5 step=1 count=20 exp=-3\n"
                         "number 0x01010009 8 base=300000 step=2500 count=81\n"
                         "number 0x0102000A 0 base=1250 step=5 count=10\n"
                         "number 0x010C000B 0 base=900 step=10 count=10\n"
                         "number 0x0103000C 0 base=12345 step=1 count=10\n"
                         "number 0x0100000D 0 base=0 step=1 count=5\n"
                         "number 0x0100000E 0 base=15 step=1 count=5 exp=2\n"
                         "number 0x0100000F 0 base=5 step=5 count=50 exp=-2 extra=\"Off\" extra=\"Auto\"\n"
                         "number 0x03010011 8 name=\"CPU Clock\" base=300000 step=2500 count=81\n"
                         "switch 0x03070013 1 name=\"Spread Spectrum\" e3=5\n"
                         "number 0x03020012 0 base=1100 step=5 count=61 extra=\"Auto\"\n"
                         "list 0x02080001 1 text=\"Gaming\" text=\"Silent\" text=\"Office\"\n"
                         "list 0x02880002 0 text=\"Only\" e3=9\n"
                         "raw 0x02080003 0 0x02080003 \"short n\" 0 0 5 \"a\" \"b\"\n"
                         "raw 0x02080004 0 0x02080004 \"zero n\" 0 0 0 \"a\"\n"
                         "raw 0x02000005 0 0x02000005 \"no extras\" 0 0 0x00000064 5 3 1\n"
                         "raw 0x02000006 0 0x02000006 \"extras short\" 0 0 0x00000064 5 3 4 \"x\"\n"
                         "raw 0x02070007 0 0x02070007 \"no e3\" 0\n";

std::vector<std::unique_ptr<BiosItem>> ItemsOf(std::uint32_t group) {
    std::vector<std::unique_ptr<BiosItem>> items;
    BiosItemIterator it;
    if (!it.Open(group))
        return items;
    while (!it.IsDone() && items.size() < 100) {
        items.push_back(it.CreateItem());
        it.Next();
    }
    return items;
}

class BiosTest : public ::testing::Test {
protected:
    BiosTest() : db_(kDatabase) { AcpiInit(); }
    std::unique_ptr<BiosItem> Item(std::uint32_t id) {
        BiosItemIterator it;
        if (!it.Open(bios::GroupOf(id)))
            return nullptr;
        for (; !it.IsDone(); it.Next())
            if (it.CurrentId() == id)
                return it.CreateItem();
        return nullptr;
    }
    FirmwareDatabase db_;
};

TEST_F(BiosTest, IteratorWalksTheGroupInOrder) {
    BiosItemIterator it;
    ASSERT_TRUE(it.Open(3));
    EXPECT_TRUE(it.IsOpen());
    std::vector<std::uint32_t> ids;
    while (!it.IsDone() && ids.size() < 10) {
        ids.push_back(it.CurrentId());
        it.Next();
    }
    EXPECT_EQ((std::vector<std::uint32_t>{0x03010011, 0x03070013, 0x03020012}), ids);
    it.Close();
    EXPECT_FALSE(it.IsOpen());
    EXPECT_TRUE(it.Open(1)); // reusable after Close
}

TEST_F(BiosTest, GroupThatCannotBeListed) {
    BiosGroupList list;
    EXPECT_FALSE(list.Open(0x42));
    EXPECT_TRUE(list.IsOpen()); // the buffer stays
    EXPECT_TRUE(list.IsDone());
    list.Close();
    EXPECT_FALSE(list.IsOpen());
    EXPECT_TRUE(list.Open(3));
    EXPECT_FALSE(list.IsDone());

    BiosItemIterator it;
    EXPECT_FALSE(it.Open(0x42));
    EXPECT_FALSE(it.IsOpen());
    EXPECT_TRUE(ItemsOf(0x42).empty());
    EXPECT_FALSE(ItemExists(0x42000001));
}

TEST_F(BiosTest, ItemExists) {
    EXPECT_TRUE(ItemExists(0x03010011));
    EXPECT_TRUE(ItemExists(0x03020012));
    EXPECT_TRUE(ItemExists(0x02080004));
    EXPECT_FALSE(ItemExists(0x03010099));
    EXPECT_FALSE(ItemExists(0x04010011));
}

TEST_F(BiosTest, ReadAndWriteSingleItems) {
    std::int32_t value = -1;
    ASSERT_TRUE(ReadItem(0x03010011, value));
    EXPECT_EQ(8, value);
    EXPECT_TRUE(WriteItem(0x03010011, 12));
    LONG again = 0;
    ASSERT_TRUE(ReadItem(0x03010011, again));
    EXPECT_EQ(12, again);
    EXPECT_FALSE(WriteItem(0x03010011, 81)); // beyond the item's values
    EXPECT_FALSE(ReadItem(0x03010099, value));
    EXPECT_FALSE(WriteItem(0x03010099, 1));

    auto clock = Item(0x03010011);
    ASSERT_TRUE(clock);
    std::int32_t index = 0;
    ASSERT_TRUE(clock->ReadIndex(index));
    EXPECT_EQ(12, index);
    double mhz = 0;
    ASSERT_TRUE(clock->GetValue(mhz));
    EXPECT_DOUBLE_EQ(3300.0, mhz);
}

TEST_F(BiosTest, ClassesFollowTheKind) {
    auto items = ItemsOf(3);
    ASSERT_EQ(3u, items.size());
    EXPECT_NE(nullptr, dynamic_cast<BiosNumberItem*>(items[0].get()));
    EXPECT_NE(nullptr, dynamic_cast<BiosBooleanItem*>(items[1].get()));
    EXPECT_NE(nullptr, dynamic_cast<BiosNumberItem*>(items[2].get()));
    EXPECT_EQ(0x03070013u, items[1]->Id());
    EXPECT_EQ(5, items[1]->Element3());
    EXPECT_EQ(0u, items[1]->Count());

    auto lists = ItemsOf(2);
    ASSERT_EQ(7u, lists.size());
    EXPECT_NE(nullptr, dynamic_cast<BiosStringItem*>(lists[0].get()));
    EXPECT_FALSE(lists[0]->IsClass8());
    EXPECT_TRUE(lists[1]->IsClass8());
    EXPECT_EQ(9, lists[1]->Element3());
    EXPECT_NE(nullptr, dynamic_cast<BiosNumberItem*>(lists[4].get()));
    EXPECT_NE(nullptr, dynamic_cast<BiosBooleanItem*>(lists[6].get()));
}

// What an item's indexes read as: decimals, signs, extra texts before the
// values, the kind's shift of the decimals and positive exponents.
TEST_F(BiosTest, IndexesReadAsTextsValuesAndFractions) {
    const struct {
        std::uint32_t id;
        std::uint32_t index;
        const char* text;
    } texts[] = {
        {0x01000001, 0, "0.800"},  {0x01000001, 1, "0.805"},  {0x01000002, 0, "1.0"},
        {0x01000002, 1, "1.1"},    {0x01000003, 0, "1.50"},   {0x01000003, 1, "1.75"},
        {0x01000003, 2, "2.00"},                          // exponent byte 0xFE
        {0x01000005, 0, "Auto"},   {0x01000005, 1, "10"}, // 100 x 10^-1, both end in a zero
        {0x01000005, 2, "11"},     {0x0100000F, 0, "Off"},    {0x0100000F, 1, "Auto"},
        {0x0100000F, 2, "0.05"},   {0x0100000F, 3, "0.10"},   {0x01000006, 0, "-1.500"},
        {0x01000006, 1, "-1.375"}, {0x01000006, 12, "0.000"}, {0x01000006, 13, "0.125"},
        {0x01000007, 0, "-0.50"}, // above -1: sign, zero, point, decimals
        {0x01000008, 0, "-0.005"}, {0x01000008, 5, "0.000"},  {0x01000008, 6, "0.001"},
        {0x01010009, 8, "3200"}, // hundredths, both words end in two zeros
        {0x0102000A, 0, "1.250"},  {0x0102000A, 1, "1.255"},  {0x010C000B, 0, "0.90"},
        {0x010C000B, 1, "0.91"},   {0x0103000C, 0, "1.2345"}, {0x0100000D, 0, "0"},
        {0x0100000D, 4, "4"}, // zero without decimals has no point
    };
    for (const auto& row : texts) {
        auto item = Item(row.id);
        ASSERT_TRUE(item) << std::hex << row.id;
        EXPECT_EQ(row.text, item->IndexToString(row.index)) << std::hex << row.id << " index " << std::dec << row.index;
    }
    const struct {
        std::uint32_t id;
        std::uint32_t index;
        std::int32_t num, den;
    } fractions[] = {
        {0x01000001, 1, 805, 1000},   {0x01000003, 2, 200, 100}, {0x01000005, 1, 100, 10},
        {0x01010009, 8, 320000, 100}, {0x0100000E, 1, 1600, 1}, // a positive exponent multiplies
    };
    for (const auto& row : fractions) {
        auto item = Item(row.id);
        ASSERT_TRUE(item) << std::hex << row.id;
        std::int32_t num = 0, den = 0;
        ASSERT_TRUE(item->IndexToRational(row.index, num, den)) << std::hex << row.id;
        EXPECT_EQ(row.num, num) << std::hex << row.id;
        EXPECT_EQ(row.den, den) << std::hex << row.id;
    }
    const struct {
        std::uint32_t id;
        std::uint32_t index;
        double value;
    } values[] = {{0x01000003, 2, 2.0}, {0x01000007, 0, -0.5}, {0x01010009, 8, 3200.0}};
    for (const auto& row : values) {
        auto item = Item(row.id);
        ASSERT_TRUE(item) << std::hex << row.id;
        EXPECT_DOUBLE_EQ(row.value, static_cast<double>(item->IndexToValue(row.index))) << std::hex << row.id;
    }
    // Extra texts come first and count among the indexes.
    auto extras = Item(0x01000005);
    ASSERT_TRUE(extras);
    EXPECT_EQ(17u, extras->Count());
    EXPECT_EQ(42, extras->Element3());
    auto two = Item(0x0100000F);
    ASSERT_TRUE(two);
    EXPECT_EQ(52u, two->Count());
}

TEST_F(BiosTest, DescriptionEndingAfterTheValueCountHasNoExtras) {
    auto item = Item(0x01000004);
    ASSERT_TRUE(item);
    EXPECT_EQ(4u, item->Count());
    EXPECT_EQ("7", item->IndexToString(0));
    EXPECT_EQ("16", item->IndexToString(3));
    EXPECT_DOUBLE_EQ(7.0, static_cast<double>(item->IndexToValue(0)));
    auto* number = dynamic_cast<BiosNumberItem*>(item.get());
    ASSERT_NE(nullptr, number);
    EXPECT_EQ(0u, number->ExtraCount());
}

TEST_F(BiosTest, ExtraTextIndexHasNoValue) {
    auto item = Item(0x01000005);
    ASSERT_TRUE(item);
    BoxWatcher boxes;
    std::int32_t num = 12345, den = 678;
    EXPECT_FALSE(item->IndexToRational(0, num, den));
    EXPECT_EQ(12345, num); // not written
    EXPECT_EQ(678, den);
    EXPECT_EQ(0.0L, item->IndexToValue(0));
    const std::vector<SeenBox> seen = boxes.Boxes();
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("IndexToRational Fail", seen[0].caption);
    EXPECT_EQ("Can not convert extra string to value", seen[0].text);
    EXPECT_EQ("IndexToValue Fail", seen[1].caption);
    EXPECT_EQ("Can not convert extra string to value", seen[1].text);
}

// A tuning step taken below the first value arrives as its 32-bit pattern;
// the conversion continues the line downwards instead of wrapping.
TEST_F(BiosTest, StepBelowTheFirstValueContinuesTheLine) {
    auto clock = Item(0x03010011);
    ASSERT_TRUE(clock);
    EXPECT_DOUBLE_EQ(3000.0, static_cast<double>(clock->IndexToValue(0)));
    EXPECT_DOUBLE_EQ(2975.0, static_cast<double>(clock->IndexToValue(static_cast<std::uint32_t>(-1))));
    EXPECT_DOUBLE_EQ(2950.0, static_cast<double>(clock->IndexToValue(static_cast<std::uint32_t>(-2))));
}

TEST_F(BiosTest, SwitchInANumericGroupConvertsNothing) {
    auto item = Item(0x03070013);
    ASSERT_TRUE(item);
    ASSERT_NE(nullptr, dynamic_cast<BiosBooleanItem*>(item.get()));
    BoxWatcher boxes;
    std::int32_t num = 3, den = 4;
    EXPECT_FALSE(item->IndexToRational(0, num, den));
    EXPECT_EQ(3, num);
    EXPECT_EQ(4, den);
    EXPECT_EQ(0.0L, item->IndexToValue(1));
    EXPECT_EQ("", item->IndexToString(1));
    const std::vector<SeenBox> seen = boxes.Boxes();
    ASSERT_EQ(3u, seen.size());
    for (const SeenBox& box : seen)
        EXPECT_EQ("BiosItem", box.caption);
    EXPECT_EQ("Item[3070013] does not supports IndexToRational", seen[0].text);
    EXPECT_EQ("Item[3070013] does not supports IndexToValue", seen[1].text);
    EXPECT_EQ("Item[3070013] does not supports IndexToString", seen[2].text);
}

TEST_F(BiosTest, ListTextsAndNumbersOfAList) {
    auto item = Item(0x02080001);
    ASSERT_TRUE(item);
    EXPECT_EQ(3u, item->Count());
    EXPECT_EQ("Gaming", item->IndexToString(0));
    EXPECT_EQ("Office", item->IndexToString(2));
    {
        BoxWatcher boxes;
        EXPECT_EQ("", item->IndexToString(3));  // out of range: empty, no box
        EXPECT_EQ(0.0L, item->IndexToValue(0)); // lists have no values
        const std::vector<SeenBox> seen = boxes.Boxes();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ("Item[2080001] does not supports IndexToValue", seen[0].text);
    }
}

TEST_F(BiosTest, ListThatPromisesMoreTextsThanItHolds) {
    auto item = Item(0x02080003);
    ASSERT_TRUE(item);
    auto* list = dynamic_cast<BiosStringItem*>(item.get());
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(5u, list->ClaimedCount());
    EXPECT_EQ(0u, item->Count()); // the parse failed before storing any
    EXPECT_EQ("", item->IndexToString(0));

    auto zero = Item(0x02080004);
    ASSERT_TRUE(zero);
    EXPECT_EQ(0u, zero->Count());
}

TEST_F(BiosTest, MalformedNumbersKeepWhatTheyRead) {
    auto plain = Item(0x02000005);
    ASSERT_TRUE(plain);
    EXPECT_EQ(3u, plain->Count()); // e7 alone is not a valid extra-text count
    EXPECT_EQ("100", plain->IndexToString(0));
    auto shortExtras = Item(0x02000006);
    ASSERT_TRUE(shortExtras);
    EXPECT_EQ(3u, shortExtras->Count()); // 4 extras promised, 1 present
    EXPECT_EQ("100", shortExtras->IndexToString(0));

    auto noE3 = Item(0x02070007); // three elements: no e3 to need
    ASSERT_TRUE(noE3);
    EXPECT_EQ(0x02070007u, noE3->Id());
    EXPECT_EQ(0, noE3->Element3());
}

TEST_F(BiosTest, LoadChecksTheHeader) {
    BiosNumberItem empty;
    EXPECT_FALSE(empty.Load(nullptr, 0));
    EXPECT_EQ(0u, empty.Id());
    EXPECT_EQ(0u, empty.Count());

    unsigned char junk[64];
    for (unsigned i = 0; i < sizeof junk; ++i)
        junk[i] = static_cast<unsigned char>(0xA5 ^ i);
    BiosStringItem noise;
    EXPECT_FALSE(noise.Load(junk, sizeof junk));
    EXPECT_EQ(0u, noise.Count());
}

// Damaged descriptions from the library: the item stays inside its copy.
class BiosDamageTest : public ::testing::Test {
protected:
    std::unique_ptr<BiosItem> Only(const std::string& db, std::uint32_t id) {
        FirmwareDatabase file(db);
        AcpiInit();
        BiosItemIterator it;
        if (!it.Open(bios::GroupOf(id)))
            return nullptr;
        for (; !it.IsDone(); it.Next())
            if (it.CurrentId() == id)
                return it.CreateItem();
        return nullptr;
    }
};

TEST_F(BiosDamageTest, CountClaimingMoreElementsThanPresent) {
    auto item = Only("raw 0x02080003 0 0x02080003 \"n\" 0 0 4 \"a\" \"b\"\n"
                     "fault count-overflow 0x02080003\n",
                     0x02080003);
    ASSERT_TRUE(item);
    auto* list = dynamic_cast<BiosStringItem*>(item.get());
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(4u, list->ClaimedCount());
    ASSERT_GE(item->Count(), 2u);
    EXPECT_LT(item->Count(), 4u);
    EXPECT_EQ("a", item->IndexToString(0));
    EXPECT_EQ("b", item->IndexToString(1));
    for (std::uint32_t i = 0; i < item->Count(); ++i)
        EXPECT_LT(item->IndexToString(i).size(), 4096u);
}

TEST_F(BiosDamageTest, TextWithoutTerminator) {
    auto item = Only("list 0x02080001 0 text=\"Gaming\" text=\"Silent\"\n"
                     "fault unterminated-text 0x02080001\n",
                     0x02080001);
    ASSERT_TRUE(item);
    ASSERT_EQ(2u, item->Count());
    EXPECT_EQ("Gaming", item->IndexToString(0));
    const std::string last = item->IndexToString(1);
    EXPECT_EQ(0u, last.find("Silent"));
    EXPECT_LE(last.size(), static_cast<size_t>(orva::kAcpiBufferSize));
}

TEST_F(BiosDamageTest, ShortDescriptionGivesAPartItem) {
    auto item = Only("number 0x01010009 8 base=300000 step=2500 count=81\n"
                     "fault short-package\n",
                     0x01010009);
    // The iterator could still read the id, so the class is chosen, but
    // the item holds too few elements to be parsed.
    ASSERT_TRUE(item);
    EXPECT_NE(nullptr, dynamic_cast<BiosNumberItem*>(item.get()));
    EXPECT_EQ(0u, item->Id());
    EXPECT_EQ(0u, item->Count());
}

TEST_F(BiosDamageTest, GroupListClaimingMoreEntriesEnds) {
    FirmwareDatabase file("number 0x01000001 0 base=1 step=1 count=3\n"
                          "number 0x01000002 0 base=1 step=1 count=3\n"
                          "fault count-overflow\n");
    AcpiInit();
    BiosItemIterator it;
    ASSERT_TRUE(it.Open(1));
    std::set<std::uint32_t> ids;
    unsigned steps = 0;
    while (!it.IsDone() && steps < 100) {
        ids.insert(it.CurrentId());
        it.Next();
        ++steps;
    }
    EXPECT_TRUE(it.IsDone());
    EXPECT_EQ((std::set<std::uint32_t>{0x01000001, 0x01000002}), ids);
    EXPECT_TRUE(ItemExists(0x01000002));
    EXPECT_FALSE(ItemExists(0x01000003));
}

TEST_F(BiosDamageTest, LibraryFailingEverything) {
    FirmwareDatabase file("number 0x01000001 0 base=1 step=1 count=3\nfault fail-all\n");
    AcpiInit();
    BiosItemIterator it;
    EXPECT_FALSE(it.Open(1));
    std::int32_t value = 0;
    EXPECT_FALSE(ReadItem(0x01000001, value));
    EXPECT_FALSE(WriteItem(0x01000001, 1));
    EXPECT_FALSE(ItemExists(0x01000001));
}

} // namespace
