// A recording stand-in for the player library's entry points, installed in
// place of flashobj.dll: each player is a plain hidden popup owned by the
// OSD form, every request is kept, and the test decides when a movie calls
// back.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "osd/TransFlash.h"

namespace fakeflash {

struct Player {
    HWND window = nullptr;
    HWND parent = nullptr;
    std::wstring path;
    FlashCallFunc callback = nullptr;
    std::vector<std::wstring> requests;
    DWORD requestRecordSize = 0;
};

// Routes the binding to the fakes; call before the first player exists.
void Install();
// The players in creation order.
std::vector<Player>& Players();
Player* Find(HWND window);
// Calls the player's registered call-back, as its movie would.
void CallBack(HWND window);
// Requests of all players, cleared.
void ClearRequests();

// The UTF-16 form of an ASCII text, for comparing requests.
std::wstring Wide(const std::string& text);

} // namespace fakeflash
