#include "system/WinRegistry.h"

#include <cassert>
#include <new>

namespace {

// One extra byte per name for the terminator the enumeration calls write.
std::vector<char> NameBuffer(DWORD longest, DWORD& length) {
    length = 0;
    if (longest == MAXDWORD)
        return {};
    try {
        std::vector<char> buffer(static_cast<size_t>(longest) + 1, '\0');
        length = longest + 1;
        return buffer;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

bool QueryDword(HKEY key, const std::string& name, DWORD& out) {
    DWORD type = 0;
    DWORD size = sizeof(DWORD);
    const LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&out), &size);
    return rc == ERROR_SUCCESS && type == REG_DWORD;
}

bool QueryDword32(HKEY key, const std::string& name, std::uint32_t& out) {
    DWORD value = 0;
    const bool ok = QueryDword(key, name, value);
    out = static_cast<std::uint32_t>(value);
    return ok;
}

// Opens the key's name buffers; shared by both key classes.
void AttachNameBuffers(HKEY key, std::unique_ptr<RegValueBase>& values, std::unique_ptr<RegSubKeyBase>& subKeys) {
    values = std::make_unique<RegValueBase>(key);
    subKeys = std::make_unique<RegSubKeyBase>(key);
}

void CloseKey(HKEY& key, bool& owns, std::unique_ptr<RegValueBase>& values, std::unique_ptr<RegSubKeyBase>& subKeys) {
    if (owns) {
        RegCloseKey(key);
        key = nullptr;
        owns = false;
    }
    values.reset();
    subKeys.reset();
}

} // namespace

RegValueBase::RegValueBase(HKEY key) : key_(key) {
    DWORD count = 0;
    DWORD longest = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr,
                         nullptr) == ERROR_SUCCESS)
        buffer_ = NameBuffer(longest, length_);
}

RegSubKeyBase::RegSubKeyBase(HKEY key) : key_(key) {
    DWORD count = 0;
    DWORD longest = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &count, &longest, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr) == ERROR_SUCCESS)
        buffer_ = NameBuffer(longest, length_);
}

// ---- RegReader --------------------------------------------------------------

RegReader::~RegReader() { Close(); }

DWORD RegReader::AccessMask() const { return KEY_READ; }

bool RegReader::Open(HKEY root, const std::string& path) {
    assert(!IsOpen());
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, AccessMask(), &key) != ERROR_SUCCESS)
        return false;
    key_ = key;
    AttachNameBuffers(key_, values_, subKeys_);
    ownsHandle_ = true;
    return true;
}

bool RegReader::ReadDword(const std::string& name, DWORD& out) const { return IsOpen() && QueryDword(key_, name, out); }

bool RegReader::ReadDword(const std::string& name, std::uint32_t& out) const {
    return IsOpen() && QueryDword32(key_, name, out);
}

void RegReader::Close() { CloseKey(key_, ownsHandle_, values_, subKeys_); }

// ---- RegAccessor ------------------------------------------------------------

RegAccessor::~RegAccessor() { Close(); }

bool RegAccessor::Open(HKEY root, const std::string& path, bool create) {
    assert(!IsOpen());
    HKEY key = nullptr;
    LONG rc = ERROR_SUCCESS;
    if (create) {
        DWORD disposition = 0;
        rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition);
    } else {
        rc = RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key);
    }
    if (rc != ERROR_SUCCESS)
        return false;
    key_ = key;
    AttachNameBuffers(key_, values_, subKeys_);
    ownsHandle_ = true;
    return true;
}

bool RegAccessor::ReadDword(const std::string& name, DWORD& out) const {
    return IsOpen() && QueryDword(key_, name, out);
}

bool RegAccessor::ReadDword(const std::string& name, std::uint32_t& out) const {
    return IsOpen() && QueryDword32(key_, name, out);
}

bool RegAccessor::ReadString(const std::string& name, std::string& out) const {
    if (!IsOpen())
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ)
        return false;
    if (size == MAXDWORD)
        return false;
    // One byte more than the data, always NUL, so data stored without a
    // terminator still ends.
    std::vector<char> buffer;
    try {
        buffer.assign(static_cast<size_t>(size) + 1, '\0');
    } catch (const std::bad_alloc&) {
        return false;
    }
    DWORD got = size;
    if (RegQueryValueExA(key_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
        ERROR_SUCCESS)
        return false;
    out.assign(buffer.data());
    return true;
}

void RegAccessor::Close() { CloseKey(key_, ownsHandle_, values_, subKeys_); }
