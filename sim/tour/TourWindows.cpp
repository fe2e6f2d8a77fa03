// Window helper of the demo tour (scripts/demo.sh): tells whether a
// top-level window is on screen, where it is, and moves one out of the way,
// so the tour can wait for a display to go, lay the suite's windows out side
// by side for a person to click and photograph them; and records a part of
// the screen as a series of pictures, for the animated display.
//
//   TourWindows.exe visible <class|-> <caption|->   exit 0 shown, 1 hidden, 2 none
//   TourWindows.exe move <class|-> <caption|-> <x> <y>   to the top there; exit 0 moved, 2 none
//   TourWindows.exe rect <class|-> <caption|->   prints "x y width height", exit 0; 2 none
//   TourWindows.exe record <x> <y> <width> <height> <every ms> <for ms> <folder>
//       writes <folder>\frame-NNNN.bmp every so many milliseconds; exit 0, 4 failed
//   bad command line: exit 3
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "win32/Handles.h"

namespace {

constexpr int kShown = 0;
constexpr int kHidden = 1;
constexpr int kNoWindow = 2;
constexpr int kUsage = 3;
constexpr int kFailed = 4;

// "-" leaves the class or the caption out of the search.
const char* OrNull(const char* text) { return std::strcmp(text, "-") == 0 ? nullptr : text; }

bool ParseCoordinate(const char* text, int& value) {
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < -100000 || parsed > 100000)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

int Usage() {
    std::fputs("usage: TourWindows visible <class|-> <caption|->\n"
               "       TourWindows move <class|-> <caption|-> <x> <y>\n"
               "       TourWindows rect <class|-> <caption|->\n"
               "       TourWindows record <x> <y> <width> <height> <every ms> <for ms> <folder>\n",
               stderr);
    return kUsage;
}

// One 24-bit bottom-up BMP file of a DIB section's rows.
bool WriteBmp(const std::string& path, const BYTE* rows, int width, int height, DWORD stride) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + stride * static_cast<DWORD>(height);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = stride * static_cast<DWORD>(height);
    win32::UniqueHandle out(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out)
        return false;
    DWORD written = 0;
    return WriteFile(out.Get(), &file, sizeof(file), &written, nullptr) &&
           WriteFile(out.Get(), &header, sizeof(header), &written, nullptr) &&
           WriteFile(out.Get(), rows, header.biSizeImage, &written, nullptr) && written == header.biSizeImage;
}

// Copies the screen rectangle every `every` ms for `length` ms. Frames are
// taken on a fixed schedule from the start, so a late one does not shift
// the ones after it.
int Record(int x, int y, int width, int height, int every, int length, const std::string& folder) {
    win32::WindowDC screen(nullptr);
    win32::MemoryDC memory(screen.Get());
    if (!screen || !memory)
        return kFailed;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as BMP files keep them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    win32::GdiObject<HBITMAP> bitmap(CreateDIBSection(memory.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr)
        return kFailed;
    win32::SelectObjectScope select(memory.Get(), bitmap.Get());
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD start = GetTickCount();
    const int count = length / every;
    for (int n = 0; n < count; ++n) {
        const DWORD due = static_cast<DWORD>(n) * static_cast<DWORD>(every);
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed < due)
            Sleep(due - elapsed);
        if (!BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), x, y, SRCCOPY))
            return kFailed;
        GdiFlush();
        char name[32];
        std::snprintf(name, sizeof(name), "\\frame-%04d.bmp", n);
        if (!WriteBmp(folder + name, static_cast<const BYTE*>(bits), width, height, stride))
            return kFailed;
    }
    return kShown;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 9 && std::strcmp(argv[1], "record") == 0) {
        int value[6] = {};
        for (int i = 0; i < 6; ++i) {
            if (!ParseCoordinate(argv[2 + i], value[i]))
                return Usage();
        }
        const int width = value[2], height = value[3], every = value[4], length = value[5];
        if (width <= 0 || height <= 0 || width > 8192 || height > 8192 || every < 10 || length < every ||
            length > 120000)
            return Usage();
        return Record(value[0], value[1], width, height, every, length, argv[8]);
    }
    if (argc < 4)
        return Usage();
    const char* command = argv[1];
    const char* className = OrNull(argv[2]);
    const char* caption = OrNull(argv[3]);
    if (className == nullptr && caption == nullptr)
        return Usage();

    if (std::strcmp(command, "visible") == 0 && argc == 4) {
        const HWND window = FindWindowA(className, caption);
        if (window == nullptr)
            return kNoWindow;
        return IsWindowVisible(window) ? kShown : kHidden;
    }
    if (std::strcmp(command, "rect") == 0 && argc == 4) {
        const HWND window = FindWindowA(className, caption);
        RECT rect{};
        if (window == nullptr || !GetWindowRect(window, &rect))
            return kNoWindow;
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
        return kShown;
    }
    if (std::strcmp(command, "move") == 0 && argc == 6) {
        int x = 0;
        int y = 0;
        if (!ParseCoordinate(argv[4], x) || !ParseCoordinate(argv[5], y))
            return Usage();
        const HWND window = FindWindowA(className, caption);
        if (window == nullptr)
            return kNoWindow;
        // On top of the other windows, so it can be seen (and photographed) whole.
        return SetWindowPos(window, HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE) ? kShown : kNoWindow;
    }
    return Usage();
}
