#include "ProcessProbe.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "ProcessList.h"
#include "TestSupport.h"

namespace bench {

namespace {

double FileTimeMs(const FILETIME& time) {
    ULARGE_INTEGER value{};
    value.LowPart = time.dwLowDateTime;
    value.HighPart = time.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 10000.0;
}

using testsupport::FindProcessRecord;
using testsupport::ProcessRecord;

double RecordCpuMs(const ProcessRecord& record) {
    return static_cast<double>(record.userTime.QuadPart + record.kernelTime.QuadPart) / 10000.0;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// "run_ns wait_ns slices" of /proc/.../schedstat.
bool ReadSchedStat(const std::string& path, double& runMs, double& slices) {
    const std::string text = testsupport::ReadTextFile(path, 4096);
    if (text.empty())
        return false;
    char* end = nullptr;
    const double run = std::strtod(text.c_str(), &end);
    if (end == text.c_str())
        return false;
    char* next = nullptr;
    std::strtod(end, &next); // time spent waiting for a CPU
    if (next == end)
        return false;
    char* last = nullptr;
    const double count = std::strtod(next, &last);
    if (last == next)
        return false;
    runMs = run / 1e6;
    slices = count;
    return true;
}

// utime + stime of /proc/<pid>/stat, in ms (USER_HZ is 100 on Linux).
bool ReadStatCpuMs(const std::string& path, double& cpuMs) {
    const std::string text = testsupport::ReadTextFile(path, 4096);
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return false;
    std::vector<std::string> fields;
    size_t at = close + 1;
    while (at < text.size() && fields.size() < 16) {
        while (at < text.size() && text[at] == ' ')
            ++at;
        const size_t start = at;
        while (at < text.size() && text[at] != ' ' && text[at] != '\n')
            ++at;
        if (at > start)
            fields.push_back(text.substr(start, at - start));
        else
            break;
    }
    // Field 3 (state) is the first after the name: utime is field 14, stime 15.
    if (fields.size() < 13)
        return false;
    cpuMs = (std::strtod(fields[11].c_str(), nullptr) + std::strtod(fields[12].c_str(), nullptr)) * 10.0;
    return true;
}

bool IsNumber(const char* text) {
    if (*text == '\0')
        return false;
    for (; *text != '\0'; ++text)
        if (*text < '0' || *text > '9')
            return false;
    return true;
}

} // namespace

ProcessProbe::~ProcessProbe() { Close(); }

bool ProcessProbe::Open(DWORD processId) {
    Close();
    process_.Reset(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process_)
        return false;
    processId_ = processId;
    processTimesChecked_ = 0;
    return true;
}

void ProcessProbe::Close() {
    process_.Reset();
    processId_ = 0;
    unixPid_ = 0;
}

// GetProcessTimes counts only when it agrees with the system's process
// list: Wine answers it for another process with numbers that are not
// times at all.
bool ProcessProbe::GetProcessTimesUsable() {
    if (processTimesChecked_ != 0)
        return processTimesChecked_ > 0;
    FILETIME created{}, exited{}, kernel{}, user{};
    ProcessRecord record{};
    if (!GetProcessTimes(process_.Get(), &created, &exited, &kernel, &user) || !FindProcessRecord(processId_, record)) {
        processTimesChecked_ = -1;
        return false;
    }
    const double own = FileTimeMs(kernel) + FileTimeMs(user);
    const double listed = RecordCpuMs(record);
    const double difference = own > listed ? own - listed : listed - own;
    processTimesChecked_ = (own > 0 && difference <= 50 + listed / 10) ? 1 : -1;
    return processTimesChecked_ > 0;
}

ProcessFigures ProcessProbe::Sample() {
    ProcessFigures figures;
    if (!process_)
        return figures;
    ProcessRecord record{};
    const bool listed = FindProcessRecord(processId_, record);

    FILETIME created{}, exited{}, kernel{}, user{};
    if (GetProcessTimesUsable() && GetProcessTimes(process_.Get(), &created, &exited, &kernel, &user)) {
        figures.cpuMs = FileTimeMs(kernel) + FileTimeMs(user);
        figures.cpuSource = "GetProcessTimes";
    } else if (listed) {
        figures.cpuMs = RecordCpuMs(record);
        figures.cpuSource = "process list";
    }

    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process_.Get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory) &&
        memory.WorkingSetSize > 0) {
        figures.workingSetBytes = static_cast<double>(memory.WorkingSetSize);
        figures.privateBytes =
            static_cast<double>(memory.PrivateUsage > 0 ? memory.PrivateUsage : memory.PagefileUsage);
        figures.memorySource = "GetProcessMemoryInfo";
    } else if (listed) {
        // Windows keeps the commit charge in both fields; Wine fills only
        // the page-file one.
        figures.workingSetBytes = static_cast<double>(record.workingSetSize);
        figures.privateBytes =
            static_cast<double>(record.privatePageCount > 0 ? record.privatePageCount : record.pagefileUsage);
        figures.memorySource = "process list";
    }

    DWORD handles = 0;
    if (GetProcessHandleCount(process_.Get(), &handles) && handles > 0) {
        figures.handles = handles;
        figures.handleSource = "GetProcessHandleCount";
    } else if (listed) {
        figures.handles = record.handleCount;
        figures.handleSource = "process list";
    }

    figures.threads = static_cast<DWORD>(ThreadIds(processId_).size());
    figures.valid = listed || !figures.cpuSource.empty();
    return figures;
}

double ProcessProbe::ThreadCpuMs(DWORD threadId) {
    win32::UniqueHandle thread(OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId));
    if (!thread)
        return -1;
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetThreadTimes(thread.Get(), &created, &exited, &kernel, &user))
        return -1;
    return FileTimeMs(kernel) + FileTimeMs(user);
}

std::vector<DWORD> ProcessProbe::ThreadIds(DWORD processId) { return testsupport::ThreadsOfProcess(processId); }

bool ProcessProbe::FindUnixProcess(const std::string& executablePath, const std::string& environmentEntry) {
    unixPid_ = 0;
    WIN32_FIND_DATAA found{};
    win32::FindHandle find(FindFirstFileA("Z:\\proc\\*", &found));
    if (!find)
        return false;
    const std::string path = Lower(executablePath);
    const std::string entry = std::string(1, '\0') + environmentEntry + std::string(1, '\0');
    int matches = 0;
    int pid = 0;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || !IsNumber(found.cFileName))
            continue;
        const std::string folder = std::string("Z:\\proc\\") + found.cFileName + "\\";
        if (!Contains(Lower(testsupport::ReadTextFile(folder + "cmdline", 64 * 1024)), path))
            continue;
        if (!environmentEntry.empty()) {
            const std::string environment =
                std::string(1, '\0') + testsupport::ReadTextFile(folder + "environ", 1 << 20);
            if (!Contains(environment, entry))
                continue;
        }
        ++matches;
        pid = std::atoi(found.cFileName);
    } while (FindNextFileA(find.Get(), &found));
    if (matches != 1)
        return false;
    unixPid_ = pid;
    return true;
}

double ProcessProbe::UnixLeaderRunMs() const {
    if (unixPid_ <= 0)
        return -1;
    const std::string pid = std::to_string(unixPid_);
    double runMs = 0, slices = 0;
    if (!ReadSchedStat("Z:\\proc\\" + pid + "\\task\\" + pid + "\\schedstat", runMs, slices))
        return -1;
    return runMs;
}

namespace {

// Calls visit(thread id, run ms, slices) for every thread of the process
// whose schedstat could be read; false when the task folder cannot be listed.
template <typename Visit>
bool ForEachTask(int unixPid, Visit visit) {
    const std::string folder = "Z:\\proc\\" + std::to_string(unixPid) + "\\task\\";
    WIN32_FIND_DATAA found{};
    win32::FindHandle find(FindFirstFileA((folder + "*").c_str(), &found));
    if (!find)
        return false;
    do {
        if (!IsNumber(found.cFileName))
            continue;
        double runMs = 0, slices = 0;
        if (ReadSchedStat(folder + found.cFileName + "\\schedstat", runMs, slices))
            visit(std::atoi(found.cFileName), runMs, slices);
    } while (FindNextFileA(find.Get(), &found));
    return true;
}

} // namespace

std::map<int, double> ProcessProbe::UnixThreadRunMs() const {
    std::map<int, double> threads;
    if (unixPid_ > 0)
        ForEachTask(unixPid_, [&threads](int id, double runMs, double) { threads[id] = runMs; });
    return threads;
}

double ProcessProbe::UnixThreadRunMs(int threadId) const {
    if (unixPid_ <= 0 || threadId <= 0)
        return -1;
    double runMs = 0, slices = 0;
    if (!ReadSchedStat("Z:\\proc\\" + std::to_string(unixPid_) + "\\task\\" + std::to_string(threadId) + "\\schedstat",
                       runMs, slices))
        return -1;
    return runMs;
}

UnixFigures ProcessProbe::SampleUnix() const {
    UnixFigures figures;
    if (unixPid_ <= 0)
        return figures;
    const std::string folder = "Z:\\proc\\" + std::to_string(unixPid_) + "\\";
    if (!ReadStatCpuMs(folder + "stat", figures.processCpuMs))
        return figures;
    const std::string leader = folder + "task\\" + std::to_string(unixPid_) + "\\";
    if (!ReadStatCpuMs(leader + "stat", figures.leaderCpuMs))
        return figures;
    if (!ReadSchedStat(leader + "schedstat", figures.leaderRunMs, figures.leaderSlices))
        return figures;
    figures.valid = ForEachTask(unixPid_, [&figures](int, double runMs, double slices) {
        figures.tasksRunMs += runMs;
        figures.tasksSlices += slices;
        ++figures.tasks;
    });
    return figures;
}

} // namespace bench
