// Scratch folders and files for the settings tests.
#pragma once
#include <windows.h>

#include <string>

namespace testfiles {

// A new, empty folder under the temp folder, with a trailing backslash.
std::string MakeScratchFolder(const std::string& tag);
// Removes a folder and everything below it.
void RemoveTree(const std::string& folder);
bool WriteBytes(const std::string& path, const std::string& bytes);
bool MakeFolder(const std::string& path);

// Deletes the folder tree when the test ends.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& tag) : path_(MakeScratchFolder(tag)) {}
    ~ScratchFolder() { RemoveTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// A firmware database of the test's own for the simulated OVACPI.DLL, which
// reads the file named by OVACPI_DB on every call. Unset again at the end.
class FirmwareDb {
public:
    explicit FirmwareDb(const std::string& text);
    ~FirmwareDb();
    FirmwareDb(const FirmwareDb&) = delete;
    FirmwareDb& operator=(const FirmwareDb&) = delete;
    const std::string& Path() const { return path_; }
    // The file's text now (the library rewrites it when an item is set).
    std::string Text() const;

private:
    ScratchFolder dir_;
    std::string path_;
};

} // namespace testfiles
