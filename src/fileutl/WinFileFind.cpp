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
    m_data = std::make_unique<WIN32_FIND_DATAA>();
    const HANDLE handle = FindFirstFileA(pattern.c_str(), m_data.get());
    if (handle == INVALID_HANDLE_VALUE) {
        m_data.reset();
        m_hasCurrent = false;
        return false;
    }
    m_handle = handle;
    m_hasCurrent = true;
    return true;
}

void WinFileFindA::Next() {
    if (!IsOpen() || m_handle == INVALID_HANDLE_VALUE) {
        m_hasCurrent = false;
        return;
    }
    m_hasCurrent = FindNextFileA(m_handle, m_data.get()) != 0;
}

void WinFileFindA::Close() {
    m_data.reset();
    if (m_handle != INVALID_HANDLE_VALUE) {
        FindClose(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
    m_hasCurrent = false;
}

const WIN32_FIND_DATAA& WinFileFindA::CurrentEntry() const { return m_data ? *m_data : EmptyEntry(); }

// ---- WinDirTraverser ------------------------------------------------------------

WinDirTraverser::~WinDirTraverser() { Close(); }

void WinDirTraverser::PushSearch() {
    auto search = std::make_unique<WinFileFindA>();
    search->Open(m_folder + "\\*"); // a folder that cannot be searched is done at once
    m_stack.push_back(std::move(search));
}

bool WinDirTraverser::Open(const std::string& path, bool recursive) {
    Close();
    const size_t slash = path.find_last_of('\\');
    m_folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    m_recursive = recursive;
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
    if (m_recursive && CurrentIsDirectory() && !IsDotName(entry.cFileName)) {
        m_folder += "\\";
        m_folder += entry.cFileName;
        PushSearch();
    } else {
        m_stack.back()->Next();
    }
    Settle();
}

void WinDirTraverser::Settle() {
    while (!m_stack.empty() && m_stack.back()->IsDone()) {
        m_stack.pop_back();
        const size_t slash = m_folder.find_last_of('\\');
        if (slash != std::string::npos)
            m_folder.erase(slash);
        if (m_stack.empty())
            break;
        m_stack.back()->Next(); // past the folder just finished
    }
}

void WinDirTraverser::Close() {
    while (!m_stack.empty())
        m_stack.pop_back(); // deepest first
    m_folder.clear();
}

const WIN32_FIND_DATAA& WinDirTraverser::CurrentEntry() const {
    return m_stack.empty() ? EmptyEntry() : m_stack.back()->CurrentEntry();
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
