// The fast paths for the shapes most pixels take: an axis-aligned textured quad with a constant
// colour, point-sampled or bilinear, optionally blended SRCALPHA over INVSRCALPHA or ONE, into a
// 32-bit target, and flat colour. They compute exactly what the general path computes, with the
// per-pixel decisions taken once per draw or once per row.
#pragma once
#include <emmintrin.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "combine.h"
#include "triangle.h"

namespace d3d9 {

enum class FastKind { kNone, kPoint, kBilinear, kFlat /* the vertex colour alone, no texture */ };

struct FastPlan {
    FastKind kind = FastKind::kNone;
    int set = 0;
    const Surface* tex = nullptr;
    bool texX8 = false;
    Combine combine;            // the blend, and the texture times the colour where the stage modulates
    bool factorColour = false;  // the stage modulates by the texture factor, not the vertex colour
    bool aligned = false;       // sampler suits the per-row paths (point, or bilinear with clamping)
    bool depthTest = false, depthWrite = false;
    DWORD depthFunc = D3DCMP_ALWAYS;
    bool alphaTest = false;
    DWORD alphaFunc = D3DCMP_ALWAYS, alphaRef = 0;
};

// The fast path a draw's state allows; kind stays kNone when only the general path can shade it.
FastPlan PlanFast(const PixelState& st);

// Texel columns of one triangle for every x it covers, kept while a thread works on its rows (the
// texture coordinate u depends on x alone for the quads the fast paths take).
// Made once, by the first thread that needs it, and shared by all; a thread that needs it while it is
// being made shades its span without it (the same pixels) rather than wait.
struct ColumnTable {
    enum State { kNone, kMaking, kMade };
    std::atomic<int> state{kNone};
    int xmin = 0, xmax = -1;  // the columns it holds (or is to hold, until made)
    std::vector<int64_t> U;  // u * w (point) or u * w - 0.5 (bilinear), in 1/256 texels, from xmin
    bool straight = false;   // point sampling: texel column = x + offset everywhere
    int offset = 0;
    // Point sampling: the texel column of each x, and whether every one lies inside the texture.
    std::vector<int> column;
    bool inside = false;
    uint64_t serial = 0;  // this table among all made (never 0), so that rows read from it can be kept
    // Bilinear: left texel column (clamped) and the weights (256 - fx) x 4, fx x 4 of each x; where
    // the clamp makes both columns the same one the weights are 256 and 0 (c 256 - fx + c fx = 256 c).
    std::vector<int> left;
    struct Weights {
        __m128i v;
    };
    std::vector<Weights> weights;
};

// Fills a column table for columns xmin..xmax of u plane pu (row y's u values, u depending on x alone).
void MakeColumnTable(ColumnTable& table, int xmin, int xmax, FastKind kind, const Plane& pu, int y, int w, DWORD mode);

// What the fast path works out once for each triangle of a draw rather than for each of its rows.
struct FastTriangle {
    ColumnTable* table = nullptr;  // its texel columns, where TakesColumns says so
    DWORD colour = 0xFFFFFFFFu;    // the texture factor, or the vertex colour where it is the same throughout
    bool gouraud = false;          // the vertex colour varies over the triangle
};

// The colour triangle t's spans are shaded with under plan f, into ft.
void TriangleColour(const PixelState& st, const FastPlan& f, const Triangle& t, FastTriangle& ft);

// Whether plan f shades triangle t's rows through a column table: a textured triangle drawn without
// perspective whose u depends on x alone and v on y alone, with a sampler and tests that suit the
// per-row paths.
bool TakesColumns(const FastPlan& f, const Triangle& t);

// A table that an earlier run made, numbered again for this run: rows of texels kept from the earlier
// one (whose texture may have changed since) are not taken for it.
void Renumber(ColumnTable& table);

// Bilinear samples with clamping along one texel row position V (in 1/256 texels) for pixels x0..x1
// of a triangle whose column table (bilinear) is table: Sampler::At's results, the two texel rows
// blended once for the whole span and then across x.
class BilinearRow {
public:
    BilinearRow(const Surface& tex, bool texX8, int64_t V, const ColumnTable& table, int x0, int x1);
    // The samples of pixels x0 + done .. x0 + done + m - 1 into dst, ORed with opaque.
    void Across(int done, int m, DWORD* dst, DWORD opaque) const;

private:
    const int* left_;
    const ColumnTable::Weights* weights_;
    int first_ = 0;         // the first texel column blended
    const uint16_t* vrow_;  // the blended rows, four channels per column from first_
};

// Shades and writes pixels x0..x1 of row y of triangle t by plan f, with what ft holds for the
// triangle; false when the row needs the general path after all (a texel column outside the texture).
bool FastSpan(const PixelState& st, const FastPlan& f, const Triangle& t, const FastTriangle& ft, int y, int x0, int x1);

}  // namespace d3d9
