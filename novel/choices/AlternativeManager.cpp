// The choice manager: its engine and script, the items, the selecting / selected / timed-out machine,
// the saved record, and the functions that choice scripts call on the item being drawn.
#include "novel/choices/AlternativeManager.h"

#include <cfloat>
#include <iterator>

#include "engine/util/USLogManager.h"
#include "novel/render/Renderer.h"
#include "novel/render/RendererManager.h"
#include "novel/vm/SaveIO.h"

namespace {

const char* const kEntryDeclarations[CAltInfoImage::kEntryCount] = {"void Appear()", "void Off()", "void On()",
                                                                    "void Selected()"};

}  // namespace

CAlternativeManager::CAlternativeManager() {
    using M = CAlternativeManager;
    fsm_.Setup(this, {&M::EnterSelecting, &M::EnterSelected, &M::EnterTimedOut, &M::UpdateSelecting, &M::UpdateSelected,
                      &M::UpdateTimedOut});
    fsm_.SetEvent(kEnterSelecting);
}

void CAlternativeManager::Clear() {
    // The items' contexts belong to the engine: they go first.
    DeleteNodes();
    if (engine_) engine_->ShutDownAndRelease();
    engine_ = nullptr;
}

bool CAlternativeManager::Initialize(CRendererManager* renderers) {
    Clear();
    renderers_ = renderers;
    engine_ = CreateScriptEngine();
    if (!engine_) return false;
    const bool ok = RegisterCommonScriptInterface(engine_) && RegisterChoiceInterface(engine_);
    if (!ok) US_LOG("choice engine: a registration failed; choice scripts will not build\n");
    return ok;
}

void CAlternativeManager::LoadScript(const char* fileName) {
    if (!engine_) return;
    engine_->DiscardModule("");
    if (BuildScriptModule(engine_, fileName) < 0) {
        US_LOG("choice script [%s] could not be built\n", fileName);
        // A module of the same name built before has been replaced: its functions must not run.
        for (std::int32_t& id : entries_) id = asNO_FUNCTION;
        return;
    }
    asIScriptModule* module = engine_->GetModule(fileName);
    scriptName_ = fileName;
    for (std::uint32_t i = 0; i < CAltInfoImage::kEntryCount; ++i) {
        asIScriptFunction* f = module ? module->GetFunctionByDecl(kEntryDeclarations[i]) : nullptr;
        entries_[i] = f ? f->GetId() : asNO_FUNCTION;
        if (!f)
            US_LOG("choice script [%s] has no function [%s]: items hide for that event\n", fileName,
                   kEntryDeclarations[i]);
    }
}

void CAlternativeManager::Reset() {
    DeleteNodes();
    fsm_.SetEvent(kEnterSelecting);
    timeOut_ = kNoTimeOut;
}

std::unique_ptr<CAltInfoImage> CAlternativeManager::NewItem() {
    auto item = std::make_unique<CAltInfoImage>();
    asIScriptContext* context = engine_ ? engine_->CreateContext() : nullptr;
    if (context) context->SetUserData(this, kUserDataType);
    item->Setup();
    item->SetContext(context);
    return item;
}

void CAlternativeManager::AddChoice(float offsetX, float offsetY, float offsetZ, std::uint32_t source,
                                    std::uint32_t value, float rectX, float rectY, float rectWidth, float rectHeight) {
    std::unique_ptr<CAltInfoImage> item = NewItem();
    item->SetSource(source);
    item->SetValue(value);
    item->SetOffset(offsetX, offsetY, offsetZ);
    item->SetRect(rectX, rectY, rectWidth, rectHeight);
    for (std::uint32_t i = 0; i < CAltInfoImage::kEntryCount; ++i) item->SetEntry(i, entries_[i]);
    for (std::uint32_t i = 0; i < CBaseAltNode::kCreateParamCount; ++i) item->SetCreateParam(i, createParams_[i]);
    items_.push_back(std::move(item));
}

bool CAlternativeManager::Update(float x, float y, std::uint32_t buttons) {
    x_ = x;
    y_ = y;
    buttons_ = buttons;
    result_ = 0;
    fsm_.Update();
    current_ = static_cast<std::size_t>(-1);
    return result_ != 0;
}

void CAlternativeManager::Draw() {
    for (current_ = 0; current_ < items_.size(); ++current_) items_[current_]->Draw();
    current_ = static_cast<std::size_t>(-1);
}

void CAlternativeManager::DeleteNodes() {
    items_.clear();
    current_ = static_cast<std::size_t>(-1);
}

CAlternativeManager* CAlternativeManager::Current() {
    asIScriptContext* context = asGetActiveContext();
    return context ? static_cast<CAlternativeManager*>(context->GetUserData(kUserDataType)) : nullptr;
}

// ---- machine ----

void CAlternativeManager::EnterSelecting() {
    fsm_.SetState(kSelecting);
    finished_ = 0;
}

void CAlternativeManager::EnterSelected() {
    fsm_.SetState(kSelected);
    finished_ = 0;
}

void CAlternativeManager::EnterTimedOut() { fsm_.SetState(kTimedOut); }

// Every item is visited: when several report a choice in one step, the last one's value stays. A
// time-out that runs out in the same step wins over them.
void CAlternativeManager::UpdateSelecting() {
    result_ = 0;
    for (current_ = 0; current_ < items_.size(); ++current_) {
        IAltNode& item = *items_[current_];
        if (!item.Update(x_, y_, buttons_)) continue;
        selectedValue_ = item.GetValue();
        fsm_.SetEvent(kEnterSelected);
        result_ = 1;
    }
    if (timeOut_ >= 1 && --timeOut_ == 0) {
        selectedValue_ = defaultValue_;
        fsm_.SetEvent(kEnterTimedOut);
        result_ = 1;
    }
}

// No item is hit: hovered items play Off and the chosen one plays Selected until its script says it
// has finished.
void CAlternativeManager::UpdateSelected() {
    for (current_ = 0; current_ < items_.size(); ++current_) items_[current_]->Update(FLT_MIN, FLT_MIN, 0);
    if (finished_) result_ = 1;
}

void CAlternativeManager::UpdateTimedOut() {
    finished_ = 1;
    result_ = 1;
}

// ---- saved record ----

void CAlternativeManager::Save(USLib::binary_ostream<256>& out) const {
    SaveIO::WriteString(out, scriptName_);
    SaveIO::WriteU32(out, static_cast<std::uint32_t>(timeOut_));
    SaveIO::WriteU32(out, defaultValue_);
    SaveIO::WriteU32(out, static_cast<std::uint32_t>(items_.size()));
    for (const auto& item : items_) item->Save(out);
}

void CAlternativeManager::Load(USLib::binary_istream& in, std::uint32_t version) {
    const std::string name = SaveIO::ReadString(in);
    if (!name.empty()) LoadScript(name.c_str());
    timeOut_ = static_cast<std::int32_t>(SaveIO::ReadU32(in));
    defaultValue_ = SaveIO::ReadU32(in);
    DeleteNodes();
    const std::uint32_t count = SaveIO::ReadU32(in);
    for (std::uint32_t n = 0; n < count; ++n) {
        const std::uint32_t kind = SaveIO::ReadU32(in);
        if (kind != CAltInfoImage::kKind) {
            // The rest of the record cannot be read without knowing the kind's layout.
            US_LOG("choice item %u of the save has unknown kind %u; the remaining items are dropped\n", n, kind);
            break;
        }
        std::unique_ptr<CAltInfoImage> item = NewItem();
        for (std::uint32_t i = 0; i < CAltInfoImage::kEntryCount; ++i) item->SetEntry(i, entries_[i]);
        item->Load(in, version);
        items_.push_back(std::move(item));
    }
    fsm_.SetEvent(kEnterSelecting);
    result_ = 0;
}

// ---- choice script interface ----

namespace {

IAltNode* Item() {
    CAlternativeManager* manager = CAlternativeManager::Current();
    return manager ? manager->GetCurrentItem() : nullptr;
}

CUIRenderInfo* Look() {
    IAltNode* item = Item();
    return item ? item->GetRenderInfo() : nullptr;
}

void SetOffset(float x, float y, float z) {
    if (CUIRenderInfo* info = Look()) info->SetOffset(x, y, z);
}
void SetScale(float x, float y, float z) {
    if (CUIRenderInfo* info = Look()) info->SetScale(x, y, z);
}
void SetRoll(float yaw, float pitch, float roll) {
    const float k = static_cast<float>(NovelRender::kDegToRad);
    if (CUIRenderInfo* info = Look()) info->SetRoll(yaw * k, pitch * k, roll * k);
}
void SetColor(float r, float g, float b, float a) {
    if (CUIRenderInfo* info = Look()) info->SetColor(r, g, b, a);
}
void SetPatNo(std::int32_t pattern) {
    if (CUIRenderInfo* info = Look()) info->SetPatNo(pattern);
}
void WaitAlt(int frames) {
    CUIRenderInfo* info = Look();
    if (!info) return;
    info->wait = frames;
    asGetActiveContext()->Suspend();
}
void SetEnableEvent(bool enable) {
    if (IAltNode* item = Item()) item->SetEnableEvent(enable);
}
void FinishSelectedDirection() {
    if (CAlternativeManager* manager = CAlternativeManager::Current()) manager->Finish();
}
int GetCreateParam(std::uint32_t i) {
    IAltNode* item = Item();
    return item ? static_cast<int>(item->GetCreateParam(i)) : 0;
}
IRenderer* GetRenderer(std::uint32_t id) {
    CAlternativeManager* manager = CAlternativeManager::Current();
    if (manager && manager->GetRendererManager()) return manager->GetRendererManager()->GetRendererForScript(id);
    if (asIScriptContext* context = asGetActiveContext()) context->SetException("no renderer with that id");
    return nullptr;
}

const ScriptFunction kFunctions[] = {
    {"void SetOffset(float,float,float)", asFUNCTION(SetOffset)},
    {"void SetScale(float,float,float)", asFUNCTION(SetScale)},
    {"void SetRoll(float,float,float)", asFUNCTION(SetRoll)},
    {"void SetColor(float,float,float,float)", asFUNCTION(SetColor)},
    {"void SetPatNo(int32)", asFUNCTION(SetPatNo)},
    {"void WaitAlt(int)", asFUNCTION(WaitAlt)},
    {"void SetEnableEvent(bool)", asFUNCTION(SetEnableEvent)},
    {"void FinishSelectedDirection()", asFUNCTION(FinishSelectedDirection)},
    {"int GetCreateParam(uint32)", asFUNCTION(GetCreateParam)},
};

}  // namespace

bool RegisterChoiceInterface(asIScriptEngine* engine) {
    bool ok = RegisterScriptFunctions(engine, std::begin(kFunctions), std::end(kFunctions));
    ok &= NovelRender::RegisterIRenderer(engine);
    ok &= RegisterScriptFunctions(engine, {{"IRenderer &GetRenderer(uint32)", asFUNCTION(GetRenderer)}});
    return ok;
}

std::uint32_t ChoiceFunctionCount() { return static_cast<std::uint32_t>(std::size(kFunctions)) + 1; }
