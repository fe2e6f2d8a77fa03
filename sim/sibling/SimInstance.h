// One running copy per simulated machine. The machine is the firmware
// database the stand-in works on (OVACPI_DB), so stand-ins started for
// different databases (parallel test runs) do not stop each other, while a
// second copy on the same database exits at once. The windows carry the
// same scope as a property, which is how "--quit" finds the right copy.
#pragma once
#include <windows.h>

#include <string>

#include "win32/Handles.h"

namespace sibling {

// Hash of the full, upper-cased database path (empty path when OVACPI_DB is
// unset). Never 0, so it can be told apart from a missing property.
DWORD MachineScope();

// Name of the window property holding the scope.
extern const char kScopeProperty[];

// Owns the single-instance mutex "<program>-<scope in hex>".
class InstanceGuard {
public:
    InstanceGuard() = default;
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // False when another copy for the scope holds the mutex.
    bool Acquire(const std::string& program, DWORD scope);

private:
    win32::UniqueHandle mutex_;
};

// Marks a window as belonging to the scope.
void TagWindow(HWND window, DWORD scope);

// The top-level window of the class and caption that carries the scope, or
// null.
HWND FindScopedWindow(const char* windowClass, const char* caption, DWORD scope);

// Asks the copy owning that window to close and waits up to timeoutMs for
// the window to go away. False when no such window exists.
bool CloseRunningCopy(const char* windowClass, const char* caption, DWORD scope, DWORD timeoutMs);

// True when the command line holds the word (case-insensitive, whole word).
bool HasSwitch(const char* commandLine, const char* word);

} // namespace sibling
