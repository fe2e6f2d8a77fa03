// Thin wrappers over the stb PNG decoder and encoder working on contiguous
// 8-bit pixel buffers; all of stb's own memory is released before they return.
#ifndef RAVELO_SIM_PNGIO_STBCODEC_H
#define RAVELO_SIM_PNGIO_STBCODEC_H

#include <cstddef>
#include <cstdint>

namespace pngio {

// Decodes a PNG stream to `channels` (3 or 4) 8-bit samples per pixel into
// `pixels` (width * height * channels bytes). False when the stream does not
// decode or its size differs from width x height.
bool DecodePng(const std::uint8_t* data, std::size_t size, int channels, std::uint32_t width, std::uint32_t height,
               std::uint8_t* pixels);

// Receives the encoded stream; returns false to abandon the write.
typedef bool (*EncodedSink)(void* context, const std::uint8_t* data, std::size_t size);

// Encodes width * height pixels of `channels` (3 or 4) 8-bit samples as an
// RGB or RGBA PNG and hands the whole stream to `sink` at once.
bool EncodePng(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, int channels, EncodedSink sink,
               void* context);

} // namespace pngio

#endif
