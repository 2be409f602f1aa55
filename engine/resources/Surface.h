// Off-screen plain surfaces, made by size or loaded from image files.
#pragma once
#include <d3dx9.h>

#include <string>

#include "engine/resources/USHandle.h"

struct _tagUSSurface;
using SurfaceHandle = Handle<_tagUSSurface>;

class CUSSurface {
public:
    CUSSurface() { Init(); }
    CUSSurface(const CUSSurface&) = delete;
    CUSSurface& operator=(const CUSSurface&) = delete;
    virtual ~CUSSurface();
    virtual void Init();
    virtual void Release();
    virtual void OnResetDevice();
    virtual HRESULT Create(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool);
    virtual bool LoadFromFile(const char* name, D3DFORMAT format, D3DPOOL pool, DWORD filter, const PALETTEENTRY* palette);
    virtual bool LoadImage(const char* name, DWORD filter, const PALETTEENTRY* palette);
    virtual HRESULT LockRect(D3DLOCKED_RECT* locked);
    virtual void* Lock(INT* pitch);
    virtual HRESULT Unlock();

    // Releases the Direct3D surface only (a default-pool surface at a device loss).
    void ReleaseSurface();
    IDirect3DSurface9* GetD3DSurface() const { return surface_; }
    D3DPOOL GetPool() const { return pool_; }
    UINT GetWidth() const { return width_; }
    UINT GetHeight() const { return height_; }

private:
    bool LoadBytes(const unsigned char* data, UINT size, UINT width, UINT height, DWORD filter,
                   const PALETTEENTRY* palette);

    IDirect3DSurface9* surface_ = nullptr;
    std::string name_;
    INT kind_ = -1;
    UINT width_ = 0;
    UINT height_ = 0;
    D3DSURFACE_DESC desc_{};
    D3DPOOL pool_ = D3DPOOL_MANAGED;
    DWORD filter_ = D3DX_FILTER_NONE;
    PALETTEENTRY* palette_ = nullptr;  // Owned; no operation fills it.
};

using SurfaceManager = CUSHandleManager<CUSSurface, SurfaceHandle>;
SurfaceManager& GetSurfaceManager();

bool CreateSurface(SurfaceHandle* out, UINT width, UINT height, D3DFORMAT format);
bool CreateSurfaceFromFile(SurfaceHandle* out, const char* fileName, D3DFORMAT format);
CUSSurface* GetSurface(SurfaceHandle handle);
void RegisterSurfaceCallbacks();
