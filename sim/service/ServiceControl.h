// Driving the simulated system service from a test or a script.
//
//   ServiceControl::UsePrivateChannel();        // once, before anything else:
//                                               // this process, the service and
//                                               // every child (the program under
//                                               // test) use a channel of their own
//   ServiceControl::ServiceProcess service;
//   service.Start();                            // RemoteService.exe run, waits until it answers
//   ServiceControl::SendKey(144);               // posted when this returns Outcome::Posted
//   unsigned attempts = 0;
//   ServiceControl::QueryAttempts(attempts);
//   service.Stop();                             // also done by the destructor
//
// Every call is synchronous: when a Send* returns Posted, the message is in
// the client's queue. Nothing throws; failures are results.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace ServiceControl {

enum class Outcome {
    Posted,    // posted to at least one client
    NoService, // no service process answers
    NoClient,  // the service runs but has no client
    Failed,    // clients exist, but PostMessageA refused the message for all
};

const char* OutcomeName(Outcome outcome);

struct Client {
    HWND window = nullptr;
    std::string identity; // UTF-8
};

// Sets RAVELO_SERVICE_CHANNEL for this process (and so for its children).
// An empty name returns to the default channel, the one the real program
// and the demo use. False if the name is too long.
bool UseChannel(const std::string& name);
// A channel named after this process's id.
void UsePrivateChannel();

bool IsServiceRunning();
// Polls until the service is (or is no longer) reachable; false on time-out.
bool WaitForService(bool running, DWORD timeoutMs);

// reached, when given, receives the number of clients the message reached.
Outcome SendKey(LONG code, unsigned* reached = nullptr);
Outcome SendRaw(UINT message, WPARAM wParam, LPARAM lParam, unsigned* reached = nullptr);
Outcome SendQuit(unsigned* reached = nullptr);
Outcome SendResume(unsigned* reached = nullptr);

bool QueryAttempts(unsigned& count);
bool QueryUnregistrations(unsigned& count);
bool QueryClients(std::vector<Client>& clients);

// Asks the running service to end and waits up to timeoutMs for its process
// to exit. False if no service runs or it did not end in time.
bool StopService(DWORD timeoutMs = 30000);

// RemoteService.exe beside the running executable, else in RAVELO_BIN.
std::string DefaultServicePath();

// Owns one RemoteService.exe process. The destructor stops it (by the stop
// request, then by its handle if it does not end).
class ServiceProcess {
public:
    ServiceProcess() = default;
    ~ServiceProcess();
    ServiceProcess(const ServiceProcess&) = delete;
    ServiceProcess& operator=(const ServiceProcess&) = delete;

    // Starts "RemoteService.exe run" (plus --show) and waits until the service
    // answers. False if a service already runs on this channel, the process
    // cannot start, or it does not answer within timeoutMs.
    bool Start(const std::string& exePath = std::string(), bool show = false, DWORD timeoutMs = 30000);
    // Stop request, wait; terminates the process if it has not ended in time.
    // True when the process ended by the request with exit code 0.
    bool Stop(DWORD timeoutMs = 30000);
    bool IsRunning() const;
    // The exit code once the process has ended, else STILL_ACTIVE.
    DWORD ExitCode() const;
    DWORD ProcessId() const { return processId_; }

private:
    void Close();

    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
};

} // namespace ServiceControl
