// A render-object table: its layers, and sorting one layer into the key-ordered queue and drawing it.
#include "engine/render/RenderObjectTable.h"

#include <algorithm>

void RenderObjectTable::DeleteLayers() { layers_.clear(); }

void RenderObjectTable::ClearLayers() {
    queue_.Clear();
    for (auto& layer : layers_) layer->Clear();
}

void RenderObjectTable::Add(std::uint32_t layer, const RenderObjectHandle& handle) {
    if (layer < layers_.size()) layers_[layer]->Add(handle);
}

void RenderObjectTable::AddLayer(std::uint32_t capacity) {
    auto layer = std::make_unique<RenderObjectVector>();
    layer->Reserve(capacity);
    layers_.push_back(std::move(layer));
}

void RenderObjectTable::ReserveQueue() {
    std::uint32_t largest = 0;
    for (const auto& layer : layers_) largest = std::max(largest, layer->GetCapacity());
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
