// The general span shader: attributes per pixel (perspective-correct), the texture-stage cascade or
// the draw's pixel program over blocks of pixels, then the alpha test, depth, blend and the write in
// the target's format. It is the reference every shortcut matches; blends with a class go through the
// row combiner, which is the same arithmetic.
#include "spanshader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "depth.h"
#include "fastpath.h"
#include "formats.h"
#include "sampler.h"

namespace d3d9 {

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

namespace {

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

}  // namespace

void TriangleSamples::Prepare(const PixelState& st, const PixelProgram& program, const Triangle& t) {
    count_ = 0;
    xmin_ = t.xmin;
    // The set runs along the rows, and the sampler filters by point or bilinearly with clamping (or
    // the stage has no texture).
    auto takesColumns = [&](int stage, int set) {
        if (set < 0 || !VectorLanes() || !AlongRows(t, set)) return false;
        if (!st.textures[stage]) return true;
        const Sampler sampler(*st.textures[stage], st.samp[stage]);
        return sampler.Point() || sampler.ClampedBilinear();
    };
    allColumns_ = true;
    program.EachSample([&](int stage, int set) {
        const Surface* texture = st.textures[stage];
        const bool columns = takesColumns(stage, set);
        allColumns_ &= columns;
        // A stage with no texture gives opaque black whatever its coordinates.
        if ((!columns && texture) || Find(stage, set)) return true;
        if (count_ == samples_.size()) samples_.emplace_back();
        Sample& s = samples_[count_++];
        s.stage = stage;
        s.set = set;
        s.texture = texture;
        s.sampler.reset();
        if (!texture) return true;
        s.v = t.attr[kAttrTex + 4 * set + 1];
        s.sampler.emplace(*texture, st.samp[stage]);
        const Plane& pu = t.attr[kAttrTex + 4 * set];
        const int width = int(texture->Desc().Width);
        if (s.u.base == pu.base && s.u.dx == pu.dx && s.xmin == t.xmin && s.xmax == t.xmax && s.width == width &&
            s.modeU == s.sampler->ModeU() && s.point == s.sampler->Point())
            return true;
        s.u = pu;
        s.xmin = t.xmin;
        s.xmax = t.xmax;
        s.width = width;
        s.modeU = s.sampler->ModeU();
        s.point = s.sampler->Point();
        if (s.point) {
            const size_t n = size_t(t.xmax - t.xmin + 1);
            std::vector<float> u(n);
            AttrRun(pu, t.xmin, t.ymin, int(n), u.data());
            s.column.resize(n);
            s.straight = true;
            for (size_t i = 0; i < n; ++i) {
                s.column[i] = s.sampler->ColumnOf(u[i]);
                s.straight &= s.column[0] >= 0 && s.column[i] == s.column[0] + int(i);
            }
        } else {
            if (!s.table) s.table = std::make_unique<ColumnTable>();
            MakeColumnTable(*s.table, t.xmin, t.xmax, FastKind::kBilinear, pu, t.ymin, width, D3DTADDRESS_CLAMP);
        }
        return true;
    });
}

const TriangleSamples::Sample* TriangleSamples::Find(int stage, int set) const {
    for (size_t i = 0; i < count_; ++i)
        if (samples_[i].stage == stage && samples_[i].set == set) return &samples_[i];
    return nullptr;
}

const DWORD* TriangleSamples::Row(int stage, int set, int x, int y, int count, DWORD* out) const {
    const Sample& s = *Find(stage, set);
    if (!s.texture) {
        std::fill(out, out + count, 0xFF000000u);
        return out;
    }
    const Sampler& sampler = *s.sampler;
    const float along = AttrAt(s.v, x, y);
    if (sampler.Point()) {
        const int* first = s.column.data() + (x - xmin_);
        const int row = sampler.RowOf(along);
        if (const DWORD* texels = sampler.InPlace(row, first, s.straight)) return texels;
        sampler.Gather(row, first, s.straight, count, out);
        return out;
    }
    const int h = int(s.texture->Desc().Height);
    const BilinearRow row(*s.texture, s.texture->Desc().Format == D3DFMT_X8R8G8B8,
                          TexelPosition((double(along) * h - 0.5) * kSub, h, D3DTADDRESS_CLAMP), *s.table, x,
                          x + count - 1);
    row.Across(0, count, out, 0);
    return out;
}

void ShadeSpan(const PixelState& st, const Usage& use, const Combine* writer, const PixelProgram* program,
               const TriangleSamples* samples, const Triangle& t, int y, int x0, int x1) {
    Surface& target = *st.target;
    const DWORD* rs = st.rs;
    const bool zTest = st.depth && rs[D3DRS_ZENABLE] != D3DZB_FALSE;
    const bool zWrite = zTest && rs[D3DRS_ZWRITEENABLE];
    const bool alphaTest = rs[D3DRS_ALPHATESTENABLE] != 0;
    const bool everyPixel = !zTest && !alphaTest && !(program && program->Kills());
    BYTE* row = target.Bits() + size_t(y) * target.Pitch();

    // A program whose colours come from its samples alone, every sample through texel columns, blended
    // by the row combiner with no test: whole runs of the row at a time, no coordinates made.
    if (program && writer && everyPixel && program->SamplesOnly() && samples->AllColumns()) {
        constexpr int kRun = 1024;
        DWORD colour[kRun];
        // The sampler reaches the run through one reference, which std::function holds without
        // allocating.
        struct {
            const TriangleSamples& samples;
            int x, y;
        } run{*samples, x0, y};
        for (; run.x <= x1; run.x += kRun) {
            const int cx = run.x, n = std::min(kRun, x1 - cx + 1);
            program->RunRow(n, [&run](int stage, int set, int count, DWORD* buffer) {
                return run.samples.Row(stage, set, run.x, run.y, count, buffer);
            }, colour);
            CombineRow(*writer, colour, 0xFFFFFFFFu, reinterpret_cast<DWORD*>(row) + cx, n);
        }
        return;
    }

    const bool blend = rs[D3DRS_ALPHABLENDENABLE] != 0;
    const DWORD writeMask =
        (rs[D3DRS_COLORWRITEENABLE] & 1 ? 0x00FF0000u : 0) | (rs[D3DRS_COLORWRITEENABLE] & 2 ? 0x0000FF00u : 0) |
        (rs[D3DRS_COLORWRITEENABLE] & 4 ? 0x000000FFu : 0) | (rs[D3DRS_COLORWRITEENABLE] & 8 ? 0xFF000000u : 0);
    const D3DFORMAT fmt = target.Desc().Format;
    const DepthRow depth(zTest ? st.depth : nullptr, y);
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
            if (!zTest) continue;
            zval[i] = depth.Value(t.z.At(cx + i, y));
            live[i] = Compare(rs[D3DRS_ZFUNC], zval[i], depth.Load(cx + i));
        }
        // Attributes, perspective-correct unless the triangle is affine.
        float w[kChunk];
        if (!t.affine)
            for (int i = 0; i < n; ++i) w[i] = 1.f / t.invW.At(cx + i, y);
        auto attribute = [&](int a) {
            AttrRun(t.attr[a], cx, y, n, attr[a]);
            if (!t.affine)
                for (int i = 0; i < n; ++i) attr[a][i] *= w[i];
        };
        // The u and v of sets that only samples read are made when a sample needs them (bit per set).
        unsigned unmade = program && VectorLanes() ? program->SampleOnlySets() : 0u;
        for (int k = 0; k < use.attrCount; ++k) {
            const int a = use.attrList[k], set = (a - kAttrTex) / 4;
            if (a >= kAttrTex && (a - kAttrTex) % 4 < 2 && (unmade >> set & 1)) continue;
            attribute(a);
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
                for (int tset = 0; tset < int(kTexCoordCount); ++tset)
                    for (int c = 0; c < 4; ++c) block.tex[tset][c] = attr[kAttrTex + 4 * tset + c] + b;
                for (int c = 0; c < 4; ++c) block.colour[c] = use.diffuse ? attr[kAttrDiffuse + c] + b : ones.data();
                program->Run(block, [&](int stage, int set, const float* u, const float* v, int count, DWORD* out) {
                    if (samples->Columns(stage, set)) {
                        const DWORD* texels = samples->Row(stage, set, cx + b, y, count, out);
                        if (texels != out) std::copy(texels, texels + count, out);
                        return;
                    }
                    const Sampler sampler(*st.textures[stage], st.samp[stage]);
                    if (set >= 0 && (unmade >> set & 1)) {
                        attribute(kAttrTex + 4 * set);
                        attribute(kAttrTex + 4 * set + 1);
                        unmade &= ~(1u << set);
                    }
                    sampler.Span(u, v, count, out);
                });
                std::memcpy(colour + b, block.out, sizeof(DWORD) * size_t(block.count));
                for (int i = 0; i < block.count; ++i)
                    if (block.killed[i]) live[b + i] = false;
            }
        } else {
            std::optional<Sampler> samplers[kTextureStageCount];
            for (uint32_t s = 0; s < kTextureStageCount && st.tss[s][D3DTSS_COLOROP] != D3DTOP_DISABLE; ++s)
                if (st.textures[s]) samplers[s].emplace(*st.textures[s], st.samp[s]);
            for (int i = 0; i < n; ++i) {
                if (!live[i]) continue;
                Rgba diffuse{ToByte(attr[kAttrDiffuse][i]), ToByte(attr[kAttrDiffuse + 1][i]),
                             ToByte(attr[kAttrDiffuse + 2][i]), ToByte(attr[kAttrDiffuse + 3][i])};
                Rgba current = diffuse;
                for (uint32_t s = 0; s < kTextureStageCount; ++s) {
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
        if (writer && everyPixel) {  // no test drops a pixel: the blend goes straight into the row
            CombineRow(*writer, colour, 0xFFFFFFFFu, reinterpret_cast<DWORD*>(row) + cx, n);
            cx += n;
            continue;
        }
        if (writer) {
            DWORD* out = reinterpret_cast<DWORD*>(row) + cx;
            DWORD mixed[kChunk];
            std::memcpy(mixed, out, size_t(n) * 4);
            CombineRow(*writer, colour, 0xFFFFFFFFu, mixed, n);
            for (int i = 0; i < n; ++i) {
                if (!live[i] || (alphaTest && !Compare(rs[D3DRS_ALPHAFUNC], colour[i] >> 24, ref))) continue;
                out[i] = mixed[i];
                if (zWrite) depth.Store(cx + i, zval[i]);
            }
            cx += n;
            continue;
        }
        for (int i = 0; i < n; ++i) {
            if (!live[i]) continue;
            if (alphaTest && !Compare(rs[D3DRS_ALPHAFUNC], colour[i] >> 24, ref)) continue;
            if (zWrite) depth.Store(cx + i, zval[i]);
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

}  // namespace d3d9
