// The folders the program reads its files from.
#pragma once
#include <string>

#include "win32/ModulePath.h"

// The executable's folder with its trailing backslash; computed on each call.
inline std::string ModuleFolder() { return win32::ModuleFolder(); }

// ModuleFolder followed by "Resource\": the movies and pictures.
inline std::string ResourceFolder() { return ModuleFolder() + "Resource\\"; }
