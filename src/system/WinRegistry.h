// Read access to the Windows registry: RegReader opens an existing key for
// reading, RegAccessor opens (and can create) a key with full access. Both
// read single values; a failed open or read is a false result, never an
// error message.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Name buffer for value names of one open key, sized from the key's longest
// value name. Reserved for enumeration; nothing enumerates yet.
class RegValueBase {
public:
    explicit RegValueBase(HKEY key);
    RegValueBase(const RegValueBase&) = delete;
    RegValueBase& operator=(const RegValueBase&) = delete;

    HKEY Key() const { return key_; }
    DWORD BufferLength() const { return length_; }

private:
    HKEY key_ = nullptr;       // borrowed from the key object
    std::vector<char> buffer_; // empty when the key could not be queried
    DWORD length_ = 0;
};

// Name buffer for sub-key names of one open key, sized from the key's
// longest sub-key name.
class RegSubKeyBase {
public:
    explicit RegSubKeyBase(HKEY key);
    RegSubKeyBase(const RegSubKeyBase&) = delete;
    RegSubKeyBase& operator=(const RegSubKeyBase&) = delete;

    HKEY Key() const { return key_; }
    DWORD BufferLength() const { return length_; }

private:
    HKEY key_ = nullptr;
    std::vector<char> buffer_;
    DWORD length_ = 0;
};

// An existing key opened with the access mask of AccessMask (KEY_READ).
class RegReader {
public:
    RegReader() = default;
    ~RegReader(); // closes; locals only, never deleted through a base pointer
    RegReader(const RegReader&) = delete;
    RegReader& operator=(const RegReader&) = delete;

    virtual DWORD AccessMask() const;

    bool Open(HKEY root, const std::string& path);
    // True only for a REG_DWORD value; out may be overwritten even when false.
    bool ReadDword(const std::string& name, DWORD& out) const;
    bool ReadDword(const std::string& name, std::uint32_t& out) const;
    bool IsOpen() const { return subKeys_ != nullptr; }
    void Close();

private:
    HKEY key_ = nullptr;
    bool ownsHandle_ = false;
    std::unique_ptr<RegSubKeyBase> subKeys_;
    std::unique_ptr<RegValueBase> values_;
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
    bool IsOpen() const { return subKeys_ != nullptr; }
    void Close();

private:
    HKEY key_ = nullptr;
    bool ownsHandle_ = false;
    std::unique_ptr<RegSubKeyBase> subKeys_;
    std::unique_ptr<RegValueBase> values_;
};
