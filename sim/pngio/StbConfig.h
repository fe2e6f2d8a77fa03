// Build options shared by the stb implementation unit and its callers, so
// both see the same declarations.
#ifndef RAVELO_SIM_PNGIO_STBCONFIG_H
#define RAVELO_SIM_PNGIO_STBCONFIG_H

#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
#define STBI_WRITE_NO_STDIO

#endif
