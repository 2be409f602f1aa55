// The software rasteriser: triangle set-up in fixed point, spans per row, the texture-stage cascade
// or a pixel shader per block of pixels, then alpha test, depth, blending and the target write.
#include "raster.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <emmintrin.h>
#include <immintrin.h>

namespace d3d9 {
namespace {

// Rasteriser threads of new devices: the processor's cores, at most four (0 until first asked).
std::atomic<unsigned> g_threads{0};

constexpr int kSub = 256;        // sub-pixel steps per pixel
constexpr int kChunk = 64;       // pixels shaded together
constexpr int kBandRows = 16;    // rows per band handed to one thread

// AVX2 lanes where the processor has them, unless the test hook asks for the scalar arithmetic.
const bool g_hasAvx2 = __builtin_cpu_supports("avx2");
std::atomic<bool> g_lanes{true};
inline bool Avx2() { return g_hasAvx2 && g_lanes.load(std::memory_order_relaxed); }

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

// round(x) with halves going up, inline (texel positions in 1/256 steps).
inline int64_t RoundHalfUp(double x) {
    double r = x + 0.5;
    int64_t i = int64_t(r);
    return double(i) > r ? i - 1 : i;
}

// A texel position in 1/256 texels, x rounded with halves going up, for a texture of size texels
// addressed in mode. Positions further than 2^28 texels out, where no texel is near, become ones that
// address the same texels: as far out for clamping and border, and moved by whole periods of the
// pattern (2 size texels) for wrapping and mirroring. A position that is not a number is 0.
inline int64_t TexelPosition(double x, int size, DWORD mode) {
    constexpr double kFar = double(int64_t(1) << 36);
    if (std::fabs(x) < kFar) return RoundHalfUp(x);
    if (std::isnan(x)) return 0;
    if (mode == D3DTADDRESS_CLAMP || mode == D3DTADDRESS_BORDER) return x < 0 ? -int64_t(kFar) : int64_t(kFar);
    const double inPeriod = std::fmod(x, 2.0 * size * kSub);  // exact; not a number for infinities
    return std::isnan(inPeriod) ? 0 : RoundHalfUp(inPeriod);
}


inline DWORD Pack(int a, int r, int g, int b) { return DWORD(a) << 24 | DWORD(r) << 16 | DWORD(g) << 8 | DWORD(b); }

// A plane a(x, y) = base + dx * x + dy * y over screen coordinates.
struct Plane {
    double base, dx, dy;
    float At(double x, double y) const { return float(base + dx * x + dy * y); }
};

struct Edge {
    int64_t ax, ay, dx, dy;
    int64_t bias;  // 0 for top and left edges (pixels on them are inside), 1 otherwise
};

struct Triangle {
    Edge edge[3];
    int ymin, ymax, xmin, xmax;
    bool affine;  // all three w equal: attributes interpolate linearly on screen
    Plane z, invW;
    Plane attr[kAttrCount];
};

// Which attributes a draw reads, and where each stage's texture coordinates come from.
struct Usage {
    bool diffuse = false;
    unsigned texSets = 0;  // bit per texture coordinate set
    unsigned texComponents[8] = {};  // bit per component read of each set
    int attrList[kAttrCount];
    int attrCount = 0;
};

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

// Texel addressing of one coordinate (in texels) for an address mode; mask is size - 1 where size
// is a power of two (wrapping is then a mask), -1 otherwise.
inline int Address(int i, int size, int mask, DWORD mode, bool& border) {
    switch (mode) {
        case D3DTADDRESS_CLAMP: return i < 0 ? 0 : i >= size ? size - 1 : i;
        case D3DTADDRESS_MIRROR: {
            int period = 2 * size;
            int m = ((i % period) + period) % period;
            return m < size ? m : period - 1 - m;
        }
        case D3DTADDRESS_BORDER:
            if (i < 0 || i >= size) border = true;
            return i < 0 ? 0 : i >= size ? size - 1 : i;
        default: return mask >= 0 ? i & mask : ((i % size) + size) % size;
    }
}

// The bilinear filter on four texels, in 16- and 32-bit lanes (SSE2): each row is
// c0 (256 - fx) + c1 fx (at most 65280), then (top (256 - fy) + bottom fy + 32768) >> 16.
inline DWORD Bilinear(DWORD c00, DWORD c10, DWORD c01, DWORD c11, int fx, int fy) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i wx = _mm_set_epi16(short(fx), short(fx), short(fx), short(fx), short(kSub - fx), short(kSub - fx),
                                     short(kSub - fx), short(kSub - fx));
    __m128i a = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(int(c00)), _mm_cvtsi32_si128(int(c10))), zero);
    __m128i b = _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(int(c01)), _mm_cvtsi32_si128(int(c11))), zero);
    a = _mm_mullo_epi16(a, wx);
    b = _mm_mullo_epi16(b, wx);
    // top in the low four lanes, bottom in the high four.
    __m128i rows = _mm_unpacklo_epi64(_mm_add_epi16(a, _mm_srli_si128(a, 8)), _mm_add_epi16(b, _mm_srli_si128(b, 8)));
    const __m128i wy = _mm_set_epi16(short(fy), short(fy), short(fy), short(fy), short(kSub - fy), short(kSub - fy),
                                     short(kSub - fy), short(kSub - fy));
    __m128i lo = _mm_mullo_epi16(rows, wy), hi = _mm_mulhi_epu16(rows, wy);
    __m128i top = _mm_unpacklo_epi16(lo, hi), bottom = _mm_unpackhi_epi16(lo, hi);
    __m128i sum = _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(top, bottom), _mm_set1_epi32(32768)), 16);
    __m128i packed = _mm_packs_epi32(sum, zero);
    return DWORD(_mm_cvtsi128_si32(_mm_packus_epi16(packed, zero)));
}

// A texture with the states of its sampler, looked at once for the many samples of a span: size,
// filter, address modes and how a texel is read.
class Sampler {
public:
    Sampler(const Surface& t, const DWORD* samp)
        : t_(t),
          w_(int(t.Desc().Width)),
          h_(int(t.Desc().Height)),
          maskU_((w_ & (w_ - 1)) == 0 ? w_ - 1 : -1),
          maskV_((h_ & (h_ - 1)) == 0 ? h_ - 1 : -1),
          modeU_(samp[D3DSAMP_ADDRESSU]),
          modeV_(samp[D3DSAMP_ADDRESSV]),
          border_(samp[D3DSAMP_BORDERCOLOR]),
          linear_(samp[D3DSAMP_MAGFILTER] == D3DTEXF_LINEAR || samp[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC),
          direct_(t.Desc().Format == D3DFMT_A8R8G8B8 || t.Desc().Format == D3DFMT_X8R8G8B8),
          force_(t.Desc().Format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0u),
          lanes_(Avx2() && direct_ && t.Pitch() % 4 == 0 && Vectorable(modeU_) && Vectorable(modeV_)) {}

    // The samples at n coordinate pairs; eight at a time where the lanes can take them.
    void Span(const float* u, const float* v, int n, DWORD* out) const {
        for (int i = lanes_ ? Lanes(u, v, n, out) : 0; i < n; ++i) out[i] = At(u[i], v[i]);
    }

    // The sample at (u, v).
    DWORD At(float u, float v) const {
        if (!linear_) {
            const int x = ColumnOf(u), y = RowOf(v);
            return x < 0 || y < 0 ? border_ : Texel(x, y);
        }
        int64_t U = TexelPosition((double(u) * w_ - 0.5) * kSub, w_, modeU_);
        int64_t V = TexelPosition((double(v) * h_ - 0.5) * kSub, h_, modeV_);
        int fx = int(U & (kSub - 1)), fy = int(V & (kSub - 1));
        int x0 = int(U >> 8), y0 = int(V >> 8);
        bool b00 = false, b10 = false, b01 = false, b11 = false;
        int xa = Address(x0, w_, maskU_, modeU_, b00), xb = Address(x0 + 1, w_, maskU_, modeU_, b10);
        int ya = Address(y0, h_, maskV_, modeV_, b01), yb = Address(y0 + 1, h_, maskV_, modeV_, b11);
        DWORD c00 = (b00 || b01) ? border_ : Texel(xa, ya), c10 = (b10 || b01) ? border_ : Texel(xb, ya);
        DWORD c01 = (b00 || b11) ? border_ : Texel(xa, yb), c11 = (b10 || b11) ? border_ : Texel(xb, yb);
        return Bilinear(c00, c10, c01, c11, fx, fy);
    }

    bool Point() const { return !linear_; }
    size_t Width() const { return size_t(w_); }
    DWORD ModeU() const { return modeU_; }

    // Point sampling's texel column of u and row of v, or -1 where they address the border. Texel
    // coordinates are rounded to 1/256 first, so that float noise never crosses a texel edge.
    int ColumnOf(float u) const { return PointIndex(u, w_, maskU_, modeU_); }
    int RowOf(float v) const { return PointIndex(v, h_, maskV_, modeV_); }

    // Point samples of texel row y (-1: the border) at the given columns; straight says that they
    // follow each other from a first one inside the texture.
    void Gather(int y, const int* columns, bool straight, int n, DWORD* out) const {
        if (y < 0) {
            std::fill(out, out + n, border_);
        } else if (straight && direct_) {
            std::memcpy(out, t_.Bits() + size_t(y) * t_.Pitch() + size_t(columns[0]) * 4, size_t(n) * 4);
            if (force_)
                for (int i = 0; i < n; ++i) out[i] |= force_;
        } else {
            for (int i = 0; i < n; ++i) out[i] = columns[i] < 0 ? border_ : Texel(columns[i], y);
        }
    }

private:
    static int PointIndex(float c, int size, int mask, DWORD mode) {
        bool border = false;
        const int i = Address(int(TexelPosition(double(c) * size * kSub, size, mode) >> 8), size, mask, mode, border);
        return border ? -1 : i;
    }

    // The lanes take clamping and wrapping; the rest is left to At.
    static bool Vectorable(DWORD mode) { return mode == D3DTADDRESS_CLAMP || mode == D3DTADDRESS_WRAP; }

    // Two texels of a row side by side: the 64 bits at once where they are neighbours.
    uint64_t Pair(int row, int a, int b) const {
        const BYTE* bits = t_.Bits() + size_t(row) * 4;
        uint64_t both;
        if (b == a + 1) {
            std::memcpy(&both, bits + size_t(a) * 4, 8);
            return both;
        }
        DWORD first, second;
        std::memcpy(&first, bits + size_t(a) * 4, 4);
        std::memcpy(&second, bits + size_t(b) * 4, 4);
        return first | uint64_t(second) << 32;
    }





    // Four texel numbers wrapped into 0..size - 1, as i - floor(i / size) size in double lanes: the
    // quotient of 32-bit integers never rounds across a whole number.
    __attribute__((target("avx2"), always_inline)) static __m128i WrapFour(__m128i i, int size) {
        const __m256d d = _mm256_set1_pd(double(size)), x = _mm256_cvtepi32_pd(i);
        return _mm256_cvtpd_epi32(_mm256_sub_pd(x, _mm256_mul_pd(_mm256_floor_pd(_mm256_div_pd(x, d)), d)));
    }

    __attribute__((target("avx2"), always_inline)) static __m256i AddressEight(__m256i i, int size, int mask, DWORD mode) {
        if (mode == D3DTADDRESS_WRAP && mask >= 0) return _mm256_and_si256(i, _mm256_set1_epi32(mask));
        if (mode == D3DTADDRESS_WRAP)
            return _mm256_inserti128_si256(_mm256_castsi128_si256(WrapFour(_mm256_castsi256_si128(i), size)),
                                           WrapFour(_mm256_extracti128_si256(i, 1), size), 1);
        return _mm256_min_epi32(_mm256_max_epi32(i, _mm256_setzero_si256()), _mm256_set1_epi32(size - 1));
    }

    // The texel pairs of four pixels' rows. Built from registers, not through memory: a wide load of
    // four fresh narrow stores would stall.
    __attribute__((target("avx2"), always_inline)) __m256i Pairs(const int* row, const int* a, const int* b) const {
        return _mm256_setr_epi64x(int64_t(Pair(row[0], a[0], b[0])), int64_t(Pair(row[1], a[1], b[1])),
                                  int64_t(Pair(row[2], a[2], b[2])), int64_t(Pair(row[3], a[3], b[3])));
    }

    // The bilinear blend of two pixels, one in each half of the result: each row's channels are
    // (256 - fx, fx) multiply-added, then (top (256 - fy) + bottom fy + 32768) >> 16, taken as
    // (256 top + (bottom - top) fy + 32768) >> 16. The weights of eight pixels come in 32-bit lanes and
    // spread picks the two.
    __attribute__((target("avx2"), always_inline)) static __m256i Two(__m128i topRow, __m128i bottomRow, __m256i wx,
                                                                      __m256i fy, __m256i spread) {
        const __m256i weights = _mm256_permutevar8x32_epi32(wx, spread);
        const __m256i rowTop = _mm256_madd_epi16(_mm256_cvtepu8_epi16(topRow), weights);
        const __m256i rowBottom = _mm256_madd_epi16(_mm256_cvtepu8_epi16(bottomRow), weights);
        const __m256i sum = _mm256_add_epi32(
            _mm256_slli_epi32(rowTop, 8),
            _mm256_mullo_epi32(_mm256_sub_epi32(rowBottom, rowTop), _mm256_permutevar8x32_epi32(fy, spread)));
        return _mm256_srli_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(32768)), 16);
    }

    // Span's samples eight at a time; returns how many it made (the rest are left to At).
    __attribute__((target("avx2"))) int Lanes(const float* u, const float* v, int n, DWORD* out) const {
        __m256i texels;
        int i = 0;
        for (; i + 8 <= n; i += 8) {
            if (Eight(_mm256_loadu_ps(u + i), _mm256_loadu_ps(v + i), texels))
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), texels);
            else
                for (int k = i; k < i + 8; ++k) out[k] = At(u[k], v[k]);
        }
        if (i == n) return n;
        // The last one to seven, with the last coordinates repeated to fill the lanes.
        const __m256i mask = TailMask(n - i);
        const __m256 lastU = _mm256_set1_ps(u[n - 1]), lastV = _mm256_set1_ps(v[n - 1]);
        const __m256 maskf = _mm256_castsi256_ps(mask);
        if (!Eight(_mm256_blendv_ps(lastU, _mm256_maskload_ps(u + i, mask), maskf),
                   _mm256_blendv_ps(lastV, _mm256_maskload_ps(v + i, mask), maskf), texels))
            return i;
        _mm256_maskstore_epi32(reinterpret_cast<int*>(out + i), mask, texels);
        return n;
    }

    // At's texel positions in 1/256 texels of eight coordinates for a size of texels, in 32-bit lanes;
    // false where one does not fit (or is not a number).
    __attribute__((target("avx2"), always_inline)) bool Positions(__m256 c, int size, int mask, __m256i& out) const {
        if (mask >= 0) {
            // A power-of-two size: 512 c size is exact in float, and the position
            // floor((c size - 0.5) 256 + 0.5) is (floor(512 c size) - 255) >> 1; point sampling's
            // floor(c size 256 + 0.5) is (floor(512 c size) + 1) >> 1.
            const __m256 twice = _mm256_floor_ps(_mm256_mul_ps(c, _mm256_set1_ps(512.f * float(size))));
            const __m256 fit = _mm256_cmp_ps(_mm256_andnot_ps(_mm256_set1_ps(-0.f), twice),
                                             _mm256_set1_ps(1073741824.f), _CMP_LT_OQ);
            if (_mm256_movemask_ps(fit) != 0xFF) return false;
            out = _mm256_srai_epi32(_mm256_add_epi32(_mm256_cvttps_epi32(twice), _mm256_set1_epi32(linear_ ? -255 : 1)), 1);
            return true;
        }
        // Any size: c size 256 is exact in double, and so is the position floor(c size 256 + 0.5), or
        // floor(c size 256 - 128 + 0.5) for bilinear filtering.
        const __m256d scale = _mm256_set1_pd(double(size) * kSub), offset = _mm256_set1_pd(linear_ ? -127.5 : 0.5);
        const __m256d limit = _mm256_set1_pd(1073741824.0), sign = _mm256_set1_pd(-0.0);
        __m128i halves[2];
        for (int k = 0; k < 2; ++k) {
            const __m256d wide = _mm256_cvtps_pd(k ? _mm256_extractf128_ps(c, 1) : _mm256_castps256_ps128(c));
            const __m256d position = _mm256_floor_pd(_mm256_add_pd(_mm256_mul_pd(wide, scale), offset));
            if (_mm256_movemask_pd(_mm256_cmp_pd(_mm256_andnot_pd(sign, position), limit, _CMP_LT_OQ)) != 0xF)
                return false;
            halves[k] = _mm256_cvtpd_epi32(position);
        }
        out = _mm256_inserti128_si256(_mm256_castsi128_si256(halves[0]), halves[1], 1);
        return true;
    }

    // Eight samples with At's results, lane by lane (AVX2); false where a texel position is too large
    // for the lanes (or is not a number).
    __attribute__((target("avx2"), always_inline)) bool Eight(__m256 u, __m256 v, __m256i& out) const {
        __m256i U, V;
        if (!Positions(u, w_, maskU_, U) || !Positions(v, h_, maskV_, V)) return false;
        const __m256i x0 = _mm256_srai_epi32(U, 8), y0 = _mm256_srai_epi32(V, 8);
        const __m256i pitch = _mm256_set1_epi32(int(t_.Pitch() / 4)), one = _mm256_set1_epi32(1);
        const __m256i xa = AddressEight(x0, w_, maskU_, modeU_);
        const __m256i ya = _mm256_mullo_epi32(AddressEight(y0, h_, maskV_, modeV_), pitch);
        const int* bits = reinterpret_cast<const int*>(t_.Bits());
        const __m256i force = _mm256_set1_epi32(int(force_));
        if (!linear_) {
            out = _mm256_or_si256(_mm256_i32gather_epi32(bits, _mm256_add_epi32(ya, xa), 4), force);
            return true;
        }
        const __m256i xb = AddressEight(_mm256_add_epi32(x0, one), w_, maskU_, modeU_);
        const __m256i yb = _mm256_mullo_epi32(AddressEight(_mm256_add_epi32(y0, one), h_, maskV_, modeV_), pitch);
        __m256i top0, top1, bottom0, bottom1;  // pixels 0 to 3 and 4 to 7
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(xb, _mm256_add_epi32(xa, one))) == -1) {
            // Each pixel's two texels are neighbours in their rows: 64 bits at once.
            const long long* pairs = reinterpret_cast<const long long*>(bits);
            const __m256i at = _mm256_add_epi32(ya, xa), below = _mm256_add_epi32(yb, xa);
            top0 = _mm256_i32gather_epi64(pairs, _mm256_castsi256_si128(at), 4);
            top1 = _mm256_i32gather_epi64(pairs, _mm256_extracti128_si256(at, 1), 4);
            bottom0 = _mm256_i32gather_epi64(pairs, _mm256_castsi256_si128(below), 4);
            bottom1 = _mm256_i32gather_epi64(pairs, _mm256_extracti128_si256(below, 1), 4);
        } else {
            alignas(32) int ia[8], ib[8], ra[8], rb[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(ia), xa);
            _mm256_store_si256(reinterpret_cast<__m256i*>(ib), xb);
            _mm256_store_si256(reinterpret_cast<__m256i*>(ra), ya);
            _mm256_store_si256(reinterpret_cast<__m256i*>(rb), yb);
            top0 = Pairs(ra, ia, ib);
            top1 = Pairs(ra + 4, ia + 4, ib + 4);
            bottom0 = Pairs(rb, ia, ib);
            bottom1 = Pairs(rb + 4, ia + 4, ib + 4);
        }
        // Per pixel, the channels of its left and right texels side by side in 16-bit lanes, so that one
        // multiply-add by (256 - fx, fx) gives each channel of the row blend in a 32-bit lane.
        const __m256i interleave = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15,
                                                    0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
        const __m256i low = _mm256_set1_epi32(kSub - 1);
        const __m256i fx = _mm256_and_si256(U, low), fy = _mm256_and_si256(V, low);
        const __m256i wx = _mm256_or_si256(_mm256_sub_epi32(_mm256_set1_epi32(kSub), fx), _mm256_slli_epi32(fx, 16));
        const __m256i t0 = _mm256_shuffle_epi8(_mm256_or_si256(top0, force), interleave);
        const __m256i t1 = _mm256_shuffle_epi8(_mm256_or_si256(top1, force), interleave);
        const __m256i b0 = _mm256_shuffle_epi8(_mm256_or_si256(bottom0, force), interleave);
        const __m256i b1 = _mm256_shuffle_epi8(_mm256_or_si256(bottom1, force), interleave);
        const __m256i p01 = Two(_mm256_castsi256_si128(t0), _mm256_castsi256_si128(b0), wx, fy,
                                _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1));
        const __m256i p23 = Two(_mm256_extracti128_si256(t0, 1), _mm256_extracti128_si256(b0, 1), wx, fy,
                                _mm256_setr_epi32(2, 2, 2, 2, 3, 3, 3, 3));
        const __m256i p45 = Two(_mm256_castsi256_si128(t1), _mm256_castsi256_si128(b1), wx, fy,
                                _mm256_setr_epi32(4, 4, 4, 4, 5, 5, 5, 5));
        const __m256i p67 = Two(_mm256_extracti128_si256(t1, 1), _mm256_extracti128_si256(b1, 1), wx, fy,
                                _mm256_setr_epi32(6, 6, 6, 6, 7, 7, 7, 7));
        // Packing leaves the pixels in the order 0, 2, 4, 6, 1, 3, 5, 7.
        const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(p01, p23), _mm256_packs_epi32(p45, p67));
        out = _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
        return true;
    }

    DWORD Texel(int x, int y) const {
        const BYTE* p = t_.Bits() + size_t(y) * t_.Pitch() + size_t(x) * t_.Bpp();
        if (!direct_) return ReadPixel(t_.Desc().Format, p);
        DWORD v;
        std::memcpy(&v, p, 4);
        return v | force_;
    }

    const Surface& t_;
    const int w_, h_, maskU_, maskV_;
    const DWORD modeU_, modeV_, border_;
    const bool linear_, direct_;
    const DWORD force_;
    const bool lanes_;
};

// One colour or alpha argument of a texture stage, as 8-bit channels.
struct Rgba {
    int r, g, b, a;
};
inline Rgba Unpack(DWORD c) { return {int((c >> 16) & 255), int((c >> 8) & 255), int(c & 255), int(c >> 24)}; }

inline Rgba Arg(DWORD arg, const Rgba& diffuse, const Rgba& current, const Rgba& texture, const Rgba& factor) {
    Rgba v{};
    switch (arg & D3DTA_SELECTMASK) {
        case D3DTA_DIFFUSE: v = diffuse; break;
        case D3DTA_CURRENT: v = current; break;
        case D3DTA_TEXTURE: v = texture; break;
        case D3DTA_TFACTOR: v = factor; break;
        default: v = Rgba{0, 0, 0, 0}; break;
    }
    if (arg & D3DTA_COMPLEMENT) v = {255 - v.r, 255 - v.g, 255 - v.b, 255 - v.a};
    if (arg & D3DTA_ALPHAREPLICATE) v = {v.a, v.a, v.a, v.a};
    return v;
}

inline int Op(DWORD op, int a, int b) {
    switch (op) {
        case D3DTOP_SELECTARG1: return a;
        case D3DTOP_SELECTARG2: return b;
        case D3DTOP_MODULATE: return Div255(a * b);
        case D3DTOP_MODULATE2X: return std::min(255, 2 * Div255(a * b));
        case D3DTOP_MODULATE4X: return std::min(255, 4 * Div255(a * b));
        case D3DTOP_ADD: return std::min(255, a + b);
        default: return Div255(a * b);
    }
}

inline int Factor(DWORD blend, int channel, bool alpha, const Rgba& s, const Rgba& d, DWORD blendFactor) {
    const int sc = alpha ? s.a : (&s.r)[channel], dc = alpha ? d.a : (&d.r)[channel];
    switch (blend) {
        case D3DBLEND_ZERO: return 0;
        case D3DBLEND_ONE: return 255;
        case D3DBLEND_SRCCOLOR: return sc;
        case D3DBLEND_INVSRCCOLOR: return 255 - sc;
        case D3DBLEND_SRCALPHA: return s.a;
        case D3DBLEND_INVSRCALPHA: return 255 - s.a;
        case D3DBLEND_DESTALPHA: return d.a;
        case D3DBLEND_INVDESTALPHA: return 255 - d.a;
        case D3DBLEND_DESTCOLOR: return dc;
        case D3DBLEND_INVDESTCOLOR: return 255 - dc;
        case D3DBLEND_SRCALPHASAT: return alpha ? 255 : std::min(s.a, 255 - d.a);
        case 14: {  // BLENDFACTOR
            Rgba f = Unpack(blendFactor);
            return alpha ? f.a : (&f.r)[channel];
        }
        case 15: {  // INVBLENDFACTOR
            Rgba f = Unpack(blendFactor);
            return 255 - (alpha ? f.a : (&f.r)[channel]);
        }
        default: return 255;
    }
}

inline int BlendOp(DWORD op, int s, int fs, int d, int fd) {
    switch (op) {
        case D3DBLENDOP_SUBTRACT: return std::clamp(Div255(s * fs) - Div255(d * fd), 0, 255);
        case D3DBLENDOP_REVSUBTRACT: return std::clamp(Div255(d * fd) - Div255(s * fs), 0, 255);
        case D3DBLENDOP_MIN: return std::min(s, d);
        case D3DBLENDOP_MAX: return std::max(s, d);
        default: return std::min(255, Div255(s * fs + d * fd));
    }
}

DWORD Blend(const PixelState& st, DWORD src, DWORD dst) {
    Rgba s = Unpack(src), d = Unpack(dst);
    const DWORD* rs = st.rs;
    DWORD sb = rs[D3DRS_SRCBLEND], db = rs[D3DRS_DESTBLEND], op = rs[D3DRS_BLENDOP];
    DWORD sba = sb, dba = db, opa = op;
    if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
        sba = rs[D3DRS_SRCBLENDALPHA];
        dba = rs[D3DRS_DESTBLENDALPHA];
        opa = rs[D3DRS_BLENDOPALPHA];
    }
    DWORD bf = rs[D3DRS_BLENDFACTOR];
    int out[4];
    for (int c = 0; c < 3; ++c)
        out[c] = BlendOp(op, (&s.r)[c], Factor(sb, c, false, s, d, bf), (&d.r)[c], Factor(db, c, false, s, d, bf));
    out[3] = BlendOp(opa, s.a, Factor(sba, 3, true, s, d, bf), d.a, Factor(dba, 3, true, s, d, bf));
    return Pack(out[3], out[0], out[1], out[2]);
}

Usage UsageOf(const PixelState& st) {
    Usage u;
    if (st.pixelShader) {
        u.diffuse = st.pixelShader->colourRead;
        for (int t = 0; t < 8; ++t) {
            u.texComponents[t] = st.pixelShader->texcoordComponents[size_t(t)];
            if (u.texComponents[t]) u.texSets |= 1u << t;
        }
    } else {
        u.diffuse = true;
        for (int s = 0; s < 8; ++s) {
            if (st.tss[s][D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
            if (st.textures[s]) {
                const int set = int(st.tss[s][D3DTSS_TEXCOORDINDEX] & 7);
                u.texSets |= 1u << set;
                u.texComponents[set] = 3;  // u and v
            }
        }
    }
    if (u.diffuse)
        for (int c = 0; c < 4; ++c) u.attrList[u.attrCount++] = kAttrDiffuse + c;
    for (int t = 0; t < 8; ++t)
        for (int c = 0; c < 4; ++c)
            if (u.texComponents[t] & (1u << c)) u.attrList[u.attrCount++] = kAttrTex + 4 * t + c;
    return u;
}

bool Setup(const ScreenVertex* v, const PixelState& st, const Usage& use, Triangle& t) {
    // A corner that is not a finite point draws nothing. Corners further out than 2^20 pixels, where
    // the guard band never puts one, are brought in to it, which keeps the edge products within 64 bits.
    constexpr double kFar = 1 << 20;
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i) {
        if (!std::isfinite(v[i].x) || !std::isfinite(v[i].y) || !std::isfinite(v[i].z) || !std::isfinite(v[i].invW))
            return false;
        X[i] = std::llround(std::clamp(double(v[i].x), -kFar, kFar) * kSub);
        Y[i] = std::llround(std::clamp(double(v[i].y), -kFar, kFar) * kSub);
    }
    int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0) return false;
    int order[3] = {0, 1, 2};
    if (area < 0) std::swap(order[1], order[2]);  // make the triangle clockwise on screen
    for (int e = 0; e < 3; ++e) {
        int a = order[e], b = order[(e + 1) % 3];
        Edge& E = t.edge[e];
        E.ax = X[a];
        E.ay = Y[a];
        E.dx = X[b] - X[a];
        E.dy = Y[b] - Y[a];
        bool top = E.dy == 0 && E.dx > 0;
        bool left = E.dy < 0;
        E.bias = (top || left) ? 0 : 1;
    }
    int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
    int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
    t.xmin = int(std::max<int64_t>(st.clip.left, -FloorDiv(-minX, kSub)));
    t.xmax = int(std::min<int64_t>(st.clip.right - 1, FloorDiv(maxX, kSub)));
    t.ymin = int(std::max<int64_t>(st.clip.top, -FloorDiv(-minY, kSub)));
    t.ymax = int(std::min<int64_t>(st.clip.bottom - 1, FloorDiv(maxY, kSub)));
    if (t.xmin > t.xmax || t.ymin > t.ymax) return false;

    // Plane equations over the snapped positions.
    double x0 = double(X[0]) / kSub, y0 = double(Y[0]) / kSub;
    double x1 = double(X[1]) / kSub - x0, y1 = double(Y[1]) / kSub - y0;
    double x2 = double(X[2]) / kSub - x0, y2 = double(Y[2]) / kSub - y0;
    double det = x1 * y2 - x2 * y1;
    auto plane = [&](double a0, double a1, double a2) {
        double dx = ((a1 - a0) * y2 - (a2 - a0) * y1) / det;
        double dy = ((a2 - a0) * x1 - (a1 - a0) * x2) / det;
        return Plane{a0 - dx * x0 - dy * y0, dx, dy};
    };
    t.affine = v[0].invW == v[1].invW && v[0].invW == v[2].invW;
    t.z = plane(v[0].z, v[1].z, v[2].z);
    t.invW = plane(v[0].invW, v[1].invW, v[2].invW);
    for (int i = 0; i < use.attrCount; ++i) {
        int k = use.attrList[i];
        if (t.affine)
            t.attr[k] = plane(v[0].a[k], v[1].a[k], v[2].a[k]);
        else
            t.attr[k] = plane(double(v[0].a[k]) * v[0].invW, double(v[1].a[k]) * v[1].invW,
                              double(v[2].a[k]) * v[2].invW);
    }
    return true;
}

// The x range of row y inside the triangle, or false when the row misses it.
bool Span(const Triangle& t, int y, int& x0, int& x1) {
    int64_t lo = t.xmin, hi = t.xmax;
    int64_t Y = int64_t(y) * kSub;
    for (const Edge& e : t.edge) {
        // E(x) = dx * (Y - ay) - dy * (x * kSub - ax) must be >= bias.
        int64_t c = e.dx * (Y - e.ay) + e.dy * e.ax;
        if (e.dy == 0) {
            if (c < e.bias) return false;
        } else if (e.dy < 0) {
            lo = std::max(lo, -FloorDiv(c - e.bias, -e.dy * kSub));
        } else {
            hi = std::min(hi, FloorDiv(c - e.bias, e.dy * kSub));
        }
    }
    if (lo > hi) return false;
    x0 = int(lo);
    x1 = int(hi);
    return true;
}

// Fast paths for the two shapes most pixels take: an axis-aligned textured quad with a constant
// colour, point-sampled or bilinear, optionally blended SRCALPHA over INVSRCALPHA or ONE, into a
// 32-bit target without depth. They compute exactly what the general path computes, with the
// per-pixel decisions taken once per draw or once per row.
struct FastPlan {
    int kind = 0;  // 0 none, 1 point, 2 bilinear, 3 the vertex colour alone (no texture)
    int set = 0;
    const Surface* tex = nullptr;
    bool texX8 = false, targetX8 = false;
    bool modColour = false, modAlpha = false;
    int blend = 0;  // 0 replace, 1 over (INVSRCALPHA), 2 add (ONE)
    bool separateOneOne = false;
    bool factorColour = false;  // the stage modulates by the texture factor, not the vertex colour
    bool aligned = false;       // sampler suits the per-row paths (point, or bilinear with clamping)
    bool depthTest = false, depthWrite = false, depth16 = false;
    DWORD depthFunc = D3DCMP_ALWAYS;
    bool alphaTest = false;
    DWORD alphaFunc = D3DCMP_ALWAYS, alphaRef = 0;
};

// Whether a stage operation is the texture alone or the texture times one colour argument; which
// argument that is (D3DTA_DIFFUSE/CURRENT or D3DTA_TFACTOR) goes to source.
bool TextureTimesColour(DWORD op, DWORD a1, DWORD a2, bool& modulate, DWORD& source) {
    auto colourArg = [](DWORD a) { return a == D3DTA_CURRENT || a == D3DTA_DIFFUSE || a == D3DTA_TFACTOR; };
    if (op == D3DTOP_SELECTARG1 && a1 == D3DTA_TEXTURE) return modulate = false, true;
    if (op == D3DTOP_MODULATE && ((a1 == D3DTA_TEXTURE && colourArg(a2)) || (a2 == D3DTA_TEXTURE && colourArg(a1)))) {
        source = (a1 == D3DTA_TEXTURE ? a2 : a1) == D3DTA_TFACTOR ? D3DTA_TFACTOR : D3DTA_DIFFUSE;
        return modulate = true, true;
    }
    return false;
}

// True when a stage's colour or alpha operation takes a texture argument.
bool StageReadsTexture(const DWORD* ts) {
    auto uses = [](DWORD op, DWORD a1, DWORD a2) {
        return (op != D3DTOP_SELECTARG2 && (a1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE) ||
               (op != D3DTOP_SELECTARG1 && (a2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE);
    };
    const DWORD aop = ts[D3DTSS_ALPHAOP];
    return uses(ts[D3DTSS_COLOROP], ts[D3DTSS_COLORARG1], ts[D3DTSS_COLORARG2]) ||
           (aop != D3DTOP_DISABLE && uses(aop, ts[D3DTSS_ALPHAARG1], ts[D3DTSS_ALPHAARG2]));
}

FastPlan PlanFast(const PixelState& st) {
    FastPlan f;
    const DWORD* rs = st.rs;
    const DWORD* t0 = st.tss[0];
    const Surface* tex = st.textures[0];
    const D3DFORMAT target = st.target->Desc().Format;
    if (st.pixelShader) return f;
    // Later stages must change nothing: disabled, or reading a texture they do not have (such a stage
    // passes its input on).
    for (int s = 1; s < 8 && st.tss[s][D3DTSS_COLOROP] != D3DTOP_DISABLE; ++s)
        if (st.textures[s] || !StageReadsTexture(st.tss[s])) return f;
    if (target != D3DFMT_A8R8G8B8 && target != D3DFMT_X8R8G8B8) return f;
    bool flat = false;  // no texture: the vertex colour alone
    if (!tex) {
        // Stage 0 without its texture passes the colour on (or is disabled): the result is the colour.
        flat = t0[D3DTSS_COLOROP] == D3DTOP_DISABLE || StageReadsTexture(t0);
        if (!flat) return f;
    } else {
        if (tex->Desc().Format != D3DFMT_A8R8G8B8 && tex->Desc().Format != D3DFMT_X8R8G8B8) return f;
        DWORD colourSource = D3DTA_DIFFUSE, alphaSource = D3DTA_DIFFUSE;
        if (!TextureTimesColour(t0[D3DTSS_COLOROP], t0[D3DTSS_COLORARG1], t0[D3DTSS_COLORARG2], f.modColour,
                                colourSource) ||
            !TextureTimesColour(t0[D3DTSS_ALPHAOP], t0[D3DTSS_ALPHAARG1], t0[D3DTSS_ALPHAARG2], f.modAlpha, alphaSource))
            return f;
        if (f.modColour && f.modAlpha && colourSource != alphaSource) return f;
        f.factorColour = (f.modColour ? colourSource : alphaSource) == D3DTA_TFACTOR;
    }
    if ((rs[D3DRS_COLORWRITEENABLE] & 0xF) != 0xF) return f;
    if (st.depth && rs[D3DRS_ZENABLE] != D3DZB_FALSE) {
        f.depthTest = true;
        f.depthWrite = rs[D3DRS_ZWRITEENABLE] != 0;
        f.depthFunc = rs[D3DRS_ZFUNC];
        f.depth16 = st.depth->Bpp() == 2;
    }
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        if (rs[D3DRS_BLENDOP] != D3DBLENDOP_ADD || rs[D3DRS_SRCBLEND] != D3DBLEND_SRCALPHA) return f;
        if (rs[D3DRS_DESTBLEND] == D3DBLEND_INVSRCALPHA) f.blend = 1;
        else if (rs[D3DRS_DESTBLEND] == D3DBLEND_ONE) f.blend = 2;
        else return f;
        if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
            if (rs[D3DRS_SRCBLENDALPHA] != D3DBLEND_ONE || rs[D3DRS_DESTBLENDALPHA] != D3DBLEND_ONE ||
                rs[D3DRS_BLENDOPALPHA] != D3DBLENDOP_ADD)
                return f;
            f.separateOneOne = true;
        }
    }
    if (rs[D3DRS_ALPHATESTENABLE] && rs[D3DRS_ALPHAFUNC] != D3DCMP_ALWAYS) {
        f.alphaTest = true;
        f.alphaFunc = rs[D3DRS_ALPHAFUNC];
        f.alphaRef = rs[D3DRS_ALPHAREF] & 255;
        // With these blends a texel of alpha 0 leaves the colour as it was, so "alpha > 0" changes no
        // colour; it still keeps such pixels out of the depth buffer.
        if (f.blend && !f.depthWrite && f.alphaFunc == D3DCMP_GREATER && f.alphaRef == 0) f.alphaTest = false;
    }
    f.targetX8 = target == D3DFMT_X8R8G8B8;
    if (flat) {
        f.kind = 3;
        return f;
    }
    const DWORD* samp = st.samp[0];
    bool linear = samp[D3DSAMP_MAGFILTER] == D3DTEXF_LINEAR || samp[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
    f.aligned = !linear || (samp[D3DSAMP_ADDRESSU] == D3DTADDRESS_CLAMP && samp[D3DSAMP_ADDRESSV] == D3DTADDRESS_CLAMP);
    f.kind = linear ? 2 : 1;
    f.set = int(t0[D3DTSS_TEXCOORDINDEX] & 7);
    f.tex = tex;
    f.texX8 = tex->Desc().Format == D3DFMT_X8R8G8B8;
    return f;
}

// The value of attribute plane p at pixel x of row y. Rows are evaluated from the start of each
// 64-pixel-aligned block and stepped from there, so a value depends on x and y only, not on where a
// span starts.
inline float AttrAt(const Plane& p, int x, int y) {
    const int block = x & ~(kChunk - 1);
    return float((p.base + p.dx * block + p.dy * y) + p.dx * (x - block));
}

// AttrRun's sums four pixels at a time (AVX2); returns how many it made.
__attribute__((target("avx2"))) int AttrRunAvx2(double start, double dx, int offset, int n, float* out) {
    const __m256d step = _mm256_set1_pd(dx);
    __m256d at = _mm256_setr_pd(offset, offset + 1, offset + 2, offset + 3);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        _mm_storeu_ps(out + i, _mm256_cvtpd_ps(_mm256_add_pd(_mm256_set1_pd(start), _mm256_mul_pd(step, at))));
        at = _mm256_add_pd(at, _mm256_set1_pd(4.0));
    }
    return i;
}

// The values of attribute plane p at pixels cx .. cx + n - 1 of row y: the same sums as AttrAt,
// block by block.
inline void AttrRun(const Plane& p, int cx, int y, int n, float* out) {
    while (n > 0) {
        const int block = cx & ~(kChunk - 1);
        const int m = std::min(n, block + kChunk - cx);
        const double start = p.base + p.dx * block + p.dy * y;
        int i = Avx2() ? AttrRunAvx2(start, p.dx, cx - block, m, out) : 0;
        for (; i < m; ++i) out[i] = float(start + p.dx * (cx - block + i));
        cx += m;
        out += m;
        n -= m;
    }
}

// The texture times the colour, where the stage modulates.
inline DWORD Modulate(const FastPlan& f, DWORD texel, DWORD colour) {
    int a = int(texel >> 24), r = int((texel >> 16) & 255), g = int((texel >> 8) & 255), b = int(texel & 255);
    if (f.modColour) {
        r = Div255(r * int((colour >> 16) & 255));
        g = Div255(g * int((colour >> 8) & 255));
        b = Div255(b * int(colour & 255));
    }
    if (f.modAlpha) a = Div255(a * int(colour >> 24));
    return Pack(a, r, g, b);
}

// The texture-times-colour and the blend of a row, two pixels at a time in 16-bit lanes (SSE2), with
// the general path's arithmetic on 8-bit channels: round(x / 255) is (t + (t >> 8)) >> 8 with
// t = x + 128 for every x up to 255 * 255, and that is (t * 257) >> 16, the high half of one unsigned
// multiply.
inline __m128i Div255x8(__m128i x) {
    return _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(128)), _mm_set1_epi16(257));
}

// An X8 target's alpha is read as anything and written as 255 by the caller, so the alpha lanes need
// no care for it here.
template <int Blend, bool Modulate, bool Separate>
inline __m128i CombineTwo(__m128i s, __m128i d, __m128i mod) {
    const __m128i c255 = _mm_set1_epi16(255);
    const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    if (Modulate) s = Div255x8(_mm_mullo_epi16(s, mod));
    if (Blend == 0) return s;
    __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
    __m128i result;
    if (Blend == 1)
        result = Div255x8(_mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, _mm_sub_epi16(c255, a))));
    else
        result = _mm_min_epi16(_mm_add_epi16(d, Div255x8(_mm_mullo_epi16(s, a))), c255);
    if (Separate) {
        __m128i sum = _mm_min_epi16(_mm_add_epi16(s, d), c255);
        result = _mm_or_si128(_mm_andnot_si128(alphaLanes, result), _mm_and_si128(alphaLanes, sum));
    }
    return result;
}

template <int Blend, bool Modulate, bool Separate, bool X8>
void CombineRowT(const DWORD* src, DWORD* out, int n, __m128i mod) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i x8 = _mm_set1_epi32(X8 ? int(0xFF000000u) : 0);
    auto four = [&](const DWORD* src4, DWORD* out4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src4));
        __m128i d = Blend ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(out4)) : zero;
        __m128i lo = CombineTwo<Blend, Modulate, Separate>(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero), mod);
        __m128i hi = CombineTwo<Blend, Modulate, Separate>(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero), mod);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out4), _mm_or_si128(_mm_packus_epi16(lo, hi), x8));
    };
    int i = 0;
    for (; i + 4 <= n; i += 4) four(src + i, out + i);
    if (i == n) return;
    // The last one to three through a block of four.
    DWORD src4[4] = {}, out4[4] = {};
    std::copy(src + i, src + n, src4);
    std::copy(out + i, out + n, out4);
    four(src4, out4);
    std::copy(out4, out4 + (n - i), out + i);
}

// The same combine eight pixels at a time with AVX2, on processors that have it.
__attribute__((target("avx2"))) inline __m256i Div255x16(__m256i x) {
    return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

template <int Blend, bool Modulate, bool Separate>
__attribute__((target("avx2"))) inline __m256i CombineFour(__m256i s, __m256i d, __m256i mod) {
    const __m256i c255 = _mm256_set1_epi16(255);
    const __m256i alphaLanes = _mm256_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0);
    if (Modulate) s = Div255x16(_mm256_mullo_epi16(s, mod));
    if (Blend == 0) return s;
    __m256i a = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, 0xFF), 0xFF);
    __m256i result;
    if (Blend == 1)
        result = Div255x16(_mm256_add_epi16(_mm256_mullo_epi16(s, a), _mm256_mullo_epi16(d, _mm256_sub_epi16(c255, a))));
    else
        result = _mm256_min_epi16(_mm256_add_epi16(d, Div255x16(_mm256_mullo_epi16(s, a))), c255);
    if (Separate) {
        __m256i sum = _mm256_min_epi16(_mm256_add_epi16(s, d), c255);
        result = _mm256_or_si256(_mm256_andnot_si256(alphaLanes, result), _mm256_and_si256(alphaLanes, sum));
    }
    return result;
}

// Eight pixels of CombineRowAvx2.
template <int Blend, bool Modulate, bool Separate, bool X8>
__attribute__((target("avx2"), always_inline)) inline __m256i CombineEight(__m256i s, __m256i d, __m256i mod) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i lo = CombineFour<Blend, Modulate, Separate>(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero), mod);
    __m256i hi = CombineFour<Blend, Modulate, Separate>(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero), mod);
    return _mm256_or_si256(_mm256_packus_epi16(lo, hi), _mm256_set1_epi32(X8 ? int(0xFF000000u) : 0));
}

template <int Blend, bool Modulate, bool Separate, bool X8>
__attribute__((target("avx2"))) int CombineRowAvx2(const DWORD* src, DWORD* out, int n, __m128i mod128) {
    const __m256i mod = _mm256_broadcastsi128_si256(mod128);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        __m256i d = Blend ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i)) : _mm256_setzero_si256();
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), CombineEight<Blend, Modulate, Separate, X8>(s, d, mod));
    }
    if (i == n) return n;
    // The last one to seven through masked loads and stores.
    const __m256i mask = TailMask(n - i);
    __m256i s = _mm256_maskload_epi32(reinterpret_cast<const int*>(src + i), mask);
    __m256i d = Blend ? _mm256_maskload_epi32(reinterpret_cast<const int*>(out + i), mask) : _mm256_setzero_si256();
    _mm256_maskstore_epi32(reinterpret_cast<int*>(out + i), mask, CombineEight<Blend, Modulate, Separate, X8>(s, d, mod));
    return n;
}

template <int Blend, bool Modulate, bool Separate, bool X8>
void CombineRowAny(const DWORD* src, DWORD* out, int n, __m128i mod) {
    int done = Avx2() ? CombineRowAvx2<Blend, Modulate, Separate, X8>(src, out, n, mod) : 0;
    CombineRowT<Blend, Modulate, Separate, X8>(src + done, out + done, n - done, mod);
}

void CombineRow(const FastPlan& f, const DWORD* src, DWORD colour, DWORD* out, int n) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i c1 = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(colour)), zero);
    const __m128i c16 = _mm_unpacklo_epi64(c1, c1);
    // Lanes of the modulating colour: the vertex colour where the stage modulates, else 255; a white
    // colour changes nothing (round(s * 255 / 255) = s), so it is skipped.
    const __m128i keep = _mm_set1_epi16(255);
    const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    __m128i mod = f.modColour ? c16 : keep;
    mod = _mm_or_si128(_mm_andnot_si128(alphaLanes, mod), _mm_and_si128(alphaLanes, f.modAlpha ? c16 : keep));
    const bool modulate = _mm_movemask_epi8(_mm_cmpeq_epi16(mod, keep)) != 0xFFFF;

#define MARLOWE_COMBINE(B, M, S, X) CombineRowAny<B, M, S, X>(src, out, n, mod)
#define MARLOWE_COMBINE_X(B, M, S) (f.targetX8 ? MARLOWE_COMBINE(B, M, S, true) : MARLOWE_COMBINE(B, M, S, false))
#define MARLOWE_COMBINE_S(B, M) (f.separateOneOne ? MARLOWE_COMBINE_X(B, M, true) : MARLOWE_COMBINE_X(B, M, false))
#define MARLOWE_COMBINE_M(B) (modulate ? MARLOWE_COMBINE_S(B, true) : MARLOWE_COMBINE_S(B, false))
    switch (f.blend) {
        case 0: MARLOWE_COMBINE_M(0); break;
        case 1: MARLOWE_COMBINE_M(1); break;
        default: MARLOWE_COMBINE_M(2); break;
    }
#undef MARLOWE_COMBINE_M
#undef MARLOWE_COMBINE_S
#undef MARLOWE_COMBINE_X
#undef MARLOWE_COMBINE
}

// Texel columns of one triangle for every x it covers, kept while a thread works on its rows (the
// texture coordinate u depends on x alone for the quads the fast paths take).
// Made once, by the first thread that needs it, and shared by all; a thread that needs it while it is
// being made shades its span without it (the same pixels) rather than wait.
struct ColumnTable {
    enum State { kNone, kMaking, kMade };
    std::atomic<int> state{kNone};
    std::vector<int64_t> U;  // u * w (point) or u * w - 0.5 (bilinear), in 1/256 texels, from xmin
    bool straight = false;   // point sampling: texel column = x + offset everywhere
    int offset = 0;
    // Bilinear: left texel column (clamped) and the weights (256 - fx) x 4, fx x 4 of each x; where
    // the clamp makes both columns the same one the weights are 256 and 0 (c 256 - fx + c fx = 256 c).
    std::vector<int> left;
    struct Weights {
        __m128i v;
    };
    std::vector<Weights> weights;
};

// Fills a column table for the triangle's columns (row y's u values, u depending on x alone).
void MakeColumnTable(ColumnTable& table, const Triangle& t, int kind, const Plane& pu, int y, int w, DWORD mode) {
    table.U.resize(size_t(t.xmax - t.xmin + 1));
    const double shift = kind == 2 ? 0.5 : 0.0;
    for (int x = t.xmin; x <= t.xmax; ++x)
        table.U[size_t(x - t.xmin)] = TexelPosition((double(AttrAt(pu, x, y)) * w - shift) * kSub, w, mode);
    if (kind == 2) {
        const size_t count = table.U.size();
        table.left.resize(count);
        table.weights.resize(count);
        for (size_t i = 0; i < count; ++i) {
            const int fraction = int(table.U[i] & (kSub - 1));
            const int xl = int(FloorDiv(table.U[i], kSub));
            const int xa = std::clamp(xl, 0, w - 1), xb = std::clamp(xl + 1, 0, w - 1);
            table.left[i] = xa;
            const int fx = xb == xa ? 0 : fraction;
            table.weights[i].v = _mm_set_epi16(short(fx), short(fx), short(fx), short(fx), short(kSub - fx),
                                             short(kSub - fx), short(kSub - fx), short(kSub - fx));
        }
    }
    table.offset = int(table.U[0] >> 8) - t.xmin;  // kSub = 256: >> 8 floors
    table.straight = true;
    for (int x = t.xmin; x <= t.xmax; ++x) table.straight &= (table.U[size_t(x - t.xmin)] >> 8) == x + table.offset;
}

// Any triangle: texture coordinates, depth and the alpha test per pixel as the general path takes
// them, the texture-times-colour and the blend in CombineRow.
// With gouraud set the vertex colour varies over the triangle: each pixel's colour is interpolated and
// applied here, and CombineRow only blends.
void SampledSpan(const PixelState& st, const FastPlan& f, const Triangle& t, int y, int x0, int x1, DWORD colour,
                 bool gouraud) {
    FastPlan blendOnly = f;
    if (gouraud) blendOnly.modColour = blendOnly.modAlpha = false;
    const Plane& pu = t.attr[kAttrTex + 4 * f.set];
    const Plane& pv = t.attr[kAttrTex + 4 * f.set + 1];
    DWORD* row = reinterpret_cast<DWORD*>(st.target->Bits() + size_t(y) * st.target->Pitch());
    BYTE* zrow = f.depthTest ? st.depth->Bits() + size_t(y) * st.depth->Pitch() : nullptr;
    const double zScale = f.depth16 ? 65535.0 : 16777215.0;
    const std::optional<Sampler> sampler = f.kind == 3 ? std::nullopt : std::optional<Sampler>(std::in_place, *f.tex, st.samp[0]);
    // Without tests every pixel is written: the blend goes straight into the row.
    const bool tests = f.depthTest || f.alphaTest;
    // Runs of up to kRun pixels: a span is usually taken in one, whatever blocks it crosses.
    constexpr int kRun = 2 * kChunk;
    DWORD texels[kRun], mixed[kRun], colours[kRun];
    float w[kRun], us[kRun], vs[kRun], channel[4][kRun];
    unsigned zval[kRun];
    bool pass[kRun];
    for (int cx = x0; cx <= x1;) {
        const int m = std::min(kRun, x1 - cx + 1);
        if (!t.affine)
            for (int i = 0; i < m; ++i) w[i] = 1.f / t.invW.At(cx + i, y);
        if (gouraud) {
            for (int k = 0; k < 4; ++k) {
                AttrRun(t.attr[kAttrDiffuse + k], cx, y, m, channel[k]);
                if (!t.affine)
                    for (int i = 0; i < m; ++i) channel[k][i] *= w[i];
            }
            for (int i = 0; i < m; ++i)
                colours[i] = Pack(ToByte(channel[3][i]), ToByte(channel[0][i]), ToByte(channel[1][i]), ToByte(channel[2][i]));
            colour = colours[m - 1];
        }
        if (f.kind == 3) {
            for (int i = 0; i < m; ++i) texels[i] = gouraud ? colours[i] : colour;
        } else {
            AttrRun(pu, cx, y, m, us);
            AttrRun(pv, cx, y, m, vs);
            if (!t.affine)
                for (int i = 0; i < m; ++i) {
                    us[i] *= w[i];
                    vs[i] *= w[i];
                }
            sampler->Span(us, vs, m, texels);
            if (gouraud)
                for (int i = 0; i < m; ++i) texels[i] = Modulate(f, texels[i], colours[i]);
        }
        if (!tests) {
            CombineRow(blendOnly, texels, colour, row + cx, m);
            cx += m;
            continue;
        }
        for (int i = 0; i < m; ++i) {
            const int x = cx + i;
            pass[i] = true;
            if (f.depthTest) {
                zval[i] = DepthValue(t.z.At(x, y), zScale);
                unsigned stored;
                if (f.depth16) {
                    WORD zw;
                    std::memcpy(&zw, zrow + size_t(x) * 2, 2);
                    stored = zw;
                } else {
                    DWORD zd;
                    std::memcpy(&zd, zrow + size_t(x) * 4, 4);
                    stored = zd;
                }
                pass[i] = Compare(f.depthFunc, zval[i], stored);
            }
            if (f.alphaTest) {
                unsigned a = texels[i] >> 24;
                if (f.modAlpha && !gouraud) a = unsigned(Div255(int(a) * int(colour >> 24)));
                pass[i] = pass[i] && Compare(f.alphaFunc, a, f.alphaRef);
            }
        }
        std::memcpy(mixed, row + cx, size_t(m) * 4);
        CombineRow(blendOnly, texels, colour, mixed, m);
        for (int i = 0; i < m; ++i) {
            if (!pass[i]) continue;
            row[cx + i] = mixed[i];
            if (f.depthWrite) {
                if (f.depth16) {
                    WORD zw = WORD(zval[i]);
                    std::memcpy(zrow + size_t(cx + i) * 2, &zw, 2);
                } else {
                    std::memcpy(zrow + size_t(cx + i) * 4, &zval[i], 4);
                }
            }
        }
        cx += m;
    }
}

// The blend and store of a draw as CombineRow does them (no modulation), when the target and blend
// allow; kind stays 0 otherwise.
FastPlan PlanWriter(const PixelState& st) {
    FastPlan w;
    const DWORD* rs = st.rs;
    const D3DFORMAT target = st.target->Desc().Format;
    if ((target != D3DFMT_A8R8G8B8 && target != D3DFMT_X8R8G8B8) || (rs[D3DRS_COLORWRITEENABLE] & 0xF) != 0xF) return w;
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        if (rs[D3DRS_BLENDOP] != D3DBLENDOP_ADD || rs[D3DRS_SRCBLEND] != D3DBLEND_SRCALPHA) return w;
        if (rs[D3DRS_DESTBLEND] == D3DBLEND_INVSRCALPHA) w.blend = 1;
        else if (rs[D3DRS_DESTBLEND] == D3DBLEND_ONE) w.blend = 2;
        else return w;
        if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
            if (rs[D3DRS_SRCBLENDALPHA] != D3DBLEND_ONE || rs[D3DRS_DESTBLENDALPHA] != D3DBLEND_ONE ||
                rs[D3DRS_BLENDOPALPHA] != D3DBLENDOP_ADD)
                return w;
            w.separateOneOne = true;
        }
    }
    w.targetX8 = target == D3DFMT_X8R8G8B8;
    w.kind = 1;
    return w;
}

// Two pixels of the step across x of the bilinear fast path, in the two halves of the result.
__attribute__((target("avx2"))) inline __m256i BilinearTwo(const uint16_t* a, const uint16_t* b,
                                                          const ColumnTable::Weights* weights) {
    const __m256i pair = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a))),
                                                 _mm_loadu_si128(reinterpret_cast<const __m128i*>(b)), 1);
    const __m256i wx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights));
    const __m256i lo = _mm256_mullo_epi16(pair, wx), hi = _mm256_mulhi_epu16(pair, wx);
    const __m256i sum = _mm256_add_epi32(_mm256_unpacklo_epi16(lo, hi), _mm256_unpackhi_epi16(lo, hi));
    return _mm256_srli_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(32768)), 16);
}

// The step across x of the bilinear fast path eight pixels at a time with AVX2, two pixels to a
// register, with the same arithmetic; returns how many pixels it did.
__attribute__((target("avx2"))) int BilinearAcrossAvx2(const uint16_t* vrow, int first, const int* left,
                                                       const ColumnTable::Weights* weights, DWORD* dst, int m,
                                                       DWORD opaque) {
    const __m256i fill = _mm256_set1_epi32(int(opaque));
    auto at = [&](int i) { return vrow + size_t(left[i] - first) * 4; };
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int i = 0;
    for (; i + 8 <= m; i += 8) {
        // Packing works within 128-bit lanes: pixels come out as 0 2 4 6 | 1 3 5 7 and are put in order.
        const __m256i p01 = BilinearTwo(at(i), at(i + 1), weights + i);
        const __m256i p23 = BilinearTwo(at(i + 2), at(i + 3), weights + i + 2);
        const __m256i p45 = BilinearTwo(at(i + 4), at(i + 5), weights + i + 4);
        const __m256i p67 = BilinearTwo(at(i + 6), at(i + 7), weights + i + 6);
        __m256i p = _mm256_packus_epi16(_mm256_packs_epi32(p01, p23), _mm256_packs_epi32(p45, p67));
        p = _mm256_permutevar8x32_epi32(p, order);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_or_si256(p, fill));
    }
    return i;
}

bool FastSpan(const PixelState& st, const FastPlan& f, const Triangle& t, int y, int x0, int x1, ColumnTable& table) {
    DWORD colour = 0xFFFFFFFFu;
    if (f.factorColour) {
        colour = st.rs[D3DRS_TEXTUREFACTOR];
    } else if (f.modColour || f.modAlpha || f.kind == 3) {
        int c[4];
        for (int k = 0; k < 4; ++k) {
            const Plane& p = t.attr[kAttrDiffuse + k];
            if (p.dx != 0.0 || p.dy != 0.0) {
                SampledSpan(st, f, t, y, x0, x1, colour, true);
                return true;
            }
            c[k] = ToByte(float(p.base));
        }
        colour = Pack(c[3], c[0], c[1], c[2]);
    }
    if (f.kind == 3 && !f.depthTest && !f.alphaTest) {
        DWORD* out = reinterpret_cast<DWORD*>(st.target->Bits() + size_t(y) * st.target->Pitch()) + x0;
        DWORD texels[kChunk];
        std::fill(texels, texels + kChunk, colour);
        for (int done = 0; done <= x1 - x0; done += kChunk)
            CombineRow(f, texels, colour, out + done, std::min(kChunk, x1 - x0 + 1 - done));
        return true;
    }
    const Plane& pu = t.attr[kAttrTex + 4 * f.set];
    const Plane& pv = t.attr[kAttrTex + 4 * f.set + 1];
    if (f.kind == 3 || !t.affine || pu.dy != 0.0 || pv.dx != 0.0 || !f.aligned || f.depthTest || f.alphaTest) {
        SampledSpan(st, f, t, y, x0, x1, colour, false);
        return true;
    }
    const Surface& tex = *f.tex;
    const int w = int(tex.Desc().Width), h = int(tex.Desc().Height);
    const int n = x1 - x0 + 1;
    DWORD* out = reinterpret_cast<DWORD*>(st.target->Bits() + size_t(y) * st.target->Pitch()) + x0;
    const DWORD force = f.texX8 ? 0xFF000000u : 0u;
    const float v = AttrAt(pv, x0, y);
    if (table.state.load(std::memory_order_acquire) != ColumnTable::kMade) {
        int none = ColumnTable::kNone;
        if (!table.state.compare_exchange_strong(none, ColumnTable::kMaking, std::memory_order_acquire)) {
            SampledSpan(st, f, t, y, x0, x1, colour, false);
            return true;
        }
        MakeColumnTable(table, t, f.kind, pu, y, w, st.samp[0][D3DSAMP_ADDRESSU]);
        table.state.store(ColumnTable::kMade, std::memory_order_release);
    }
    const int64_t* U = table.U.data() + (x0 - t.xmin);
    if (f.kind == 1) {
        const int ty = int(FloorDiv(TexelPosition(double(v) * h * kSub, h, st.samp[0][D3DSAMP_ADDRESSV]), kSub));
        const int tx0 = int(FloorDiv(U[0], kSub)), tx1 = int(FloorDiv(U[n - 1], kSub));
        if (ty < 0 || ty >= h || tx0 < 0 || tx0 >= w || tx1 < 0 || tx1 >= w) return false;
        const DWORD* src = reinterpret_cast<const DWORD*>(tex.Bits() + size_t(ty) * tex.Pitch());
        DWORD texels[kChunk];
        if (table.straight) {  // one texel per pixel: the columns follow each other
            {
                src += tx0;
                if (!f.modColour && !f.modAlpha && !f.blend && !f.targetX8 && !force) {
                    std::memcpy(out, src, size_t(n) * 4);
                    return true;
                }
                if (!force) {
                    CombineRow(f, src, colour, out, n);
                    return true;
                }
                for (int done = 0; done < n; done += kChunk) {
                    const int m = std::min(kChunk, n - done);
                    for (int i = 0; i < m; ++i) texels[i] = src[done + i] | force;
                    CombineRow(f, texels, colour, out + done, m);
                }
                return true;
            }
        }
        for (int done = 0; done < n; done += kChunk) {
            const int m = std::min(kChunk, n - done);
            for (int i = 0; i < m; ++i) {
                int tx = int(FloorDiv(U[done + i], kSub));
                if (tx < 0 || tx >= w) return false;
                texels[i] = src[tx] | force;
            }
            CombineRow(f, texels, colour, out + done, m);
        }
        return true;
    }
    // Bilinear with clamping, the rows blended first: (c0 (256 - fy) + c1 fy) then across x, which adds
    // up the same four products as Sample does.
    const int64_t V = TexelPosition((double(v) * h - 0.5) * kSub, h, st.samp[0][D3DSAMP_ADDRESSV]);
    const int fy = int(V & (kSub - 1));
    const int y0 = int(FloorDiv(V, kSub));
    const int ya = std::clamp(y0, 0, h - 1), yb = std::clamp(y0 + 1, 0, h - 1);
    const DWORD* rowA = reinterpret_cast<const DWORD*>(tex.Bits() + size_t(ya) * tex.Pitch());
    const DWORD* rowB = reinterpret_cast<const DWORD*>(tex.Bits() + size_t(yb) * tex.Pitch());
    const int first = table.left[size_t(x0 - t.xmin)];
    const int last = std::min(w - 1, table.left[size_t(x1 - t.xmin)] + 1);
    thread_local std::vector<uint16_t> blended;
    blended.resize(size_t(last - first + 2) * 4 + 8);
    uint16_t* vrow = blended.data();
    const __m128i zero = _mm_setzero_si128();
    const __m128i forceV = _mm_set1_epi32(int(force));
    const __m128i w0 = _mm_set1_epi16(short(kSub - fy)), w1 = _mm_set1_epi16(short(fy));
    int c = first;
    for (; c + 2 <= last + 1; c += 2) {
        __m128i a = _mm_unpacklo_epi8(_mm_or_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rowA + c)), forceV), zero);
        __m128i b = _mm_unpacklo_epi8(_mm_or_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rowB + c)), forceV), zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(vrow + size_t(c - first) * 4),
                         _mm_add_epi16(_mm_mullo_epi16(a, w0), _mm_mullo_epi16(b, w1)));
    }
    for (; c <= last; ++c)
        for (int k = 0; k < 4; ++k)
            vrow[size_t(c - first) * 4 + size_t(k)] = uint16_t(int(((rowA[c] | force) >> (8 * k)) & 255) * (kSub - fy) +
                                                               int(((rowB[c] | force) >> (8 * k)) & 255) * fy);
    // Across x: (left (256 - fx) + right fx + 32768) >> 16 in 32-bit lanes, four pixels packed together.
    // Without blend or colour the result goes straight into the target.
    const __m128i half = _mm_set1_epi32(32768);
    const bool plain = f.blend == 0 && ((!f.modColour && !f.modAlpha) || colour == 0xFFFFFFFFu);
    const __m128i opaque = _mm_set1_epi32(plain && f.targetX8 ? int(0xFF000000u) : 0);
    const int* left = table.left.data() + (x0 - t.xmin);
    const ColumnTable::Weights* weights = table.weights.data() + (x0 - t.xmin);
    auto pixel = [&](int i) {
        const __m128i pair = _mm_loadu_si128(reinterpret_cast<const __m128i*>(vrow + size_t(left[i] - first) * 4));
        const __m128i wx = weights[i].v;
        const __m128i lo = _mm_mullo_epi16(pair, wx), hi = _mm_mulhi_epu16(pair, wx);
        return _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(_mm_unpacklo_epi16(lo, hi), _mm_unpackhi_epi16(lo, hi)), half),
                              16);
    };
    DWORD texels[kChunk];
    for (int done = 0; done < n; done += kChunk) {
        const int m = std::min(kChunk, n - done);
        DWORD* dst = plain ? out + done : texels;
        int i = Avx2() ? BilinearAcrossAvx2(vrow, first, left + done, weights + done, dst, m,
                                            DWORD(_mm_cvtsi128_si32(opaque)))
                       : 0;
        for (; i + 4 <= m; i += 4) {
            const int at = done + i;
            const __m128i p = _mm_packus_epi16(_mm_packs_epi32(pixel(at), pixel(at + 1)),
                                               _mm_packs_epi32(pixel(at + 2), pixel(at + 3)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(p, opaque));
        }
        for (; i < m; ++i)
            dst[i] = DWORD(_mm_cvtsi128_si32(_mm_or_si128(_mm_packus_epi16(_mm_packs_epi32(pixel(done + i), zero), zero), opaque)));
        if (!plain) CombineRow(f, texels, colour, out + done, m);
    }
    return true;
}

// Point-sampled texel columns of a triangle's pixels, for a texture coordinate u that depends on x
// alone: made for the first row that needs them and kept, one per sampler, while the rows after it take
// the same columns (the same u plane over the same columns, the same texture width and addressing).
struct TriangleColumns {
    double base = 0, dx = 0;
    int xmin = 0, xmax = -1;
    size_t width = 0;
    DWORD mode = 0;
    std::vector<int> column;  // per pixel from xmin: texel column, or -1 for the border
    bool straight = false;    // the columns follow each other from one inside the texture
};

const TriangleColumns& TriangleColumnsOf(int stage, const Sampler& sampler, const Triangle& t, const Plane& pu, int y) {
    thread_local TriangleColumns kept[kSamplerCount];
    TriangleColumns& c = kept[stage];
    if (c.base == pu.base && c.dx == pu.dx && c.xmin == t.xmin && c.xmax == t.xmax && c.width == sampler.Width() &&
        c.mode == sampler.ModeU())
        return c;
    c.base = pu.base;
    c.dx = pu.dx;
    c.xmin = t.xmin;
    c.xmax = t.xmax;
    c.width = sampler.Width();
    c.mode = sampler.ModeU();
    const size_t n = size_t(t.xmax - t.xmin + 1);
    std::vector<float> u(n);
    AttrRun(pu, t.xmin, y, int(n), u.data());
    c.column.resize(n);
    c.straight = true;
    for (size_t i = 0; i < n; ++i) {
        c.column[i] = sampler.ColumnOf(u[i]);
        c.straight &= c.column[0] >= 0 && c.column[i] == c.column[0] + int(i);
    }
    return c;
}

// Shades and writes pixels x0..x1 (inclusive) of row y.
void ShadeSpan(const PixelState& st, const Usage& use, const FastPlan& writer, const PixelProgram* program,
               const Triangle& t, int y, int x0, int x1) {
    Surface& target = *st.target;
    const DWORD* rs = st.rs;
    const bool zTest = st.depth && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
    const bool zWrite = zTest && rs[D3DRS_ZWRITEENABLE];
    const bool depth16 = st.depth && st.depth->Bpp() == 2;
    const double zScale = depth16 ? 65535.0 : 16777215.0;
    const bool alphaTest = rs[D3DRS_ALPHATESTENABLE] != 0;
    const bool everyPixel = !zTest && !alphaTest && !(program && program->Kills());
    const bool blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
    const DWORD writeMask = (rs[D3DRS_COLORWRITEENABLE] & 1 ? 0x00FF0000u : 0) |
                            (rs[D3DRS_COLORWRITEENABLE] & 2 ? 0x0000FF00u : 0) |
                            (rs[D3DRS_COLORWRITEENABLE] & 4 ? 0x000000FFu : 0) |
                            (rs[D3DRS_COLORWRITEENABLE] & 8 ? 0xFF000000u : 0);
    const D3DFORMAT fmt = target.Desc().Format;
    BYTE* row = target.Bits() + size_t(y) * target.Pitch();
    BYTE* zrow = st.depth ? st.depth->Bits() + size_t(y) * st.depth->Pitch() : nullptr;
    const Rgba factor = Unpack(rs[D3DRS_TEXTUREFACTOR]);

    float attr[kAttrCount][kChunk];
    bool live[kChunk];
    DWORD colour[kChunk];
    unsigned zval[kChunk];
    for (int cx = x0; cx <= x1;) {
        // Blocks end on 64-pixel boundaries, so attribute values do not depend on where the span starts.
        const int n = std::min(x1, cx | (kChunk - 1)) - cx + 1;
        // Depth.
        for (int i = 0; i < n; ++i) {
            live[i] = true;
            if (!st.depth) continue;
            zval[i] = DepthValue(t.z.At(cx + i, y), zScale);
            if (zTest) {
                unsigned stored;
                if (depth16) {
                    WORD w;
                    std::memcpy(&w, zrow + size_t(cx + i) * 2, 2);
                    stored = w;
                } else {
                    DWORD d;
                    std::memcpy(&d, zrow + size_t(cx + i) * 4, 4);
                    stored = d;
                }
                live[i] = Compare(rs[D3DRS_ZFUNC], zval[i], stored);
            }
        }
        // Attributes, perspective-correct unless the triangle is affine.
        float w[kChunk];
        if (!t.affine)
            for (int i = 0; i < n; ++i) w[i] = 1.f / t.invW.At(cx + i, y);
        for (int k = 0; k < use.attrCount; ++k) {
            int a = use.attrList[k];
            AttrRun(t.attr[a], cx, y, n, attr[a]);
            if (!t.affine)
                for (int i = 0; i < n; ++i) attr[a][i] *= w[i];
        }
        // Colour.
        std::fill(colour, colour + n, 0u);
        if (program) {
            static const std::array<float, kPixelBlock> ones = [] {
                std::array<float, kPixelBlock> row;
                row.fill(1.f);
                return row;
            }();
            for (int b = 0; b < n; b += kPixelBlock) {
                PixelBlock block;
                block.count = std::min(kPixelBlock, n - b);
                for (int tset = 0; tset < 8; ++tset)
                    for (int c = 0; c < 4; ++c) block.tex[tset][c] = attr[kAttrTex + 4 * tset + c] + b;
                for (int c = 0; c < 4; ++c) block.colour[c] = use.diffuse ? attr[kAttrDiffuse + c] + b : ones.data();
                program->Run(block, [&](int stage, int set, const float* u, const float* v, int count, DWORD* out) {
                    const Surface* tex = st.textures[stage];
                    if (!tex) {
                        std::fill(out, out + count, 0xFF000000u);
                        return;
                    }
                    const Sampler sampler(*tex, st.samp[stage]);
                    if (set < 0 || !t.affine || t.attr[kAttrTex + 4 * set].dy != 0.0 ||
                        t.attr[kAttrTex + 4 * set + 1].dx != 0.0 || !sampler.Point()) {
                        sampler.Span(u, v, count, out);
                        return;
                    }
                    // u depends on x alone and v is the same along the row: the triangle's columns, once.
                    const TriangleColumns& columns = TriangleColumnsOf(stage, sampler, t, t.attr[kAttrTex + 4 * set], y);
                    sampler.Gather(sampler.RowOf(v[0]), columns.column.data() + (cx + b - t.xmin), columns.straight, count,
                                   out);
                });
                std::memcpy(colour + b, block.out, sizeof(DWORD) * size_t(block.count));
                for (int i = 0; i < block.count; ++i)
                    if (block.killed[i]) live[b + i] = false;
            }
        } else {
            std::optional<Sampler> samplers[8];
            for (int s = 0; s < 8 && st.tss[s][D3DTSS_COLOROP] != D3DTOP_DISABLE; ++s)
                if (st.textures[s]) samplers[s].emplace(*st.textures[s], st.samp[s]);
            for (int i = 0; i < n; ++i) {
                if (!live[i]) continue;
                Rgba diffuse{ToByte(attr[kAttrDiffuse][i]), ToByte(attr[kAttrDiffuse + 1][i]),
                             ToByte(attr[kAttrDiffuse + 2][i]), ToByte(attr[kAttrDiffuse + 3][i])};
                Rgba current = diffuse;
                for (int s = 0; s < 8; ++s) {
                    const DWORD* ts = st.tss[s];
                    DWORD cop = ts[D3DTSS_COLOROP];
                    if (cop == D3DTOP_DISABLE) break;
                    const Surface* tex = st.textures[s];
                    DWORD aop = ts[D3DTSS_ALPHAOP];
                    bool needTex = StageReadsTexture(ts);
                    // A stage that reads a texture it does not have passes its input on.
                    if (needTex && !tex) continue;
                    Rgba texel{0, 0, 0, 0};
                    if (needTex) {
                        int set = int(ts[D3DTSS_TEXCOORDINDEX] & 7);
                        texel = Unpack(samplers[s]->At(attr[kAttrTex + 4 * set][i], attr[kAttrTex + 4 * set + 1][i]));
                    }
                    Rgba c1 = Arg(ts[D3DTSS_COLORARG1], diffuse, current, texel, factor);
                    Rgba c2 = Arg(ts[D3DTSS_COLORARG2], diffuse, current, texel, factor);
                    Rgba next = current;
                    next.r = Op(cop, c1.r, c2.r);
                    next.g = Op(cop, c1.g, c2.g);
                    next.b = Op(cop, c1.b, c2.b);
                    if (aop != D3DTOP_DISABLE) {
                        int a1 = Arg(ts[D3DTSS_ALPHAARG1], diffuse, current, texel, factor).a;
                        int a2 = Arg(ts[D3DTSS_ALPHAARG2], diffuse, current, texel, factor).a;
                        next.a = Op(aop, a1, a2);
                    }
                    current = next;
                }
                colour[i] = Pack(current.a, current.r, current.g, current.b);
            }
        }
        // Alpha test, depth write, blend and store.
        const unsigned ref = rs[D3DRS_ALPHAREF] & 255;
        if (writer.kind && everyPixel) {  // no test drops a pixel: the blend goes straight into the row
            CombineRow(writer, colour, 0xFFFFFFFFu, reinterpret_cast<DWORD*>(row) + cx, n);
            cx += n;
            continue;
        }
        if (writer.kind) {
            DWORD* out = reinterpret_cast<DWORD*>(row) + cx;
            DWORD mixed[kChunk];
            std::memcpy(mixed, out, size_t(n) * 4);
            CombineRow(writer, colour, 0xFFFFFFFFu, mixed, n);
            for (int i = 0; i < n; ++i) {
                if (!live[i] || (alphaTest && !Compare(rs[D3DRS_ALPHAFUNC], colour[i] >> 24, ref))) continue;
                out[i] = mixed[i];
                if (zWrite) {
                    if (depth16) {
                        WORD zw = WORD(zval[i]);
                        std::memcpy(zrow + size_t(cx + i) * 2, &zw, 2);
                    } else {
                        std::memcpy(zrow + size_t(cx + i) * 4, &zval[i], 4);
                    }
                }
            }
            cx += n;
            continue;
        }
        for (int i = 0; i < n; ++i) {
            if (!live[i]) continue;
            if (alphaTest && !Compare(rs[D3DRS_ALPHAFUNC], colour[i] >> 24, ref)) continue;
            if (zWrite) {
                if (depth16) {
                    WORD zw = WORD(zval[i]);
                    std::memcpy(zrow + size_t(cx + i) * 2, &zw, 2);
                } else {
                    std::memcpy(zrow + size_t(cx + i) * 4, &zval[i], 4);
                }
            }
            BYTE* p = row + size_t(cx + i) * target.Bpp();
            DWORD out = colour[i];
            if (blend || writeMask != 0xFFFFFFFFu) {
                DWORD dst = ReadPixel(fmt, p);
                if (blend) out = Blend(st, out, dst);
                out = (out & writeMask) | (dst & ~writeMask);
            }
            WritePixel(fmt, p, out);
        }
        cx += n;
    }
}

}  // namespace

struct Raster::Job {
    const PixelState* state = nullptr;
    Usage usage;
    FastPlan fast;
    FastPlan writer;
    std::optional<PixelProgram> program;  // the draw's pixel shader with its constants
    std::vector<Triangle> triangles;
    std::unique_ptr<ColumnTable[]> tables;              // one per triangle
    int ymin = 0, ymax = -1;                            // rows any triangle touches
    const std::function<void(int)>* rowTask = nullptr;  // a plain per-row task instead of triangles
};

struct Raster::Batch {
    std::vector<std::unique_ptr<Job>> jobs;
    int ymin = 0, ymax = -1;
    int64_t area = 0;
    mutable std::atomic<int> nextBand{0};  // bands of kBandRows rows, taken by the threads in turn
};

unsigned RasterThreads() {
    unsigned n = g_threads.load();
    return n ? n : std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

Raster::Raster(unsigned threads) : threads_(std::max(1u, threads)) {
    for (unsigned i = 1; i < threads_; ++i) pool_.emplace_back(&Raster::Worker, this);
}

Raster::~Raster() {
    quit_ = true;
    { std::lock_guard<std::mutex> lock(lock_); }
    wake_.notify_all();
    for (std::thread& t : pool_) t.join();
}

namespace {
// Waits a short while (spins rounds of a pause) for a condition without sleeping.
template <class Condition>
bool SpinFor(int spins, Condition condition) {
    for (int i = 0; i < spins; ++i) {
        if (condition()) return true;
        _mm_pause();
    }
    return condition();
}
}  // namespace

void Raster::Worker() {
    unsigned seen = 0;
    for (;;) {
        auto ready = [&] { return quit_.load() || generation_.load(std::memory_order_acquire) != seen; };
        // Idle workers spin only briefly: the runs of one frame follow each other within microseconds,
        // and longer spinning between frames would cost more processor time than the drawing.
        if (!SpinFor(200, ready)) {
            std::unique_lock<std::mutex> lock(lock_);
            wake_.wait(lock, ready);
        }
        if (quit_) return;
        seen = generation_.load(std::memory_order_acquire);
        RunBands(*batch_);
        if (pending_.fetch_sub(1) == 1) {
            { std::lock_guard<std::mutex> lock(lock_); }
            done_.notify_one();
        }
    }
}

void Raster::RunBands(const Batch& batch) {
    // Threads take bands of rows in turn, so a thread held up elsewhere leaves its share to the
    // others. Within a band the jobs and their triangles keep their order, so each pixel sees the same
    // draws in the same order whoever shades it.
    const int first = batch.ymin / kBandRows;
    for (;;) {
        const int band = first + batch.nextBand.fetch_add(1);
        const int top = band * kBandRows, bottom = top + kBandRows - 1;
        if (top > batch.ymax) return;
        for (size_t j = 0; j < batch.jobs.size(); ++j) {
            const Job& job = *batch.jobs[j];
            if (job.ymax < top || job.ymin > bottom) continue;
            if (job.rowTask) {
                for (int y = std::max(top, job.ymin); y <= std::min(bottom, job.ymax); ++y) (*job.rowTask)(y);
                continue;
            }
            for (size_t i = 0; i < job.triangles.size(); ++i) {
                const Triangle& t = job.triangles[i];
                if (t.ymax < top || t.ymin > bottom) continue;
                for (int y = std::max(top, t.ymin); y <= std::min(bottom, t.ymax); ++y) {
                    int x0, x1;
                    if (!Span(t, y, x0, x1)) continue;
                    if (job.fast.kind && FastSpan(*job.state, job.fast, t, y, x0, x1, job.tables[i])) continue;
                    ShadeSpan(*job.state, job.usage, job.writer, job.program ? &*job.program : nullptr, t, y, x0, x1);
                }
            }
        }
    }
}

void Raster::Run(const std::vector<RasterItem>& items) {
    Batch batch;
    for (const RasterItem& item : items) {
        auto job = std::make_unique<Job>();
        if (item.rows) {
            if (item.top > item.bottom) continue;
            job->rowTask = item.rows;
            job->ymin = item.top;
            job->ymax = item.bottom;
            batch.area += int64_t(item.bottom - item.top + 1) * 256;
        } else {
            const PixelState& state = *item.state;
            job->state = &state;
            job->usage = UsageOf(state);
            job->fast = PlanFast(state);
            job->writer = PlanWriter(state);
            if (state.pixelShader) job->program.emplace(*state.pixelShader, state.psConst, g_lanes.load());
            job->triangles.reserve(item.vertices->size() / 3);
            for (size_t i = 0; i + 2 < item.vertices->size(); i += 3) {
                Triangle t;
                if (!Setup(&(*item.vertices)[i], state, job->usage, t)) continue;
                batch.area += int64_t(t.xmax - t.xmin + 1) * (t.ymax - t.ymin + 1);
                job->ymin = job->triangles.empty() ? t.ymin : std::min(job->ymin, t.ymin);
                job->ymax = job->triangles.empty() ? t.ymax : std::max(job->ymax, t.ymax);
                job->triangles.push_back(t);
            }
            if (job->triangles.empty()) continue;
            job->tables = std::make_unique<ColumnTable[]>(job->triangles.size());
        }
        batch.ymin = batch.jobs.empty() ? job->ymin : std::min(batch.ymin, job->ymin);
        batch.ymax = batch.jobs.empty() ? job->ymax : std::max(batch.ymax, job->ymax);
        batch.jobs.push_back(std::move(job));
    }
    if (batch.jobs.empty()) return;
    // Small runs stay on the calling thread: waking the pool would cost more than it saves.
    if (threads_ == 1 || batch.area < 8192) {
        RunBands(batch);
        return;
    }
    Dispatch(batch);
}

void Raster::Dispatch(const Batch& batch) {
    batch_ = &batch;
    pending_.store(threads_ - 1);
    generation_.fetch_add(1, std::memory_order_release);
    { std::lock_guard<std::mutex> lock(lock_); }
    wake_.notify_all();
    RunBands(batch);
    auto finished = [&] { return pending_.load() == 0; };
    if (!SpinFor(2000, finished)) {
        std::unique_lock<std::mutex> lock(lock_);
        done_.wait(lock, finished);
    }
}

}  // namespace d3d9

namespace d3d9test {
void SetWorkerThreads(unsigned count) { d3d9::g_threads.store(count); }
void SetVectorLanes(bool use) { d3d9::g_lanes.store(use); }
}  // namespace d3d9test
