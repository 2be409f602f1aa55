// Cameras of a render process: applying one sets the device's view transform and the rotation that
// turns objects to face it.
#include "engine/render/Environment.h"

#include "engine/device/D3DDevice.h"
#include "engine/render/RenderObject.h"

CUSCamera::CUSCamera() {
    D3DXMatrixIdentity(&view);
    D3DXMatrixIdentity(&inverseView);
}

namespace RenderSystem {

D3DXMATRIX CameraFacing(const D3DXMATRIX& view) {
    D3DXMATRIX inverse;
    D3DXMatrixInverse(&inverse, nullptr, &view);
    inverse._41 = inverse._42 = inverse._43 = 0.0f;
    inverse._44 = 1.0f;
    return inverse;
}

void CEnvironmentManager::ApplyCamera(std::uint32_t i) {
    CUSCamera* camera = GetCamera(i);
    if (IDirect3DDevice9* device = GetD3DDevice()) device->SetTransform(D3DTS_VIEW, &camera->view);
    GetFrameTransform().cameraRotation = CameraFacing(camera->view);
}

}  // namespace RenderSystem
