// Read access to the Windows registry: RegReader opens an existing key for
// reading, RegAccessor opens (and can create) a key with full access. Both
// read single values; a failed open or read is a false result, never an
// error message.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "win32/Handles.h"

// An existing key opened for reading (KEY_READ).
class RegReader {
public:
    RegReader() = default;
    ~RegReader();
    RegReader(const RegReader&) = delete;
    RegReader& operator=(const RegReader&) = delete;

    bool Open(HKEY root, const std::string& path);
    // True only for a REG_DWORD value; out may be overwritten even when false.
    bool ReadDword(const std::string& name, DWORD& out) const;
    bool ReadDword(const std::string& name, std::uint32_t& out) const;
    bool IsOpen() const { return key_.IsValid(); }
    void Close();

private:
    win32::RegKey key_;
};

// A key opened (or, with create, created together with its missing parents)
// with KEY_ALL_ACCESS.
class RegAccessor {
public:
    RegAccessor() = default;
    ~RegAccessor();
    RegAccessor(const RegAccessor&) = delete;
    RegAccessor& operator=(const RegAccessor&) = delete;

    bool Open(HKEY root, const std::string& path, bool create);
    bool ReadDword(const std::string& name, DWORD& out) const;
    bool ReadDword(const std::string& name, std::uint32_t& out) const;
    // REG_SZ, REG_EXPAND_SZ (unexpanded) or REG_MULTI_SZ (first string only).
    // out is left unchanged when false.
    bool ReadString(const std::string& name, std::string& out) const;
    bool IsOpen() const { return key_.IsValid(); }
    void Close();

private:
    win32::RegKey key_;
};
