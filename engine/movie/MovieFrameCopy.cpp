// The movie texture's two pixel conversions. Both keep the frame's row order, so the picture has
// the same orientation in either texture format.
#include "engine/movie/MovieFrameCopy.h"

#include <cstring>

namespace {
std::uint32_t Pack32(const std::uint8_t* bgr) {
    return 0xFF000000u | static_cast<std::uint32_t>(bgr[2]) << 16 | static_cast<std::uint32_t>(bgr[1]) << 8 | bgr[0];
}
std::uint16_t Pack16(const std::uint8_t* bgr) {
    return static_cast<std::uint16_t>(0x8000u | (bgr[2] >> 3) << 10 | (bgr[1] >> 3) << 5 | (bgr[0] >> 3));
}
}  // namespace

void CopyFrameTo32(const MovieFrame& frame, std::uint8_t* dest, int destPitch) {
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* src = frame.pixels + static_cast<size_t>(y) * frame.pitch;
        std::uint8_t* row = dest + static_cast<std::ptrdiff_t>(y) * destPitch;
        int x = 0;
        // Four pixels a step: 12 source bytes into 4 words.
        for (; x + 4 <= frame.width; x += 4, src += 12) {
            std::uint32_t words[4] = {Pack32(src), Pack32(src + 3), Pack32(src + 6), Pack32(src + 9)};
            std::memcpy(row + 4 * x, words, sizeof words);
        }
        for (; x < frame.width; ++x, src += 3) {
            std::uint32_t word = Pack32(src);
            std::memcpy(row + 4 * x, &word, sizeof word);
        }
    }
}

void CopyFrameTo16(const MovieFrame& frame, std::uint8_t* dest, int destPitch) {
    for (int y = 0; y < frame.height; ++y) {
        const std::uint8_t* src = frame.pixels + static_cast<size_t>(y) * frame.pitch;
        std::uint8_t* row = dest + static_cast<std::ptrdiff_t>(y) * destPitch;
        for (int x = 0; x < frame.width; ++x, src += 3) {
            std::uint16_t half = Pack16(src);
            std::memcpy(row + 2 * x, &half, sizeof half);
        }
    }
}
