// The base render process: emptying its layers each frame, applying registered render-state records,
// and capturing the view and projection for the objects it draws.
#include "engine/render/RenderProcess.h"

#include "engine/device/D3DDevice.h"
#include "engine/render/RenderStateManager.h"

void BaseRenderProcess::Update() {
    table_.Select();
    environment_.Select();
    table_.ClearLayers();
    environment_.Deselect();
    table_.Deselect();
}

void BaseRenderProcess::ApplyDepthState(std::uint32_t index) {
    RenderSystem::CRenderStateManager::Instance().ApplyDepthState(index);
}

void BaseRenderProcess::ApplyTextureStageState(std::uint32_t index, std::uint32_t stage) {
    RenderSystem::CRenderStateManager::Instance().ApplyTextureStageState(index, stage);
}

void BaseRenderProcess::ApplySamplerState(std::uint32_t index, std::uint32_t sampler) {
    RenderSystem::CRenderStateManager::Instance().ApplySamplerState(index, sampler);
}

void BaseRenderProcess::CaptureViewProjection() {
    IDirect3DDevice9* device = GetD3DDevice();
    if (!device) return;
    D3DXMATRIX view, projection;
    device->GetTransform(D3DTS_PROJECTION, &projection);
    device->GetTransform(D3DTS_VIEW, &view);
    RenderSystem::FrameTransform& frame = RenderSystem::GetFrameTransform();
    D3DXMatrixMultiply(&frame.viewProjection, &view, &projection);
    frame.cameraRotation = RenderSystem::CameraFacing(view);
}

void CBaseAppRenderProcess::Setup() { RenderSystem::CRenderStateManager::Instance().RegisterStandardRecords(); }
