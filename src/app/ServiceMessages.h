// The messages the maker's system service sends the program's main window,
// and which of them the program accepts.
#pragma once
#include <windows.h>

#include "suite/SiblingLink.h"

// Service message numbers (WM_USER + n); each carries the suite's mark.
constexpr UINT kServiceQuit = WM_USER + 0;
// Three messages the program accepts and ignores.
constexpr UINT kServiceNotice1 = WM_USER + 1;
constexpr UINT kServiceNotice2 = WM_USER + 2;
constexpr UINT kServiceNotice3 = WM_USER + 3;
constexpr UINT kServiceForeground = WM_USER + 6;
constexpr UINT kServiceRemoteKey = WM_USER + 8;

// What the main window does with a message from the service.
enum class ServiceAction {
    NotAccepted, // default handling
    Quit,
    Consume, // accepted, no action
    Foreground,
    RemoteKey,
};

// The acceptance rules of the service's messages: for 1024 to 1030 the low
// byte of wParam must carry the mark, for 1032 the whole wParam; 1028,
// 1029 and 1031 are never accepted. Messages outside 1024..1032 are not
// service messages (NotAccepted).
ServiceAction ClassifyServiceMessage(UINT msg, WPARAM wParam);
