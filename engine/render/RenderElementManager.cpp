// The texture-stage cache: a stage's texture goes to the device only when it differs from the last.
#include "engine/render/RenderElementManager.h"

#include "engine/device/D3DDevice.h"

namespace RenderSystem {

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

}  // namespace RenderSystem
