// Reads a movie file from disk and hands its bytes to the scene parser,
// which knows nothing of files.
#include "SceneFile.h"

#include <windows.h>

#include "win32/Handles.h"

namespace flashobj {

Scene LoadSceneFile(const std::string& path, const std::string& movieName) {
    if (path.empty())
        return EmptySceneFor(movieName);
    win32::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return EmptySceneFor(movieName);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        size.QuadPart > static_cast<LONGLONG>(kMaxSceneFileSize)) {
        return EmptySceneFor(movieName);
    }
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!text.empty() &&
        (!ReadFile(file.Get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr) || read != text.size())) {
        return EmptySceneFor(movieName);
    }
    Scene scene = ParseScene(text);
    if (!scene.loaded)
        return EmptySceneFor(movieName);
    return scene;
}

} // namespace flashobj
