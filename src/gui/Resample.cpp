#include "gui/Resample.h"

#include <algorithm>
#include <vector>

namespace gui {

namespace {

constexpr int kShift = 8;
constexpr int kOne = 1 << kShift;

struct Tap {
    int first = 0;  // index of the nearer-left (or upper) source pixel
    int second = 0; // index of the other one, clamped to the edge
    int weight = 0; // of the second, in 1/kOne
};

// Where each target pixel's centre falls between two source pixels.
std::vector<Tap> Taps(int sourceSize, int targetSize) {
    std::vector<Tap> taps(static_cast<size_t>(targetSize));
    const std::int64_t scale = (static_cast<std::int64_t>(sourceSize) << 16) / targetSize;
    for (int i = 0; i < targetSize; ++i) {
        // Centre of target pixel i in source coordinates, minus half a pixel.
        std::int64_t position = (2 * i + 1) * scale / 2 - (1 << 15);
        if (position < 0)
            position = 0;
        const int index = static_cast<int>(position >> 16);
        Tap& tap = taps[static_cast<size_t>(i)];
        tap.first = std::min(index, sourceSize - 1);
        tap.second = std::min(index + 1, sourceSize - 1);
        tap.weight = static_cast<int>((position & 0xFFFF) >> (16 - kShift));
    }
    return taps;
}

} // namespace

void StretchBilinear(const std::uint8_t* source, const PixelLayout& from, std::uint8_t* target, const PixelLayout& to,
                     int bytesPerPixel) {
    if (source == nullptr || target == nullptr || from.width <= 0 || from.height <= 0 || to.width <= 0 ||
        to.height <= 0 || (bytesPerPixel != 3 && bytesPerPixel != 4) || from.stride < from.width * bytesPerPixel ||
        to.stride < to.width * bytesPerPixel)
        return;
    const std::vector<Tap> columns = Taps(from.width, to.width);
    const std::vector<Tap> rows = Taps(from.height, to.height);
    // One source row pair mixed vertically into a row of 16-bit channels,
    // then each target pixel mixed from it horizontally.
    const size_t rowValues = static_cast<size_t>(from.width) * static_cast<size_t>(bytesPerPixel);
    std::vector<std::uint16_t> mixed(rowValues);
    for (int y = 0; y < to.height; ++y) {
        const Tap& row = rows[static_cast<size_t>(y)];
        const std::uint8_t* upper = source + static_cast<std::ptrdiff_t>(row.first) * from.stride;
        const std::uint8_t* lower = source + static_cast<std::ptrdiff_t>(row.second) * from.stride;
        const int wl = row.weight;
        const int wu = kOne - wl;
        for (size_t i = 0; i < rowValues; ++i)
            mixed[i] = static_cast<std::uint16_t>(upper[i] * wu + lower[i] * wl);
        std::uint8_t* out = target + static_cast<std::ptrdiff_t>(y) * to.stride;
        for (int x = 0; x < to.width; ++x) {
            const Tap& column = columns[static_cast<size_t>(x)];
            const std::uint16_t* left = mixed.data() + static_cast<size_t>(column.first) * bytesPerPixel;
            const std::uint16_t* right = mixed.data() + static_cast<size_t>(column.second) * bytesPerPixel;
            const std::uint32_t wr = static_cast<std::uint32_t>(column.weight);
            const std::uint32_t wlft = kOne - wr;
            for (int c = 0; c < bytesPerPixel; ++c)
                out[c] = static_cast<std::uint8_t>((left[c] * wlft + right[c] * wr + (1u << 15)) >> 16);
            out += bytesPerPixel;
        }
    }
}

} // namespace gui
