// The ".oc" profile file reader. The program reads a file in slices of
// records; the whole-buffer reading must give the same clock whatever the
// slice size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "settings/ProfileFile.h"

namespace {

// The program's slice-wise reading, over a buffer instead of a file.
std::uint32_t ClockInSlices(const unsigned char* bytes, std::size_t size, std::size_t recordsPerSlice) {
    const std::uint32_t count = profile::RecordCount(bytes, size);
    if (count == 0)
        return 0;
    std::size_t at = profile::kHeaderBytes;
    std::uint32_t left = count;
    while (left > 0) {
        const std::size_t want = left < recordsPerSlice ? left : recordsPerSlice;
        const std::size_t wantBytes = want * profile::kRecordBytes;
        const std::size_t got = size - at < wantBytes ? size - at : wantBytes;
        std::uint32_t clock = 0;
        if (profile::FindClock(bytes + at, got, clock))
            return clock;
        if (got < wantBytes)
            break;
        at += got;
        left -= static_cast<std::uint32_t>(want);
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint32_t whole = profile::ClockOfFile(data, size);
    const std::size_t slice = size > 0 ? 1 + data[size - 1] % 7 : 1;
    if (ClockInSlices(data, size, slice) != whole || ClockInSlices(data, size, 512) != whole)
        std::abort();
    return 0;
}
