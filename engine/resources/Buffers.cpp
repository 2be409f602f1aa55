// Vertex and index buffers: shadow copies of default-pool contents across a device reset.
#include "engine/resources/Buffers.h"

#include <cstring>

#include "engine/device/D3DDevice.h"
#include "engine/resources/LastingManager.h"

namespace {

// Copies a locked buffer's bytes into its shadow, then releases the buffer.
template <class Buffer>
void SaveAndRelease(Buffer*& buffer, std::vector<unsigned char>& shadow, UINT bytes) {
    if (!buffer) return;
    void* data = nullptr;
    if (buffer->Lock(0, 0, &data, 0) >= 0) {
        shadow.assign(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + bytes);
        buffer->Unlock();
    }
    buffer->Release();
    buffer = nullptr;
}

template <class Buffer>
void Restore(Buffer* buffer, const std::vector<unsigned char>& shadow) {
    void* data = nullptr;
    if (!buffer || shadow.empty() || buffer->Lock(0, 0, &data, 0) < 0) return;
    std::memcpy(data, shadow.data(), shadow.size());
    buffer->Unlock();
}

}  // namespace

CUSVertexBuffer::~CUSVertexBuffer() {
    if (buffer) buffer->Release();
}

void CUSVertexBuffer::OnLostDevice() {
    if (pool == D3DPOOL_DEFAULT) SaveAndRelease(buffer, shadow, vertexCount * vertexSize);
}

void CUSVertexBuffer::OnResetDevice() {
    if (pool != D3DPOOL_DEFAULT) return;
    if (GetD3DDevice()->CreateVertexBuffer(vertexCount * vertexSize, usage, fvf, D3DPOOL_DEFAULT, &buffer, nullptr) >= 0)
        Restore(buffer, shadow);
}

CUSIndexBuffer::~CUSIndexBuffer() {
    if (buffer) buffer->Release();
}

void CUSIndexBuffer::OnLostDevice() {
    if (pool == D3DPOOL_DEFAULT) SaveAndRelease(buffer, shadow, length);
}

void CUSIndexBuffer::OnResetDevice() {
    if (pool != D3DPOOL_DEFAULT) return;
    if (GetD3DDevice()->CreateIndexBuffer(length, usage, format, D3DPOOL_DEFAULT, &buffer, nullptr) >= 0)
        Restore(buffer, shadow);
}

VertexBufferManager& GetVertexBufferManager() { return LastingManager<VertexBufferManager>(); }

IndexBufferManager& GetIndexBufferManager() { return LastingManager<IndexBufferManager>(); }

void RegisterVertexBufferCallbacks() {
    AddDeviceLostCallback([] {
        for (auto* b = GetVertexBufferManager().First(); b; b = GetVertexBufferManager().Next()) b->OnLostDevice();
    });
    AddDeviceResetCallback([] {
        for (auto* b = GetVertexBufferManager().First(); b; b = GetVertexBufferManager().Next()) b->OnResetDevice();
    });
    AddDeviceReleaseCallback([] { GetVertexBufferManager().ReleaseAll(); });
}

void RegisterIndexBufferCallbacks() {
    AddDeviceLostCallback([] {
        for (auto* b = GetIndexBufferManager().First(); b; b = GetIndexBufferManager().Next()) b->OnLostDevice();
    });
    AddDeviceResetCallback([] {
        for (auto* b = GetIndexBufferManager().First(); b; b = GetIndexBufferManager().Next()) b->OnResetDevice();
    });
    AddDeviceReleaseCallback([] { GetIndexBufferManager().ReleaseAll(); });
}
