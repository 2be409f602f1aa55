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
    for (int j = 0; j < 4; ++j) out[j] = in[0] * m.m[0][j] + in[1] * m.m[1][j] + in[2] * m.m[2][j] + in[3] * m.m[3][j];
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i) Transform(a.m[i], b, r.m[i]);
    return r;
}

// The vertex indices of the triangles' corners, three per triangle; false for a primitive type that is
// not a triangle list, strip or fan.
bool Corners(D3DPRIMITIVETYPE type, INT baseVertex, UINT primitiveCount, const void* indices, bool index32,
             std::vector<int64_t>& corners) {
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
    corners.clear();
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
            default: return false;
        }
    }
    return true;
}

// Where a draw's vertices come from: the layout (a declaration or the FVF) and each stream's bytes.
struct Streams {
    std::vector<D3DVERTEXELEMENT9>& elements;  // the device's, kept from draw to draw
    const BYTE* data[kStreamCount] = {};
    size_t size[kStreamCount] = {};
    UINT stride[kStreamCount] = {};
    bool pretransformed = false;  // positions are already on screen (POSITIONT)
};

// The streams of a draw from the bound buffers or the caller's vertices (upVertices); false when the
// layout is not valid or a vertex up to last reads past the end of its stream.
bool StreamsOf(const DrawState& s, UINT numVertices, const BYTE* upVertices, UINT upStride, int64_t last,
               Streams& out) {
    if (s.declaration)
        out.elements = s.declaration->Elements();
    else if (!ElementsFromFvf(s.fvf, out.elements))
        return false;
    if (upVertices) {
        out.data[0] = upVertices;
        out.size[0] = size_t(numVertices) * upStride;
        out.stride[0] = upStride;
    } else {
        for (uint32_t i = 0; i < kStreamCount; ++i)
            if (s.streams[i] && s.streamOffset[i] <= s.streams[i]->Data().size()) {
                out.data[i] = s.streams[i]->Data().data() + s.streamOffset[i];
                out.size[i] = s.streams[i]->Data().size() - s.streamOffset[i];
                out.stride[i] = s.streamStride[i];
            }
    }
    for (const D3DVERTEXELEMENT9& e : out.elements) {
        const int st = e.Stream;
        if (!out.data[st] || size_t(last) * out.stride[st] + e.Offset + ElementSize(e.Type) > out.size[st])
            return false;
        out.pretransformed |= e.Usage == D3DDECLUSAGE_POSITIONT;
    }
    return true;
}

// The vertex stage over vertices first..last: each vertex is fetched and processed (vertex shader,
// or the fixed-function transform) once, when a triangle first asks for it.
class VertexProcessor {
public:
    VertexProcessor(const DrawState& s, const Streams& streams, int64_t first, int64_t last)
        : s_(s),
          streams_(streams),
          wvp_(Multiply(Multiply(s.world, s.view), s.proj)),
          first_(first),
          processed_(size_t(last - first + 1)),
          done_(processed_.size(), 0) {}

    const ClipVertex& operator()(int64_t vi) {
        ClipVertex& out = processed_[size_t(vi - first_)];
        if (done_[size_t(vi - first_)]) return out;
        done_[size_t(vi - first_)] = 1;
        Fetch(vi);
        std::memset(&out, 0, sizeof out);
        if (s_.vertexShader)
            Shade(out);
        else
            FixedFunction(out);
        return out;
    }

private:
    // Reads the elements of vertex vi into the inputs.
    void Fetch(int64_t vi) {
        count_ = 0;
        for (const D3DVERTEXELEMENT9& e : streams_.elements) {
            if (count_ == int(kVertexInputCount)) break;
            ReadElement(e.Type, streams_.data[e.Stream] + size_t(vi) * streams_.stride[e.Stream] + e.Offset,
                        in_[count_]);
            usage_[count_] = e.Usage;
            usageIndex_[count_] = e.UsageIndex;
            ++count_;
        }
    }

    const float* Find(int u, int ui) const {
        for (int i = 0; i < count_; ++i)
            if (usage_[i] == u && usageIndex_[i] == ui) return in_[i];
        return nullptr;
    }

    void Shade(ClipVertex& out) const {
        const ShaderProgram& prog = s_.vertexShader->Program();
        float regs[kVertexInputCount][4] = {};
        for (const ShaderDecl& d : prog.decls)
            if (d.type == kRegInput && d.index < int(kVertexInputCount)) {
                const float* src = Find(d.usage, d.usageIndex);
                if (src)
                    std::memcpy(regs[d.index], src, 16);
                else
                    regs[d.index][3] = 1.f;
            }
        VertexShaderOutput o;
        RunVertexShader(prog, s_.vsConst, regs, o);
        std::memcpy(out.pos, o.pos, 16);
        std::memcpy(out.a + kAttrDiffuse, o.diffuse, 16);
        std::memcpy(out.a + kAttrTex, o.tex, sizeof o.tex);
    }

    void FixedFunction(ClipVertex& out) const {
        const bool pretransformed = streams_.pretransformed;
        const D3DVIEWPORT9& vp = s_.viewport;
        const float* pos = Find(pretransformed ? D3DDECLUSAGE_POSITIONT : D3DDECLUSAGE_POSITION, 0);
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
            Transform(p, wvp_, out.pos);
        }
        const float* diffuse = Find(D3DDECLUSAGE_COLOR, 0);
        for (int c = 0; c < 4; ++c) out.a[kAttrDiffuse + c] = diffuse ? diffuse[c] : 1.f;  // missing colour is white
        for (int t = 0; t < int(kTexCoordCount); ++t) {
            const float* tc = Find(D3DDECLUSAGE_TEXCOORD, t);
            if (tc) std::memcpy(out.a + kAttrTex + 4 * t, tc, 16);
        }
    }

    const DrawState& s_;
    const Streams& streams_;
    const D3DMATRIX wvp_;
    const int64_t first_;
    std::vector<ClipVertex> processed_;
    std::vector<char> done_;
    float in_[kVertexInputCount][4];
    int usage_[kVertexInputCount], usageIndex_[kVertexInputCount];
    int count_ = 0;
};

// Everything the vertex stage reads for a draw, as bytes: the triangles' vertex indices, the layout and
// the bytes of every element of the vertices they use, the transform, the vertex program with its
// constants, the viewport and the cull mode. Two draws with the same bytes give the same triangles.
template <class T>
void Append(std::vector<unsigned char>& out, const T* data, size_t count) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    out.insert(out.end(), bytes, bytes + count * sizeof(T));
}

void VertexStageInputs(const DrawState& s, const Streams& streams, const std::vector<int64_t>& corners,
                       int64_t first, int64_t last, std::vector<unsigned char>& in) {
    in.clear();
    const size_t size = corners.size();
    Append(in, &size, 1);
    Append(in, corners.data(), corners.size());
    const size_t elements = streams.elements.size();
    Append(in, &elements, 1);
    Append(in, streams.elements.data(), elements);
    for (int64_t vi = first; vi <= last; ++vi)
        for (const D3DVERTEXELEMENT9& e : streams.elements)
            Append(in, streams.data[e.Stream] + size_t(vi) * streams.stride[e.Stream] + e.Offset, ElementSize(e.Type));
    Append(in, &s.viewport, 1);
    Append(in, &s.rs[D3DRS_CULLMODE], 1);
    const bool shader = s.vertexShader != nullptr;
    Append(in, &shader, 1);
    if (!shader) {
        for (const D3DMATRIX* m : {&s.world, &s.view, &s.proj}) Append(in, m, 1);
        return;
    }
    const ShaderProgram& prog = s.vertexShader->Program();
    for (size_t n : {prog.code.size(), prog.decls.size(), prog.defs.size()}) Append(in, &n, 1);
    Append(in, prog.code.data(), prog.code.size());
    Append(in, prog.decls.data(), prog.decls.size());
    Append(in, prog.defs.data(), prog.defs.size());
    Append(in, s.vsConst, kVertexShaderConstCount);
}

// The corners' triangles clipped, projected through the viewport and culled: screen triangles, three
// vertices each (a clipped polygon becomes a fan), into screen.
void ClipAndCull(const std::vector<int64_t>& corners, VertexProcessor& process, const D3DVIEWPORT9& vp, DWORD cull,
                 std::vector<ScreenVertex>& screen) {
    screen.clear();
    screen.reserve(corners.size());
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
}

// The state the rasteriser shades the draw with, copied out of the device's state into ps. A depth
// surface smaller than the drawn area is left out (logged once, through smallDepthLogged). The pixel
// program's constants are copied only with a program: nothing reads them without one.
void PixelStateOf(const DrawState& s, bool& smallDepthLogged, PixelState& ps) {
    const D3DVIEWPORT9& vp = s.viewport;
    ps.target = s.renderTarget;
    ps.depth = s.depth;
    const D3DSURFACE_DESC& rt = s.renderTarget->Desc();
    ps.clip = RECT{LONG(vp.X), LONG(vp.Y), LONG(std::min(vp.X + vp.Width, rt.Width)),
                   LONG(std::min(vp.Y + vp.Height, rt.Height))};
    if (ps.depth && (ps.depth->Desc().Width < UINT(ps.clip.right) || ps.depth->Desc().Height < UINT(ps.clip.bottom))) {
        // A depth surface smaller than the drawn area: draw without depth rather than outside its memory.
        if (!smallDepthLogged)
            OutputDebugStringA("Draw: depth surface smaller than the render target; depth ignored\n");
        smallDepthLogged = true;
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
    ps.pixelShader = nullptr;
    if (s.pixelShader) {
        ps.pixelShader = &s.pixelShader->Program();
        std::memcpy(ps.psConst, s.psConst, sizeof ps.psConst);
    }
}

}  // namespace

HRESULT Device::Draw(D3DPRIMITIVETYPE type, INT baseVertex, UINT numVertices, UINT primitiveCount, const void* indices,
                     bool index32, const BYTE* upVertices, UINT upStride) {
    if (lost_) return D3D_OK;  // draws on a lost device are dropped
    const DrawState& s = *state_;
    if (!s.renderTarget) return D3DERR_INVALIDCALL;
    if (primitiveCount == 0) return D3D_OK;
    std::vector<int64_t>& corners = corners_;
    if (!Corners(type, baseVertex, primitiveCount, indices, index32, corners)) return D3DERR_INVALIDCALL;
    const int64_t first = *std::min_element(corners.begin(), corners.end());
    const int64_t last = *std::max_element(corners.begin(), corners.end());
    if (first < 0) return D3DERR_INVALIDCALL;
    Streams streams{elements_};
    if (!StreamsOf(s, numVertices, upVertices, upStride, last, streams)) return D3DERR_INVALIDCALL;
    // A draw that repeats the one in its place in the last frame (the same quads of an interface that
    // stands still) takes that draw's triangles instead of running the vertex stage again.
    constexpr size_t kMostKept = 512;
    VertexStageInputs(s, streams, corners, first, last, vertexInputs_);
    const size_t ordinal = drawsThisFrame_++;
    Command& draw = pending_.Next(false);
    std::vector<ScreenVertex>& screen = draw.vertices;
    if (ordinal < vertexResults_.size() && vertexResults_[ordinal].inputs == vertexInputs_) {
        screen = vertexResults_[ordinal].screen;
    } else {
        VertexProcessor process(s, streams, first, last);
        ClipAndCull(corners, process, s.viewport, s.rs[D3DRS_CULLMODE], screen);
        if (ordinal < kMostKept) {
            if (ordinal >= vertexResults_.size()) vertexResults_.resize(ordinal + 1);
            vertexResults_[ordinal].inputs = vertexInputs_;
            vertexResults_[ordinal].screen = screen;
        }
    }
    if (screen.empty()) return D3D_OK;  // nothing recorded: the next command takes the storage
    PixelStateOf(s, smallDepthLogged_, *draw.state);
    pending_.Add(s.pixelShader);
    LimitPending();
    return D3D_OK;
}

}  // namespace d3d9
