// Renderers that do not draw one image quad: a screen-covering polygon in one colour (kind 4), a
// mesh with its texture through the fixed-function pipeline (kind 7), and up to 32 billboards of one
// parts sheet drawn in one call (owned by a renderer-control script, not by the renderer manager).
#pragma once
#include "novel/render/ImageRenderers.h"

class CAtmosphericPolygonRenderer : public CSpriteRendererBase {
public:
    // No source.
    std::uint32_t GetSource() override { return 0xFFFFFFFFu; }
    void Render() override;
    void Save(RenderSource::OStream& out) override;
    void Load(RenderSource::IStream& in, std::uint32_t version) override;
    void Restore() override;
    void Setup() override;
};

class MeshRenderer : public CSpriteRendererBase {
public:
    void SetSource(std::uint32_t source) override { source_ = static_cast<std::int32_t>(source); }
    void Render() override;
    // Its record: source index, then blend state word.
    void Save(RenderSource::OStream& out) override;
    void Load(RenderSource::IStream& in, std::uint32_t version) override;
    void Restore() override { BaseNovelRenderObject::Restore(); }
    void Setup() override;
};

class BBRenderer {
public:
    static constexpr std::uint32_t kCount = 32;

    struct Billboard {
        bool enabled = false;
        float position[3] = {0, 0, 0};
        float scale[3] = {1, 1, 1};
        float yawPitchRoll[3] = {0, 0, 0};
        float color[4] = {1, 1, 1, 1};
        std::uint32_t pattern = 0;
    };

    BBRenderer() = default;
    BBRenderer(const BBRenderer&) = delete;
    BBRenderer& operator=(const BBRenderer&) = delete;
    virtual ~BBRenderer() { BBRenderer::ReleaseResources(); }
    virtual void ReleaseResources();
    virtual void Setup();
    virtual void SetRegistTable(std::uint32_t layer) { layer_ = layer; }
    virtual std::uint32_t GetRegistTable() { return layer_; }
    virtual void SetRenderSourceManager(RenderSource::CRenderSourceManager* sources) { sources_ = sources; }
    virtual RenderSource::CRenderSourceManager* GetRenderSourceManager() { return sources_; }
    virtual void SetBlendRenderState(std::uint32_t state) { blend_ = state; }
    virtual void SetResourceIndex(std::uint32_t index) { resource_ = index; }
    virtual void Render();

    // Record i, for the owner's setters; null beyond the 32.
    Billboard* GetBillboard(std::uint32_t i) { return i < kCount ? &records_[i] : nullptr; }
    void SetBasePosition(float x, float y, float z) { basePosition_ = D3DXVECTOR3(x, y, z); }
    RenderSystem::CBaseRenderObject* GetBaseRenderObject() { return GetRenderObject(object_); }
    CVSParamInfo* GetVSParams() { return GetVSParamInfo(params_); }

private:
    RenderObjectHandle object_;
    VSParamHandle params_;
    RenderSource::CRenderSourceManager* sources_ = nullptr;
    std::uint32_t layer_ = 0;
    std::uint32_t resource_ = 0;
    std::uint32_t blend_ = 0;
    Billboard records_[kCount];
    D3DXVECTOR3 basePosition_{0, 0, 0};
};
