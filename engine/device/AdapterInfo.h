// What adapter 0 offers: its display modes (for the full-screen size) and, per back-buffer format,
// the texture, render-target and depth formats the device accepts; and the two sets of present
// parameters (windowed and full screen).
#pragma once
#include <d3d9.h>

#include <memory>
#include <vector>

class CUSDisplayModeInfo {
public:
    virtual ~CUSDisplayModeInfo() = default;
    virtual void Set(const D3DDISPLAYMODE& mode);
    virtual const D3DDISPLAYMODE& GetMode() const { return mode_; }
    virtual D3DFORMAT GetFormat() const { return mode_.Format; }
    virtual bool Equals(const D3DDISPLAYMODE& mode) const;
    virtual bool Matches(UINT width, UINT height) const;
    virtual bool Matches(UINT width, UINT height, D3DFORMAT format) const;
    virtual void GetSize(UINT* width, UINT* height) const;

private:
    D3DDISPLAYMODE mode_{};
};

class CTextureFormatInfo {
public:
    explicit CTextureFormatInfo(D3DFORMAT backBufferFormat) : backBufferFormat_(backBufferFormat) {}
    virtual ~CTextureFormatInfo() = default;
    virtual void Clear();
    // Asks the adapter which candidates it accepts as textures, render targets and depth buffers.
    virtual void Enumerate(IDirect3D9* d3d);
    virtual D3DFORMAT GetBackBufferFormat() const { return backBufferFormat_; }
    virtual bool IsTextureFormat(D3DFORMAT format) const;
    virtual bool IsRenderTargetFormat(D3DFORMAT format) const;
    virtual bool IsDepthStencilFormat(D3DFORMAT format) const;
    virtual UINT AddTextureFormat(D3DFORMAT format);
    virtual UINT AddRenderTargetFormat(D3DFORMAT format);
    virtual UINT AddDepthStencilFormat(D3DFORMAT format);

private:
    D3DFORMAT backBufferFormat_;
    D3DFORMAT textureFormats_[128] = {};
    UINT textureCount_ = 0;
    D3DFORMAT renderTargetFormats_[32] = {};
    UINT renderTargetCount_ = 0;
    D3DFORMAT depthStencilFormats_[16] = {};
    UINT depthStencilCount_ = 0;
};

class CAdapterInfo {
public:
    CAdapterInfo() = default;
    CAdapterInfo(const CAdapterInfo&) = delete;
    CAdapterInfo& operator=(const CAdapterInfo&) = delete;
    virtual ~CAdapterInfo() { Clear(); }
    virtual void Clear();
    virtual void Enumerate(IDirect3D9* d3d);
    virtual bool HasDisplayMode(UINT width, UINT height, D3DFORMAT format) const;
    virtual bool IsTextureFormat(D3DFORMAT backBufferFormat, D3DFORMAT format) const;
    virtual bool IsRenderTargetFormat(D3DFORMAT backBufferFormat, D3DFORMAT format) const;
    virtual bool IsDepthStencilFormat(D3DFORMAT backBufferFormat, D3DFORMAT format) const;
    virtual bool IsTextureFormatForAll(D3DFORMAT format) const;
    virtual bool IsRenderTargetFormatForAll(D3DFORMAT format) const;
    virtual bool IsDepthStencilFormatForAll(D3DFORMAT format) const;

    // The smallest listed mode of that format covering width x height (on equal sizes the later),
    // else the largest one below it in both dimensions (on equal sizes the earlier), else null.
    const CUSDisplayModeInfo* FindDisplayMode(UINT width, UINT height, D3DFORMAT format) const;
    const std::vector<std::unique_ptr<CUSDisplayModeInfo>>& GetModes() const { return modes_; }

private:
    const CTextureFormatInfo* FormatInfo(D3DFORMAT backBufferFormat) const;

    std::vector<std::unique_ptr<CUSDisplayModeInfo>> modes_;
    std::vector<std::unique_ptr<CTextureFormatInfo>> formatInfos_;
};

class CUSDXPPManager {
public:
    CUSDXPPManager();
    virtual ~CUSDXPPManager() = default;
    virtual D3DPRESENT_PARAMETERS& GetParameters(bool windowed) { return windowed ? windowed_ : fullScreen_; }
    virtual void SetDeviceWindow(HWND window);
    virtual void SetFlags(DWORD flags);
    virtual void SetSize(UINT width, UINT height, UINT backBufferCount);
    // The full-screen size is the display mode FindDisplayMode gives, else fullWidth x fullHeight.
    virtual void Setup(UINT width, UINT height, UINT fullWidth, UINT fullHeight, UINT windowedBackBufferCount,
                       UINT fullBackBufferCount);
    virtual void SetAutoDepthStencil(D3DFORMAT format);
    virtual void SetBackBufferFormats(D3DFORMAT windowedFormat, D3DFORMAT fullFormat);
    virtual void SetVSync(bool vsync);

private:
    D3DPRESENT_PARAMETERS windowed_;
    D3DPRESENT_PARAMETERS fullScreen_;
};

// The name of a format without its D3DFMT_ prefix; "" for values the game never names.
const char* GetD3DFormatName(D3DFORMAT format);
