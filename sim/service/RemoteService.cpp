// RemoteService.exe: the simulated system service behind ORVASERVICE.DLL
// ("run"), and the command line that tells a running instance what to send.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "ClientRegistry.h"
#include "CommandLine.h"
#include "ServiceControl.h"
#include "ServiceLog.h"
#include "ServiceProtocol.h"
#include "ServiceWindow.h"
#include "VirtualRemote.h"
#include "win32/Handles.h"

namespace proto = RemoteServiceProtocol;

namespace {

class Mutex {
public:
    explicit Mutex(const std::string& name) : handle_(CreateMutexA(nullptr, TRUE, name.c_str())) {
        alreadyExists_ = handle_ && GetLastError() == ERROR_ALREADY_EXISTS;
    }
    ~Mutex() {
        if (Owned())
            ReleaseMutex(handle_.Get());
    }
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    bool Owned() const { return handle_ && !alreadyExists_; }

private:
    win32::UniqueHandle handle_;
    bool alreadyExists_ = false;
};

int RunService(bool show) {
    Mutex instance(proto::InstanceMutexName());
    if (!instance.Owned() || proto::FindServiceWindow() != nullptr) {
        std::fprintf(stderr, "RemoteService: a service is already running\n");
        return proto::kExitAlreadyRunning;
    }
    const ServiceLog log(ServiceLog::DefaultPath());
    ClientRegistry registry(log);
    ServiceWindow window(registry, [] { PostQuitMessage(0); });
    if (!window.Create()) {
        std::fprintf(stderr, "RemoteService: cannot create the service window\n");
        return proto::kExitFailed;
    }
    VirtualRemote remote(registry, [] { PostQuitMessage(0); });
    if (show) {
        if (!remote.Create(SW_SHOWNORMAL)) {
            std::fprintf(stderr, "RemoteService: cannot create the virtual remote\n");
            return proto::kExitFailed;
        }
        registry.SetOnChange([&remote] { remote.Refresh(); });
    }
    const std::string channel = proto::Channel();
    log.Write("service started" + (channel.empty() ? std::string() : ", channel " + channel) +
              (show ? ", virtual remote shown" : ""));

    MSG message{};
    int result = 0;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0)
            break;
        if (got == -1) {
            result = proto::kExitFailed;
            break;
        }
        if (remote.PreTranslate(&message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    registry.SetOnChange(nullptr);
    log.Write("service stopped");
    return result;
}

int ExitForOutcome(ServiceControl::Outcome outcome) {
    switch (outcome) {
    case ServiceControl::Outcome::Posted:
        return proto::kExitOk;
    case ServiceControl::Outcome::NoService:
        std::fprintf(stderr, "RemoteService: no service is running\n");
        return proto::kExitNoService;
    case ServiceControl::Outcome::NoClient:
        std::fprintf(stderr, "RemoteService: no client is registered\n");
        return proto::kExitNoClient;
    case ServiceControl::Outcome::Failed:
        std::fprintf(stderr, "RemoteService: the message could not be posted\n");
        return proto::kExitFailed;
    }
    return proto::kExitFailed;
}

int NoService() {
    std::fprintf(stderr, "RemoteService: no service is running\n");
    return proto::kExitNoService;
}

int Execute(const ServiceCommand& command) {
    switch (command.kind) {
    case CommandKind::Run:
        return RunService(command.show);
    case CommandKind::Key:
    case CommandKind::Raw:
        return ExitForOutcome(ServiceControl::SendRaw(command.message, command.wParam, command.lParam));
    case CommandKind::Quit:
        return ExitForOutcome(ServiceControl::SendQuit());
    case CommandKind::Resume:
        return ExitForOutcome(ServiceControl::SendResume());
    case CommandKind::Clients: {
        std::vector<ServiceControl::Client> clients;
        if (!ServiceControl::QueryClients(clients))
            return NoService();
        for (const ServiceControl::Client& client : clients) {
            std::printf("0x%08lX %s\n", static_cast<unsigned long>(proto::HandleToWire(client.window)),
                        client.identity.c_str());
        }
        return proto::kExitOk;
    }
    case CommandKind::Attempts:
    case CommandKind::Unregistrations: {
        unsigned count = 0;
        const bool ok = command.kind == CommandKind::Attempts ? ServiceControl::QueryAttempts(count)
                                                              : ServiceControl::QueryUnregistrations(count);
        if (!ok)
            return NoService();
        std::printf("%u\n", count);
        return proto::kExitOk;
    }
    case CommandKind::Stop:
        if (!ServiceControl::IsServiceRunning())
            return NoService();
        if (!ServiceControl::StopService()) {
            std::fprintf(stderr, "RemoteService: the service did not stop\n");
            return proto::kExitFailed;
        }
        return proto::kExitOk;
    case CommandKind::Help:
        std::fputs(UsageText(), stdout);
        return proto::kExitOk;
    case CommandKind::Invalid:
        break;
    }
    std::fprintf(stderr, "RemoteService: %s\n%s", command.error.c_str(), UsageText());
    return proto::kExitUsage;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    const int code = Execute(ParseCommandLine(args));
    std::fflush(stdout);
    return code;
}
