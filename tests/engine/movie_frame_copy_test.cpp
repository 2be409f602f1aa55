// The movie texture's pixel conversions: values, row order, row padding and widths that are not a
// multiple of four.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/movie/MovieFrameCopy.h"

namespace {

// A frame whose pixel (x, y) is b = 0x10 + x, g = 0x80, r = 0xF8 - 8y, rows padded to 4 bytes with 0xEE.
std::vector<std::uint8_t> MakeFrame(int width, int height, std::uint32_t pitch) {
    std::vector<std::uint8_t> bytes(pitch * height, 0xEE);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = bytes.data() + y * pitch + 3 * x;
            p[0] = static_cast<std::uint8_t>(0x10 + x);
            p[1] = 0x80;
            p[2] = static_cast<std::uint8_t>(0xF8 - 8 * y);
        }
    return bytes;
}

TEST(MovieFrameCopyTest, EveryWidthConvertsEachPixelInPlaceAndLeavesTheRestOfTheRow) {
    for (int width : {1, 2, 3, 4, 5, 7, 8, 9}) {
        SCOPED_TRACE(width);
        const int height = 2;
        std::uint32_t pitch = (3 * width + 3) & ~3;
        std::vector<std::uint8_t> source = MakeFrame(width, height, pitch);
        MovieFrame frame{source.data(), pitch, width, height};

        const int pitch32 = 4 * 12;  // wider than the frame: the tail must stay untouched
        std::vector<std::uint32_t> out32(12 * height, 0x12345678);
        CopyFrameTo32(frame, reinterpret_cast<std::uint8_t*>(out32.data()), pitch32);
        const int pitch16 = 2 * 12;
        std::vector<std::uint16_t> out16(12 * height, 0x1234);
        CopyFrameTo16(frame, reinterpret_cast<std::uint8_t*>(out16.data()), pitch16);

        // Row 0: r 0xF8, row 1: r 0xF0; first pixel b 0x10, second b 0x11 ...
        EXPECT_EQ(out32[0], 0xFFF88010u);
        EXPECT_EQ(out32[12], 0xFFF08010u);
        EXPECT_EQ(out16[0], 0xFE02u);   // 0x8000 | 31 << 10 | 16 << 5 | 2
        EXPECT_EQ(out16[12], 0xFA02u);  // r 0xF0 >> 3 = 30
        // The last pixel of row 1 (b = 0x10 + width - 1) is converted; what lies beyond is not touched.
        EXPECT_EQ(out32[12 + width - 1] & 0xFFFFFF00u, 0xFFF08000u);
        EXPECT_EQ(out32[12 + width - 1] & 0xFFu, 0x0Fu + width);
        for (int x = width; x < 12; ++x) {
            EXPECT_EQ(out32[x], 0x12345678u);
            EXPECT_EQ(out16[12 + x], 0x1234u);
        }
    }
}

}  // namespace
