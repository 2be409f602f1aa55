// Triangle set-up for the rasteriser: edges in fixed point with the top-left fill rule, the rows' x
// ranges, and plane equations of depth, 1/w and the attributes a draw reads, evaluated per pixel the
// same way whatever span asks.
#pragma once
#include <algorithm>

#include "pixelmath.h"
#include "raster.h"

namespace d3d9 {

// A plane a(x, y) = base + dx * x + dy * y over screen coordinates.
struct Plane {
    double base, dx, dy;
    float At(double x, double y) const { return float(base + dx * x + dy * y); }
};

struct Edge {
    int64_t ax, ay, dx, dy;
    int64_t bias;  // 0 for top and left edges (pixels on them are inside), 1 otherwise
};

struct Triangle {
    Edge edge[3];
    int ymin, ymax, xmin, xmax;
    bool rect = false;  // two triangles joined into an axis-aligned rectangle: each row's span is xmin..xmax
    bool affine;  // all three w equal: attributes interpolate linearly on screen
    Plane z, invW;
    Plane attr[kAttrCount];
};

// Which attributes a draw reads, and where each stage's texture coordinates come from.
struct Usage {
    bool diffuse = false;
    unsigned texSets = 0;            // bit per texture coordinate set
    unsigned texComponents[kTexCoordCount] = {};  // bit per component read of each set
    int attrList[kAttrCount];
    int attrCount = 0;
};

Usage UsageOf(const PixelState& st);

// Sets up triangle t from three screen vertices, inside the clip rectangle; false when it covers no
// pixel (or a corner is not a finite point).
bool Setup(const ScreenVertex* v, const RECT& clip, const Usage& use, Triangle& t);

// Joins b into a where the two are the halves of an axis-aligned rectangle (each takes three of its
// corners, the two they share being a diagonal) whose planes are the same to the bit: the rectangle's
// pixels are then those of the two triangles, each with the very values it had in its own. False, with
// a left as it was, otherwise.
bool JoinRectangle(Triangle& a, const Triangle& b, const Usage& use, const RECT& clip);
// The pixels (right and bottom exclusive) within clip of the axis-aligned rectangle whose halves are a
// and b, as JoinRectangle finds it from their corners alone; false when they are not such halves or
// the rectangle holds no pixel there.
bool RectangleOf(const Triangle& a, const Triangle& b, const RECT& clip, RECT& pixels);

// Whether texture coordinate set `set` runs along the triangle's rows: drawn without perspective, its
// u depends on x alone and its v is the same along each row, so that one row's texel columns serve all.
inline bool AlongRows(const Triangle& t, int set) {
    return t.affine && t.attr[kAttrTex + 4 * set].dy == 0.0 && t.attr[kAttrTex + 4 * set + 1].dx == 0.0;
}

// The x range of row y (ymin..ymax) inside the triangle, or false when the row misses it.
inline bool Span(const Triangle& t, int y, int& x0, int& x1) {
    if (t.rect) {
        x0 = t.xmin;
        x1 = t.xmax;
        return true;
    }
    int64_t lo = t.xmin, hi = t.xmax;
    int64_t Y = int64_t(y) * kSub;
    for (const Edge& e : t.edge) {
        // E(x) = dx * (Y - ay) - dy * (x * kSub - ax) must be >= bias.
        int64_t c = e.dx * (Y - e.ay) + e.dy * e.ax;
        if (e.dy == 0) {
            if (c < e.bias) return false;
        } else if (e.dy < 0) {
            lo = std::max(lo, -FloorDiv(c - e.bias, -e.dy * kSub));
        } else {
            hi = std::min(hi, FloorDiv(c - e.bias, e.dy * kSub));
        }
    }
    if (lo > hi) return false;
    x0 = int(lo);
    x1 = int(hi);
    return true;
}

// The value of attribute plane p at pixel x of row y. Rows are evaluated from the start of each
// 64-pixel-aligned block and stepped from there, so a value depends on x and y only, not on where a
// span starts.
inline float AttrAt(const Plane& p, int x, int y) {
    const int block = x & ~(kChunk - 1);
    return float((p.base + p.dx * block + p.dy * y) + p.dx * (x - block));
}

// The values of attribute plane p at pixels cx .. cx + n - 1 of row y: the same sums as AttrAt,
// block by block.
void AttrRun(const Plane& p, int cx, int y, int n, float* out);

}  // namespace d3d9
