// The environment of a render process: its cameras (whose view matrix becomes the device's view
// transform) and lights.
#pragma once
#include <d3dx9.h>

#include <cstdint>
#include <vector>

#include "engine/render/SelectableCurrent.h"

struct CUSCamera {
    virtual ~CUSCamera() = default;
    D3DXVECTOR3 eye{0, 0, 0};
    D3DXVECTOR3 direction{0, 0, 1};
    D3DXVECTOR3 up{0, 1, 0};
    D3DXMATRIX view;
    D3DXMATRIX inverseView;
    std::uint32_t flag = 0;
    CUSCamera();
};

struct CUSLight {
    virtual ~CUSLight() = default;
    std::uint32_t kind = 0;
    D3DLIGHT9 light{};
};

namespace RenderSystem {

class CEnvironmentManager : public ISelectableCurrent<CEnvironmentManager> {
public:
    ~CEnvironmentManager() override { ReleaseAll(); }
    virtual void ReleaseAll() {
        ReleaseCameras();
        ReleaseLights();
    }
    virtual void CreateLights(std::uint32_t n) { lights_.assign(n, CUSLight()); }
    virtual void ReleaseLights() { lights_.clear(); }
    virtual void CreateCameras(std::uint32_t n) { cameras_.assign(n, CUSCamera()); }
    virtual void ReleaseCameras() { cameras_.clear(); }
    virtual CUSCamera* GetCamera(std::uint32_t i) { return &cameras_.at(i); }
    virtual void ApplyCamera(std::uint32_t i);
    std::uint32_t CameraCount() const { return static_cast<std::uint32_t>(cameras_.size()); }

private:
    std::vector<CUSCamera> cameras_;
    std::vector<CUSLight> lights_;
};

// The inverse of a view matrix with its translation row reset: the rotation that turns objects to
// face the camera.
D3DXMATRIX CameraFacing(const D3DXMATRIX& view);

}  // namespace RenderSystem
