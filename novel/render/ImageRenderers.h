// The image renderers: a whole picture (kind 0), a picture faded through a mask by "AlphaFade.pso"
// (kind 1), one pattern of a parts sheet (kind 2) and an off-screen render buffer (kind 3), each one
// textured quad drawn by "PartRender.vso" from constants 5 (rectangle), 6 (texture rectangle) and
// 7 (colour).
#pragma once
#include "novel/render/Renderer.h"

// What the quad-drawing kinds share: a render object with a vertex-shader constant set, a blend
// state word and a source index.
class CSpriteRendererBase : public BaseNovelRenderObject {
public:
    ~CSpriteRendererBase() override { CSpriteRendererBase::ReleaseResources(); }
    std::uint32_t GetSource() override { return static_cast<std::uint32_t>(source_); }
    void SetBlendRenderState(std::uint32_t state) override { blend_ = state; }
    virtual void ReleaseResources();
    virtual void Setup() = 0;
    RenderSystem::CBaseRenderObject* GetBaseRenderObject() { return GetRenderObject(object_); }
    CVSParamInfo* GetVSParams() { return GetVSParamInfo(params_); }

protected:
    // Render object over "PartRender.mesh" with "PartRender.vso" and constant 4 = (1, 0, 0, 0).
    void SetupImage();
    // Record after the base: blend state word, source index.
    void SaveShared(RenderSource::OStream& out);
    void LoadShared(RenderSource::IStream& in, std::uint32_t version);
    // Base restore, the blend state, and the source bound again.
    void RestoreShared();
    // Binds a source's texture to stage 0 and its two vectors to constants 5 and 6.
    void BindQuad(TextureHandle texture, const float* rect, const float* uv);
    // SetSource of the kinds that bind at once: source `index` of the table, unless it is the one
    // bound already or names nothing.
    template <class Table>
    void BindSource(Table& table, std::uint32_t index) {
        auto* s = table.GetSource(index);
        if (static_cast<std::int32_t>(index) == source_ || !s) return;
        BindQuad(s->texture, s->rect, s->uv);
        source_ = static_cast<std::int32_t>(index);
    }
    // Transform from position, scale and roll, the blend preset, stage 0's sampler (point only for
    // an unscaled, unrotated picture, when chooseSampler), the pixel snap, and the queueing.
    void PlaceAndQueue(bool chooseSampler);

    RenderObjectHandle object_;
    VSParamHandle params_;
    std::uint32_t blend_ = 0;
    std::int32_t source_ = -1;
};

class CSingleTextureRenderer : public CSpriteRendererBase {
public:
    void SetSource(std::uint32_t source) override {
        if (sources_) BindSource(sources_->singleTextures, source);
    }
    void Render() override;
    void Save(RenderSource::OStream& out) override { SaveShared(out); }
    void Load(RenderSource::IStream& in, std::uint32_t version) override { LoadShared(in, version); }
    void Restore() override { RestoreShared(); }
    void Setup() override { SetupImage(); }
};

class CAlphaFadeRenderer : public CSingleTextureRenderer {
public:
    ~CAlphaFadeRenderer() override { CAlphaFadeRenderer::ReleaseResources(); }
    void SetColor(float r, float g, float b, float a) override;
    void SetAlphaSource(std::uint32_t source) override;
    void Save(RenderSource::OStream& out) override;
    void Load(RenderSource::IStream& in, std::uint32_t version) override;
    void Restore() override;
    void ReleaseResources() override;
    void Setup() override;
    std::int32_t GetAlphaSource() const { return alphaSource_; }
    PSParamHandle GetPSParams() const { return psParams_; }

private:
    PSParamHandle psParams_;
    std::int32_t alphaSource_ = -1;
};

class CTexturePartRenderer : public CSpriteRendererBase {
public:
    void SetSource(std::uint32_t source) override { source_ = static_cast<std::int32_t>(source); }
    void SetPatNo(std::uint32_t pattern) override { pattern_ = static_cast<std::int32_t>(pattern); }
    void Render() override;
    void Save(RenderSource::OStream& out) override;
    void Load(RenderSource::IStream& in, std::uint32_t version) override;
    void Restore() override;
    void Setup() override { SetupImage(); }

private:
    std::int32_t pattern_ = -1;
};

class CRenderBufferRenderer : public CSpriteRendererBase {
public:
    void SetSource(std::uint32_t source) override {
        if (sources_) BindSource(sources_->renderBuffers, source);
    }
    void Render() override;
    void Save(RenderSource::OStream& out) override { SaveShared(out); }
    void Load(RenderSource::IStream& in, std::uint32_t version) override { LoadShared(in, version); }
    void Restore() override { RestoreShared(); }
    void Setup() override { SetupImage(); }
};
