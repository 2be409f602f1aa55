// The four formats the game draws with (alpha and opaque textures, alpha and opaque render targets),
// each with the pixel objects made for it.
#pragma once
#include <d3d9.h>

#include "engine/resources/PixelOperators.h"
#include "engine/util/USSingleton.h"

class CUSTextureFormatInfo {
public:
    CUSTextureFormatInfo() = default;
    CUSTextureFormatInfo(const CUSTextureFormatInfo&) = delete;
    CUSTextureFormatInfo& operator=(const CUSTextureFormatInfo&) = delete;
    virtual ~CUSTextureFormatInfo() { Release(); }
    virtual void Release();
    // Stores the format and makes its pixel objects (each null when the format has none).
    virtual void SetFormat(D3DFORMAT format);

    D3DFORMAT GetFormat() const { return format_; }
    CRenderPixel* GetRenderPixel() const { return renderPixel_; }
    CFillRectFunctor* GetFillRect() const { return fillRect_; }
    CClearRectFunctor* GetClearRect() const { return clearRect_; }
    IPixelOperator* GetPixelOperator() const { return pixelOperator_; }

private:
    D3DFORMAT format_ = D3DFMT_UNKNOWN;
    CRenderPixel* renderPixel_ = nullptr;
    CFillRectFunctor* fillRect_ = nullptr;
    CClearRectFunctor* clearRect_ = nullptr;
    IPixelOperator* pixelOperator_ = nullptr;
};

class CUSAppDeviceInfo {
public:
    virtual ~CUSAppDeviceInfo() = default;
    // Takes for each record the first format of its list that the adapter accepts with that back
    // buffer; false at the first record that finds none. sixteenBitOnly skips the 32-bit formats.
    virtual bool Setup(D3DFORMAT backBufferFormat, bool sixteenBitOnly);

    CUSTextureFormatInfo alphaTexture;
    CUSTextureFormatInfo opaqueTexture;
    CUSTextureFormatInfo alphaRenderTarget;
    CUSTextureFormatInfo opaqueRenderTarget;
};
