// The changed part of a surface as separate rectangles: adding, cutting away what is held, merging.
#include "region.h"

#include <algorithm>
#include <cstring>

namespace d3d9 {

bool EmptyRect(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

RECT Intersect(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

RECT Unite(const RECT& a, const RECT& b) {
    if (EmptyRect(a)) return b;
    if (EmptyRect(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

namespace {

long long Pixels(const RECT& r) { return EmptyRect(r) ? 0 : (long long)(r.right - r.left) * (r.bottom - r.top); }

bool Overlap(const RECT& a, const RECT& b) { return !EmptyRect(Intersect(a, b)); }

// The parts of r outside cut: up to four rectangles (the rows above and below it, then the columns
// beside it).
void Subtract(const RECT& r, const RECT& cut, std::vector<RECT>& out) {
    if (!Overlap(r, cut)) {
        out.push_back(r);
        return;
    }
    const LONG top = std::max(r.top, cut.top), bottom = std::min(r.bottom, cut.bottom);
    if (r.top < top) out.push_back(RECT{r.left, r.top, r.right, top});
    if (bottom < r.bottom) out.push_back(RECT{r.left, bottom, r.right, r.bottom});
    if (r.left < cut.left) out.push_back(RECT{r.left, top, cut.left, bottom});
    if (cut.right < r.right) out.push_back(RECT{cut.right, top, r.right, bottom});
}

}  // namespace

void Region::Add(const RECT& r) {
    if (EmptyRect(r)) return;
    // Each piece is cut by the rectangles held when it is inserted: a merge made for one piece may
    // have grown over another.
    std::vector<RECT> pieces{r}, parts, left;
    while (!pieces.empty()) {
        parts.assign(1, pieces.back());
        pieces.pop_back();
        for (const RECT& held : rects_) {
            left.clear();
            for (const RECT& p : parts) Subtract(p, held, left);
            parts.swap(left);
        }
        if (parts.empty()) continue;
        Insert(parts[0]);
        pieces.insert(pieces.end(), parts.begin() + 1, parts.end());
    }
    if (rects_.size() > kMostRects) {
        RECT box{};
        for (const RECT& q : rects_) box = Unite(box, q);
        rects_.assign(1, box);
    }
}

void Region::Add(const Region& other) {
    for (const RECT& r : other.rects_) Add(r);
}

void Region::Insert(RECT r) {
    // A merged box may in turn merge with another neighbour, so the search starts again after each.
    for (size_t i = 0; i < rects_.size();) {
        const RECT box = Unite(r, rects_[i]);
        bool apart = Pixels(box) - Pixels(r) - Pixels(rects_[i]) <= kMergeSlack;
        for (size_t k = 0; apart && k < rects_.size(); ++k) apart = k == i || !Overlap(box, rects_[k]);
        if (!apart) {
            ++i;
            continue;
        }
        r = box;
        rects_.erase(rects_.begin() + long(i));
        i = 0;
    }
    rects_.push_back(r);
}

void Region::JoinSideBySide() {
    // Each join leaves one span fewer on each joined row, so joining comes to an end.
    for (bool joined = true; joined;) {
        joined = false;
        for (size_t i = 0; i < rects_.size() && !joined; ++i)
            for (size_t k = 0; k < rects_.size() && !joined; ++k) {
                const RECT a = rects_[i], b = rects_[k];
                const LONG top = std::max(a.top, b.top), bottom = std::min(a.bottom, b.bottom);
                if (a.right != b.left || bottom - top < kJoinRows) continue;
                if (rects_.size() + 3 > kMostRects) return;
                rects_.erase(rects_.begin() + long(std::max(i, k)));
                rects_.erase(rects_.begin() + long(std::min(i, k)));
                for (const RECT& side : {a, b}) {
                    if (side.top < top) rects_.push_back(RECT{side.left, side.top, side.right, top});
                    if (bottom < side.bottom) rects_.push_back(RECT{side.left, bottom, side.right, side.bottom});
                }
                rects_.push_back(RECT{a.left, top, b.right, bottom});
                joined = true;
            }
    }
}

bool Region::operator==(const Region& other) const {
    return rects_.size() == other.rects_.size() &&
           (rects_.empty() || std::memcmp(rects_.data(), other.rects_.data(), rects_.size() * sizeof(RECT)) == 0);
}

}  // namespace d3d9
