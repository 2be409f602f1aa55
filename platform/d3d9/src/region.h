// A part of a surface kept as a few rectangles that do not overlap, for the areas of a frame that
// changed: separate changes stay separate, so what lies between them is not drawn again.
#pragma once
#include <d3d9.h>

#include <vector>

namespace d3d9 {

bool EmptyRect(const RECT& r);
RECT Intersect(const RECT& a, const RECT& b);
RECT Unite(const RECT& a, const RECT& b);  // the box around both (either may be empty)

class Region {
public:
    // Adds the pixels of r: the parts of it that no rectangle holds yet join the list, each merged with
    // a neighbour when the box around the two takes few pixels more and overlaps no other rectangle.
    // Past kMostRects rectangles the region becomes its bounding box.
    void Add(const RECT& r);
    void Add(const Region& other);
    // Rectangles side by side over kJoinRows or more of the same rows become one rectangle over those
    // rows (with what each has above and below them left apart): the same pixels, each such row a
    // single span for every draw that crosses both, rather than two. Stops short of kMostRects.
    void JoinSideBySide();
    bool Empty() const { return rects_.empty(); }
    const std::vector<RECT>& Rects() const { return rects_; }
    bool operator==(const Region& other) const;

    static constexpr size_t kMostRects = 16;
    // Pixels a merge may add: drawing a few thousand pixels again costs about what one more rectangle
    // costs every draw it cuts.
    static constexpr long kMergeSlack = 4096;
    // Rows side by side that are worth a join: splitting both rectangles' other rows off costs each draw
    // over them more steps, which a few rows of spans saved do not repay.
    static constexpr LONG kJoinRows = 16;

private:
    void Insert(RECT r);

    std::vector<RECT> rects_;  // apart from each other, none empty
};

}  // namespace d3d9
