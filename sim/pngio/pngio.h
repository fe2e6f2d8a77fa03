// Binary interface of pngio.dll: a PNG codec reached through caller-supplied
// read and write functions. The DLL exports the four entries below under
// their undecorated names; callers bind them with GetProcAddress.
#ifndef RAVELO_SIM_PNGIO_H
#define RAVELO_SIM_PNGIO_H

#include <windows.h>

extern "C" {

// One picture in memory. Rows are 8 bits per channel, top row first:
// colorType 6 is red, green, blue, alpha; any other value red, green, blue.
struct PngImage {
    DWORD width;
    DWORD height;
    DWORD bitDepth; // always 8 for rows this library hands out
    DWORD colorType;
    DWORD reserved;
    BYTE** rows; // height pointers, owned by the library (FreePngData)
};

// Returns the bytes delivered; fewer than count means the stream has ended.
typedef DWORD(WINAPI* PngReadFunc)(void* context, void* buffer, DWORD count);
// Returns the bytes taken; fewer than count is a failed write.
typedef DWORD(WINAPI* PngWriteFunc)(void* context, const void* buffer, DWORD count);

typedef BOOL(WINAPI* ReadPngExProc)(PngImage* image, PngReadFunc read, void* context);
typedef BOOL(WINAPI* WritePngExProc)(const PngImage* image, PngWriteFunc write, void* context);
typedef void(WINAPI* FreePngDataProc)(PngImage* image);
typedef BOOL(WINAPI* AllocatePngDataProc)(PngImage* image);

// Decodes a whole PNG stream. On failure returns FALSE and leaves the record
// empty (all fields zero); the record's previous contents are not freed.
BOOL WINAPI ReadPngEx(PngImage* image, PngReadFunc read, void* context);
// Encodes the record as an 8-bit RGBA (colorType 6) or RGB PNG.
BOOL WINAPI WritePngEx(const PngImage* image, PngWriteFunc write, void* context);
// Releases the rows and sets the pointer to null; harmless when already empty.
void WINAPI FreePngData(PngImage* image);
// Allocates zeroed rows for the record's width, height and colorType and sets
// bitDepth to 8; FALSE (rows null) for an empty or oversized picture. Rows the
// record held before are not freed.
BOOL WINAPI AllocatePngData(PngImage* image);

} // extern "C"

namespace pngio {

constexpr DWORD kColorTypeRgb = 2;
constexpr DWORD kColorTypeRgba = 6;

// Largest PNG stream ReadPngEx pulls before giving up.
constexpr unsigned long long kMaxStreamBytes = 256ull * 1024 * 1024;

} // namespace pngio

static_assert(sizeof(void*) != 4 || sizeof(PngImage) == 24, "PngImage is a 24-byte record");

#endif
