// Layers, the key-ordered queue, render-object tables, environments, processes, the texture-stage
// cache and the rendering manager.
#include "engine/render/RenderSystem.h"

#include <cfloat>
#include <cmath>

#include "engine/device/D3DDevice.h"
#include "engine/render/RenderStateManager.h"

void RenderObjectVector::Reserve(std::uint32_t n) { data_.assign(n, RenderObjectHandle()); }

void RenderObjectVector::Add(const RenderObjectHandle& handle) {
    if (count_ < data_.size()) data_[count_++] = handle;
}

bool RenderObjectVector::Next(std::uint32_t& cursor, RenderObjectHandle& out) const {
    if (cursor >= count_) return false;
    out = data_[cursor++];
    return true;
}

namespace USLib {

template <class Payload>
void priority_queue<Payload>::Reserve(std::uint32_t capacity) {
    capacity_ = capacity > 65534 ? 65534 : capacity;
    nodes_.assign(capacity_ + 2, Node{0.0f, 0, 0, Payload()});
    used_.assign(capacity_ + 2, false);
    nodes_[0].key = FLT_MAX;
    nodes_[1].key = -FLT_MAX;
    Clear();
}

template <class Payload>
void priority_queue<Payload>::Clear() {
    nodes_[0].prev = 0xFFFFFFFF;
    nodes_[0].next = 1;
    nodes_[1].prev = 0;
    nodes_[1].next = 0xFFFFFFFF;
    std::fill(used_.begin(), used_.end(), false);
    used_[0] = used_[1] = true;
    count_ = 0;
}

template <class Payload>
void priority_queue<Payload>::Unlink(std::uint32_t i) {
    Node& n = nodes_[i];
    nodes_[n.prev].next = n.next;
    nodes_[n.next].prev = n.prev;
    used_[i] = false;
    if (count_ > 0) --count_;
}

template <class Payload>
Payload* priority_queue<Payload>::Insert(float key) {
    if (!std::isfinite(key) || key >= FLT_MAX || key < -FLT_MAX) return nullptr;
    std::uint32_t node;
    if (count_ == capacity_) {
        if (capacity_ == 0) return nullptr;
        std::uint32_t smallest = nodes_[1].prev;  // Among equal smallest keys, the one added first.
        if (nodes_[smallest].key > key) return nullptr;
        Unlink(smallest);
        node = smallest;
    } else {
        node = 2;
        while (used_[node]) ++node;
    }
    std::uint32_t at = nodes_[0].next;
    while (nodes_[at].key > key) at = nodes_[at].next;
    Node& n = nodes_[node];
    n.key = key;
    n.next = at;
    n.prev = nodes_[at].prev;
    nodes_[n.prev].next = node;
    nodes_[at].prev = node;
    used_[node] = true;
    ++count_;
    return &n.payload;
}

template <class Payload>
Payload priority_queue<Payload>::PopHighest() {
    std::uint32_t i = nodes_[0].next;
    Payload p = nodes_[i].payload;
    Unlink(i);
    return p;
}

template <class Payload>
Payload priority_queue<Payload>::PopLowest() {
    std::uint32_t i = nodes_[1].prev;
    Payload p = nodes_[i].payload;
    Unlink(i);
    return p;
}

template class priority_queue<RenderObjectHandle>;

}  // namespace USLib

void RenderObjectTable::DeleteLayers() {
    for (auto* layer : layers_) delete layer;
    layers_.clear();
}

void RenderObjectTable::ClearLayers() {
    queue_.Clear();
    for (auto* layer : layers_) layer->Clear();
}

void RenderObjectTable::Add(std::uint32_t layer, const RenderObjectHandle& handle) {
    if (layer < layers_.size()) layers_[layer]->Add(handle);
}

void RenderObjectTable::AddLayer(std::uint32_t capacity) {
    auto* layer = new RenderObjectVector;
    layer->Reserve(capacity);
    layers_.push_back(layer);
}

void RenderObjectTable::ReserveQueue() {
    std::uint32_t largest = 0;
    for (auto* layer : layers_) largest = std::max(largest, layer->GetCapacity());
    queue_.Reserve(largest);
}

bool RenderObjectTable::IsLayerEmpty(std::uint32_t layer) const {
    std::uint32_t cursor = 0;
    RenderObjectHandle handle;
    return layer >= layers_.size() || !layers_[layer]->Next(cursor, handle);
}

void RenderObjectTable::SortLayer(std::uint32_t layer) {
    queue_.Clear();
    if (layer >= layers_.size()) return;
    std::uint32_t cursor = 0;
    RenderObjectHandle handle;
    while (layers_[layer]->Next(cursor, handle)) {
        // An object released during the frame is skipped.
        RenderSystem::CBaseRenderObject* object = GetRenderObject(handle);
        if (!object) continue;
        if (RenderObjectHandle* slot = queue_.Insert(object->GetSortKey())) *slot = handle;
    }
}

void RenderObjectTable::DrawFromHighestKey() {
    while (!queue_.Empty())
        if (auto* object = GetRenderObject(queue_.PopHighest())) object->Draw();
}

void RenderObjectTable::DrawFromLowestKey() {
    while (!queue_.Empty())
        if (auto* object = GetRenderObject(queue_.PopLowest())) object->Draw();
}

CUSCamera::CUSCamera() {
    D3DXMatrixIdentity(&view);
    D3DXMatrixIdentity(&inverseView);
}

namespace {
// The inverse of a view matrix with its translation row reset: the rotation that turns objects to
// face the camera.
D3DXMATRIX CameraFacing(const D3DXMATRIX& view) {
    D3DXMATRIX inverse;
    D3DXMatrixInverse(&inverse, nullptr, &view);
    inverse._41 = inverse._42 = inverse._43 = 0.0f;
    inverse._44 = 1.0f;
    return inverse;
}
}  // namespace

namespace RenderSystem {

void CEnvironmentManager::ApplyCamera(std::uint32_t i) {
    CUSCamera* camera = GetCamera(i);
    if (IDirect3DDevice9* device = GetD3DDevice()) device->SetTransform(D3DTS_VIEW, &camera->view);
    GetFrameTransform().cameraRotation = CameraFacing(camera->view);
}

void CRenderElementManager::SetTexture(std::uint32_t stage, const TextureHandle& texture) {
    TextureHandle& current = stages_[stage];
    if (current == texture) return;
    current = texture;
    IDirect3DDevice9* device = GetD3DDevice();
    if (!device) return;
    CUSDefoTexture* t = GetTexture(texture);
    device->SetTexture(stage, t ? t->GetD3DTexture() : nullptr);
}

void CRenderElementManager::ClearTexture(std::uint32_t stage) {
    TextureHandle& current = stages_[stage];
    if (current.IsNull()) return;
    current.Clear();
    if (IDirect3DDevice9* device = GetD3DDevice()) device->SetTexture(stage, nullptr);
}

void CRenderingManager::Shutdown() {
    PopProcess();
    GetRenderObjectManager().ReleaseAll();
    GetVSParamManager().ReleaseAll();
    GetPSParamManager().ReleaseAll();
}

void CRenderingManager::UpdateProcesses() {
    for (IRenderProcess* p : processes_) p->Update();
}

void CRenderingManager::RenderProcesses() {
    for (IRenderProcess* p : processes_) p->Render();
}

}  // namespace RenderSystem

void BaseRenderProcess::Update() {
    table_.Select();
    environment_.Select();
    table_.ClearLayers();
    environment_.Deselect();
    table_.Deselect();
}

void BaseRenderProcess::ApplyDepthState(std::uint32_t index) {
    RenderSystem::CRenderStateManager::Instance().ApplyDepthState(index);
}

void BaseRenderProcess::ApplyTextureStageState(std::uint32_t index, std::uint32_t stage) {
    RenderSystem::CRenderStateManager::Instance().ApplyTextureStageState(index, stage);
}

void BaseRenderProcess::ApplySamplerState(std::uint32_t index, std::uint32_t sampler) {
    RenderSystem::CRenderStateManager::Instance().ApplySamplerState(index, sampler);
}

void BaseRenderProcess::CaptureViewProjection() {
    IDirect3DDevice9* device = GetD3DDevice();
    if (!device) return;
    D3DXMATRIX view, projection;
    device->GetTransform(D3DTS_PROJECTION, &projection);
    device->GetTransform(D3DTS_VIEW, &view);
    RenderSystem::FrameTransform& frame = RenderSystem::GetFrameTransform();
    D3DXMatrixMultiply(&frame.viewProjection, &view, &projection);
    frame.cameraRotation = CameraFacing(view);
}

void CBaseAppRenderProcess::Setup() { RenderSystem::CRenderStateManager::Instance().RegisterStandardRecords(); }
