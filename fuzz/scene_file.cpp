// The movie player's scene format, as the player reads it from a file.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "SceneFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The loader refuses larger files before parsing.
    if (size > flashobj::kMaxSceneFileSize)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const flashobj::Scene scene = flashobj::ParseScene(text);
    // The limits the renderer relies on.
    if (scene.elements.size() > flashobj::kMaxSceneElements || scene.width <= 0 || scene.height <= 0)
        std::abort();
    for (const flashobj::SceneElement& e : scene.elements) {
        if (e.points.size() > flashobj::kMaxPolygonPoints || e.text.size() > flashobj::kMaxSceneTextLength)
            std::abort();
        if (!std::isfinite(e.x) || !std::isfinite(e.y) || !std::isfinite(e.w) || !std::isfinite(e.h) ||
            !std::isfinite(e.size))
            std::abort();
    }
    flashobj::Rgba color;
    flashobj::ParseColor(text, color);
    flashobj::NormalisePath(text);
    flashobj::MovieNameFromPath(text);
    flashobj::EmptySceneFor(flashobj::MovieNameFromPath(text));
    return 0;
}
