// Row combining: a row of source colours, optionally multiplied by one colour, blended into a row of
// a 32-bit target with the general path's 8-bit arithmetic, eight pixels at a time (AVX2) or two
// (SSE2). The fast paths and the general span shader both write through it when the draw's blend
// has a class here.
#pragma once
#include <d3d9.h>

#include "raster.h"

namespace d3d9 {

// The blends the row combiner does: the source alone, SRCALPHA over INVSRCALPHA, SRCALPHA plus ONE.
enum class BlendClass { kReplace, kOver, kAdd };

struct Combine {
    BlendClass blend = BlendClass::kReplace;
    bool separateOneOne = false;  // alpha blended ONE, ONE (ADD) beside the colour's blend
    bool targetX8 = false;        // alpha is written as 255
    bool modColour = false;       // source colour channels times the colour passed to CombineRow
    bool modAlpha = false;        // source alpha times the colour's alpha
};

// The row combiner's way of writing a draw, when its target is 32 bits, every channel is written and
// the blend has a class; false otherwise. The modulation flags stay off.
bool ClassifyWrite(const PixelState& st, Combine& c);

// Combines n source pixels into out: each source times colour where the combine modulates, then
// blended over out.
void CombineRow(const Combine& c, const DWORD* src, DWORD colour, DWORD* out, int n);

// Whether CombineRow gives each source itself, ORed with force (the alpha an X8 texture reads as)
// and an X8 target's alpha: colour modulates nothing (white where the stage modulates), and the blend
// replaces, or is Over sources whose alpha is forced to 255.
inline bool CopiesSource(const Combine& c, DWORD colour, DWORD force) {
    const bool modulates = (c.modColour && (colour & 0xFFFFFFu) != 0xFFFFFFu) || (c.modAlpha && (colour >> 24) != 255);
    return !modulates && (c.blend == BlendClass::kReplace || (c.blend == BlendClass::kOver && force == 0xFF000000u));
}
// out[i] = src[i] | force | the target's alpha fill for n pixels: CombineRow's result where
// CopiesSource holds, without its arithmetic.
void CopyRow(const Combine& c, const DWORD* src, DWORD force, DWORD* out, int n);

// What CombineRow gives for n sources that are all src (a flat colour, a texel stretched over a
// row): under Over, the source's share of each channel is worked out once for the row.
void CombineOne(const Combine& c, DWORD src, DWORD colour, DWORD* out, int n);

}  // namespace d3d9
