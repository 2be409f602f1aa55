// The general span shader: any state the device takes, one span of a triangle's row at a time.
#pragma once
#include <d3d9.h>

#include <memory>
#include <optional>
#include <vector>

#include "combine.h"
#include "fastpath.h"
#include "sampler.h"
#include "shader.h"
#include "triangle.h"

namespace d3d9 {

// True when a stage's colour or alpha operation takes a texture argument.
bool StageReadsTexture(const DWORD* ts);

// What the samples of a draw's pixel program take from one triangle, worked out once for the
// triangle instead of for each of its rows: for every sample (stage and coordinate set) that may go
// through texel columns (u depends on x alone, v is the same along a row, point sampling or bilinear
// with clamping), its sampler, its point columns or bilinear column table, and its v plane. Rows then
// only advance to their start.
class TriangleSamples {
public:
    // Works the samples of program out for triangle t drawn with st, reusing the buffers of the
    // triangle it held before.
    void Prepare(const PixelState& st, const PixelProgram& program, const Triangle& t);
    // Whether every sample of the program goes through texel columns.
    bool AllColumns() const { return allColumns_; }
    // Whether the samples of stage from set go through texel columns.
    bool Columns(int stage, int set) const { return Find(stage, set) != nullptr; }
    // The samples of stage from set at pixels x .. x + count - 1 of row y, where Columns says they go
    // through texel columns: in out, or where they lie in the texture as they are.
    const DWORD* Row(int stage, int set, int x, int y, int count, DWORD* out) const;

private:
    struct Sample {
        int stage = 0, set = 0;
        const Surface* texture = nullptr;  // null: the stage has no texture (opaque black)
        std::optional<Sampler> sampler;
        Plane v{};
        // What the columns were made from: kept from the draw before, they serve again where it drew
        // the same u plane over the same columns with the same texture size and sampling.
        Plane u{};
        int xmin = 0, xmax = -1, width = 0;
        DWORD modeU = 0;
        bool point = false;
        std::vector<int> column;  // point: per pixel from xmin, the texel column or -1 for the border
        bool straight = false;    // point: the columns follow each other from one inside the texture
        std::unique_ptr<ColumnTable> table;  // bilinear
    };
    const Sample* Find(int stage, int set) const;

    std::vector<Sample> samples_;  // the first count_ are this triangle's
    size_t count_ = 0;
    int xmin_ = 0;
    bool allColumns_ = false;
};

// Shades and writes pixels x0..x1 (inclusive) of row y of triangle t. writer is the row combiner's
// way of writing the draw, or null where the blend or target needs the per-pixel blend; samples is
// what the draw's program (if any) samples from t.
void ShadeSpan(const PixelState& st, const Usage& use, const Combine* writer, const PixelProgram* program,
               const TriangleSamples* samples, const Triangle& t, int y, int x0, int x1);

}  // namespace d3d9
