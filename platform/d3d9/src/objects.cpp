// Surfaces, textures, buffers and declarations of the software device.
#include "objects.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "device.h"

namespace d3d9 {

Counted::Counted(Device* device, D3DPOOL pool, bool accounted) : device_(device), pool_(pool), accounted_(accounted) {
    if (accounted_) {
        device_->AddRef();
        device_->ObjectCreated(pool_);
    }
}

Counted::~Counted() = default;

// While the caller holds a reference the object holds one on its device, as Direct3D's resources do;
// the device's own bindings do not, so a device released with objects still bound goes away and
// frees them.
ULONG Counted::AddPublic() {
    ULONG now = ++public_;
    if (now == 1 && accounted_) {
        device_->AddRef();
        device_->ObjectCreated(pool_);
    }
    return now;
}

ULONG Counted::ReleasePublic() {
    ULONG left = --public_;
    if (left == 0) {
        Device* device = accounted_ ? device_ : nullptr;
        if (device) device->ObjectReleased(pool_);
        DestroyIfUnused();  // may delete this: touch no member below
        if (device) device->Release();
    }
    return left;
}

void Counted::Unbind() {
    if (--internal_ == 0) DestroyIfUnused();
}

void Counted::DestroyIfUnused() {
    if (public_ == 0 && internal_ == 0) delete this;
}

Surface::Surface(Device* device, const D3DSURFACE_DESC& desc, Texture* container, bool accounted)
    : Object(device, desc.Pool, accounted && !container), desc_(desc), container_(container) {
    const FormatInfo* f = FindFormat(desc.Format);
    bpp_ = f ? f->bytes : 4;
    pitch_ = (desc.Width * bpp_ + 3) & ~3u;
    pixels_ = MakePixels<BYTE>(size_t(pitch_) * desc.Height);
    if (!pixels_) throw std::bad_alloc();
    // Every cell starts as zero, so a first clear to zero has nothing to write.
    cleared_ = true;
    clearedVersion_ = version_;
}


Counted& Surface::Lifetime() { return container_ ? static_cast<Counted&>(*container_) : *this; }

ULONG Surface::AddRef() { return Lifetime().AddPublic(); }
ULONG Surface::Release() { return Lifetime().ReleasePublic(); }

HRESULT Surface::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = Lifetime().Owner();
    (*device)->AddRef();
    return D3D_OK;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
    if (!desc) return D3DERR_INVALIDCALL;
    *desc = desc_;
    return D3D_OK;
}

void Surface::Touch() {
    static std::atomic<uint64_t> versions{0};
    version_ = ++versions;
}

void Surface::MarkCleared(DWORD cell) {
    Touch();
    cleared_ = true;
    clearedCell_ = cell;
    clearedVersion_ = version_;
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD) {
    if (!locked || locked_) return D3DERR_INVALIDCALL;
    Owner()->FlushIfUses(this);
    LONG x = 0, y = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right > LONG(desc_.Width) || rect->bottom > LONG(desc_.Height) ||
            rect->left >= rect->right || rect->top >= rect->bottom)
            return D3DERR_INVALIDCALL;
        x = rect->left;
        y = rect->top;
    }
    locked->Pitch = INT(pitch_);
    locked->pBits = pixels_.get() + size_t(y) * pitch_ + size_t(x) * bpp_;
    locked_ = true;
    Touch();
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}

Texture::Texture(Device* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : Object(device, pool) {
    if (levels == 0) {
        levels = 1;
        for (UINT w = width, h = height; w > 1 || h > 1; w = std::max(1u, w / 2), h = std::max(1u, h / 2)) ++levels;
    }
    for (UINT i = 0; i < levels; ++i) {
        D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0,
                             std::max(1u, width >> i), std::max(1u, height >> i)};
        levels_.push_back(std::make_unique<Surface>(device, desc, this));
    }
}

HRESULT Texture::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = Owner();
    (*device)->AddRef();
    return D3D_OK;
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->GetDesc(desc);
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    if (!surface || level >= levels_.size()) return D3DERR_INVALIDCALL;
    *surface = levels_[level].get();
    AddPublic();
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->LockRect(locked, rect, flags);
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level >= levels_.size()) return D3DERR_INVALIDCALL;
    return levels_[level]->UnlockRect();
}

template <class Interface, class Desc>
HRESULT Buffer<Interface, Desc>::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = this->Owner();
    (*device)->AddRef();
    return D3D_OK;
}
template class Buffer<IDirect3DVertexBuffer9, D3DVERTEXBUFFER_DESC>;
template class Buffer<IDirect3DIndexBuffer9, D3DINDEXBUFFER_DESC>;

HRESULT VertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) {
    if (!count) return D3DERR_INVALIDCALL;
    *count = UINT(elements_.size() + 1);
    if (elements) {
        std::copy(elements_.begin(), elements_.end(), elements);
        elements[elements_.size()] = D3DVERTEXELEMENT9 D3DDECL_END();
    }
    return D3D_OK;
}

}  // namespace d3d9
