// Settings of the shared Wine prefix that a test or the benchmark changes
// for a while: each saver reads the value or file when made and puts it
// back as it was (or removes it) when it goes.
#pragma once
#include <windows.h>

#include <string>

namespace testsupport {

class SavedValue {
public:
    SavedValue(HKEY root, std::string path, std::string name);
    ~SavedValue();
    SavedValue(const SavedValue&) = delete;
    SavedValue& operator=(const SavedValue&) = delete;

    bool Set(DWORD type, const void* data, DWORD size) const;
    bool SetString(const std::string& value) const;
    bool SetDword(DWORD value) const;
    bool Delete() const;

    bool Existed() const { return existed_; }
    DWORD Type() const { return type_; }

private:
    HKEY root_;
    std::string path_;
    std::string name_;
    bool existed_ = false;
    DWORD type_ = 0;
    std::string data_;
};

class SavedFile {
public:
    explicit SavedFile(std::string path);
    ~SavedFile();
    SavedFile(const SavedFile&) = delete;
    SavedFile& operator=(const SavedFile&) = delete;

private:
    std::string path_;
    bool existed_ = false;
    std::string data_;
};

} // namespace testsupport
