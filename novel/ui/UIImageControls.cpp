// Image, render-source image, polygon and text controls.
#include "novel/ui/UIImageControls.h"

#include "novel/novel/NovelSystem.h"
#include "novel/render/Renderer.h"

using namespace NovelRender;

bool CUIImage::Update(float, float, std::uint32_t) {
    context_.Update();
    return false;
}

void CUIImage::Setup(asIScriptContext* context, std::int32_t lookId) {
    SetupSprite(context);
    context_.Start(lookId);
}

void UIRenderSourceImage::Render(const float windowPosition[3], const ResourceList&) {
    if (info_.pattern < 0) return;
    RenderSource::CPartsTexture* source =
        CNovelSystem::GetInstance()->GetRenderSources().partsTextures.GetSource(static_cast<std::uint32_t>(info_.sheet));
    if (!source || static_cast<std::uint32_t>(info_.pattern) >= source->parts.Count()) return;
    const float none[3] = {0, 0, 0};
    sprite_.DrawPart(DrawPosition(windowPosition, none), info_, source->texture,
                     source->parts.GetPart(static_cast<std::uint32_t>(info_.pattern)), layer_);
}

// ---- polygon ----

namespace {
const WORD kQuadIndices[6] = {0, 1, 2, 2, 1, 3};
}

bool CUIPolygon::Update(float, float, std::uint32_t) {
    context_.Update();
    return false;
}

void CUIPolygon::ReleaseResources() {
    GetRenderObjectManager().Release(object_);
    setUp_ = false;
}

void CUIPolygon::Setup(asIScriptContext* context, std::int32_t lookId, float x, float y, float w, float h) {
    context_.SetContext(context);
    context_.SetRenderInfo(&info_);
    context_.Start(lookId);
    SetRenderInfo(&info_);
    ReleaseResources();
    RenderSystem::CBaseRenderObject* object = RenderSystem::CBaseRenderObject::Create(&object_);
    object->transformKind = 0;
    object->cullMode = D3DCULL_NONE;
    object->ClearElements();
    object->AddElement(1);
    object->ResetTextureStages();
    vertices_[0] = {x, y, 0, 0};
    vertices_[1] = {x + w, y, 0, 0};
    vertices_[2] = {x, y + h, 0, 0};
    vertices_[3] = {x + w, y + h, 0, 0};
    auto mesh = std::make_unique<RenderSystem::CRenderMemoryMesh>();
    mesh->vertices = vertices_;
    mesh->fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    mesh->vertexCount = 4;
    mesh->indices = kQuadIndices;
    mesh->primitiveCount = 2;
    mesh->primitiveType = D3DPT_TRIANGLELIST;
    object->SetModel(std::move(mesh));
    setUp_ = true;
}

void CUIPolygon::Render(const float windowPosition[3], const ResourceList&) {
    RenderSystem::CBaseRenderObject* object = GetRenderObject(object_);
    if (!setUp_ || !object) return;
    object->position = D3DXVECTOR3(info_.offset[0] + windowPosition[0] - 0.5f,
                                   info_.offset[1] + windowPosition[1] - 0.5f, info_.offset[2] + windowPosition[2]);
    object->scale = D3DXVECTOR3(info_.scale[0], info_.scale[1], info_.scale[2]);
    object->rotation = info_.rotation;
    const auto channel = [this](int i) { return static_cast<std::uint32_t>(static_cast<std::int32_t>(info_.color[i] * 255)); };
    const std::uint32_t colour =
        channel(3) << 24 | (channel(0) & 0xFF) << 16 | (channel(1) & 0xFF) << 8 | (channel(2) & 0xFF);
    for (Vertex& v : vertices_) v.colour = colour;
    Queue(layer_, object_);
}

// ---- text ----

bool CUIText::Update(float, float, std::uint32_t) {
    context_.Update();
    return false;
}

void CUIText::Setup(std::uint32_t textIndex, asIScriptContext* context, std::int32_t lookId) {
    SetRenderInfo(&info_);
    textIndex_ = textIndex;
    renderer_.Setup();
    renderer_.SetSource(textIndex);
    renderer_.SetRegistTable(layer_);
    context_.SetContext(context);
    context_.SetRenderInfo(&info_);
    context_.Start(lookId);
}

void CUIText::Render(const float windowPosition[3], const ResourceList&) {
    if (!info_.rendering) return;
    renderer_.SetRendering(true);
    renderer_.SetPosition(position_[0] + windowPosition[0] + info_.offset[0],
                          position_[1] + windowPosition[1] + info_.offset[1],
                          position_[2] + windowPosition[2] + info_.offset[2]);
    renderer_.SetColor(info_.color[0], info_.color[1], info_.color[2], info_.color[3]);
    renderer_.SetBlendRenderState(0);
    renderer_.SetRegistTable(layer_);
    renderer_.Render();
}
