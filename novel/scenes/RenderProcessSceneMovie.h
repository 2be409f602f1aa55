// The movie scene's render process: one layer, drawn over opaque black with the scenes' fixed
// states, projection and camera. While a movie scene exists its process is reachable as the one
// instance.
#pragma once
#include "engine/render/RenderSystem.h"
#include "engine/render/ResolutionAdjuster.h"
#include "engine/util/USSingleton.h"

class CRenderProcessSceneMovie : public CBaseAppRenderProcess, public USLib::singleton<CRenderProcessSceneMovie> {
public:
    static constexpr std::uint32_t kLayerSize = 32;

    CRenderProcessSceneMovie() = default;
    ~CRenderProcessSceneMovie() override;
    void Setup() override;
    void Render() override;

private:
    ProjectionHandle projection_;
};
