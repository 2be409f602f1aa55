// Numbered render-state records: depth and blend records (render states), texture-stage records and
// sampler records, registered once and applied by number.
#pragma once
#include <vector>

#include "engine/device/D3DDevice.h"

namespace RenderSystem {

class CRenderStateManager {
public:
    virtual ~CRenderStateManager() = default;
    virtual void Clear();
    virtual void AddDepthState(const StateTableEntry* record) { depth_.push_back(record); }
    virtual void SetDepthState(DWORD i, const StateTableEntry* record) { depth_.at(i) = record; }
    virtual void AddBlendState(const StateTableEntry* record) { blend_.push_back(record); }
    virtual void SetBlendState(DWORD i, const StateTableEntry* record) { blend_.at(i) = record; }
    virtual void AddTextureStageState(const StateTableEntry* record) { stage_.push_back(record); }
    virtual void SetTextureStageState(DWORD i, const StateTableEntry* record) { stage_.at(i) = record; }
    virtual void AddSamplerState(const StateTableEntry* record) { sampler_.push_back(record); }
    virtual void SetSamplerState(DWORD i, const StateTableEntry* record) { sampler_.at(i) = record; }
    // A number that was never registered applies nothing.
    virtual void ApplyDepthState(DWORD i);
    virtual void ApplyBlendState(DWORD i);
    virtual void ApplyTextureStageState(DWORD i, DWORD stage);
    virtual void ApplySamplerState(DWORD i, DWORD sampler);

    // Clears the lists and registers the application's standard records.
    void RegisterStandardRecords();
    size_t DepthCount() const { return depth_.size(); }
    size_t BlendCount() const { return blend_.size(); }
    size_t TextureStageCount() const { return stage_.size(); }
    size_t SamplerCount() const { return sampler_.size(); }

    static CRenderStateManager& Instance();

private:
    std::vector<const StateTableEntry*> depth_, blend_, stage_, sampler_;
};

}  // namespace RenderSystem
