// The stand-in movie player's counters (its test export flashtest_getStats),
// for a player window of this process.
#pragma once
#include <windows.h>

#include "../../sim/flashobj/FlashTest.h"

namespace testsupport {

// False when flashobj.dll is not loaded in this process or the window is
// not one of its players.
inline bool PlayerStatsOf(HWND player, FlashPlayerStats& stats) {
    const HMODULE library = GetModuleHandleA("flashobj.dll");
    const auto getStats = reinterpret_cast<FlashTestGetStatsProc>(
        reinterpret_cast<void*>(library != nullptr ? GetProcAddress(library, "flashtest_getStats") : nullptr));
    return getStats != nullptr && getStats(player, &stats) == 1;
}

} // namespace testsupport
