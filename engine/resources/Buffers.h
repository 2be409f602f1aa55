// Vertex and index buffers; default-pool buffers keep a system-memory copy across a device reset.
#pragma once
#include <d3d9.h>

#include <vector>

#include "engine/resources/USHandle.h"

struct _tagUSVertexBuffer;
struct _tagUSIndexBuffer;
using VertexBufferHandle = Handle<_tagUSVertexBuffer>;
using IndexBufferHandle = Handle<_tagUSIndexBuffer>;

class CUSVertexBuffer {
public:
    CUSVertexBuffer() = default;
    CUSVertexBuffer(const CUSVertexBuffer&) = delete;
    CUSVertexBuffer& operator=(const CUSVertexBuffer&) = delete;
    virtual ~CUSVertexBuffer();
    void OnLostDevice();
    void OnResetDevice();

    UINT vertexCount = 0;
    UINT vertexSize = 0;
    DWORD usage = 0;
    DWORD fvf = 0;
    D3DPOOL pool = D3DPOOL_DEFAULT;
    IDirect3DVertexBuffer9* buffer = nullptr;
    std::vector<unsigned char> shadow;
};

class CUSIndexBuffer {
public:
    CUSIndexBuffer() = default;
    CUSIndexBuffer(const CUSIndexBuffer&) = delete;
    CUSIndexBuffer& operator=(const CUSIndexBuffer&) = delete;
    virtual ~CUSIndexBuffer();
    void OnLostDevice();
    void OnResetDevice();

    UINT length = 0;
    DWORD usage = 0;
    D3DFORMAT format = D3DFMT_INDEX16;
    D3DPOOL pool = D3DPOOL_DEFAULT;
    IDirect3DIndexBuffer9* buffer = nullptr;
    std::vector<unsigned char> shadow;
};

using VertexBufferManager = CUSHandleManager<CUSVertexBuffer, VertexBufferHandle>;
using IndexBufferManager = CUSHandleManager<CUSIndexBuffer, IndexBufferHandle>;
VertexBufferManager& GetVertexBufferManager();
IndexBufferManager& GetIndexBufferManager();
void RegisterVertexBufferCallbacks();
void RegisterIndexBufferCallbacks();
