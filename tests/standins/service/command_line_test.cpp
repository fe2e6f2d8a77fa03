// The command line of RemoteService.exe: numbers and malformed arguments.
#include <gtest/gtest.h>

#include "CommandLine.h"

namespace {

ServiceCommand Parse(std::initializer_list<const char*> args) {
    std::vector<std::string> list;
    for (const char* arg : args)
        list.emplace_back(arg);
    return ParseCommandLine(list);
}

TEST(ParseNumber, DecimalHexAndSign) {
    int64_t value = 0;
    EXPECT_TRUE(ParseNumber("144", 0, 1000, value));
    EXPECT_EQ(144, value);
    EXPECT_TRUE(ParseNumber("0x155", 0, 1000, value));
    EXPECT_EQ(0x155, value);
    EXPECT_TRUE(ParseNumber("0XfF", 0, 1000, value));
    EXPECT_EQ(255, value);
    EXPECT_TRUE(ParseNumber("-1", -10, 10, value));
    EXPECT_EQ(-1, value);
    EXPECT_TRUE(ParseNumber("-0x10", -100, 10, value));
    EXPECT_EQ(-16, value);
    // A leading zero is decimal, not octal.
    EXPECT_TRUE(ParseNumber("010", 0, 100, value));
    EXPECT_EQ(10, value);
}

TEST(ParseNumber, RejectsMalformedAndOutOfRange) {
    int64_t value = 77;
    for (const char* bad : {"", "-", "0x", "-0x", "12a", "a12", " 1", "1 ", "+1", "1.5", "0x1g", "--1", "0x-1"}) {
        EXPECT_FALSE(ParseNumber(bad, -1000, 1000, value)) << "'" << bad << "'";
    }
    EXPECT_FALSE(ParseNumber("1001", -1000, 1000, value));
    EXPECT_FALSE(ParseNumber("-1001", -1000, 1000, value));
    // Overlong input fails instead of wrapping round into range.
    EXPECT_FALSE(ParseNumber("18446744073709551617", 0, 0xFFFFFFFFLL, value));
    EXPECT_FALSE(ParseNumber("0x10000000000000001", 0, 0xFFFFFFFFLL, value));
    EXPECT_EQ(77, value) << "a failed parse leaves the value alone";
}

TEST(ParseCommandLine, Commands) {
    ServiceCommand run = Parse({"run"});
    EXPECT_EQ(CommandKind::Run, run.kind);
    EXPECT_FALSE(run.show);
    EXPECT_TRUE(Parse({"run", "--show"}).show);

    ServiceCommand key = Parse({"key", "144"});
    ASSERT_EQ(CommandKind::Key, key.kind);
    EXPECT_EQ(1032u, key.message);
    EXPECT_EQ(0x55u, key.wParam);
    EXPECT_EQ(144, key.lParam);

    ServiceCommand raw = Parse({"raw", "1032", "0x155", "144"});
    ASSERT_EQ(CommandKind::Raw, raw.kind);
    EXPECT_EQ(1032u, raw.message);
    EXPECT_EQ(0x155u, raw.wParam);
    EXPECT_EQ(144, raw.lParam);

    // lParam as a negative number or as its 32-bit pattern means the same.
    EXPECT_EQ(-1, Parse({"raw", "1024", "0x55", "-1"}).lParam);
    EXPECT_EQ(-1, Parse({"raw", "1024", "0x55", "0xFFFFFFFF"}).lParam);
    EXPECT_EQ(0xFFFFFFFFu, Parse({"raw", "1024", "-1", "0"}).wParam);

    EXPECT_EQ(CommandKind::Quit, Parse({"quit"}).kind);
    EXPECT_EQ(CommandKind::Resume, Parse({"resume"}).kind);
    EXPECT_EQ(CommandKind::Clients, Parse({"clients"}).kind);
    EXPECT_EQ(CommandKind::Attempts, Parse({"attempts"}).kind);
    EXPECT_EQ(CommandKind::Unregistrations, Parse({"unregistrations"}).kind);
    EXPECT_EQ(CommandKind::Stop, Parse({"stop"}).kind);
    EXPECT_EQ(CommandKind::Help, Parse({"help"}).kind);
}

TEST(ParseCommandLine, InvalidCommandLines) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"start"},
        {"key"},
        {"key", "abc"},
        {"key", "144", "145"},
        {"key", "4294967296"},
        {"raw", "1032", "0x55"},
        {"raw", "1032", "0x55", "144", "1"},
        {"raw", "65536", "0x55", "144"},
        {"raw", "-1", "0x55", "144"},
        {"raw", "1032", "0x1FFFFFFFF", "144"},
        {"raw", "1032", "0x55", "-2147483649"},
        {"quit", "now"},
        {"run", "--visible"},
        {"KEY", "144"},
    };
    for (const auto& args : bad) {
        std::vector<std::string> list(args.begin(), args.end());
        const ServiceCommand command = ParseCommandLine(list);
        std::string joined;
        for (const auto& a : list)
            joined += a + " ";
        EXPECT_EQ(CommandKind::Invalid, command.kind) << joined;
        EXPECT_FALSE(command.error.empty()) << joined;
    }
}

} // namespace
