// Allocation hooks for the stb codecs. Every block they take on this thread
// is tracked, so an StbArena scope releases whatever a codec call left
// behind, including the buffers of a call abandoned on an allocation failure.
#ifndef RAVELO_SIM_PNGIO_STBARENA_H
#define RAVELO_SIM_PNGIO_STBARENA_H

#include <cstddef>

namespace pngio {

void* ArenaMalloc(std::size_t size);
void* ArenaRealloc(void* block, std::size_t size);
void ArenaFree(void* block);

// stb_image_write carries on after a failed allocation unless its assertion
// stops it; this turns that assertion into std::bad_alloc.
[[noreturn]] void ArenaAllocationFailed();

// Frees, on destruction, every block still tracked on this thread.
class StbArena {
public:
    StbArena() = default;
    ~StbArena();
    StbArena(const StbArena&) = delete;
    StbArena& operator=(const StbArena&) = delete;
};

} // namespace pngio

#endif
