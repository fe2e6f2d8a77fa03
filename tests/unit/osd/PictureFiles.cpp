#include "PictureFiles.h"

#include "osd/PngReader.h"
#include "win32/Handles.h"

namespace pictures {

namespace {

DWORD WINAPI WriteToFile(void* context, const void* buffer, DWORD count) {
    DWORD written = 0;
    if (!WriteFile(static_cast<HANDLE>(context), buffer, count, &written, nullptr))
        return 0;
    return written;
}

// Rows that the library allocated, released through it.
class LibraryRows {
public:
    explicit LibraryRows(const PngManager& manager) : manager_(manager) {}
    ~LibraryRows() { manager_.Free(image); }
    LibraryRows(const LibraryRows&) = delete;
    LibraryRows& operator=(const LibraryRows&) = delete;
    PngImage image{};

private:
    const PngManager& manager_;
};

} // namespace

bool WritePng(const std::string& path, int width, int height, bool withAlpha, const std::vector<Rgba>& pixels) {
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
        return false;
    const PngManager& manager = PngManager::Instance();
    LibraryRows rows(manager);
    rows.image.width = static_cast<DWORD>(width);
    rows.image.height = static_cast<DWORD>(height);
    rows.image.colorType = withAlpha ? kPngColorTypeRgba : kPngColorTypeRgb;
    if (!manager.Allocate(rows.image) || rows.image.rows == nullptr)
        return false;
    const int channels = withAlpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        BYTE* row = rows.image.rows[y];
        for (int x = 0; x < width; ++x) {
            const Rgba& p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
            BYTE* out = row + x * channels;
            out[0] = p.r;
            out[1] = p.g;
            out[2] = p.b;
            if (withAlpha)
                out[3] = p.a;
        }
    }
    win32::UniqueHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    return manager.Write(rows.image, &WriteToFile, file.Get());
}

} // namespace pictures
