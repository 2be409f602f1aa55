// D3DX meshes: creation from an FVF code or a declaration, clones into another vertex layout, buffer
// locks; and the FVF and declaration helpers.
#include "mesh.h"

#include <cstring>

#include "vertexformat.h"

namespace d3dx9 {

HRESULT Buffer::QueryInterface(REFIID, void** object) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Buffer::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

Mesh::Mesh(IDirect3DDevice9* device, DWORD faces, DWORD vertices, DWORD options,
           std::vector<D3DVERTEXELEMENT9> elements, DWORD fvf)
    : device_(device), faces_(faces), vertices_(vertices), options_(options), fvf_(fvf),
      stride_(d3d9::StreamStride(elements, 0)), elements_(std::move(elements)) {
    device_->AddRef();
    auto pool = [](DWORD systemmem, DWORD managed) {
        return systemmem ? D3DPOOL_SYSTEMMEM : managed ? D3DPOOL_MANAGED : D3DPOOL_DEFAULT;
    };
    DWORD vbUsage = (options & D3DXMESH_VB_WRITEONLY ? D3DUSAGE_WRITEONLY : 0) |
                    (options & D3DXMESH_VB_DYNAMIC ? D3DUSAGE_DYNAMIC : 0);
    DWORD ibUsage = (options & D3DXMESH_IB_WRITEONLY ? D3DUSAGE_WRITEONLY : 0) |
                    (options & D3DXMESH_IB_DYNAMIC ? D3DUSAGE_DYNAMIC : 0);
    bool wide = options & D3DXMESH_32BIT;
    if (stride_ == 0 || vertices == 0 || faces == 0) return;
    if (FAILED(device->CreateVertexBuffer(vertices * stride_, vbUsage, fvf,
                                          pool(options & D3DXMESH_VB_SYSTEMMEM, options & D3DXMESH_VB_MANAGED), &vb_,
                                          nullptr)))
        vb_ = nullptr;
    if (FAILED(device->CreateIndexBuffer(faces * 3 * (wide ? 4 : 2), ibUsage, wide ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                         pool(options & D3DXMESH_IB_SYSTEMMEM, options & D3DXMESH_IB_MANAGED), &ib_,
                                         nullptr)))
        ib_ = nullptr;
}

Mesh::~Mesh() {
    if (vb_) vb_->Release();
    if (ib_) ib_->Release();
    device_->Release();
}

HRESULT Mesh::QueryInterface(REFIID, void** object) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Mesh::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Mesh::GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
    if (!declaration) return D3DERR_INVALIDCALL;
    std::memcpy(declaration, elements_.data(), elements_.size() * sizeof(D3DVERTEXELEMENT9));
    declaration[elements_.size()] = D3DVERTEXELEMENT9 D3DDECL_END();
    return D3D_OK;
}

HRESULT Mesh::GetDevice(IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = device_;
    device_->AddRef();
    return D3D_OK;
}

HRESULT Mesh::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** clone) {
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    if (FAILED(D3DXDeclaratorFromFVF(fvf, decl))) return D3DERR_INVALIDCALL;
    return CloneMesh(options, decl, device, clone);
}

HRESULT Mesh::CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                        ID3DXMesh** clone) {
    if (!declaration || !device || !clone) return D3DERR_INVALIDCALL;
    *clone = nullptr;
    std::vector<D3DVERTEXELEMENT9> elements;
    for (const D3DVERTEXELEMENT9* e = declaration; e->Stream != 0xFF; ++e) elements.push_back(*e);
    DWORD fvf = 0;
    if (FAILED(D3DXFVFFromDeclarator(declaration, &fvf))) fvf = 0;
    ID3DXMesh* made = nullptr;
    HRESULT hr = MakeMesh(device, faces_, vertices_, options, elements, fvf, &made);
    if (FAILED(hr)) return hr;
    auto* out = static_cast<Mesh*>(made);
    // Vertices: each element of the new layout takes the same element of the old one, else zeros.
    BYTE *src, *dst;
    LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&src));
    out->LockVertexBuffer(0, reinterpret_cast<void**>(&dst));
    std::memset(dst, 0, size_t(vertices_) * out->stride_);
    for (const D3DVERTEXELEMENT9& to : out->elements_)
        for (const D3DVERTEXELEMENT9& from : elements_)
            if (from.Usage == to.Usage && from.UsageIndex == to.UsageIndex) {
                UINT size = std::min(d3d9::ElementSize(from.Type), d3d9::ElementSize(to.Type));
                if (from.Type != to.Type && !(from.Type <= D3DDECLTYPE_FLOAT4 && to.Type <= D3DDECLTYPE_FLOAT4))
                    break;
                for (DWORD v = 0; v < vertices_; ++v)
                    std::memcpy(dst + size_t(v) * out->stride_ + to.Offset, src + size_t(v) * stride_ + from.Offset,
                                size);
                break;
            }
    out->UnlockVertexBuffer();
    UnlockVertexBuffer();
    // Indices, widened or narrowed as the options ask.
    void *isrc, *idst;
    LockIndexBuffer(D3DLOCK_READONLY, &isrc);
    out->LockIndexBuffer(0, &idst);
    bool fromWide = options_ & D3DXMESH_32BIT, toWide = options & D3DXMESH_32BIT;
    for (DWORD i = 0; i < faces_ * 3; ++i) {
        DWORD v = fromWide ? static_cast<DWORD*>(isrc)[i] : static_cast<WORD*>(isrc)[i];
        if (toWide)
            static_cast<DWORD*>(idst)[i] = v;
        else
            static_cast<WORD*>(idst)[i] = WORD(v);
    }
    out->UnlockIndexBuffer();
    UnlockIndexBuffer();
    *clone = out;
    return D3D_OK;
}

HRESULT Mesh::GetVertexBuffer(IDirect3DVertexBuffer9** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = vb_;
    vb_->AddRef();
    return D3D_OK;
}

HRESULT Mesh::GetIndexBuffer(IDirect3DIndexBuffer9** buffer) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = ib_;
    ib_->AddRef();
    return D3D_OK;
}

HRESULT Mesh::LockVertexBuffer(DWORD flags, void** data) { return vb_->Lock(0, 0, data, flags); }
HRESULT Mesh::UnlockVertexBuffer() { return vb_->Unlock(); }
HRESULT Mesh::LockIndexBuffer(DWORD flags, void** data) { return ib_->Lock(0, 0, data, flags); }
HRESULT Mesh::UnlockIndexBuffer() { return ib_->Unlock(); }

HRESULT MakeMesh(IDirect3DDevice9* device, DWORD faces, DWORD vertices, DWORD options,
                 std::vector<D3DVERTEXELEMENT9> elements, DWORD fvf, ID3DXMesh** mesh) {
    if (!device || !mesh) return D3DERR_INVALIDCALL;
    *mesh = nullptr;
    if (faces == 0 || vertices == 0 || elements.empty()) return D3DERR_INVALIDCALL;
    if (!(options & D3DXMESH_32BIT) && vertices > 0x10000) return D3DXERR_INVALIDMESH;
    auto* made = new Mesh(device, faces, vertices, options, std::move(elements), fvf);
    if (!made->Valid()) {
        made->Release();
        return D3DERR_INVALIDCALL;
    }
    *mesh = made;
    return D3D_OK;
}

}  // namespace d3dx9

UINT D3DXGetFVFVertexSize(DWORD fvf) {
    std::vector<D3DVERTEXELEMENT9> elements;
    return d3d9::ElementsFromFvf(fvf, elements) ? d3d9::StreamStride(elements, 0) : 0;
}

HRESULT D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) {
    std::vector<D3DVERTEXELEMENT9> elements;
    if (!declaration || !d3d9::ElementsFromFvf(fvf, elements)) return D3DERR_INVALIDCALL;
    std::memcpy(declaration, elements.data(), elements.size() * sizeof(D3DVERTEXELEMENT9));
    declaration[elements.size()] = D3DVERTEXELEMENT9 D3DDECL_END();
    return D3D_OK;
}

HRESULT D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* declaration, DWORD* fvf) {
    if (!declaration || !fvf) return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> given;
    for (const D3DVERTEXELEMENT9* e = declaration; e->Stream != 0xFF; ++e) given.push_back(*e);
    DWORD code = 0;
    int texCount = 0;
    for (const D3DVERTEXELEMENT9& e : given) {
        switch (e.Usage) {
            case D3DDECLUSAGE_POSITION: code |= D3DFVF_XYZ; break;
            case D3DDECLUSAGE_POSITIONT: code |= D3DFVF_XYZRHW; break;
            case D3DDECLUSAGE_NORMAL: code |= D3DFVF_NORMAL; break;
            case D3DDECLUSAGE_PSIZE: code |= D3DFVF_PSIZE; break;
            case D3DDECLUSAGE_COLOR: code |= e.UsageIndex ? D3DFVF_SPECULAR : D3DFVF_DIFFUSE; break;
            case D3DDECLUSAGE_TEXCOORD: {
                static const DWORD kSize[4] = {D3DFVF_TEXTUREFORMAT1, D3DFVF_TEXTUREFORMAT2, D3DFVF_TEXTUREFORMAT3,
                                               D3DFVF_TEXTUREFORMAT4};
                if (e.Type > D3DDECLTYPE_FLOAT4) return D3DERR_INVALIDCALL;
                code |= kSize[e.Type] << (16 + 2 * e.UsageIndex);
                ++texCount;
                break;
            }
            default: return D3DERR_INVALIDCALL;
        }
    }
    code |= DWORD(texCount) << D3DFVF_TEXCOUNT_SHIFT;
    // The code stands for the declaration only when it lays the same elements out the same way.
    std::vector<D3DVERTEXELEMENT9> expected;
    if (!d3d9::ElementsFromFvf(code, expected) || expected.size() != given.size()) return D3DERR_INVALIDCALL;
    for (size_t i = 0; i < given.size(); ++i)
        if (std::memcmp(&expected[i], &given[i], sizeof(D3DVERTEXELEMENT9)) != 0) return D3DERR_INVALIDCALL;
    *fvf = code;
    return D3D_OK;
}

UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream) {
    if (!declaration) return 0;
    std::vector<D3DVERTEXELEMENT9> elements;
    for (const D3DVERTEXELEMENT9* e = declaration; e->Stream != 0xFF; ++e) elements.push_back(*e);
    return d3d9::StreamStride(elements, WORD(stream));
}

HRESULT D3DXCreateMesh(DWORD faces, DWORD vertices, DWORD options, const D3DVERTEXELEMENT9* declaration,
                       IDirect3DDevice9* device, ID3DXMesh** mesh) {
    if (!declaration) return D3DERR_INVALIDCALL;
    std::vector<D3DVERTEXELEMENT9> elements;
    for (const D3DVERTEXELEMENT9* e = declaration; e->Stream != 0xFF; ++e) {
        if (e->Stream != 0) return D3DERR_INVALIDCALL;
        elements.push_back(*e);
    }
    DWORD fvf = 0;
    if (FAILED(D3DXFVFFromDeclarator(declaration, &fvf))) fvf = 0;
    return d3dx9::MakeMesh(device, faces, vertices, options, std::move(elements), fvf, mesh);
}

HRESULT D3DXCreateMeshFVF(DWORD faces, DWORD vertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** mesh) {
    std::vector<D3DVERTEXELEMENT9> elements;
    if (!d3d9::ElementsFromFvf(fvf, elements) || elements.empty()) return D3DERR_INVALIDCALL;
    return d3dx9::MakeMesh(device, faces, vertices, options, std::move(elements), fvf, mesh);
}
