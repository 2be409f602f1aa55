// The PNG files games mostly hold (8-bit RGB or RGBA, not interlaced) decoded with their rows
// unfiltered straight into A8R8G8B8 pixels.
#pragma once
#include <windows.h>

#include <cstddef>

#include "pixelmemory.h"

namespace d3dx9 {

// The width x height pixels of an 8-bit RGB or RGBA PNG that is not interlaced, as A8R8G8B8 (opaque
// where the file has no alpha). Empty for a file of any other kind and for one whose chunks or
// compressed rows are not whole and sound; stb_image then decides about it, as it did before.
d3d9::PixelBuffer<DWORD> DecodePlainPng(const unsigned char* bytes, std::size_t size, UINT& width, UINT& height);

}  // namespace d3dx9
