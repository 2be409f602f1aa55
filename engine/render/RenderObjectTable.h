// A render-object table: numbered layers that scenes fill each frame, sorted one at a time by the
// objects' keys and drawn from the highest or the lowest key.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/render/PriorityQueue.h"
#include "engine/render/RenderObject.h"
#include "engine/render/RenderObjectVector.h"
#include "engine/render/SelectableCurrent.h"

class RenderObjectTable : public ISelectableCurrent<RenderObjectTable> {
public:
    RenderObjectTable() = default;
    RenderObjectTable(const RenderObjectTable&) = delete;
    RenderObjectTable& operator=(const RenderObjectTable&) = delete;
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
    std::vector<std::unique_ptr<RenderObjectVector>> layers_;
    USLib::priority_queue<RenderObjectHandle> queue_;
};
