// Folder walks over FindFirstFileA/FindNextFileA: one search, a depth-first
// traverser with a stack of searches, a files-only enumerater and one that
// gives each file's full path. Entries come in the platform's order.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

// One search. IsDone() is true when there is no current entry.
class WinFileFindA {
public:
    WinFileFindA() = default;
    ~WinFileFindA();
    WinFileFindA(const WinFileFindA&) = delete;
    WinFileFindA& operator=(const WinFileFindA&) = delete;

    // True when a first entry was found; otherwise the search stays closed.
    bool Open(const std::string& pattern);
    void Next();
    bool IsOpen() const { return data_ != nullptr; }
    bool IsDone() const { return !hasCurrent_; }
    void Close();
    // The entry found last; an all-zero record while closed.
    const WIN32_FIND_DATAA& CurrentEntry() const;

private:
    std::unique_ptr<WIN32_FIND_DATAA> data_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool hasCurrent_ = false;
};

// Walks the folder part of a path (everything up to and including its last
// backslash, so pass folders with a trailing backslash) and, when recursive,
// its subfolders depth first, each at the point where it is met.
class WinDirTraverser {
public:
    WinDirTraverser() = default;
    ~WinDirTraverser();
    WinDirTraverser(const WinDirTraverser&) = delete;
    WinDirTraverser& operator=(const WinDirTraverser&) = delete;

    // Always true: a folder that cannot be searched is simply done at once.
    bool Open(const std::string& path, bool recursive);
    void Next();
    bool IsDone() const { return stack_.empty(); }
    void Close();
    const WIN32_FIND_DATAA& CurrentEntry() const;

protected:
    bool CurrentIsDirectory() const;
    const std::string& CurrentFolder() const { return folder_; }

private:
    void PushSearch();
    void Settle();

    bool recursive_ = false;
    std::string folder_;
    std::vector<std::unique_ptr<WinFileFindA>> stack_; // back() is the deepest folder
};

// Yields files only: "." and ".." and folders never surface.
class WinFileEnumerater : public WinDirTraverser {
public:
    bool Open(const std::string& path, bool recursive);
    void Next();

private:
    void SkipFolders();
};

class FileNameEnumerater : public WinFileEnumerater {
public:
    // Current folder + "\" + name. A folder given with a trailing backslash
    // keeps it, so the result holds "\\" there; the platform reads that as one.
    std::string FullName() const;
};
