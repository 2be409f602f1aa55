// Depth buffers, re-created with the depth format of the present parameters in use after a reset.
#pragma once
#include <d3d9.h>

#include "engine/resources/USHandle.h"

struct _tagUSZBuffer;
using ZBufferHandle = Handle<_tagUSZBuffer>;

class CUSZBuffer {
public:
    CUSZBuffer() = default;
    CUSZBuffer(const CUSZBuffer&) = delete;
    CUSZBuffer& operator=(const CUSZBuffer&) = delete;
    virtual ~CUSZBuffer() { Release(); }
    virtual void Release();
    virtual HRESULT Recreate();
    virtual void ReleaseSurface();
    HRESULT Create(UINT width, UINT height);

    IDirect3DSurface9* GetD3DSurface() const { return surface_; }

private:
    IDirect3DSurface9* surface_ = nullptr;
    UINT width_ = 0;
    UINT height_ = 0;
};

using ZBufferManager = CUSHandleManager<CUSZBuffer, ZBufferHandle>;
ZBufferManager& GetZBufferManager();
bool CreateZBuffer(ZBufferHandle* out, UINT width, UINT height);
CUSZBuffer* GetZBuffer(ZBufferHandle handle);
void RegisterZBufferCallbacks();
