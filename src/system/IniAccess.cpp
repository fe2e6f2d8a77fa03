#include "system/IniAccess.h"

#include <cassert>
#include <cstring>
#include <new>

IniAccessor::~IniAccessor() { Close(); }

bool IniAccessor::Allocate(std::uint32_t size) {
    m_buffer.reset();
    try {
        m_buffer = std::make_unique<char[]>(size);
    } catch (const std::bad_alloc&) {
        m_size = 0;
        return false;
    }
    m_size = size;
    return true;
}

bool IniAccessor::Open(const std::string& path) {
    assert(!IsOpen());
    try {
        m_path = path;
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
        const DWORD n = GetPrivateProfileStringA(section, key, def, m_buffer.get(), m_size, m_path.c_str());
        // n counts characters copied, so n + reserve == size may be a cut value.
        const bool fitted = static_cast<std::uint64_t>(n) + reserve < m_size;
        if (fitted || m_size >= kMaxBufferSize)
            break;
        const std::uint32_t grown = m_size * 2u;
        if (!Allocate(grown)) {
            // Out of memory: keep a buffer so the accessor stays open, and
            // hand back what the smallest buffer holds.
            if (!Allocate(kInitialBufferSize)) {
                out.clear();
                return;
            }
            GetPrivateProfileStringA(section, key, def, m_buffer.get(), m_size, m_path.c_str());
            break;
        }
    }
    m_buffer[m_size - 1] = '\0';
    out.assign(m_buffer.get(), strnlen(m_buffer.get(), m_size));
}

void IniAccessor::Close() {
    if (!m_path.empty())
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_path.c_str());
    m_path.clear();
    m_buffer.reset();
    m_size = 0;
}
