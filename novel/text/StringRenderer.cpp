// The text renderer: set-up over the shared text mesh and shader, binding a text buffer, and the
// per-frame fill of one constant pair per visible cell.
#include "novel/text/StringRenderer.h"

using namespace NovelRender;

namespace {

CStringRenderTexture* Buffer(std::int32_t index) {
    CStringRendererManager* manager = CStringRendererManager::GetInstance();
    return manager && index >= 0 ? manager->Get(static_cast<std::uint32_t>(index)) : nullptr;
}

}  // namespace

void CStringRenderer::Setup() {
    RenderSystem::CBaseRenderObject* object = CreateRenderObject(&object_, 1, 3, 0);
    object->scale = D3DXVECTOR3(1, 1, 1);
    D3DXMatrixRotationYawPitchRoll(&object->rotation, 0, 0, 0);
    CVSParamInfo* params = CreateVSParams(&params_);
    SetVertexProgram(*object, 3, params_);
    SetRegister(*params, 4, 1, 0, 0, 0);
    SetRegister(*params, 5, 1, 1, 1, 1);
}

void CStringRenderer::SetSource(std::uint32_t index) {
    auto i = static_cast<std::int32_t>(index);
    CStringRenderTexture* buffer = Buffer(i);
    RenderSystem::CBaseRenderObject* object = GetBaseRenderObject();
    if (i == source_ || !buffer || !object) return;
    object->Stage(0).SetTexture(buffer->GetTextureHandle());
    source_ = i;
}

void CStringRenderer::SetColor(float r, float g, float b, float a) {
    BaseNovelRenderObject::SetColor(r, g, b, a);
    if (CVSParamInfo* params = GetVSParams()) SetRegister(*params, 5, color_);
}

void CStringRenderer::Render() {
    CStringRenderTexture* buffer = Buffer(source_);
    RenderSystem::CBaseRenderObject* object = GetBaseRenderObject();
    CVSParamInfo* params = GetVSParams();
    if (!IsRendering() || !buffer || !object || !params) return;
    object->blendState = blend_;
    object->position = SnapToPixel(position_);
    std::uint32_t n = 0;
    float screen[4], texture[4];
    buffer->BeginRendering();
    while (n < kMaxCells && buffer->NextRenderingChar(screen, texture)) {
        SetRegister(*params, 6 + 2 * n, screen);
        SetRegister(*params, 7 + 2 * n, texture);
        ++n;
    }
    if (n == 0) return;
    if (auto* model = dynamic_cast<RenderSystem::CRenderMesh*>(object->GetModel())) model->SetData(0, 0, 4 * n, 0, 2 * n);
    Queue(registTable_, object_);
}
