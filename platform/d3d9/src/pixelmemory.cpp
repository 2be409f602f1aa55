// Pixel memory: small blocks from the heap, each behind a header giving its size; large ones mapped
// apart in 2 MB pages where the system offers them (transparent huge pages on request) and listed by
// address, so that nothing is written into a large block before its owner writes it: a texture that is
// never drawn into (the full-screen target of a game in a window) costs no memory.
#include "pixelmemory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include <sys/mman.h>

namespace d3d9 {
namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;
// From this size on a block gets its own mapping: below it a large page would mostly hold nothing.
constexpr std::size_t kMapFrom = std::size_t(1) << 20;

struct alignas(64) Header {
    std::size_t bytes;  // asked for
};

struct Mapping {
    std::size_t bytes;   // asked for
    std::size_t length;  // of the mapping
};

// The mapped blocks by address.
struct MappedBlocks {
    std::mutex lock;
    std::unordered_map<void*, Mapping> blocks;
};

MappedBlocks& Mapped() {
    static MappedBlocks* mapped = new MappedBlocks;  // outlives every static owner of pixel memory
    return *mapped;
}

void* Map(std::size_t bytes) {
    const std::size_t length = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    // Mapped with a large page to spare, then trimmed so that the block starts on a large page.
    void* raw = mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kLargePage - 1) & ~(kLargePage - 1);
    if (aligned > start) munmap(raw, aligned - start);
    const std::uintptr_t end = start + length + kLargePage;
    if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
    auto* block = reinterpret_cast<void*>(aligned);
    madvise(block, length, MADV_HUGEPAGE);  // a hint: without large pages the block works the same
    MappedBlocks& mapped = Mapped();
    std::lock_guard<std::mutex> hold(mapped.lock);
    mapped.blocks.emplace(block, Mapping{bytes, length});
    return block;
}

// Takes the block off the list into mapping; false for a heap block.
bool Unlist(void* block, Mapping& mapping) {
    MappedBlocks& mapped = Mapped();
    std::lock_guard<std::mutex> hold(mapped.lock);
    const auto found = mapped.blocks.find(block);
    if (found == mapped.blocks.end()) return false;
    mapping = found->second;
    mapped.blocks.erase(found);
    return true;
}

std::size_t SizeOf(void* block) {
    MappedBlocks& mapped = Mapped();
    std::lock_guard<std::mutex> hold(mapped.lock);
    const auto found = mapped.blocks.find(block);
    return found != mapped.blocks.end() ? found->second.bytes : (static_cast<Header*>(block) - 1)->bytes;
}

}  // namespace

void* AllocatePixels(std::size_t bytes) {
    if (bytes > SIZE_MAX / 2) return nullptr;
    if (bytes >= kMapFrom) return Map(bytes);
    auto* header = static_cast<Header*>(std::calloc(1, sizeof(Header) + bytes));
    if (!header) return nullptr;
    *header = Header{bytes};
    return header + 1;
}

void* ReallocatePixels(void* block, std::size_t bytes) {
    if (!block) return AllocatePixels(bytes);
    void* grown = AllocatePixels(bytes);
    if (!grown) return nullptr;
    std::memcpy(grown, block, std::min(bytes, SizeOf(block)));
    FreePixels(block);
    return grown;
}

void FreePixels(void* block) {
    if (!block) return;
    Mapping mapping;
    if (Unlist(block, mapping))
        munmap(block, mapping.length);
    else
        std::free(static_cast<Header*>(block) - 1);
}

}  // namespace d3d9
