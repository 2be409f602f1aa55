// The objects the software device hands out: surfaces, textures, buffers, declarations and shaders.
// Each keeps two counts: the caller's references (AddRef/Release) and the device's own bindings, so
// that a released object bound as a texture or target lives on until it is unbound, and Reset can
// tell which default-pool objects the caller still holds.
#pragma once
#include <d3d9.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "formats.h"
#include "pixelmemory.h"
#include "shader.h"

namespace d3d9 {

class Device;

// Reference counting shared by every object; Owner is told when the caller's count reaches zero.
class Counted {
public:
    // An accounted object holds a reference on its device and counts in the device's pool tallies;
    // texture levels and the device's own swap surfaces are not accounted.
    Counted(Device* device, D3DPOOL pool, bool accounted = true);
    virtual ~Counted();
    ULONG AddPublic();
    ULONG ReleasePublic();
    void Bind() { ++internal_; }
    void Unbind();
    D3DPOOL Pool() const { return pool_; }
    ULONG PublicCount() const { return public_; }
    Device* Owner() const { return device_; }

private:
    void DestroyIfUnused();
    Device* device_;
    D3DPOOL pool_;
    bool accounted_;
    std::atomic<ULONG> public_{1};
    std::atomic<ULONG> internal_{0};
};

template <class Interface>
class Object : public Interface, public Counted {
public:
    Object(Device* device, D3DPOOL pool, bool accounted = true) : Counted(device, pool, accounted) {}
    HRESULT QueryInterface(REFIID, void** object) override {
        if (object) *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return AddPublic(); }
    ULONG Release() override { return ReleasePublic(); }
};

class Texture;

// A rectangle of pixels in one format: a texture level, a render target, a depth buffer or a
// system-memory surface. Depth surfaces hold 16- or 24-bit values in 2- or 4-byte cells.
class Surface final : public Object<IDirect3DSurface9> {
public:
    Surface(Device* device, const D3DSURFACE_DESC& desc, Texture* container, bool accounted = true);
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

    const D3DSURFACE_DESC& Desc() const { return desc_; }
    BYTE* Bits() { return pixels_.get(); }
    const BYTE* Bits() const { return pixels_.get(); }
    UINT Pitch() const { return pitch_; }
    UINT Bpp() const { return bpp_; }
    // The counted object that owns this surface's lifetime (the texture for a level); device
    // bindings of a level keep its texture alive.
    Counted& Lifetime();
    void Bind() { Lifetime().Bind(); }
    void Unbind() { Lifetime().Unbind(); }
    // The contents' version: a number no other contents of any surface had, renewed whenever the
    // pixels may change (lock, clear, draw, copy), so that unchanged contents are recognised.
    uint64_t Version() const { return version_; }
    void Touch();
    // Whether a clear of the whole surface to this cell value left the contents as they are.
    bool ClearedTo(DWORD cell) const { return cleared_ && clearedCell_ == cell && clearedVersion_ == version_; }
    void MarkCleared(DWORD cell);

private:
    D3DSURFACE_DESC desc_;
    Texture* container_;
    UINT bpp_;
    UINT pitch_;
    PixelBuffer<BYTE> pixels_;  // zero from the start without being written
    bool locked_ = false;
    uint64_t version_ = 0;
    bool cleared_ = false;
    DWORD clearedCell_ = 0;
    uint64_t clearedVersion_ = 0;
};

class Texture final : public Object<IDirect3DTexture9> {
public:
    Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return DWORD(levels_.size()); }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    Surface& Level(UINT level) { return *levels_[level]; }

private:
    std::vector<std::unique_ptr<Surface>> levels_;
};

// Vertex and index buffers: plain memory that Lock hands out.
template <class Interface, class Desc>
class Buffer final : public Object<Interface> {
public:
    Buffer(Device* device, const Desc& desc) : Object<Interface>(device, desc.Pool), desc_(desc), data_(desc.Size) {}
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    D3DRESOURCETYPE GetType() override { return desc_.Type; }
    HRESULT Lock(UINT offset, UINT size, void** data, DWORD) override {
        if (!data || offset > data_.size() || (size && offset + size > data_.size())) return D3DERR_INVALIDCALL;
        *data = data_.data() + offset;
        return D3D_OK;
    }
    HRESULT Unlock() override { return D3D_OK; }
    HRESULT GetDesc(Desc* desc) override {
        if (!desc) return D3DERR_INVALIDCALL;
        *desc = desc_;
        return D3D_OK;
    }
    const std::vector<BYTE>& Data() const { return data_; }

private:
    Desc desc_;
    std::vector<BYTE> data_;
};
using VertexBuffer = Buffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
using IndexBuffer = Buffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

class VertexDeclaration final : public Object<IDirect3DVertexDeclaration9> {
public:
    VertexDeclaration(Device* device, std::vector<D3DVERTEXELEMENT9> elements)
        : Object(device, D3DPOOL_MANAGED), elements_(std::move(elements)) {}
    HRESULT GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) override;
    // The elements without the end marker.
    const std::vector<D3DVERTEXELEMENT9>& Elements() const { return elements_; }

private:
    std::vector<D3DVERTEXELEMENT9> elements_;
};

template <class Interface>
class ShaderObject final : public Object<Interface> {
public:
    ShaderObject(Device* device, ShaderProgram program)
        : Object<Interface>(device, D3DPOOL_MANAGED), program_(std::move(program)) {}
    const ShaderProgram& Program() const { return program_; }

private:
    ShaderProgram program_;
};
using VertexShader = ShaderObject<IDirect3DVertexShader9>;
using PixelShader = ShaderObject<IDirect3DPixelShader9>;

}  // namespace d3d9
