// Another process's figures from the system's process list: Wine answers
// GetProcessHandleCount and the private bytes of another process with 0,
// while the list carries the server's own counts.
#pragma once
#include <windows.h>

namespace testsupport {

struct CountedText {
    USHORT length;
    USHORT maximumLength;
    PWSTR buffer;
};

// One record of the list (SystemProcessInformation), as documented for
// NtQuerySystemInformation.
struct ProcessRecord {
    ULONG nextEntryOffset;
    ULONG numberOfThreads;
    LARGE_INTEGER workingSetPrivateSize;
    ULONG hardFaultCount;
    ULONG numberOfThreadsHighWatermark;
    ULONGLONG cycleTime;
    LARGE_INTEGER createTime;
    LARGE_INTEGER userTime;
    LARGE_INTEGER kernelTime;
    CountedText imageName;
    LONG basePriority;
    HANDLE uniqueProcessId;
    HANDLE inheritedFromUniqueProcessId;
    ULONG handleCount;
    ULONG sessionId;
    ULONG_PTR uniqueProcessKey;
    SIZE_T peakVirtualSize;
    SIZE_T virtualSize;
    ULONG pageFaultCount;
    SIZE_T peakWorkingSetSize;
    SIZE_T workingSetSize;
    SIZE_T quotaPeakPagedPoolUsage;
    SIZE_T quotaPagedPoolUsage;
    SIZE_T quotaPeakNonPagedPoolUsage;
    SIZE_T quotaNonPagedPoolUsage;
    SIZE_T pagefileUsage;
    SIZE_T peakPagefileUsage;
    SIZE_T privatePageCount;
};

// The record of one process; false when the list cannot be read or the
// process is not in it.
bool FindProcessRecord(DWORD processId, ProcessRecord& record);

} // namespace testsupport
