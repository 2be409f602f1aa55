// D3DX meshes over the device's vertex and index buffers, and the byte buffer D3DX hands out.
#pragma once
#include <d3dx9.h>

#include <atomic>
#include <vector>

namespace d3dx9 {

class Buffer final : public ID3DXBuffer {
public:
    explicit Buffer(size_t size) : bytes_(size) {}
    virtual ~Buffer() = default;
    HRESULT QueryInterface(REFIID, void** object) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    void* GetBufferPointer() override { return bytes_.data(); }
    DWORD GetBufferSize() override { return DWORD(bytes_.size()); }

private:
    std::atomic<ULONG> refs_{1};
    std::vector<BYTE> bytes_;
};

class Mesh final : public ID3DXMesh {
public:
    // Creates the buffers; Valid() tells whether the device made them.
    Mesh(IDirect3DDevice9* device, DWORD faces, DWORD vertices, DWORD options,
         std::vector<D3DVERTEXELEMENT9> elements, DWORD fvf);
    virtual ~Mesh();
    bool Valid() const { return vb_ && ib_; }

    HRESULT QueryInterface(REFIID, void** object) override;
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    DWORD GetNumFaces() override { return faces_; }
    DWORD GetNumVertices() override { return vertices_; }
    DWORD GetFVF() override { return fvf_; }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) override;
    DWORD GetNumBytesPerVertex() override { return stride_; }
    DWORD GetOptions() override { return options_; }
    HRESULT GetDevice(IDirect3DDevice9** device) override;
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** clone) override;
    HRESULT CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                      ID3DXMesh** clone) override;
    HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** buffer) override;
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** buffer) override;
    HRESULT LockVertexBuffer(DWORD flags, void** data) override;
    HRESULT UnlockVertexBuffer() override;
    HRESULT LockIndexBuffer(DWORD flags, void** data) override;
    HRESULT UnlockIndexBuffer() override;

private:
    std::atomic<ULONG> refs_{1};
    IDirect3DDevice9* device_;
    DWORD faces_, vertices_, options_, fvf_, stride_;
    std::vector<D3DVERTEXELEMENT9> elements_;
    IDirect3DVertexBuffer9* vb_ = nullptr;
    IDirect3DIndexBuffer9* ib_ = nullptr;
};

// Makes a mesh and hands it out, or fails without one.
HRESULT MakeMesh(IDirect3DDevice9* device, DWORD faces, DWORD vertices, DWORD options,
                 std::vector<D3DVERTEXELEMENT9> elements, DWORD fvf, ID3DXMesh** mesh);

}  // namespace d3dx9
