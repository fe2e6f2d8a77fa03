#include "AcpiStore.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <mutex>
#include <set>
#include <vector>

#include "win32/Handles.h"
#include "win32/ModulePath.h"

namespace ovacpi {
namespace {

// A database is a small text file; anything far larger is not one.
constexpr LONGLONG kMaxDatabaseBytes = 4 * 1024 * 1024;
constexpr int kRetries = 50;
constexpr DWORD kRetryPauseMs = 20;
constexpr DWORD kLockTimeoutMs = 15000;

// Serialises writers of one database file across processes.
class WriterLock {
public:
    explicit WriterLock(const std::string& path) : mutex_(CreateMutexA(nullptr, FALSE, NameFor(path).c_str())) {
        if (!mutex_.IsValid())
            return;
        const DWORD r = WaitForSingleObject(mutex_.Get(), kLockTimeoutMs);
        // An abandoned mutex is still ours; the file itself is always whole.
        held_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
    }
    ~WriterLock() {
        if (held_)
            ReleaseMutex(mutex_.Get());
    }
    WriterLock(const WriterLock&) = delete;
    WriterLock& operator=(const WriterLock&) = delete;
    bool held() const { return held_; }

private:
    static std::string NameFor(const std::string& path) {
        char full[MAX_PATH * 2] = {};
        const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
        const std::string key = n > 0 && n < sizeof full ? std::string(full, n) : path;
        uint32_t hash = 2166136261u; // FNV-1a over the case-folded path
        for (unsigned char c : key) {
            hash ^= static_cast<unsigned char>(std::tolower(c == '/' ? '\\' : c));
            hash *= 16777619u;
        }
        char name[48];
        std::snprintf(name, sizeof name, "OVACPI-database-%08X", static_cast<unsigned>(hash));
        return name;
    }

    win32::UniqueHandle mutex_;
    bool held_ = false;
};

// Removes a temporary file unless it was renamed into place.
class TempFile {
public:
    explicit TempFile(std::string path) : path_(std::move(path)) {}
    ~TempFile() {
        if (!kept_)
            DeleteFileA(path_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }
    void keep() { kept_ = true; }

private:
    std::string path_;
    bool kept_ = false;
};

// The folder of this DLL (or of the tool that links the store), which is
// where its default database lies.
std::string ModuleFolder() {
    static const int anchor = 0;
    const HMODULE module = win32::ModuleContaining(&anchor);
    return module == nullptr ? std::string() : win32::ModuleFolder(module);
}

HANDLE OpenForReading(const std::string& path) {
    for (int attempt = 0;; ++attempt) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return h;
        // A writer replacing the file can briefly lock it on Windows.
        const DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt >= kRetries)
            return INVALID_HANDLE_VALUE;
        Sleep(kRetryPauseMs);
    }
}

bool ReadText(const std::string& path, std::string* text) {
    win32::UniqueHandle file(OpenForReading(path));
    if (!file.IsValid())
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 || size.QuadPart > kMaxDatabaseBytes)
        return false;
    text->assign(static_cast<size_t>(size.QuadPart), '\0');
    size_t done = 0;
    while (done < text->size()) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), &(*text)[done], static_cast<DWORD>(text->size() - done), &got, nullptr))
            return false;
        if (got == 0)
            break;
        done += got;
    }
    text->resize(done);
    return true;
}

bool WriteAll(HANDLE file, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        DWORD put = 0;
        if (!WriteFile(file, text.data() + done, static_cast<DWORD>(text.size() - done), &put, nullptr) || put == 0)
            return false;
        done += put;
    }
    return true;
}

bool ReplaceWhole(const std::string& path, const std::string& text) {
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".%lu-%lu.tmp", static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned long>(GetCurrentThreadId()));
    TempFile temp(path + suffix);
    {
        win32::UniqueHandle file(
            CreateFileA(temp.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid() || !WriteAll(file.Get(), text) || !FlushFileBuffers(file.Get()))
            return false;
    }
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExA(temp.path().c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            temp.keep();
            return true;
        }
        // Windows refuses to replace a file a reader has open at this moment.
        if (attempt >= kRetries)
            return false;
        Sleep(kRetryPauseMs);
    }
}

// A skipped line as it is shown: control bytes made visible, long lines cut.
std::string Printable(const std::string& line) {
    constexpr size_t kShown = 160;
    std::string out;
    for (size_t i = 0; i < line.size() && i < kShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        out.push_back(c < 0x20 || c == 0x7F ? '?' : line[i]);
    }
    if (line.size() > kShown)
        out += "...";
    return out;
}

std::mutex g_reportedLock;
std::set<std::string> g_reported;

// Each skipped line once per process, however often the file is read.
void Report(const std::string& path, const Database& db) {
    if (db.problems.empty())
        return;
    std::lock_guard<std::mutex> guard(g_reportedLock);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    for (const Problem& p : db.problems) {
        const std::string key = path + '\n' + std::to_string(p.line) + '\n' + p.text;
        if (!g_reported.insert(key).second)
            continue;
        const std::string message = "OVACPI: " + path + " line " + std::to_string(p.line) + " skipped (" + p.reason +
                                    "): " + Printable(p.text) + "\n";
        if (err != nullptr && err != INVALID_HANDLE_VALUE) {
            DWORD put = 0;
            WriteFile(err, message.data(), static_cast<DWORD>(message.size()), &put, nullptr);
        }
    }
}

} // namespace

std::string DatabasePath() {
    std::vector<char> value(MAX_PATH);
    for (;;) {
        const DWORD n = GetEnvironmentVariableA(kDatabaseVariable, value.data(), static_cast<DWORD>(value.size()));
        if (n == 0)
            break;
        if (n < value.size())
            return std::string(value.data(), n);
        if (n > 32768)
            break;
        value.resize(n + 1);
    }
    const std::string folder = ModuleFolder();
    return folder.empty() ? std::string() : folder + kDefaultDatabaseName;
}

bool LoadDatabase(Database* db) {
    const std::string path = DatabasePath();
    std::string text;
    if (path.empty() || !ReadText(path, &text))
        return false;
    *db = ParseDatabase(text);
    Report(path, *db);
    return true;
}

bool StoreValue(uint32_t id, int32_t value) {
    const std::string path = DatabasePath();
    if (path.empty())
        return false;
    WriterLock lock(path);
    if (!lock.held())
        return false;
    std::string text;
    if (!ReadText(path, &text))
        return false;
    const Database db = ParseDatabase(text);
    Report(path, db);
    if (db.HasGlobal(Fault::FailAll))
        return false;
    const Item* item = db.Find(id);
    if (item == nullptr || !Accepts(*item, value))
        return false;
    if (item->value == value)
        return true; // nothing to write; a read-only program folder is fine
    std::string changed;
    if (!ReplaceValue(text, id, value, &changed))
        return false;
    return ReplaceWhole(path, changed);
}

} // namespace ovacpi
