#include "osd/OsdEvents.h"

namespace {

// Set once at start-up, read on the GUI thread only.
OsdEventHandlers& Handlers() {
    static OsdEventHandlers handlers;
    return handlers;
}

} // namespace

void SetOsdEventHandlers(const OsdEventHandlers& handlers) { Handlers() = handlers; }

void ReportOsdTimer() {
    if (Handlers().idleTimer != nullptr)
        Handlers().idleTimer();
}

void ReportOsdFinished() {
    if (Handlers().finished != nullptr)
        Handlers().finished();
}
