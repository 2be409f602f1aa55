// The back buffer's rectangles held in the render-target picture: noting them, reading their rows for
// Present, and copying them into the back buffer as the skipped copy would have.
#include "mirror.h"

#include <algorithm>

#include "combine.h"
#include "region.h"

namespace d3d9 {

bool BackBufferMirror::Add(Surface* source, POINT offset, const RECT& r) {
    if (source_ && (source_ != source || offset_.x != offset.x || offset_.y != offset.y)) return false;
    if (!source_) {
        source->Bind();
        source_ = source;
        offset_ = offset;
    }
    top_ = rects_.empty() ? r.top : std::min(top_, r.top);
    bottom_ = rects_.empty() ? r.bottom : std::max(bottom_, r.bottom);
    rects_.push_back(r);
    return true;
}

bool BackBufferMirror::Within(const std::vector<RECT>& rects) const {
    return std::all_of(rects_.begin(), rects_.end(), [&](const RECT& held) {
        return std::any_of(rects.begin(), rects.end(), [&](const RECT& r) {
            return r.left <= held.left && r.top <= held.top && r.right >= held.right && r.bottom >= held.bottom;
        });
    });
}

const DWORD* BackBufferMirror::SourceRow(LONG y) const {
    return reinterpret_cast<const DWORD*>(source_->Bits() + size_t(y + offset_.y) * source_->Pitch()) + offset_.x;
}

void BackBufferMirror::Restore(Surface& backBuffer) {
    Combine copy;
    copy.targetX8 = true;
    for (const RECT& r : rects_)
        for (LONG y = r.top; y < r.bottom; ++y) {
            DWORD* out = reinterpret_cast<DWORD*>(backBuffer.Bits() + size_t(y) * backBuffer.Pitch());
            CopyRow(copy, SourceRow(y) + r.left, 0xFF000000u, out + r.left, int(r.right - r.left));
        }
    Forget();
}

void BackBufferMirror::Forget() {
    rects_.clear();
    top_ = bottom_ = 0;
    if (source_) source_->Unbind();
    source_ = nullptr;
}

}  // namespace d3d9
