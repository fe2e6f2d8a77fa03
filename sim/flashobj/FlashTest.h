// flashobj.dll's test and tooling exports (flashtest_getFrame,
// flashtest_getStats): not used by the program. Apart from flashobj.h, so
// that tests of the program's own binding can read a player's counters.
#pragma once

#include <windows.h>

struct FlashPlayerStats {
    DWORD framesPresented; // successful layered-window updates
    DWORD timerRunning;    // 1 while the animation timer is armed
    DWORD callbacksMade;
    DWORD requestsIgnored; // requests that could not be parsed
    DWORD movieLoaded;     // 1 when the movie file was read and understood
};

// Copies the frame last handed to the window (premultiplied BGRA, top-down
// rows) into pixels when capacity (in pixels) suffices; returns the number of
// pixels of the frame, 0 when there is none or the window is not a player.
typedef DWORD(WINAPI* FlashTestGetFrameProc)(HWND player, DWORD* pixels, DWORD capacity, DWORD* width, DWORD* height);
// Fills stats; returns 1, or 0 when the window is not a player.
typedef DWORD(WINAPI* FlashTestGetStatsProc)(HWND player, FlashPlayerStats* stats);
