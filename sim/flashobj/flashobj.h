// flashobj.dll: the OSD movie player the program loads at run time.
//
// A player is a layered popup window that plays one movie file (the scene
// format described in README.md beside this file). The program places and
// shows the window itself; the player draws into it, takes XML invoke
// requests and calls back when the movie reaches one of its call-back points.
// All entry points use __stdcall and are exported under undecorated names.
#pragma once

#include <windows.h>

// Passed by value: 16 bytes, of which only the request pointer is filled in.
struct FlashRequest {
    DWORD unused0;
    DWORD unused1;
    const WCHAR* request; // zero-terminated UTF-16 XML invoke request
    DWORD unused3;
};

#if defined(_M_IX86) || defined(__i386__)
static_assert(sizeof(FlashRequest) == 16, "the request record is 16 bytes on the 32-bit target");
#endif

// Call-back arguments: the player window, the event (below), the number the
// command that started the finished part carried (0 when it had none), and 0.
typedef void(WINAPI* FlashCallFunc)(DWORD, DWORD, DWORD, DWORD);

enum FlashCallbackEvent : DWORD {
    FLASH_EVENT_INTRO_PLAYED = 1,   // the part started by show / show N / in has played
    FLASH_EVENT_OUTRO_FINISHED = 2, // the part started by end / End N / out has finished
};

typedef HWND(WINAPI* FlashCreateProc)(HWND parent, const WCHAR* moviePath);
typedef DWORD(WINAPI* FlashSetCallbackProc)(HWND player, FlashCallFunc callback);
typedef DWORD(WINAPI* FlashCallFunctionProc)(HWND player, FlashRequest request);
typedef DWORD(WINAPI* FlashPlayProc)(HWND player);
typedef DWORD(WINAPI* FlashStopProc)(HWND player);

// Test and tooling exports: not used by the program.
#include "FlashTest.h"
