// Meshes: from the engine's mesh files ("BRAMBLE_MESHFILE"), from DirectX .x files, or generated;
// dynamic meshes keep their contents through a managed copy while the device is lost.
#pragma once
#include <d3dx9.h>

#include "engine/resources/USHandle.h"

struct _tagUSMesh;
using MeshHandle = Handle<_tagUSMesh>;

// Receives the materials of a loaded .x file.
class IMaterialReceiver {
public:
    virtual ~IMaterialReceiver() = default;
    virtual void ReceiveMaterials(ID3DXBuffer* materials, DWORD count) = 0;
};

class CUSMesh {
public:
    CUSMesh() = default;
    CUSMesh(const CUSMesh&) = delete;
    CUSMesh& operator=(const CUSMesh&) = delete;
    virtual ~CUSMesh() { Release(); }
    virtual void Release();
    virtual HRESULT Create(DWORD faces, DWORD vertices, DWORD options, const D3DVERTEXELEMENT9* declaration);
    virtual HRESULT CreateFVF(DWORD faces, DWORD vertices, DWORD options, DWORD fvf);
    virtual HRESULT CloneFrom(ID3DXMesh* source);
    virtual HRESULT ChangeDeclaration(const D3DVERTEXELEMENT9* declaration);
    virtual HRESULT ChangeFVF(DWORD fvf);
    virtual HRESULT LoadFile(const char* name);
    virtual HRESULT LoadXFile(const char* name, IMaterialReceiver* receiver);
    virtual HRESULT SaveFile(const char* name);
    virtual void Bind();
    virtual HRESULT DrawAll();
    virtual HRESULT DrawIndexed(INT baseVertex, UINT minIndex, UINT numVertices, UINT startIndex, UINT primitiveCount);
    virtual void OnResetDevice();
    virtual void OnLostDevice();

    ID3DXMesh* GetD3DXMesh() const { return mesh_; }

private:
    ID3DXMesh* mesh_ = nullptr;
    ID3DXMesh* lostCopy_ = nullptr;
    DWORD options_ = 0;
    D3DVERTEXELEMENT9 declaration_[MAX_FVF_DECL_SIZE] = {};
};

using MeshManager = CUSHandleManager<CUSMesh, MeshHandle>;
MeshManager& GetMeshManager();

bool CreateMeshFromFile(MeshHandle* out, const char* fileName);
bool CreateMeshFromXFile(MeshHandle* out, const char* fileName);
bool CreateQuadMesh(MeshHandle* out, DWORD fvf);
CUSMesh* GetMesh(MeshHandle handle);
void RegisterMeshCallbacks();
