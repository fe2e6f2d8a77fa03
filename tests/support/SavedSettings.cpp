#include "SavedSettings.h"

#include <vector>

#include "TestSupport.h"
#include "win32/Handles.h"

namespace testsupport {

bool SetRegistryValue(HKEY root, const std::string& path, const char* name, DWORD type, const void* data, DWORD size) {
    win32::RegKey key;
    return RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) ==
               ERROR_SUCCESS &&
           RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool SetRegistryString(HKEY root, const std::string& path, const char* name, const std::string& value) {
    return SetRegistryValue(root, path, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool SetRegistryDword(HKEY root, const std::string& path, const char* name, DWORD value) {
    return SetRegistryValue(root, path, name, REG_DWORD, &value, sizeof value);
}

bool RegistryString(HKEY root, const std::string& path, const char* name, std::string& value, REGSAM view) {
    win32::RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.Receive()) != ERROR_SUCCESS)
        return false;
    std::vector<char> data(1024, '\0');
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(data.size() - 1);
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    value = data.data();
    return true;
}

bool DeleteRegistryValue(HKEY root, const std::string& path, const char* name) {
    win32::RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS)
        return true; // no key, no value
    const LONG result = RegDeleteValueA(key.Get(), name);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool RegistryKeyExists(HKEY root, const std::string& path, REGSAM view) {
    win32::RegKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, key.Receive()) == ERROR_SUCCESS;
}

bool DeleteRegistryTree(HKEY root, const std::string& path) {
    RegDeleteTreeA(root, path.c_str());
    const LONG result = RegDeleteKeyA(root, path.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

SavedValue::SavedValue(HKEY root, std::string path, std::string name)
    : root_(root), path_(std::move(path)), name_(std::move(name)) {
    win32::RegKey key;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        data_.resize(size);
        existed_ =
            RegQueryValueExA(key.Get(), name_.c_str(), nullptr, &type_,
                             reinterpret_cast<BYTE*>(data_.empty() ? nullptr : &data_[0]), &size) == ERROR_SUCCESS;
        data_.resize(size);
    }
}

SavedValue::~SavedValue() {
    if (existed_)
        Set(type_, data_.data(), static_cast<DWORD>(data_.size()));
    else
        Delete();
}

bool SavedValue::Set(DWORD type, const void* data, DWORD size) const {
    return SetRegistryValue(root_, path_, name_.c_str(), type, data, size);
}

bool SavedValue::SetString(const std::string& value) const {
    return Set(REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool SavedValue::SetDword(DWORD value) const { return Set(REG_DWORD, &value, sizeof value); }

bool SavedValue::Delete() const { return DeleteRegistryValue(root_, path_, name_.c_str()); }

SavedFile::SavedFile(std::string path) : path_(std::move(path)) {
    existed_ = FileExists(path_);
    if (existed_)
        data_ = ReadTextFile(path_);
}

SavedFile::~SavedFile() {
    if (existed_)
        WriteTextFile(path_, data_);
    else
        DeleteFileA(path_.c_str());
}

PrivateRegistry::PrivateRegistry(const std::string& tag) {
    static LONG counter = 0;
    base_ = "Software\\Ravelo" + tag + "Test-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(InterlockedIncrement(&counter)) + "\\";
}

PrivateRegistry::~PrivateRegistry() {
    const std::string key = base_.substr(0, base_.size() - 1);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, key);
    DeleteRegistryTree(HKEY_CURRENT_USER, key);
}

bool PrivateRegistry::SetString(HKEY root, const std::string& subKey, const char* name,
                                const std::string& value) const {
    return SetRegistryString(root, base_ + subKey, name, value);
}

bool PrivateRegistry::SetDword(HKEY root, const std::string& subKey, const char* name, DWORD value) const {
    return SetRegistryDword(root, base_ + subKey, name, value);
}

bool PrivateRegistry::GetString(HKEY root, const std::string& subKey, const char* name, std::string& value) const {
    return RegistryString(root, base_ + subKey, name, value);
}

bool PrivateRegistry::DeleteValue(HKEY root, const std::string& subKey, const char* name) const {
    return DeleteRegistryValue(root, base_ + subKey, name);
}

bool PrivateRegistry::DeleteKey(HKEY root, const std::string& subKey) const {
    return DeleteRegistryTree(root, base_ + subKey);
}

bool PrivateRegistry::KeyExists(HKEY root, const std::string& subKey) const {
    return RegistryKeyExists(root, base_ + subKey);
}

} // namespace testsupport
