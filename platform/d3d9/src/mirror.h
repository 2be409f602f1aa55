// Parts of the back buffer whose pixels a frame left in the render-target picture it copies one to
// one onto the back buffer: the copy is not made, Present reads those pixels in the picture, and they
// are put into the back buffer before anything else reads or writes it or the picture.
#pragma once
#include <d3d9.h>

#include <algorithm>
#include <vector>

#include "objects.h"

namespace d3d9 {

class BackBufferMirror {
public:
    BackBufferMirror() = default;
    ~BackBufferMirror() { Forget(); }
    BackBufferMirror(const BackBufferMirror&) = delete;
    BackBufferMirror& operator=(const BackBufferMirror&) = delete;

    bool Active() const { return source_ != nullptr; }
    const Surface* Source() const { return source_; }
    // Notes that rectangle r of the back buffer is texel (x + offset.x, y + offset.y) of source at each
    // of its pixels (x, y); false, noting nothing, when other rectangles are held of another source or
    // offset.
    bool Add(Surface* source, POINT offset, const RECT& r);
    // Whether each rectangle held lies within one of rects.
    bool Within(const std::vector<RECT>& rects) const;
    // Copies the held pixels into the back buffer, then forgets them.
    void Restore(Surface& backBuffer);
    // Forgets the held pixels (the back buffer's rectangles are about to be drawn again).
    void Forget();
    // Row y of the back buffer as Present reads it, columns left..right - 1, in parts from left to
    // right: f(from, l, r) for each, from holding columns l..r - 1 (the back buffer's own row, or the
    // source's where a held rectangle crosses it).
    template <class F>
    void ForEachPart(const Surface& backBuffer, LONG y, LONG left, LONG right, F f) const {
        const DWORD* own = reinterpret_cast<const DWORD*>(backBuffer.Bits() + size_t(y) * backBuffer.Pitch());
        // The held rectangles do not overlap: those crossing the row are taken in order of their left sides.
        while (left < right && y >= top_ && y < bottom_) {
            const RECT* next = nullptr;
            for (const RECT& r : rects_)
                if (y >= r.top && y < r.bottom && r.right > left && r.left < right && (!next || r.left < next->left))
                    next = &r;
            if (!next) break;
            if (next->left > left) f(own, left, next->left);
            const LONG end = std::min(right, next->right);
            f(SourceRow(y), std::max(left, next->left), end);
            left = end;
        }
        if (left < right) f(own, left, right);
    }

private:
    const DWORD* SourceRow(LONG y) const;

    Surface* source_ = nullptr;  // bound while rectangles are held
    POINT offset_{};
    std::vector<RECT> rects_;
    LONG top_ = 0, bottom_ = 0;  // the rows that rects_ cross
};

}  // namespace d3d9
