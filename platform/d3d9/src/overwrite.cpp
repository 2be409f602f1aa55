// The test that a draw overwrites a rectangle: its shape from the rasteriser's own triangle set-up,
// its colours' independence of the target from the fast paths' reading of its state, and the alpha of
// the texels it may sample.
#include "overwrite.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "fastpath.h"
#include "region.h"
#include "sampler.h"
#include "triangle.h"

namespace d3d9 {

bool OpaqueTexels::Opaque(const Surface& texture, const RECT& box) {
    for (const Seen& s : seen_)
        if (s.version == texture.Version() && std::memcmp(&s.box, &box, sizeof box) == 0) return s.opaque;
    bool opaque = true;
    for (LONG y = box.top; y < box.bottom && opaque; ++y) {
        const DWORD* row = reinterpret_cast<const DWORD*>(texture.Bits() + size_t(y) * texture.Pitch());
        DWORD all = 0xFF000000u;
        for (LONG x = box.left; x < box.right; ++x) all &= row[x];
        opaque = all >= 0xFF000000u;
    }
    if (seen_.size() == kKept) seen_.erase(seen_.begin());
    seen_.push_back(Seen{texture.Version(), box, opaque});
    return opaque;
}

namespace {

// Calls take(u, v) with the texture positions of set `set` at the corner pixels of each rectangle the
// draw is made of, by each half's planes; false when it is not made of rectangles drawn without
// perspective (whose positions at every pixel lie between those at their corners).
template <class F>
bool CornerPositions(const PixelState& st, int set, const std::vector<ScreenVertex>& vertices, F take) {
    if (vertices.empty() || vertices.size() % 6 != 0) return false;
    const Usage use = UsageOf(st);
    for (size_t i = 0; i < vertices.size(); i += 6) {
        Triangle halves[2];
        RECT px;
        if (!Setup(&vertices[i], st.clip, use, halves[0]) || !Setup(&vertices[i + 3], st.clip, use, halves[1]) ||
            !RectangleOf(halves[0], halves[1], st.clip, px) || !halves[0].affine || !halves[1].affine)
            return false;
        for (const Triangle& t : halves)
            for (LONG x : {px.left, px.right - 1})
                for (LONG y : {px.top, px.bottom - 1})
                    take(t.attr[kAttrTex + 4 * set].At(x, y), t.attr[kAttrTex + 4 * set + 1].At(x, y));
    }
    return true;
}

// The texels that the draw's samples may read: around the texture positions at its rectangles' corner
// pixels, with room for rounding, or else around its vertices' positions (which interpolation keeps
// within) with a texel to spare; sampling bilinear, the next texel too. False when that cannot be
// bounded or reaches past an edge other than by clamping.
bool SampledBox(const PixelState& st, const FastPlan& f, const std::vector<ScreenVertex>& vertices, RECT& box) {
    const double width = f.tex->Desc().Width, height = f.tex->Desc().Height;
    double u0 = INFINITY, u1 = -INFINITY, v0 = INFINITY, v1 = -INFINITY;
    auto take = [&](double u, double v) {
        u *= width, v *= height;
        u0 = std::min(u0, u), u1 = std::max(u1, u), v0 = std::min(v0, v), v1 = std::max(v1, v);
    };
    double spare = 1.0 / 64;
    if (!CornerPositions(st, f.set, vertices, take)) {
        spare = 1.0;
        for (const ScreenVertex& v : vertices) take(v.a[kAttrTex + 4 * f.set], v.a[kAttrTex + 4 * f.set + 1]);
    }
    if (!std::isfinite(u0 + u1 + v0 + v1)) return false;
    // Point samples read texel floor(p), bilinear ones floor(p - 0.5) and the next.
    const double shift = f.kind == FastKind::kBilinear ? 0.5 : 0.0, next = f.kind == FastKind::kBilinear ? 2 : 1;
    auto axis = [&](double lo, double hi, double size, DWORD mode, LONG& from, LONG& to) {
        lo = std::floor(lo - shift - spare), hi = std::floor(hi - shift + spare) + next;
        if (lo >= 0 && hi <= size) {
            from = LONG(lo), to = LONG(hi);
            return true;
        }
        if (mode == D3DTADDRESS_WRAP || mode == D3DTADDRESS_MIRROR) {
            from = 0, to = LONG(size);
            return true;
        }
        if (mode != D3DTADDRESS_CLAMP || hi <= 0 || lo >= size) return false;
        from = LONG(std::max(lo, 0.0)), to = LONG(std::min(hi, size));
        return true;
    };
    return axis(u0, u1, width, st.samp[0][D3DSAMP_ADDRESSU], box.left, box.right) &&
           axis(v0, v1, height, st.samp[0][D3DSAMP_ADDRESSV], box.top, box.bottom);
}

// Whether the vertex colour's alpha is 255 at every pixel: the same at every corner of a draw without
// perspective, so that it is the same at every pixel.
bool DiffuseOpaque(const std::vector<ScreenVertex>& vertices) {
    for (const ScreenVertex& v : vertices)
        if (ToByte(v.a[kAttrDiffuse + 3]) != 255 || v.a[kAttrDiffuse + 3] != vertices[0].a[kAttrDiffuse + 3] ||
            v.invW != vertices[0].invW)
            return false;
    return true;
}

// Whether the draw's triangles, taken in pairs, include a rectangle holding all of r.
bool Covers(const PixelState& st, const std::vector<ScreenVertex>& vertices, const D3DRECT& r) {
    const Usage none{};
    for (size_t i = 0; i + 5 < vertices.size(); i += 6) {
        Triangle a, b;
        RECT pixels;
        if (Setup(&vertices[i], st.clip, none, a) && Setup(&vertices[i + 3], st.clip, none, b) &&
            RectangleOf(a, b, st.clip, pixels) && pixels.left <= r.x1 && pixels.top <= r.y1 && pixels.right >= r.x2 &&
            pixels.bottom >= r.y2)
            return true;
    }
    return false;
}

// Whether the draw's source alpha is 255 at every pixel: the texture's (255 for X8) times the
// colour's where the stage modulates it.
bool SourceOpaque(const PixelState& st, const FastPlan& f, const std::vector<ScreenVertex>& vertices,
                  OpaqueTexels& texels) {
    if ((f.kind == FastKind::kFlat || f.combine.modAlpha) &&
        !(f.factorColour ? st.rs[D3DRS_TEXTUREFACTOR] >> 24 == 255 : DiffuseOpaque(vertices)))
        return false;
    if (f.kind == FastKind::kFlat || f.texX8) return true;
    RECT box;
    return SampledBox(st, f, vertices, box) && texels.Opaque(*f.tex, box);
}

}  // namespace

bool Overwrites(const PixelState& st, const std::vector<ScreenVertex>& vertices, const D3DRECT& r,
                OpaqueTexels& texels) {
    const FastPlan f = PlanFast(st);
    if (f.kind == FastKind::kNone || f.combine.blend == BlendClass::kAdd) return false;
    if (f.depthTest && f.depthFunc != D3DCMP_ALWAYS) return false;
    for (const Surface* t : st.textures)
        if (t == st.target) return false;
    const bool opaque = SourceOpaque(st, f, vertices, texels);
    if (f.combine.blend == BlendClass::kOver && !opaque) return false;
    if (f.alphaTest && !(opaque && Compare(f.alphaFunc, 255, f.alphaRef))) return false;
    return Covers(st, vertices, r);
}

bool Unblended(const PixelState& st, const std::vector<ScreenVertex>& vertices, OpaqueTexels& texels,
               PixelState& unblended) {
    if (!st.rs[D3DRS_ALPHABLENDENABLE]) return false;
    const FastPlan f = PlanFast(st);
    if (f.kind == FastKind::kNone || f.combine.blend != BlendClass::kOver) return false;
    // The plan leaves out only an alpha test that a source of alpha 255 passes.
    if ((f.alphaTest && !Compare(f.alphaFunc, 255, f.alphaRef)) || !SourceOpaque(st, f, vertices, texels)) return false;
    unblended = st;
    unblended.rs[D3DRS_ALPHABLENDENABLE] = FALSE;
    unblended.rs[D3DRS_ALPHATESTENABLE] = FALSE;
    return true;
}

bool CopiesTexels(const PixelState& st, const std::vector<ScreenVertex>& vertices, const RECT& r, OpaqueTexels& texels,
                  POINT& offset) {
    if (st.target->Desc().Format != D3DFMT_X8R8G8B8 || EmptyRect(r) ||
        !Overwrites(st, vertices, D3DRECT{r.left, r.top, r.right, r.bottom}, texels))
        return false;
    const FastPlan f = PlanFast(st);
    if (f.kind != FastKind::kPoint || !f.texX8) return false;
    // The fast path's own texel positions, worked out over r alone for each half of the rectangle (each
    // is shaded with its own planes): a column for each x (one row's serve all where u runs along the
    // rows) and a row for each y.
    const Usage use = UsageOf(st);
    const int w = int(f.tex->Desc().Width), h = int(f.tex->Desc().Height);
    for (size_t i = 0; i + 5 < vertices.size(); i += 6) {
        Triangle halves[2];
        RECT pixels;
        if (!Setup(&vertices[i], r, use, halves[0]) || !Setup(&vertices[i + 3], r, use, halves[1]) ||
            !RectangleOf(halves[0], halves[1], r, pixels) || std::memcmp(&pixels, &r, sizeof r) != 0)
            continue;
        for (int k = 0; k < 2; ++k) {
            const Triangle& t = halves[k];
            FastTriangle colour;
            TriangleColour(st, f, t, colour);
            if (!TakesColumns(f, t) || colour.gouraud || !CopiesSource(f.combine, colour.colour, 0xFF000000u))
                return false;
            ColumnTable columns;
            MakeColumnTable(columns, t.xmin, t.xmax, f.kind, t.attr[kAttrTex + 4 * f.set], t.ymin, w,
                            st.samp[0][D3DSAMP_ADDRESSU]);
            const Plane& pv = t.attr[kAttrTex + 4 * f.set + 1];
            auto rowOf = [&](int y) {
                return FloorDiv(
                    TexelPosition(double(AttrAt(pv, r.left, y)) * h * kSub, h, st.samp[0][D3DSAMP_ADDRESSV]), kSub);
            };
            const POINT found{LONG(columns.offset), LONG(rowOf(r.top) - r.top)};
            if (!columns.straight || (k == 1 && (found.x != offset.x || found.y != offset.y))) return false;
            for (int y = r.top + 1; y < r.bottom; ++y)
                if (rowOf(y) != y + found.y) return false;
            offset = found;
        }
        return r.left + offset.x >= 0 && r.right + offset.x <= w && r.top + offset.y >= 0 && r.bottom + offset.y <= h;
    }
    return false;
}

}  // namespace d3d9
