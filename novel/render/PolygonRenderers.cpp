// The polygon, mesh and billboard renderers: set-up, per-frame fill and saved records.
#include "novel/render/PolygonRenderers.h"

using namespace NovelRender;

// ---- kind 4 ----

void CAtmosphericPolygonRenderer::Setup() {
    RenderSystem::CBaseRenderObject* object = CreateRenderObject(&object_, 1, 2, 0);
    object->ResetTextureStages();  // no texture at all
    object->scale = D3DXVECTOR3(1, 1, 1);
    D3DXMatrixIdentity(&object->rotation);
    CreateVSParams(&params_);
    SetVertexProgram(*object, 2, params_);
}

void CAtmosphericPolygonRenderer::Render() {
    RenderSystem::CBaseRenderObject* object = GetBaseRenderObject();
    CVSParamInfo* params = GetVSParams();
    if (!IsRendering() || !object || !params) return;
    SetRegister(*params, 4, color_);
    object->blendState = blend_;
    object->position = SnapToPixel(position_);
    Queue(registTable_, object_);
}

void CAtmosphericPolygonRenderer::Save(RenderSource::OStream& out) {
    BaseNovelRenderObject::Save(out);
    SaveIO::WriteU32(out, blend_);
}

void CAtmosphericPolygonRenderer::Load(RenderSource::IStream& in, std::uint32_t version) {
    BaseNovelRenderObject::Load(in, version);
    blend_ = SaveIO::ReadU32(in);
}

void CAtmosphericPolygonRenderer::Restore() {
    BaseNovelRenderObject::Restore();
    SetBlendRenderState(blend_);
}

// ---- kind 7 ----

void MeshRenderer::Setup() { CreateRenderObject(&object_, 0, -1, 0); }

void MeshRenderer::Render() {
    if (!IsRendering() || !sources_ || source_ < 0) return;
    RenderSource::MeshSource* s = sources_->meshes.GetSource(static_cast<std::uint32_t>(source_));
    RenderSystem::CBaseRenderObject* object = GetBaseRenderObject();
    if (!s || !object) return;
    if (auto* model = dynamic_cast<RenderSystem::CRenderMesh*>(object->GetModel())) model->mesh = s->mesh;
    object->Stage(0).SetTexture(s->texture);
    ApplyScaleAndRoll(*object);
    object->blendState = blend_;
    object->Stage(0).ClearSamplerStates();
    object->Stage(0).AddSamplerState(IsUnscaled() ? 0 : 1);
    // The mesh is shifted by half a pixel in x only, without flooring.
    object->position = D3DXVECTOR3(position_[0] - 0.5f, position_[1], position_[2]);
    Queue(registTable_, object_);
}

void MeshRenderer::Save(RenderSource::OStream& out) {
    BaseNovelRenderObject::Save(out);
    SaveIO::WriteU32(out, static_cast<std::uint32_t>(source_));
    SaveIO::WriteU32(out, blend_);
}

void MeshRenderer::Load(RenderSource::IStream& in, std::uint32_t version) {
    BaseNovelRenderObject::Load(in, version);
    source_ = static_cast<std::int32_t>(SaveIO::ReadU32(in));
    blend_ = SaveIO::ReadU32(in);
}

// ---- billboards ----

void BBRenderer::ReleaseResources() {
    GetVSParamManager().Release(params_);
    GetRenderObjectManager().Release(object_);
}

void BBRenderer::Setup() {
    RenderSystem::CBaseRenderObject* object = CreateRenderObject(&object_, 1, 4, 1);
    object->position = D3DXVECTOR3(0, 0, 0);
    object->scale = D3DXVECTOR3(1, 1, 1);
    D3DXMatrixIdentity(&object->rotation);
    CVSParamInfo* params = CreateVSParams(&params_);
    SetVertexProgram(*object, 4, params_);
    SetRegister(*params, 4, 1, 0, 0, 0);
    for (Billboard& b : records_) b.enabled = false;
}

void BBRenderer::Render() {
    bool any = false;
    for (const Billboard& b : records_) any = any || b.enabled;
    RenderSystem::CBaseRenderObject* object = GetBaseRenderObject();
    CVSParamInfo* params = GetVSParams();
    if (!any || !sources_ || !object || !params) return;
    RenderSource::CPartsTexture* sheet = sources_->partsTextures.GetSource(resource_);
    if (!sheet) return;
    object->Stage(0).SetTexture(sheet->texture);
    std::uint32_t k = 0;
    for (const Billboard& b : records_) {
        // A pattern outside the sheet leaves that billboard out.
        if (!b.enabled || b.pattern >= sheet->parts.Count()) continue;
        D3DXMATRIX s, r, t, sr, world, transposed;
        D3DXMatrixScaling(&s, b.scale[0], b.scale[1], b.scale[2]);
        D3DXMatrixRotationYawPitchRoll(&r, b.yawPitchRoll[0], b.yawPitchRoll[1], b.yawPitchRoll[2]);
        D3DXMatrixTranslation(&t, b.position[0], b.position[1], b.position[2]);
        D3DXMatrixMultiply(&sr, &s, &r);
        D3DXMatrixMultiply(&world, &sr, &t);
        D3DXMatrixTranspose(&transposed, &world);
        const std::uint32_t base = 5 + 6 * k;
        for (std::uint32_t row = 0; row < 3; ++row) SetRegister(*params, base + row, transposed.m[row]);
        SetRegister(*params, base + 3, b.color);
        const CPartsInfo3* part = sheet->parts.GetPart(b.pattern);
        SetRegister(*params, base + 4, part->tu0, part->tv0, part->tu1, part->tv1);
        SetRegister(*params, base + 5, part->g0, part->g1, part->g2, part->g3);
        ++k;
    }
    if (k == 0) return;
    object->blendState = blend_;
    if (auto* model = dynamic_cast<RenderSystem::CRenderMesh*>(object->GetModel())) model->SetData(0, 0, 4 * k, 0, 2 * k);
    object->position = basePosition_;
    Queue(layer_, object_);
}
