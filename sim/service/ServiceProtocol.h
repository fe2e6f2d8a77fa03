// The private wire format between ORVASERVICE.DLL, RemoteService.exe and
// ServiceControl: the service's window class, the WM_COPYDATA requests and
// their replies, exit codes of the command line, and readable names for the
// messages the service posts. Shared by all three so they cannot drift apart.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "ServiceMessage.h"

namespace RemoteServiceProtocol {

// The service's hidden message-only window is found by this class name.
constexpr char kWindowClassBase[] = "RaveloRemoteServiceWindow";
// Optional suffix for the class name, so concurrent test runs sharing one
// desktop each talk to their own service. Inherited by child processes.
constexpr char kChannelVariable[] = "RAVELO_SERVICE_CHANNEL";
constexpr char kLogVariable[] = "RAVELO_SERVICE_LOG";
constexpr DWORD kMaxChannel = 64;

// The service messages posted to clients.
constexpr UINT kQuitMessage = WM_USER + 0;      // 1024
constexpr UINT kRemoteKeyMessage = WM_USER + 8; // 1032
constexpr WPARAM kMark = 0x55;                  // 'U', the suite's mark
constexpr WPARAM kResumeSuspend = 7;            // PBT_APMRESUMESUSPEND

// How long a caller waits for the service to answer one request.
constexpr UINT kRequestTimeoutMs = 10000;

// Reply of kPost/kQuit/kResume: clients reached in the low word, live
// clients whose PostMessageA failed in the high word. 0 means no client.
inline LRESULT PackPostReply(unsigned posted, unsigned failed) {
    return static_cast<LRESULT>(MAKELONG(posted & 0xFFFF, failed & 0x7FFF));
}
inline unsigned PostedOf(LRESULT reply) { return LOWORD(static_cast<DWORD>(reply)); }
inline unsigned FailedOf(LRESULT reply) { return HIWORD(static_cast<DWORD>(reply)); }

// Exit codes of RemoteService.exe.
enum ExitCode : int {
    kExitOk = 0,
    kExitNoService = 1,      // no service process is running
    kExitNoClient = 2,       // the service runs but no client is registered
    kExitUsage = 3,          // unknown command or bad number
    kExitAlreadyRunning = 4, // "run" while a service already runs
    kExitFailed = 5,         // clients exist but the message could not be posted
};

inline uint32_t HandleToWire(HWND window) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)); }
inline HWND WireToHandle(uint32_t value) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(value)); }

inline std::string Channel() {
    char buffer[kMaxChannel + 1] = {};
    const DWORD length = GetEnvironmentVariableA(kChannelVariable, buffer, sizeof buffer);
    // Unset, or too long to be a channel name: the default channel.
    if (length == 0 || length > kMaxChannel)
        return std::string();
    return std::string(buffer, length);
}

inline std::string WindowClassName() {
    const std::string channel = Channel();
    return channel.empty() ? std::string(kWindowClassBase) : std::string(kWindowClassBase) + ":" + channel;
}

// Kernel object names may not contain a backslash.
inline std::string InstanceMutexName() {
    std::string name = WindowClassName() + ".Instance";
    for (char& c : name) {
        if (c == '\\')
            c = '_';
    }
    return name;
}

inline HWND FindServiceWindow() { return FindWindowExA(HWND_MESSAGE, nullptr, WindowClassName().c_str(), nullptr); }

inline const char* MessageName(UINT message) {
    switch (message) {
    case WM_USER + 0:
        return "WM_USER+0 (quit)";
    case WM_USER + 1:
        return "WM_USER+1";
    case WM_USER + 2:
        return "WM_USER+2";
    case WM_USER + 3:
        return "WM_USER+3";
    case WM_USER + 4:
        return "WM_USER+4";
    case WM_USER + 5:
        return "WM_USER+5";
    case WM_USER + 6:
        return "WM_USER+6 (to foreground)";
    case WM_USER + 7:
        return "WM_USER+7";
    case WM_USER + 8:
        return "WM_USER+8 (remote key)";
    case WM_POWERBROADCAST:
        return "WM_POWERBROADCAST";
    case WM_DISPLAYCHANGE:
        return "WM_DISPLAYCHANGE";
    default:
        return "message";
    }
}

inline const char* KeyName(LPARAM code) {
    switch (code) {
    case 144:
        return "profile A";
    case 145:
        return "profile B";
    case 146:
        return "profile C";
    case 147:
        return "manual mode";
    case 148:
        return "auto mode";
    case 149:
        return "tune up";
    case 150:
        return "tune down";
    default:
        return "unknown key";
    }
}

// "1032 WM_USER+8 (remote key) wParam 0x00000055 lParam 144 (profile A)".
inline std::string DescribeMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    char text[160];
    const bool isKey = message == kRemoteKeyMessage;
    std::snprintf(text, sizeof text, "%u %s wParam 0x%08lX lParam %ld%s%s%s", message, MessageName(message),
                  static_cast<unsigned long>(wParam), static_cast<long>(lParam), isKey ? " (" : "",
                  isKey ? KeyName(lParam) : "", isKey ? ")" : "");
    return text;
}

} // namespace RemoteServiceProtocol
