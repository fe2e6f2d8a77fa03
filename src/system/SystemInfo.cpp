#include "system/SystemInfo.h"

#include <shlobj.h>

std::string GetSpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, 0, path)))
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
