// Textures: plain, render-target and loaded from image files, owned by their handle manager; how
// each survives a device reset depends on its kind and pool.
#pragma once
#include <d3d9.h>

#include <memory>

#include "engine/resources/ImageLoader.h"
#include "engine/resources/USHandle.h"

struct _tagUSTexture;
using TextureHandle = Handle<_tagUSTexture>;

class CUSDefoTexture {
public:
    CUSDefoTexture() = default;
    CUSDefoTexture(const CUSDefoTexture&) = delete;
    CUSDefoTexture& operator=(const CUSDefoTexture&) = delete;
    virtual ~CUSDefoTexture() { Release(); }
    virtual void Release();
    virtual void OnLostDevice();
    virtual void OnResetDevice();
    virtual void SetFormat(D3DFORMAT format) { format_ = format; }
    // kind 1: a render target (default pool, whatever pool is asked).
    virtual HRESULT Create(UINT width, UINT height, UINT kind, D3DPOOL pool, UINT mipLevels);
    // The texture keeps the loader (also when loading fails) to load the image again after a device reset.
    virtual bool CreateFromImage(std::unique_ptr<CDefoImageLoader> loader);
    virtual bool Reload();
    // The size asked for, or the source image's size (the Direct3D level may be larger).
    virtual void GetSize(UINT* width, UINT* height) const;
    virtual HRESULT SetAsRenderTarget(UINT index);

    IDirect3DTexture9* GetD3DTexture() const { return texture_; }
    const D3DSURFACE_DESC& GetLevelDesc() const { return levelDesc_; }
    D3DPOOL GetPool() const { return pool_; }
    UINT GetKind() const { return kind_; }
    D3DFORMAT GetFormat() const { return format_; }

private:
    bool LoadFromLoader();
    void ReadLevelDesc();

    IDirect3DTexture9* texture_ = nullptr;
    UINT width_ = 0;
    UINT height_ = 0;
    D3DSURFACE_DESC levelDesc_{};
    D3DFORMAT format_ = D3DFMT_UNKNOWN;
    D3DPOOL pool_ = D3DPOOL_MANAGED;
    UINT kind_ = 0;
    std::unique_ptr<CDefoImageLoader> loader_;
};

using TextureManager = CUSHandleManager<CUSDefoTexture, TextureHandle>;
TextureManager& GetTextureManager();

bool CreateTexture(TextureHandle* out, D3DFORMAT format, UINT width, UINT height, UINT kind);
bool CreateTextureFromImage(TextureHandle* out, const char* fileName, D3DFORMAT format);
CUSDefoTexture* GetTexture(TextureHandle handle);
void RegisterTextureCallbacks();
