// The novel scene's render process: set-up of its layers, projection, cameras, off-screen picture
// and full-screen quad, and the composition of each frame.
#include "novel/scenes/RenderProcessSceneNovel.h"

#include <cstring>

#include "engine/device/D3DDevice.h"
#include "engine/input/AppCommonInfo.h"
#include "novel/novel/NovelSystem.h"
#include "novel/state/SnapImage.h"

namespace {

constexpr float kScreenW = 800.0f, kScreenH = 600.0f;

const StateTableEntry kRenderStates[] = {
    {D3DRS_SPECULARENABLE, 0}, {D3DRS_COLORVERTEX, 1},      {D3DRS_NORMALIZENORMALS, 1}, {D3DRS_DITHERENABLE, 1},
    {D3DRS_ZFUNC, 4},          {D3DRS_ALPHABLENDENABLE, 1}, {D3DRS_ALPHATESTENABLE, 1},  {D3DRS_ALPHAREF, 0},
    {D3DRS_ALPHAFUNC, 5},      {D3DRS_SHADEMODE, 2},        {kStateTableEnd, 0}};
const StateTableEntry kStageStates[] = {{D3DTSS_COLORARG1, 2}, {D3DTSS_COLORARG2, 1}, {D3DTSS_ALPHAARG1, 2},
                                        {D3DTSS_ALPHAARG2, 1}, {D3DTSS_COLOROP, 4},   {D3DTSS_ALPHAOP, 4},
                                        {kStateTableEnd, 0}};
const StateTableEntry kSamplerStates[] = {{D3DSAMP_ADDRESSU, 3}, {D3DSAMP_ADDRESSV, 3}, {kStateTableEnd, 0}};
const StateTableEntry kLastStates[] = {{D3DRS_LIGHTING, 0}, {D3DRS_AMBIENT, 0xFFFFFFFF}, {kStateTableEnd, 0}};

void Clear(DWORD flags, D3DCOLOR colour) {
    if (IDirect3DDevice9* device = GetD3DDevice()) device->Clear(0, nullptr, flags, colour, 1.0f, 0);
}

}  // namespace

void SetupSceneCamera(CUSCamera& camera) {
    camera.eye = D3DXVECTOR3(0, 0, -300);
    D3DXVec3Normalize(&camera.direction, &camera.direction);
    D3DXVec3Normalize(&camera.up, &camera.up);
    D3DXVECTOR3 at = camera.eye + camera.direction;
    D3DXMatrixLookAtLH(&camera.view, &camera.eye, &at, &camera.up);
    D3DXMatrixInverse(&camera.inverseView, nullptr, &camera.view);
    camera.flag = 0;
}

void BeginSceneDraw(const ProjectionHandle& projection) {
    Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000);
    ApplyRenderStates(kRenderStates);
    for (DWORD s = 0; s < 4; ++s) {
        ApplyTextureStageStates(s, kStageStates);
        ApplySamplerStates(s, kSamplerStates);
    }
    ApplyRenderStates(kLastStates);
    if (CUSDefoProjection* p = GetProjectionManager().Get(projection)) p->Apply();
    D3DMATERIAL9 material{};
    material.Diffuse = material.Ambient = D3DCOLORVALUE{0.5f, 0.5f, 0.5f, 1.0f};
    if (IDirect3DDevice9* device = GetD3DDevice()) device->SetMaterial(&material);
}

void CreateSceneProjection(ProjectionHandle* out) {
    auto projection = std::make_unique<CUSOrthoProjection>();
    projection->SetOrthoOffCenterLH(0, kScreenW, kScreenH, 0, 1.0f, 601.0f);
    GetProjectionManager().Add(std::move(projection), out);
}

void CRenderProcessSceneNovel::ReleaseResources() {
    GetProjectionManager().Release(projection_);
    GetTextureManager().Release(picture_);
}

void CRenderProcessSceneNovel::Setup() {
    RenderObjectTable& table = *GetRenderObjectTable();
    table.Select();
    GetEnvironment()->Select();
    table.DeleteLayers();
    for (std::uint32_t i = 0; i < kLayers; ++i) table.AddLayer(kLayerSize);
    CBaseAppRenderProcess::Setup();

    ReleaseResources();
    CreateSceneProjection(&projection_);
    GetEnvironment()->CreateCameras(2);
    SetupSceneCamera(*GetEnvironment()->GetCamera(0));
    SetupSceneCamera(*GetEnvironment()->GetCamera(1));

    D3DDISPLAYMODE mode{};
    if (IDirect3DDevice9* device = GetD3DDevice()) device->GetDisplayMode(0, &mode);
    CreateTexture(&picture_, mode.Format, 800, 600, 1);

    GetMeshManager().Release(quadMesh_);
    auto mesh = std::make_unique<CUSMesh>();
    if (mesh->CreateFVF(2, 4, 0x220, 0x102) >= 0) {
        float texW = kScreenW, texH = kScreenH;
        if (CUSDefoTexture* t = GetTexture(picture_)) {
            texW = static_cast<float>(t->GetLevelDesc().Width);
            texH = static_cast<float>(t->GetLevelDesc().Height);
        }
        const float vertices[4][5] = {{-0.5f, -0.5f, 0, 0, 0},
                                      {799.5f, -0.5f, 0, kScreenW / texW, 0},
                                      {-0.5f, 599.5f, 0, 0, kScreenH / texH},
                                      {799.5f, 599.5f, 0, kScreenW / texW, kScreenH / texH}};
        const WORD indices[6] = {0, 1, 2, 2, 1, 3};
        ID3DXMesh* d3dx = mesh->GetD3DXMesh();
        void* data = nullptr;
        if (d3dx->LockVertexBuffer(0, &data) >= 0) {
            std::memcpy(data, vertices, sizeof vertices);
            d3dx->UnlockVertexBuffer();
        }
        if (d3dx->LockIndexBuffer(0, &data) >= 0) {
            std::memcpy(data, indices, sizeof indices);
            d3dx->UnlockIndexBuffer();
        }
        GetMeshManager().Add(std::move(mesh), &quadMesh_);
    }

    quad_.ResetTextureStages();
    quad_.transformKind = 0;
    quad_.cullMode = D3DCULL_NONE;
    quad_.ClearElements();
    quad_.AddElement(1);
    quad_.blendState = 0;
    quad_.position = D3DXVECTOR3(0, 0, 0);
    quad_.scale = D3DXVECTOR3(1, 1, 1);
    D3DXMatrixIdentity(&quad_.rotation);
    RenderSystem::CSpriteTextureInfoNode& stage = quad_.Stage(0);
    stage.SetEnabled(1);
    stage.ClearStageStates();
    stage.AddStageState(0);
    stage.ClearSamplerStates();
    stage.AddSamplerState(0);
    stage.SetTexture(picture_);
    auto model = std::make_unique<RenderSystem::CRenderMesh>();
    model->mesh = quadMesh_;
    model->Clear();
    quad_.SetModel(std::move(model));
    quad_.SetShader(nullptr);

    GetEnvironment()->Deselect();
    table.Deselect();
}

bool CRenderProcessSceneNovel::DrawLayer(std::uint32_t layer, bool nearToFar) {
    RenderObjectTable& table = *GetRenderObjectTable();
    if (table.IsLayerEmpty(layer)) return false;
    table.SortLayer(layer);
    if (nearToFar)
        table.DrawFromLowestKey();
    else
        table.DrawFromHighestKey();
    return true;
}

void CRenderProcessSceneNovel::RenderBufferPasses() {
    CNovelSystem* novel = CNovelSystem::GetInstance();
    const std::uint32_t n = novel->GetRenderBufferPassCount();
    if (n == 0) return;
    GetEnvironment()->ApplyCamera(1);
    CaptureViewProjection();
    targets_.Push();
    RenderObjectTable& table = *GetRenderObjectTable();
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint32_t layer = 0, index = 0;
        novel->GetRenderBufferPass(i, &layer, &index);
        RenderSource::CRenderBuffer* buffer = novel->GetRenderSources().renderBuffers.GetSource(index);
        if (!buffer || table.IsLayerEmpty(layer)) continue;
        buffer->SetAsRenderTarget();
        Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000000);
        DrawLayer(layer, false);
    }
    targets_.Pop();
}

void CRenderProcessSceneNovel::CaptureSnapshot() {
    // The picture of layers 0-2, scaled down with filtering: the dialogs above it stay out.
    CSnapImage* snapshot = CSnapImage::GetInstance();
    targets_.Push();
    snapshot->BeginCapture();
    quad_.Stage(0).ClearSamplerStates();
    quad_.Stage(0).AddSamplerState(1);
    quad_.Draw();
    targets_.Pop();
    snapshot->Capture();
}

void CRenderProcessSceneNovel::Render() {
    RenderObjectTable& table = *GetRenderObjectTable();
    table.Select();
    GetEnvironment()->Select();
    BeginSceneDraw(projection_);
    if (movie_) {
        GetEnvironment()->ApplyCamera(0);
        if (RenderSystem::CBaseRenderObject* movie = GetRenderObject(movie_)) movie->Draw();
    } else {
        RenderBufferPasses();
        GetEnvironment()->ApplyCamera(0);
        CaptureViewProjection();
        targets_.Push();
        if (CUSDefoTexture* picture = GetTexture(picture_)) picture->SetAsRenderTarget(0);
        Clear(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000);
        DrawLayer(0, false);
        DrawLayer(1, false);
        if (!table.IsLayerEmpty(2)) {
            Clear(D3DCLEAR_ZBUFFER, 0xFF000000);
            DrawLayer(2, true);
        }
        targets_.Pop();
        quad_.Stage(0).ClearSamplerStates();
        quad_.Stage(0).AddSamplerState(0);
        quad_.Draw();
        DrawLayer(3, false);
        DrawLayer(4, false);
        if (CUSSingleton<CAppCommonInfo>::GetInstance()->IsSnapshotRequested()) CaptureSnapshot();
    }
    GetEnvironment()->Deselect();
    table.Deselect();
}
