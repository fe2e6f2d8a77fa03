// Small PNG files for the picture tests, written through pngio.dll's own
// encoder (the program's binding).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace pictures {

struct Rgba {
    BYTE r;
    BYTE g;
    BYTE b;
    BYTE a;
};

// Writes a width x height PNG of the pixels (row by row, top row first):
// with an alpha channel (colour type 6) or without (colour type 2, the
// alpha values are then dropped). False when the library or the file fails.
bool WritePng(const std::string& path, int width, int height, bool withAlpha, const std::vector<Rgba>& pixels);

} // namespace pictures
