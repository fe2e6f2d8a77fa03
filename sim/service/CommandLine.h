// The command line of RemoteService.exe, parsed into one command. Parsing is
// kept apart from acting so every malformed argument has a tested result.
//
//   run [--show]            start the service (--show: the virtual remote)
//   key N                   post 1032, wParam 0x55, lParam N
//   quit                    post 1024, wParam 0x55, then forget the clients
//   resume                  post WM_POWERBROADCAST, PBT_APMRESUMESUSPEND
//   raw MSG WPARAM LPARAM   post any message (numbers decimal or 0x hex)
//   clients                 print "hwnd identity" per registered client
//   attempts                print the number of register calls received
//   unregistrations         print the number of unregister calls received
//   stop                    end the running service and wait for it
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

enum class CommandKind { Run, Key, Quit, Resume, Raw, Clients, Attempts, Unregistrations, Stop, Help, Invalid };

struct ServiceCommand {
    CommandKind kind = CommandKind::Invalid;
    bool show = false;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::string error; // why the command line is Invalid
};

// args excludes the program name.
ServiceCommand ParseCommandLine(const std::vector<std::string>& args);

// Decimal with an optional minus sign, or 0x/0X hexadecimal; the whole text
// must be the number and it must lie in [minimum, maximum].
bool ParseNumber(const std::string& text, int64_t minimum, int64_t maximum, int64_t& value);

// The usage text printed for help and after an invalid command line.
const char* UsageText();
