// The registry and the files of the shared Wine prefix as the tests and the
// benchmark touch them: plain value access, savers that put a value or a
// file back as it was (or remove it) when they go, and a private key tree
// of the test's own.
#pragma once
#include <windows.h>

#include <string>

namespace testsupport {

// Creates the key when missing. False on any failure.
bool SetRegistryValue(HKEY root, const std::string& path, const char* name, DWORD type, const void* data, DWORD size);
bool SetRegistryString(HKEY root, const std::string& path, const char* name, const std::string& value);
bool SetRegistryDword(HKEY root, const std::string& path, const char* name, DWORD value);
// A REG_SZ value; false when the key or value is missing or of another type.
// view: 0 for the process's own registry view, or KEY_WOW64_64KEY /
// KEY_WOW64_32KEY (also for RegistryKeyExists).
bool RegistryString(HKEY root, const std::string& path, const char* name, std::string& value, REGSAM view = 0);
// True also when there was no such value (or key).
bool DeleteRegistryValue(HKEY root, const std::string& path, const char* name);
bool RegistryKeyExists(HKEY root, const std::string& path, REGSAM view = 0);
// The key with everything below it; true also when there was none.
bool DeleteRegistryTree(HKEY root, const std::string& path);

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

// A private key path "Software\Ravelo<tag>Test-<pid>-<n>\" (with its
// trailing backslash, as the program's and the stand-ins' registry base
// takes it) under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, deleted with
// everything below it on destruction. Sub-keys are relative to it.
class PrivateRegistry {
public:
    explicit PrivateRegistry(const std::string& tag);
    ~PrivateRegistry();
    PrivateRegistry(const PrivateRegistry&) = delete;
    PrivateRegistry& operator=(const PrivateRegistry&) = delete;

    const std::string& Base() const { return base_; }
    bool SetString(HKEY root, const std::string& subKey, const char* name, const std::string& value) const;
    bool SetDword(HKEY root, const std::string& subKey, const char* name, DWORD value) const;
    bool GetString(HKEY root, const std::string& subKey, const char* name, std::string& value) const;
    bool DeleteValue(HKEY root, const std::string& subKey, const char* name) const;
    bool DeleteKey(HKEY root, const std::string& subKey) const;
    bool KeyExists(HKEY root, const std::string& subKey) const;

private:
    std::string base_;
};

} // namespace testsupport
