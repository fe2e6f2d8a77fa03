#include "PngChunks.h"

#include <array>

namespace pngio {
namespace {

constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// Chunk lengths are 31-bit by the format's own rule.
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFFu;

std::array<std::uint32_t, 256> MakeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

std::uint32_t ReadBe32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
}

bool TypeIs(const std::uint8_t* type, const char* name) {
    return type[0] == std::uint8_t(name[0]) && type[1] == std::uint8_t(name[1]) && type[2] == std::uint8_t(name[2]) &&
           type[3] == std::uint8_t(name[3]);
}

bool ValidDepthForColorType(std::uint8_t colorType, std::uint8_t depth) {
    switch (colorType) {
    case 0:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
        return depth == 8 || depth == 16;
    default:
        return false;
    }
}

struct Chunk {
    std::uint32_t length = 0;
    const std::uint8_t* type = nullptr;
    const std::uint8_t* data = nullptr;
};

// Reads the chunk at offset; false when it runs past the end or its CRC is wrong.
bool ReadChunk(const std::uint8_t* data, std::size_t size, std::size_t offset, Chunk& chunk) {
    if (offset > size || size - offset < 12)
        return false;
    const std::uint32_t length = ReadBe32(data + offset);
    if (length > kMaxChunkLength || size - offset - 12 < length)
        return false;
    const std::uint8_t* type = data + offset + 4;
    const std::uint32_t stored = ReadBe32(type + 4 + length);
    if (Crc32(type, std::size_t(length) + 4) != stored)
        return false;
    chunk.length = length;
    chunk.type = type;
    chunk.data = type + 4;
    return true;
}

} // namespace

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
    static const std::array<std::uint32_t, 256> table = MakeCrcTable();
    std::uint32_t c = crc ^ 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        c = table[(c ^ data[i]) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool ParsePngHeader(const std::uint8_t* data, std::size_t size, PngHeader& header) {
    if (data == nullptr || size < kPngHeaderBytes)
        return false;
    for (std::size_t i = 0; i < sizeof(kSignature); ++i) {
        if (data[i] != kSignature[i])
            return false;
    }
    Chunk chunk;
    if (!ReadChunk(data, size, sizeof(kSignature), chunk))
        return false;
    if (!TypeIs(chunk.type, "IHDR") || chunk.length != 13)
        return false;
    const std::uint8_t* p = chunk.data;
    PngHeader h;
    h.width = ReadBe32(p);
    h.height = ReadBe32(p + 4);
    h.bitDepth = p[8];
    h.colorType = p[9];
    const std::uint8_t compression = p[10];
    const std::uint8_t filter = p[11];
    h.interlace = p[12];
    if (h.width == 0 || h.height == 0 || h.width > kMaxChunkLength || h.height > kMaxChunkLength)
        return false;
    if (static_cast<unsigned long long>(h.width) * h.height > kMaxPixels)
        return false;
    if (!ValidDepthForColorType(h.colorType, h.bitDepth))
        return false;
    if (compression != 0 || filter != 0 || h.interlace > 1)
        return false;
    header = h;
    return true;
}

bool InspectPng(const std::uint8_t* data, std::size_t size, PngLayout& layout) {
    PngLayout result;
    if (!ParsePngHeader(data, size, result.header))
        return false;
    result.hasTransparency = result.header.colorType == 4 || result.header.colorType == 6;
    bool sawData = false;
    std::size_t offset = kPngHeaderBytes;
    for (;;) {
        Chunk chunk;
        if (!ReadChunk(data, size, offset, chunk))
            return false;
        offset += std::size_t(chunk.length) + 12;
        if (TypeIs(chunk.type, "IHDR"))
            return false;
        if (TypeIs(chunk.type, "IDAT"))
            sawData = true;
        if (TypeIs(chunk.type, "tRNS"))
            result.hasTransparency = true;
        if (TypeIs(chunk.type, "IEND"))
            break;
    }
    if (!sawData)
        return false;
    layout = result;
    return true;
}

} // namespace pngio
