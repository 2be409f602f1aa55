// Drawing helpers for the rasteriser tests.
#include "support/D3DDraw.h"

#include <cstring>

void SetScreenProjection(IDirect3DDevice9* device, float w, float h) {
    // Off-centre orthographic projection (0, w, h, 0, 0, 1), written out.
    D3DMATRIX m = {{{2 / w, 0, 0, 0, 0, -2 / h, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1}}};
    device->SetTransform(D3DTS_PROJECTION, &m);
}

void SetBlendedSpriteStates(IDirect3DDevice9* device) {
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

IDirect3DTexture9* MakeTexture(IDirect3DDevice9* device, UINT w, UINT h, const std::vector<DWORD>& pixels,
                               D3DFORMAT format) {
    IDirect3DTexture9* tex = nullptr;
    if (FAILED(device->CreateTexture(w, h, 1, 0, format, D3DPOOL_MANAGED, &tex, nullptr))) return nullptr;
    D3DLOCKED_RECT lr;
    tex->LockRect(0, &lr, nullptr, 0);
    for (UINT y = 0; y < h; ++y) std::memcpy(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch, &pixels[y * w], w * 4);
    tex->UnlockRect(0);
    return tex;
}

void DrawQuad(IDirect3DDevice9* device, float x0, float y0, float x1, float y1, DWORD colour, float z, float u1,
              float v1) {
    SpriteVertex v[4] = {{x0, y0, z, colour, 0, 0}, {x1, y0, z, colour, u1, 0}, {x0, y1, z, colour, 0, v1},
                         {x1, y1, z, colour, u1, v1}};
    const WORD indices[6] = {0, 1, 2, 2, 1, 3};
    device->SetFVF(kSpriteFvf);
    device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, v, sizeof(SpriteVertex));
}

std::vector<DWORD> ReadTarget(IDirect3DDevice9* device, IDirect3DSurface9* target) {
    IDirect3DSurface9* rt = target;
    if (!rt) device->GetRenderTarget(0, &rt);
    D3DSURFACE_DESC d;
    rt->GetDesc(&d);
    IDirect3DSurface9* copy = nullptr;
    device->CreateOffscreenPlainSurface(d.Width, d.Height, d.Format, D3DPOOL_SYSTEMMEM, &copy, nullptr);
    std::vector<DWORD> out;
    if (SUCCEEDED(device->GetRenderTargetData(rt, copy))) {
        D3DLOCKED_RECT lr;
        copy->LockRect(&lr, nullptr, D3DLOCK_READONLY);
        for (UINT y = 0; y < d.Height; ++y) {
            const DWORD* row = reinterpret_cast<const DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch);
            out.insert(out.end(), row, row + d.Width);
        }
        copy->UnlockRect();
    }
    copy->Release();
    if (!target) rt->Release();
    return out;
}
