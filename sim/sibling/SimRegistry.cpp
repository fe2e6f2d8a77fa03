#include "SimRegistry.h"

#include <cstring>

#include "win32/Handles.h"

namespace sibling {

std::string RegistryBase() {
    char value[512];
    DWORD length = GetEnvironmentVariableA("RAVELO_SIM_REGISTRY_BASE", value, sizeof value);
    std::string base =
        (length > 0 && length < sizeof value) ? std::string(value, length) : std::string("Software\\Orva\\");
    if (base.back() != '\\')
        base += '\\';
    return base;
}

MarkerResult EnsureInstallMarker(const std::string& product, const std::string& caption) {
    std::string path = RegistryBase() + product;
    std::string existing;
    if (ReadRegistryString(HKEY_LOCAL_MACHINE, path, "CaptionName", existing))
        return MarkerResult::AlreadyPresent;
    win32::RegKey key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                        nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
        return MarkerResult::Failed;
    if (RegSetValueExA(key.Get(), "CaptionName", 0, REG_SZ, reinterpret_cast<const BYTE*>(caption.c_str()),
                       static_cast<DWORD>(caption.size() + 1)) != ERROR_SUCCESS)
        return MarkerResult::Failed;
    return MarkerResult::Written;
}

bool ReadRegistryDword(HKEY root, const std::string& path, const char* name, DWORD& value) {
    win32::RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

bool ReadRegistryString(HKEY root, const std::string& path, const char* name, std::string& value) {
    win32::RegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return false;
    // One byte beyond the size handed to the call stays 0, so a stored
    // string without its terminator still ends inside the buffer.
    char data[1025] = {};
    DWORD type = 0;
    DWORD size = sizeof data - 1;
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ))
        return false;
    // A multi-string yields its first string.
    value.assign(data, strnlen(data, size));
    return true;
}

} // namespace sibling
