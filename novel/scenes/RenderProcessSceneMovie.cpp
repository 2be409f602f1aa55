// The movie scene's render process: set-up of its layer, projection and camera, and its frame.
#include "novel/scenes/RenderProcessSceneMovie.h"

#include "engine/device/D3DDevice.h"
#include "novel/scenes/RenderProcessSceneNovel.h"

CRenderProcessSceneMovie::~CRenderProcessSceneMovie() { GetProjectionManager().Release(projection_); }

void CRenderProcessSceneMovie::Setup() {
    RenderObjectTable& table = *GetRenderObjectTable();
    table.Select();
    GetEnvironment()->Select();
    table.DeleteLayers();
    table.AddLayer(kLayerSize);
    CBaseAppRenderProcess::Setup();
    GetProjectionManager().Release(projection_);
    CreateSceneProjection(&projection_);
    GetEnvironment()->CreateCameras(1);
    SetupSceneCamera(*GetEnvironment()->GetCamera(0));
    GetEnvironment()->Deselect();
    table.Deselect();
}

void CRenderProcessSceneMovie::Render() {
    RenderObjectTable& table = *GetRenderObjectTable();
    table.Select();
    GetEnvironment()->Select();
    BeginSceneDraw(projection_);
    GetEnvironment()->ApplyCamera(0);
    CaptureViewProjection();
    if (IDirect3DDevice9* device = GetD3DDevice()) device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    table.SortLayer(0);
    table.DrawFromHighestKey();
    GetEnvironment()->Deselect();
    table.Deselect();
}
