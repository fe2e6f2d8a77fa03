#include "TestFiles.h"

#include <cstdio>

namespace testfiles {

std::string MakeScratchFolder(const std::string& tag) {
    char temp[MAX_PATH] = {};
    const DWORD n = GetTempPathA(MAX_PATH, temp);
    std::string base = (n > 0 && n < MAX_PATH) ? std::string(temp, n) : std::string("C:\\");
    if (base.back() != '\\')
        base += '\\';
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        char name[96];
        std::snprintf(name, sizeof name, "ravelo_%s_%lu_%lu_%u", tag.c_str(), GetCurrentProcessId(), GetTickCount(),
                      attempt);
        const std::string path = base + name;
        if (CreateDirectoryA(path.c_str(), nullptr))
            return path + "\\";
    }
    return std::string();
}

void RemoveTree(const std::string& folder) {
    if (folder.empty())
        return;
    std::string dir = folder;
    if (dir.back() == '\\')
        dir.pop_back();
    WIN32_FIND_DATAA data = {};
    const HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string path = dir + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(h, &data));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    const HANDLE h =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

FirmwareDb::FirmwareDb(const std::string& text) : dir_("acpi"), path_(dir_.Path() + "OvAcpiDb.txt") {
    WriteBytes(path_, text);
    SetEnvironmentVariableA("OVACPI_DB", path_.c_str());
}

FirmwareDb::~FirmwareDb() {
    // Only while it still names this file: a newer database may have taken over.
    char current[MAX_PATH * 2] = {};
    const DWORD n = GetEnvironmentVariableA("OVACPI_DB", current, sizeof current);
    if (n > 0 && n < sizeof current && path_ == current)
        SetEnvironmentVariableA("OVACPI_DB", nullptr);
}

std::string FirmwareDb::Text() const {
    std::string text;
    const HANDLE h = CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(h);
    return text;
}

} // namespace testfiles
