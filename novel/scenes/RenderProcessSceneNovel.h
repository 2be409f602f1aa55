// The novel scene's render process: composes each frame from five layers. Render-buffer passes
// draw chosen layers into render sources; layers 0-2 are drawn into an 800x600 off-screen picture
// (layer 2 near to far on a fresh depth buffer), which a full-screen quad puts on the frame, point-
// sampled; layers 3 and 4 go straight onto the frame above it. A movie object, when set, is drawn
// alone. A requested snapshot is the picture again, scaled into the save thumbnail.
#pragma once
#include "engine/render/RenderSystem.h"
#include "engine/render/ResolutionAdjuster.h"

class CRenderProcessSceneNovel : public CBaseAppRenderProcess {
public:
    static constexpr std::uint32_t kLayers = 5;
    static constexpr std::uint32_t kLayerSize = 256;

    CRenderProcessSceneNovel() = default;
    CRenderProcessSceneNovel(const CRenderProcessSceneNovel&) = delete;
    CRenderProcessSceneNovel& operator=(const CRenderProcessSceneNovel&) = delete;
    ~CRenderProcessSceneNovel() override { CRenderProcessSceneNovel::ReleaseResources(); }
    void Setup() override;
    void Render() override;
    virtual void ReleaseResources();

    void SetMovieObject(RenderObjectHandle movie) { movie_ = movie; }
    TextureHandle GetPicture() const { return picture_; }

private:
    // Sorts and draws a layer that holds anything; false when it is empty.
    bool DrawLayer(std::uint32_t layer, bool nearToFar);
    void RenderBufferPasses();
    // The save thumbnail, when one was asked for this frame.
    void CaptureSnapshot();

    ProjectionHandle projection_;
    TextureHandle picture_;
    CUSRenderBufferStack targets_;
    MeshHandle quadMesh_;
    RenderSystem::CBaseRenderObject quad_;
    RenderObjectHandle movie_;
};

// Sets up a camera at (0, 0, -300) looking along +z with +y up.
void SetupSceneCamera(CUSCamera& camera);
// The start of a scene's frame: clears the target (opaque black) and the depth buffer, applies the
// fixed states, the projection (when it resolves) and the material.
void BeginSceneDraw(const ProjectionHandle& projection);
// The 800 x 600 orthographic projection of the scenes (y down), registered; its handle goes to out.
void CreateSceneProjection(ProjectionHandle* out);
