// The general span shader: any state the device takes, one span of a triangle's row at a time.
#pragma once
#include <d3d9.h>

#include "combine.h"
#include "shader.h"
#include "triangle.h"

namespace d3d9 {

// True when a stage's colour or alpha operation takes a texture argument.
bool StageReadsTexture(const DWORD* ts);

// Shades and writes pixels x0..x1 (inclusive) of row y of triangle t. writer is the row combiner's
// way of writing the draw, or null where the blend or target needs the per-pixel blend.
void ShadeSpan(const PixelState& st, const Usage& use, const Combine* writer, const PixelProgram* program,
               const Triangle& t, int y, int x0, int x1);

}  // namespace d3d9
