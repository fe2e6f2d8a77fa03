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
    explicit ScratchFolder(const std::string& tag) : m_path(MakeScratchFolder(tag)) {}
    ~ScratchFolder() { RemoveTree(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

} // namespace testfiles
