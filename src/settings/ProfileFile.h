// The ".oc" profile file format, over bytes: a header (first word, version,
// record count) and records (setting id, value), all 32-bit little-endian.
// The files sit in a folder every user can write, so nothing here trusts
// them; the caller reads the file and hands the bytes over.
#pragma once
#include <cstddef>
#include <cstdint>

namespace profile {

// What a profile file's name ends with.
constexpr char kProfileExtension[] = ".oc";
constexpr std::size_t kHeaderBytes = 12;
constexpr std::size_t kRecordBytes = 8;
constexpr std::uint32_t kNewestVersion = 1;
// The setting id under which records keep the clock step.
constexpr std::uint32_t kClockSetting = 0x03010011;

// The record count of a header of `size` bytes; 0 when the header is short,
// its version is above 1, its count is 0 or so large that the record area
// does not fit in 32 bits.
std::uint32_t RecordCount(const unsigned char* header, std::size_t size);

// The value of the first clock record among the complete records in
// `records` (size bytes; a trailing partial record is ignored). False when
// none of them holds the clock.
bool FindClock(const unsigned char* records, std::size_t size, std::uint32_t& clock);

// A whole file: the first clock record within the records the header
// claims and the bytes hold, or 0.
std::uint32_t ClockOfFile(const unsigned char* bytes, std::size_t size);

} // namespace profile
