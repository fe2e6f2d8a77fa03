// Registry use of the stand-ins: the installation marker they write, and
// the remote's button bindings the overclocking stand-in reads.
//
// All keys live under a base path, "Software\Orva\" unless the environment
// variable RAVELO_SIM_REGISTRY_BASE names another one (tests use a private
// base so they neither disturb nor depend on the machine's real settings).
#pragma once
#include <windows.h>

#include <string>

namespace sibling {

// The key base, always ending in a backslash.
std::string RegistryBase();

enum class MarkerResult { AlreadyPresent, Written, Failed };

// Makes sure HKEY_LOCAL_MACHINE\<base><product> holds the string value
// "CaptionName". An existing string is left as it is; a missing value or one
// of another type (which readers cannot use) is replaced by caption.
MarkerResult EnsureInstallMarker(const std::string& product, const std::string& caption);

// Reads a REG_DWORD. False when the key or value is missing or not a DWORD.
bool ReadRegistryDword(HKEY root, const std::string& path, const char* name, DWORD& value);

// Reads a REG_SZ or REG_EXPAND_SZ (not expanded), or the first string of a
// REG_MULTI_SZ, of at most 1024 bytes.
bool ReadRegistryString(HKEY root, const std::string& path, const char* name, std::string& value);

} // namespace sibling
