// What the display tells whoever drives it: the idle timer of the level and
// tuning displays fired, or a display has ended (faded out and hidden). The
// action state machine installs its handlers at start-up, so the display
// code never calls up into it; without handlers the events go nowhere.
#pragma once
#include "gui/BoundCall.h"

// A call-back of the display scripts; the argument (the sender) is always
// null.
using OsdNotify = gui::BoundCall<void*>;

struct OsdEventHandlers {
    void (*idleTimer)() = nullptr;
    void (*finished)() = nullptr;
};

void SetOsdEventHandlers(const OsdEventHandlers& handlers);
// Both run on the GUI thread.
void ReportOsdTimer();
void ReportOsdFinished();
