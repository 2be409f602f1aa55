// The resolution adjuster, saved render targets, projections and the shared resource tables.
#include "engine/render/ResolutionAdjuster.h"

#include "engine/device/AppDeviceInfo.h"
#include "engine/device/D3DDevice.h"
#include <cstring>

#include "engine/render/RenderSystem.h"
#include "engine/resources/LastingManager.h"

CRenderBufferInfo::~CRenderBufferInfo() {
    if (renderTarget_) renderTarget_->Release();
    if (depth_) depth_->Release();
}

void CRenderBufferInfo::Capture() {
    IDirect3DDevice9* device = GetD3DDevice();
    if (!device) return;
    device->GetRenderTarget(0, &renderTarget_);
    device->GetDepthStencilSurface(&depth_);
}

void CRenderBufferInfo::Restore() {
    IDirect3DDevice9* device = GetD3DDevice();
    if (device) {
        device->SetRenderTarget(0, renderTarget_);
        device->SetDepthStencilSurface(depth_);
    }
    if (renderTarget_) renderTarget_->Release();
    if (depth_) depth_->Release();
    renderTarget_ = depth_ = nullptr;
}

void CUSRenderBufferStack::DeleteAll() {
    records_.clear();
}

void CUSRenderBufferStack::Push() {
    auto record = std::make_unique<CRenderBufferInfo>();
    record->Capture();
    records_.push_back(std::move(record));
}

void CUSRenderBufferStack::Pop() {
    if (records_.empty()) return;
    std::unique_ptr<CRenderBufferInfo> record = std::move(records_.back());
    records_.pop_back();
    record->Restore();
}

void CUSRenderBufferStack::Clear() {
    for (size_t n = records_.size(); n > 0; --n) Pop();
}

CUSDefoProjection::CUSDefoProjection() {
    D3DXMatrixIdentity(&matrix_);
    D3DXMatrixIdentity(&inverse_);
}

void CUSDefoProjection::Apply() const {
    if (IDirect3DDevice9* device = GetD3DDevice()) device->SetTransform(D3DTS_PROJECTION, &matrix_);
}

void CUSDefoProjection::ComputeInverse() { D3DXMatrixInverse(&inverse_, nullptr, &matrix_); }

void CUSOrthoProjection::Built() {
    ComputeInverse();
    valid_ = 1;
}

void CUSOrthoProjection::SetOrthoLH(float w, float h, float zn, float zf) {
    D3DXMatrixOrthoLH(&matrix_, w, h, zn, zf);
    Built();
}

void CUSOrthoProjection::SetOrthoRH(float w, float h, float zn, float zf) {
    D3DXMatrixOrthoRH(&matrix_, w, h, zn, zf);
    Built();
}

void CUSOrthoProjection::SetOrthoOffCenterLH(float l, float r, float b, float t, float zn, float zf) {
    D3DXMatrixOrthoOffCenterLH(&matrix_, l, r, b, t, zn, zf);
    Built();
}

void CUSOrthoProjection::SetOrthoOffCenterRH(float l, float r, float b, float t, float zn, float zf) {
    D3DXMatrixOrthoOffCenterRH(&matrix_, l, r, b, t, zn, zf);
    Built();
}

ProjectionManager& GetProjectionManager() { return LastingManager<ProjectionManager>(); }

namespace {

// The game screen is always 800 x 600.
constexpr UINT kGameWidth = 800, kGameHeight = 600;

struct QuadVertex {
    float x, y, z;
    float u, v;
};

constexpr StateTableEntry kAdjusterRenderStates[] = {
    {D3DRS_LIGHTING, FALSE},          {D3DRS_SPECULARENABLE, FALSE},   {D3DRS_COLORVERTEX, TRUE},
    {D3DRS_NORMALIZENORMALS, TRUE},   {D3DRS_DITHERENABLE, TRUE},      {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
    {D3DRS_ALPHABLENDENABLE, TRUE},   {D3DRS_ALPHATESTENABLE, TRUE},   {D3DRS_ALPHAREF, 0},
    {D3DRS_ALPHAFUNC, D3DCMP_GREATER}, {D3DRS_SHADEMODE, D3DSHADE_GOURAUD}, {D3DRS_ZWRITEENABLE, FALSE},
    {D3DRS_ZENABLE, D3DZB_FALSE},     {D3DRS_CULLMODE, D3DCULL_NONE},  {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}, {kStateTableEnd, 0}};
constexpr StateTableEntry kAdjusterStageStates[] = {
    {D3DTSS_COLORARG1, D3DTA_TEXTURE},   {D3DTSS_COLORARG2, D3DTA_CURRENT}, {D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
    {D3DTSS_ALPHAARG2, D3DTA_CURRENT},   {D3DTSS_COLOROP, D3DTOP_SELECTARG1}, {D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
    {kStateTableEnd, 0}};
constexpr StateTableEntry kAdjusterSamplerStates[] = {{D3DSAMP_MINFILTER, D3DTEXF_LINEAR},
                                                      {D3DSAMP_MAGFILTER, D3DTEXF_LINEAR},
                                                      {D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP},
                                                      {D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP},
                                                      {kStateTableEnd, 0}};

}  // namespace

USResolutionAdjuster::USResolutionAdjuster() {
    // The managers must outlive the adjuster, which releases into them when it is destroyed.
    GetTextureManager();
    GetMeshManager();
    D3DXMatrixIdentity(&projection_);
    D3DXMatrixIdentity(&world_);
    D3DXMatrixIdentity(&view_);
}

void USResolutionAdjuster::ReleaseResources() {
    GetTextureManager().Release(target_);
    GetMeshManager().Release(quad_);
}

bool USResolutionAdjuster::Setup() {
    GetTextureManager().Release(target_);
    D3DFORMAT format = CUSSingleton<CUSAppDeviceInfo>::GetInstance()->alphaRenderTarget.GetFormat();
    if (!CreateTexture(&target_, format, kGameWidth, kGameHeight, 1)) {
        // Without an off-screen target the frame is drawn straight to the back buffer.
        scaling_ = false;
        return true;
    }
    CUSDefoTexture* target = GetTexture(target_);
    UINT w = 0, h = 0;
    target->GetSize(&w, &h);
    const D3DPRESENT_PARAMETERS& full = GetPresentParameters().GetParameters(false);
    float fw = static_cast<float>(full.BackBufferWidth), fh = static_cast<float>(full.BackBufferHeight);
    float sx = fw / static_cast<float>(w), sy = fh / static_cast<float>(h);
    scale_ = sx < sy ? sx : sy;
    float ww = static_cast<float>(w) * scale_, hh = static_cast<float>(h) * scale_;
    offsetX_ = (fw - ww) * 0.5f;
    offsetY_ = (fh - hh) * 0.5f;
    scaling_ = !(ww == fw && hh == fh && scale_ == 1.0f);

    if (CUSMesh* quad = GetMesh(quad_); quad && quad->GetD3DXMesh()) {
        const D3DSURFACE_DESC& level = target->GetLevelDesc();
        float u = static_cast<float>(w) / static_cast<float>(level.Width);
        float v = static_cast<float>(h) / static_cast<float>(level.Height);
        // Pixel centres lie on integer coordinates: the quad moves half a pixel left and half a pixel
        // up on the screen. View-space y points up, so "up" is +0.5 there (-0.5 would push the quad
        // down and leave the top row of the screen black).
        const QuadVertex vertices[4] = {{-ww / 2 - 0.5f, hh / 2 + 0.5f, 0, 0, 0},
                                        {ww / 2 - 0.5f, hh / 2 + 0.5f, 0, u, 0},
                                        {-ww / 2 - 0.5f, -hh / 2 + 0.5f, 0, 0, v},
                                        {ww / 2 - 0.5f, -hh / 2 + 0.5f, 0, u, v}};
        const WORD indices[6] = {0, 1, 2, 2, 1, 3};
        ID3DXMesh* mesh = quad->GetD3DXMesh();
        void* data = nullptr;
        if (mesh->LockVertexBuffer(0, &data) >= 0) {
            std::memcpy(data, vertices, sizeof vertices);
            mesh->UnlockVertexBuffer();
        }
        if (mesh->LockIndexBuffer(0, &data) >= 0) {
            std::memcpy(data, indices, sizeof indices);
            mesh->UnlockIndexBuffer();
        }
    }
    D3DXVECTOR3 eye(0, 0, -10), at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view_, &eye, &at, &up);
    D3DXMatrixIdentity(&world_);
    return true;
}

void USResolutionAdjuster::BeginRender() {
    if (!scaling_) return;
    saved_.Push();
    if (CUSDefoTexture* target = GetTexture(target_)) target->SetAsRenderTarget(0);
    GetD3DDevice()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
}

void USResolutionAdjuster::EndRender() {
    if (!scaling_) return;
    saved_.Pop();
    IDirect3DDevice9* device = GetD3DDevice();
    ApplyRenderStates(kAdjusterRenderStates);
    ApplyTextureStageStates(0, kAdjusterStageStates);
    ApplySamplerStates(0, kAdjusterSamplerStates);
    const D3DPRESENT_PARAMETERS& params = GetCurrentPresentParameters();
    D3DXMatrixOrthoLH(&projection_, static_cast<float>(params.BackBufferWidth),
                      static_cast<float>(params.BackBufferHeight), 1.0f, 601.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection_);
    device->SetTransform(D3DTS_VIEW, &view_);
    device->SetTransform(D3DTS_WORLD, &world_);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    RenderSystem::CRenderingManager::GetInstance()->GetElements().SetTexture(0, target_);
    if (CUSMesh* quad = GetMesh(quad_)) {
        quad->Bind();
        quad->DrawAll();
    }
}

namespace RenderSystem {

CResourceManager::CResourceManager() {
    // The managers must outlive this table, which releases into them.
    GetTextureManager();
    GetMeshManager();
    GetVertexShaderManager();
    GetPixelShaderManager();
}

CResourceManager& CResourceManager::Instance() {
    static CResourceManager manager;
    return manager;
}

}  // namespace RenderSystem
