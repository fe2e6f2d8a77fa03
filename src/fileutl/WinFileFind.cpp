#include "fileutl/WinFileFind.h"

#include <cassert>
#include <cstring>

namespace {

const WIN32_FIND_DATAA& EmptyEntry() {
    static const WIN32_FIND_DATAA empty = {};
    return empty;
}

bool IsDotName(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

} // namespace

// ---- WinFileFindA -------------------------------------------------------------

WinFileFindA::~WinFileFindA() { Close(); }

bool WinFileFindA::Open(const std::string& pattern) {
    assert(!IsOpen());
    data_ = std::make_unique<WIN32_FIND_DATAA>();
    const HANDLE handle = FindFirstFileA(pattern.c_str(), data_.get());
    if (handle == INVALID_HANDLE_VALUE) {
        data_.reset();
        hasCurrent_ = false;
        return false;
    }
    handle_ = handle;
    hasCurrent_ = true;
    return true;
}

void WinFileFindA::Next() {
    if (!IsOpen() || handle_ == INVALID_HANDLE_VALUE) {
        hasCurrent_ = false;
        return;
    }
    hasCurrent_ = FindNextFileA(handle_, data_.get()) != 0;
}

void WinFileFindA::Close() {
    data_.reset();
    if (handle_ != INVALID_HANDLE_VALUE) {
        FindClose(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    hasCurrent_ = false;
}

const WIN32_FIND_DATAA& WinFileFindA::CurrentEntry() const { return data_ ? *data_ : EmptyEntry(); }

// ---- WinDirTraverser ------------------------------------------------------------

WinDirTraverser::~WinDirTraverser() { Close(); }

void WinDirTraverser::PushSearch() {
    auto search = std::make_unique<WinFileFindA>();
    search->Open(folder_ + "\\*"); // a folder that cannot be searched is done at once
    stack_.push_back(std::move(search));
}

bool WinDirTraverser::Open(const std::string& path, bool recursive) {
    Close();
    const size_t slash = path.find_last_of('\\');
    folder_ = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    recursive_ = recursive;
    PushSearch();
    Settle();
    return true;
}

bool WinDirTraverser::CurrentIsDirectory() const {
    return !IsDone() && (CurrentEntry().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void WinDirTraverser::Next() {
    if (IsDone())
        return;
    const WIN32_FIND_DATAA& entry = CurrentEntry();
    if (recursive_ && CurrentIsDirectory() && !IsDotName(entry.cFileName)) {
        folder_ += "\\";
        folder_ += entry.cFileName;
        PushSearch();
    } else {
        stack_.back()->Next();
    }
    Settle();
}

void WinDirTraverser::Settle() {
    while (!stack_.empty() && stack_.back()->IsDone()) {
        stack_.pop_back();
        const size_t slash = folder_.find_last_of('\\');
        if (slash != std::string::npos)
            folder_.erase(slash);
        if (stack_.empty())
            break;
        stack_.back()->Next(); // past the folder just finished
    }
}

void WinDirTraverser::Close() {
    while (!stack_.empty())
        stack_.pop_back(); // deepest first
    folder_.clear();
}

const WIN32_FIND_DATAA& WinDirTraverser::CurrentEntry() const {
    return stack_.empty() ? EmptyEntry() : stack_.back()->CurrentEntry();
}

// ---- WinFileEnumerater -----------------------------------------------------------

void WinFileEnumerater::SkipFolders() {
    while (CurrentIsDirectory())
        WinDirTraverser::Next();
}

bool WinFileEnumerater::Open(const std::string& path, bool recursive) {
    const bool ok = WinDirTraverser::Open(path, recursive);
    SkipFolders();
    return ok;
}

void WinFileEnumerater::Next() {
    WinDirTraverser::Next();
    SkipFolders();
}

// ---- FileNameEnumerater ----------------------------------------------------------

std::string FileNameEnumerater::FullName() const { return CurrentFolder() + "\\" + CurrentEntry().cFileName; }
