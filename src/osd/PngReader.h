// PNG pictures for the display windows. The decoding is done by the outside
// library "pngio.dll", loaded at run time from the program's folder; this
// module turns its rows into a framework bitmap (blue, green, red, alpha).
#pragma once
#include <windows.h>

#include <string>

#include "gui/Bitmap.h"
#include "gui/FileStream.h"
#include "win32/Handles.h"

// The program's copy of pngio.dll's binary interface. All entries are
// __stdcall and exported under their undecorated names.
extern "C" {

// One picture: 8 bits per channel, top row first. colorType 6 rows hold
// red, green, blue, alpha; any other value red, green, blue.
struct PngImage {
    DWORD width;
    DWORD height;
    DWORD bitDepth;
    DWORD colorType;
    DWORD reserved;
    BYTE** rows; // height pointers, owned by the library
};

// Returns the bytes delivered; fewer than count ends the stream.
typedef DWORD(WINAPI* PngReadFunc)(void* context, void* buffer, DWORD count);
// Returns the bytes taken; fewer than count is a failed write.
typedef DWORD(WINAPI* PngWriteFunc)(void* context, const void* buffer, DWORD count);

typedef BOOL(WINAPI* ReadPngExFunc)(PngImage* image, PngReadFunc read, void* context);
typedef BOOL(WINAPI* WritePngExFunc)(const PngImage* image, PngWriteFunc write, void* context);
typedef void(WINAPI* FreePngDataFunc)(PngImage* image);
typedef BOOL(WINAPI* AllocatePngDataFunc)(PngImage* image);

} // extern "C"

static_assert(sizeof(void*) != 4 || sizeof(PngImage) == 24, "PngImage is the library's 24-byte record");

constexpr DWORD kPngColorTypeRgb = 2;
constexpr DWORD kPngColorTypeRgba = 6;
// The largest picture taken from the library. Anything bigger is refused
// before a bitmap is touched, so a broken record cannot make the program
// allocate or walk gigabytes.
constexpr unsigned long long kMaxPngPixels = 64ull * 1024 * 1024;

// The binding to pngio.dll. A library that is missing, or lacks any of the
// four entries, leaves the binding unusable: nothing is decoded then.
class PngManager {
public:
    // The process-wide binding to ModuleFolder + "pngio.dll", made on first
    // use and kept until the process ends.
    static PngManager& Instance();

    // Binds the library at the given path (tools and tests).
    explicit PngManager(const std::string& libraryPath);
    PngManager(const PngManager&) = delete;
    PngManager& operator=(const PngManager&) = delete;

    // True when the library is loaded with all four entries.
    bool IsUsable() const { return hinst_.Get() != nullptr; }

    // Decodes one PNG from the stream into the bitmap. False when the
    // library is unusable, rejects the stream, or hands back a picture that
    // cannot be a real one; the bitmap is then left as it was.
    bool Read(gui::FileStream& stream, gui::Bitmap& bitmap);

    // The library's encoder and row allocator, unused by the program itself.
    // Both return false when the binding is unusable.
    bool Write(const PngImage& image, PngWriteFunc write, void* context) const;
    bool Allocate(PngImage& image) const;
    // Releases rows handed out by Read's decoder or by Allocate.
    void Free(PngImage& image) const;

private:
    win32::UniqueModule hinst_;
    ReadPngExFunc readPng = nullptr;
    WritePngExFunc writePng = nullptr;
    FreePngDataFunc freePng = nullptr;
    AllocatePngDataFunc allocatePng = nullptr;
};

// Fills the bitmap with the picture in the file, at 32 bits per pixel. A
// file that cannot be opened raises gui::EFOpenError; a picture that cannot
// be decoded leaves the bitmap's pixels as they were.
void LoadPngFile(const std::string& fileName, gui::Bitmap& bitmap);
// The same through a given binding.
void LoadPngFile(const std::string& fileName, gui::Bitmap& bitmap, PngManager& manager);

// Copies the record's rows into the bitmap, sized to the picture, with
// bytesPerPixel 4 (blue, green, red, alpha; no alpha in the picture gives
// 255, alpha 0 gives a black, fully transparent pixel) or 3 (blue, green,
// red). The bitmap's format must already have that many bytes per pixel.
// A record that is empty, too large or missing a row is refused (false)
// and the bitmap is left as it was.
bool CopyPngRows(const PngImage& image, gui::Bitmap& bitmap, int bytesPerPixel);
