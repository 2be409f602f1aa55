// The recorded frame: its commands, the objects they hold and the test that a frame repeats the last.
#include "frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace d3d9 {

bool CoversWhole(const D3DRECT& r, const Surface& s) {
    return r.x1 <= 0 && r.y1 <= 0 && r.x2 >= LONG(s.Desc().Width) && r.y2 >= LONG(s.Desc().Height);
}

Command& FrameRecord::Next(bool isClear) {
    if (count_ == storage_.size()) storage_.emplace_back();
    Command& c = storage_[count_];
    c.isClear = isClear;
    c.clear.rects.clear();
    if (!isClear && !c.state) c.state = std::make_unique<PixelState>();
    return c;
}

void FrameRecord::Add(Counted* pixelShader) {
    const Command& c = storage_[count_++];
    auto hold = [&](Surface* s) {
        if (!s) return;
        s->Bind();
        held_.push_back(&s->Lifetime());
    };
    if (c.isClear) {
        hold(c.clear.target);
        hold(c.clear.depth);
        return;
    }
    hold(c.state->target);
    hold(c.state->depth);
    for (Surface* t : c.state->textures) hold(t);
    if (pixelShader) {
        pixelShader->Bind();
        held_.push_back(pixelShader);
    }
}

template <class F>
void FrameRecord::ForEachSurface(F f) const {
    for (const Command& c : Commands()) {
        if (c.isClear) {
            if (c.clear.target) f(c.clear.target);
            if (c.clear.depth) f(c.clear.depth);
            continue;
        }
        f(c.state->target);
        if (c.state->depth) f(c.state->depth);
        for (const Surface* t : c.state->textures)
            if (t) f(t);
    }
}

bool FrameRecord::Uses(const Surface* surface) const {
    bool used = false;
    ForEachSurface([&](const Surface* s) { used |= s == surface; });
    return used;
}

bool FrameRecord::Overwritten(size_t index, const Surface* surface, OpaqueTexels& texels) const {
    const ClearCommand& first = Commands()[index].clear;
    for (size_t i = index + 1; i < Commands().size(); ++i) {
        const Command& c = Commands()[i];
        if (!c.isClear) {
            if (c.state->target == surface && surface == first.target &&
                std::all_of(first.rects.begin(), first.rects.end(),
                            [&](const D3DRECT& r) { return Overwrites(*c.state, c.vertices, r, texels); }))
                return true;
            bool uses = c.state->target == surface || c.state->depth == surface;
            for (const Surface* t : c.state->textures) uses |= t == surface;
            if (uses) return false;
            continue;
        }
        // A clear names a surface only when it clears it: the colour, or the whole depth cell.
        if (c.clear.target != surface && c.clear.depth != surface) continue;
        if (c.clear.rects.size() != 1) return false;
        const D3DRECT& later = c.clear.rects[0];
        for (const D3DRECT& r : first.rects)
            if (r.x1 < later.x1 || r.y1 < later.y1 || r.x2 > later.x2 || r.y2 > later.y2) return false;
        return true;
    }
    return false;
}

void FrameRecord::Finished() {
    versions_.clear();
    ForEachSurface([&](const Surface* s) { versions_.emplace_back(s, s->Version()); });
}

namespace {

bool SameClear(const ClearCommand& a, const ClearCommand& b) {
    return a.target == b.target && a.depth == b.depth && a.flags == b.flags && a.colour == b.colour &&
           std::memcmp(&a.z, &b.z, sizeof a.z) == 0 && a.rects.size() == b.rects.size() &&
           std::memcmp(a.rects.data(), b.rects.data(), a.rects.size() * sizeof(D3DRECT)) == 0;
}

bool SameState(const PixelState& a, const PixelState& b) {
    return a.target == b.target && a.depth == b.depth && std::memcmp(&a.clip, &b.clip, sizeof a.clip) == 0 &&
           std::memcmp(a.rs, b.rs, sizeof a.rs) == 0 && std::memcmp(a.tss, b.tss, sizeof a.tss) == 0 &&
           std::memcmp(a.samp, b.samp, sizeof a.samp) == 0 &&
           std::memcmp(a.textures, b.textures, sizeof a.textures) == 0 && a.pixelShader == b.pixelShader &&
           (!a.pixelShader || std::memcmp(a.psConst, b.psConst, sizeof a.psConst) == 0);
}

bool SameCommand(const Command& a, const Command& b) {
    if (a.isClear != b.isClear) return false;
    if (a.isClear) return SameClear(a.clear, b.clear);
    return SameState(*a.state, *b.state) && a.vertices.size() == b.vertices.size() &&
           std::memcmp(a.vertices.data(), b.vertices.data(), a.vertices.size() * sizeof(ScreenVertex)) == 0;
}

}  // namespace

bool FrameRecord::SelfContained() const {
    std::vector<const Surface*>& written = written_;
    std::vector<const Surface*>& covered = covered_;
    written.clear();
    covered.clear();
    for (const Command& c : Commands()) {
        if (c.isClear) {
            if (c.clear.flags & D3DCLEAR_TARGET) written.push_back(c.clear.target);
            if (c.clear.depth && (c.clear.flags & D3DCLEAR_ZBUFFER)) written.push_back(c.clear.depth);
        } else {
            written.push_back(c.state->target);
            if (c.state->depth) written.push_back(c.state->depth);
        }
    }
    auto has = [](const std::vector<const Surface*>& list, const Surface* s) {
        return std::find(list.begin(), list.end(), s) != list.end();
    };
    for (const Command& c : Commands()) {
        if (c.isClear) {
            const ClearCommand& k = c.clear;
            auto clearOf = [&](const Surface* s) {
                if (has(covered, s)) return true;
                if (k.rects.size() != 1 || !CoversWhole(k.rects[0], *s)) return false;
                covered.push_back(s);
                return true;
            };
            if ((k.flags & D3DCLEAR_TARGET) && !clearOf(k.target)) return false;
            if (k.depth && (k.flags & D3DCLEAR_ZBUFFER) && !clearOf(k.depth)) return false;
            continue;
        }
        const PixelState& s = *c.state;
        if (!has(covered, s.target) || (s.depth && !has(covered, s.depth))) return false;
        for (const Surface* t : s.textures)
            if (t && has(written, t) && !has(covered, t)) return false;
    }
    return true;
}

uint64_t FrameRecord::FinishedVersion(const Surface* surface) const {
    for (const auto& [s, version] : versions_)
        if (s == surface) return version;
    return 0;
}

namespace {

// A point of a triangle on screen with its texture position in texels.
struct TexelPoint {
    double x, y, u, v;
};

// The pixels whose centres may lie in the hull of the points, a pixel more on each side, within clip.
template <class Point>
RECT BoxAround(const Point* p, size_t n, const RECT& clip) {
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    for (size_t i = 0; i < n; ++i) {
        if (!std::isfinite(p[i].x) || !std::isfinite(p[i].y)) return clip;
        x0 = std::min(x0, double(p[i].x)), x1 = std::max(x1, double(p[i].x));
        y0 = std::min(y0, double(p[i].y)), y1 = std::max(y1, double(p[i].y));
    }
    auto at = [](double v, LONG lo, LONG hi) { return LONG(std::clamp(v, double(lo), double(hi))); };
    RECT r{at(std::floor(x0) - 1, clip.left, clip.right), at(std::floor(y0) - 1, clip.top, clip.bottom),
           at(std::ceil(x1) + 2, clip.left, clip.right), at(std::ceil(y1) + 2, clip.top, clip.bottom)};
    return EmptyRect(r) ? RECT{} : r;
}

}  // namespace

RECT DrawnBox(const PixelState& st, const std::vector<ScreenVertex>& vertices) {
    return BoxAround(vertices.data(), vertices.size(), st.clip);
}

namespace {

// The reach of the texels [lo, hi) of an axis of `size` texels addressed in `mode`: the texel
// positions whose samples may read one of them, point or bilinear, with a texel to spare. Samples past
// an edge read the edge texels (clamp) or those of the other edge (wrap, mirror); positions outside
// the texture under wrap or mirror may read any texel.
void Reach(LONG lo, LONG hi, UINT size, DWORD mode, bool inside, double& from, double& to) {
    constexpr double kAll = std::numeric_limits<double>::infinity();
    const bool edge = lo <= 0 || hi >= LONG(size);
    from = lo <= 0 ? -kAll : lo - 1.5;
    to = hi >= LONG(size) ? kAll : hi + 1.5;
    if (mode != D3DTADDRESS_CLAMP && (edge || !inside)) from = -kAll, to = kAll;
}

// Cuts a convex polygon to the side of a line where f(point) >= 0, f affine.
template <class F>
void CutPolygon(std::vector<TexelPoint>& poly, F f) {
    std::vector<TexelPoint> out;
    for (size_t i = 0; i < poly.size(); ++i) {
        const TexelPoint& a = poly[i];
        const TexelPoint& b = poly[(i + 1) % poly.size()];
        const double fa = f(a), fb = f(b);
        if (fa >= 0) out.push_back(a);
        if ((fa >= 0) != (fb >= 0)) {
            const double t = fa / (fa - fb);
            out.push_back(TexelPoint{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.u + t * (b.u - a.u),
                                     a.v + t * (b.v - a.v)});
        }
    }
    poly.swap(out);
}

// The pixels of a draw that may sample the texels `dirty` of the texture of its stage `stage`. A
// triangle drawn without perspective maps texture positions onto the screen affinely: only its part
// within reach of those texels counts. Any other triangle, or a pixel shader, counts whole.
RECT ReachOnScreen(const PixelState& st, const std::vector<ScreenVertex>& vertices, int stage, const RECT& dirty) {
    const Surface& texture = *st.textures[stage];
    const double width = texture.Desc().Width, height = texture.Desc().Height;
    const int set = int(st.tss[stage][D3DTSS_TEXCOORDINDEX] & 7);
    RECT area{};
    for (size_t i = 0; i + 2 < vertices.size(); i += 3) {
        const ScreenVertex* v = &vertices[i];
        std::vector<TexelPoint> poly(3);
        bool inside = true;
        for (int k = 0; k < 3; ++k) {
            poly[size_t(k)] = TexelPoint{v[k].x, v[k].y, double(v[k].a[kAttrTex + 4 * set]) * width,
                                         double(v[k].a[kAttrTex + 4 * set + 1]) * height};
            inside &= poly[size_t(k)].u >= 0 && poly[size_t(k)].u <= width && poly[size_t(k)].v >= 0 &&
                      poly[size_t(k)].v <= height;
        }
        const bool affine = v[0].invW == v[1].invW && v[0].invW == v[2].invW;
        if (affine && !st.pixelShader && std::isfinite(poly[0].u + poly[1].u + poly[2].u + poly[0].v + poly[1].v + poly[2].v)) {
            double u0, u1, v0, v1;
            Reach(dirty.left, dirty.right, UINT(width), st.samp[stage][D3DSAMP_ADDRESSU], inside, u0, u1);
            Reach(dirty.top, dirty.bottom, UINT(height), st.samp[stage][D3DSAMP_ADDRESSV], inside, v0, v1);
            if (std::isfinite(u0)) CutPolygon(poly, [&](const TexelPoint& p) { return p.u - u0; });
            if (std::isfinite(u1)) CutPolygon(poly, [&](const TexelPoint& p) { return u1 - p.u; });
            if (std::isfinite(v0)) CutPolygon(poly, [&](const TexelPoint& p) { return p.v - v0; });
            if (std::isfinite(v1)) CutPolygon(poly, [&](const TexelPoint& p) { return v1 - p.v; });
        }
        if (!poly.empty()) area = Unite(area, BoxAround(poly.data(), poly.size(), st.clip));
    }
    return area;
}

}  // namespace

bool FrameRecord::ChangedAreas(const FrameRecord& last, std::vector<ChangedArea>& areas) const {
    areas.clear();
    if (Commands().size() != last.Commands().size() || last.versions_.empty() || !SelfContained()) return false;
    auto areaOf = [&](const Surface* s) -> Region* {
        for (ChangedArea& a : areas)
            if (a.surface == s) return &a.region;
        return nullptr;
    };
    // A written surface must hold what the last frame left in it, and nothing may have read it before.
    std::vector<const Surface*> read;
    auto write = [&](const Surface* s) {
        if (!s || areaOf(s)) return true;
        if (std::find(read.begin(), read.end(), s) != read.end() || s->Version() != last.FinishedVersion(s))
            return false;
        areas.push_back(ChangedArea{s, Region{}});
        return true;
    };
    for (size_t i = 0; i < Commands().size(); ++i) {
        const Command& now = Commands()[i];
        const Command& before = last.Commands()[i];
        if (now.isClear != before.isClear) return false;
        if (now.isClear) {
            if (!SameClear(now.clear, before.clear) || !write(now.clear.target) || !write(now.clear.depth)) return false;
            continue;
        }
        if (now.state->target != before.state->target || now.state->depth != before.state->depth ||
            !write(now.state->target) || !write(now.state->depth))
            return false;
        for (const Surface* t : now.state->textures)
            if (t) read.push_back(t);
    }

    // A draw that tests depth reads and writes its target and its depth surface at the same pixels, so
    // the two must be drawn again over one region. Tied regions that grow can make the regions of
    // surfaces drawn from them grow: the regions are worked out again until none grows.
    std::vector<std::pair<Region*, Region*>> tied;
    for (size_t i = 0; i < Commands().size(); ++i) {
        const Command& now = Commands()[i];
        if (now.isClear || !now.state->depth) continue;
        if (now.state->rs[D3DRS_ZENABLE] != D3DZB_FALSE || last.Commands()[i].state->rs[D3DRS_ZENABLE] != D3DZB_FALSE)
            tied.emplace_back(areaOf(now.state->target), areaOf(now.state->depth));
    }
    constexpr int kMostRounds = 8;
    std::vector<Region> start;
    for (int round = 0; round < kMostRounds; ++round) {
        start.clear();
        for (const ChangedArea& a : areas) start.push_back(a.region);
        for (size_t i = 0; i < Commands().size(); ++i) {
            const Command& now = Commands()[i];
            const Command& before = last.Commands()[i];
            if (now.isClear) continue;
            const PixelState& s = *now.state;
            Region& area = *areaOf(s.target);
            if (!SameCommand(now, before)) {
                // Where the draw was and where it is are kept apart: a picture moved far leaves the
                // pixels between its two places alone.
                area.Add(DrawnBox(s, now.vertices));
                area.Add(DrawnBox(*before.state, before.vertices));
                continue;
            }
            for (int k = 0; k < int(kSamplerCount); ++k) {
                const Surface* t = s.textures[k];
                if (!t) continue;
                if (const Region* drawn = areaOf(t)) {
                    for (const RECT& dirty : drawn->Rects()) area.Add(ReachOnScreen(s, now.vertices, k, dirty));
                } else if (t->Version() != last.FinishedVersion(t)) {
                    area.Add(ReachOnScreen(s, now.vertices, k, RECT{0, 0, LONG(t->Desc().Width), LONG(t->Desc().Height)}));
                }
            }
        }
        for (auto& [target, depth] : tied) {
            target->Add(*depth);
            *depth = *target;
        }
        bool grew = false;
        for (size_t i = 0; i < areas.size(); ++i) grew |= !(start[i] == areas[i].region);
        if (grew) continue;
        for (ChangedArea& a : areas) a.region.JoinSideBySide();
        return true;
    }
    return false;
}

bool FrameRecord::Repeats(const FrameRecord& last) const {
    if (Commands().size() != last.Commands().size() || last.versions_.empty()) return false;
    for (size_t i = 0; i < Commands().size(); ++i)
        if (!SameCommand(Commands()[i], last.Commands()[i])) return false;
    for (const auto& [surface, version] : last.versions_)
        if (surface->Version() != version) return false;
    return SelfContained();
}

void FrameRecord::Drop() {
    count_ = 0;
    versions_.clear();
    // Unbinding may release an object whose release comes back to the device: the list is emptied first.
    std::vector<Counted*> held;
    held.swap(held_);
    for (Counted* c : held) c->Unbind();
    held.clear();
    if (held_.empty()) held_.swap(held);  // its room serves the next frame
}

void FrameRecord::Swap(FrameRecord& other) noexcept {
    storage_.swap(other.storage_);
    std::swap(count_, other.count_);
    held_.swap(other.held_);
    versions_.swap(other.versions_);
}

}  // namespace d3d9
