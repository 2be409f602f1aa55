// Off-screen surfaces: creation, image loading (failures go to the debugger output), locking and
// device-event handling.
#include "engine/resources/Surface.h"

#include "engine/device/D3DDevice.h"
#include "engine/files/USFile.h"
#include "engine/resources/ImageLoader.h"
#include "engine/resources/LastingManager.h"
#include "engine/util/USLogManager.h"

SurfaceManager& GetSurfaceManager() { return LastingManager<SurfaceManager>(); }

CUSSurface::~CUSSurface() {
    Release();
    name_.clear();
}

void CUSSurface::Init() {
    surface_ = nullptr;
    pool_ = D3DPOOL_SYSTEMMEM;
    name_.clear();
    kind_ = -1;
}

void CUSSurface::ReleaseSurface() {
    if (surface_) surface_->Release();
    surface_ = nullptr;
}

void CUSSurface::Release() {
    ReleaseSurface();
    kind_ = 0;
    delete[] palette_;
    palette_ = nullptr;
}

void CUSSurface::OnResetDevice() {
    if (pool_ != D3DPOOL_DEFAULT) return;
    if (kind_ == 0)
        Create(width_, height_, desc_.Format, D3DPOOL_DEFAULT);
    else if (kind_ == 1)
        LoadFromFile(name_.c_str(), desc_.Format, D3DPOOL_DEFAULT, filter_, palette_);
}

HRESULT CUSSurface::Create(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool) {
    ReleaseSurface();
    kind_ = 0;
    HRESULT hr = GetD3DDevice()->CreateOffscreenPlainSurface(width, height, format, pool, &surface_, nullptr);
    if (hr < 0) return hr;
    width_ = width;
    height_ = height;
    surface_->GetDesc(&desc_);
    pool_ = pool;
    kind_ = 0;
    return hr;
}

bool CUSSurface::LoadBytes(const unsigned char* data, UINT size, UINT width, UINT height, DWORD filter,
                           const PALETTEENTRY* palette) {
    if (D3DXLoadSurfaceFromFileInMemory(surface_, palette, nullptr, data, size, nullptr, filter, 0, nullptr) < 0) {
        OutputDebugStringA(US_SYSTEM_TEXT("ファイル読み込み失敗ヽ（`Д´）ノ\n"));
        return false;
    }
    width_ = width;
    height_ = height;
    surface_->GetDesc(&desc_);
    kind_ = 1;
    filter_ = filter;
    return true;
}

bool CUSSurface::LoadFromFile(const char* name, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                              const PALETTEENTRY* palette) {
    CUSImageBuffer image;
    if (!image.LoadFile(name)) return false;
    D3DXIMAGE_INFO info = image.info;
    if (Create(info.Width, info.Height, format, pool) < 0) {
        OutputDebugStringA(US_SYSTEM_TEXT("サーフェイス作成失敗ヽ（`Д´）ノ\n"));
        return false;
    }
    // Creating the surface did no shared load, so the image bytes are still valid.
    if (!LoadBytes(image.data, image.size, info.Width, info.Height, filter, palette)) return false;
    pool_ = pool;
    name_ = name;
    return true;
}

bool CUSSurface::LoadImage(const char* name, DWORD filter, const PALETTEENTRY* palette) {
    if (!surface_) return false;
    CUSImageBuffer image;
    if (!image.LoadFile(name)) return false;
    if (!LoadBytes(image.data, image.size, image.info.Width, image.info.Height, filter, palette)) return false;
    name_ = name;
    return true;
}

HRESULT CUSSurface::LockRect(D3DLOCKED_RECT* locked) {
    return surface_ ? surface_->LockRect(locked, nullptr, 0) : E_FAIL;
}

void* CUSSurface::Lock(INT* pitch) {
    D3DLOCKED_RECT locked;
    if (LockRect(&locked) < 0) return nullptr;
    if (pitch) *pitch = locked.Pitch;
    return locked.pBits;
}

HRESULT CUSSurface::Unlock() { return surface_ ? surface_->UnlockRect() : E_FAIL; }

bool CreateSurface(SurfaceHandle* out, UINT width, UINT height, D3DFORMAT format) {
    auto surface = std::make_unique<CUSSurface>();
    if (surface->Create(width, height, format, D3DPOOL_SYSTEMMEM) < 0) return false;
    GetSurfaceManager().Add(std::move(surface), out);
    return true;
}

bool CreateSurfaceFromFile(SurfaceHandle* out, const char* fileName, D3DFORMAT format) {
    auto surface = std::make_unique<CUSSurface>();
    if (!surface->LoadFromFile(fileName, format, D3DPOOL_SYSTEMMEM, D3DX_FILTER_NONE, nullptr)) return false;
    GetSurfaceManager().Add(std::move(surface), out);
    return true;
}

CUSSurface* GetSurface(SurfaceHandle handle) { return GetSurfaceManager().Get(handle); }

void RegisterSurfaceCallbacks() {
    AddDeviceLostCallback([] {
        for (auto* s = GetSurfaceManager().First(); s; s = GetSurfaceManager().Next())
            if (s->GetPool() == D3DPOOL_DEFAULT) s->ReleaseSurface();
    });
    AddDeviceResetCallback([] {
        for (auto* s = GetSurfaceManager().First(); s; s = GetSurfaceManager().Next()) s->OnResetDevice();
    });
    AddDeviceReleaseCallback([] { GetSurfaceManager().ReleaseAll(); });
}
