// Vertex layouts: the elements a flexible vertex format stands for, element sizes, and reading one
// element of a vertex as four floats.
#pragma once
#include <d3d9.h>

#include <vector>

namespace d3d9 {

// The elements of an FVF code on stream 0, in memory order; false for a code that is not valid.
bool ElementsFromFvf(DWORD fvf, std::vector<D3DVERTEXELEMENT9>& elements);
// Bytes of one element type (0 for an unknown type).
UINT ElementSize(BYTE type);
// Bytes per vertex of a stream in a declaration: the end of its furthest element.
UINT StreamStride(const std::vector<D3DVERTEXELEMENT9>& elements, WORD stream);
// Reads an element into x, y, z, w (missing components 0, 0, 0, 1).
void ReadElement(BYTE type, const BYTE* p, float out[4]);

}  // namespace d3d9
