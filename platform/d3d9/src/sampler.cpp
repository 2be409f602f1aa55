// The AVX2 lanes of Sampler::Span: eight samples at a time with Sampler::At's results, lane by lane,
// for A8R8G8B8 and X8R8G8B8 textures addressed by clamping or wrapping.
#include "sampler.h"

#include <immintrin.h>

namespace d3d9 {

struct SamplerLanes {
    // Two texels of a row side by side: the 64 bits at once where they are neighbours.
    static uint64_t Pair(const Sampler& s, int row, int a, int b) {
        const BYTE* bits = s.t_.Bits() + size_t(row) * 4;
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

    __attribute__((target("avx2"), always_inline)) static __m256i AddressEight(__m256i i, int size, int mask,
                                                                               DWORD mode) {
        if (mode == D3DTADDRESS_WRAP && mask >= 0) return _mm256_and_si256(i, _mm256_set1_epi32(mask));
        if (mode == D3DTADDRESS_WRAP)
            return _mm256_inserti128_si256(_mm256_castsi128_si256(WrapFour(_mm256_castsi256_si128(i), size)),
                                           WrapFour(_mm256_extracti128_si256(i, 1), size), 1);
        return _mm256_min_epi32(_mm256_max_epi32(i, _mm256_setzero_si256()), _mm256_set1_epi32(size - 1));
    }

    // The texel pairs of four pixels' rows. Built from registers, not through memory: a wide load of
    // four fresh narrow stores would stall.
    __attribute__((target("avx2"), always_inline)) static __m256i Pairs(const Sampler& s, const int* row, const int* a,
                                                                        const int* b) {
        return _mm256_setr_epi64x(int64_t(Pair(s, row[0], a[0], b[0])), int64_t(Pair(s, row[1], a[1], b[1])),
                                  int64_t(Pair(s, row[2], a[2], b[2])), int64_t(Pair(s, row[3], a[3], b[3])));
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

    // The least and greatest of eight texel columns and rows: (column, row) in the low lanes of least
    // and greatest, saturated to 16 bits (textures are at most 4096 texels across, so a saturated bound
    // never passes as one inside the texture).
    __attribute__((target("avx2"), always_inline)) static void Bounds(__m256i x, __m256i y, __m128i& least,
                                                                      __m128i& greatest) {
        const __m256i both = _mm256_packs_epi32(x, y);  // per half: four columns, then four rows
        const __m128i lo = _mm256_castsi256_si128(both), hi = _mm256_extracti128_si256(both, 1);
        least = _mm_min_epi16(lo, hi);
        greatest = _mm_max_epi16(lo, hi);
        least = _mm_min_epi16(least, _mm_srli_epi64(least, 32));
        greatest = _mm_max_epi16(greatest, _mm_srli_epi64(greatest, 32));
        least = _mm_min_epi16(least, _mm_srli_epi64(least, 16));
        greatest = _mm_max_epi16(greatest, _mm_srli_epi64(greatest, 16));
    }

    // Eight texels picked by places from the eight that start at row.
    __attribute__((target("avx2"), always_inline)) static __m256i Pick(const BYTE* row, __m256i places) {
        return _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row)), places);
    }

    // The texel pairs of eight bilinear samples whose left texels lie within eight columns and two
    // rows, all inside the texture with their right and lower neighbours (so that neither clamping
    // nor wrapping moves them): each texel row is loaded twice, from the first column and the one
    // after it, and every pixel picks its left and right texels at the same place in the two loads.
    // In the layout of Eight's rows (force ORed in); false where the texels are further apart.
    __attribute__((target("avx2"), always_inline)) static bool Nearby(const Sampler& s, __m256i x0, __m256i y0,
                                                                      __m256i force, __m256i& t0, __m256i& t1,
                                                                      __m256i& b0, __m256i& b1) {
        __m128i least, greatest;
        Bounds(x0, y0, least, greatest);
        const int xmin = int16_t(_mm_extract_epi16(least, 0)), ymin = int16_t(_mm_extract_epi16(least, 4));
        const int xmax = int16_t(_mm_extract_epi16(greatest, 0)), ymax = int16_t(_mm_extract_epi16(greatest, 4));
        if (xmin < 0 || xmax - xmin > 7 || xmin + 9 > s.w_ || ymin < 0 || ymax - ymin > 1 || ymax + 2 > s.h_)
            return false;
        // The pixels in the order 0, 1, 4, 5, 2, 3, 6, 7, which the unpacking below puts back in order.
        const __m256i order = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
        const __m256i at = _mm256_permutevar8x32_epi32(_mm256_sub_epi32(x0, _mm256_set1_epi32(xmin)), order);
        const size_t pitch = s.t_.Pitch();
        const BYTE* first = s.t_.Bits() + size_t(ymin) * pitch + size_t(xmin) * 4;
        __m256i topLeft = Pick(first, at), topRight = Pick(first + 4, at);
        __m256i bottomLeft = Pick(first + pitch, at), bottomRight = Pick(first + pitch + 4, at);
        if (ymax > ymin) {
            // Pixels on the second row take that row above and the third below.
            const __m256i lower =
                _mm256_permutevar8x32_epi32(_mm256_cmpgt_epi32(y0, _mm256_set1_epi32(ymin)), order);
            topLeft = _mm256_blendv_epi8(topLeft, bottomLeft, lower);
            topRight = _mm256_blendv_epi8(topRight, bottomRight, lower);
            bottomLeft = _mm256_blendv_epi8(bottomLeft, Pick(first + 2 * pitch, at), lower);
            bottomRight = _mm256_blendv_epi8(bottomRight, Pick(first + 2 * pitch + 4, at), lower);
        }
        // Each pixel's left and right texels byte by byte: the first eight bytes of each half pixels
        // 0, 1 | 2, 3, the last eight 4, 5 | 6, 7.
        topLeft = _mm256_or_si256(topLeft, force), topRight = _mm256_or_si256(topRight, force);
        bottomLeft = _mm256_or_si256(bottomLeft, force), bottomRight = _mm256_or_si256(bottomRight, force);
        t0 = _mm256_unpacklo_epi8(topLeft, topRight);
        t1 = _mm256_unpackhi_epi8(topLeft, topRight);
        b0 = _mm256_unpacklo_epi8(bottomLeft, bottomRight);
        b1 = _mm256_unpackhi_epi8(bottomLeft, bottomRight);
        return true;
    }

    // The texel columns of eight texel numbers across, and the rows' offsets (in texels) of eight down.
    __attribute__((target("avx2"), always_inline)) static __m256i Column(const Sampler& s, __m256i x) {
        return AddressEight(x, s.w_, s.maskU_, s.modeU_);
    }
    __attribute__((target("avx2"), always_inline)) static __m256i RowStart(const Sampler& s, __m256i y) {
        return _mm256_mullo_epi32(AddressEight(y, s.h_, s.maskV_, s.modeV_),
                                  _mm256_set1_epi32(int(s.t_.Pitch() / 4)));
    }

    // Eight's rows for any texels: each pixel's texel pairs gathered (64 bits at once where the two
    // are neighbours in their row), then their bytes interleaved.
    __attribute__((target("avx2"), always_inline)) static void Gathered(const Sampler& s, __m256i x0, __m256i y0,
                                                                        __m256i force, __m256i& t0, __m256i& t1,
                                                                        __m256i& b0, __m256i& b1) {
        const __m256i one = _mm256_set1_epi32(1);
        const __m256i xa = Column(s, x0), xb = Column(s, _mm256_add_epi32(x0, one));
        const __m256i ya = RowStart(s, y0), yb = RowStart(s, _mm256_add_epi32(y0, one));
        __m256i top0, top1, bottom0, bottom1;  // texel pairs of pixels 0 to 3 and 4 to 7
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(xb, _mm256_add_epi32(xa, one))) == -1) {
            const long long* pairs = reinterpret_cast<const long long*>(s.t_.Bits());
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
            top0 = Pairs(s, ra, ia, ib);
            top1 = Pairs(s, ra + 4, ia + 4, ib + 4);
            bottom0 = Pairs(s, rb, ia, ib);
            bottom1 = Pairs(s, rb + 4, ia + 4, ib + 4);
        }
        const __m256i interleave = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, 0, 4, 1, 5, 2,
                                                    6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
        t0 = _mm256_shuffle_epi8(_mm256_or_si256(top0, force), interleave);
        t1 = _mm256_shuffle_epi8(_mm256_or_si256(top1, force), interleave);
        b0 = _mm256_shuffle_epi8(_mm256_or_si256(bottom0, force), interleave);
        b1 = _mm256_shuffle_epi8(_mm256_or_si256(bottom1, force), interleave);
    }

    // Span's samples eight at a time; returns how many it made (the rest are left to At).
    __attribute__((target("avx2"))) static int Lanes(const Sampler& s, const float* u, const float* v, int n,
                                                     DWORD* out) {
        __m256i texels;
        int i = 0;
        for (; i + 8 <= n; i += 8) {
            if (Eight(s, _mm256_loadu_ps(u + i), _mm256_loadu_ps(v + i), texels))
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), texels);
            else
                for (int k = i; k < i + 8; ++k) out[k] = s.At(u[k], v[k]);
        }
        if (i == n) return n;
        // The last one to seven, with the last coordinates repeated to fill the lanes.
        const __m256i mask = TailMask(n - i);
        const __m256 lastU = _mm256_set1_ps(u[n - 1]), lastV = _mm256_set1_ps(v[n - 1]);
        const __m256 maskf = _mm256_castsi256_ps(mask);
        if (!Eight(s, _mm256_blendv_ps(lastU, _mm256_maskload_ps(u + i, mask), maskf),
                   _mm256_blendv_ps(lastV, _mm256_maskload_ps(v + i, mask), maskf), texels))
            return i;
        _mm256_maskstore_epi32(reinterpret_cast<int*>(out + i), mask, texels);
        return n;
    }

    // At's texel positions in 1/256 texels of eight coordinates for a size of texels, in 32-bit lanes;
    // false where one does not fit (or is not a number).
    __attribute__((target("avx2"), always_inline)) static bool Positions(const Sampler& s, __m256 c, int size, int mask,
                                                                         __m256i& out) {
        if (mask >= 0) {
            // A power-of-two size: 512 c size is exact in float, and the position
            // floor((c size - 0.5) 256 + 0.5) is (floor(512 c size) - 255) >> 1; point sampling's
            // floor(c size 256 + 0.5) is (floor(512 c size) + 1) >> 1.
            const __m256 twice = _mm256_floor_ps(_mm256_mul_ps(c, _mm256_set1_ps(512.f * float(size))));
            const __m256 fit =
                _mm256_cmp_ps(_mm256_andnot_ps(_mm256_set1_ps(-0.f), twice), _mm256_set1_ps(1073741824.f), _CMP_LT_OQ);
            if (_mm256_movemask_ps(fit) != 0xFF) return false;
            out = _mm256_srai_epi32(
                _mm256_add_epi32(_mm256_cvttps_epi32(twice), _mm256_set1_epi32(s.linear_ ? -255 : 1)), 1);
            return true;
        }
        // Any size: c size 256 is exact in double, and so is the position floor(c size 256 + 0.5), or
        // floor(c size 256 - 128 + 0.5) for bilinear filtering.
        const __m256d scale = _mm256_set1_pd(double(size) * kSub), offset = _mm256_set1_pd(s.linear_ ? -127.5 : 0.5);
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
    __attribute__((target("avx2"), always_inline)) static bool Eight(const Sampler& s, __m256 u, __m256 v,
                                                                     __m256i& out) {
        __m256i U, V;
        if (!Positions(s, u, s.w_, s.maskU_, U) || !Positions(s, v, s.h_, s.maskV_, V)) return false;
        const __m256i x0 = _mm256_srai_epi32(U, 8), y0 = _mm256_srai_epi32(V, 8);
        const __m256i force = _mm256_set1_epi32(int(s.force_));
        if (!s.linear_) {
            const __m256i at = _mm256_add_epi32(RowStart(s, y0), Column(s, x0));
            out = _mm256_or_si256(_mm256_i32gather_epi32(reinterpret_cast<const int*>(s.t_.Bits()), at, 4), force);
            return true;
        }
        // Per pixel, the channels of its left and right texels side by side in 16-bit lanes, so that one
        // multiply-add by (256 - fx, fx) gives each channel of the row blend in a 32-bit lane: pixels 0
        // to 3 in t0 (top row) and b0 (bottom row), 4 to 7 in t1 and b1.
        __m256i t0, t1, b0, b1;
        if (!Nearby(s, x0, y0, force, t0, t1, b0, b1)) Gathered(s, x0, y0, force, t0, t1, b0, b1);
        const __m256i low = _mm256_set1_epi32(kSub - 1);
        const __m256i fx = _mm256_and_si256(U, low), fy = _mm256_and_si256(V, low);
        const __m256i wx = _mm256_or_si256(_mm256_sub_epi32(_mm256_set1_epi32(kSub), fx), _mm256_slli_epi32(fx, 16));
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
};

void Sampler::Span(const float* u, const float* v, int n, DWORD* out) const {
    for (int i = lanes_ ? SamplerLanes::Lanes(*this, u, v, n, out) : 0; i < n; ++i) out[i] = At(u[i], v[i]);
}

}  // namespace d3d9
