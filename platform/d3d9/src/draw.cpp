// The vertex stage of the software device: vertex fetch through an FVF or a declaration (two
// streams), the fixed-function transform (no lighting) or a vertex shader, primitive assembly,
// clipping to 0 <= z <= w and the guard band, the viewport transform and culling.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "device.h"
#include "raster.h"
#include "vertexformat.h"

namespace d3d9 {
namespace {

constexpr float kGuard = 16.f;  // clip x and y at 16 times the viewport's extent

struct ClipVertex {
    float pos[4];
    float a[kAttrCount];
};

ClipVertex Lerp(const ClipVertex& a, const ClipVertex& b, float t) {
    ClipVertex r;
    for (int i = 0; i < 4; ++i) r.pos[i] = a.pos[i] + (b.pos[i] - a.pos[i]) * t;
    for (int i = 0; i < kAttrCount; ++i) r.a[i] = a.a[i] + (b.a[i] - a.a[i]) * t;
    return r;
}

// Distance of a vertex inside a clip plane (>= 0 inside).
float PlaneDistance(const ClipVertex& v, int plane) {
    const float x = v.pos[0], y = v.pos[1], z = v.pos[2], w = v.pos[3];
    switch (plane) {
        case 0: return z;
        case 1: return w - z;
        case 2: return kGuard * w - x;
        case 3: return kGuard * w + x;
        case 4: return kGuard * w - y;
        default: return kGuard * w + y;
    }
}

// Clips a triangle against the six planes; the result is a convex polygon (maybe empty).
void ClipTriangle(const ClipVertex* tri, std::vector<ClipVertex>& poly, std::vector<ClipVertex>& scratch) {
    poly.assign(tri, tri + 3);
    for (int plane = 0; plane < 6; ++plane) {
        bool allIn = true;
        for (const ClipVertex& v : poly) allIn &= PlaneDistance(v, plane) >= 0.f;
        if (allIn) continue;
        scratch.clear();
        for (size_t i = 0; i < poly.size(); ++i) {
            const ClipVertex& a = poly[i];
            const ClipVertex& b = poly[(i + 1) % poly.size()];
            float da = PlaneDistance(a, plane), db = PlaneDistance(b, plane);
            if (da >= 0.f) scratch.push_back(a);
            if ((da >= 0.f) != (db >= 0.f)) scratch.push_back(Lerp(a, b, da / (da - db)));
        }
        poly.swap(scratch);
        if (poly.size() < 3) {
            poly.clear();
            return;
        }
    }
}

// Row vector times matrix.
void Transform(const float in[4], const D3DMATRIX& m, float out[4]) {
    for (int j = 0; j < 4; ++j)
        out[j] = in[0] * m.m[0][j] + in[1] * m.m[1][j] + in[2] * m.m[2][j] + in[3] * m.m[3][j];
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i) Transform(a.m[i], b, r.m[i]);
    return r;
}

}  // namespace

HRESULT Device::Draw(D3DPRIMITIVETYPE type, INT baseVertex, UINT numVertices, UINT primitiveCount, const void* indices,
                     bool index32, const BYTE* upVertices, UINT upStride) {
    if (lost_) return D3D_OK;  // draws on a lost device are dropped
    DrawState& s = *state_;
    if (!s.renderTarget) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0) return D3D_OK;

    // Indices of the triangles' corners.
    auto index = [&](UINT i) -> int64_t {
        if (index32) {
            DWORD v;
            std::memcpy(&v, static_cast<const BYTE*>(indices) + size_t(i) * 4, 4);
            return int64_t(v) + baseVertex;
        }
        WORD v;
        std::memcpy(&v, static_cast<const BYTE*>(indices) + size_t(i) * 2, 2);
        return int64_t(v) + baseVertex;
    };
    std::vector<int64_t> corners;
    corners.reserve(size_t(primitiveCount) * 3);
    for (UINT p = 0; p < primitiveCount; ++p) {
        switch (type) {
            case D3DPT_TRIANGLELIST:
                for (UINT k = 0; k < 3; ++k) corners.push_back(index(3 * p + k));
                break;
            case D3DPT_TRIANGLESTRIP:
                corners.push_back(index(p));
                corners.push_back(index(p % 2 ? p + 2 : p + 1));
                corners.push_back(index(p % 2 ? p + 1 : p + 2));
                break;
            case D3DPT_TRIANGLEFAN:
                corners.push_back(index(0));
                corners.push_back(index(p + 1));
                corners.push_back(index(p + 2));
                break;
            default: return D3DERR_INVALIDCALL;
        }
    }

    // Vertex layout and streams.
    std::vector<D3DVERTEXELEMENT9> elements;
    if (s.declaration)
        elements = s.declaration->Elements();
    else if (!ElementsFromFvf(s.fvf, elements))
        return D3DERR_INVALIDCALL;
    const BYTE* streamData[kStreamCount] = {};
    size_t streamSize[kStreamCount] = {};
    UINT stride[kStreamCount] = {};
    if (upVertices) {
        streamData[0] = upVertices;
        streamSize[0] = size_t(numVertices) * upStride;
        stride[0] = upStride;
    } else {
        for (uint32_t i = 0; i < kStreamCount; ++i)
            if (s.streams[i] && s.streamOffset[i] <= s.streams[i]->Data().size()) {
                streamData[i] = s.streams[i]->Data().data() + s.streamOffset[i];
                streamSize[i] = s.streams[i]->Data().size() - s.streamOffset[i];
                stride[i] = s.streamStride[i];
            }
    }
    int64_t lo = *std::min_element(corners.begin(), corners.end());
    int64_t hi = *std::max_element(corners.begin(), corners.end());
    if (lo < 0) return D3DERR_INVALIDCALL;
    for (const D3DVERTEXELEMENT9& e : elements) {
        const int st = e.Stream;
        if (!streamData[st] || size_t(hi) * stride[st] + e.Offset + ElementSize(e.Type) > streamSize[st])
            return D3DERR_INVALIDCALL;
    }
    bool pretransformed = false;
    for (const D3DVERTEXELEMENT9& e : elements) pretransformed |= e.Usage == D3DDECLUSAGE_POSITIONT;

    // Vertex processing, once per vertex used.
    const VertexShader* vs = s.vertexShader;
    const D3DMATRIX wvp = Multiply(Multiply(s.world, s.view), s.proj);
    const D3DVIEWPORT9& vp = s.viewport;
    std::vector<ClipVertex> processed(size_t(hi - lo + 1));
    std::vector<char> done(processed.size(), 0);
    auto process = [&](int64_t vi) -> const ClipVertex& {
        ClipVertex& out = processed[size_t(vi - lo)];
        if (done[size_t(vi - lo)]) return out;
        done[size_t(vi - lo)] = 1;
        float in[kVertexInputCount][4];
        int usage[kVertexInputCount], usageIndex[kVertexInputCount];
        int count = 0;
        for (const D3DVERTEXELEMENT9& e : elements) {
            if (count == int(kVertexInputCount)) break;
            ReadElement(e.Type, streamData[e.Stream] + size_t(vi) * stride[e.Stream] + e.Offset, in[count]);
            usage[count] = e.Usage;
            usageIndex[count] = e.UsageIndex;
            ++count;
        }
        auto find = [&](int u, int ui) -> const float* {
            for (int i = 0; i < count; ++i)
                if (usage[i] == u && usageIndex[i] == ui) return in[i];
            return nullptr;
        };
        std::memset(&out, 0, sizeof out);
        if (vs) {
            const ShaderProgram& prog = vs->Program();
            float regs[kVertexInputCount][4] = {};
            for (const ShaderDecl& d : prog.decls)
                if (d.type == kRegInput && d.index < int(kVertexInputCount)) {
                    const float* src = find(d.usage, d.usageIndex);
                    if (src) std::memcpy(regs[d.index], src, 16);
                    else regs[d.index][3] = 1.f;
                }
            VertexShaderOutput o;
            RunVertexShader(prog, s.vsConst, regs, o);
            std::memcpy(out.pos, o.pos, 16);
            std::memcpy(out.a + kAttrDiffuse, o.diffuse, 16);
            std::memcpy(out.a + kAttrTex, o.tex, sizeof o.tex);
            return out;
        }
        const float* pos = find(pretransformed ? D3DDECLUSAGE_POSITIONT : D3DDECLUSAGE_POSITION, 0);
        float p[4] = {0, 0, 0, 1};
        if (pos) std::memcpy(p, pos, pretransformed ? 16 : 12);
        if (pretransformed) {
            // Screen x, y, z and 1/w: back to clip space through the viewport.
            float w = p[3] != 0.f ? 1.f / p[3] : 1.f;
            out.pos[0] = ((p[0] - float(vp.X)) / float(vp.Width) * 2.f - 1.f) * w;
            out.pos[1] = (1.f - (p[1] - float(vp.Y)) / float(vp.Height) * 2.f) * w;
            out.pos[2] = p[2] * w;
            out.pos[3] = w;
        } else {
            Transform(p, wvp, out.pos);
        }
        const float* diffuse = find(D3DDECLUSAGE_COLOR, 0);
        for (int c = 0; c < 4; ++c) out.a[kAttrDiffuse + c] = diffuse ? diffuse[c] : 1.f;  // missing colour is white
        for (int t = 0; t < int(kTexCoordCount); ++t) {
            const float* tc = find(D3DDECLUSAGE_TEXCOORD, t);
            if (tc) std::memcpy(out.a + kAttrTex + 4 * t, tc, 16);
        }
        return out;
    };

    // Clip, project, cull.
    const DWORD cull = s.rs[D3DRS_CULLMODE];
    std::vector<ScreenVertex> screen;
    std::vector<ClipVertex> poly, scratch;
    const float halfW = float(vp.Width) / 2.f, halfH = float(vp.Height) / 2.f;
    const float zRange = vp.MaxZ - vp.MinZ;
    for (size_t c = 0; c + 2 < corners.size(); c += 3) {
        ClipVertex tri[3] = {process(corners[c]), process(corners[c + 1]), process(corners[c + 2])};
        ClipTriangle(tri, poly, scratch);
        if (poly.size() < 3) continue;
        std::vector<ScreenVertex> fan(poly.size());
        for (size_t i = 0; i < poly.size(); ++i) {
            const ClipVertex& v = poly[i];
            float invW = 1.f / v.pos[3];
            ScreenVertex& o = fan[i];
            o.x = float(vp.X) + (v.pos[0] * invW + 1.f) * halfW;
            o.y = float(vp.Y) + (1.f - v.pos[1] * invW) * halfH;
            o.z = vp.MinZ + v.pos[2] * invW * zRange;
            o.invW = invW;
            std::memcpy(o.a, v.a, sizeof o.a);
        }
        // Orientation as seen on screen (y down): positive = clockwise.
        float area = (fan[1].x - fan[0].x) * (fan[2].y - fan[0].y) - (fan[2].x - fan[0].x) * (fan[1].y - fan[0].y);
        if ((cull == D3DCULL_CCW && area < 0.f) || (cull == D3DCULL_CW && area > 0.f)) continue;
        for (size_t i = 1; i + 1 < fan.size(); ++i) {
            screen.push_back(fan[0]);
            screen.push_back(fan[i]);
            screen.push_back(fan[i + 1]);
        }
    }
    if (screen.empty()) return D3D_OK;

    // Pixel state.
    auto state = std::make_unique<PixelState>();
    PixelState& ps = *state;
    ps.target = s.renderTarget;
    ps.depth = s.depth;
    const D3DSURFACE_DESC& rt = s.renderTarget->Desc();
    ps.clip = RECT{LONG(vp.X), LONG(vp.Y), LONG(std::min(vp.X + vp.Width, rt.Width)),
                   LONG(std::min(vp.Y + vp.Height, rt.Height))};
    if (ps.depth && (ps.depth->Desc().Width < UINT(ps.clip.right) || ps.depth->Desc().Height < UINT(ps.clip.bottom))) {
        // A depth surface smaller than the drawn area: draw without depth rather than outside its memory.
        if (!smallDepthLogged_) OutputDebugStringA("Draw: depth surface smaller than the render target; depth ignored\n");
        smallDepthLogged_ = true;
        ps.depth = nullptr;
    }
    std::memcpy(ps.rs, s.rs, sizeof ps.rs);
    std::memcpy(ps.tss, s.tss, sizeof ps.tss);
    std::memcpy(ps.samp, s.samp, sizeof ps.samp);
    for (uint32_t i = 0; i < kSamplerCount; ++i) {
        Texture* t = s.textures[i];
        // A texture bound while it is the render target reads nothing useful; treat it as missing.
        ps.textures[i] = (t && &t->Level(0) != s.renderTarget) ? &t->Level(0) : nullptr;
    }
    if (s.pixelShader) {
        ps.pixelShader = &s.pixelShader->Program();
        std::memcpy(ps.psConst, s.psConst, sizeof ps.psConst);
    }
    pending_.AddDraw(std::move(state), std::move(screen), s.pixelShader);
    LimitPending();
    return D3D_OK;
}

}  // namespace d3d9
