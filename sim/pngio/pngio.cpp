// pngio.dll: the four exported entries. Nothing may escape across the C
// interface, so every entry turns failures (bad input, bad callbacks, memory)
// into its FALSE result.
#include "pngio.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "PngChunks.h"
#include "StbCodec.h"

namespace pngio {
namespace {

// Bytes requested from the read function per call.
constexpr DWORD kReadChunk = 64 * 1024;

DWORD ChannelsFor(DWORD colorType) { return colorType == kColorTypeRgba ? 4 : 3; }

// Size of the single block holding the row table followed by the pixels;
// 0 when the picture is empty or larger than the library accepts.
std::size_t RowBlockBytes(DWORD width, DWORD height, DWORD channels) {
    if (width == 0 || height == 0)
        return 0;
    const unsigned long long pixels = static_cast<unsigned long long>(width) * height;
    if (pixels > kMaxPixels)
        return 0;
    const unsigned long long total = pixels * channels + static_cast<unsigned long long>(height) * sizeof(BYTE*);
    if (total > static_cast<std::size_t>(-1))
        return 0;
    return static_cast<std::size_t>(total);
}

// One allocation: the row table, then the rows back to back, zero-filled.
// FreePngData releases it through the table pointer alone.
BYTE** AllocateRows(DWORD width, DWORD height, DWORD channels) {
    const std::size_t bytes = RowBlockBytes(width, height, channels);
    if (bytes == 0)
        return nullptr;
    auto* rows = static_cast<BYTE**>(std::calloc(1, bytes));
    if (rows == nullptr)
        return nullptr;
    BYTE* pixels = reinterpret_cast<BYTE*>(rows + height);
    const std::size_t stride = static_cast<std::size_t>(width) * channels;
    for (DWORD y = 0; y < height; ++y)
        rows[y] = pixels + stride * y;
    return rows;
}

BYTE* PixelsOf(BYTE** rows, DWORD height) { return reinterpret_cast<BYTE*>(rows + height); }

struct RowBlockFree {
    void operator()(BYTE** rows) const { std::free(rows); }
};
using RowBlock = std::unique_ptr<BYTE*, RowBlockFree>;

// Pulls the stream in chunks until a short read, refusing non-PNG data and
// oversized headers as soon as the first bytes are in.
bool ReadWholeStream(PngReadFunc read, void* context, std::vector<std::uint8_t>& stream) {
    bool headerChecked = false;
    for (;;) {
        const std::size_t size = stream.size();
        if (size >= kMaxStreamBytes) {
            // At the cap: the stream must end here.
            std::uint8_t probe = 0;
            return read(context, &probe, 1) == 0;
        }
        const DWORD request =
            static_cast<DWORD>(kMaxStreamBytes - size < kReadChunk ? kMaxStreamBytes - size : kReadChunk);
        stream.resize(size + request);
        const DWORD got = read(context, stream.data() + size, request);
        if (got > request)
            return false;
        stream.resize(size + got);
        if (!headerChecked && stream.size() >= kPngHeaderBytes) {
            PngHeader header;
            if (!ParsePngHeader(stream.data(), stream.size(), header))
                return false;
            headerChecked = true;
        }
        if (got < request)
            return true;
    }
}

bool ReadImage(PngImage& image, PngReadFunc read, void* context) {
    PngLayout layout;
    RowBlock rows;
    DWORD channels = 0;
    {
        std::vector<std::uint8_t> stream;
        if (!ReadWholeStream(read, context, stream))
            return false;
        if (!InspectPng(stream.data(), stream.size(), layout))
            return false;
        channels = layout.hasTransparency ? 4 : 3;
        rows.reset(AllocateRows(layout.header.width, layout.header.height, channels));
        if (!rows)
            return false;
        if (!DecodePng(stream.data(), stream.size(), static_cast<int>(channels), layout.header.width,
                       layout.header.height, PixelsOf(rows.get(), layout.header.height)))
            return false;
    }
    image.width = layout.header.width;
    image.height = layout.header.height;
    image.bitDepth = 8;
    image.colorType = channels == 4 ? kColorTypeRgba : kColorTypeRgb;
    image.reserved = 0;
    image.rows = rows.release();
    return true;
}

struct WriteTarget {
    PngWriteFunc write = nullptr;
    void* context = nullptr;
};

bool DeliverEncoded(void* context, const std::uint8_t* data, std::size_t size) {
    const auto* target = static_cast<const WriteTarget*>(context);
    while (size > 0) {
        const DWORD count = size > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<DWORD>(size);
        if (target->write(target->context, data, count) != count)
            return false;
        data += count;
        size -= count;
    }
    return true;
}

bool WriteImage(const PngImage& image, PngWriteFunc write, void* context) {
    const DWORD channels = ChannelsFor(image.colorType);
    if (image.rows == nullptr || RowBlockBytes(image.width, image.height, channels) == 0)
        return false;
    for (DWORD y = 0; y < image.height; ++y) {
        if (image.rows[y] == nullptr)
            return false;
    }
    // The rows may lie anywhere; the encoder wants them back to back.
    const std::size_t stride = static_cast<std::size_t>(image.width) * channels;
    std::vector<std::uint8_t> pixels(stride * image.height);
    for (DWORD y = 0; y < image.height; ++y)
        std::memcpy(pixels.data() + stride * y, image.rows[y], stride);
    WriteTarget target;
    target.write = write;
    target.context = context;
    return EncodePng(pixels.data(), image.width, image.height, static_cast<int>(channels), DeliverEncoded, &target);
}

} // namespace
} // namespace pngio

extern "C" {

BOOL WINAPI ReadPngEx(PngImage* image, PngReadFunc read, void* context) {
    if (image == nullptr)
        return FALSE;
    *image = PngImage{};
    if (read == nullptr)
        return FALSE;
    try {
        return pngio::ReadImage(*image, read, context) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

BOOL WINAPI WritePngEx(const PngImage* image, PngWriteFunc write, void* context) {
    if (image == nullptr || write == nullptr)
        return FALSE;
    try {
        return pngio::WriteImage(*image, write, context) ? TRUE : FALSE;
    } catch (...) {
        return FALSE;
    }
}

void WINAPI FreePngData(PngImage* image) {
    if (image == nullptr)
        return;
    std::free(image->rows);
    image->rows = nullptr;
}

BOOL WINAPI AllocatePngData(PngImage* image) {
    if (image == nullptr)
        return FALSE;
    image->rows = pngio::AllocateRows(image->width, image->height, pngio::ChannelsFor(image->colorType));
    if (image->rows == nullptr)
        return FALSE;
    image->bitDepth = 8;
    return TRUE;
}

} // extern "C"
