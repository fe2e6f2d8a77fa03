#include "system/IniAccess.h"

#include <cassert>
#include <cstring>
#include <new>

IniAccessor::~IniAccessor() { Close(); }

bool IniAccessor::Allocate(std::uint32_t size) {
    buffer_.reset();
    try {
        buffer_ = std::make_unique<char[]>(size);
    } catch (const std::bad_alloc&) {
        size_ = 0;
        return false;
    }
    size_ = size;
    return true;
}

bool IniAccessor::Open(const std::string& path) {
    assert(!IsOpen());
    try {
        path_ = path;
    } catch (const std::bad_alloc&) {
        Close();
        return false;
    }
    if (!Allocate(kInitialBufferSize)) {
        Close();
        return false;
    }
    return true;
}

void IniAccessor::ReadString(const char* section, const char* key, const char* def, std::string& out) {
    if (!IsOpen()) {
        out.assign(def ? def : "");
        return;
    }
    // A list of names ends in two NULs, a single value in one.
    const std::uint32_t reserve = (section && key) ? 1u : 2u;
    for (;;) {
        const DWORD n = GetPrivateProfileStringA(section, key, def, buffer_.get(), size_, path_.c_str());
        // n counts characters copied, so n + reserve == size may be a cut value.
        const bool fitted = static_cast<std::uint64_t>(n) + reserve < size_;
        if (fitted || size_ >= kMaxBufferSize)
            break;
        const std::uint32_t grown = size_ * 2u;
        if (!Allocate(grown)) {
            // Out of memory: keep a buffer so the accessor stays open, and
            // hand back what the smallest buffer holds.
            if (!Allocate(kInitialBufferSize)) {
                out.clear();
                return;
            }
            GetPrivateProfileStringA(section, key, def, buffer_.get(), size_, path_.c_str());
            break;
        }
    }
    buffer_[size_ - 1] = '\0';
    out.assign(buffer_.get(), strnlen(buffer_.get(), size_));
}

void IniAccessor::Close() {
    if (!path_.empty())
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, path_.c_str());
    path_.clear();
    buffer_.reset();
    size_ = 0;
}
