// The recorded frame: its commands, the objects they hold and the test that a frame repeats the last.
#include "frame.h"

#include <algorithm>
#include <cstring>

namespace d3d9 {

bool CoversWhole(const D3DRECT& r, const Surface& s) {
    return r.x1 <= 0 && r.y1 <= 0 && r.x2 >= LONG(s.Desc().Width) && r.y2 >= LONG(s.Desc().Height);
}

void FrameRecord::AddClear(ClearCommand clear) {
    for (Surface* s : {clear.target, clear.depth})
        if (s) {
            s->Bind();
            held_.push_back(&s->Lifetime());
        }
    Command c;
    c.isClear = true;
    c.clear = std::move(clear);
    commands_.push_back(std::move(c));
}

void FrameRecord::AddDraw(std::unique_ptr<PixelState> state, std::vector<ScreenVertex> vertices, Counted* pixelShader) {
    auto hold = [&](Surface* s) {
        if (!s) return;
        s->Bind();
        held_.push_back(&s->Lifetime());
    };
    hold(state->target);
    hold(state->depth);
    for (Surface* t : state->textures) hold(t);
    if (pixelShader) {
        pixelShader->Bind();
        held_.push_back(pixelShader);
    }
    Command c;
    c.state = std::move(state);
    c.vertices = std::move(vertices);
    commands_.push_back(std::move(c));
}

template <class F>
void FrameRecord::ForEachSurface(F f) const {
    for (const Command& c : commands_) {
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
    std::vector<const Surface*> written, covered;
    for (const Command& c : commands_) {
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
    for (const Command& c : commands_) {
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

bool FrameRecord::Repeats(const FrameRecord& last) const {
    if (commands_.size() != last.commands_.size() || last.versions_.empty()) return false;
    for (size_t i = 0; i < commands_.size(); ++i)
        if (!SameCommand(commands_[i], last.commands_[i])) return false;
    for (const auto& [surface, version] : last.versions_)
        if (surface->Version() != version) return false;
    return SelfContained();
}

void FrameRecord::Drop() {
    commands_.clear();
    versions_.clear();
    std::vector<Counted*> held;
    held.swap(held_);
    for (Counted* c : held) c->Unbind();
}

void FrameRecord::Swap(FrameRecord& other) noexcept {
    commands_.swap(other.commands_);
    held_.swap(other.held_);
    versions_.swap(other.versions_);
}

}  // namespace d3d9
