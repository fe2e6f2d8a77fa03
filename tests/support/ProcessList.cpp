#include "ProcessList.h"

#include <cstring>
#include <vector>

namespace testsupport {

namespace {

constexpr ULONG kSystemProcessInformation = 5;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

} // namespace

bool FindProcessRecord(DWORD processId, ProcessRecord& record) {
    static const auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr)
        return false;
    std::vector<unsigned char> buffer(256 * 1024);
    LONG status = kInfoLengthMismatch;
    for (int attempt = 0; attempt < 6 && status == kInfoLengthMismatch; ++attempt) {
        ULONG needed = 0;
        status = query(kSystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch)
            buffer.resize(buffer.size() * 2 > needed ? buffer.size() * 2 : needed + 4096);
    }
    if (status != 0)
        return false;
    // Every record is read whole from inside the buffer, whatever the
    // offsets say.
    for (size_t offset = 0; offset + sizeof(ProcessRecord) <= buffer.size();) {
        ProcessRecord entry{};
        std::memcpy(&entry, buffer.data() + offset, sizeof entry);
        if (static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(entry.uniqueProcessId)) == processId) {
            record = entry;
            return true;
        }
        if (entry.nextEntryOffset == 0)
            break;
        offset += entry.nextEntryOffset;
    }
    return false;
}

} // namespace testsupport
