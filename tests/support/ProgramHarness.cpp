#include "ProgramHarness.h"

#include "ProtocolFacts.h"
#include "orva/OvAcpi.h"

namespace harness {

std::string PrepareSuite(const testsupport::TempFolder& folder) {
    ServiceControl::UsePrivateChannel();
    const std::string database = folder.Path() + "firmware.txt";
    if (!testsupport::CopyFileTo(testsupport::BinFolder() + "OvAcpiDb.txt", database))
        return std::string();
    SetEnvironmentVariableA("OVACPI_DB", database.c_str());
    return database;
}

bool ReadFirmwareItem(DWORD id, LONG& value) {
    AcpiInit();
    return (AcpiGetItem(id, &value) & 1) != 0;
}

bool WriteFirmwareItem(DWORD id, LONG value) {
    AcpiInit();
    return (AcpiSetItem(id, value, 1) & 1) != 0;
}

bool WaitForFirmwareItem(DWORD id, LONG expected, DWORD timeoutMs) {
    return testsupport::WaitUntil(
        [id, expected] {
            LONG value = 0;
            return ReadFirmwareItem(id, value) && value == expected;
        },
        timeoutMs, 50);
}

bool Program::Start(const std::vector<std::string>& environment) {
    const std::string folder = testsupport::DistFolder();
    return process_.Start("\"" + folder + "RaveloRemote.exe\"", folder, environment);
}

HWND Program::Window(const char* className) const { return testsupport::FindWindowOfProcess(process_.Id(), className); }

HWND Program::MainWindow() const { return Window("TMainForm"); }
HWND Program::AppWindow() const { return Window("TApplication"); }

bool RegisteredWithService(DWORD processId) {
    std::vector<ServiceControl::Client> clients;
    if (!ServiceControl::QueryClients(clients))
        return false;
    for (const ServiceControl::Client& client : clients) {
        DWORD owner = 0;
        GetWindowThreadProcessId(client.window, &owner);
        if (owner == processId && testsupport::WindowClass(client.window) == facts::kMainClass &&
            client.identity == kProgramIdentity)
            return true;
    }
    return false;
}

bool Program::IsRegistered() const { return RegisteredWithService(process_.Id()); }

bool Program::WaitRegistered(DWORD timeoutMs) const {
    return testsupport::WaitUntil([this] { return IsRegistered(); }, timeoutMs, 50);
}

std::vector<HWND> Program::VisibleWindowsWithArea() const {
    std::vector<HWND> visible;
    for (HWND window : testsupport::WindowsOfProcess(process_.Id())) {
        RECT r{};
        GetWindowRect(window, &r);
        if (IsWindowVisible(window) && r.right > r.left && r.bottom > r.top)
            visible.push_back(window);
    }
    return visible;
}

} // namespace harness
