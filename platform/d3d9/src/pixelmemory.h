// Zeroed memory for pixel buffers: surfaces, the presented frame and the image decoder's buffers.
// Large blocks are mapped on their own and asked for in 2 MB pages, which the system fills in one
// fault instead of five hundred; pages never written (the unused part of a texture rounded up to a
// power of two) are never made at all.
#pragma once
#include <cstddef>
#include <memory>

namespace d3d9 {

// Zeroed; nullptr when there is no memory. Blocks from AllocatePixels and ReallocatePixels go back
// through FreePixels only.
void* AllocatePixels(std::size_t bytes);
// Keeps the first min(old, new) bytes; what grows is zero. nullptr (the old block kept) on failure.
void* ReallocatePixels(void* block, std::size_t bytes);
void FreePixels(void* block);

struct PixelsFree {
    void operator()(void* block) const { FreePixels(block); }
};
template <class T>
using PixelBuffer = std::unique_ptr<T[], PixelsFree>;

template <class T>
PixelBuffer<T> MakePixels(std::size_t count) {
    return PixelBuffer<T>(static_cast<T*>(AllocatePixels(count * sizeof(T))));
}

}  // namespace d3d9
