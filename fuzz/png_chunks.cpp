// The PNG stand-in's structural checks and, for a stream they accept, the
// decode the library then runs on it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "PngChunks.h"
#include "StbCodec.h"

namespace {
// Pictures above this are checked but not decoded: the fuzzer's memory
// limit, not the library's own, is what would stop them.
constexpr unsigned long long kDecodePixels = 1u << 20;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pngio::PngHeader header;
    const bool headerOk = pngio::ParsePngHeader(data, size, header);
    pngio::PngLayout layout;
    if (!pngio::InspectPng(data, size, layout))
        return 0;
    // The whole-stream check includes the header check.
    if (!headerOk)
        std::abort();
    const unsigned long long pixels = static_cast<unsigned long long>(layout.header.width) * layout.header.height;
    if (pixels == 0 || pixels > pngio::kMaxPixels)
        std::abort();
    if (pixels > kDecodePixels)
        return 0;
    const int channels = layout.hasTransparency ? 4 : 3;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(pixels) * channels);
    pngio::DecodePng(data, size, channels, layout.header.width, layout.header.height, out.data());
    return 0;
}
