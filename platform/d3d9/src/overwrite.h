// Whether a draw writes every pixel of a rectangle with colours that owe nothing to what its target
// held there, so that a clear of those pixels just before it need not run.
#pragma once
#include <d3d9.h>

#include <cstdint>
#include <vector>

#include "raster.h"

namespace d3d9 {

// Remembers, for the last few texel boxes looked at, whether every texel in them has alpha 255: a
// picture drawn each frame from the same contents is scanned once.
class OpaqueTexels {
public:
    bool Opaque(const Surface& texture, const RECT& box);

private:
    struct Seen {
        uint64_t version;  // the texture's contents (no two contents of any surface share one)
        RECT box;
        bool opaque;
    };
    static constexpr size_t kKept = 8;
    std::vector<Seen> seen_;  // oldest first
};

// Whether the draw writes every pixel of r in its target, each with a colour that does not depend on
// the target's: it is a rectangle (two triangles) over all of r, passes its alpha and depth tests
// everywhere, and replaces the target's colour or blends over it a source whose alpha is 255.
bool Overwrites(const PixelState& state, const std::vector<ScreenVertex>& vertices, const D3DRECT& r,
                OpaqueTexels& texels);

}  // namespace d3d9
