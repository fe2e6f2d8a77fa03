#include "system/SystemInfo.h"

#include <shlobj.h>

#include <atomic>

#include "win32/Handles.h"

namespace {

using GetFolderPathFunction = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

// The shell library is loaded on the first folder request rather than with
// the program: bound through the import table it (and the libraries it
// pulls in) would be loaded before the main window registers with the
// service, though nothing needs it until the settings are read. Once
// loaded it stays for the life of the process, as an imported library
// would; a load that failed is tried again on the next request.
std::atomic<GetFolderPathFunction> loadedGetFolderPath{nullptr};
bool failShellLoad = false;

GetFolderPathFunction ShellGetFolderPath() {
    GetFolderPathFunction function = loadedGetFolderPath.load();
    if (function != nullptr)
        return function;
    win32::UniqueModule shell(failShellLoad ? nullptr : LoadLibraryA("shell32.dll"));
    if (!shell)
        return nullptr;
    function = reinterpret_cast<GetFolderPathFunction>(
        reinterpret_cast<void*>(GetProcAddress(shell.Get(), "SHGetFolderPathA")));
    if (function == nullptr)
        return nullptr;
    shell.Release();
    loadedGetFolderPath.store(function);
    return function;
}

} // namespace

void FailShellLibraryLoadForTesting(bool fail) { failShellLoad = fail; }

std::string GetSpecialFolder(int csidl) {
    const GetFolderPathFunction getFolderPath = ShellGetFolderPath();
    char path[MAX_PATH] = {};
    if (getFolderPath == nullptr || FAILED(getFolderPath(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, path)))
        return std::string();
    path[MAX_PATH - 1] = '\0';
    return std::string(path) + "\\";
}

bool IsMajorVersion6From(bool versionRead, DWORD majorVersion) { return !versionRead || majorVersion == 6; }

bool IsMajorVersion6() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    const bool read = GetVersionExA(&info) != 0;
    return IsMajorVersion6From(read, info.dwMajorVersion);
}
