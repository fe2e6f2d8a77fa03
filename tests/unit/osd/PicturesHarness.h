// The display's start-up as the program runs it, once per test process:
// the application object, the OSD and status forms, and the display
// driver's Initialize with players that have no windows.
#pragma once
#include <windows.h>

#include <string>

namespace pictures {

struct StartupFacts {
    bool ran = false;
    std::string error; // text of a framework error raised by Initialize
    RECT statusRect{}; // the status window right after Initialize
    bool statusVisible = true;
};

// Creates the forms (once) and runs FlashOsdManipulator::Initialize (once).
// Returns the facts of that start-up.
const StartupFacts& StartDisplay();

} // namespace pictures
