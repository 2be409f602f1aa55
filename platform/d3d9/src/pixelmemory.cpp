// Pixel memory: small blocks from the heap, large ones mapped apart in 2 MB pages where the system
// offers them (transparent huge pages on request); each block starts with a header naming its kind.
#include "pixelmemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace d3d9 {
namespace {

constexpr std::size_t kLargePage = std::size_t(2) << 20;
// From this size on a block gets its own mapping: below it a large page would mostly hold nothing.
constexpr std::size_t kMapFrom = std::size_t(1) << 20;

struct alignas(64) Header {
    std::size_t bytes;   // asked for
    std::size_t mapped;  // length of the block's own mapping, 0 for a heap block
    void* mapping;
};

Header* HeaderOf(void* block) { return static_cast<Header*>(block) - 1; }

void* Mapped(std::size_t bytes) {
    const std::size_t length = (sizeof(Header) + bytes + kLargePage - 1) / kLargePage * kLargePage;
    // Mapped with a large page to spare, then trimmed so that the block starts on a large page.
    void* raw = mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kLargePage - 1) & ~(kLargePage - 1);
    if (aligned > start) munmap(raw, aligned - start);
    const std::uintptr_t end = start + length + kLargePage;
    if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
    auto* mapping = reinterpret_cast<void*>(aligned);
    madvise(mapping, length, MADV_HUGEPAGE);  // a hint: without large pages the block works the same
    auto* header = static_cast<Header*>(mapping);
    *header = Header{bytes, length, mapping};
    return header + 1;
}

}  // namespace

void* AllocatePixels(std::size_t bytes) {
    if (bytes > SIZE_MAX / 2) return nullptr;
    if (bytes >= kMapFrom) return Mapped(bytes);
    auto* header = static_cast<Header*>(std::calloc(1, sizeof(Header) + bytes));
    if (!header) return nullptr;
    *header = Header{bytes, 0, header};
    return header + 1;
}

void* ReallocatePixels(void* block, std::size_t bytes) {
    if (!block) return AllocatePixels(bytes);
    void* grown = AllocatePixels(bytes);
    if (!grown) return nullptr;
    std::memcpy(grown, block, std::min(bytes, HeaderOf(block)->bytes));
    FreePixels(block);
    return grown;
}

void FreePixels(void* block) {
    if (!block) return;
    const Header header = *HeaderOf(block);
    if (header.mapped)
        munmap(header.mapping, header.mapped);
    else
        std::free(header.mapping);
}

}  // namespace d3d9
