// A library named like a PNG codec that lacks AllocatePngData. Its decoder
// "works": every stream becomes one opaque red pixel, so a binding that used
// it anyway would be caught by the picture it produced.
#include <windows.h>

#include <cstdlib>

extern "C" {

struct PartialImage {
    DWORD width;
    DWORD height;
    DWORD bitDepth;
    DWORD colorType;
    DWORD reserved;
    BYTE** rows;
};

typedef DWORD(WINAPI* PartialRead)(void* context, void* buffer, DWORD count);
typedef DWORD(WINAPI* PartialWrite)(void* context, const void* buffer, DWORD count);

BOOL WINAPI ReadPngEx(PartialImage* image, PartialRead, void*) {
    if (image == nullptr)
        return FALSE;
    auto* block = static_cast<BYTE**>(std::calloc(1, sizeof(BYTE*) + 3));
    if (block == nullptr)
        return FALSE;
    block[0] = reinterpret_cast<BYTE*>(block + 1);
    block[0][0] = 255;
    *image = PartialImage{1, 1, 8, 2, 0, block};
    return TRUE;
}

BOOL WINAPI WritePngEx(const PartialImage*, PartialWrite, void*) { return FALSE; }

void WINAPI FreePngData(PartialImage* image) {
    if (image == nullptr)
        return;
    std::free(image->rows);
    image->rows = nullptr;
}

} // extern "C"
