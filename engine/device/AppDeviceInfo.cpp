// Choice of the game's texture and render-target formats and their pixel objects.
#include "engine/device/AppDeviceInfo.h"

#include "engine/device/D3DDevice.h"

void CUSTextureFormatInfo::Release() {
    renderPixel_.reset();
    fillRect_.reset();
    clearRect_.reset();
    pixelOperator_.reset();
}

void CUSTextureFormatInfo::SetFormat(D3DFORMAT format) {
    Release();
    format_ = format;
    renderPixel_ = CreateRenderPixel(format);
    fillRect_ = CreateFillRectFunctor(format);
    clearRect_ = CreateClearRectFunctor(format);
    pixelOperator_ = CreatePixelOperator(format);
}

bool CUSAppDeviceInfo::Setup(D3DFORMAT backBuffer, bool sixteenBitOnly) {
    const CAdapterInfo& adapter = GetAdapterInfo();
    struct Record {
        CUSTextureFormatInfo* info;
        bool renderTarget;
        D3DFORMAT candidates[3];
    };
    const Record records[] = {
        {&alphaTexture, false, {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_UNKNOWN}},
        {&opaqueTexture, false, {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5}},
        {&alphaRenderTarget, true, {D3DFMT_A8R8G8B8, D3DFMT_A1R5G5B5, D3DFMT_UNKNOWN}},
        {&opaqueRenderTarget, true, {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5}},
    };
    for (const Record& r : records) {
        bool found = false;
        for (D3DFORMAT f : r.candidates) {
            if (f == D3DFMT_UNKNOWN) break;
            if (sixteenBitOnly && (f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8)) continue;
            bool ok = r.renderTarget ? adapter.IsRenderTargetFormat(backBuffer, f) : adapter.IsTextureFormat(backBuffer, f);
            if (ok) {
                r.info->SetFormat(f);
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    return true;
}
