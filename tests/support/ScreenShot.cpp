#include "ScreenShot.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <utility>

#include "TestSupport.h"
#include "win32/Handles.h"

namespace osdtest {

ScreenShot::ScreenShot(int x, int y, int width, int height) {
    if (width <= 0 || height <= 0)
        return;
    win32::WindowDC screen(nullptr);
    if (!screen)
        return;
    win32::MemoryDC memory(screen.Get());
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win32::GdiObject<HBITMAP> bitmap(CreateDIBSection(memory.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr)
        return;
    {
        win32::SelectObjectScope select(memory.Get(), bitmap.Get());
        if (!BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), x, y, SRCCOPY))
            return;
        GdiFlush();
    }
    const auto* source = static_cast<const std::uint32_t*>(bits);
    pixels_.assign(source, source + static_cast<size_t>(width) * static_cast<size_t>(height));
    for (std::uint32_t& pixel : pixels_)
        pixel &= 0xFFFFFFu;
    width_ = width;
    height_ = height;
}

ScreenShot::ScreenShot(std::vector<std::uint32_t> pixels, int width, int height) {
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        return;
    pixels_ = std::move(pixels);
    for (std::uint32_t& pixel : pixels_)
        pixel &= 0xFFFFFFu;
    width_ = width;
    height_ = height;
}

ScreenShot ScreenShot::FullScreen() {
    return ScreenShot(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

bool ScreenShot::Settled(const RECT& area, const std::function<bool(const ScreenShot&)>& ready, ScreenShot& shot,
                         DWORD timeoutMs) {
    // The area alone is compared, the whole screen taken only for ready.
    const RECT local{0, 0, area.right - area.left, area.bottom - area.top};
    ScreenShot last;
    const bool settled = testsupport::WaitUntil(
        [&] {
            ScreenShot now(area.left, area.top, local.right, local.bottom);
            const bool same = now.SameIn(last, local);
            last = std::move(now);
            if (!same)
                return false;
            shot = FullScreen();
            return !ready || ready(shot);
        },
        timeoutMs, 100);
    if (!settled)
        shot = FullScreen();
    return settled;
}

std::uint32_t ScreenShot::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
}

size_t ScreenShot::DistinctColours(const RECT& area, size_t limit) const {
    std::set<std::uint32_t> colours;
    for (int y = std::max(0L, area.top); y < std::min<long>(height_, area.bottom); ++y) {
        for (int x = std::max(0L, area.left); x < std::min<long>(width_, area.right); ++x) {
            colours.insert(At(x, y));
            if (colours.size() >= limit)
                return colours.size();
        }
    }
    return colours.size();
}

double ScreenShot::MeanBrightness(const RECT& area) const {
    double sum = 0;
    size_t count = 0;
    for (int y = std::max(0L, area.top); y < std::min<long>(height_, area.bottom); ++y) {
        for (int x = std::max(0L, area.left); x < std::min<long>(width_, area.right); ++x) {
            const std::uint32_t pixel = At(x, y);
            sum += ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
            ++count;
        }
    }
    return count == 0 ? 0 : sum / (3.0 * static_cast<double>(count));
}

bool ScreenShot::SameIn(const ScreenShot& other, const RECT& area) const {
    if (Empty() || width_ != other.width_ || height_ != other.height_)
        return false;
    for (int y = std::max(0L, area.top); y < std::min<long>(height_, area.bottom); ++y) {
        for (int x = std::max(0L, area.left); x < std::min<long>(width_, area.right); ++x) {
            if (At(x, y) != other.At(x, y))
                return false;
        }
    }
    return true;
}

bool ScreenShot::SaveBmp(const std::string& path) const {
    if (Empty())
        return false;
    const DWORD stride = (static_cast<DWORD>(width_) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height_);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + imageSize;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width_;
    header.biHeight = height_; // bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = imageSize;
    std::ofstream out(path, std::ios::binary);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&header), sizeof(header));
    std::vector<char> row(stride, 0);
    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) {
            const std::uint32_t pixel = At(x, y);
            row[static_cast<size_t>(x) * 3 + 0] = static_cast<char>(pixel & 0xFF);
            row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>((pixel >> 8) & 0xFF);
            row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>((pixel >> 16) & 0xFF);
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
    return static_cast<bool>(out);
}

} // namespace osdtest
