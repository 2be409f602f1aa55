// The functions that direction scripts call: renderers by id through the calling direction, its
// parameters and value cells ("VMValue<T>"), its billboards, and the novel system's shared text
// buffers, render-source tables, Puppet models and voice.
#include <angelscript/scriptstdstring.h>

#include "engine/util/USLogManager.h"
#include "novel/novel/NovelSystem.h"
#include "novel/render/PolygonRenderers.h"
#include "novel/render/Renderer.h"
#include "novel/render/RendererManager.h"
#include "novel/script/ASRendererDirManager.h"
#include "novel/ui/UIWindow.h"
#include "novel/ui/UIWindowManager.h"

namespace {

using NovelRender::kDegToRad;
using NovelRender::kRadToDeg;

ASVMRendererControl* Self() { return ASVMRendererControl::Current(); }

IRenderer* RendererById(uint32_t id) {
    ASVMRendererControl* self = Self();
    return self && self->renderers ? self->renderers->GetRenderer(id) : nullptr;
}

BBRenderer::Billboard* Billboard(uint32_t i) {
    ASVMRendererControl* self = Self();
    BBRenderer* bb = self ? self->GetBillboards() : nullptr;
    return bb ? bb->GetBillboard(i) : nullptr;
}

CNovelSystem* Novel() { return CNovelSystem::GetInstance(); }
RenderSource::CRenderSourceManager& SharedSources() { return Novel()->GetRenderSources(); }
CStringRenderTexture* TextBuffer(uint32_t i) { return Novel()->GetTextBuffers().Get(i); }
RenderSource::PuppetModelSource* PuppetSource(uint32_t i) { return SharedSources().puppetModels.GetSource(i); }

void Set3(float* v, float x, float y, float z) { v[0] = x, v[1] = y, v[2] = z; }

// 1-5: renderer and parameters.
IRenderer* GetRenderer(uint32_t id) {
    ASVMRendererControl* self = Self();
    if (self && self->renderers) return self->renderers->GetRendererForScript(id);
    if (asIScriptContext* context = asGetActiveContext()) context->SetException("no renderer with that id");
    return nullptr;
}
int GetIntParam(uint32_t i) {
    ASVMRendererControl* self = Self();
    return self && i < tDirParams::kCount ? self->GetParams().ints[i] : 0;
}
float GetFloatParam(uint32_t i) {
    ASVMRendererControl* self = Self();
    return self && i < tDirParams::kCount ? self->GetParams().floats[i] : 0.0f;
}

// 6-18, 24: renderer by id.
void SetRendering(uint32_t id, bool on) {
    if (IRenderer* r = RendererById(id)) r->SetRendering(on);
}
void SetSource(uint32_t id, uint32_t index) {
    if (IRenderer* r = RendererById(id)) r->SetSource(index);
}
void SetRegistTable(uint32_t id, uint32_t table) {
    if (IRenderer* r = RendererById(id)) r->SetRegistTable(table);
}
void SetPosition(uint32_t id, float x, float y, float z) {
    if (IRenderer* r = RendererById(id)) r->SetPosition(x, y, z);
}
void SetScale(uint32_t id, float x, float y, float z) {
    if (IRenderer* r = RendererById(id)) r->SetScale(x, y, z);
}
void SetRoll(uint32_t id, float a, float b, float c) {
    if (IRenderer* r = RendererById(id))
        r->SetRoll(static_cast<float>(a * kDegToRad), static_cast<float>(b * kDegToRad),
                   static_cast<float>(c * kDegToRad));
}
void SetColor(uint32_t id, float red, float green, float blue, float alpha) {
    if (IRenderer* r = RendererById(id)) r->SetColor(red, green, blue, alpha);
}
void GetPosition(uint32_t id, float& x, float& y, float& z) {
    if (IRenderer* r = RendererById(id)) {
        const float* v = r->GetPosition();
        x = v[0], y = v[1], z = v[2];
    }
}
void GetScale(uint32_t id, float& x, float& y, float& z) {
    if (IRenderer* r = RendererById(id)) {
        const float* v = r->GetScale();
        x = v[0], y = v[1], z = v[2];
    }
}
void GetRoll(uint32_t id, float& a, float& b, float& c) {
    if (IRenderer* r = RendererById(id)) {
        const float* v = r->GetRoll();
        a = static_cast<float>(v[0] * kRadToDeg);
        b = static_cast<float>(v[1] * kRadToDeg);
        c = static_cast<float>(v[2] * kRadToDeg);
    }
}
void GetColor(uint32_t id, float& red, float& green, float& blue, float& alpha) {
    if (IRenderer* r = RendererById(id)) {
        const float* v = r->GetColor();
        red = v[0], green = v[1], blue = v[2], alpha = v[3];
    }
}
void SetBlendRenderState(uint32_t id, uint32_t state) {
    if (IRenderer* r = RendererById(id)) r->SetBlendRenderState(state);
}
uint32_t GetRenderSourceIndex(uint32_t id) {
    IRenderer* r = RendererById(id);
    return r ? r->GetSource() : 0xFFFFFFFFu;
}
void SetAlphaSource(uint32_t id, uint32_t source) {
    if (IRenderer* r = RendererById(id)) r->SetAlphaSource(source);
}

// 19-21: tables and texture-part patterns.
void SwapSingleTexture(uint32_t a, uint32_t b) { SharedSources().singleTextures.SwapOrder(a, b); }
void SwapRenderingBuffer(uint32_t a, uint32_t b) { SharedSources().renderBuffers.SwapOrder(a, b); }
void SetPatNo(uint32_t id, uint32_t pattern) {
    ASVMRendererControl* self = Self();
    if (!self || !self->renderers) return;
    if (CTexturePartRenderer* r = self->renderers->GetTexturePartRenderer(id)) r->SetPatNo(pattern);
}

// 22-23: the novel system's UI windows by id; an unknown id does nothing.
void SetUIWindowPosition(uint32_t id, float x, float y, float z) {
    if (CUIWindow* window = Novel()->GetWindowManager().FindWindow(id)) window->SetPosition(x, y, z);
}
void GetUIWindowPosition(uint32_t id, float& x, float& y, float& z) {
    if (CUIWindow* window = Novel()->GetWindowManager().FindWindow(id)) {
        const float* v = window->GetPosition();
        x = v[0], y = v[1], z = v[2];
    }
}

// 25-27: text buffers.
void SetTextBufferRenderingCharCnt(uint32_t i, uint32_t n) {
    if (CStringRenderTexture* t = TextBuffer(i)) t->SetRenderingCharCount(n);
}
bool AddTextBufferRenderingCharCnt(uint32_t i) {
    CStringRenderTexture* t = TextBuffer(i);
    return t && t->AddRenderingCharCount();
}
void SetTextBufferAllRendering(uint32_t i) {
    if (CStringRenderTexture* t = TextBuffer(i)) t->SetAllRendering();
}

// 28-37: the direction's billboards.
void EnableBBRendering(uint32_t count) {
    if (ASVMRendererControl* self = Self()) self->EnableBillboards(count);
}
void SetBBBlendRenderState(uint32_t state) {
    if (ASVMRendererControl* self = Self()) self->SetBillboardBlendRenderState(state);
}
void SetBBResourceIndex(uint32_t index) {
    if (ASVMRendererControl* self = Self()) self->SetBillboardResourceIndex(index);
}
void SetBBRendering(uint32_t i, bool on) {
    if (BBRenderer::Billboard* b = Billboard(i)) b->enabled = on;
}
void SetBBBasePosition(float x, float y, float z) {
    ASVMRendererControl* self = Self();
    if (BBRenderer* bb = self ? self->GetBillboards() : nullptr) bb->SetBasePosition(x, y, z);
}
void SetBBPosition(uint32_t i, float x, float y, float z) {
    if (BBRenderer::Billboard* b = Billboard(i)) Set3(b->position, x, y, z);
}
void SetBBScale(uint32_t i, float x, float y, float z) {
    if (BBRenderer::Billboard* b = Billboard(i)) Set3(b->scale, x, y, z);
}
void SetBBYawPitchRoll(uint32_t i, float yaw, float pitch, float roll) {
    if (BBRenderer::Billboard* b = Billboard(i)) Set3(b->yawPitchRoll, yaw, pitch, roll);
}
void SetBBColor(uint32_t i, float red, float green, float blue, float alpha) {
    if (BBRenderer::Billboard* b = Billboard(i)) {
        b->color[0] = red, b->color[1] = green, b->color[2] = blue, b->color[3] = alpha;
    }
}
void SetBBPatNo(uint32_t i, uint32_t pattern) {
    if (BBRenderer::Billboard* b = Billboard(i)) b->pattern = pattern;
}

// 38-46: Puppet models and the voice, shared by every direction.
void LoadPuppetModel(uint32_t i, const std::string& file) {
    if (auto* s = PuppetSource(i)) s->LoadModel(file.c_str());
}
void AddTexturePuppetModel(uint32_t i, const std::string& file) {
    if (auto* s = PuppetSource(i)) s->AddTexture(file.c_str());
}
void AddMotionPuppetModel(uint32_t i, const std::string& file) {
    if (auto* s = PuppetSource(i)) s->AddMotion(file.c_str());
}
void BeginMotionPuppet(uint32_t id, uint32_t queue) {
    if (PuppetRenderer* r = Novel()->GetRenderers().GetPuppetRenderer(id)) r->BeginMotion(queue);
}
void DisenableMotionQueuePuppet(uint32_t id, uint32_t queue) {
    if (PuppetRenderer* r = Novel()->GetRenderers().GetPuppetRenderer(id)) r->DisableMotionQueue(queue);
}
void PushMotionPuppet(uint32_t id, uint32_t motion) {
    if (IRenderer* r = Novel()->GetRenderers().GetRenderer(id)) r->PushMotion(motion);
}
void PushLoopMotionPuppet(uint32_t id, uint32_t motion) {
    if (IRenderer* r = Novel()->GetRenderers().GetRenderer(id)) r->PushLoopMotion(motion);
}
void SwapPuppetModel(uint32_t a, uint32_t b) { SharedSources().puppetModels.SwapOrder(a, b); }
bool IsPlayingVoice() { return Novel()->GetVoice().IsPlaying(); }

const ScriptFunction kFunctions[] = {
    {"IRenderer &GetRenderer(uint32)", asFUNCTION(GetRenderer)},
    {"int GetIntParam(uint32)", asFUNCTION(GetIntParam)},
    {"float GetFloatParam(uint32)", asFUNCTION(GetFloatParam)},
    {"int get_vIntParam(uint32)", asFUNCTION(GetIntParam)},
    {"float get_vFloatParam(uint32)", asFUNCTION(GetFloatParam)},
    {"void SetRendering(uint32,bool)", asFUNCTION(SetRendering)},
    {"void SetSource(uint32,uint32)", asFUNCTION(SetSource)},
    {"void SetRegistTable(uint32,uint32)", asFUNCTION(SetRegistTable)},
    {"void SetPosition(uint32,float,float,float)", asFUNCTION(SetPosition)},
    {"void SetScale(uint32,float,float,float)", asFUNCTION(SetScale)},
    {"void SetRoll(uint32,float,float,float)", asFUNCTION(SetRoll)},
    {"void SetColor(uint32,float,float,float,float)", asFUNCTION(SetColor)},
    {"void GetPosition(uint32 id,float &out,float &out,float &out)", asFUNCTION(GetPosition)},
    {"void GetScale(uint32 id,float &out,float &out,float &out)", asFUNCTION(GetScale)},
    {"void GetRoll(uint32 id,float &out,float &out,float &out)", asFUNCTION(GetRoll)},
    {"void GetColor(uint32 id,float &out,float &out,float &out,float &out)", asFUNCTION(GetColor)},
    {"void SetBlendRenderState(uint32,uint32)", asFUNCTION(SetBlendRenderState)},
    {"uint32 GetRenderSourceIndex(uint32)", asFUNCTION(GetRenderSourceIndex)},
    {"void SwapSingleTexture(uint32,uint32)", asFUNCTION(SwapSingleTexture)},
    {"void SwapRenderingBuffer(uint32,uint32)", asFUNCTION(SwapRenderingBuffer)},
    {"void SetPatNo(uint32,uint32)", asFUNCTION(SetPatNo)},
    {"void SetUIWindowPosition(uint32,float,float,float)", asFUNCTION(SetUIWindowPosition)},
    {"void GetUIWindowPosition(uint32,float &out,float &out,float &out)", asFUNCTION(GetUIWindowPosition)},
    {"void SetAlphaSource(uint32,uint32)", asFUNCTION(SetAlphaSource)},
    {"void SetTextBufferRenderingCharCnt(uint32,uint32)", asFUNCTION(SetTextBufferRenderingCharCnt)},
    {"bool AddTextBufferRenderingCharCnt(uint32)", asFUNCTION(AddTextBufferRenderingCharCnt)},
    {"void SetTextBufferAllRendering(uint32)", asFUNCTION(SetTextBufferAllRendering)},
    {"void EnableBBRendering(uint)", asFUNCTION(EnableBBRendering)},
    {"void SetBBBlendRenderState(uint)", asFUNCTION(SetBBBlendRenderState)},
    {"void SetBBResourceIndex(uint)", asFUNCTION(SetBBResourceIndex)},
    {"void SetBBRendering(uint,bool)", asFUNCTION(SetBBRendering)},
    {"void SetBBBasePosition(float,float,float)", asFUNCTION(SetBBBasePosition)},
    {"void SetBBPosition(uint,float,float,float)", asFUNCTION(SetBBPosition)},
    {"void SetBBScale(uint,float,float,float)", asFUNCTION(SetBBScale)},
    {"void SetBBYawPitchRoll(uint,float,float,float)", asFUNCTION(SetBBYawPitchRoll)},
    {"void SetBBColor(uint,float,float,float,float)", asFUNCTION(SetBBColor)},
    {"void SetBBPatNo(uint,uint)", asFUNCTION(SetBBPatNo)},
    {"void LoadPuppetModel(uint32,string &in)", asFUNCTION(LoadPuppetModel)},
    {"void AddTexturePuppetModel(uint32,string &in)", asFUNCTION(AddTexturePuppetModel)},
    {"void AddMotionPuppetModel(uint32,string &in)", asFUNCTION(AddMotionPuppetModel)},
    {"void BeginMotionPuppet(uint32,uint32)", asFUNCTION(BeginMotionPuppet)},
    {"void DisenableMotionQueuePuppet(uint32,uint32)", asFUNCTION(DisenableMotionQueuePuppet)},
    {"void PushMotionPuppet(uint32,uint32)", asFUNCTION(PushMotionPuppet)},
    {"void PushLoopMotionPuppet(uint32,uint32)", asFUNCTION(PushLoopMotionPuppet)},
    {"void SwapPuppetModel(uint32,uint32)", asFUNCTION(SwapPuppetModel)},
    {"bool IsPlayingVoice()", asFUNCTION(IsPlayingVoice)},
};

// The object behind a "VMValue<T>" handle: a reference count only. Its index operator reaches the
// value cells of the direction that runs the script.
class RendererVMValue {
public:
    void AddRef() { ++refs_; }
    void Release() {
        if (--refs_ == 0) delete this;
    }

private:
    int refs_ = 1;
};

RendererVMValue* MakeValue() { return new RendererVMValue; }
RendererVMValue* MakeTemplateValue(asITypeInfo*) { return MakeValue(); }

// A cell index beyond the 16, or a script outside any direction, raises a script exception: there is
// no cell to hand out.
template <class T>
T* Cell(uint32_t i, T* (ASVMRendererControl::*cells)()) {
    ASVMRendererControl* self = Self();
    if (self && i < tDirParams::kCount) return &(self->*cells)()[i];
    if (asIScriptContext* context = asGetActiveContext()) context->SetException("VMValue index out of range");
    static T spare;
    spare = T();
    return &spare;
}
int& IntCell(uint32_t i, RendererVMValue*) { return *Cell(i, &ASVMRendererControl::IntCells); }
float& FloatCell(uint32_t i, RendererVMValue*) { return *Cell(i, &ASVMRendererControl::FloatCells); }

bool Check(int result, const char* what) {
    if (result >= 0) return true;
    US_LOG("direction engine: registration of [%s] failed (%d)\n", what, result);
    return false;
}

bool RegisterValueType(asIScriptEngine* engine, const char* type, const char* factory, asSFuncPtr make) {
    bool ok = Check(engine->RegisterObjectBehaviour(type, asBEHAVE_FACTORY, factory, make, asCALL_CDECL), factory);
    ok = ok && Check(engine->RegisterObjectBehaviour(type, asBEHAVE_ADDREF, "void f()",
                                                     asMETHOD(RendererVMValue, AddRef), asCALL_THISCALL),
                     "addref");
    ok = ok && Check(engine->RegisterObjectBehaviour(type, asBEHAVE_RELEASE, "void f()",
                                                     asMETHOD(RendererVMValue, Release), asCALL_THISCALL),
                     "release");
    return ok;
}

}  // namespace

uint32_t RendererDirFunctionCount() { return static_cast<uint32_t>(std::size(kFunctions)); }

bool RegisterRendererDirInterface(asIScriptEngine* engine) {
    bool ok = true;
    for (const ScriptFunction& f : kFunctions)
        ok = ok && Check(engine->RegisterGlobalFunction(f.declaration, f.function, asCALL_CDECL), f.declaration);
    if (!ok) return false;
    // The template, then its int and float instances, which alone have an index operator.
    ok = Check(engine->RegisterObjectType("VMValue<class T>", 0, asOBJ_REF | asOBJ_TEMPLATE), "VMValue<class T>");
    ok = ok && RegisterValueType(engine, "VMValue<T>", "VMValue<T>@ f(int&in)", asFUNCTION(MakeTemplateValue));
    ok = ok && Check(engine->RegisterObjectType("VMValue<int>", 0, asOBJ_REF), "VMValue<int>");
    ok = ok && RegisterValueType(engine, "VMValue<int>", "VMValue<int>@ f()", asFUNCTION(MakeValue));
    ok = ok && Check(engine->RegisterObjectMethod("VMValue<int>", "int &opIndex(uint)", asFUNCTION(IntCell),
                                                  asCALL_CDECL_OBJLAST),
                     "int &opIndex(uint)");
    ok = ok && Check(engine->RegisterObjectType("VMValue<float>", 0, asOBJ_REF), "VMValue<float>");
    ok = ok && RegisterValueType(engine, "VMValue<float>", "VMValue<float>@ f()", asFUNCTION(MakeValue));
    ok = ok && Check(engine->RegisterObjectMethod("VMValue<float>", "float &opIndex(uint)", asFUNCTION(FloatCell),
                                                  asCALL_CDECL_OBJLAST),
                     "float &opIndex(uint)");
    return ok;
}
