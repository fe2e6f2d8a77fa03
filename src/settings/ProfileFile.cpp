#include "settings/ProfileFile.h"

namespace profile {
namespace {

std::uint32_t WordAt(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

} // namespace

std::uint32_t RecordCount(const unsigned char* header, std::size_t size) {
    if (header == nullptr || size < kHeaderBytes)
        return 0;
    const std::uint32_t version = WordAt(header + 4);
    const std::uint32_t count = WordAt(header + 8);
    if (version > kNewestVersion)
        return 0;
    // A record area that does not fit in 32 bits marks a damaged file.
    if (count > 0xFFFFFFFFu / kRecordBytes)
        return 0;
    return count;
}

bool FindClock(const unsigned char* records, std::size_t size, std::uint32_t& clock) {
    if (records == nullptr)
        return false;
    const std::size_t complete = size / kRecordBytes;
    for (std::size_t r = 0; r < complete; ++r) {
        const unsigned char* record = records + r * kRecordBytes;
        if (WordAt(record) == kClockSetting) {
            clock = WordAt(record + 4);
            return true;
        }
    }
    return false;
}

std::uint32_t ClockOfFile(const unsigned char* bytes, std::size_t size) {
    const std::uint32_t count = RecordCount(bytes, size);
    if (count == 0)
        return 0;
    const std::size_t held = (size - kHeaderBytes) / kRecordBytes;
    const std::size_t records = held < count ? held : count;
    std::uint32_t clock = 0;
    return FindClock(bytes + kHeaderBytes, records * kRecordBytes, clock) ? clock : 0;
}

} // namespace profile
