// The control base, the look driver, the "UICoroutine" script class and the shared sprite drawing.
#include "novel/ui/UIControl.h"

#include <cstring>
#include <new>

#include "engine/util/USLogManager.h"
#include "novel/render/Renderer.h"
#include "novel/vm/SliceClock.h"

using namespace NovelRender;

void CopyUIUserData(asIScriptContext* from, asIScriptContext* to) {
    for (asPWORD type : kUIUserDataTypes) to->SetUserData(from->GetUserData(type), type);
}

// ---- texture sheets ----

ResourceInfo::~ResourceInfo() { GetTextureManager().Release(texture); }

std::unique_ptr<ResourceInfo> ResourceInfo::Create(const char* imageFile, D3DFORMAT format, const char* partsFile) {
    auto sheet = std::make_unique<ResourceInfo>();
    bool ok = CreateTextureFromImage(&sheet->texture, imageFile, format);
    if (ok) {
        // Texture coordinates are fractions of the texture as made (a power of two may be larger
        // than the image).
        const D3DSURFACE_DESC& level = GetTexture(sheet->texture)->GetLevelDesc();
        ok = sheet->parts.Load(partsFile, static_cast<float>(level.Width), static_cast<float>(level.Height), false) ==
             1;
    }
    if (!ok) sheet.reset();
    return sheet;
}

const CPartsInfo3* FindSheetPart(const ResourceList& sheets, std::int32_t sheet, std::int32_t pattern) {
    if (sheet < 0 || static_cast<std::size_t>(sheet) >= sheets.size() || !sheets[sheet]) return nullptr;
    CPartsRenderInfo3& parts = sheets[sheet]->parts;
    if (pattern < 0 || static_cast<std::uint32_t>(pattern) >= parts.Count()) return nullptr;
    return parts.GetPart(static_cast<std::uint32_t>(pattern));
}

// ---- render info ----

CUIRenderInfo::CUIRenderInfo() { ResetLook(); }

void CUIRenderInfo::ResetLook() {
    SetOffset(0, 0, 0);
    SetScale(1, 1, 1);
    SetRoll(0, 0, 0);
    SetColor(1, 1, 1, 1);
    sheet = 0;
}

void CUIRenderInfo::SetOffset(float x, float y, float z) {
    offset[0] = x;
    offset[1] = y;
    offset[2] = z;
}

void CUIRenderInfo::SetScale(float x, float y, float z) {
    scale[0] = x;
    scale[1] = y;
    scale[2] = z;
}

void CUIRenderInfo::SetRoll(float yaw, float pitch, float roll) { D3DXMatrixRotationYawPitchRoll(&rotation, yaw, pitch, roll); }

void CUIRenderInfo::SetColor(float r, float g, float b, float a) {
    color[0] = r;
    color[1] = g;
    color[2] = b;
    color[3] = a;
}

void CUIRenderInfo::Save(USLib::binary_ostream<256>& out) const {
    out.Write(offset, 12);
    out.Write(scale, 12);
    out.Write(&rotation, 64);
    out.Write(color, 16);
    out.Write(&sheet, 4);
    out.Write(&pattern, 4);
    out.Write(&wait, 4);
    const std::uint8_t flag = rendering ? 1 : 0;
    out.Write(&flag, 1);
}

void CUIRenderInfo::Load(USLib::binary_istream& in) {
    in.Read(offset, 12);
    in.Read(scale, 12);
    in.Read(&rotation, 64);
    in.Read(color, 16);
    in.Read(&sheet, 4);
    in.Read(&pattern, 4);
    in.Read(&wait, 4);
    std::uint8_t flag = 0;
    in.Read(&flag, 1);
    rendering = flag != 0;
}

// ---- look driver ----

CUIContext::~CUIContext() { SetContext(nullptr); }

void CUIContext::SetContext(asIScriptContext* context) {
    if (context_ == context) return;
    if (context_) {
        if (context_->GetState() == asEXECUTION_SUSPENDED) context_->Abort();
        context_->Release();
    }
    context_ = context;
}

void CUIContext::Start(std::int32_t id) {
    id_ = id;
    if (id == -1) {
        mode_ = kNone;
        if (info_) info_->pattern = -1;
        return;
    }
    if (id < 0) {
        mode_ = kDirect;
        if (info_) {
            info_->ResetLook();
            info_->pattern = id & 0x7FFFFFFF;
        }
        return;
    }
    mode_ = kScript;
    if (!context_) return;
    if (context_->GetState() == asEXECUTION_SUSPENDED) context_->Abort();
    context_->Prepare(context_->GetEngine()->GetFunctionById(id));
}

int CUIContext::Update() {
    if (mode_ != kScript) return 0;
    if (info_ && info_->wait > 0 && --info_->wait > 0) return 0;
    if (!context_) return 0;
    // A function that has returned (or never was prepared) runs nothing until the next Start.
    const asEContextState state = context_->GetState();
    if (state != asEXECUTION_PREPARED && state != asEXECUTION_SUSPENDED) return 0;
    // A slice that runs past its time is suspended and goes on at the next update.
    return ExecuteWatched(context_, "", CSliceClock::kSliceMs, false);
}

// ---- sprite drawing ----

void CUISprite::Release() {
    GetVSParamManager().Release(params_);
    GetRenderObjectManager().Release(object_);
    created_ = false;
}

void CUISprite::Create(std::uint32_t entry) {
    Release();
    RenderSystem::CBaseRenderObject* object = CreateRenderObject(&object_, 1, static_cast<std::int32_t>(entry), 0);
    CVSParamInfo* params = CreateVSParams(&params_);
    SetVertexProgram(*object, entry, params_);
    SetRegister(*params, 4, 1, 0, 0, 0);
    created_ = true;
}

RenderSystem::CBaseRenderObject* CUISprite::Object() const { return GetRenderObject(object_); }
CVSParamInfo* CUISprite::Params() const { return GetVSParamInfo(params_); }

void CUISprite::DrawPart(const float at[3], const CUIRenderInfo& info, TextureHandle texture,
                         const CPartsInfo3* part, std::uint32_t layer) {
    if (!created_ || info.pattern == -1 || !part) return;
    RenderSystem::CBaseRenderObject* object = Object();
    CVSParamInfo* params = Params();
    if (!object || !params) return;
    const float rect[4] = {part->g0, part->g1, part->g2, part->g3};
    const float uv[4] = {part->tu0, part->tv0, part->tu1, part->tv1};
    SetRegister(*params, 5, rect);
    SetRegister(*params, 6, uv);
    SetRegister(*params, 7, info.color);
    object->Stage(0).SetTexture(texture);
    object->position = D3DXVECTOR3(at[0] - 0.5f, at[1] - 0.5f, at[2]);
    object->scale = D3DXVECTOR3(info.scale[0], info.scale[1], info.scale[2]);
    object->rotation = info.rotation;
    Queue(layer, object_);
}

void CUISprite::Draw(const float at[3], const CUIRenderInfo& info, const ResourceList& sheets, std::uint32_t layer) {
    const CPartsInfo3* part = FindSheetPart(sheets, info.sheet, info.pattern);
    if (part) DrawPart(at, info, sheets[info.sheet]->texture, part, layer);
}

void CUISpriteControl::SetupSprite(asIScriptContext* context, std::uint32_t entry) {
    context_.SetContext(context);
    context_.SetRenderInfo(&info_);
    SetRenderInfo(&info_);
    sprite_.Create(entry);
}

// ---- "UICoroutine" ----

namespace {

struct UICoroutine {
    asIScriptContext* context = nullptr;
};

void CoroutineConstruct(void* memory) { new (memory) UICoroutine(); }

void CoroutineDestruct(UICoroutine* self) {
    if (self->context) {
        if (self->context->GetState() == asEXECUTION_SUSPENDED) self->context->Abort();
        self->context->Release();
    }
    self->context = nullptr;
}

void CoroutineCreate(UICoroutine* self) {
    asIScriptContext* running = asGetActiveContext();
    if (!running) return;
    CoroutineDestruct(self);
    self->context = running->GetEngine()->CreateContext();
    if (!self->context) return;
    // The same user data as the creator, so that window functions called by the coroutine reach
    // the same window.
    CopyUIUserData(running, self->context);
}

void CoroutineSetFunction(int id, UICoroutine* self) {
    if (!self->context) return;
    if (self->context->GetState() == asEXECUTION_SUSPENDED) self->context->Abort();
    self->context->Prepare(self->context->GetEngine()->GetFunctionById(id));
}

void CoroutineExecute(UICoroutine* self) {
    if (!self->context) return;
    const asEContextState state = self->context->GetState();
    if (state == asEXECUTION_PREPARED || state == asEXECUTION_SUSPENDED)
        ExecuteWatched(self->context, "", CSliceClock::kSliceMs, false);
}

}  // namespace

bool RegisterUICoroutine(asIScriptEngine* engine) {
    // Not plain data: a byte copy would share the context and release it twice, so scripts cannot
    // copy a coroutine (there is no copy operation).
    const int flags = asOBJ_VALUE | asOBJ_APP_CLASS_CD;
    bool ok = true;
    auto check = [&ok](int r, const char* what) {
        if (r < 0) {
            US_LOG("Failed to register the script declaration %s (%d)\n", what, r);
            ok = false;
        }
    };
    check(engine->RegisterObjectType("UICoroutine", sizeof(UICoroutine), flags), "UICoroutine");
    check(engine->RegisterObjectBehaviour("UICoroutine", asBEHAVE_CONSTRUCT, "void f()", asFUNCTION(CoroutineConstruct),
                                          asCALL_CDECL_OBJLAST),
          "UICoroutine constructor");
    check(engine->RegisterObjectBehaviour("UICoroutine", asBEHAVE_DESTRUCT, "void f()", asFUNCTION(CoroutineDestruct),
                                          asCALL_CDECL_OBJLAST),
          "UICoroutine destructor");
    check(engine->RegisterObjectMethod("UICoroutine", "void Create()", asFUNCTION(CoroutineCreate),
                                       asCALL_CDECL_OBJLAST),
          "UICoroutine::Create");
    check(engine->RegisterObjectMethod("UICoroutine", "void SetFunction(int)", asFUNCTION(CoroutineSetFunction),
                                       asCALL_CDECL_OBJLAST),
          "UICoroutine::SetFunction");
    check(engine->RegisterObjectMethod("UICoroutine", "void Execute()", asFUNCTION(CoroutineExecute),
                                       asCALL_CDECL_OBJLAST),
          "UICoroutine::Execute");
    return ok;
}
