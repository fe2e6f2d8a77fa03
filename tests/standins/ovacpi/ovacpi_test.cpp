// The firmware simulator (OVACPI.DLL stand-in), driven through the same
// ordinal imports as the program, with a private database per test.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "AcpiDatabase.h"
#include "TestSupport.h"
#include "win32/ModulePath.h"
#include "orva/OvAcpi.h"

namespace {

constexpr DWORD kBuf = orva::kAcpiBufferSize;
constexpr DWORD kEndOfRecord = 0xFFFFFFFFu;

using testsupport::FirmwareDatabase;
using testsupport::ReadTextFile;

// AcpiTool.exe from beside this test, with its output in files.
class Tool {
public:
    bool Start(const std::string& args) {
        return process_.Start("\"" + win32::ModuleFolder() + "AcpiTool.exe\" " + args, std::string(), {}, Out(), Err());
    }

    bool Running() const { return process_.Running(); }

    // Generous: process start under Wine on a busy machine is slow.
    bool Finish(DWORD* exitCode, std::string* out = nullptr, std::string* err = nullptr) {
        if (!process_.Wait(120000))
            return false;
        *exitCode = process_.ExitCode();
        if (out)
            *out = ReadTextFile(Out());
        if (err)
            *err = ReadTextFile(Err());
        return true;
    }

private:
    std::string Out() const { return folder_.Path() + "out.txt"; }
    std::string Err() const { return folder_.Path() + "err.txt"; }

    testsupport::TempFolder folder_{"acpitool"};
    testsupport::ChildProcess process_;
};

DWORD RunTool(const std::string& args, std::string* out = nullptr, std::string* err = nullptr) {
    Tool p;
    DWORD code = 0xDEAD;
    if (!p.Start(args) || !p.Finish(&code, out, err))
        return 0xDEAD;
    return code;
}

// Element access for tests: every read is checked against the end of the
// buffer the package was given.
struct View {
    unsigned char* begin = nullptr;
    unsigned char* end = nullptr;

    bool Inside(const void* p, size_t n) const {
        const auto* c = static_cast<const unsigned char*>(p);
        return c >= begin && c <= end && static_cast<size_t>(end - c) >= n;
    }
    void* At(DWORD index) const {
        void* e = AcpiFirstElement(begin);
        for (DWORD i = 0; i < index && e != nullptr; ++i)
            e = AcpiNextElement(e);
        return e;
    }
    DWORD Int(DWORD index) const {
        void* data = AcpiElementData(At(index));
        DWORD v = 0xBADBAD;
        if (data != nullptr && Inside(data, 4))
            std::memcpy(&v, data, 4);
        return v;
    }
    std::string Text(DWORD index) const {
        void* data = AcpiElementData(At(index));
        if (data == nullptr || !Inside(data, 0))
            return "<outside>";
        const char* s = static_cast<const char*>(data);
        const char* stop = std::find(s, reinterpret_cast<const char*>(end), '\0');
        if (stop == reinterpret_cast<const char*>(end))
            return "<unterminated>";
        return std::string(s, stop);
    }
};

struct Package {
    std::vector<unsigned char> bytes = std::vector<unsigned char>(kBuf, 0xAB);
    DWORD size = kBuf;
    DWORD result = 0;
    View view() { return View{bytes.data(), bytes.data() + size}; }
};

Package ListGroup(DWORD group) {
    Package p;
    p.result = AcpiListGroup(group, p.bytes.data(), &p.size);
    return p;
}

Package Describe(DWORD id) {
    Package p;
    DWORD entry = id;
    p.result = AcpiDescribeItem(&entry, p.bytes.data(), &p.size);
    return p;
}

Package Query(DWORD id, DWORD index) {
    Package p;
    p.result = AcpiQueryItem(id, index, p.bytes.data(), &p.size);
    return p;
}

DWORD Word(const Package& p, DWORD index) {
    DWORD v = 0;
    std::memcpy(&v, p.bytes.data() + index * 4, 4);
    return v;
}

LONG Get(DWORD id, bool* ok = nullptr) {
    LONG v = -12345;
    const DWORD r = AcpiGetItem(id, &v);
    if (ok)
        *ok = (r & 1) != 0;
    return v;
}

bool Set(DWORD id, LONG value) { return (AcpiSetItem(id, value, 1) & 1) != 0; }

const char* const kBoard =
    "# test board\n"
    "number 0x03010011 8 name=\"CPU Clock\" base=300000 step=2500 count=81\n"
    "number 0x0300001A 1 name=\"Ratio\" base=-100 step=25 exp=-2 count=16 extra=\"Auto\" extra=\"Off\"\n"
    "switch 0x03070013 1 name=\"Spread\" e3=5\n"
    "list 0x05080002 0 name=\"OC Profiles\" text=\"Gaming\" text=\"Silent\"\n"
    "record 0x05080002 0 0x03010011=32 0x03020012=21\n"
    "record 0x05080002 1 0x03010011=8\n"
    "number 0x0B000001 0x8000 base=0 step=1 count=3 accept=0,1,2,0x4000,0x8000\n"
    "raw 0x0C000001 7 0x0C000001 \"odd\"\n"
    "number 0x11060008 0 base=0 step=1 count=5 accept=0,1,2,4   # trailing comment\n";

// ---------------------------------------------------------------- walking

TEST(OvAcpiWalk, GroupListHoldsTheGroupsItemsInFileOrder) {
    FirmwareDatabase db(kBoard);
    EXPECT_EQ(1u, AcpiInit() & 1);
    Package g = ListGroup(3);
    ASSERT_NE(0u, g.result);
    ASSERT_EQ(3u, AcpiElementCount(g.bytes.data()));
    const View v = g.view();
    EXPECT_EQ(0x03010011u, v.Int(0));
    EXPECT_EQ(0x0300001Au, v.Int(1));
    EXPECT_EQ(0x03070013u, v.Int(2));
    // Each entry's data is what AcpiDescribeItem takes.
    Package d;
    ASSERT_NE(0u, AcpiDescribeItem(AcpiElementData(v.At(1)), d.bytes.data(), &d.size));
    EXPECT_EQ(0x0300001Au, d.view().Int(0));

    EXPECT_EQ(1u, AcpiElementCount(ListGroup(0x11).bytes.data()));
    EXPECT_EQ(0u, ListGroup(0x22).result) << "a group without items cannot be listed";
    EXPECT_EQ(0u, ListGroup(0x103).result);
}

TEST(OvAcpiWalk, DescriptionsFollowTheItemLayouts) {
    FirmwareDatabase db(kBoard);
    {
        Package p = Describe(0x0300001A); // numeric with extra texts
        ASSERT_NE(0u, p.result);
        ASSERT_EQ(10u, AcpiElementCount(p.bytes.data()));
        const View v = p.view();
        EXPECT_EQ(0x0300001Au, v.Int(0));
        EXPECT_EQ("Ratio", v.Text(1));
        EXPECT_EQ(0xFEFFFF9Cu, v.Int(4)) << "exponent -2 in bits 24-31, base -100 in bits 0-23";
        EXPECT_EQ(25u, v.Int(5) & 0xFFFFFFu);
        EXPECT_EQ(16u, v.Int(6));
        EXPECT_EQ(2u, v.Int(7));
        EXPECT_EQ("Auto", v.Text(8));
        EXPECT_EQ("Off", v.Text(9));
    }
    {
        Package p = Describe(0x03010011); // numeric without extra texts ends after e6
        ASSERT_NE(0u, p.result);
        ASSERT_EQ(7u, AcpiElementCount(p.bytes.data()));
        EXPECT_EQ(300000u, p.view().Int(4));
        EXPECT_EQ(2500u, p.view().Int(5));
        EXPECT_EQ(81u, p.view().Int(6));
    }
    {
        Package p = Describe(0x05080002);
        ASSERT_EQ(7u, AcpiElementCount(p.bytes.data()));
        EXPECT_EQ(2u, p.view().Int(4));
        EXPECT_EQ("Gaming", p.view().Text(5));
        EXPECT_EQ("Silent", p.view().Text(6));
    }
    {
        Package p = Describe(0x03070013);
        ASSERT_EQ(4u, AcpiElementCount(p.bytes.data()));
        EXPECT_EQ(5u, p.view().Int(3));
    }
    {
        Package p = Describe(0x0C000001); // raw: exactly what the line says
        ASSERT_EQ(2u, AcpiElementCount(p.bytes.data()));
        EXPECT_EQ(0x0C000001u, p.view().Int(0));
        EXPECT_EQ("odd", p.view().Text(1));
    }
    EXPECT_EQ(0u, Describe(0x0C000002).result);
    Package none;
    EXPECT_EQ(0u, AcpiDescribeItem(nullptr, none.bytes.data(), &none.size));
}

TEST(OvAcpiWalk, WalkingPastTheLastElementStaysInsideThePackage) {
    FirmwareDatabase db(kBoard);
    Package p = Describe(0x05080002);
    ASSERT_NE(0u, p.result);
    const View v = p.view();
    void* last = v.At(7); // the end element after e0..e6
    for (DWORD i = 8; i < 20; ++i) {
        void* e = v.At(i);
        EXPECT_EQ(last, e);
        EXPECT_TRUE(v.Inside(AcpiElementData(e), 4));
    }
    EXPECT_EQ(0u, v.Int(12));
    EXPECT_EQ("", v.Text(12));
    // Null and foreign pointers get null and 0, never a crash.
    EXPECT_EQ(nullptr, AcpiFirstElement(nullptr));
    EXPECT_EQ(nullptr, AcpiNextElement(nullptr));
    EXPECT_EQ(nullptr, AcpiElementData(nullptr));
    EXPECT_EQ(0u, AcpiElementCount(nullptr));
    std::vector<unsigned char> junk(kBuf, 0x5A);
    EXPECT_EQ(0u, AcpiElementCount(junk.data()));
    EXPECT_EQ(nullptr, AcpiFirstElement(junk.data()));
    EXPECT_EQ(nullptr, AcpiNextElement(junk.data() + 64));
    EXPECT_EQ(nullptr, AcpiElementData(junk.data() + 64));
}

TEST(OvAcpiWalk, ByteCopyAtAnotherAddressStaysWalkable) {
    FirmwareDatabase db(kBoard);
    for (DWORD id : {0x0300001Au, 0x05080002u}) {
        Package original = Describe(id);
        ASSERT_NE(0u, original.result);
        const DWORD count = AcpiElementCount(original.bytes.data());
        std::vector<DWORD> ints;
        std::vector<std::string> texts;
        for (DWORD i = 0; i < count; ++i) {
            ints.push_back(original.view().Int(i));
            texts.push_back(original.view().Text(i));
        }
        for (size_t offset : {size_t{4}, size_t{1}, size_t{1000}}) {
            std::vector<unsigned char> copy(offset + original.size + 16, 0);
            std::memcpy(copy.data() + offset, original.bytes.data(), original.size);
            // The copy must not lean on the original in any way.
            std::vector<unsigned char> saved = original.bytes;
            std::fill(original.bytes.begin(), original.bytes.end(), 0xCC);
            const View v{copy.data() + offset, copy.data() + offset + original.size};
            ASSERT_EQ(count, AcpiElementCount(v.begin));
            for (DWORD i = 0; i < count; ++i) {
                void* e = v.At(i);
                ASSERT_TRUE(v.Inside(e, 0)) << "element " << i << " at offset " << offset;
                EXPECT_EQ(ints[i], v.Int(i));
                EXPECT_EQ(texts[i], v.Text(i));
            }
            original.bytes = saved;
        }
    }
}

// ----------------------------------------------------------------- bounds

TEST(OvAcpiBounds, BufferTooSmallFailsAndWritesNothing) {
    FirmwareDatabase db(kBoard);
    struct Call {
        const char* what;
        DWORD (*call)(void* buffer, DWORD* size);
    };
    const Call calls[] = {
        {"list", [](void* b, DWORD* s) { return AcpiListGroup(3, b, s); }},
        {"describe",
         [](void* b, DWORD* s) {
             DWORD id = 0x0300001A;
             return AcpiDescribeItem(&id, b, s);
         }},
        {"query", [](void* b, DWORD* s) { return AcpiQueryItem(0x05080002, 0, b, s) & 1; }},
    };
    for (const Call& c : calls) {
        std::vector<unsigned char> full(kBuf, 0);
        DWORD needed = kBuf;
        ASSERT_NE(0u, c.call(full.data(), &needed)) << c.what;
        ASSERT_GT(needed, 0u);
        ASSERT_LE(needed, kBuf);
        for (DWORD size : {needed - 1, DWORD{4}, DWORD{0}}) {
            std::vector<unsigned char> guard(kBuf, 0xAB);
            DWORD s = size;
            EXPECT_EQ(0u, c.call(guard.data(), &s)) << c.what << " with " << size << " bytes";
            EXPECT_EQ(needed, s) << c.what << ": the size it would take";
            EXPECT_TRUE(std::all_of(guard.begin(), guard.end(), [](unsigned char b) { return b == 0xAB; }))
                << c.what << " wrote into a buffer it refused";
        }
        std::vector<unsigned char> exact(kBuf, 0xAB);
        DWORD s = needed;
        EXPECT_NE(0u, c.call(exact.data(), &s)) << c.what << " with exactly enough room";
        EXPECT_EQ(needed, s);
        EXPECT_TRUE(std::all_of(exact.begin() + needed, exact.end(), [](unsigned char b) { return b == 0xAB; }));
        EXPECT_EQ(0u, c.call(nullptr, &s)) << c.what;
        EXPECT_EQ(0u, c.call(exact.data(), nullptr)) << c.what;
    }
}

TEST(OvAcpiBounds, DescriptionLargerThanTheBufferIsRefused) {
    // 200 texts of 30 characters do not fit in 4096 bytes.
    std::string line = "list 0x05080003 0";
    for (int i = 0; i < 200; ++i)
        line += " text=\"profile-number-" + std::to_string(1000000 + i) + "-xxxx\"";
    FirmwareDatabase db(line + "\nswitch 0x05070004 0\n");
    EXPECT_EQ(0u, Describe(0x05080003).result);
    bool ok = false;
    Get(0x05080003, &ok);
    EXPECT_FALSE(ok) << "the oversized item is skipped as a whole";
    EXPECT_NE(0u, Describe(0x05070004).result);
}

// ----------------------------------------------------------------- values

TEST(OvAcpiValues, GetAndSetKeepToEachItemsRange) {
    FirmwareDatabase db(kBoard);
    bool ok = false;
    EXPECT_EQ(8, Get(0x03010011, &ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ(0x8000, Get(0x0B000001));

    struct Case {
        DWORD id;
        LONG value;
        bool accepted;
    };
    const Case cases[] = {
        {0x03010011, 80, true}, {0x03010011, 81, false},    {0x03010011, -1, false},
        {0x0300001A, 17, true}, {0x0300001A, 18, false}, // 2 extra texts + 16 values
        {0x03070013, 0, true},  {0x03070013, 2, false},     {0x05080002, 1, true},
        {0x05080002, 2, false}, {0x0B000001, 0x4000, true}, {0x0B000001, 3, false},  // only the listed raw values
        {0x11060008, 4, true},  {0x11060008, 3, false},     {0x0C000001, -77, true}, // raw items take anything
        {0x0D000001, 0, false},                                                      // no such item
    };
    for (const Case& c : cases) {
        bool before = false;
        const LONG old = Get(c.id, &before);
        const std::string text = db.Text();
        EXPECT_EQ(c.accepted, Set(c.id, c.value)) << std::hex << c.id << " <- " << std::dec << c.value;
        if (c.accepted) {
            EXPECT_EQ(c.value, Get(c.id));
        } else {
            bool after = false;
            EXPECT_EQ(old, Get(c.id, &after));
            EXPECT_EQ(before, after);
            EXPECT_EQ(text, db.Text()) << "a refused value must not touch the file";
        }
    }
    EXPECT_EQ(0u, AcpiGetItem(0x03010011, nullptr));
}

TEST(OvAcpiValues, SetChangesOnlyTheValueInTheFile) {
    const std::string text = std::string("# keep me\r\n") +
                             "number 0x0B000001   0x8000  base=0 step=1 count=3 accept=1,2,0x4000,0x8000  # mode\r\n" +
                             "number 0x03010011 8 base=300000 step=2500 count=81\r\n";
    FirmwareDatabase db(text);
    ASSERT_TRUE(Set(0x0B000001, 0x4000));
    ASSERT_TRUE(Set(0x03010011, 12));
    EXPECT_EQ(std::string("# keep me\r\n") +
                  "number 0x0B000001   0x4000  base=0 step=1 count=3 accept=1,2,0x4000,0x8000  # mode\r\n" +
                  "number 0x03010011 12 base=300000 step=2500 count=81\r\n",
              db.Text());
    // Writing the value it already has succeeds without a rewrite.
    EXPECT_TRUE(Set(0x03010011, 12));
}

// -------------------------------------------------------------- processes

TEST(OvAcpiProcesses, ValueSetInOneProcessIsSeenInAnother) {
    FirmwareDatabase db(kBoard);
    ASSERT_EQ(0, Get(0x11060008));
    ASSERT_EQ(0u, RunTool("set 0x11060008 2"));
    EXPECT_EQ(2, Get(0x11060008)) << "this process must see the other's write at once";

    ASSERT_TRUE(Set(0x11060008, 4));
    std::string out;
    ASSERT_EQ(0u, RunTool("get 0x11060008", &out));
    EXPECT_EQ("4", out.substr(0, out.find_first_of("\r\n")));

    std::string err;
    EXPECT_EQ(1u, RunTool("set 0x11060008 3", nullptr, &err));
    EXPECT_NE(std::string::npos, err.find("0x11060008"));
    EXPECT_EQ(4, Get(0x11060008));
    EXPECT_EQ(2u, RunTool("set 0x11060008"));
}

TEST(OvAcpiProcesses, ConcurrentWritersLoseNothingAndReadersNeverSeeHalfAFile) {
    FirmwareDatabase db("number 0x01000001 0 base=0 step=1 count=100\n"
                        "number 0x01000002 0 base=0 step=1 count=100\n"
                        "number 0x01000003 0 base=0 step=1 count=100\n"
                        "number 0x01000004 0 base=0 step=1 count=100\n"
                        "switch 0x01070005 1\n");
    int failedReads = 0;
    int reads = 0;
    for (int round = 1; round <= 3; ++round) {
        Tool writers[4];
        for (int w = 0; w < 4; ++w)
            ASSERT_TRUE(
                writers[w].Start("set 0x0100000" + std::to_string(w + 1) + " " + std::to_string(round * 10 + w)));
        // Read while the others write; ours is never changed by them.
        for (;;) {
            bool running = false;
            for (Tool& p : writers)
                running = running || p.Running();
            if (!running)
                break;
            bool ok = false;
            if (Get(0x01070005, &ok) != 1 || !ok)
                ++failedReads;
            ++reads;
        }
        for (Tool& p : writers) {
            DWORD code = 0xDEAD;
            ASSERT_TRUE(p.Finish(&code));
            EXPECT_EQ(0u, code);
        }
        for (int w = 0; w < 4; ++w)
            EXPECT_EQ(round * 10 + w, Get(0x01000001 + w)) << "round " << round << " writer " << w;
    }
    EXPECT_EQ(0, failedReads) << "of " << reads;
    // No temporary files are left beside the database.
    const std::string folder = db.Path().substr(0, db.Path().rfind('\\') + 1);
    for (const std::string& name : testsupport::FolderEntries(folder))
        EXPECT_EQ(std::string::npos, name.find(".tmp")) << name;
}

// ---------------------------------------------------------------- records

TEST(OvAcpiQuery, RecordHoldsPairsClosedByTheEndMark) {
    FirmwareDatabase db(kBoard);
    Package r = Query(0x05080002, 0);
    ASSERT_EQ(1u, r.result & 1);
    ASSERT_EQ(4u * 7, r.size); // word 0, two pairs, the end pair
    EXPECT_EQ(0x03010011u, Word(r, 1));
    EXPECT_EQ(32u, Word(r, 2));
    EXPECT_EQ(0x03020012u, Word(r, 3));
    EXPECT_EQ(21u, Word(r, 4));
    EXPECT_EQ(kEndOfRecord, Word(r, 5));

    Package second = Query(0x05080002, 1);
    ASSERT_EQ(1u, second.result & 1);
    EXPECT_EQ(8u, Word(second, 2));
    EXPECT_EQ(kEndOfRecord, Word(second, 3));

    EXPECT_EQ(0u, Query(0x05080002, 2).result & 1);
    EXPECT_EQ(0u, Query(0x05080009, 0).result & 1);
}

// --------------------------------------------------------------- database

// Good lines among bad ones; every bad line is one of the kinds a person
// editing the file could write.
const char* const kMessy = "number 0x03010011 8 base=300000 step=2500 count=81\n" // 1 good
                           "bogus 0x03010012 1\n"                                 // 2 unknown statement
                           "number 0x0301ZZ13 1 base=0 step=1 count=2\n"          // 3 bad id
                           "number 0x03000014 5 base=0 step=1 count=2\n"          // 4 value out of range
                           "list 0x03000015 0 text=\"a\"\n"                       // 5 list without kind 8
                           "list 0x03080016 0 text=\"open\n"                      // 6 text without closing quote
                           "number 0x03010011 1 base=0 step=1 count=2\n"          // 7 duplicate id
                           "number 0x03000017 0 base=0 step=1\n"                  // 8 no count
                           "number 0x03000018 0 base=9000000 step=1 count=2\n"    // 9 base beyond 24 bits
                           "record 0x05080002 0 0x03010011=abc\n"                 // 10 bad pair
                           "fault everything\n"                                   // 11 unknown fault
                           "\n"                                                   // 12 blank
                           "   # indented comment\n"                              // 13 comment
                           "switch 0x03070019 1\n"                                // 14 good
                           "switch 0x0307001A 1 colour=\"red\"\n"                 // 15 unknown option
                           "number 0x0300001B 0 base=0 step=1 count=0\n"          // 16 no values at all
                           "record 0x05080002 0 0x03010011=7\n";                  // 17 good

const size_t kMessyBadLines[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 15, 16};

TEST(OvAcpiDatabase, BadLinesAreSkippedAndTheRestServed) {
    FirmwareDatabase db(kMessy);
    Package g = ListGroup(3);
    ASSERT_NE(0u, g.result);
    ASSERT_EQ(2u, AcpiElementCount(g.bytes.data()));
    EXPECT_EQ(0x03010011u, g.view().Int(0));
    EXPECT_EQ(0x03070019u, g.view().Int(1));
    EXPECT_EQ(8, Get(0x03010011)) << "the first definition wins";
    Package r = Query(0x05080002, 0);
    ASSERT_EQ(1u, r.result & 1);
    EXPECT_EQ(7u, Word(r, 2));

    const ovacpi::Database parsed = ovacpi::ParseDatabase(kMessy);
    std::vector<size_t> lines;
    for (const ovacpi::Problem& p : parsed.problems)
        lines.push_back(p.line);
    EXPECT_EQ(std::vector<size_t>(std::begin(kMessyBadLines), std::end(kMessyBadLines)), lines);
}

TEST(OvAcpiDatabase, EachBadLineIsReportedOnceOnStandardError) {
    FirmwareDatabase db(kMessy);
    std::string out, err;
    // The dump makes dozens of calls, each reading the file again.
    ASSERT_EQ(0u, RunTool("dump", &out, &err)) << err;
    EXPECT_NE(std::string::npos, out.find("0x03070019"));
    for (size_t line : kMessyBadLines) {
        const std::string mark = " line " + std::to_string(line) + " skipped";
        const size_t first = err.find(mark);
        EXPECT_NE(std::string::npos, first) << mark << "\n" << err;
        EXPECT_EQ(std::string::npos, err.find(mark, first + 1)) << mark << " reported twice";
    }
    EXPECT_EQ(std::size(kMessyBadLines), static_cast<size_t>(std::count(err.begin(), err.end(), '\n')));
}

TEST(OvAcpiDatabase, GarbageOrMissingFileFailsEveryCall) {
    std::string garbage;
    for (int i = 0; i < 3000; ++i)
        garbage.push_back(static_cast<char>((i * 7919) % 251));
    for (const std::string& text : {garbage, std::string("number"), std::string("\"\"\"\n=\n==\nlist 0x05080002\n")}) {
        FirmwareDatabase db(text);
        EXPECT_EQ(0u, ListGroup(5).result);
        EXPECT_EQ(0u, Describe(0x05080002).result);
        EXPECT_FALSE(Set(0x05080002, 0));
    }
    FirmwareDatabase db(kBoard);
    DeleteFileA(db.Path().c_str());
    EXPECT_EQ(0u, AcpiInit() & 1);
    bool ok = true;
    Get(0x03010011, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(0u, ListGroup(3).result);
    EXPECT_FALSE(Set(0x03010011, 1));
}

// ------------------------------------------------------------------ faults

TEST(OvAcpiFaults, FailAllFailsEveryCall) {
    FirmwareDatabase db(kBoard);
    Package before = Describe(0x05080002);
    ASSERT_NE(0u, before.result);
    db.Write(std::string(kBoard) + "fault fail-all\n");
    const std::string text = db.Text();
    EXPECT_EQ(0u, AcpiInit() & 1);
    bool ok = true;
    Get(0x03010011, &ok);
    EXPECT_FALSE(ok);
    EXPECT_FALSE(Set(0x03010011, 9));
    EXPECT_EQ(text, db.Text());
    EXPECT_EQ(0u, ListGroup(3).result);
    EXPECT_EQ(0u, Describe(0x03010011).result);
    EXPECT_EQ(0u, Query(0x05080002, 0).result & 1);
    // Packages already handed out stay walkable.
    EXPECT_EQ("Silent", before.view().Text(6));
}

TEST(OvAcpiFaults, FailQueryFailsOnlyTheQuery) {
    FirmwareDatabase db(std::string(kBoard) + "fault fail-query\n");
    EXPECT_EQ(0u, Query(0x05080002, 0).result & 1);
    EXPECT_EQ(1u, AcpiInit() & 1);
    EXPECT_EQ(8, Get(0x03010011));
    EXPECT_NE(0u, ListGroup(5).result);
    EXPECT_NE(0u, Describe(0x05080002).result);
}

TEST(OvAcpiFaults, ShortPackageHoldsTooFewElements) {
    FirmwareDatabase db(std::string(kBoard) + "fault short-package 0x05080002\n");
    Package p = Describe(0x05080002);
    ASSERT_NE(0u, p.result);
    EXPECT_EQ(2u, AcpiElementCount(p.bytes.data()));
    EXPECT_EQ(0x05080002u, p.view().Int(0));
    EXPECT_EQ(7u, AcpiElementCount(Describe(0x03010011).bytes.data())) << "other items stay whole";

    db.Write(std::string(kBoard) + "fault short-package\n");
    EXPECT_EQ(2u, AcpiElementCount(Describe(0x03010011).bytes.data()));
}

TEST(OvAcpiFaults, CountOverflowClaimsMoreThanThePackageHolds) {
    FirmwareDatabase db(std::string(kBoard) + "fault count-overflow\n");
    Package g = ListGroup(3);
    ASSERT_NE(0u, g.result);
    EXPECT_GT(AcpiElementCount(g.bytes.data()), 3u);
    Package p = Describe(0x05080002);
    ASSERT_NE(0u, p.result);
    const DWORD count = AcpiElementCount(p.bytes.data());
    EXPECT_GT(count, 7u);
    const View v = p.view();
    EXPECT_EQ("Silent", v.Text(6));
    for (DWORD i = 7; i < count; ++i) {
        EXPECT_TRUE(v.Inside(v.At(i), 0));
        EXPECT_EQ(0u, v.Int(i)) << "elements beyond the package read as 0";
    }
    // An item id names one description only.
    db.Write(std::string(kBoard) + "fault count-overflow 0x03010011\n");
    EXPECT_EQ(3u, AcpiElementCount(ListGroup(3).bytes.data()));
    EXPECT_GT(AcpiElementCount(Describe(0x03010011).bytes.data()), 7u);
    EXPECT_EQ(7u, AcpiElementCount(Describe(0x05080002).bytes.data()));
}

TEST(OvAcpiFaults, UnterminatedTextRunsToTheEndOfTheBufferAndNoFurther) {
    FirmwareDatabase db(std::string(kBoard) + "fault unterminated-text 0x05080002\n");
    for (DWORD given : {DWORD{1000}, kBuf, DWORD{2 * kBuf}}) {
        std::vector<unsigned char> buffer(2 * kBuf, 0xAB);
        DWORD size = given;
        DWORD entry = 0x05080002;
        ASSERT_NE(0u, AcpiDescribeItem(&entry, buffer.data(), &size)) << given;
        const DWORD limit = std::min(given, kBuf);
        EXPECT_EQ(limit, size);
        EXPECT_TRUE(std::all_of(buffer.begin() + limit, buffer.end(), [](unsigned char b) { return b == 0xAB; }))
            << "written past " << limit;
        const View v{buffer.data(), buffer.data() + size};
        ASSERT_EQ(7u, AcpiElementCount(buffer.data()));
        EXPECT_EQ("Gaming", v.Text(5));
        EXPECT_EQ("<unterminated>", v.Text(6));
        const auto* text = static_cast<unsigned char*>(AcpiElementData(v.At(6)));
        ASSERT_TRUE(v.Inside(text, 6));
        EXPECT_EQ(0, std::memcmp(text, "Silent", 6));
        EXPECT_EQ(v.At(6), AcpiNextElement(v.At(6))) << "nothing follows the open text";
    }
    // Too small even for the start of the text: refused, nothing written.
    std::vector<unsigned char> guard(kBuf, 0xAB);
    DWORD size = 40;
    DWORD entry = 0x05080002;
    EXPECT_EQ(0u, AcpiDescribeItem(&entry, guard.data(), &size));
    EXPECT_TRUE(std::all_of(guard.begin(), guard.end(), [](unsigned char b) { return b == 0xAB; }));
    EXPECT_EQ("OC Profiles", Describe(0x05080002).view().Text(1)) << "only the last text is left open";
    EXPECT_EQ("CPU Clock", Describe(0x03010011).view().Text(1)) << "other items stay whole";
}

// ---------------------------------------------------------------- shipping

TEST(OvAcpiDefault, ShippedDatabaseDescribesThePlausibleBoard) {
    ASSERT_FALSE(testsupport::SourceFolder().empty()) << "RAVELO_SOURCE is not set";
    const std::string source = testsupport::SourceFolder() + "sim\\ovacpi\\OvAcpiDb.txt";
    const ovacpi::Database parsed = ovacpi::ParseDatabase(ReadTextFile(source));
    EXPECT_TRUE(parsed.problems.empty()) << parsed.problems.front().line << ": " << parsed.problems.front().reason;

    // Without OVACPI_DB the copy beside the DLL is used; only read it.
    SetEnvironmentVariableA("OVACPI_DB", nullptr);
    ASSERT_EQ(1u, AcpiInit() & 1);
    EXPECT_EQ(0, Get(0x11060008));
    for (DWORD id : {0x11070010u, 0x0E0A0017u, 0x0E0A0018u, 0x0E0A0019u}) {
        bool ok = false;
        Get(id, &ok);
        EXPECT_TRUE(ok) << std::hex << id;
    }
    const LONG mode = Get(0x0B000001);
    EXPECT_TRUE(mode == 0x4000 || mode == 0x8000 || mode == 1 || mode == 2 || mode == 0) << mode;

    // The clock item: group 3, item number 17, 3000 MHz at index 0 in
    // 25 MHz steps (kind 1 values are hundredths).
    Package clock = Describe(0x03010011);
    ASSERT_NE(0u, clock.result);
    const DWORD baseWord = clock.view().Int(4);
    const LONG base = static_cast<LONG>(baseWord << 8) >> 8;
    const LONG step = static_cast<LONG>(clock.view().Int(5) << 8) >> 8;
    EXPECT_EQ(0u, baseWord >> 24);
    EXPECT_EQ(300000, base);
    EXPECT_EQ(2500, step);

    // Two firmware profiles, each record with a clock index inside the item.
    Package names = Describe(0x05080002);
    ASSERT_EQ(2u, names.view().Int(4));
    EXPECT_EQ("Gaming", names.view().Text(5));
    EXPECT_EQ("Silent", names.view().Text(6));
    const DWORD clockCount = clock.view().Int(6);
    for (DWORD i = 0; i < 2; ++i) {
        Package r = Query(0x05080002, i);
        ASSERT_EQ(1u, r.result & 1) << i;
        bool found = false;
        for (DWORD w = 1; w + 1 < r.size / 4 && Word(r, w) != kEndOfRecord; w += 2)
            if (Word(r, w) == 0x03010011u) {
                found = true;
                EXPECT_LT(Word(r, w + 1), clockCount);
            }
        EXPECT_TRUE(found) << "profile " << i;
    }
    EXPECT_EQ(0u, Query(0x05080002, 2).result & 1);

    EXPECT_TRUE(testsupport::FileExists(testsupport::DistFolder() + "OvAcpiDb.txt"));
}

} // namespace
