// Drawing helpers for the rasteriser tests: textures from pixel lists, screen-space quads and
// reading back a render target.
#pragma once
#include <d3d9.h>

#include <vector>

struct SpriteVertex {
    float x, y, z;
    DWORD colour;
    float u, v;
};
constexpr DWORD kSpriteFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Sets an orthographic projection that maps x, y onto screen pixels of a w x h target (y down, z 0..1).
void SetScreenProjection(IDirect3DDevice9* device, float w, float h);
// Screen-space sprites: no lighting, culling or depth test, blended by the source's alpha.
void SetBlendedSpriteStates(IDirect3DDevice9* device);
// A managed texture of w x h pixels in the given 32-bit format, filled row after row.
IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, UINT w, UINT h, const std::vector<DWORD>& pixels,
                               D3DFORMAT format = D3DFMT_A8R8G8B8);
// Draws the quad (x0, y0)-(x1, y1) at depth z with one colour and texture coordinates 0..1.
void DrawQuad(IDirect3DDevice9* device, float x0, float y0, float x1, float y1, DWORD colour, float z = 0.f,
              float u1 = 1.f, float v1 = 1.f);
// The pixels of a 32-bit render target (or the back buffer when null) as stored.
std::vector<DWORD> ReadTarget(IDirect3DDevice9* device, IDirect3DSurface9* target = nullptr);
