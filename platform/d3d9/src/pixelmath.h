// Small arithmetic the rasteriser's pieces share: sub-pixel and block sizes, 8-bit channel products,
// the comparison functions of the depth and alpha tests, and whether the AVX2 lanes run.
#pragma once
#include <d3d9.h>
#include <immintrin.h>

#include <atomic>
#include <cstdint>

namespace d3d9 {

constexpr int kSub = 256;   // sub-pixel steps per pixel, and 1/256 texel steps of texel positions
constexpr int kChunk = 64;  // pixels shaded together; attribute values are stepped from 64-pixel blocks

// Whether the processor has AVX2, and whether the lanes may run (the test hook's switch); both live
// in raster.cpp.
extern const bool g_hasAvx2;
extern std::atomic<bool> g_lanes;

// Whether the shortcuts of pixel programs run (lanes, tables, texel columns): unless the test hook asks
// for the reference arithmetic, one pixel and one sample at a time.
inline bool VectorLanes() { return g_lanes.load(std::memory_order_relaxed); }

// Whether the AVX2 lanes run: the processor has them and the test hook has not asked for the scalar
// arithmetic.
inline bool Avx2() { return g_hasAvx2 && VectorLanes(); }

// The first count (below 8) of eight 32-bit lanes, for masked loads and stores (AVX2).
__attribute__((target("avx2"))) inline __m256i TailMask(int count) {
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
}

// round(x / 255) for the non-negative products of 8-bit channels.
inline int Div255(int x) { return (2 * x + 255) / 510; }

inline int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

inline DWORD Pack(int a, int r, int g, int b) { return DWORD(a) << 24 | DWORD(r) << 16 | DWORD(g) << 8 | DWORD(b); }

// The depth and alpha tests' comparison of a new value a with the reference b.
inline bool Compare(DWORD func, unsigned a, unsigned b) {
    switch (func) {
        case D3DCMP_NEVER: return false;
        case D3DCMP_LESS: return a < b;
        case D3DCMP_EQUAL: return a == b;
        case D3DCMP_LESSEQUAL: return a <= b;
        case D3DCMP_GREATER: return a > b;
        case D3DCMP_NOTEQUAL: return a != b;
        case D3DCMP_GREATEREQUAL: return a >= b;
        default: return true;
    }
}

}  // namespace d3d9
