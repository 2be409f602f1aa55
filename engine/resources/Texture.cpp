// Texture creation, image loading and device-event handling.
#include "engine/resources/Texture.h"

#include <d3dx9.h>

#include "engine/device/D3DDevice.h"
#include "engine/resources/LastingManager.h"
#include "engine/util/USLogManager.h"

TextureManager& GetTextureManager() { return LastingManager<TextureManager>(); }

void CUSDefoTexture::Release() {
    if (texture_) texture_->Release();
    texture_ = nullptr;
    loader_.reset();
}

void CUSDefoTexture::OnLostDevice() {
    if (pool_ != D3DPOOL_DEFAULT || !texture_) return;
    texture_->Release();
    texture_ = nullptr;
}

void CUSDefoTexture::OnResetDevice() {
    if (pool_ != D3DPOOL_DEFAULT) return;
    if (loader_)
        Reload();
    else
        Create(width_, height_, kind_, D3DPOOL_DEFAULT, 1);
}

void CUSDefoTexture::ReadLevelDesc() {
    IDirect3DSurface9* surface = nullptr;
    if (texture_->GetSurfaceLevel(0, &surface) >= 0 && surface) {
        surface->GetDesc(&levelDesc_);
        surface->Release();
    }
    pool_ = levelDesc_.Pool;
}

HRESULT CUSDefoTexture::Create(UINT width, UINT height, UINT kind, D3DPOOL pool, UINT mipLevels) {
    Release();
    DWORD usage = 0;
    if (kind == 1) {
        usage = D3DUSAGE_RENDERTARGET;
        pool = D3DPOOL_DEFAULT;
    }
    pool_ = pool;
    HRESULT hr = D3DXCreateTexture(GetD3DDevice(), width, height, mipLevels, usage, format_, pool, &texture_);
    if (hr < 0) return hr;
    width_ = width;
    height_ = height;
    ReadLevelDesc();
    kind_ = kind;
    return hr;
}

bool CUSDefoTexture::LoadFromLoader() {
    if (loader_->LoadTexture(&texture_) < 0) return false;
    const D3DXIMAGE_INFO* info = loader_->GetImageInfo();
    width_ = info->Width;
    height_ = info->Height;
    ReadLevelDesc();
    kind_ = 0;
    return true;
}

bool CUSDefoTexture::CreateFromImage(std::unique_ptr<CDefoImageLoader> loader) {
    Release();
    loader_ = std::move(loader);
    return LoadFromLoader();
}

bool CUSDefoTexture::Reload() {
    if (!loader_) return false;
    if (texture_) {
        texture_->Release();
        texture_ = nullptr;
    }
    return LoadFromLoader();
}

void CUSDefoTexture::GetSize(UINT* width, UINT* height) const {
    if (width) *width = width_;
    if (height) *height = height_;
}

HRESULT CUSDefoTexture::SetAsRenderTarget(UINT index) {
    if (!texture_) return E_FAIL;
    IDirect3DSurface9* surface = nullptr;
    HRESULT hr = texture_->GetSurfaceLevel(0, &surface);
    if (hr < 0) return hr;
    hr = GetD3DDevice()->SetRenderTarget(index, surface);
    surface->Release();
    return hr;
}

bool CreateTexture(TextureHandle* out, D3DFORMAT format, UINT width, UINT height, UINT kind) {
    auto texture = std::make_unique<CUSDefoTexture>();
    texture->SetFormat(format);
    if (texture->Create(width, height, kind, D3DPOOL_MANAGED, 1) < 0) return false;
    GetTextureManager().Add(std::move(texture), out);
    return true;
}

bool CreateTextureFromImage(TextureHandle* out, const char* fileName, D3DFORMAT format) {
    auto texture = std::make_unique<CUSDefoTexture>();
    texture->SetFormat(format);
    // The texture owns the loader from here on, also when loading fails.
    if (!texture->CreateFromImage(std::make_unique<CImageLoaderD3DX>(fileName, format))) {
        US_LOG("Picture %s cannot be shown (missing, or not an image this game can decode)\n", fileName ? fileName : "");
        return false;
    }
    GetTextureManager().Add(std::move(texture), out);
    return true;
}

CUSDefoTexture* GetTexture(TextureHandle handle) { return GetTextureManager().Get(handle); }

void RegisterTextureCallbacks() {
    AddDeviceLostCallback([] {
        for (auto* t = GetTextureManager().First(); t; t = GetTextureManager().Next()) t->OnLostDevice();
    });
    AddDeviceResetCallback([] {
        for (auto* t = GetTextureManager().First(); t; t = GetTextureManager().Next()) t->OnResetDevice();
    });
    AddDeviceReleaseCallback([] { GetTextureManager().ReleaseAll(); });
}
