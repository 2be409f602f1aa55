// The four formats the game draws with (alpha and opaque textures, alpha and opaque render targets),
// each with the pixel objects made for it.
#pragma once
#include <d3d9.h>

#include <memory>

#include "engine/resources/PixelOperators.h"
#include "engine/util/USSingleton.h"

class CUSTextureFormatInfo {
public:
    CUSTextureFormatInfo() = default;
    CUSTextureFormatInfo(const CUSTextureFormatInfo&) = delete;
    CUSTextureFormatInfo& operator=(const CUSTextureFormatInfo&) = delete;
    virtual ~CUSTextureFormatInfo() = default;
    virtual void Release();
    // Stores the format and makes its pixel objects (each null when the format has none).
    virtual void SetFormat(D3DFORMAT format);

    D3DFORMAT GetFormat() const { return format_; }
    CRenderPixel* GetRenderPixel() const { return renderPixel_.get(); }
    CFillRectFunctor* GetFillRect() const { return fillRect_.get(); }
    CClearRectFunctor* GetClearRect() const { return clearRect_.get(); }
    IPixelOperator* GetPixelOperator() const { return pixelOperator_.get(); }

private:
    D3DFORMAT format_ = D3DFMT_UNKNOWN;
    std::unique_ptr<CRenderPixel> renderPixel_;
    std::unique_ptr<CFillRectFunctor> fillRect_;
    std::unique_ptr<CClearRectFunctor> clearRect_;
    std::unique_ptr<IPixelOperator> pixelOperator_;
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
