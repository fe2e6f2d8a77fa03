// Drives flashobj.dll the way the program does: loaded by name, entry points
// looked up by name, requests formatted from the program's command texts,
// call-backs recorded, messages pumped with generous time-outs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include "TestSupport.h"
#include "flashobj.h"

namespace harness {

struct Library {
    HMODULE module = nullptr;
    FlashCreateProc create = nullptr;
    FlashSetCallbackProc setCallback = nullptr;
    FlashCallFunctionProc callFunction = nullptr;
    FlashPlayProc play = nullptr;
    FlashStopProc stop = nullptr;
    FlashTestGetFrameProc getFrame = nullptr;
    FlashTestGetStatsProc getStats = nullptr;
    bool ok() const;
};

// Loads flashobj.dll once per process (it is never freed, like in the program).
const Library& Flash();

struct CallbackRecord {
    DWORD player = 0;
    DWORD event = 0;
    DWORD number = 0;
    DWORD last = 0;
    DWORD thread = 0;
    bool insideRequest = false; // made from inside flash_callFunction
    DWORD tick = 0;
};

// The call-back registered with every player; records into Callbacks().
void WINAPI RecordCallback(DWORD a, DWORD b, DWORD c, DWORD d);
std::vector<CallbackRecord>& Callbacks();
size_t CallbacksFor(HWND player);

// Sends one request as the program does (a 16-byte record by value).
DWORD Send(HWND player, const std::wstring& request);
DWORD SendRaw(HWND player, const WCHAR* request);

// The program's command texts.
std::wstring ChangeLabel(const std::wstring& text);
std::wstring ChangeContent(const std::wstring& text);
std::wstring External(const std::wstring& argument);
std::wstring Set2Digit(int value);

// A top-level window standing in for the OSD form, black; on screen (topmost
// over 900 x 700 pixels from the corner) when asked, so that a player's
// pictures can be captured over it.
class ParentWindow {
public:
    explicit ParentWindow(bool onScreen = false);
    HWND hwnd() const { return window_.Get(); }

private:
    win32::UniqueWindow window_;
};

// Destroys a player window at the end of a test.
class PlayerWindow {
public:
    explicit PlayerWindow(HWND hwnd) : hwnd_(hwnd) {}
    ~PlayerWindow() {
        if (hwnd_ != nullptr && IsWindow(hwnd_))
            DestroyWindow(hwnd_);
    }
    PlayerWindow(const PlayerWindow&) = delete;
    PlayerWindow& operator=(const PlayerWindow&) = delete;
    HWND get() const { return hwnd_; }

private:
    HWND hwnd_;
};

// Creates a player with FLASHOBJ_SPEED set to speed ("" for unset).
HWND CreatePlayer(HWND parent, const std::string& windowsPath, const char* speed);

// Places and shows a player as the program does (screen coordinates,
// no activation, no z-order change).
void ShowPlayer(HWND player, int x, int y, int w, int h);
void HidePlayer(HWND player);

FlashPlayerStats Stats(HWND player);
// Waits until the player's animation timer has stopped (it has settled).
bool WaitSettled(HWND player, DWORD timeoutMs);
// The frame last handed to the window.
std::vector<DWORD> Frame(HWND player, int& width, int& height);

// Paths: a shipped movie, and files in a temporary folder of the test's own.
std::string SourceMovie(const char* fileName); // resources/Resource/<fileName>
std::string WriteTempFile(const std::string& name, const std::string& content);
std::string TempFolder();

} // namespace harness
