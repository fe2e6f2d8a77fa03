// Runs the real RaveloRemote.exe from the program folder against the
// simulated service and a private copy of the firmware database.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "ServiceControl.h"
#include "TestSupport.h"

namespace harness {

// Once per test executable: a service channel of its own and a firmware
// database copied from the default one (OVACPI_DB, inherited by every
// child). Returns the database path.
std::string PrepareSuite(const testsupport::TempFolder& folder);

// Reads or writes a firmware item through the simulator, as the program does.
bool ReadFirmwareItem(DWORD id, LONG& value);
bool WriteFirmwareItem(DWORD id, LONG value);
// Polls until the item holds the value; false after timeoutMs.
bool WaitForFirmwareItem(DWORD id, LONG expected, DWORD timeoutMs);

// A window of that process is registered with the service as the program
// (main window class and identity).
bool RegisteredWithService(DWORD processId);

class Program {
public:
    // Starts RaveloRemote.exe from the program folder.
    bool Start(const std::vector<std::string>& environment = {});
    testsupport::ChildProcess& Process() { return process_; }
    DWORD Id() const { return process_.Id(); }

    // The program's windows by class.
    HWND MainWindow() const;
    HWND AppWindow() const;
    HWND Window(const char* className) const;

    // True once the service lists the main window as a client.
    bool IsRegistered() const;
    bool WaitRegistered(DWORD timeoutMs = 30000) const;
    // Windows of the program that are visible and cover some screen area.
    std::vector<HWND> VisibleWindowsWithArea() const;

private:
    testsupport::ChildProcess process_;
};

} // namespace harness
