// Render processes and render-object tables: each frame every process updates (its layers start
// empty), scenes refill the layers of the table they selected, and each process sorts and draws its
// layers in key order. Also the texture-stage cache and the cameras and lights of a process.
#pragma once
#include <d3dx9.h>

#include <deque>
#include <list>
#include <unordered_map>
#include <vector>

#include "engine/render/RenderObject.h"
#include "engine/util/USSingleton.h"

// A per-type stack of current objects: the object selected last is current until deselected.
template <class T>
class ISelectableCurrent {
public:
    virtual ~ISelectableCurrent() = default;
    virtual void Select() { Stack().push_back(static_cast<T*>(this)); }
    virtual void Deselect() {
        if (!Stack().empty()) Stack().pop_back();
    }
    // The current object, or null when none is selected.
    static T* GetCurrent() { return Stack().empty() ? nullptr : Stack().back(); }

private:
    static std::deque<T*>& Stack() {
        static std::deque<T*> stack;
        return stack;
    }
};

// One layer: a bounded list of render-object handles in the order they were added.
class RenderObjectVector {
public:
    virtual ~RenderObjectVector() { Release(); }
    virtual void Reserve(std::uint32_t n);
    virtual std::uint32_t GetCapacity() const { return static_cast<std::uint32_t>(data_.size()); }
    virtual void Release() {
        data_.clear();
        data_.shrink_to_fit();
        count_ = 0;
    }
    virtual void Clear() { count_ = 0; }
    // Ignored when the layer is full.
    virtual void Add(const RenderObjectHandle& handle);
    virtual bool Next(std::uint32_t& cursor, RenderObjectHandle& out) const;

private:
    std::vector<RenderObjectHandle> data_;
    std::uint32_t count_ = 0;
};

namespace USLib {

// A bounded queue ordered by descending float key (a doubly linked list between two sentinels);
// when full, a new key replaces the smallest entry if it is not smaller, else it is rejected. A new
// entry goes ahead of every entry with an equal key.
template <class Payload>
class priority_queue {
public:
    priority_queue() { Reserve(0); }
    virtual ~priority_queue() = default;
    void Reserve(std::uint32_t capacity);
    void Clear();
    // The new entry's payload slot, or null when rejected (full with larger keys, or a key that is
    // not a finite number strictly inside the sentinels' range).
    Payload* Insert(float key);
    bool Empty() const { return nodes_[0].next == 1; }
    // Removes the entry with the highest (or lowest) key and returns its payload.
    Payload PopHighest();
    Payload PopLowest();
    std::uint32_t Count() const { return count_; }

private:
    struct Node {
        float key;
        std::uint32_t prev, next;
        Payload payload;
    };
    void Unlink(std::uint32_t i);
    std::vector<Node> nodes_;
    std::vector<bool> used_;
    std::uint32_t capacity_ = 0;
    std::uint32_t count_ = 0;
};

}  // namespace USLib

class RenderObjectTable : public ISelectableCurrent<RenderObjectTable> {
public:
    ~RenderObjectTable() override { DeleteLayers(); }
    virtual void DeleteLayers();
    virtual void ClearLayers();
    virtual void Add(std::uint32_t layer, const RenderObjectHandle& handle);
    virtual void SortLayer(std::uint32_t layer);
    virtual void DrawFromHighestKey();
    virtual void DrawFromLowestKey();
    // Sizes the queue to the largest layer, so that sorting any one layer never fills it.
    void ReserveQueue();
    // Appends a layer of the given capacity; its number is its position.
    void AddLayer(std::uint32_t capacity);
    std::uint32_t LayerCount() const { return static_cast<std::uint32_t>(layers_.size()); }
    // True for a layer that holds no handle, and for a layer number the table does not have.
    bool IsLayerEmpty(std::uint32_t layer) const;

private:
    std::vector<RenderObjectVector*> layers_;
    USLib::priority_queue<RenderObjectHandle> queue_;
};

// A camera of a render process: its view matrix becomes the device's view transform.
struct CUSCamera {
    virtual ~CUSCamera() = default;
    D3DXVECTOR3 eye{0, 0, 0};
    D3DXVECTOR3 direction{0, 0, 1};
    D3DXVECTOR3 up{0, 1, 0};
    D3DXMATRIX view;
    D3DXMATRIX inverseView;
    std::uint32_t flag = 0;
    CUSCamera();
};

struct CUSLight {
    virtual ~CUSLight() = default;
    std::uint32_t kind = 0;
    D3DLIGHT9 light{};
};

namespace RenderSystem {

class CEnvironmentManager : public ISelectableCurrent<CEnvironmentManager> {
public:
    ~CEnvironmentManager() override { ReleaseAll(); }
    virtual void ReleaseAll() {
        ReleaseCameras();
        ReleaseLights();
    }
    virtual void CreateLights(std::uint32_t n) { lights_.assign(n, CUSLight()); }
    virtual void ReleaseLights() { lights_.clear(); }
    virtual void CreateCameras(std::uint32_t n) { cameras_.assign(n, CUSCamera()); }
    virtual void ReleaseCameras() { cameras_.clear(); }
    virtual CUSCamera* GetCamera(std::uint32_t i) { return &cameras_.at(i); }
    virtual void ApplyCamera(std::uint32_t i);
    std::uint32_t CameraCount() const { return static_cast<std::uint32_t>(cameras_.size()); }

private:
    std::vector<CUSCamera> cameras_;
    std::vector<CUSLight> lights_;
};

class IRenderProcess {
public:
    virtual ~IRenderProcess() = default;
    virtual void Setup() = 0;
    virtual void Update() = 0;
    virtual void Render() = 0;
};

}  // namespace RenderSystem

class BaseRenderProcess : public RenderSystem::IRenderProcess {
public:
    // Empties every layer with the table and environment selected.
    void Update() override;
    virtual void ReserveQueue() { table_.ReserveQueue(); }
    virtual RenderObjectTable* GetRenderObjectTable() { return &table_; }
    virtual void SortLayer(std::uint32_t layer) { table_.SortLayer(layer); }
    virtual void DrawFromHighestKey() { table_.DrawFromHighestKey(); }
    virtual void DrawFromLowestKey() { table_.DrawFromLowestKey(); }
    virtual void ApplyDepthState(std::uint32_t index);
    virtual void ApplyTextureStageState(std::uint32_t index, std::uint32_t stage);
    virtual void ApplySamplerState(std::uint32_t index, std::uint32_t sampler);
    // Stores view x projection and the camera-facing rotation for the objects drawn next.
    virtual void CaptureViewProjection();

    RenderSystem::CEnvironmentManager* GetEnvironment() { return &environment_; }

private:
    RenderObjectTable table_;
    RenderSystem::CEnvironmentManager environment_;
};

class CBaseAppRenderProcess : public BaseRenderProcess {
public:
    // Registers the application's standard render-state records.
    void Setup() override;
};

namespace RenderSystem {

// The texture-stage cache: sets a texture on a device stage only when it changes.
class CRenderElementManager : public USLib::singleton<CRenderElementManager> {
public:
    void SetTexture(std::uint32_t stage, const TextureHandle& texture);
    void ClearTexture(std::uint32_t stage);
    // Records a stage's texture as set outside the cache (0: none).
    void Record(std::uint32_t stage, const TextureHandle& texture) { stages_[stage] = texture; }

private:
    std::unordered_map<std::uint32_t, TextureHandle> stages_;
};

class CRenderingManager {
public:
    // At exit the handle managers release what is left themselves.
    virtual ~CRenderingManager() = default;
    // Pops the last process and releases every render object and constant set.
    virtual void Shutdown();
    virtual void PushProcess(IRenderProcess* process) { processes_.push_back(process); }
    virtual void PopProcess() {
        if (!processes_.empty()) processes_.pop_back();
    }
    virtual void UpdateProcesses();
    virtual void RenderProcesses();

    CRenderElementManager& GetElements() { return elements_; }
    static CRenderingManager* GetInstance() { return CUSSingleton<CRenderingManager>::GetInstance(); }

private:
    CRenderElementManager elements_;
    std::list<IRenderProcess*> processes_;
};

}  // namespace RenderSystem
