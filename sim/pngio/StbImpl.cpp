// The stb PNG decoder and encoder, compiled into the library. This unit holds
// only the third-party implementation; its own warnings are silenced in the
// build for this file alone.
#include "StbArena.h"
#include "StbConfig.h"

#define STBI_MALLOC(size) ::pngio::ArenaMalloc(size)
#define STBI_REALLOC(block, size) ::pngio::ArenaRealloc(block, size)
#define STBI_FREE(block) ::pngio::ArenaFree(block)
#define STBI_ASSERT(x) ((void)0)
// Wide single-row pictures up to the library's own pixel limit.
#define STBI_MAX_DIMENSIONS (1 << 27)
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

#define STBIW_MALLOC(size) ::pngio::ArenaMalloc(size)
#define STBIW_REALLOC(block, size) ::pngio::ArenaRealloc(block, size)
#define STBIW_FREE(block) ::pngio::ArenaFree(block)
#define STBIW_ASSERT(x) ((x) ? (void)0 : ::pngio::ArenaAllocationFailed())
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
