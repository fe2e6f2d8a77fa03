#include "RelyHarness.h"

#include <algorithm>
#include <vector>

#include "settings/OvMultiLang.h"
#include "win32/Handles.h"
#include "win32/TopWindows.h"

namespace rely {

namespace {

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

// PNG signature (8 bytes) and the IHDR chunk (4 length, 4 type, 13 data, 4 CRC).
constexpr size_t kPngHeaderBytes = 33;

} // namespace

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
    bool any = false;
    bool ok = true;
    for (DWORD id : testsupport::ThreadsOfProcess(processId)) {
        const win32::UniqueHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, id));
        if (!thread) {
            ok = false;
            continue;
        }
        any = true;
        ok = action(thread.Get()) && ok;
    }
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
    const win32::UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    return process && TerminateProcess(process.Get(), 9) != FALSE &&
           WaitForSingleObject(process.Get(), kLongWait) == WAIT_OBJECT_0;
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

::testing::AssertionResult WaitIdle(const Program& program, const PlayerLog* log, DWORD timeoutMs, DWORD settleMs) {
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

::testing::AssertionResult KeyShowsDisplay(const Program& program, const PlayerLog* log, LONG key, DWORD timeoutMs) {
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

::testing::AssertionResult AliveAndAnswering(const Program& program, const PlayerLog* log, LONG probeKey) {
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

void StagedTest::SetUp() {
    SuiteTest::SetUp();
    // The stand-ins read the same database and see the same faults.
    ASSERT_TRUE(suite_->StartApex());
    ASSERT_TRUE(suite_->StartKelvo());
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
