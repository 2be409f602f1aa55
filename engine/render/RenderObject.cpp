// Render objects: transforms, sort keys, drawing with state records, texture stages, models and
// shaders; and the shader constant sets.
#include "engine/render/RenderObject.h"

#include <cstring>

#include "engine/device/D3DDevice.h"
#include "engine/render/RenderStateManager.h"
#include "engine/render/RenderSystem.h"
#include "engine/resources/LastingManager.h"

namespace RenderSystem {

FrameTransform::FrameTransform() {
    D3DXMatrixIdentity(&rotation);
    D3DXMatrixIdentity(&world);
    D3DXMatrixIdentity(&viewProjection);
    D3DXMatrixIdentity(&cameraRotation);
}

FrameTransform& GetFrameTransform() {
    static FrameTransform frame;
    return frame;
}

void CSpriteTextureInfoNode::AddStageState(std::uint32_t record) {
    if (auto* slot = stageStates_.PushBack()) *slot = record;
}

void CSpriteTextureInfoNode::AddSamplerState(std::uint32_t record) {
    if (auto* slot = samplerStates_.PushBack()) *slot = record;
}

void CSpriteTextureInfoNode::Apply() {
    CRenderElementManager& cache = CRenderingManager::GetInstance()->GetElements();
    if (!enabled_) {
        cache.ClearTexture(stage_);
        return;
    }
    cache.SetTexture(stage_, texture_);
    CRenderStateManager& states = CRenderStateManager::Instance();
    for (std::uint32_t r : stageStates_) states.ApplyTextureStageState(r, stage_);
    for (std::uint32_t r : samplerStates_) states.ApplySamplerState(r, stage_);
}

void CRenderMesh::Draw() {
    CUSMesh* m = GetMesh(mesh);
    if (!m) return;
    m->Bind();
    if (partial_)
        m->DrawIndexed(static_cast<INT>(baseVertex_), minVertex_, vertexCount_, startIndex_, primitiveCount_);
    else
        m->DrawAll();
}

void CRenderMesh::SetData(std::uint32_t baseVertex, std::uint32_t minVertex, std::uint32_t vertexCount,
                          std::uint32_t startIndex, std::uint32_t primitiveCount) {
    baseVertex_ = baseVertex;
    minVertex_ = minVertex;
    vertexCount_ = vertexCount;
    startIndex_ = startIndex;
    primitiveCount_ = primitiveCount;
    partial_ = 1;
}

void CRenderMemoryMesh::Draw() {
    IDirect3DDevice9* device = GetD3DDevice();
    if (!device || !vertices || !indices) return;
    device->SetFVF(fvf);
    device->DrawIndexedPrimitiveUP(primitiveType, partial_ ? minVertex_ : 0, vertexCount, primitiveCount, indices,
                                   D3DFMT_INDEX16, vertices, D3DXGetFVFVertexSize(fvf));
}

void CRenderMemoryMesh::SetData(std::uint32_t, std::uint32_t minVertex, std::uint32_t, std::uint32_t, std::uint32_t) {
    minVertex_ = minVertex;
    partial_ = 1;
}

void CASMShader::Apply() {
    IDirect3DDevice9* device = GetD3DDevice();
    if (!device) return;
    FrameTransform& frame = GetFrameTransform();
    if (vsFlag_) {
        if (CUSVertexShaderCtrl* vs = GetVertexShader(vs_)) device->SetVertexShader(vs->shader);
        if (vsParamFlag_) {
            if (CVSParamInfo* params = GetVSParamInfo(vsParam_)) {
                if (params->wvpRegister >= 0 && params->wvpRegister <= 252) {
                    D3DXMATRIX wvp, transposed;
                    D3DXMatrixMultiply(&wvp, &frame.world, &frame.viewProjection);
                    D3DXMatrixTranspose(&transposed, &wvp);
                    std::memcpy(params->registers[params->wvpRegister], &transposed, sizeof(float) * 16);
                }
                params->Upload();
            }
        }
    } else {
        device->SetVertexShader(nullptr);
        device->SetTransform(D3DTS_WORLD, &frame.world);
    }
    if (psFlag_) {
        if (CUSPixelShaderCtrl* ps = GetPixelShader(ps_)) device->SetPixelShader(ps->shader);
        if (psParamFlag_)
            if (CPSParamInfo* params = GetPSParamInfo(psParam_)) params->Upload();
    } else {
        device->SetPixelShader(nullptr);
    }
}

CBaseRenderObject::CBaseRenderObject() { D3DXMatrixIdentity(&rotation); }

void CBaseRenderObject::ReleaseModel() {
    model_.reset();
    shader_.reset();
}

void CBaseRenderObject::ResetTextureStages() {
    for (unsigned i = 0; i < 4; ++i) {
        stages_[i].SetStage(i);
        stages_[i].SetEnabled(0);
    }
}

void CBaseRenderObject::AddElement(std::uint32_t record) {
    if (auto* slot = elements_.PushBack()) *slot = record;
}

void CBaseRenderObject::ApplyTransform() {
    FrameTransform& f = GetFrameTransform();
    f.position = position;
    f.scale = scale;
    f.rotation = rotation;
    D3DXMATRIX s, t, rs;
    D3DXMatrixScaling(&s, scale.x, scale.y, scale.z);
    D3DXMatrixTranslation(&t, position.x, position.y, position.z);
    D3DXMatrixMultiply(&rs, &rotation, &s);
    D3DXMatrixMultiply(&f.world, &rs, &t);
}

void CBaseRenderObject::ApplyBillboardTransform() {
    FrameTransform& f = GetFrameTransform();
    f.position = position;
    f.scale = scale;
    f.rotation = rotation;
    D3DXMATRIX s, t, sr, src;
    D3DXMatrixScaling(&s, scale.x, scale.y, scale.z);
    D3DXMatrixTranslation(&t, position.x, position.y, position.z);
    D3DXMatrixMultiply(&sr, &s, &rotation);
    D3DXMatrixMultiply(&src, &sr, &f.cameraRotation);
    D3DXMatrixMultiply(&f.world, &src, &t);
}

float CBaseRenderObject::GetSortKey() const {
    D3DXVECTOR4 out;
    D3DXVec3Transform(&out, &position, &GetFrameTransform().viewProjection);
    return out.z;
}

void CBaseRenderObject::Draw() {
    if (!model_) return;  // Nothing to draw with; the creator sets a model before queueing.
    if (transformKind == 0)
        ApplyTransform();
    else if (transformKind == 1)
        ApplyBillboardTransform();
    CRenderStateManager& states = CRenderStateManager::Instance();
    for (std::uint32_t r : elements_) states.ApplyDepthState(r);
    states.ApplyBlendState(blendState);
    IDirect3DDevice9* device = GetD3DDevice();
    if (device) device->SetRenderState(D3DRS_CULLMODE, cullMode);
    if (shader_) {
        shader_->Apply();
    } else if (device) {
        device->SetVertexShader(nullptr);
        device->SetPixelShader(nullptr);
        device->SetTransform(D3DTS_WORLD, &GetFrameTransform().world);
    }
    for (auto& stage : stages_) stage.Apply();
    model_->Draw();
}

void CBaseRenderObject::SetModel(std::unique_ptr<IRenderModel> model) { model_ = std::move(model); }

void CBaseRenderObject::SetShader(std::unique_ptr<IShader> shader) { shader_ = std::move(shader); }

CBaseRenderObject* CBaseRenderObject::Create(RenderObjectHandle* out) {
    auto object = std::make_unique<CBaseRenderObject>();
    object->ResetTextureStages();
    return GetRenderObjectManager().Add(std::move(object), out);
}

}  // namespace RenderSystem

void CVSParamInfo::Upload() const {
    if (count > 0 && GetD3DDevice()) GetD3DDevice()->SetVertexShaderConstantF(0, &registers[0][0], count);
}

CVSParamInfo* CVSParamInfo::Create(VSParamHandle* out) {
    return GetVSParamManager().Add(std::make_unique<CVSParamInfo>(), out);
}

void CPSParamInfo::Append(const float* src, std::uint32_t n) {
    if (count + n > 32) return;
    std::memcpy(registers[count], src, sizeof(float) * 4 * n);
    count += n;
}

void CPSParamInfo::SetAt(std::uint32_t index, const float* src, std::uint32_t n) {
    if (index + n > 32) return;
    std::memcpy(registers[index], src, sizeof(float) * 4 * n);
    if (count < index + n) count = index + n;
}

void CPSParamInfo::Upload() const {
    if (count > 0 && GetD3DDevice()) GetD3DDevice()->SetPixelShaderConstantF(0, &registers[0][0], count);
}

CPSParamInfo* CPSParamInfo::Create(PSParamHandle* out) {
    return GetPSParamManager().Add(std::make_unique<CPSParamInfo>(), out);
}

RenderObjectManager& GetRenderObjectManager() { return LastingManager<RenderObjectManager>(); }
VSParamManager& GetVSParamManager() { return LastingManager<VSParamManager>(); }
PSParamManager& GetPSParamManager() { return LastingManager<PSParamManager>(); }
RenderSystem::CBaseRenderObject* GetRenderObject(RenderObjectHandle handle) { return GetRenderObjectManager().Get(handle); }
CVSParamInfo* GetVSParamInfo(VSParamHandle handle) { return GetVSParamManager().Get(handle); }
CPSParamInfo* GetPSParamInfo(PSParamHandle handle) { return GetPSParamManager().Get(handle); }
