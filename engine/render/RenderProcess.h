// Render processes: each frame every process updates (its layers start empty), scenes refill the
// layers of the table they selected, and each process sorts and draws its layers in key order.
#pragma once
#include <cstdint>

#include "engine/render/Environment.h"
#include "engine/render/RenderObjectTable.h"

namespace RenderSystem {

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
