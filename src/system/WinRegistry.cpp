#include "system/WinRegistry.h"

#include <cassert>
#include <new>
#include <vector>

namespace {

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

} // namespace

// ---- RegReader --------------------------------------------------------------

RegReader::~RegReader() { Close(); }

bool RegReader::Open(HKEY root, const std::string& path) {
    assert(!IsOpen());
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    key_.Reset(key);
    return true;
}

bool RegReader::ReadDword(const std::string& name, DWORD& out) const {
    return IsOpen() && QueryDword(key_.Get(), name, out);
}

bool RegReader::ReadDword(const std::string& name, std::uint32_t& out) const {
    return IsOpen() && QueryDword32(key_.Get(), name, out);
}

void RegReader::Close() { key_.Reset(); }

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
    key_.Reset(key);
    return true;
}

bool RegAccessor::ReadDword(const std::string& name, DWORD& out) const {
    return IsOpen() && QueryDword(key_.Get(), name, out);
}

bool RegAccessor::ReadDword(const std::string& name, std::uint32_t& out) const {
    return IsOpen() && QueryDword32(key_.Get(), name, out);
}

bool RegAccessor::ReadString(const std::string& name, std::string& out) const {
    if (!IsOpen())
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
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
    if (RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
        ERROR_SUCCESS)
        return false;
    out.assign(buffer.data());
    return true;
}

void RegAccessor::Close() { key_.Reset(); }
