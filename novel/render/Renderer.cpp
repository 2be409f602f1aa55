// The shared renderer base (its record and restore), the render-object set-up the kinds share, and
// the script type "IRenderer".
#include "novel/render/Renderer.h"

#include <angelscript.h>

#include <cmath>
#include <type_traits>

#include "engine/render/RenderSystem.h"
#include "engine/render/ResolutionAdjuster.h"
#include "engine/util/USLogManager.h"

using namespace AngelScript;

void BaseNovelRenderObject::SetColor(float r, float g, float b, float a) {
    color_[0] = r;
    color_[1] = g;
    color_[2] = b;
    color_[3] = a;
}

void BaseNovelRenderObject::Save(RenderSource::OStream& out) {
    SaveIO::WriteU32(out, tag_);
    SaveIO::WriteU32(out, rendering_);
    SaveIO::WriteU32(out, registTable_);
    RenderSource::WriteFloats(out, position_, 3);
    RenderSource::WriteFloats(out, scale_, 3);
    RenderSource::WriteFloats(out, roll_, 3);
    RenderSource::WriteFloats(out, color_, 4);
}

void BaseNovelRenderObject::Load(RenderSource::IStream& in, std::uint32_t) {
    tag_ = SaveIO::ReadU32(in);
    rendering_ = SaveIO::ReadU32(in);
    registTable_ = SaveIO::ReadU32(in);
    RenderSource::ReadFloats(in, position_, 3);
    RenderSource::ReadFloats(in, scale_, 3);
    RenderSource::ReadFloats(in, roll_, 3);
    RenderSource::ReadFloats(in, color_, 4);
}

void BaseNovelRenderObject::Restore() {
    SetTag(tag_);
    SetPosition(position_[0], position_[1], position_[2]);
    SetScale(scale_[0], scale_[1], scale_[2]);
    SetRoll(roll_[0], roll_[1], roll_[2]);
    SetColor(color_[0], color_[1], color_[2], color_[3]);
}

bool BaseNovelRenderObject::IsUnscaled() const {
    return scale_[0] == 1.0f && scale_[1] == 1.0f && scale_[2] == 1.0f && roll_[0] == 0.0f && roll_[1] == 0.0f &&
           roll_[2] == 0.0f;
}

void BaseNovelRenderObject::ApplyScaleAndRoll(RenderSystem::CBaseRenderObject& object) const {
    object.scale = D3DXVECTOR3(scale_[0], scale_[1], scale_[2]);
    D3DXMatrixRotationYawPitchRoll(&object.rotation, roll_[0], roll_[1], roll_[2]);
}

namespace NovelRender {

namespace {

template <class Table>
auto SharedEntry(Table& table, std::uint32_t i) {
    using H = std::remove_pointer_t<decltype(table.At(0))>;
    return i < table.Count() ? *table.At(i) : H();
}

}  // namespace

MeshHandle SharedMesh(std::uint32_t i) { return SharedEntry(RenderSystem::CResourceManager::Instance().meshes, i); }
VertexShaderHandle SharedVertexShader(std::uint32_t i) {
    return SharedEntry(RenderSystem::CResourceManager::Instance().vertexShaders, i);
}
PixelShaderHandle SharedPixelShader(std::uint32_t i) {
    return SharedEntry(RenderSystem::CResourceManager::Instance().pixelShaders, i);
}

void EnableStage(RenderSystem::CBaseRenderObject& object, std::uint32_t stage, std::uint32_t samplerPreset) {
    RenderSystem::CSpriteTextureInfoNode& node = object.Stage(stage);
    node.SetEnabled(1);
    node.ClearStageStates();
    node.AddStageState(0);
    node.ClearSamplerStates();
    node.AddSamplerState(samplerPreset);
}

RenderSystem::CBaseRenderObject* CreateRenderObject(RenderObjectHandle* out, std::uint32_t element, std::int32_t mesh,
                                                    std::uint32_t samplerPreset) {
    RenderSystem::CBaseRenderObject* object = RenderSystem::CBaseRenderObject::Create(out);
    object->transformKind = 0;
    object->cullMode = D3DCULL_NONE;
    object->ClearElements();
    object->AddElement(element);
    object->ResetTextureStages();
    EnableStage(*object, 0, samplerPreset);
    auto model = std::make_unique<RenderSystem::CRenderMesh>();
    if (mesh >= 0) model->mesh = SharedMesh(static_cast<std::uint32_t>(mesh));
    object->SetModel(std::move(model));
    return object;
}

CVSParamInfo* CreateVSParams(VSParamHandle* out) {
    CVSParamInfo* params = CVSParamInfo::Create(out);
    params->wvpRegister = 0;
    return params;
}

void SetVertexProgram(RenderSystem::CBaseRenderObject& object, std::uint32_t vertexShader, VSParamHandle params) {
    auto shader = std::make_unique<RenderSystem::CASMShader>();
    shader->SetVertexShader(SharedVertexShader(vertexShader));
    shader->SetVSParam(params);
    shader->ClearPixelShader();
    object.SetShader(std::move(shader));
}

void SetRegister(CVSParamInfo& params, std::uint32_t index, const float* v) {
    if (index >= 256) return;
    for (int i = 0; i < 4; ++i) params.registers[index][i] = v[i];
    if (params.count < index + 1) params.count = index + 1;
}

void SetRegister(CVSParamInfo& params, std::uint32_t index, float a, float b, float c, float d) {
    const float v[4] = {a, b, c, d};
    SetRegister(params, index, v);
}

D3DXVECTOR3 SnapToPixel(const float* position) {
    return D3DXVECTOR3(std::floor(position[0]) - 0.5f, std::floor(position[1]) - 0.5f, position[2]);
}

void Queue(std::uint32_t layer, RenderObjectHandle handle) {
    if (RenderObjectTable* table = RenderObjectTable::GetCurrent()) table->Add(layer, handle);
}

namespace {

void GetPositionOut(float& x, float& y, float& z, IRenderer* r) {
    const float* v = r->GetPosition();
    x = v[0], y = v[1], z = v[2];
}
void GetScaleOut(float& x, float& y, float& z, IRenderer* r) {
    const float* v = r->GetScale();
    x = v[0], y = v[1], z = v[2];
}
void SetRollDegrees(float yaw, float pitch, float roll, IRenderer* r) {
    r->SetRoll(static_cast<float>(yaw * kDegToRad), static_cast<float>(pitch * kDegToRad),
               static_cast<float>(roll * kDegToRad));
}
void GetRollDegrees(float& yaw, float& pitch, float& roll, IRenderer* r) {
    const float* v = r->GetRoll();
    yaw = static_cast<float>(v[0] * kRadToDeg);
    pitch = static_cast<float>(v[1] * kRadToDeg);
    roll = static_cast<float>(v[2] * kRadToDeg);
}
void GetColorOut(float& r, float& g, float& b, float& a, IRenderer* renderer) {
    const float* v = renderer->GetColor();
    r = v[0], g = v[1], b = v[2], a = v[3];
}

}  // namespace

bool RegisterIRenderer(asIScriptEngine* engine) {
    // Scripts only ever hold references handed out by GetRenderer: no factory, no counting.
    bool ok = engine->RegisterObjectType("IRenderer", 0, asOBJ_REF | asOBJ_NOCOUNT) >= 0;
    struct Method {
        const char* declaration;
        asSFuncPtr function;
        asDWORD convention;
    };
    const Method methods[] = {
        {"void SetSource(uint32)", asMETHOD(IRenderer, SetSource), asCALL_THISCALL},
        {"uint32 GetSource()", asMETHOD(IRenderer, GetSource), asCALL_THISCALL},
        {"void SetRendering(bool)", asMETHOD(IRenderer, SetRendering), asCALL_THISCALL},
        {"bool IsRendering()", asMETHOD(IRenderer, IsRendering), asCALL_THISCALL},
        {"void SetRegistTable(uint32)", asMETHOD(IRenderer, SetRegistTable), asCALL_THISCALL},
        {"uint32 GetRegistTable()", asMETHOD(IRenderer, GetRegistTable), asCALL_THISCALL},
        {"void SetPosition(float,float,float)", asMETHOD(IRenderer, SetPosition), asCALL_THISCALL},
        {"void GetPosition(float &out,float &out,float &out)", asFUNCTION(GetPositionOut), asCALL_CDECL_OBJLAST},
        {"void SetScale(float,float,float)", asMETHOD(IRenderer, SetScale), asCALL_THISCALL},
        {"void GetScale(float &out,float &out,float &out)", asFUNCTION(GetScaleOut), asCALL_CDECL_OBJLAST},
        {"void SetRoll(float,float,float)", asFUNCTION(SetRollDegrees), asCALL_CDECL_OBJLAST},
        {"void GetRoll(float &out,float &out,float &out)", asFUNCTION(GetRollDegrees), asCALL_CDECL_OBJLAST},
        {"void SetColor(float,float,float,float)", asMETHOD(IRenderer, SetColor), asCALL_THISCALL},
        {"void GetColor(float &out,float &out,float &out,float &out)", asFUNCTION(GetColorOut),
         asCALL_CDECL_OBJLAST},
        {"void SetBlendRenderState(uint32)", asMETHOD(IRenderer, SetBlendRenderState), asCALL_THISCALL},
        {"void SetAlphaSource(uint32)", asMETHOD(IRenderer, SetAlphaSource), asCALL_THISCALL},
        {"void SetPatNo(uint32)", asMETHOD(IRenderer, SetPatNo), asCALL_THISCALL},
        {"void BeginSettingMotion()", asMETHOD(IRenderer, BeginSettingMotion), asCALL_THISCALL},
        {"void PushMotion(uint32)", asMETHOD(IRenderer, PushMotion), asCALL_THISCALL},
        {"void PushLoopMotion(uint32)", asMETHOD(IRenderer, PushLoopMotion), asCALL_THISCALL},
    };
    for (const Method& m : methods) {
        if (!ok) break;
        if (engine->RegisterObjectMethod("IRenderer", m.declaration, m.function, m.convention) < 0) {
            US_LOG("IRenderer: registration of [%s] failed\n", m.declaration);
            ok = false;
        }
    }
    return ok;
}

}  // namespace NovelRender
