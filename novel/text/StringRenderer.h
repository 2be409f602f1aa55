// The text renderer (renderer kind 5): draws the visible cells of one text buffer as textured quads
// in a single draw call through "StringRender.vso", tinted by the renderer's colour; raising the
// buffer's visible count is the whole typewriter effect.
#pragma once
#include "novel/render/ImageRenderers.h"
#include "novel/text/StringRenderTexture.h"

class CStringRenderer : public CSpriteRendererBase {
public:
    // The most cells one frame draws: constants 6 to 255, two per cell.
    static constexpr std::uint32_t kMaxCells = 125;

    // Drawn from creation on, unscaled and unrotated.
    CStringRenderer() { rendering_ = 1; }
    // Binds text buffer `index` when it differs from the current one and exists.
    void SetSource(std::uint32_t index) override;
    void Render() override;
    // Text is never scaled or rotated.
    void SetScale(float, float, float) override {}
    void SetRoll(float, float, float) override {}
    void SetColor(float r, float g, float b, float a) override;
    void Save(RenderSource::OStream& out) override { SaveShared(out); }
    void Load(RenderSource::IStream& in, std::uint32_t version) override { LoadShared(in, version); }
    void Restore() override { RestoreShared(); }
    void Setup() override;
};
