// Taking file names apart and comparing them as the file system does
// (A-Z folded to a-z).
#pragma once
#include <string>

// Equal length and equal bytes once A-Z are folded to a-z.
bool EqualsNoCase(const std::string& a, const std::string& b);
// From the last "." on, or empty.
std::string ExtensionOf(const std::string& path);
// After the last backslash or colon; empty when there is none or it ends there.
std::string FileNameOf(const std::string& path);
// Before the last "."; unchanged without one.
std::string StripExtension(const std::string& name);
