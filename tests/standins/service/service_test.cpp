// The service stand-in end to end: RemoteService.exe as a child process,
// client windows registered through ORVASERVICE.DLL, the messages they
// receive, the command line's exit codes and the service's bookkeeping.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ServiceControl.h"
#include "MessageRecorder.h"
#include "ProtocolFacts.h"
#include "ServiceProtocol.h"
#include "TestSupport.h"
#include "win32/Handles.h"

namespace proto = RemoteServiceProtocol;
using ServiceControl::Outcome;
using testsupport::Received;
using testsupport::WaitUntil;

namespace {

// The program's identity, as it registers.
constexpr const WCHAR* kIdentity = kServiceIdentity;
constexpr const char* kIdentityText = kProgramIdentity;
constexpr DWORD kWaitMs = 20000;

// The service's messages in its own words.
std::string ServiceMessageName(UINT message, WPARAM wParam, LPARAM lParam) {
    return proto::DescribeMessage(message, wParam, lParam);
}

std::string Describe(const std::vector<Received>& messages) {
    std::string text;
    for (const Received& m : messages)
        text += "  " + testsupport::Describe(m, ServiceMessageName) + "\n";
    return text.empty() ? "  (none)\n" : text;
}

bool Recorded(UINT message) { return (message >= WM_USER && message <= WM_USER + 8) || message == WM_POWERBROADCAST; }

// Sent after the messages a test expects, along the same way: once it is
// in, whatever was sent before it is in too.
constexpr UINT kMarker = WM_USER + 6;
constexpr WPARAM kMarkerMark = 0x4D4B;

// A hidden top-level window, as the program's main window is, recording the
// service messages it receives.
class ClientWindow {
public:
    ClientWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &ClientWindow::Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ServiceTestClient";
        RegisterClassA(&windowClass); // a second window reuses the class
        window_ = CreateWindowExA(WS_EX_TOOLWINDOW, "ServiceTestClient", "client", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window_ != nullptr)
            SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~ClientWindow() { Destroy(); }
    ClientWindow(const ClientWindow&) = delete;
    ClientWindow& operator=(const ClientWindow&) = delete;

    HWND Get() const { return window_; }
    void Destroy() {
        if (window_ != nullptr)
            DestroyWindow(window_);
        window_ = nullptr;
    }
    const std::vector<Received>& Messages() const { return messages_; }
    size_t Markers() const { return markers_; }
    void Clear() { messages_.clear(); }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ClientWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self != nullptr && message == kMarker && wParam == kMarkerMark) {
            ++self->markers_;
            return 0;
        }
        if (self != nullptr && Recorded(message)) {
            self->messages_.push_back(Received{message, wParam, lParam, false});
            return 0;
        }
        if (message == WM_DESTROY && self != nullptr)
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    std::vector<Received> messages_;
    size_t markers_ = 0;
};

// Waits for the expected number of messages, then for a marker sent after
// them so that an unexpected extra one shows up too: through the service
// to a client it knows, straight to the window otherwise.
std::vector<Received> Collect(ClientWindow& client, size_t expected) {
    WaitUntil([&] { return client.Messages().size() >= expected; }, kWaitMs);
    const size_t markers = client.Markers();
    std::vector<ServiceControl::Client> clients;
    const bool known = ServiceControl::QueryClients(clients) &&
                       std::any_of(clients.begin(), clients.end(),
                                   [&](const ServiceControl::Client& c) { return c.window == client.Get(); });
    if (!known || ServiceControl::SendRaw(kMarker, kMarkerMark, 0) != Outcome::Posted)
        PostMessageA(client.Get(), kMarker, kMarkerMark, 0);
    EXPECT_TRUE(WaitUntil([&] { return client.Markers() > markers; }, kWaitMs)) << "the marker never came";
    return client.Messages();
}

::testing::AssertionResult SameServiceMessages(const std::vector<Received>& expected,
                                               const std::vector<Received>& actual) {
    return testsupport::SameMessages(expected, actual, ServiceMessageName);
}

class ServiceDll {
public:
    using Function = BOOL(WINAPI*)(HWND, const WCHAR*);
    static Function Entry(HMODULE module, const char* name) {
        // Through the generic function pointer type, which converts to any other.
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    }
    ServiceDll() : module_(LoadLibraryA("ORVASERVICE.DLL")) {
        if (module_) {
            register_ = Entry(module_.Get(), "OvSysSvr_RegisterNotify");
            unregister_ = Entry(module_.Get(), "OvSysSvr_UnregisterNotify");
        }
    }

    bool Loaded() const { return register_ != nullptr && unregister_ != nullptr; }
    BOOL Register(HWND window, const WCHAR* identity = kIdentity) const { return register_(window, identity); }
    BOOL Unregister(HWND window, const WCHAR* identity = kIdentity) const { return unregister_(window, identity); }

private:
    win32::UniqueModule module_;
    Function register_ = nullptr;
    Function unregister_ = nullptr;
};

struct CliResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};

// Runs "RemoteService.exe <arguments>" and collects its exit code and output.
CliResult RunCli(const std::string& arguments, DWORD timeoutMs = 60000) {
    CliResult result;
    result.exitCode = testsupport::RunCommand("\"" + ServiceControl::DefaultServicePath() + "\" " + arguments,
                                              &result.output, timeoutMs);
    return result;
}

using testsupport::Lines;
using testsupport::ReadTextFile;

std::string WindowText(HWND window) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(proto::HandleToWire(window)));
    return text;
}

std::string g_logPath;

class ServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // A channel of our own: no other service on this desktop interferes.
        ServiceControl::UsePrivateChannel();
        char folder[MAX_PATH] = {};
        GetTempPathA(sizeof folder, folder);
        g_logPath = std::string(folder) + "ravelo_service_test_" + std::to_string(GetCurrentProcessId()) + ".log";
        SetEnvironmentVariableA(proto::kLogVariable, g_logPath.c_str());
    }
    static void TearDownTestSuite() { DeleteFileA(g_logPath.c_str()); }

    void SetUp() override {
        DeleteFileA(g_logPath.c_str());
        ASSERT_TRUE(dll_.Loaded()) << "ORVASERVICE.DLL or its undecorated exports are missing";
        ASSERT_TRUE(ServiceControl::WaitForService(false, kWaitMs)) << "a service of an earlier test is still running";
    }
    void TearDown() override {
        service_.Stop();
        ServiceControl::WaitForService(false, kWaitMs);
    }

    void StartService() { ASSERT_TRUE(service_.Start()) << "RemoteService.exe run did not come up"; }

    std::vector<ServiceControl::Client> Clients() {
        std::vector<ServiceControl::Client> clients;
        EXPECT_TRUE(ServiceControl::QueryClients(clients));
        return clients;
    }
    unsigned Attempts() {
        unsigned count = 0xFFFFFFFF;
        EXPECT_TRUE(ServiceControl::QueryAttempts(count));
        return count;
    }

    ServiceDll dll_;
    ServiceControl::ServiceProcess service_;
};

TEST_F(ServiceTest, RegistrationFailsUntilTheServiceRuns) {
    ClientWindow client;
    ASSERT_NE(nullptr, client.Get());
    EXPECT_FALSE(dll_.Register(client.Get()));
    EXPECT_FALSE(dll_.Unregister(client.Get()));
    unsigned count = 0;
    EXPECT_FALSE(ServiceControl::QueryAttempts(count));

    StartService();
    // The calls made while it was down never reached it.
    EXPECT_EQ(0u, Attempts());
    EXPECT_TRUE(dll_.Register(client.Get()));
    EXPECT_EQ(1u, Attempts());

    // Down again: registration fails again; a fresh service starts from zero.
    ASSERT_TRUE(service_.Stop());
    EXPECT_EQ(0u, service_.ExitCode());
    EXPECT_FALSE(dll_.Register(client.Get()));
    StartService();
    EXPECT_EQ(0u, Attempts());
    EXPECT_TRUE(Clients().empty());
    EXPECT_TRUE(dll_.Register(client.Get()));
    EXPECT_EQ(1u, Attempts());
}

TEST_F(ServiceTest, ClientReceivesExactlyThePostedMessages) {
    StartService();
    ClientWindow client;
    ASSERT_TRUE(dll_.Register(client.Get()));

    std::vector<Received> expected;
    unsigned reached = 0;
    for (LONG key = kKeyProfileA; key <= kKeyTuneDown; ++key) {
        ASSERT_EQ(Outcome::Posted, ServiceControl::SendKey(key, &reached)) << key;
        EXPECT_EQ(1u, reached);
        expected.push_back({1032, 0x55, key});
    }
    // Odd messages go out exactly as given.
    ASSERT_EQ(Outcome::Posted, ServiceControl::SendRaw(1032, 0x155, 144));
    expected.push_back({1032, 0x155, 144});
    ASSERT_EQ(Outcome::Posted, ServiceControl::SendRaw(1028, 0x55, 0));
    expected.push_back({1028, 0x55, 0});
    ASSERT_EQ(Outcome::Posted, ServiceControl::SendRaw(1024, 0x155, -7));
    expected.push_back({1024, 0x155, -7});
    ASSERT_EQ(Outcome::Posted, ServiceControl::SendResume());
    expected.push_back({WM_POWERBROADCAST, 7, 0});
    ASSERT_EQ(Outcome::Posted, ServiceControl::SendQuit());
    expected.push_back({1024, 0x55, 0});

    const std::vector<Received> received = Collect(client, expected.size());
    EXPECT_TRUE(SameServiceMessages(expected, received));

    // Quit forgets the client: nothing more is sent to it.
    EXPECT_TRUE(Clients().empty());
    EXPECT_EQ(Outcome::NoClient, ServiceControl::SendKey(144, &reached));
    EXPECT_EQ(0u, reached);
    EXPECT_EQ(Outcome::NoClient, ServiceControl::SendQuit());
    EXPECT_EQ(Outcome::NoClient, ServiceControl::SendResume());
    EXPECT_EQ(expected.size(), Collect(client, expected.size()).size());
}

TEST_F(ServiceTest, EveryClientReceivesAndRegisteringAgainKeepsOneEntry) {
    StartService();
    ClientWindow first;
    ClientWindow second;
    ASSERT_TRUE(dll_.Register(first.Get()));
    ASSERT_TRUE(dll_.Register(second.Get(), L"second"));
    ASSERT_TRUE(dll_.Register(first.Get(), L"renamed"));
    std::vector<ServiceControl::Client> clients = Clients();
    ASSERT_EQ(2u, clients.size());
    EXPECT_EQ(first.Get(), clients[0].window);
    EXPECT_EQ("renamed", clients[0].identity);
    EXPECT_EQ(second.Get(), clients[1].window);
    EXPECT_EQ("second", clients[1].identity);

    unsigned reached = 0;
    ASSERT_EQ(Outcome::Posted, ServiceControl::SendKey(147, &reached));
    EXPECT_EQ(2u, reached);
    const std::vector<Received> expected = {{1032, 0x55, 147}};
    EXPECT_TRUE(SameServiceMessages(expected, Collect(first, 1)));
    EXPECT_TRUE(SameServiceMessages(expected, Collect(second, 1)));
}

TEST_F(ServiceTest, UnregisterRemovesOnlyTheMatchingClient) {
    StartService();
    ClientWindow first;
    ClientWindow second;
    ASSERT_TRUE(dll_.Register(first.Get()));
    ASSERT_TRUE(dll_.Register(second.Get(), L"other"));

    EXPECT_FALSE(dll_.Unregister(first.Get(), L"other")) << "identity must match";
    EXPECT_EQ(2u, Clients().size());
    EXPECT_TRUE(dll_.Unregister(first.Get()));
    EXPECT_FALSE(dll_.Unregister(first.Get())) << "already gone";
    EXPECT_FALSE(dll_.Unregister(first.Get(), nullptr));

    std::vector<ServiceControl::Client> clients = Clients();
    ASSERT_EQ(1u, clients.size());
    EXPECT_EQ(second.Get(), clients[0].window);

    ASSERT_EQ(Outcome::Posted, ServiceControl::SendKey(150));
    EXPECT_TRUE(SameServiceMessages(std::vector<Received>{{1032, 0x55, 150}}, Collect(second, 1)));
    EXPECT_TRUE(Collect(first, 0).empty()) << Describe(first.Messages());

    unsigned unregistrations = 0;
    ASSERT_TRUE(ServiceControl::QueryUnregistrations(unregistrations));
    EXPECT_EQ(4u, unregistrations);
    EXPECT_EQ(2u, Attempts()) << "unregister calls are not registration attempts";

    EXPECT_TRUE(dll_.Unregister(second.Get(), L"other"));
    EXPECT_EQ(Outcome::NoClient, ServiceControl::SendKey(150));
}

TEST_F(ServiceTest, ADeadClientIsDropped) {
    StartService();
    ClientWindow dead;
    ClientWindow alive;
    ASSERT_TRUE(dll_.Register(dead.Get(), L"dead"));
    ASSERT_TRUE(dll_.Register(alive.Get(), L"alive"));
    const std::string deadText = WindowText(dead.Get());
    dead.Destroy();

    unsigned reached = 0;
    ASSERT_EQ(Outcome::Posted, ServiceControl::SendKey(145, &reached));
    EXPECT_EQ(1u, reached);
    EXPECT_TRUE(SameServiceMessages(std::vector<Received>{{1032, 0x55, 145}}, Collect(alive, 1)));
    std::vector<ServiceControl::Client> clients = Clients();
    ASSERT_EQ(1u, clients.size());
    EXPECT_EQ(alive.Get(), clients[0].window);

    // Without any request, the service's own sweep notices a window that has
    // gone and says so in its log.
    ClientWindow later;
    ASSERT_TRUE(dll_.Register(later.Get(), L"later"));
    const std::string laterText = WindowText(later.Get());
    later.Destroy();
    EXPECT_TRUE(WaitUntil([&] {
        return ReadTextFile(g_logPath).find("drop " + laterText + " later") != std::string::npos;
    })) << ReadTextFile(g_logPath);
    EXPECT_NE(std::string::npos, ReadTextFile(g_logPath).find("drop " + deadText + " dead"));

    alive.Destroy();
    EXPECT_EQ(Outcome::NoClient, ServiceControl::SendKey(145));
}

TEST_F(ServiceTest, RefusedRegistrationsAreCountedToo) {
    StartService();
    ClientWindow client;
    ClientWindow gone;
    const HWND goneHandle = gone.Get();
    gone.Destroy();

    std::wstring tooLong(proto::kMaxIdentity + 1, L'x');
    std::wstring longest(proto::kMaxIdentity, L'y');
    EXPECT_FALSE(dll_.Register(client.Get(), nullptr));
    EXPECT_FALSE(dll_.Register(client.Get(), L""));
    EXPECT_FALSE(dll_.Register(client.Get(), tooLong.c_str()));
    EXPECT_FALSE(dll_.Register(goneHandle));
    EXPECT_FALSE(dll_.Register(nullptr));
    EXPECT_TRUE(Clients().empty());
    EXPECT_EQ(5u, Attempts());

    EXPECT_TRUE(dll_.Register(client.Get(), longest.c_str()));
    EXPECT_EQ(6u, Attempts());
    std::vector<ServiceControl::Client> clients = Clients();
    ASSERT_EQ(1u, clients.size());
    EXPECT_EQ(std::string(proto::kMaxIdentity, 'y'), clients[0].identity);

    // A line break in an identity cannot forge a second line of the list.
    ClientWindow other;
    EXPECT_TRUE(dll_.Register(other.Get(), L"one\n0x00000001 forged"));
    clients = Clients();
    ASSERT_EQ(2u, clients.size());
    EXPECT_EQ(other.Get(), clients[1].window);
    EXPECT_EQ("one?0x00000001 forged", clients[1].identity);
}

TEST_F(ServiceTest, MalformedRequestsAreRefused) {
    StartService();
    const HWND service = proto::FindServiceWindow();
    ASSERT_NE(nullptr, service);
    ClientWindow client;

    auto send = [&](ULONG_PTR code, void* data, DWORD size) {
        COPYDATASTRUCT request{code, size, data};
        DWORD_PTR result = 0xDEAD;
        EXPECT_NE(0, SendMessageTimeoutA(service, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&request), SMTO_ABORTIFHUNG,
                                         kWaitMs, &result));
        return result;
    };
    proto::RegisterRequest registration{};
    registration.window = proto::HandleToWire(client.Get());
    registration.identityValid = 1;
    registration.identityLength = 3;
    registration.identity[0] = L'a';
    registration.identity[1] = L'b';
    registration.identity[2] = L'c';
    // Short, long and missing payloads, and an unknown request.
    EXPECT_EQ(0u, send(proto::kRegister, &registration, sizeof registration - 2));
    std::vector<char> longer(sizeof registration + 16, 0);
    EXPECT_EQ(0u, send(proto::kRegister, longer.data(), static_cast<DWORD>(longer.size())));
    EXPECT_EQ(0u, send(proto::kRegister, nullptr, 0));
    EXPECT_EQ(0u, send(proto::kPost, nullptr, 0));
    EXPECT_EQ(0u, send(proto::kClients, nullptr, 0));
    EXPECT_EQ(0u, send(0x1234, &registration, sizeof registration));
    // A length field beyond the text is treated as no identity.
    registration.identityLength = proto::kMaxIdentity + 1;
    EXPECT_EQ(0u, send(proto::kRegister, &registration, sizeof registration));
    EXPECT_EQ(1u, Attempts()) << "only the well-formed request counts";
    EXPECT_TRUE(Clients().empty());

    registration.identityLength = 3;
    EXPECT_EQ(1u, send(proto::kRegister, &registration, sizeof registration));
    std::vector<ServiceControl::Client> clients = Clients();
    ASSERT_EQ(1u, clients.size());
    EXPECT_EQ("abc", clients[0].identity);
}

TEST_F(ServiceTest, APostTheSystemRefusesIsReportedAsFailed) {
    StartService();
    ClientWindow client;
    ASSERT_TRUE(dll_.Register(client.Get()));
    // WM_SETTEXT carries a pointer: it cannot be posted to another process.
    EXPECT_EQ(Outcome::Failed, ServiceControl::SendRaw(WM_SETTEXT, 0, 0x1000));
    EXPECT_EQ(5u, RunCli("raw 12 0 0x1000").exitCode);
    EXPECT_EQ(1u, Clients().size()) << "a live client stays registered";
}

TEST_F(ServiceTest, CommandLineExitCodesAndOutput) {
    // No service: every command that needs one says so.
    for (const char* command :
         {"key 144", "quit", "resume", "raw 1032 0x155 144", "clients", "attempts", "unregistrations", "stop"}) {
        EXPECT_EQ(1u, RunCli(command).exitCode) << command;
    }
    // A bad command line is refused before anything is sent (which lines are
    // bad is the parser's test, command_line_test.cpp).
    EXPECT_EQ(3u, RunCli("key x").exitCode);
    EXPECT_EQ(0u, RunCli("help").exitCode);
    // A service runs until it is stopped: its run ends at the time-out, even
    // though it holds its output open.
    const DWORD started = GetTickCount();
    EXPECT_EQ(~0u, RunCli("run", 1000).exitCode);
    EXPECT_LT(GetTickCount() - started, 15000u);
    ASSERT_TRUE(ServiceControl::WaitForService(false, kWaitMs)) << "the service run at the time-out was not ended";

    StartService();
    EXPECT_EQ(4u, RunCli("run").exitCode) << "a second service must refuse to start";
    EXPECT_EQ(2u, RunCli("key 144").exitCode) << "no client yet";
    EXPECT_EQ(2u, RunCli("quit").exitCode);
    EXPECT_EQ(2u, RunCli("resume").exitCode);
    EXPECT_EQ(2u, RunCli("raw 1032 0x55 144").exitCode);
    CliResult clients = RunCli("clients");
    EXPECT_EQ(0u, clients.exitCode);
    EXPECT_EQ("", clients.output);

    ClientWindow client;
    ASSERT_TRUE(dll_.Register(client.Get()));
    EXPECT_EQ(0u, RunCli("key 149").exitCode);
    EXPECT_EQ(0u, RunCli("raw 1032 0x155 144").exitCode);
    EXPECT_EQ(0u, RunCli("raw 1031 0x55 -1").exitCode);
    EXPECT_EQ(0u, RunCli("resume").exitCode);
    // Each command returns only after its message is posted, so the order holds.
    const std::vector<Received> expected = {
        {1032, 0x55, 149}, {1032, 0x155, 144}, {1031, 0x55, -1}, {WM_POWERBROADCAST, 7, 0}};
    EXPECT_TRUE(SameServiceMessages(expected, Collect(client, expected.size())));

    clients = RunCli("clients");
    EXPECT_EQ(0u, clients.exitCode);
    EXPECT_EQ(std::vector<std::string>{WindowText(client.Get()) + " " + kIdentityText}, Lines(clients.output));
    CliResult attempts = RunCli("attempts");
    EXPECT_EQ(0u, attempts.exitCode);
    EXPECT_EQ(std::vector<std::string>{"1"}, Lines(attempts.output));
    EXPECT_TRUE(dll_.Unregister(client.Get()));
    CliResult unregistrations = RunCli("unregistrations");
    EXPECT_EQ(std::vector<std::string>{"1"}, Lines(unregistrations.output));
    ASSERT_TRUE(dll_.Register(client.Get()));

    client.Clear();
    EXPECT_EQ(0u, RunCli("quit").exitCode);
    EXPECT_TRUE(SameServiceMessages(std::vector<Received>{{1024, 0x55, 0}}, Collect(client, 1)));
    EXPECT_EQ(2u, RunCli("key 144").exitCode) << "quit forgot the client";

    // stop returns once the service has ended, which itself exits with 0.
    EXPECT_EQ(0u, RunCli("stop").exitCode);
    EXPECT_FALSE(ServiceControl::IsServiceRunning());
    EXPECT_TRUE(WaitUntil([&] { return !service_.IsRunning(); }));
    EXPECT_EQ(0u, service_.ExitCode());
    EXPECT_EQ(1u, RunCli("key 144").exitCode);
    EXPECT_EQ(1u, RunCli("stop").exitCode);
}

TEST_F(ServiceTest, LogRecordsRegistrationsUnregistrationsAndPosts) {
    StartService();
    ClientWindow client;
    ASSERT_TRUE(dll_.Register(client.Get()));
    ASSERT_EQ(Outcome::Posted, ServiceControl::SendKey(146));
    ASSERT_TRUE(dll_.Unregister(client.Get()));
    ASSERT_TRUE(service_.Stop());

    const std::string text = ReadTextFile(g_logPath);
    const std::string window = WindowText(client.Get());
    const std::vector<std::string> wanted = {
        "service started, channel " + proto::Channel(),
        "register " + window + " " + kIdentityText + " (attempt 1): ok",
        "post 1032 WM_USER+8 (remote key) wParam 0x00000055 lParam 146 (profile C) to " + window + ": ok",
        "unregister " + window + " " + kIdentityText + ": ok",
        "service stopped",
    };
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(wanted.size(), lines.size()) << text;
    for (size_t i = 0; i < wanted.size(); ++i) {
        // "YYYY-MM-DD hh:mm:ss.mmm " and then the entry.
        ASSERT_GT(lines[i].size(), 24u) << lines[i];
        EXPECT_EQ('-', lines[i][4]) << lines[i];
        EXPECT_EQ(':', lines[i][13]) << lines[i];
        EXPECT_EQ(wanted[i], lines[i].substr(24));
    }
    EXPECT_EQ(wanted.size(), static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
    EXPECT_EQ(wanted.size(), static_cast<size_t>(std::count(text.begin(), text.end(), '\r')));
}

TEST_F(ServiceTest, VirtualRemoteButtonsPostToTheClients) {
    ASSERT_TRUE(service_.Start(std::string(), true));
    HWND remote = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        remote = FindWindowA("RaveloVirtualRemote", nullptr);
        return remote != nullptr && IsWindowVisible(remote);
    }));
    DWORD owner = 0;
    GetWindowThreadProcessId(remote, &owner);
    EXPECT_EQ(service_.ProcessId(), owner);

    ClientWindow client;
    ASSERT_TRUE(dll_.Register(client.Get()));
    // Each of the nine buttons, as a click reports it to its parent.
    const int ids[] = {144, 145, 146, 147, 148, 149, 150, 200, 201};
    for (int id : ids) {
        const HWND button = GetDlgItem(remote, id);
        ASSERT_NE(nullptr, button) << id;
        SendMessageA(remote, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }
    const std::vector<Received> expected = {{1032, 0x55, 144}, {1032, 0x55, 145},         {1032, 0x55, 146},
                                            {1032, 0x55, 147}, {1032, 0x55, 148},         {1032, 0x55, 149},
                                            {1032, 0x55, 150}, {WM_POWERBROADCAST, 7, 0}, {1024, 0x55, 0}};
    EXPECT_TRUE(SameServiceMessages(expected, Collect(client, expected.size())));
    EXPECT_TRUE(Clients().empty()) << "the quit button forgets the client too";

    // Closing the remote ends the service normally.
    PostMessageA(remote, WM_CLOSE, 0, 0);
    EXPECT_TRUE(ServiceControl::WaitForService(false, kWaitMs));
    EXPECT_TRUE(WaitUntil([&] { return !service_.IsRunning(); }));
    EXPECT_EQ(0u, service_.ExitCode());
}

} // namespace
