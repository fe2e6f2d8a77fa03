// What the system tells about itself: its version and its shell folders.
#pragma once
#include <windows.h>

#include <string>

// Version 6 exactly (Vista to 8, and the capped 6.2 report of later
// systems), or the version cannot be read.
bool IsMajorVersion6();
// The same rule, given what GetVersionExA answered.
bool IsMajorVersion6From(bool versionRead, DWORD majorVersion);

// A shell folder with a trailing backslash, created when missing; empty on
// failure.
std::string GetSpecialFolder(int csidl);

// For tests: while set, loading the shell library fails, as it may when
// the system is short of memory.
void FailShellLibraryLoadForTesting(bool fail);
