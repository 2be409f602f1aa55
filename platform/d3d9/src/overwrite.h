// What a draw's state and texels say about the pixels it writes: whether it writes every pixel of a
// rectangle with colours that owe nothing to what its target held there (a clear of those pixels just
// before it need not run), whether it copies its texture one to one, and whether its blend changes
// nothing.
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

// Whether the draw blends SRCALPHA over INVSRCALPHA a source whose alpha is 255 at every pixel (its
// alpha test, if any, passing at 255): it then writes what the same draw writes unblended and
// untested, which the fast paths copy without arithmetic. unblended is given that draw's state.
bool Unblended(const PixelState& state, const std::vector<ScreenVertex>& vertices, OpaqueTexels& texels,
               PixelState& unblended);

// Whether the draw, over all of r, writes each pixel (x, y) of its X8R8G8B8 target as texel
// (x + offset.x, y + offset.y) of its X8R8G8B8 texture with alpha 255, as CopyRow copies them: a
// picture drawn one to one, point-sampled, untinted. offset is set where it does.
bool CopiesTexels(const PixelState& state, const std::vector<ScreenVertex>& vertices, const RECT& r,
                  OpaqueTexels& texels, POINT& offset);

}  // namespace d3d9
