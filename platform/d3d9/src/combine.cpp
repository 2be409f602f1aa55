// Row combining with the general path's arithmetic on 8-bit channels, specialised per blend class,
// modulation, separate alpha and target kind.
#include "combine.h"

#include <emmintrin.h>
#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "pixelmath.h"

namespace d3d9 {

bool ClassifyWrite(const PixelState& st, Combine& c) {
    const DWORD* rs = st.rs;
    const D3DFORMAT target = st.target->Desc().Format;
    if ((target != D3DFMT_A8R8G8B8 && target != D3DFMT_X8R8G8B8) || (rs[D3DRS_COLORWRITEENABLE] & 0xF) != 0xF)
        return false;
    c.blend = BlendClass::kReplace;
    c.separateOneOne = false;
    if (rs[D3DRS_ALPHABLENDENABLE]) {
        if (rs[D3DRS_BLENDOP] != D3DBLENDOP_ADD || rs[D3DRS_SRCBLEND] != D3DBLEND_SRCALPHA) return false;
        if (rs[D3DRS_DESTBLEND] == D3DBLEND_INVSRCALPHA)
            c.blend = BlendClass::kOver;
        else if (rs[D3DRS_DESTBLEND] == D3DBLEND_ONE)
            c.blend = BlendClass::kAdd;
        else
            return false;
        if (rs[D3DRS_SEPARATEALPHABLENDENABLE]) {
            if (rs[D3DRS_SRCBLENDALPHA] != D3DBLEND_ONE || rs[D3DRS_DESTBLENDALPHA] != D3DBLEND_ONE ||
                rs[D3DRS_BLENDOPALPHA] != D3DBLENDOP_ADD)
                return false;
            c.separateOneOne = true;
        }
    }
    c.targetX8 = target == D3DFMT_X8R8G8B8;
    return true;
}

namespace {

// The texture-times-colour and the blend of a row, two pixels at a time in 16-bit lanes (SSE2), with
// the general path's arithmetic on 8-bit channels: round(x / 255) is (t + (t >> 8)) >> 8 with
// t = x + 128 for every x up to 255 * 255, and that is (t * 257) >> 16, the high half of one unsigned
// multiply.
inline __m128i Div255x8(__m128i x) {
    return _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(128)), _mm_set1_epi16(257));
}

// An X8 target's alpha is read as anything and written as 255 by the caller, so the alpha lanes need
// no care for it here.
template <BlendClass Blend, bool Modulate, bool Separate>
inline __m128i CombineTwo(__m128i s, __m128i d, __m128i mod) {
    const __m128i c255 = _mm_set1_epi16(255);
    const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    if (Modulate) s = Div255x8(_mm_mullo_epi16(s, mod));
    if (Blend == BlendClass::kReplace) return s;
    __m128i a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, 0xFF), 0xFF);
    __m128i result;
    if (Blend == BlendClass::kOver)
        result = Div255x8(_mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, _mm_sub_epi16(c255, a))));
    else
        result = _mm_min_epi16(_mm_add_epi16(d, Div255x8(_mm_mullo_epi16(s, a))), c255);
    if (Separate) {
        __m128i sum = _mm_min_epi16(_mm_add_epi16(s, d), c255);
        result = _mm_or_si128(_mm_andnot_si128(alphaLanes, result), _mm_and_si128(alphaLanes, sum));
    }
    return result;
}

template <BlendClass Blend, bool Modulate, bool Separate, bool X8>
void CombineRowT(const DWORD* src, DWORD* out, int n, __m128i mod) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i x8 = _mm_set1_epi32(X8 ? int(0xFF000000u) : 0);
    auto four = [&](const DWORD* src4, DWORD* out4) {
        __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src4));
        __m128i d = Blend != BlendClass::kReplace ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(out4)) : zero;
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

template <BlendClass Blend, bool Modulate, bool Separate>
__attribute__((target("avx2"))) inline __m256i CombineFour(__m256i s, __m256i d, __m256i mod) {
    const __m256i c255 = _mm256_set1_epi16(255);
    const __m256i alphaLanes = _mm256_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0, -1, 0, 0, 0);
    if (Modulate) s = Div255x16(_mm256_mullo_epi16(s, mod));
    if (Blend == BlendClass::kReplace) return s;
    __m256i a = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, 0xFF), 0xFF);
    __m256i result;
    if (Blend == BlendClass::kOver)
        result =
            Div255x16(_mm256_add_epi16(_mm256_mullo_epi16(s, a), _mm256_mullo_epi16(d, _mm256_sub_epi16(c255, a))));
    else
        result = _mm256_min_epi16(_mm256_add_epi16(d, Div255x16(_mm256_mullo_epi16(s, a))), c255);
    if (Separate) {
        __m256i sum = _mm256_min_epi16(_mm256_add_epi16(s, d), c255);
        result = _mm256_or_si256(_mm256_andnot_si256(alphaLanes, result), _mm256_and_si256(alphaLanes, sum));
    }
    return result;
}

// Eight pixels of CombineRowAvx2.
template <BlendClass Blend, bool Modulate, bool Separate, bool X8>
__attribute__((target("avx2"), always_inline)) inline __m256i CombineEight(__m256i s, __m256i d, __m256i mod) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i lo =
        CombineFour<Blend, Modulate, Separate>(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero), mod);
    __m256i hi =
        CombineFour<Blend, Modulate, Separate>(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero), mod);
    return _mm256_or_si256(_mm256_packus_epi16(lo, hi), _mm256_set1_epi32(X8 ? int(0xFF000000u) : 0));
}

// Under Over with a modulating colour, eight equal sources (the flat inside of a panel faded in or
// out) blend as s a + 128 (share, per channel) plus d (255 - a) (rest), divided by 255 as Div255x16
// does: the sums CombineFour makes, with the modulation and the source's share worked out once for a
// run of such groups rather than for every group.
struct SameSources {
    __m256i sources, share, rest;

    // Sources of alpha 0 to begin with, which never reach Match.
    __attribute__((target("avx2"))) SameSources()
        : sources(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)), share(sources), rest(sources) {}

    // Whether the eight sources s are all one value, taking it on as the run's when it is another.
    __attribute__((target("avx2"), always_inline)) bool Match(__m256i s, __m256i mod) {
        const __m256i changed = _mm256_xor_si256(s, sources);
        if (_mm256_testz_si256(changed, changed)) return true;
        const __m256i first = _mm256_broadcastd_epi32(_mm256_castsi256_si128(s));
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(s, first)) != -1) return false;
        sources = first;
        const __m256i c = Div255x16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(first, _mm256_setzero_si256()), mod));
        const __m256i a = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(c, 0xFF), 0xFF);
        share = _mm256_add_epi16(_mm256_mullo_epi16(c, a), _mm256_set1_epi16(128));
        rest = _mm256_sub_epi16(_mm256_set1_epi16(255), a);
        return true;
    }

    // The blend of eight pixels d of the target under the run's source.
    __attribute__((target("avx2"), always_inline)) __m256i Over(__m256i d) const {
        const __m256i zero = _mm256_setzero_si256(), m257 = _mm256_set1_epi16(257);
        const __m256i lo = _mm256_mulhi_epu16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(d, zero), rest), share), m257);
        const __m256i hi = _mm256_mulhi_epu16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(d, zero), rest), share), m257);
        return _mm256_packus_epi16(lo, hi);
    }
};

template <BlendClass Blend, bool Modulate, bool Separate, bool X8>
__attribute__((target("avx2"))) int CombineRowAvx2(const DWORD* src, DWORD* out, int n, __m128i mod128) {
    const __m256i mod = _mm256_broadcastsi128_si256(mod128);
    const __m256i alphaBits = _mm256_set1_epi32(int(0xFF000000u));
    SameSources same;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
        if (Blend != BlendClass::kReplace) {
            // Eight sources of alpha 0 leave every channel as it was (an X8 target's alpha is still
            // written as 255); under Over, eight unmodulated sources of alpha 255 replace it. Both give
            // the arithmetic's own result: round(d * 255 / 255) = d, and likewise for s.
            if (_mm256_testz_si256(s, alphaBits)) {
                if (X8) {
                    DWORD* at = out + i;
                    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at),
                                        _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), alphaBits));
                }
                continue;
            }
            if (Blend == BlendClass::kOver && !Modulate && _mm256_testc_si256(s, alphaBits)) {
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), s);
                continue;
            }
            if (Blend == BlendClass::kOver && Modulate && !Separate && same.Match(s, mod)) {
                DWORD* at = out + i;
                const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(at),
                                    _mm256_or_si256(same.Over(d), _mm256_set1_epi32(X8 ? int(0xFF000000u) : 0)));
                continue;
            }
        }
        __m256i d = Blend != BlendClass::kReplace ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i))
                                                  : _mm256_setzero_si256();
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            CombineEight<Blend, Modulate, Separate, X8>(s, d, mod));
    }
    if (i == n) return n;
    // The last one to seven through masked loads and stores.
    const __m256i mask = TailMask(n - i);
    __m256i s = _mm256_maskload_epi32(reinterpret_cast<const int*>(src + i), mask);
    __m256i d = Blend != BlendClass::kReplace ? _mm256_maskload_epi32(reinterpret_cast<const int*>(out + i), mask)
                                              : _mm256_setzero_si256();
    _mm256_maskstore_epi32(reinterpret_cast<int*>(out + i), mask,
                           CombineEight<Blend, Modulate, Separate, X8>(s, d, mod));
    return n;
}

template <BlendClass Blend, bool Modulate, bool Separate, bool X8>
void CombineRowAny(const DWORD* src, DWORD* out, int n, __m128i mod) {
    int done = Avx2() ? CombineRowAvx2<Blend, Modulate, Separate, X8>(src, out, n, mod) : 0;
    CombineRowT<Blend, Modulate, Separate, X8>(src + done, out + done, n - done, mod);
}

// Over with one source of alpha a for a row: s a + 128 per channel (share) is added to each pixel's
// d (255 - a) and divided by 255 as Div255x16 does, the sums CombineFour makes. Eight pixels at a time
// with AVX2, then four with SSE2; returns how many it did.
__attribute__((target("avx2"))) int OverOneAvx2(__m128i share, __m128i rest, DWORD* out, int n, DWORD fill) {
    const __m256i s = _mm256_broadcastsi128_si256(share), r = _mm256_broadcastsi128_si256(rest);
    const __m256i zero = _mm256_setzero_si256(), m257 = _mm256_set1_epi16(257), f = _mm256_set1_epi32(int(fill));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i));
        const __m256i lo = _mm256_mulhi_epu16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(d, zero), r), s), m257);
        const __m256i hi = _mm256_mulhi_epu16(_mm256_add_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(d, zero), r), s), m257);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_or_si256(_mm256_packus_epi16(lo, hi), f));
    }
    return i;
}

int OverOne(__m128i share, __m128i rest, DWORD* out, int n, DWORD fill) {
    int i = Avx2() ? OverOneAvx2(share, rest, out, n, fill) : 0;
    const __m128i zero = _mm_setzero_si128(), m257 = _mm_set1_epi16(257), f = _mm_set1_epi32(int(fill));
    for (; i + 4 <= n; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i));
        const __m128i lo = _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), rest), share), m257);
        const __m128i hi = _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), rest), share), m257);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_or_si128(_mm_packus_epi16(lo, hi), f));
    }
    return i;
}

// CopyRow eight pixels at a time with AVX2; returns how many it did.
__attribute__((target("avx2"))) int OrRowAvx2(const DWORD* src, DWORD fill, DWORD* out, int n) {
    const __m256i f = _mm256_set1_epi32(int(fill));
    int i = 0;
    for (; i + 8 <= n; i += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i)), f));
    return i;
}

}  // namespace

void CopyRow(const Combine& c, const DWORD* src, DWORD force, DWORD* out, int n) {
    const DWORD fill = force | (c.targetX8 ? 0xFF000000u : 0u);
    if (!fill) {
        std::memcpy(out, src, size_t(n) * 4);
        return;
    }
    int i = Avx2() ? OrRowAvx2(src, fill, out, n) : 0;
    for (; i < n; ++i) out[i] = src[i] | fill;
}

void CombineOne(const Combine& c, DWORD src, DWORD colour, DWORD* out, int n) {
    if (c.blend != BlendClass::kOver || c.separateOneOne) {
        DWORD row[kChunk];
        std::fill(row, row + kChunk, src);
        for (int done = 0; done < n; done += kChunk) CombineRow(c, row, colour, out + done, std::min(kChunk, n - done));
        return;
    }
    // The source times the colour, as CombineRow works it out for each pixel.
    DWORD s = src;
    if (c.modColour || c.modAlpha) {
        Combine modulate = c;
        modulate.blend = BlendClass::kReplace;
        modulate.targetX8 = false;
        CombineRow(modulate, &src, colour, &s, 1);
    }
    const DWORD fill = c.targetX8 ? 0xFF000000u : 0u;
    const int a = int(s >> 24);
    if (a == 0) {  // d (255 - 0) / 255 = d
        if (fill)
            for (int i = 0; i < n; ++i) out[i] |= fill;
        return;
    }
    if (a == 255) {  // s 255 / 255 = s
        std::fill(out, out + n, s | fill);
        return;
    }
    const __m128i zero = _mm_setzero_si128();
    const __m128i channels = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(s)), zero);
    const __m128i share =
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi64(channels, channels), _mm_set1_epi16(short(a))),
                      _mm_set1_epi16(128));
    const __m128i rest = _mm_set1_epi16(short(255 - a));
    int i = OverOne(share, rest, out, n, fill);
    // The last one to three pixels through four.
    if (i < n) {
        DWORD four[4] = {};
        std::copy(out + i, out + n, four);
        OverOne(share, rest, four, 4, fill);
        std::copy(four, four + (n - i), out + i);
    }
}

void CombineRow(const Combine& f, const DWORD* src, DWORD colour, DWORD* out, int n) {
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
        case BlendClass::kReplace: MARLOWE_COMBINE_M(BlendClass::kReplace); break;
        case BlendClass::kOver: MARLOWE_COMBINE_M(BlendClass::kOver); break;
        case BlendClass::kAdd: MARLOWE_COMBINE_M(BlendClass::kAdd); break;
    }
#undef MARLOWE_COMBINE_M
#undef MARLOWE_COMBINE_S
#undef MARLOWE_COMBINE_X
#undef MARLOWE_COMBINE
}

}  // namespace d3d9
