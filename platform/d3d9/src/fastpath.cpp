// The fast paths: the draws most pixels come from (textured quads with a constant colour, point
// sampled or bilinear, and flat colour), planned once per draw, with per-row decisions and texel
// column tables shared by a triangle's rows, writing through the row combiner.
#include "fastpath.h"

#include <emmintrin.h>
#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "depth.h"
#include "sampler.h"
#include "spanshader.h"

namespace d3d9 {
namespace {

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

// The texture times the colour, where the stage modulates.
inline DWORD Modulate(const FastPlan& f, DWORD texel, DWORD colour) {
    int a = int(texel >> 24), r = int((texel >> 16) & 255), g = int((texel >> 8) & 255), b = int(texel & 255);
    if (f.combine.modColour) {
        r = Div255(r * int((colour >> 16) & 255));
        g = Div255(g * int((colour >> 8) & 255));
        b = Div255(b * int(colour & 255));
    }
    if (f.combine.modAlpha) a = Div255(a * int(colour >> 24));
    return Pack(a, r, g, b);
}

// The comparison of the depth and alpha tests in 32-bit lanes (AVX2), unsigned: all bits set where
// the new value a passes against the reference b.
__attribute__((target("avx2"), always_inline)) inline __m256i CompareLanes(DWORD func, __m256i a, __m256i b) {
    const __m256i flip = _mm256_set1_epi32(int(0x80000000u)), all = _mm256_set1_epi32(-1);
    a = _mm256_xor_si256(a, flip);
    b = _mm256_xor_si256(b, flip);
    switch (func) {
        case D3DCMP_NEVER: return _mm256_setzero_si256();
        case D3DCMP_LESS: return _mm256_cmpgt_epi32(b, a);
        case D3DCMP_EQUAL: return _mm256_cmpeq_epi32(a, b);
        case D3DCMP_LESSEQUAL: return _mm256_xor_si256(_mm256_cmpgt_epi32(a, b), all);
        case D3DCMP_GREATER: return _mm256_cmpgt_epi32(a, b);
        case D3DCMP_NOTEQUAL: return _mm256_xor_si256(_mm256_cmpeq_epi32(a, b), all);
        case D3DCMP_GREATEREQUAL: return _mm256_xor_si256(_mm256_cmpgt_epi32(b, a), all);
        default: return all;
    }
}

// The depth and alpha tests of one pixel: the depth it would store and whether it passes. alphaScale
// is the colour's alpha that the texel's alpha is multiplied by first, or -1 for none.
inline bool TestPixel(const FastPlan& f, const Triangle& t, const DepthRow& depth, int x, int y, DWORD texel,
                      int alphaScale, unsigned& z) {
    bool pass = true;
    if (f.depthTest) {
        z = depth.Value(t.z.At(x, y));
        pass = Compare(f.depthFunc, z, depth.Load(x));
    }
    if (f.alphaTest) {
        unsigned a = texel >> 24;
        if (alphaScale >= 0) a = unsigned(Div255(int(a) * alphaScale));
        pass = pass && Compare(f.alphaFunc, a, f.alphaRef);
    }
    return pass;
}

// Stores the depths z of eight pixels from x where mask is set (all bits or none per pixel), in either
// cell size; cells whose mask is clear keep what they held.
__attribute__((target("avx2"), always_inline)) inline void StoreDepthEight(const DepthRow& depth, int x, __m256i z,
                                                                           __m256i mask) {
    if (!depth.Sixteen()) {
        _mm256_maskstore_epi32(reinterpret_cast<int*>(depth.Cells()) + x, mask, z);
        return;
    }
    __m128i* at = reinterpret_cast<__m128i*>(depth.Cells() + size_t(x) * 2);
    const __m128i packed = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi32(z, z), 0x08));
    const __m128i keep = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packs_epi32(mask, mask), 0x08));
    _mm_storeu_si128(at, _mm_blendv_epi8(_mm_loadu_si128(at), packed, keep));
}

// TestPixel for pixels x .. x + m - 1 eight at a time (AVX2), the last one to seven through masked
// lanes, with the same arithmetic: the depth plane's sum in double lanes rounded to float, clamped and
// scaled as DepthValue does (worked out once where the plane is level along the row, as a flat 2-D
// picture's is), and the alpha product divided by 255 with rounding as Div255 does, in 16-bit lanes.
// Writes the depths and a pass mask (all bits or none) per pixel, in arrays of whole groups of eight;
// returns how many passed. With store set, each whole group's passing pixels also store their depths
// as the group is tested (the last one to seven are left to the caller). DepthFunc and AlphaFunc name
// the comparisons where they are known when compiling (0: the plan's).
template <DWORD DepthFunc, DWORD AlphaFunc>
__attribute__((target("avx2"))) int TestLanesOf(const FastPlan& f, const Triangle& t, const DepthRow& depth, int x,
                                                int y, int m, const DWORD* texels, int alphaScale, bool store,
                                                unsigned* zval, int32_t* pass) {
    const DWORD depthFunc = DepthFunc ? DepthFunc : f.depthFunc, alphaFunc = AlphaFunc ? AlphaFunc : f.alphaFunc;
    const __m256d base = _mm256_set1_pd(t.z.base), dx = _mm256_set1_pd(t.z.dx), dyy = _mm256_set1_pd(t.z.dy * y);
    const __m256d one = _mm256_set1_pd(1.0), zero = _mm256_setzero_pd(), half = _mm256_set1_pd(0.5);
    const __m256d scale = _mm256_set1_pd(depth.Sixteen() ? 65535.0 : 16777215.0);
    const __m128i steps = _mm_setr_epi32(0, 1, 2, 3);
    const bool level = t.z.dx == 0.0;
    const __m256i levelZ = _mm256_set1_epi32(f.depthTest && level ? int(depth.Value(t.z.At(x, y))) : 0);
    int passed = 0;
    for (int i = 0; i < m; i += 8) {
        const bool whole = i + 8 <= m;
        const __m256i lanes = whole ? _mm256_set1_epi32(-1) : TailMask(m - i);
        __m256i ok = lanes, z = levelZ;
        if (f.depthTest) {
            if (!level) {
                __m128i halves[2];
                for (int k = 0; k < 2; ++k) {
                    const __m256d at = _mm256_cvtepi32_pd(_mm_add_epi32(_mm_set1_epi32(x + i + 4 * k), steps));
                    __m256d d = _mm256_add_pd(_mm256_add_pd(base, _mm256_mul_pd(dx, at)), dyy);
                    d = _mm256_cvtps_pd(_mm256_cvtpd_ps(d));
                    d = _mm256_and_pd(_mm256_min_pd(d, one), _mm256_cmp_pd(d, zero, _CMP_GT_OQ));
                    halves[k] = _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_mul_pd(d, scale), half));
                }
                z = _mm256_inserti128_si256(_mm256_castsi128_si256(halves[0]), halves[1], 1);
            }
            const BYTE* cells = depth.Cells() + size_t(x + i) * (depth.Sixteen() ? 2 : 4);
            __m256i stored;
            if (depth.Sixteen()) {
                // Eight cells at once where the row has them (those past the run are left out by the
                // lanes' mask); at its right end through a copy.
                __m128i eight = _mm_setzero_si128();
                if (x + i + 8 <= depth.Width())
                    eight = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells));
                else
                    std::memcpy(&eight, cells, size_t(m - i) * 2);
                stored = _mm256_cvtepu16_epi32(eight);
            } else {
                stored = _mm256_maskload_epi32(reinterpret_cast<const int*>(cells), lanes);
            }
            ok = _mm256_and_si256(ok, CompareLanes(depthFunc, z, stored));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(zval + i), z);
        }
        if (f.alphaTest) {
            __m256i a = _mm256_srli_epi32(_mm256_maskload_epi32(reinterpret_cast<const int*>(texels + i), lanes), 24);
            if (alphaScale >= 0) {
                // a scale is at most 255 * 255, so it and the rounding sum fit the low 16 bits of each lane.
                const __m256i product = _mm256_mullo_epi16(a, _mm256_set1_epi32(alphaScale));
                a = _mm256_mulhi_epu16(_mm256_add_epi32(product, _mm256_set1_epi32(128)), _mm256_set1_epi32(257));
            }
            ok = _mm256_and_si256(ok, CompareLanes(alphaFunc, a, _mm256_set1_epi32(int(f.alphaRef))));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pass + i), ok);
        if (store && whole) StoreDepthEight(depth, x + i, z, ok);
        passed += __builtin_popcount(unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(ok))));
    }
    return passed;
}

// TestLanesOf with the comparisons of a Puppet part (depth less or equal, alpha greater) worked out
// when compiling, others at each group.
int TestLanes(const FastPlan& f, const Triangle& t, const DepthRow& depth, int x, int y, int m, const DWORD* texels,
              int alphaScale, bool store, unsigned* zval, int32_t* pass) {
    if (f.depthFunc == D3DCMP_LESSEQUAL && f.alphaFunc == D3DCMP_GREATER)
        return TestLanesOf<D3DCMP_LESSEQUAL, D3DCMP_GREATER>(f, t, depth, x, y, m, texels, alphaScale, store, zval,
                                                             pass);
    return TestLanesOf<0, 0>(f, t, depth, x, y, m, texels, alphaScale, store, zval, pass);
}

// Stores the blended pixels of m pixels whose tests passed, eight at a time (AVX2); returns how many
// it did.
__attribute__((target("avx2"))) int StoreLanes(const int32_t* pass, const DWORD* mixed, DWORD* out, int m) {
    int i = 0;
    for (; i + 8 <= m; i += 8)
        _mm256_maskstore_epi32(reinterpret_cast<int*>(out + i),
                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pass + i)),
                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(mixed + i)));
    return i;
}

// Writes m (at most kRun) shaded pixels from x on row y where the depth and alpha tests pass: each
// texel times the colour where the stage modulates (unless gouraud has coloured it already), blended
// over the target, and its depth stored where the draw writes depth.
constexpr int kRun = 2 * kChunk;
void WriteTested(const PixelState& st, const FastPlan& f, const Triangle& t, int x, int y, int m, const DWORD* texels,
                 DWORD colour, bool gouraud) {
    Combine blendOnly = f.combine;
    if (gouraud) blendOnly.modColour = blendOnly.modAlpha = false;
    DWORD* out = reinterpret_cast<DWORD*>(st.target->Bits() + size_t(y) * st.target->Pitch()) + x;
    const DepthRow depth(f.depthTest ? st.depth : nullptr, y);
    const int alphaScale = f.combine.modAlpha && !gouraud ? int(colour >> 24) : -1;
    DWORD mixed[kRun];
    unsigned zval[kRun];
    int32_t pass[kRun];
    const bool depthWrite = f.depthWrite && f.depthTest;
    int passed = 0;
    if (Avx2()) {
        passed = TestLanes(f, t, depth, x, y, m, texels, alphaScale, depthWrite, zval, pass);
    } else {
        for (int i = 0; i < m; ++i) {
            pass[i] = TestPixel(f, t, depth, x + i, y, texels[i], alphaScale, zval[i]) ? -1 : 0;
            passed -= pass[i];
        }
    }
    if (passed == 0) return;
    // Where every pixel passes, the blend goes straight into the row.
    const bool every = passed == m;
    if (every) {
        CombineRow(blendOnly, texels, colour, out, m);
    } else {
        std::memcpy(mixed, out, size_t(m) * 4);
        CombineRow(blendOnly, texels, colour, mixed, m);
        int i = Avx2() ? StoreLanes(pass, mixed, out, m) : 0;
        for (; i < m; ++i)
            if (pass[i]) out[i] = mixed[i];
    }
    if (!depthWrite) return;
    // The lanes stored the depths of whole groups of eight as they tested them.
    for (int i = Avx2() ? m & ~7 : 0; i < m; ++i)
        if (pass[i]) depth.Store(x + i, zval[i]);
}

// Any triangle: texture coordinates, depth and the alpha test per pixel as the general path takes
// them, the texture-times-colour and the blend in CombineRow.
// With gouraud set the vertex colour varies over the triangle: each pixel's colour is interpolated and
// applied here, and CombineRow only blends.
void SampledSpan(const PixelState& st, const FastPlan& f, const Triangle& t, int y, int x0, int x1, DWORD colour,
                 bool gouraud) {
    Combine blendOnly = f.combine;
    if (gouraud) blendOnly.modColour = blendOnly.modAlpha = false;
    const Plane& pu = t.attr[kAttrTex + 4 * f.set];
    const Plane& pv = t.attr[kAttrTex + 4 * f.set + 1];
    DWORD* row = reinterpret_cast<DWORD*>(st.target->Bits() + size_t(y) * st.target->Pitch());
    const std::optional<Sampler> sampler =
        f.kind == FastKind::kFlat ? std::nullopt : std::optional<Sampler>(std::in_place, *f.tex, st.samp[0]);
    // Without tests every pixel is written: the blend goes straight into the row.
    const bool tests = f.depthTest || f.alphaTest;
    // Runs of up to kRun pixels: a span is usually taken in one, whatever blocks it crosses.
    DWORD texels[kRun], colours[kRun];
    float w[kRun], us[kRun], vs[kRun], channel[4][kRun];
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
                colours[i] =
                    Pack(ToByte(channel[3][i]), ToByte(channel[0][i]), ToByte(channel[1][i]), ToByte(channel[2][i]));
            colour = colours[m - 1];
        }
        if (f.kind == FastKind::kFlat) {
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
        if (tests)
            WriteTested(st, f, t, cx, y, m, texels, colour, gouraud);
        else
            CombineRow(blendOnly, texels, colour, row + cx, m);
        cx += m;
    }
}

// Two pixels of the step across x of the bilinear fast path, in the two halves of the result.
__attribute__((target("avx2"))) inline __m256i BilinearTwo(const uint16_t* a, const uint16_t* b,
                                                           const ColumnTable::Weights* weights) {
    const __m256i pair =
        _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a))),
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

// The vertical step of the bilinear fast path, a * (256 - fy) + b * fy per channel in 16-bit lanes
// for columns c .. last of texel rows a and b (ORed with force), four columns at a time with AVX2;
// returns the column it got to.
__attribute__((target("avx2"))) int BlendRowsAvx2(const DWORD* a, const DWORD* b, DWORD force, int fy, int c,
                                                  int last, uint16_t* out) {
    const __m128i forceV = _mm_set1_epi32(int(force));
    const __m256i w0 = _mm256_set1_epi16(short(kSub - fy)), w1 = _mm256_set1_epi16(short(fy));
    for (; c + 4 <= last + 1; c += 4, out += 16) {
        const __m256i top =
            _mm256_cvtepu8_epi16(_mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + c)), forceV));
        const __m256i bottom =
            _mm256_cvtepu8_epi16(_mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + c)), forceV));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                            _mm256_add_epi16(_mm256_mullo_epi16(top, w0), _mm256_mullo_epi16(bottom, w1)));
    }
    return c;
}

// TexelPosition((u * w - shift) * kSub) of n values u four at a time (AVX2), for as long as they lie
// near the texture (where the address mode plays no part): the same double arithmetic, rounded with
// halves going up by flooring x + 0.5; returns how many it did.
__attribute__((target("avx2"))) int TexelPositionsAvx2(const float* u, int n, int w, double shift, int64_t* out) {
    const __m256d width = _mm256_set1_pd(double(w)), less = _mm256_set1_pd(shift), sub = _mm256_set1_pd(double(kSub));
    const __m256d half = _mm256_set1_pd(0.5), far = _mm256_set1_pd(double(int64_t(1) << 36));
    const __m256d magnitude = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7FFFFFFFFFFFFFFF));
    // Adding 1.5 * 2^52 puts a whole number below 2^51 in the low bits of the double's own bits.
    const __m256d magic = _mm256_set1_pd(6755399441055744.0);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m256d x = _mm256_mul_pd(_mm256_sub_pd(_mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(u + i)), width), less), sub);
        if (_mm256_movemask_pd(_mm256_cmp_pd(_mm256_and_pd(x, magnitude), far, _CMP_LT_OQ)) != 0xF) break;
        const __m256d whole = _mm256_round_pd(_mm256_add_pd(x, half), _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_sub_epi64(_mm256_castpd_si256(_mm256_add_pd(whole, magic)), _mm256_castpd_si256(magic)));
    }
    return i;
}

// Column tables made so far, numbering them.
std::atomic<uint64_t> g_tables{0};

}  // namespace

bool TakesColumns(const FastPlan& f, const Triangle& t) {
    return (f.kind == FastKind::kPoint || f.kind == FastKind::kBilinear) && AlongRows(t, f.set) && f.aligned &&
           (f.kind == FastKind::kBilinear || (!f.depthTest && !f.alphaTest));
}

void Renumber(ColumnTable& table) { table.serial = ++g_tables; }

void MakeColumnTable(ColumnTable& table, int xmin, int xmax, FastKind kind, const Plane& pu, int y, int w, DWORD mode) {
    table.xmin = xmin;
    table.xmax = xmax;
    const int n = xmax - xmin + 1;
    table.U.resize(size_t(n));
    thread_local std::vector<float> u;
    u.resize(size_t(n));
    AttrRun(pu, xmin, y, n, u.data());
    const double shift = kind == FastKind::kBilinear ? 0.5 : 0.0;
    int i = Avx2() ? TexelPositionsAvx2(u.data(), n, w, shift, table.U.data()) : 0;
    for (; i < n; ++i) table.U[size_t(i)] = TexelPosition((double(u[size_t(i)]) * w - shift) * kSub, w, mode);
    if (kind == FastKind::kBilinear) {
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
    table.offset = int(table.U[0] >> 8) - xmin;  // kSub = 256: >> 8 floors
    table.straight = true;
    for (int x = xmin; x <= xmax; ++x) table.straight &= (table.U[size_t(x - xmin)] >> 8) == x + table.offset;
    table.serial = ++g_tables;
    if (kind == FastKind::kPoint && !table.straight) {
        table.column.resize(table.U.size());
        table.inside = true;
        for (size_t i = 0; i < table.U.size(); ++i) {
            const int64_t c = table.U[i] >> 8;
            table.inside &= c >= 0 && c < w;
            table.column[i] = int(std::clamp<int64_t>(c, -1, w));
        }
    }
}

BilinearRow::BilinearRow(const Surface& tex, bool texX8, int64_t V, const ColumnTable& table, int x0, int x1)
    : left_(table.left.data() + (x0 - table.xmin)), weights_(table.weights.data() + (x0 - table.xmin)) {
    // The rows blended first: (c0 (256 - fy) + c1 fy) then across x, which adds up the same four
    // products as Sampler::At does.
    const int w = int(tex.Desc().Width), h = int(tex.Desc().Height);
    const DWORD force = texX8 ? 0xFF000000u : 0u;
    const int fy = int(V & (kSub - 1));
    const int y0 = int(FloorDiv(V, kSub));
    const int ya = std::clamp(y0, 0, h - 1), yb = std::clamp(y0 + 1, 0, h - 1);
    const DWORD* rowA = reinterpret_cast<const DWORD*>(tex.Bits() + size_t(ya) * tex.Pitch());
    const DWORD* rowB = reinterpret_cast<const DWORD*>(tex.Bits() + size_t(yb) * tex.Pitch());
    first_ = table.left[size_t(x0 - table.xmin)];
    const int last = std::min(w - 1, table.left[size_t(x1 - table.xmin)] + 1);
    thread_local std::vector<uint16_t> blended;
    blended.resize(size_t(last - first_ + 2) * 4 + 8);
    uint16_t* vrow = blended.data();
    vrow_ = vrow;
    const __m128i zero = _mm_setzero_si128();
    const __m128i forceV = _mm_set1_epi32(int(force));
    const __m128i w0 = _mm_set1_epi16(short(kSub - fy)), w1 = _mm_set1_epi16(short(fy));
    int c = Avx2() ? BlendRowsAvx2(rowA, rowB, force, fy, first_, last, vrow) : first_;
    for (; c + 2 <= last + 1; c += 2) {
        __m128i a =
            _mm_unpacklo_epi8(_mm_or_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rowA + c)), forceV), zero);
        __m128i b =
            _mm_unpacklo_epi8(_mm_or_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(rowB + c)), forceV), zero);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(vrow + size_t(c - first_) * 4),
                         _mm_add_epi16(_mm_mullo_epi16(a, w0), _mm_mullo_epi16(b, w1)));
    }
    for (; c <= last; ++c)
        for (int k = 0; k < 4; ++k)
            vrow[size_t(c - first_) * 4 + size_t(k)] =
                uint16_t(int(((rowA[c] | force) >> (8 * k)) & 255) * (kSub - fy) +
                         int(((rowB[c] | force) >> (8 * k)) & 255) * fy);
}

void BilinearRow::Across(int done, int m, DWORD* dst, DWORD opaque) const {
    // (left (256 - fx) + right fx + 32768) >> 16 in 32-bit lanes, four pixels packed together.
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(32768);
    const __m128i fill = _mm_set1_epi32(int(opaque));
    const int* left = left_;
    const ColumnTable::Weights* weights = weights_;
    auto pixel = [&](int i) {
        const __m128i pair = _mm_loadu_si128(reinterpret_cast<const __m128i*>(vrow_ + size_t(left[i] - first_) * 4));
        const __m128i wx = weights[i].v;
        const __m128i lo = _mm_mullo_epi16(pair, wx), hi = _mm_mulhi_epu16(pair, wx);
        return _mm_srli_epi32(
            _mm_add_epi32(_mm_add_epi32(_mm_unpacklo_epi16(lo, hi), _mm_unpackhi_epi16(lo, hi)), half), 16);
    };
    int i = Avx2() ? BilinearAcrossAvx2(vrow_, first_, left + done, weights + done, dst, m, opaque) : 0;
    for (; i + 4 <= m; i += 4) {
        const int at = done + i;
        const __m128i p =
            _mm_packus_epi16(_mm_packs_epi32(pixel(at), pixel(at + 1)), _mm_packs_epi32(pixel(at + 2), pixel(at + 3)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(p, fill));
    }
    for (; i < m; ++i)
        dst[i] = DWORD(
            _mm_cvtsi128_si32(_mm_or_si128(_mm_packus_epi16(_mm_packs_epi32(pixel(done + i), zero), zero), fill)));
}

FastPlan PlanFast(const PixelState& st) {
    FastPlan f;
    const DWORD* rs = st.rs;
    const DWORD* t0 = st.tss[0];
    const Surface* tex = st.textures[0];
    if (st.pixelShader) return f;
    // Later stages must change nothing: disabled, or reading a texture they do not have (such a stage
    // passes its input on).
    for (uint32_t s = 1; s < kTextureStageCount && st.tss[s][D3DTSS_COLOROP] != D3DTOP_DISABLE; ++s)
        if (st.textures[s] || !StageReadsTexture(st.tss[s])) return f;
    bool flat = false;  // no texture: the vertex colour alone
    if (!tex) {
        // Stage 0 without its texture passes the colour on (or is disabled): the result is the colour.
        flat = t0[D3DTSS_COLOROP] == D3DTOP_DISABLE || StageReadsTexture(t0);
        if (!flat) return f;
    } else {
        if (tex->Desc().Format != D3DFMT_A8R8G8B8 && tex->Desc().Format != D3DFMT_X8R8G8B8) return f;
        DWORD colourSource = D3DTA_DIFFUSE, alphaSource = D3DTA_DIFFUSE;
        if (!TextureTimesColour(t0[D3DTSS_COLOROP], t0[D3DTSS_COLORARG1], t0[D3DTSS_COLORARG2], f.combine.modColour,
                                colourSource) ||
            !TextureTimesColour(t0[D3DTSS_ALPHAOP], t0[D3DTSS_ALPHAARG1], t0[D3DTSS_ALPHAARG2], f.combine.modAlpha,
                                alphaSource))
            return f;
        if (f.combine.modColour && f.combine.modAlpha && colourSource != alphaSource) return f;
        f.factorColour = (f.combine.modColour ? colourSource : alphaSource) == D3DTA_TFACTOR;
    }
    if (!ClassifyWrite(st, f.combine)) return f;
    if (st.depth && rs[D3DRS_ZENABLE] != D3DZB_FALSE) {
        f.depthTest = true;
        f.depthWrite = rs[D3DRS_ZWRITEENABLE] != 0;
        f.depthFunc = rs[D3DRS_ZFUNC];
    }
    if (rs[D3DRS_ALPHATESTENABLE] && rs[D3DRS_ALPHAFUNC] != D3DCMP_ALWAYS) {
        f.alphaTest = true;
        f.alphaFunc = rs[D3DRS_ALPHAFUNC];
        f.alphaRef = rs[D3DRS_ALPHAREF] & 255;
        // With these blends a texel of alpha 0 leaves the colour as it was, so "alpha > 0" changes no
        // colour; it still keeps such pixels out of the depth buffer.
        if (f.combine.blend != BlendClass::kReplace && !f.depthWrite && f.alphaFunc == D3DCMP_GREATER &&
            f.alphaRef == 0)
            f.alphaTest = false;
    }
    if (flat) {
        f.kind = FastKind::kFlat;
        return f;
    }
    const DWORD* samp = st.samp[0];
    bool linear = samp[D3DSAMP_MAGFILTER] == D3DTEXF_LINEAR || samp[D3DSAMP_MAGFILTER] == D3DTEXF_ANISOTROPIC;
    f.aligned = !linear || (samp[D3DSAMP_ADDRESSU] == D3DTADDRESS_CLAMP && samp[D3DSAMP_ADDRESSV] == D3DTADDRESS_CLAMP);
    f.kind = linear ? FastKind::kBilinear : FastKind::kPoint;
    f.set = int(t0[D3DTSS_TEXCOORDINDEX] & 7);
    f.tex = tex;
    f.texX8 = tex->Desc().Format == D3DFMT_X8R8G8B8;
    return f;
}

void TriangleColour(const PixelState& st, const FastPlan& f, const Triangle& t, FastTriangle& ft) {
    ft.colour = 0xFFFFFFFFu;
    ft.gouraud = false;
    if (f.factorColour) {
        ft.colour = st.rs[D3DRS_TEXTUREFACTOR];
        return;
    }
    if (!f.combine.modColour && !f.combine.modAlpha && f.kind != FastKind::kFlat) return;
    int c[4];
    for (int k = 0; k < 4; ++k) {
        const Plane& p = t.attr[kAttrDiffuse + k];
        if (p.dx != 0.0 || p.dy != 0.0) {
            ft.gouraud = true;
            return;
        }
        c[k] = ToByte(float(p.base));
    }
    ft.colour = Pack(c[3], c[0], c[1], c[2]);
}

bool FastSpan(const PixelState& st, const FastPlan& f, const Triangle& t, const FastTriangle& ft, int y, int x0, int x1) {
    if (ft.gouraud) {
        SampledSpan(st, f, t, y, x0, x1, 0xFFFFFFFFu, true);
        return true;
    }
    const DWORD colour = ft.colour;
    ColumnTable* const columns = ft.table;
    if (f.kind == FastKind::kFlat && !f.depthTest && !f.alphaTest) {
        DWORD* out = reinterpret_cast<DWORD*>(st.target->Bits() + size_t(y) * st.target->Pitch()) + x0;
        CombineOne(f.combine, colour, colour, out, x1 - x0 + 1);
        return true;
    }
    if (!columns) {  // the triangle does not take columns
        SampledSpan(st, f, t, y, x0, x1, colour, false);
        return true;
    }
    ColumnTable& table = *columns;
    const Plane& pu = t.attr[kAttrTex + 4 * f.set];
    const Plane& pv = t.attr[kAttrTex + 4 * f.set + 1];
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
        MakeColumnTable(table, table.xmin, table.xmax, f.kind, pu, y, w, st.samp[0][D3DSAMP_ADDRESSU]);
        table.state.store(ColumnTable::kMade, std::memory_order_release);
    }
    const int64_t* U = table.U.data() + (x0 - table.xmin);
    if (f.kind == FastKind::kPoint) {
        const int ty = int(FloorDiv(TexelPosition(double(v) * h * kSub, h, st.samp[0][D3DSAMP_ADDRESSV]), kSub));
        const int tx0 = int(FloorDiv(U[0], kSub)), tx1 = int(FloorDiv(U[n - 1], kSub));
        if (ty < 0 || ty >= h || tx0 < 0 || tx0 >= w || tx1 < 0 || tx1 >= w) return false;
        const DWORD* src = reinterpret_cast<const DWORD*>(tex.Bits() + size_t(ty) * tex.Pitch());
        DWORD texels[kChunk];
        if (table.straight) {  // one texel per pixel: the columns follow each other
            src += tx0;
            // A 1:1 copy (a render target's picture drawn onto the back buffer) needs no arithmetic.
            if (CopiesSource(f.combine, colour, force)) {
                CopyRow(f.combine, src, force, out, n);
                return true;
            }
            if (!force) {
                CombineRow(f.combine, src, colour, out, n);
                return true;
            }
            for (int done = 0; done < n; done += kChunk) {
                const int m = std::min(kChunk, n - done);
                for (int i = 0; i < m; ++i) texels[i] = src[done + i] | force;
                CombineRow(f.combine, texels, colour, out + done, m);
            }
            return true;
        }
        // A texture stretched over more rows than it has reads one texel row for many pixel rows in
        // turn: each thread keeps the last row of texels it read. A triangle's rows start and end at
        // other columns along its slanted edges, so once a texel row is asked for a second time it is
        // kept for all the triangle's columns (when they all lie in the texture).
        struct Kept {
            uint64_t serial = 0;
            int ty = 0, x0 = 0, x1 = -1;
            std::vector<DWORD> texels;
            bool uniform = false;  // every texel the same (a panel of one colour)
        };
        thread_local Kept kept;
        if (kept.serial != table.serial || kept.ty != ty || x0 < kept.x0 || x1 > kept.x1) {
            const bool whole = kept.serial == table.serial && kept.ty == ty && table.inside;
            const int from = whole ? table.xmin : x0, to = whole ? table.xmax : x1;
            const int* column = table.column.data() + (from - table.xmin);
            const int count = to - from + 1;
            if (!table.inside)
                for (int i = 0; i < count; ++i)
                    if (column[i] < 0 || column[i] >= w) return false;
            kept.texels.resize(size_t(count));
            bool uniform = true;
            for (int i = 0; i < count; ++i) {
                kept.texels[size_t(i)] = src[column[i]] | force;
                uniform &= kept.texels[size_t(i)] == kept.texels[0];
            }
            kept = Kept{table.serial, ty, from, to, std::move(kept.texels), uniform};
        }
        if (kept.uniform)
            CombineOne(f.combine, kept.texels[0], colour, out, n);
        else if (CopiesSource(f.combine, colour, force))
            CopyRow(f.combine, kept.texels.data() + (x0 - kept.x0), force, out, n);
        else
            CombineRow(f.combine, kept.texels.data() + (x0 - kept.x0), colour, out, n);
        return true;
    }
    // Bilinear with clamping. Without blend or colour the result goes straight into the target.
    const BilinearRow row(tex, f.texX8, TexelPosition((double(v) * h - 0.5) * kSub, h, st.samp[0][D3DSAMP_ADDRESSV]),
                          table, x0, x1);
    if (f.depthTest || f.alphaTest) {
        DWORD texels[kRun];
        for (int done = 0; done < n; done += kRun) {
            const int m = std::min(kRun, n - done);
            row.Across(done, m, texels, 0u);
            WriteTested(st, f, t, x0 + done, y, m, texels, colour, false);
        }
        return true;
    }
    const bool plain = f.combine.blend == BlendClass::kReplace &&
                       ((!f.combine.modColour && !f.combine.modAlpha) || colour == 0xFFFFFFFFu);
    DWORD texels[kChunk];
    for (int done = 0; done < n; done += kChunk) {
        const int m = std::min(kChunk, n - done);
        DWORD* dst = plain ? out + done : texels;
        row.Across(done, m, dst, plain && f.combine.targetX8 ? 0xFF000000u : 0u);
        if (!plain) CombineRow(f.combine, texels, colour, out + done, m);
    }
    return true;
}

}  // namespace d3d9
