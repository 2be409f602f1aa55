// Pixel conversion of a movie frame (24-bit rows, b g r) into a locked texture level.
#pragma once
#include <cstdint>

struct MovieFrame {
    const std::uint8_t* pixels;
    std::uint32_t pitch;  // bytes per source row, a multiple of 4
    int width;
    int height;
};

// Into A8R8G8B8: row y to row y, each pixel 0xFF000000 | r << 16 | g << 8 | b, four at a time.
void CopyFrameTo32(const MovieFrame& frame, std::uint8_t* dest, int destPitch);
// Into A1R5G5B5: row y to row y, each pixel 0x8000 | (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3).
void CopyFrameTo16(const MovieFrame& frame, std::uint8_t* dest, int destPitch);
