// Entry points of flashobj.dll. Each one checks that the window is one of
// its players and hands the work to the player's own thread.
#include "flashobj.h"

#include "MoviePlayer.h"

using flashobj::MoviePlayer;

extern "C" {

HWND WINAPI flash_create(HWND parent, const WCHAR* moviePath) {
    return MoviePlayer::Create(parent, moviePath, flashobj::SpeedFromEnvironment());
}

DWORD WINAPI flash_setFlashCallCallbackFunc(HWND player, FlashCallFunc callback) {
    return MoviePlayer::SetCallback(player, callback);
}

DWORD WINAPI flash_callFunction(HWND player, FlashRequest request) {
    return MoviePlayer::Request(player, request.request);
}

DWORD WINAPI flash_play(HWND player) { return MoviePlayer::Play(player); }

DWORD WINAPI flash_stop(HWND player) { return MoviePlayer::Stop(player); }

DWORD WINAPI flashtest_getFrame(HWND player, DWORD* pixels, DWORD capacity, DWORD* width, DWORD* height) {
    return MoviePlayer::GetFrame(player, pixels, capacity, width, height);
}

DWORD WINAPI flashtest_getStats(HWND player, FlashPlayerStats* stats) { return MoviePlayer::GetStats(player, stats); }

} // extern "C"
