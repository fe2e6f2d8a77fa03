// Reads strings from an INI file through the private-profile functions,
// growing its read buffer by doubling so long values come back whole.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class IniAccessor {
public:
    // The buffer stops growing here; a longer value is returned cut to fit.
    static constexpr std::uint32_t kMaxBufferSize = 16u * 1024u * 1024u;
    static constexpr std::uint32_t kInitialBufferSize = 128u;

    IniAccessor() = default;
    ~IniAccessor();
    IniAccessor(const IniAccessor&) = delete;
    IniAccessor& operator=(const IniAccessor&) = delete;

    // Does not touch the file: a missing file just yields the defaults.
    bool Open(const std::string& path);
    // section or key may be null (lists of names); def null reads as "".
    void ReadString(const char* section, const char* key, const char* def, std::string& out);
    bool IsOpen() const { return buffer_ != nullptr; }
    // Flushes the platform's cached copy of the file.
    void Close();

    std::uint32_t BufferSize() const { return size_; }

private:
    bool Allocate(std::uint32_t size);

    std::string path_;
    std::unique_ptr<char[]> buffer_;
    std::uint32_t size_ = 0;
};
