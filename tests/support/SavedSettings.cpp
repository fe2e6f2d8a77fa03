#include "SavedSettings.h"

#include "TestSupport.h"

namespace testsupport {

SavedValue::SavedValue(HKEY root, std::string path, std::string name)
    : root_(root), path_(std::move(path)), name_(std::move(name)) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (RegQueryValueExA(key, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
        data_.resize(size);
        existed_ =
            RegQueryValueExA(key, name_.c_str(), nullptr, &type_,
                             reinterpret_cast<BYTE*>(data_.empty() ? nullptr : &data_[0]), &size) == ERROR_SUCCESS;
        data_.resize(size);
    }
    RegCloseKey(key);
}

SavedValue::~SavedValue() {
    if (existed_)
        Set(type_, data_.data(), static_cast<DWORD>(data_.size()));
    else
        Delete();
}

bool SavedValue::Set(DWORD type, const void* data, DWORD size) const {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExA(key, name_.c_str(), 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool SavedValue::SetString(const std::string& value) const {
    return Set(REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

bool SavedValue::SetDword(DWORD value) const { return Set(REG_DWORD, &value, sizeof value); }

bool SavedValue::Delete() const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, path_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return true;
    const LONG result = RegDeleteValueA(key, name_.c_str());
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

SavedFile::SavedFile(std::string path) : path_(std::move(path)) {
    existed_ = GetFileAttributesA(path_.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (existed_)
        data_ = ReadTextFile(path_);
}

SavedFile::~SavedFile() {
    if (existed_)
        WriteTextFile(path_, data_);
    else
        DeleteFileA(path_.c_str());
}

} // namespace testsupport
