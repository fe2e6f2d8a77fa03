#include "StbArena.h"

#include <cstddef>
#include <cstdlib>
#include <new>

namespace pngio {
namespace {

// Placed in front of each block.
struct BlockHeader {
    BlockHeader* prev;
    BlockHeader* next;
};
// Room taken for the header: a whole multiple of the strictest fundamental
// alignment, so the caller's part keeps malloc's alignment.
constexpr std::size_t kHeaderBytes =
    (sizeof(BlockHeader) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);

thread_local BlockHeader* tracked = nullptr;

void Link(BlockHeader* header) {
    header->prev = nullptr;
    header->next = tracked;
    if (tracked != nullptr)
        tracked->prev = header;
    tracked = header;
}

void Unlink(BlockHeader* header) {
    if (header->prev != nullptr)
        header->prev->next = header->next;
    else
        tracked = header->next;
    if (header->next != nullptr)
        header->next->prev = header->prev;
}

BlockHeader* HeaderOf(void* block) {
    return reinterpret_cast<BlockHeader*>(static_cast<unsigned char*>(block) - kHeaderBytes);
}

void* BodyOf(BlockHeader* header) { return reinterpret_cast<unsigned char*>(header) + kHeaderBytes; }

bool SizeFits(std::size_t size) { return size <= static_cast<std::size_t>(-1) - kHeaderBytes; }

} // namespace

void* ArenaMalloc(std::size_t size) {
    if (!SizeFits(size))
        return nullptr;
    auto* header = static_cast<BlockHeader*>(std::malloc(kHeaderBytes + size));
    if (header == nullptr)
        return nullptr;
    Link(header);
    return BodyOf(header);
}

void* ArenaRealloc(void* block, std::size_t size) {
    if (block == nullptr)
        return ArenaMalloc(size);
    if (!SizeFits(size))
        return nullptr;
    BlockHeader* old = HeaderOf(block);
    Unlink(old);
    auto* header = static_cast<BlockHeader*>(std::realloc(old, kHeaderBytes + size));
    if (header == nullptr) {
        // The old block is still valid and still the caller's.
        Link(old);
        return nullptr;
    }
    Link(header);
    return BodyOf(header);
}

void ArenaFree(void* block) {
    if (block == nullptr)
        return;
    BlockHeader* header = HeaderOf(block);
    Unlink(header);
    std::free(header);
}

void ArenaAllocationFailed() { throw std::bad_alloc(); }

StbArena::~StbArena() {
    while (tracked != nullptr) {
        BlockHeader* header = tracked;
        tracked = header->next;
        std::free(header);
    }
}

} // namespace pngio
