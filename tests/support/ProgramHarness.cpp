#include "ProgramHarness.h"

#include <psapi.h>

#include <initializer_list>
#include <sstream>

#include "ProcessList.h"
#include "ProtocolFacts.h"
#include "orva/OvAcpi.h"
#include "win32/TopWindows.h"

namespace harness {

// ---- the firmware -------------------------------------------------------------

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

// ---- the suite ------------------------------------------------------------------

namespace {
std::string ShippedFirmware() { return testsupport::ReadTextFile(testsupport::BinFolder() + "OvAcpiDb.txt"); }
} // namespace

bool ResetFirmware(const SuiteFiles& files) {
    const std::string shipped = ShippedFirmware();
    return !shipped.empty() && testsupport::ReplaceFile(files.database, shipped);
}

bool SetFirmwareFaults(const SuiteFiles& files, const std::vector<std::string>& faults) {
    std::string text = ShippedFirmware();
    if (text.empty())
        return false;
    text += "\n";
    for (const std::string& fault : faults)
        text += "fault " + fault + "\n";
    return testsupport::ReplaceFile(files.database, text);
}

bool ReplaceFirmwareLine(const SuiteFiles& files, const std::string& line, const std::string& replacement) {
    std::string text = ShippedFirmware();
    const size_t at = text.find(line);
    if (at == std::string::npos)
        return false;
    text.replace(at, line.size(), replacement);
    return testsupport::ReplaceFile(files.database, text);
}

Suite::~Suite() {
    StopApex();
    StopKelvo();
    StopService();
}

bool Suite::Prepare() {
    if (Folder().empty())
        return false;
    ServiceControl::UsePrivateChannel();
    files_.database = Folder() + "firmware.txt";
    files_.playerLog = Folder() + "player.log";
    files_.apexLog = Folder() + "apex.log";
    files_.kelvoLog = Folder() + "kelvo.log";
    if (!ResetFirmware(files_))
        return false;
    SetEnvironmentVariableA("OVACPI_DB", files_.database.c_str());
    if (options_.playerLog)
        SetEnvironmentVariableA("FLASHOBJ_LOG", files_.playerLog.c_str());
    if (options_.playerSpeed > 0)
        SetEnvironmentVariableA("FLASHOBJ_SPEED", std::to_string(options_.playerSpeed).c_str());
    return true;
}

bool Suite::StartService() { return service_.IsRunning() || service_.Start(); }

bool Suite::StopService() { return !service_.IsRunning() || service_.Stop(); }

namespace {

// A stand-in on the suite's database with its log; true once its windows
// of the given captions are up.
bool StartSibling(std::unique_ptr<siblings::SiblingProcess>& sibling, const std::string& executable,
                  const SuiteFiles& files, const std::string& log, const std::string& arguments,
                  std::initializer_list<const char*> captions) {
    if (sibling != nullptr && sibling->IsRunning())
        return true;
    sibling = std::make_unique<siblings::SiblingProcess>();
    siblings::SiblingEnvironment environment;
    environment.database = files.database;
    environment.log = log;
    if (!sibling->Start(executable, environment, arguments))
        return false;
    for (const char* caption : captions)
        if (sibling->WaitForWindow(siblings::kWindowClass, caption, kLongWait) == nullptr)
            return false;
    return true;
}

} // namespace

bool Suite::StartApex(const std::string& arguments) {
    return StartSibling(apex_, siblings::ApexExecutable(), files_, files_.apexLog, arguments,
                        {siblings::kApexCommandCaption, siblings::kApexMainCaption});
}

bool Suite::StartKelvo() {
    return StartSibling(kelvo_, siblings::KelvoExecutable(), files_, files_.kelvoLog, std::string(),
                        {siblings::kKelvoCaption});
}

bool Suite::StopApex() { return apex_ == nullptr || !apex_->IsRunning() || apex_->Stop(); }

bool Suite::StopKelvo() { return kelvo_ == nullptr || !kelvo_->IsRunning() || kelvo_->Stop(); }

DWORD Suite::ApexId() const { return apex_ != nullptr && apex_->IsRunning() ? apex_->Pid() : 0; }

DWORD Suite::KelvoId() const { return kelvo_ != nullptr && kelvo_->IsRunning() ? kelvo_->Pid() : 0; }

size_t Suite::ApexLines(const std::string& text) const { return siblings::CountLogLines(files_.apexLog, text); }

size_t Suite::KelvoLines(const std::string& text) const { return siblings::CountLogLines(files_.kelvoLog, text); }

// ---- the program ----------------------------------------------------------------

std::string Describe(const Figures& figures) {
    std::ostringstream text;
    text << "handles " << figures.handles << ", threads " << figures.threads << ", windows " << figures.windows
         << ", private " << figures.privateBytes / 1024 << " KiB, working set " << figures.workingSet / 1024 << " KiB";
    return text.str();
}

DWORD ThreadCountOf(DWORD processId) { return static_cast<DWORD>(testsupport::ThreadsOfProcess(processId).size()); }

bool WaitForFreeInstance(DWORD timeoutMs) {
    return testsupport::WaitUntil([] { return !win32::UniqueHandle(OpenMutexA(SYNCHRONIZE, FALSE, kProgramIdentity)); },
                                  timeoutMs, 200);
}

bool RegisteredWithService(DWORD processId) {
    std::vector<ServiceControl::Client> clients;
    if (processId == 0 || !ServiceControl::QueryClients(clients))
        return false;
    for (const ServiceControl::Client& client : clients)
        if (win32::OwnerProcess(client.window) == processId &&
            testsupport::WindowClass(client.window) == facts::kMainClass && client.identity == kProgramIdentity)
            return true;
    return false;
}

Program::~Program() {
    if (process_.Running() && !Quit(10000))
        process_.Kill();
}

bool Program::Launch(const std::string& folder, const std::vector<std::string>& environment) {
    folder_ = folder.empty() ? testsupport::DistFolder() : folder;
    return process_.Start("\"" + folder_ + "RaveloRemote.exe\"", folder_, environment);
}

bool Program::Start(const std::string& folder, const std::vector<std::string>& environment) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!WaitForFreeInstance(180000) || !Launch(folder, environment))
            return false;
        bool ended = false;
        const bool windowSeen = testsupport::WaitUntil(
                                    [&] {
                                        if (MainWindow() != nullptr)
                                            return true;
                                        ended = !process_.Running();
                                        return ended;
                                    },
                                    kLongWait, 25) &&
                                !ended;
        if (windowSeen)
            return true;
        // A copy that found the instance mutex taken ends at once with 0
        // and without a window: another run got there first.
        if (!ended || process_.ExitCode() != 0)
            return false;
    }
    return false;
}

bool Program::Ready(bool registered, size_t players) const {
    // One walk over the windows: the bench polls this as fast as it can.
    bool main = false, osd = false, status = false, appHidden = false;
    size_t playersMade = 0;
    for (HWND window : testsupport::WindowsOfProcess(Id())) {
        const std::string name = testsupport::WindowClass(window);
        main = main || (name == facts::kMainClass && testsupport::WindowText(window) == facts::kMainCaption);
        osd = osd || name == facts::kOsdClass;
        status = status || name == facts::kStatusClass;
        appHidden = appHidden || (name == facts::kApplicationClass && !IsWindowVisible(window));
        playersMade += name == facts::kPlayerClass ? 1 : 0;
    }
    return Id() != 0 && main && osd && status && appHidden && playersMade >= players && (!registered || IsRegistered());
}

bool Program::WaitStarted(bool registered, DWORD timeoutMs) const {
    // An ended program is reported below, not waited for.
    return testsupport::WaitUntil([this, registered] { return !Running() || Ready(registered); }, timeoutMs, 50) &&
           Running();
}

bool Program::WaitRegistered(DWORD timeoutMs) const {
    return testsupport::WaitUntil([this] { return IsRegistered(); }, timeoutMs, 50);
}

HWND Program::Window(const char* className) const {
    return Id() == 0 ? nullptr : testsupport::FindWindowOfProcess(Id(), className);
}

HWND Program::MainWindow() const {
    return Id() == 0 ? nullptr : testsupport::FindWindowOfProcess(Id(), facts::kMainClass, facts::kMainCaption);
}

HWND Program::AppWindow() const { return Window(facts::kApplicationClass); }

HWND Program::OsdWindow() const { return Window(facts::kOsdClass); }

HWND Program::StatusWindow() const { return Window(facts::kStatusClass); }

namespace {
std::vector<HWND> WindowsOfClass(DWORD processId, const char* className) {
    std::vector<HWND> windows;
    if (processId == 0)
        return windows;
    for (HWND window : testsupport::WindowsOfProcess(processId))
        if (testsupport::WindowClass(window) == className)
            windows.push_back(window);
    return windows;
}
} // namespace

std::vector<HWND> Program::Players() const { return WindowsOfClass(Id(), facts::kPlayerClass); }

std::vector<HWND> Program::MessageBoxes() const { return WindowsOfClass(Id(), facts::kMessageBoxClass); }

std::vector<std::string> Program::VisiblePlayerNames() const {
    std::vector<std::string> names;
    for (HWND player : Players())
        if (IsWindowVisible(player))
            names.push_back(testsupport::WindowText(player));
    return names;
}

std::vector<HWND> Program::VisibleWindowsWithArea() const {
    std::vector<HWND> visible;
    for (HWND window : testsupport::WindowsOfProcess(Id())) {
        RECT r{};
        GetWindowRect(window, &r);
        if (IsWindowVisible(window) && r.right > r.left && r.bottom > r.top)
            visible.push_back(window);
    }
    return visible;
}

bool Program::OsdVisible() const {
    const HWND osd = OsdWindow();
    return osd != nullptr && IsWindowVisible(osd);
}

bool Program::Idle() const { return !OsdVisible() && VisiblePlayerNames().empty(); }

bool Program::Post(UINT msg, WPARAM wParam, LPARAM lParam) const {
    const HWND main = MainWindow();
    return main != nullptr && PostMessageA(main, msg, wParam, lParam) != FALSE;
}

bool Program::Responsive(DWORD timeoutMs) const {
    const HWND main = MainWindow();
    DWORD_PTR result = 0;
    return main != nullptr && SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

Figures Program::Measure() const {
    Figures figures;
    if (process_.Handle() == nullptr)
        return figures;
    figures.threads = ThreadCountOf(Id());
    figures.windows = testsupport::WindowsOfProcess(Id()).size();
    // Wine answers GetProcessHandleCount and the private bytes of another
    // process with 0; the system's process list has the server's figures.
    testsupport::ProcessRecord record{};
    const bool listed = testsupport::FindProcessRecord(Id(), record);
    if (!GetProcessHandleCount(process_.Handle(), &figures.handles) || figures.handles == 0)
        figures.handles = listed ? record.handleCount : 0;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process_.Handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        figures.privateBytes = memory.PrivateUsage > 0 ? memory.PrivateUsage : memory.PagefileUsage;
        figures.workingSet = memory.WorkingSetSize;
    }
    if (listed && figures.privateBytes == 0)
        figures.privateBytes = record.privatePageCount > 0 ? record.privatePageCount : record.pagefileUsage;
    if (listed && figures.workingSet == 0)
        figures.workingSet = record.workingSetSize;
    return figures;
}

bool Program::EndsWithZero(DWORD timeoutMs) { return process_.Wait(timeoutMs) && process_.ExitCode() == 0; }

bool Program::Quit(DWORD timeoutMs) {
    if (!process_.Running())
        return process_.ExitCode() == 0;
    if (!(IsRegistered() && ServiceControl::SendQuit() == ServiceControl::Outcome::Posted))
        Post(kServiceQuit, kSuiteMark, 0);
    return EndsWithZero(timeoutMs);
}

// ---- a case with the suite around the program -----------------------------

std::unique_ptr<Suite> SuiteTest::suite_;
bool SuiteTest::prepared_ = false;
bool SuiteTest::keepService_ = false;

void SuiteTest::PrepareSuite(const SuiteOptions& options, bool keepService) {
    suite_ = std::make_unique<Suite>(options);
    keepService_ = keepService;
    prepared_ = suite_->Prepare() && (!keepService || suite_->StartService());
}

void SuiteTest::SetUp() {
    ASSERT_TRUE(prepared_) << "the suite's files or its service could not be set up";
    ASSERT_TRUE(ResetFirmware(Files()));
    log_.SetPath(Files().playerLog);
    log_.Clear();
    DeleteFileA(Files().apexLog.c_str());
    DeleteFileA(Files().kelvoLog.c_str());
}

void SuiteTest::TearDown() {
    if (program_.Running()) {
        EXPECT_TRUE(program_.Quit()) << "the program did not quit";
    }
    suite_->StopApex();
    suite_->StopKelvo();
    if (!keepService_)
        suite_->StopService();
    ResetFirmware(Files());
}

void SuiteTest::StartProgram(const std::string& folder) {
    ASSERT_TRUE(program_.Start(folder));
    ASSERT_TRUE(program_.WaitStarted()) << "from " << program_.Folder();
    ASSERT_TRUE(program_.MessageBoxes().empty())
        << "at start-up: \"" << testsupport::WindowText(program_.MessageBoxes().front()) << "\"";
}

} // namespace harness
