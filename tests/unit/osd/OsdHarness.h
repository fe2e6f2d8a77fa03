// Shared by the OSD tests: the application object and the OSD form created
// the way the program does it, a test action state that counts the OSD
// events, and message-pumping waits.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "TestSupport.h"

namespace osdtest {

// Stands in for the action state machine: counts the OSD events and records
// when they came, and can run something on the idle timer (as the level and
// tuning states do).
class TestState {
public:
    void OnOsdTimer();
    void OnOsdFinished();
    void Clear();

    int timers = 0;
    int finished = 0;
    DWORD lastTimerTick = 0;
    DWORD lastFinishedTick = 0;
    bool formVisibleAtFinish = true;
    std::function<void()> onTimer;
    std::function<void()> onFinished; // runs after the count
};

// What the display looked like right after the display's start.
struct StartupFacts {
    LONG phase = -1;
    int currentSlot = -1; // the table slot whose player is current
    bool formVisible = true;
    int playerCount = 0;
};
const StartupFacts& Startup();

// Creates the application window and the OSD form (once per process), sets
// the FlashOsdForm global and runs the display's part of the start-up
// (Initialize, then the drivers' resets) with the test state taking the
// display's events.
// Returns false if the form could not be created.
bool StartOsd();
TestState& State();

// The OSD form's current alpha (from the window), or -1 when it has none.
int OsdAlpha();
DWORD OsdExStyle();
RECT WindowRectOf(HWND window);

// The folder of this executable, with a trailing backslash.
std::string ExeFolder();

} // namespace osdtest
