#include "RelyHarness.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <sstream>
#include <vector>

#include "ProcessList.h"
#include "ServiceControl.h"
#include "win32/TopWindows.h"
#include "settings/OvMultiLang.h"
#include "orva/OvAcpi.h"

namespace rely {

namespace {

std::string ShippedFirmware() { return ReadBytes(testsupport::BinFolder() + "OvAcpiDb.txt"); }

bool IsPlayer(HWND window) { return testsupport::WindowClass(window) == facts::kPlayerClass; }

DWORD Crc32(const unsigned char* data, size_t size) {
    DWORD crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc ^ 0xFFFFFFFFu;
}

void PutBigEndian(std::string& bytes, size_t at, DWORD value) {
    bytes[at] = static_cast<char>((value >> 24) & 0xFF);
    bytes[at + 1] = static_cast<char>((value >> 16) & 0xFF);
    bytes[at + 2] = static_cast<char>((value >> 8) & 0xFF);
    bytes[at + 3] = static_cast<char>(value & 0xFF);
}

void PutLittleEndian(std::string& bytes, DWORD value) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// PNG signature (8 bytes) and the IHDR chunk (4 length, 4 type, 13 data, 4 CRC).
constexpr size_t kPngHeaderBytes = 33;

} // namespace

// ---- suite set-up ---------------------------------------------------------

bool PrepareSuite(const testsupport::TempFolder& folder, SuiteFiles& files) {
    ServiceControl::UsePrivateChannel();
    files.database = folder.Path() + "firmware.txt";
    files.osdLog = folder.Path() + "osd.log";
    files.apexLog = folder.Path() + "apex.log";
    files.kelvoLog = folder.Path() + "kelvo.log";
    if (!ResetFirmware(files))
        return false;
    SetEnvironmentVariableA("OVACPI_DB", files.database.c_str());
    SetEnvironmentVariableA("FLASHOBJ_LOG", files.osdLog.c_str());
    // The movies' own parts play faster; the program's holds and idle
    // times stay as they are.
    SetEnvironmentVariableA("FLASHOBJ_SPEED", "4");
    return true;
}

bool ReplaceFile(const std::string& path, const std::string& content) {
    const std::string temporary = path + ".new";
    if (!WriteBytes(temporary, content))
        return false;
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
            return true;
        Sleep(20); // a reader may hold the file for a moment
    }
    DeleteFileA(temporary.c_str());
    return false;
}

bool ResetFirmware(const SuiteFiles& files) {
    const std::string shipped = ShippedFirmware();
    return !shipped.empty() && ReplaceFile(files.database, shipped);
}

bool SetFirmwareFaults(const SuiteFiles& files, const std::vector<std::string>& faults) {
    std::string text = ShippedFirmware();
    if (text.empty())
        return false;
    text += "\n";
    for (const std::string& fault : faults)
        text += "fault " + fault + "\n";
    return ReplaceFile(files.database, text);
}

bool ReplaceFirmwareLine(const SuiteFiles& files, const std::string& line, const std::string& replacement) {
    std::string text = ShippedFirmware();
    const size_t at = text.find(line);
    if (at == std::string::npos)
        return false;
    text.replace(at, line.size(), replacement);
    return ReplaceFile(files.database, text);
}

bool Stage::Prepare() { return !folder_.Path().empty() && PrepareSuite(folder_, files_); }

bool Stage::StartService() { return service_.IsRunning() || service_.Start(); }

bool Stage::StopService() { return !service_.IsRunning() || service_.Stop(); }

bool Stage::StartApex(const std::string& arguments) {
    if (apex_ != nullptr && apex_->IsRunning())
        return true;
    apex_ = std::make_unique<siblings::SiblingProcess>();
    siblings::SiblingEnvironment environment;
    environment.database = files_.database;
    environment.log = files_.apexLog;
    return apex_->Start(siblings::ApexExecutable(), environment, arguments) &&
           apex_->WaitForWindow(siblings::kWindowClass, siblings::kApexCommandCaption, kLongWait) != nullptr &&
           apex_->WaitForWindow(siblings::kWindowClass, siblings::kApexMainCaption, kLongWait) != nullptr;
}

bool Stage::StartKelvo() {
    if (kelvo_ != nullptr && kelvo_->IsRunning())
        return true;
    kelvo_ = std::make_unique<siblings::SiblingProcess>();
    siblings::SiblingEnvironment environment;
    environment.database = files_.database;
    environment.log = files_.kelvoLog;
    return kelvo_->Start(siblings::KelvoExecutable(), environment) &&
           kelvo_->WaitForWindow(siblings::kWindowClass, siblings::kKelvoCaption, kLongWait) != nullptr;
}

bool Stage::StopApex() { return apex_ == nullptr || !apex_->IsRunning() || apex_->Stop(); }

bool Stage::StopKelvo() { return kelvo_ == nullptr || !kelvo_->IsRunning() || kelvo_->Stop(); }

DWORD Stage::ApexId() const { return apex_ != nullptr && apex_->IsRunning() ? apex_->Pid() : 0; }

DWORD Stage::KelvoId() const { return kelvo_ != nullptr && kelvo_->IsRunning() ? kelvo_->Pid() : 0; }

size_t Stage::ApexLines(const std::string& text) const { return siblings::CountLogLines(files_.apexLog, text); }

size_t Stage::KelvoLines(const std::string& text) const { return siblings::CountLogLines(files_.kelvoLog, text); }

size_t CountWindows(const char* className, const char* caption) {
    size_t count = 0;
    win32::FindTopWindow(className, caption, [&count](HWND) {
        ++count;
        return false; // count them all
    });
    return count;
}

namespace {

bool ForEachThread(DWORD processId, bool (*action)(HANDLE)) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    bool any = false;
    bool ok = true;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId)
            continue;
        const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
        if (thread == nullptr) {
            ok = false;
            continue;
        }
        any = true;
        ok = action(thread) && ok;
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return any && ok;
}

} // namespace

bool SuspendProcess(DWORD processId) {
    return ForEachThread(processId, [](HANDLE thread) { return SuspendThread(thread) != static_cast<DWORD>(-1); });
}

bool ResumeProcess(DWORD processId) {
    return ForEachThread(processId, [](HANDLE thread) { return ResumeThread(thread) != static_cast<DWORD>(-1); });
}

bool TerminateProcessById(DWORD processId) {
    const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (process == nullptr)
        return false;
    const bool ok = TerminateProcess(process, 9) != FALSE && WaitForSingleObject(process, kLongWait) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ok;
}

// ---- the program ------------------------------------------------------------

std::string Describe(const Figures& figures) {
    std::ostringstream text;
    text << "handles " << figures.handles << ", threads " << figures.threads << ", windows " << figures.windows
         << ", private " << figures.privateBytes / 1024 << " KiB, working set " << figures.workingSet / 1024 << " KiB";
    return text.str();
}

bool WaitForFreeInstance(DWORD timeoutMs) {
    return testsupport::WaitUntil(
        [] {
            const HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, kProgramIdentity);
            if (mutex == nullptr)
                return true;
            CloseHandle(mutex);
            return false;
        },
        timeoutMs, 200);
}

Program::~Program() {
    if (process_.Running() && !Quit(10000))
        process_.Kill();
}

bool Program::Start(const std::string& folder, const std::vector<std::string>& environment) {
    folder_ = folder.empty() ? testsupport::DistFolder() : folder;
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!WaitForFreeInstance(180000))
            return false;
        if (!process_.Start("\"" + folder_ + "RaveloRemote.exe\"", folder_, environment))
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

bool Program::WaitStarted(bool registered, DWORD timeoutMs) {
    return testsupport::WaitUntil(
               [this, registered] {
                   if (!process_.Running())
                       return true; // reported below
                   const HWND app = testsupport::FindWindowOfProcess(Id(), "TApplication");
                   return testsupport::FindWindowOfProcess(Id(), "TStatusForm") != nullptr && OsdWindow() != nullptr &&
                          app != nullptr && !IsWindowVisible(app) && (!registered || IsRegistered());
               },
               timeoutMs, 50) &&
           process_.Running();
}

HWND Program::MainWindow() const {
    return Id() == 0 ? nullptr : testsupport::FindWindowOfProcess(Id(), "TMainForm", "Ravelo Remote");
}

HWND Program::OsdWindow() const {
    return Id() == 0 ? nullptr : testsupport::FindWindowOfProcess(Id(), "TFlashOsdForm");
}

std::vector<HWND> Program::Players() const {
    std::vector<HWND> players;
    if (Id() == 0)
        return players;
    for (HWND window : testsupport::WindowsOfProcess(Id()))
        if (IsPlayer(window))
            players.push_back(window);
    return players;
}

std::vector<std::string> Program::VisiblePlayerNames() const {
    std::vector<std::string> names;
    for (HWND player : Players())
        if (IsWindowVisible(player))
            names.push_back(testsupport::WindowText(player));
    return names;
}

bool Program::OsdVisible() const {
    const HWND osd = OsdWindow();
    return osd != nullptr && IsWindowVisible(osd);
}

bool Program::Idle() const { return !OsdVisible() && VisiblePlayerNames().empty(); }

std::vector<HWND> Program::MessageBoxes() const {
    std::vector<HWND> boxes;
    if (Id() == 0)
        return boxes;
    for (HWND window : testsupport::WindowsOfProcess(Id()))
        if (testsupport::WindowClass(window) == "#32770")
            boxes.push_back(window);
    return boxes;
}

bool Program::Post(UINT msg, WPARAM wParam, LPARAM lParam) const {
    const HWND main = MainWindow();
    return main != nullptr && PostMessageA(main, msg, wParam, lParam) != FALSE;
}

bool Program::Responsive(DWORD timeoutMs) const {
    const HWND main = MainWindow();
    DWORD_PTR result = 0;
    return main != nullptr && SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

bool Program::IsRegistered() const { return harness::RegisteredWithService(Id()); }

DWORD ThreadCountOf(DWORD processId) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    DWORD count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == processId)
            ++count;
    CloseHandle(snapshot);
    return count;
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

bool Program::Quit(DWORD timeoutMs) {
    if (!process_.Running())
        return process_.ExitCode() == 0;
    if (!(IsRegistered() && ServiceControl::SendQuit() == ServiceControl::Outcome::Posted))
        Post(kServiceQuit, kSuiteMark, 0);
    return process_.Wait(timeoutMs) && process_.ExitCode() == 0;
}

// ---- displays ---------------------------------------------------------------

void DisplayLog::Clear() const { DeleteFileA(path_.c_str()); }

std::string DisplayLog::Text() const { return ReadBytes(path_); }

std::vector<DisplayEvent> DisplayLog::Events() const {
    std::vector<DisplayEvent> events;
    std::istringstream lines(Text());
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        DisplayEvent event;
        if (!(fields >> event.tick >> event.movie >> event.kind >> event.what))
            continue;
        std::getline(fields, event.argument);
        if (!event.argument.empty() && event.argument[0] == ' ')
            event.argument.erase(0, 1);
        events.push_back(event);
    }
    return events;
}

DisplaySequence SequenceOf(const std::vector<DisplayEvent>& events) {
    DisplaySequence sequence;
    for (const DisplayEvent& event : events) {
        const bool start = event.kind == "request" && (event.what == "show" || event.what == "in");
        const bool end = event.kind == "callback" && event.what == "outro";
        if (start) {
            ++sequence.started;
            sequence.starts.push_back(event.movie);
            if (!sequence.active.empty())
                sequence.overlaps.push_back(event.movie + " started at " + std::to_string(event.tick) + " while " +
                                            sequence.active + " was on screen");
            sequence.active = event.movie;
        } else if (end) {
            ++sequence.ended;
            if (sequence.active == event.movie)
                sequence.active.clear();
            else
                sequence.strayEnds.push_back("outro of " + event.movie + " at " + std::to_string(event.tick) +
                                             (sequence.active.empty()
                                                  ? " with nothing on screen"
                                                  : " while " + sequence.active + " was on screen"));
        }
    }
    return sequence;
}

DisplaySequence DisplayLog::Sequence() const { return SequenceOf(Events()); }

int DisplayLog::Count(const std::string& movie, const std::string& command, const std::string& prefix) const {
    int count = 0;
    for (const DisplayEvent& event : Events())
        if (event.kind == "request" && event.movie == movie && event.what == command &&
            event.argument.compare(0, prefix.size(), prefix) == 0)
            ++count;
    return count;
}

std::string DisplayLog::LastArgument(const std::string& movie, const std::string& command) const {
    std::string argument;
    for (const DisplayEvent& event : Events())
        if (event.kind == "request" && event.movie == movie && event.what == command)
            argument = event.argument;
    return argument;
}

std::string DisplayLog::Tail(size_t lines) const {
    const std::string text = Text();
    size_t at = text.size();
    for (size_t n = 0; n <= lines && at > 0; ++n)
        at = text.rfind('\n', at - 1);
    std::string tail = at == std::string::npos ? text : text.substr(at + 1);
    // A 1 MB caption would drown the message.
    for (size_t start = 0; start < tail.size();) {
        size_t stop = tail.find('\n', start);
        if (stop == std::string::npos)
            stop = tail.size();
        if (stop - start > 300) {
            tail.replace(start + 300, stop - start - 300, "...");
            stop = start + 303;
        }
        start = stop + 1;
    }
    return tail;
}

ScreenWatch::ScreenWatch(const Program& program) : program_(program) {
    InitializeCriticalSection(&lock_);
    thread_ = std::thread([this] { Run(); });
}

ScreenWatch::~ScreenWatch() {
    Stop();
    DeleteCriticalSection(&lock_);
}

void ScreenWatch::Stop() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

std::string ScreenWatch::Worst() const {
    EnterCriticalSection(&lock_);
    std::string worst = worst_;
    LeaveCriticalSection(&lock_);
    return worst;
}

void ScreenWatch::Run() {
    while (!stop_) {
        const std::vector<std::string> names = program_.VisiblePlayerNames();
        if (program_.OsdVisible())
            osdSeen_ = true;
        const int count = static_cast<int>(names.size());
        if (count > maxPlayers_) {
            maxPlayers_ = count;
            std::string text;
            for (const std::string& name : names)
                text += (text.empty() ? "" : ", ") + name;
            EnterCriticalSection(&lock_);
            worst_ = text;
            LeaveCriticalSection(&lock_);
        }
        ++samples_;
        Sleep(5);
    }
}

::testing::AssertionResult WaitIdle(const Program& program, const DisplayLog* log, DWORD timeoutMs, DWORD settleMs) {
    DWORD idleSince = 0;
    bool idle = false;
    const bool settled = testsupport::WaitUntil(
        [&] {
            if (!program.Running())
                return true;
            const bool now = program.Idle() && (log == nullptr || log->Sequence().active.empty());
            if (!now) {
                idle = false;
                return false;
            }
            if (!idle) {
                idle = true;
                idleSince = GetTickCount();
            }
            return GetTickCount() - idleSince >= settleMs;
        },
        timeoutMs, 50);
    if (!program.Running())
        return ::testing::AssertionFailure() << "the program has ended";
    if (!settled) {
        ::testing::AssertionResult failure = ::testing::AssertionFailure();
        failure << "the program did not come back to its idle state; OSD "
                << (program.OsdVisible() ? "visible" : "hidden") << ", players on screen:";
        for (const std::string& name : program.VisiblePlayerNames())
            failure << " " << name;
        if (log != nullptr)
            failure << "\nmovie log:\n" << log->Tail();
        return failure;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult KeyShowsDisplay(const Program& program, const DisplayLog* log, LONG key, DWORD timeoutMs) {
    const int before = log != nullptr ? log->Sequence().started : 0;
    if (!program.PostKey(key))
        return ::testing::AssertionFailure() << "key " << key << " could not be posted";
    const bool shown = testsupport::WaitUntil(
        [&] {
            return program.OsdVisible() || (log != nullptr && log->Sequence().started > before) || !program.Running();
        },
        timeoutMs, 10);
    if (!program.Running())
        return ::testing::AssertionFailure() << "the program ended after key " << key;
    if (!shown)
        return ::testing::AssertionFailure() << "key " << key << " brought up no display"
                                             << (log != nullptr ? "; movie log:\n" + log->Tail() : std::string());
    return WaitIdle(program, log);
}

::testing::AssertionResult AliveAndAnswering(const Program& program, const DisplayLog* log, LONG probeKey) {
    if (!program.Running())
        return ::testing::AssertionFailure() << "the program has ended";
    const std::vector<HWND> boxes = program.MessageBoxes();
    if (!boxes.empty())
        return ::testing::AssertionFailure()
               << "the program shows a message box: \"" << testsupport::WindowText(boxes.front()) << "\"";
    if (!program.Responsive(10000))
        return ::testing::AssertionFailure() << "the program does not answer messages";
    ::testing::AssertionResult idle = WaitIdle(program, log);
    if (!idle)
        return idle;
    return KeyShowsDisplay(program, log, probeKey);
}

namespace {
std::string& TextFolder() {
    static std::string folder;
    return folder;
}
std::string TextFolderSource() { return TextFolder(); }
} // namespace

std::string ProgramText(const char* key, const std::string& folder) {
    TextFolder() = folder.empty() ? testsupport::DistFolder() : folder;
    OvMultiLang::SetFolderSource(&TextFolderSource);
    const std::string text = OvMultiLang::Instance().GetText(key);
    OvMultiLang::SetFolderSource(nullptr);
    return text;
}

// ---- a case's surroundings ------------------------------------------------------

std::unique_ptr<Stage> StagedTest::stage_;
bool StagedTest::prepared_ = false;

void StagedTest::SetUpTestSuite() {
    stage_ = std::make_unique<Stage>();
    prepared_ = stage_->Prepare() && stage_->StartService();
}

void StagedTest::TearDownTestSuite() { stage_.reset(); }

void StagedTest::SetUp() {
    ASSERT_TRUE(prepared_) << "the suite's files or the service could not be set up";
    ASSERT_TRUE(ResetFirmware(stage_->Files()));
    log_.SetPath(stage_->Files().osdLog);
    log_.Clear();
    // The stand-ins read the same database and see the same faults.
    ASSERT_TRUE(stage_->StartApex());
    ASSERT_TRUE(stage_->StartKelvo());
}

void StagedTest::TearDown() {
    if (program_.Running()) {
        EXPECT_TRUE(program_.Quit()) << "the program did not quit";
    }
    ResetFirmware(stage_->Files());
    stage_->StopApex();
    stage_->StopKelvo();
}

void StagedTest::StartProgram(const std::string& folder) {
    ASSERT_TRUE(program_.Start(folder));
    ASSERT_TRUE(program_.WaitStarted()) << "from " << program_.Folder();
    ASSERT_TRUE(program_.MessageBoxes().empty())
        << "at start-up: \"" << testsupport::WindowText(program_.MessageBoxes().front()) << "\"";
}

// ---- files and registry -----------------------------------------------------

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WriteBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        bytes.empty() ||
        (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size());
    CloseHandle(file);
    return ok;
}

std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::string ProfileFileBytes(DWORD version, DWORD count, const std::vector<std::pair<DWORD, DWORD>>& records) {
    std::string bytes;
    bytes.reserve(12 + records.size() * 8);
    PutLittleEndian(bytes, 0);
    PutLittleEndian(bytes, version);
    PutLittleEndian(bytes, count);
    for (const auto& record : records) {
        PutLittleEndian(bytes, record.first);
        PutLittleEndian(bytes, record.second);
    }
    return bytes;
}

std::string CorruptPng(const std::string& png) {
    std::string bytes = png;
    // Header intact, so the decoder gets past the signature and the size,
    // then meets nonsense in every chunk after it.
    for (size_t i = kPngHeaderBytes + 8; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ static_cast<char>(0x5A + (i % 7)));
    return bytes;
}

std::string TruncatedPng(const std::string& png, size_t keep) { return png.substr(0, std::min(keep, png.size())); }

std::string PngClaimingSize(const std::string& png, DWORD width, DWORD height) {
    std::string bytes = png;
    if (bytes.size() < kPngHeaderBytes || bytes.compare(12, 4, "IHDR") != 0)
        return bytes;
    PutBigEndian(bytes, 16, width);
    PutBigEndian(bytes, 20, height);
    const DWORD crc = Crc32(reinterpret_cast<const unsigned char*>(bytes.data()) + 12, 17);
    PutBigEndian(bytes, 29, crc);
    return bytes;
}

} // namespace rely
