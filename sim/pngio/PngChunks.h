// Structural checks on a PNG byte stream, made before any pixel is decoded:
// the signature, the header's fields and limits, every chunk's CRC and
// framing, and whether the picture carries transparency.
#ifndef RAVELO_SIM_PNGIO_PNGCHUNKS_H
#define RAVELO_SIM_PNGIO_PNGCHUNKS_H

#include <cstddef>
#include <cstdint>

namespace pngio {

// Largest picture accepted, in pixels (64 megapixels).
constexpr unsigned long long kMaxPixels = 64ull * 1024 * 1024;

struct PngHeader {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t bitDepth = 0;
    std::uint8_t colorType = 0;
    std::uint8_t interlace = 0;
};

struct PngLayout {
    PngHeader header;
    // An alpha channel (colour types 4 and 6) or a tRNS chunk.
    bool hasTransparency = false;
};

// Bytes a stream needs before ParsePngHeader can judge it (signature + IHDR).
constexpr std::size_t kPngHeaderBytes = 8 + 12 + 13;

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0);

// Checks the signature and the IHDR chunk that must follow it: CRC, valid
// depth/colour combination, non-zero size within the pixel limit.
bool ParsePngHeader(const std::uint8_t* data, std::size_t size, PngHeader& header);

// Checks the whole stream: header as above, then complete chunks with valid
// CRCs up to IEND, at least one IDAT. Bytes after IEND are ignored.
bool InspectPng(const std::uint8_t* data, std::size_t size, PngLayout& layout);

} // namespace pngio

#endif
