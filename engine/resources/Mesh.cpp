// Mesh creation, the mesh file reader and writer, .x loading, drawing and device events.
#include "engine/resources/Mesh.h"

#include <cstring>

#include "engine/device/D3DDevice.h"
#include "engine/files/USFile.h"
#include "engine/files/USFileAccessor.h"
#include "engine/resources/LastingManager.h"
#include "engine/util/USLogManager.h"

namespace {

constexpr char kMeshMagic[16] = {'B', 'R', 'A', 'M', 'B', 'L', 'E', '_', 'M', 'E', 'S', 'H', 'F', 'I', 'L', 'E'};
constexpr DWORD kMeshVersion = 12;
constexpr size_t kHeadSize = 36;

DWORD ReadU32(const unsigned char* p) {
    DWORD v;
    std::memcpy(&v, p, 4);
    return v;
}

void Release(ID3DXMesh*& mesh) {
    if (mesh) mesh->Release();
    mesh = nullptr;
}

}  // namespace

MeshManager& GetMeshManager() { return LastingManager<MeshManager>(); }

void CUSMesh::Release() {
    ::Release(lostCopy_);
    ::Release(mesh_);
}

HRESULT CUSMesh::Create(DWORD faces, DWORD vertices, DWORD options, const D3DVERTEXELEMENT9* declaration) {
    Release();
    return D3DXCreateMesh(faces, vertices, options, declaration, GetD3DDevice(), &mesh_);
}

HRESULT CUSMesh::CreateFVF(DWORD faces, DWORD vertices, DWORD options, DWORD fvf) {
    Release();
    return D3DXCreateMeshFVF(faces, vertices, options, fvf, GetD3DDevice(), &mesh_);
}

HRESULT CUSMesh::CloneFrom(ID3DXMesh* source) {
    if (!source) return E_FAIL;
    ::Release(mesh_);
    return source->CloneMeshFVF(source->GetOptions(), source->GetFVF(), GetD3DDevice(), &mesh_);
}

HRESULT CUSMesh::ChangeDeclaration(const D3DVERTEXELEMENT9* declaration) {
    if (!mesh_) return E_FAIL;
    ID3DXMesh* clone = nullptr;
    HRESULT hr = mesh_->CloneMesh(mesh_->GetOptions(), declaration, GetD3DDevice(), &clone);
    if (hr < 0) return hr;
    mesh_->Release();
    mesh_ = clone;
    return hr;
}

HRESULT CUSMesh::ChangeFVF(DWORD fvf) {
    if (!mesh_) return E_FAIL;
    ID3DXMesh* clone = nullptr;
    HRESULT hr = mesh_->CloneMeshFVF(mesh_->GetOptions(), fvf, GetD3DDevice(), &clone);
    if (hr < 0) return hr;
    mesh_->Release();
    mesh_ = clone;
    return hr;
}

HRESULT CUSMesh::LoadFile(const char* name) {
    CUSFile file;
    if (!file.LoadShared(name)) return E_FAIL;
    const unsigned char* p = file.data;
    if (file.size < kHeadSize || std::memcmp(p, kMeshMagic, 16) != 0 || ReadU32(p + 16) != kMeshVersion) {
        US_LOG("メッシュファイル[%s]の形式が違います\n", name);
        return E_FAIL;
    }
    DWORD vertices = ReadU32(p + 24), indices = ReadU32(p + 28), fvf = ReadU32(p + 32);
    // A file shorter than its counts announce, or with indices that are not whole triangles, is
    // refused rather than read past its end.
    unsigned long long stride = D3DXGetFVFVertexSize(fvf);
    unsigned long long vertexBytes = stride * vertices, indexBytes = 2ULL * indices;
    if (vertices == 0 || indices == 0 || stride == 0 || indices % 3 != 0 ||
        kHeadSize + vertexBytes + indexBytes > file.size) {
        US_LOG("メッシュファイル[%s]の内容が壊れています\n", name);
        return E_FAIL;
    }
    if (CreateFVF(indices / 3, vertices, D3DXMESH_MANAGED, fvf) < 0) return E_FAIL;
    void* dst = nullptr;
    if (mesh_->LockVertexBuffer(0, &dst) < 0) return E_FAIL;
    std::memcpy(dst, p + kHeadSize, vertexBytes);
    mesh_->UnlockVertexBuffer();
    if (mesh_->LockIndexBuffer(0, &dst) < 0) return E_FAIL;
    std::memcpy(dst, p + kHeadSize + vertexBytes, indexBytes);
    mesh_->UnlockIndexBuffer();
    return S_OK;
}

HRESULT CUSMesh::SaveFile(const char* name) {
    if (!mesh_) return E_FAIL;
    try {
        CUSFileCtrlEX file;
        file.OpenSave(name);
        DWORD head[2] = {kMeshVersion, 0};
        file.Write(kMeshMagic, 16);
        file.Write(head, 8);
        DWORD counts[3] = {mesh_->GetNumVertices(), mesh_->GetNumFaces() * 3, mesh_->GetFVF()};
        file.Write(counts, 12);
        void* data = nullptr;
        if (mesh_->LockVertexBuffer(0, &data) >= 0) {
            file.Write(data, counts[0] * D3DXGetFVFVertexSize(counts[2]));
            mesh_->UnlockVertexBuffer();
        }
        if (mesh_->LockIndexBuffer(0, &data) >= 0) {
            file.Write(data, counts[1] * 2);
            mesh_->UnlockIndexBuffer();
        }
        file.Close();
    } catch (const CUSFileError&) {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CUSMesh::LoadXFile(const char* name, IMaterialReceiver* receiver) {
    CUSFile file;
    if (!file.LoadShared(name)) return E_FAIL;
    Release();
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    HRESULT hr = D3DXLoadMeshFromXInMemory(file.data, file.size, D3DXMESH_MANAGED, GetD3DDevice(), nullptr, &materials,
                                           nullptr, &count, &mesh_);
    if (hr < 0 || !mesh_) {
        if (materials) materials->Release();
        return E_FAIL;
    }
    if (receiver) receiver->ReceiveMaterials(materials, count);
    if (materials) materials->Release();
    return S_OK;
}

void CUSMesh::Bind() {
    IDirect3DDevice9* device = GetD3DDevice();
    if (!mesh_ || !device) return;
    DWORD fvf = mesh_->GetFVF();
    device->SetFVF(fvf);
    IDirect3DIndexBuffer9* ib = nullptr;
    if (mesh_->GetIndexBuffer(&ib) < 0 || !ib) return;
    device->SetIndices(ib);
    ib->Release();
    IDirect3DVertexBuffer9* vb = nullptr;
    if (mesh_->GetVertexBuffer(&vb) < 0 || !vb) return;
    device->SetStreamSource(0, vb, 0, D3DXGetFVFVertexSize(fvf));
    vb->Release();
}

HRESULT CUSMesh::DrawAll() {
    if (!mesh_) return E_FAIL;
    return DrawIndexed(0, 0, mesh_->GetNumVertices(), 0, mesh_->GetNumFaces());
}

HRESULT CUSMesh::DrawIndexed(INT baseVertex, UINT minIndex, UINT numVertices, UINT startIndex, UINT primitiveCount) {
    return GetD3DDevice()->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, baseVertex, minIndex, numVertices, startIndex,
                                                primitiveCount);
}

void CUSMesh::OnLostDevice() {
    if (!mesh_) return;
    options_ = mesh_->GetOptions();
    if (options_ != D3DXMESH_DYNAMIC) return;
    mesh_->GetDeclaration(declaration_);
    ::Release(lostCopy_);
    mesh_->CloneMesh(D3DXMESH_MANAGED, declaration_, GetD3DDevice(), &lostCopy_);
    ::Release(mesh_);
}

void CUSMesh::OnResetDevice() {
    if (options_ != D3DXMESH_DYNAMIC || !lostCopy_) return;
    lostCopy_->CloneMesh(D3DXMESH_DYNAMIC, declaration_, GetD3DDevice(), &mesh_);
    ::Release(lostCopy_);
}

namespace {
template <class Init>
bool MakeMesh(MeshHandle* out, Init init) {
    auto mesh = std::make_unique<CUSMesh>();
    if (init(*mesh) < 0) return false;
    GetMeshManager().Add(std::move(mesh), out);
    return true;
}
}  // namespace

bool CreateMeshFromFile(MeshHandle* out, const char* fileName) {
    return MakeMesh(out, [&](CUSMesh& m) { return m.LoadFile(fileName); });
}

bool CreateMeshFromXFile(MeshHandle* out, const char* fileName) {
    return MakeMesh(out, [&](CUSMesh& m) { return m.LoadXFile(fileName, nullptr); });
}

bool CreateQuadMesh(MeshHandle* out, DWORD fvf) {
    return MakeMesh(out, [&](CUSMesh& m) { return m.CreateFVF(2, 4, D3DXMESH_MANAGED, fvf); });
}

CUSMesh* GetMesh(MeshHandle handle) { return GetMeshManager().Get(handle); }

void RegisterMeshCallbacks() {
    AddDeviceLostCallback([] {
        for (auto* m = GetMeshManager().First(); m; m = GetMeshManager().Next()) m->OnLostDevice();
    });
    AddDeviceResetCallback([] {
        for (auto* m = GetMeshManager().First(); m; m = GetMeshManager().Next()) m->OnResetDevice();
    });
    AddDeviceReleaseCallback([] { GetMeshManager().ReleaseAll(); });
}
