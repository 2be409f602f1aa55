// The image renderers: set-up of their render objects and shaders, binding their sources, the
// per-frame fill of constants and transform, and their saved records.
#include "novel/render/ImageRenderers.h"

using namespace NovelRender;

// ---- shared ----

void CSpriteRendererBase::ReleaseResources() {
    GetVSParamManager().Release(params_);
    GetRenderObjectManager().Release(object_);
}

void CSpriteRendererBase::SetupImage() {
    RenderSystem::CBaseRenderObject* object = CreateRenderObject(&object_, 1, 0, 0);
    CVSParamInfo* params = CreateVSParams(&params_);
    SetVertexProgram(*object, 0, params_);
    SetRegister(*params, 4, 1, 0, 0, 0);
}

void CSpriteRendererBase::SaveShared(RenderSource::OStream& out) {
    BaseNovelRenderObject::Save(out);
    SaveIO::WriteU32(out, blend_);
    SaveIO::WriteU32(out, static_cast<std::uint32_t>(source_));
}

void CSpriteRendererBase::LoadShared(RenderSource::IStream& in, std::uint32_t version) {
    BaseNovelRenderObject::Load(in, version);
    blend_ = SaveIO::ReadU32(in);
    source_ = static_cast<std::int32_t>(SaveIO::ReadU32(in));
}

void CSpriteRendererBase::RestoreShared() {
    BaseNovelRenderObject::Restore();
    SetBlendRenderState(blend_);
    std::int32_t saved = source_;
    source_ = -1;
    SetSource(static_cast<std::uint32_t>(saved));
}

void CSpriteRendererBase::BindQuad(TextureHandle texture, const float* rect, const float* uv) {
    RenderSystem::CBaseRenderObject* object = GetBaseRenderObject();
    CVSParamInfo* params = GetVSParams();
    if (!object || !params) return;
    object->Stage(0).SetTexture(texture);
    SetRegister(*params, 5, rect);
    SetRegister(*params, 6, uv);
}

void CSpriteRendererBase::PlaceAndQueue(bool chooseSampler) {
    RenderSystem::CBaseRenderObject* object = GetBaseRenderObject();
    if (!object) return;
    ApplyScaleAndRoll(*object);
    object->blendState = blend_;
    if (chooseSampler) {
        object->Stage(0).ClearSamplerStates();
        object->Stage(0).AddSamplerState(IsUnscaled() ? 0 : 1);
    }
    object->position = SnapToPixel(position_);
    Queue(registTable_, object_);
}

// ---- kind 0 ----

void CSingleTextureRenderer::Render() {
    if (!IsRendering()) return;
    RenderSource::CSingleTexture* s =
        sources_ && source_ >= 0 ? sources_->singleTextures.GetSource(static_cast<std::uint32_t>(source_)) : nullptr;
    if (s) {
        BindQuad(s->texture, s->rect, s->uv);
        if (CVSParamInfo* params = GetVSParams()) SetRegister(*params, 7, color_);
    }
    PlaceAndQueue(true);
}

// ---- kind 1 ----

void CAlphaFadeRenderer::ReleaseResources() {
    GetPSParamManager().Release(psParams_);
    CSpriteRendererBase::ReleaseResources();
}

void CAlphaFadeRenderer::Setup() {
    RenderSystem::CBaseRenderObject* object = CreateRenderObject(&object_, 1, 0, 0);
    CVSParamInfo* params = CreateVSParams(&params_);
    CPSParamInfo::Create(&psParams_);
    auto shader = std::make_unique<RenderSystem::CASMShader>();
    shader->SetVertexShader(SharedVertexShader(0));
    shader->SetVSParam(params_);
    shader->SetPixelShader(SharedPixelShader(0));
    shader->SetPSParam(psParams_);
    object->SetShader(std::move(shader));
    SetRegister(*params, 4, 1, 0, 0, 0);
    SetRegister(*params, 7, 1, 1, 1, 1);
    EnableStage(*object, 1, 0);
}

void CAlphaFadeRenderer::SetColor(float r, float g, float b, float a) {
    BaseNovelRenderObject::SetColor(r, g, b, a);
    if (CPSParamInfo* ps = GetPSParamInfo(psParams_)) ps->SetAt(0, color_, 1);
}

void CAlphaFadeRenderer::SetAlphaSource(std::uint32_t source) {
    if (!sources_) return;
    RenderSource::CSingleTexture* s = sources_->singleTextures.GetSource(source);
    RenderSystem::CBaseRenderObject* object = GetBaseRenderObject();
    if (!s || !object) return;
    object->Stage(1).SetTexture(s->texture);
    alphaSource_ = static_cast<std::int32_t>(source);
}

void CAlphaFadeRenderer::Save(RenderSource::OStream& out) {
    SaveShared(out);
    SaveIO::WriteU32(out, static_cast<std::uint32_t>(alphaSource_));
}

void CAlphaFadeRenderer::Load(RenderSource::IStream& in, std::uint32_t version) {
    LoadShared(in, version);
    alphaSource_ = static_cast<std::int32_t>(SaveIO::ReadU32(in));
}

void CAlphaFadeRenderer::Restore() {
    RestoreShared();
    if (alphaSource_ == -1)
        SetRendering(false);
    else
        SetAlphaSource(static_cast<std::uint32_t>(alphaSource_));
}

// ---- kind 2 ----

void CTexturePartRenderer::Render() {
    if (!IsRendering() || !sources_ || source_ < 0) return;
    RenderSource::CPartsTexture* s = sources_->partsTextures.GetSource(static_cast<std::uint32_t>(source_));
    // A pattern outside the sheet draws nothing rather than reading past the part list.
    if (!s || pattern_ < 0 || static_cast<std::uint32_t>(pattern_) >= s->parts.Count()) return;
    const CPartsInfo3* part = s->parts.GetPart(static_cast<std::uint32_t>(pattern_));
    const float rect[4] = {part->g0, part->g1, part->g2, part->g3};
    const float uv[4] = {part->tu0, part->tv0, part->tu1, part->tv1};
    BindQuad(s->texture, rect, uv);
    if (CVSParamInfo* params = GetVSParams()) SetRegister(*params, 7, color_);
    PlaceAndQueue(true);
}

void CTexturePartRenderer::Save(RenderSource::OStream& out) {
    BaseNovelRenderObject::Save(out);
    SaveIO::WriteU32(out, blend_);
    SaveIO::WriteU32(out, static_cast<std::uint32_t>(source_));
    SaveIO::WriteU32(out, static_cast<std::uint32_t>(pattern_));
}

void CTexturePartRenderer::Load(RenderSource::IStream& in, std::uint32_t version) {
    BaseNovelRenderObject::Load(in, version);
    blend_ = SaveIO::ReadU32(in);
    source_ = static_cast<std::int32_t>(SaveIO::ReadU32(in));
    pattern_ = static_cast<std::int32_t>(SaveIO::ReadU32(in));
}

void CTexturePartRenderer::Restore() {
    BaseNovelRenderObject::Restore();
    SetBlendRenderState(blend_);
}

// ---- kind 3 ----

void CRenderBufferRenderer::Render() {
    if (!IsRendering()) return;
    if (CVSParamInfo* params = GetVSParams()) SetRegister(*params, 7, color_);
    PlaceAndQueue(false);
}
