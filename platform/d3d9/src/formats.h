// Pixel formats of the software device: sizes, which roles the adapter accepts them in, and conversion
// of one pixel to and from 8-bit ARGB.
#pragma once
#include <d3d9.h>

namespace d3d9 {

struct FormatInfo {
    D3DFORMAT format;
    UINT bytes;          // bytes per pixel
    bool texture;        // usable as a texture
    bool renderTarget;   // usable as a render target
    bool depth;          // a depth format
    bool sixteenBit;     // still offered by an adapter that refuses 32-bit formats
};

// The record of a format the device handles, or null.
const FormatInfo* FindFormat(D3DFORMAT format);
// True when the adapter is set to refuse 32-bit formats (test hook).
bool Refuse32Bit();
// Whether the adapter accepts a format in a role (usage 0, RENDERTARGET or DEPTHSTENCIL).
bool AcceptsFormat(DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format);

// One pixel of a colour format as 0xAARRGGBB; formats without alpha read alpha 255.
DWORD ReadPixel(D3DFORMAT format, const BYTE* p);
// Stores 0xAARRGGBB into one pixel of a colour format (channels rounded to the format's bits).
void WritePixel(D3DFORMAT format, BYTE* p, DWORD argb);

}  // namespace d3d9
