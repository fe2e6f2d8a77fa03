#include "CommandLine.h"

namespace {

constexpr int64_t kMaxMessage = 0xFFFF;
constexpr int64_t kMaxUnsigned32 = 0xFFFFFFFFLL;
// lParam may be given signed or as its 32-bit pattern.
constexpr int64_t kMinSigned32 = -0x80000000LL;

int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

ServiceCommand Invalid(const std::string& error) {
    ServiceCommand command;
    command.kind = CommandKind::Invalid;
    command.error = error;
    return command;
}

ServiceCommand Simple(CommandKind kind) {
    ServiceCommand command;
    command.kind = kind;
    return command;
}

} // namespace

bool ParseNumber(const std::string& text, int64_t minimum, int64_t maximum, int64_t& value) {
    size_t position = 0;
    bool negative = false;
    if (position < text.size() && text[position] == '-') {
        negative = true;
        ++position;
    }
    int base = 10;
    if (text.size() - position > 2 && text[position] == '0' &&
        (text[position + 1] == 'x' || text[position + 1] == 'X')) {
        base = 16;
        position += 2;
    }
    if (position >= text.size())
        return false;
    // Accumulate the magnitude with a ceiling well above any accepted range,
    // so overlong input fails instead of wrapping.
    constexpr int64_t kCeiling = int64_t{1} << 40;
    int64_t magnitude = 0;
    for (; position < text.size(); ++position) {
        const int digit = DigitValue(text[position], base);
        if (digit < 0)
            return false;
        magnitude = magnitude * base + digit;
        if (magnitude > kCeiling)
            return false;
    }
    const int64_t result = negative ? -magnitude : magnitude;
    if (result < minimum || result > maximum)
        return false;
    value = result;
    return true;
}

ServiceCommand ParseCommandLine(const std::vector<std::string>& args) {
    if (args.empty())
        return Invalid("no command given");
    const std::string& verb = args[0];
    const size_t extra = args.size() - 1;

    if (verb == "run") {
        ServiceCommand command = Simple(CommandKind::Run);
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--show")
                command.show = true;
            else if (args[i] == "--hidden")
                command.show = false;
            else
                return Invalid("unknown option for run: " + args[i]);
        }
        return command;
    }
    if (verb == "key") {
        if (extra != 1)
            return Invalid("key takes one key code, e.g. key 144");
        int64_t code = 0;
        if (!ParseNumber(args[1], kMinSigned32, kMaxUnsigned32, code))
            return Invalid("bad key code: " + args[1]);
        ServiceCommand command = Simple(CommandKind::Key);
        command.message = WM_USER + 8;
        command.wParam = 0x55;
        command.lParam = static_cast<LPARAM>(static_cast<int32_t>(static_cast<uint32_t>(code & 0xFFFFFFFF)));
        return command;
    }
    if (verb == "raw") {
        if (extra != 3)
            return Invalid("raw takes a message, a wParam and an lParam, e.g. raw 1032 0x155 144");
        int64_t message = 0;
        int64_t wParam = 0;
        int64_t lParam = 0;
        if (!ParseNumber(args[1], 0, kMaxMessage, message))
            return Invalid("bad message number: " + args[1]);
        if (!ParseNumber(args[2], kMinSigned32, kMaxUnsigned32, wParam))
            return Invalid("bad wParam: " + args[2]);
        if (!ParseNumber(args[3], kMinSigned32, kMaxUnsigned32, lParam))
            return Invalid("bad lParam: " + args[3]);
        ServiceCommand command = Simple(CommandKind::Raw);
        command.message = static_cast<UINT>(message);
        command.wParam = static_cast<WPARAM>(static_cast<uint32_t>(wParam & 0xFFFFFFFF));
        command.lParam = static_cast<LPARAM>(static_cast<int32_t>(static_cast<uint32_t>(lParam & 0xFFFFFFFF)));
        return command;
    }

    struct Plain {
        const char* name;
        CommandKind kind;
    };
    static const Plain kPlain[] = {
        {"quit", CommandKind::Quit},
        {"resume", CommandKind::Resume},
        {"clients", CommandKind::Clients},
        {"attempts", CommandKind::Attempts},
        {"unregistrations", CommandKind::Unregistrations},
        {"stop", CommandKind::Stop},
        {"help", CommandKind::Help},
        {"--help", CommandKind::Help},
        {"/?", CommandKind::Help},
    };
    for (const Plain& plain : kPlain) {
        if (verb == plain.name) {
            if (extra != 0)
                return Invalid(verb + " takes no arguments");
            return Simple(plain.kind);
        }
    }
    return Invalid("unknown command: " + verb);
}

const char* UsageText() {
    return "Usage: RemoteService.exe COMMAND\n"
           "  run [--show]            start the service (--show opens the virtual remote)\n"
           "  key N                   post remote key N (144-150) to every client\n"
           "  quit                    post the quit message and forget the clients\n"
           "  resume                  post the resume-from-suspend broadcast\n"
           "  raw MSG WPARAM LPARAM   post any message (decimal or 0x hex)\n"
           "  clients                 list the registered clients: hwnd identity\n"
           "  attempts                number of register calls received\n"
           "  unregistrations         number of unregister calls received\n"
           "  stop                    end the running service\n"
           "Exit codes: 0 ok, 1 no service running, 2 no client registered,\n"
           "            3 bad command line, 4 service already running, 5 post failed\n";
}
