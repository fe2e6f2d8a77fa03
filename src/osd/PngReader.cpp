#include "osd/PngReader.h"

#include <climits>
#include <cstdint>
#include <utility>

#include "settings/ProgramFolders.h"

namespace {

// GetProcAddress hands back a generic function pointer; going through
// void(*)() is the portable way to reach the entry's real type.
template <class F>
F Entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The library pulls the PNG bytes through this, with the open file stream
// as its context.
DWORD WINAPI ReadFromStream(void* context, void* buffer, DWORD count) {
    if (context == nullptr || buffer == nullptr)
        return 0;
    return static_cast<gui::FileStream*>(context)->Read(buffer, count);
}

bool IsAcceptableRecord(const PngImage& image) {
    if (image.width == 0 || image.height == 0 || image.rows == nullptr)
        return false;
    // Both sides must fit the bitmap's int sizes with room for 4 bytes a pixel.
    if (image.width > INT_MAX / 4 || image.height > INT_MAX / 4)
        return false;
    if (static_cast<unsigned long long>(image.width) * image.height > kMaxPngPixels)
        return false;
    for (DWORD y = 0; y < image.height; ++y) {
        if (image.rows[y] == nullptr)
            return false;
    }
    return true;
}

} // namespace

PngManager& PngManager::Instance() {
    static PngManager instance(ModuleFolder() + "pngio.dll");
    return instance;
}

PngManager::PngManager(const std::string& libraryPath) {
    win32::UniqueModule library(LoadLibraryA(libraryPath.c_str()));
    if (!library)
        return;
    const ReadPngExFunc read = Entry<ReadPngExFunc>(library.Get(), "ReadPngEx");
    const WritePngExFunc write = Entry<WritePngExFunc>(library.Get(), "WritePngEx");
    const FreePngDataFunc release = Entry<FreePngDataFunc>(library.Get(), "FreePngData");
    const AllocatePngDataFunc allocate = Entry<AllocatePngDataFunc>(library.Get(), "AllocatePngData");
    // A library without all four entries is not the one this binding knows.
    if (read == nullptr || write == nullptr || release == nullptr || allocate == nullptr)
        return;
    hinst_ = std::move(library);
    readPng = read;
    writePng = write;
    freePng = release;
    allocatePng = allocate;
}

bool PngManager::Read(gui::FileStream& stream, gui::Bitmap& bitmap) {
    if (!IsUsable())
        return false;
    PngImage image{};
    if (readPng(&image, &ReadFromStream, &stream) == FALSE)
        return false;
    // Anything but 32 bits is taken as the opaque 24-bit form.
    int bytesPerPixel = 4;
    if (bitmap.Format() != gui::PixelFormat::pf32bit) {
        if (IsAcceptableRecord(image))
            bitmap.SetPixelFormat(gui::PixelFormat::pf24bit);
        bytesPerPixel = 3;
    }
    const bool copied = CopyPngRows(image, bitmap, bytesPerPixel);
    freePng(&image);
    return copied;
}

bool PngManager::Write(const PngImage& image, PngWriteFunc write, void* context) const {
    return IsUsable() && write != nullptr && writePng(&image, write, context) != FALSE;
}

bool PngManager::Allocate(PngImage& image) const { return IsUsable() && allocatePng(&image) != FALSE; }

void PngManager::Free(PngImage& image) const {
    if (IsUsable())
        freePng(&image);
}

void LoadPngFile(const std::string& fileName, gui::Bitmap& bitmap) {
    LoadPngFile(fileName, bitmap, PngManager::Instance());
}

void LoadPngFile(const std::string& fileName, gui::Bitmap& bitmap, PngManager& manager) {
    bitmap.SetPixelFormat(gui::PixelFormat::pf32bit);
    gui::FileStream stream(fileName);
    // A picture the decoder refuses leaves the former one in place.
    manager.Read(stream, bitmap);
}

bool CopyPngRows(const PngImage& image, gui::Bitmap& bitmap, int bytesPerPixel) {
    if (bytesPerPixel != 3 && bytesPerPixel != 4)
        return false;
    if (bytesPerPixel != bitmap.BytesPerPixel() || !IsAcceptableRecord(image))
        return false;
    const int width = static_cast<int>(image.width);
    const int height = static_cast<int>(image.height);
    bitmap.SetSize(width, height);
    if (bitmap.Width() != width || bitmap.Height() != height)
        return false; // no memory for the pixels

    const bool withAlpha = image.colorType == kPngColorTypeRgba;
    const int sourceStep = withAlpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* target = bitmap.ScanLine(y);
        const BYTE* source = image.rows[y];
        for (int x = 0; x < width; ++x, target += bytesPerPixel, source += sourceStep) {
            target[0] = source[2];
            target[1] = source[1];
            target[2] = source[0];
            if (bytesPerPixel != 4)
                continue;
            if (!withAlpha) {
                target[3] = 255;
                continue;
            }
            target[3] = source[3];
            // A fully transparent pixel keeps no colour: the layered window
            // would otherwise show it over the desktop.
            if (source[3] == 0) {
                target[0] = 0;
                target[1] = 0;
                target[2] = 0;
            }
        }
    }
    return true;
}
