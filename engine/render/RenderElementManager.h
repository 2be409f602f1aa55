// The texture-stage cache: sets a texture on a device stage only when it changes.
#pragma once
#include <cstdint>
#include <unordered_map>

#include "engine/render/RenderObject.h"
#include "engine/util/USSingleton.h"

namespace RenderSystem {

class CRenderElementManager : public USLib::singleton<CRenderElementManager> {
public:
    void SetTexture(std::uint32_t stage, const TextureHandle& texture);
    void ClearTexture(std::uint32_t stage);
    // Records a stage's texture as set outside the cache (0: none).
    void Record(std::uint32_t stage, const TextureHandle& texture) { stages_[stage] = texture; }

private:
    std::unordered_map<std::uint32_t, TextureHandle> stages_;
};

}  // namespace RenderSystem
