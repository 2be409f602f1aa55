// Depth buffers and their device events.
#include "engine/resources/ZBuffer.h"

#include "engine/device/D3DDevice.h"
#include "engine/resources/LastingManager.h"

ZBufferManager& GetZBufferManager() { return LastingManager<ZBufferManager>(); }

void CUSZBuffer::ReleaseSurface() {
    if (surface_) surface_->Release();
    surface_ = nullptr;
}

void CUSZBuffer::Release() {
    ReleaseSurface();
    width_ = height_ = 0;
}

HRESULT CUSZBuffer::Create(UINT width, UINT height) {
    Release();
    const D3DPRESENT_PARAMETERS& params = GetCurrentPresentParameters();
    HRESULT hr = GetD3DDevice()->CreateDepthStencilSurface(width, height, params.AutoDepthStencilFormat,
                                                           params.MultiSampleType, 0, TRUE, &surface_, nullptr);
    if (hr >= 0) {
        width_ = width;
        height_ = height;
    }
    return hr;
}

HRESULT CUSZBuffer::Recreate() { return Create(width_, height_); }

bool CreateZBuffer(ZBufferHandle* out, UINT width, UINT height) {
    auto buffer = std::make_unique<CUSZBuffer>();
    if (buffer->Create(width, height) < 0) return false;
    GetZBufferManager().Add(std::move(buffer), out);
    return true;
}

CUSZBuffer* GetZBuffer(ZBufferHandle handle) { return GetZBufferManager().Get(handle); }

void RegisterZBufferCallbacks() {
    AddDeviceLostCallback([] {
        for (auto* z = GetZBufferManager().First(); z; z = GetZBufferManager().Next()) z->ReleaseSurface();
    });
    AddDeviceResetCallback([] {
        for (auto* z = GetZBufferManager().First(); z; z = GetZBufferManager().Next()) z->Recreate();
    });
    AddDeviceReleaseCallback([] {});
}
