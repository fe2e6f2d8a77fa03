#include "StbCodec.h"

#include <climits>
#include <cstring>
#include <new>

#include "StbArena.h"
#include "StbConfig.h"
#include <stb_image.h>
#include <stb_image_write.h>

namespace pngio {
namespace {

bool FitsInt(unsigned long long value) { return value <= static_cast<unsigned long long>(INT_MAX); }

struct SinkCall {
    EncodedSink sink = nullptr;
    void* context = nullptr;
    bool called = false;
    bool accepted = false;
};

void ForwardEncoded(void* context, void* data, int size) {
    auto* call = static_cast<SinkCall*>(context);
    call->called = true;
    call->accepted =
        size > 0 && call->sink(call->context, static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(size));
}

} // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, int channels, std::uint32_t width, std::uint32_t height,
               std::uint8_t* pixels) {
    if (data == nullptr || pixels == nullptr || (channels != 3 && channels != 4))
        return false;
    const unsigned long long bytes = static_cast<unsigned long long>(width) * height * channels;
    if (!FitsInt(size) || !FitsInt(width) || !FitsInt(height) || !FitsInt(bytes))
        return false;
    StbArena arena;
    int decodedWidth = 0;
    int decodedHeight = 0;
    int channelsInFile = 0;
    stbi_uc* decoded =
        stbi_load_from_memory(data, static_cast<int>(size), &decodedWidth, &decodedHeight, &channelsInFile, channels);
    if (decoded == nullptr)
        return false;
    if (decodedWidth != static_cast<int>(width) || decodedHeight != static_cast<int>(height))
        return false;
    std::memcpy(pixels, decoded, static_cast<std::size_t>(bytes));
    return true;
}

bool EncodePng(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, int channels, EncodedSink sink,
               void* context) {
    if (pixels == nullptr || sink == nullptr || width == 0 || height == 0 || (channels != 3 && channels != 4))
        return false;
    // stb works in int, including the filtered copy of all rows.
    const unsigned long long filtered = (static_cast<unsigned long long>(width) * channels + 1) * height;
    if (!FitsInt(width) || !FitsInt(height) || !FitsInt(filtered))
        return false;
    StbArena arena;
    SinkCall call;
    call.sink = sink;
    call.context = context;
    try {
        const int stride = static_cast<int>(width) * channels;
        if (stbi_write_png_to_func(ForwardEncoded, &call, static_cast<int>(width), static_cast<int>(height), channels,
                                   pixels, stride) == 0)
            return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return call.called && call.accepted;
}

} // namespace pngio
