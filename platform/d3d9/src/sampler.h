// Texture sampling for the rasteriser: texel positions in 1/256 texels, the address modes, point and
// bilinear filtering of one sample, and a texture with its sampler states looked at once for the many
// samples of a span (eight at a time in AVX2 lanes where they fit, sampler.cpp).
#pragma once
#include <d3d9.h>
#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "formats.h"
#include "objects.h"
#include "pixelmath.h"

namespace d3d9 {

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
    void Span(const float* u, const float* v, int n, DWORD* out) const;

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
    // Bilinear filtering of a 32-bit texture clamped both ways: what the bilinear column tables take.
    bool ClampedBilinear() const {
        return linear_ && direct_ && modeU_ == D3DTADDRESS_CLAMP && modeV_ == D3DTADDRESS_CLAMP;
    }
    DWORD ModeU() const { return modeU_; }

    // Point sampling's texel column of u and row of v, or -1 where they address the border. Texel
    // coordinates are rounded to 1/256 first, so that float noise never crosses a texel edge.
    int ColumnOf(float u) const { return PointIndex(u, w_, maskU_, modeU_); }
    int RowOf(float v) const { return PointIndex(v, h_, maskV_, modeV_); }

    // Where point samples of texel row y at columns that follow each other from columns[0] lie in the
    // texture as they are (no format to convert, no alpha to force), or null.
    const DWORD* InPlace(int y, const int* columns, bool straight) const {
        if (y < 0 || !straight || !direct_ || force_ || t_.Pitch() % 4 != 0) return nullptr;
        return reinterpret_cast<const DWORD*>(t_.Bits() + size_t(y) * t_.Pitch() + size_t(columns[0]) * 4);
    }

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
    friend struct SamplerLanes;  // the AVX2 lanes of Span (sampler.cpp)

    static int PointIndex(float c, int size, int mask, DWORD mode) {
        bool border = false;
        const int i = Address(int(TexelPosition(double(c) * size * kSub, size, mode) >> 8), size, mask, mode, border);
        return border ? -1 : i;
    }

    // The lanes take clamping and wrapping; the rest is left to At.
    static bool Vectorable(DWORD mode) { return mode == D3DTADDRESS_CLAMP || mode == D3DTADDRESS_WRAP; }

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

}  // namespace d3d9
