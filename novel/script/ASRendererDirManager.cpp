// The renderer-direction manager: its engine, parameter block, module caches, one-shot directions and
// resident slots, and the record it keeps in a save.
#include "novel/script/ASRendererDirManager.h"

#include <cstring>

#include "engine/util/USLogManager.h"
#include "novel/render/PolygonRenderers.h"
#include "novel/render/Renderer.h"
#include "novel/vm/SaveIO.h"
#include "novel/vm/SliceClock.h"

namespace {

void WriteFloats(RenderSource::OStream& out, const float* v, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &v[i], 4);
        SaveIO::WriteU32(out, bits);
    }
}
void ReadFloats(RenderSource::IStream& in, float* v, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t bits = SaveIO::ReadU32(in);
        std::memcpy(&v[i], &bits, 4);
    }
}
void WriteInts(RenderSource::OStream& out, const int32_t* v, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) SaveIO::WriteU32(out, static_cast<uint32_t>(v[i]));
}
void ReadInts(RenderSource::IStream& in, int32_t* v, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) v[i] = static_cast<int32_t>(SaveIO::ReadU32(in));
}
uint8_t ReadByte(RenderSource::IStream& in) {
    uint8_t b = 0;
    SaveIO::ReadBytes(in, &b, 1);
    return b;
}

}  // namespace

// ---- parameter block ----

void tDirParams::Write(RenderSource::OStream& out) const {
    WriteInts(out, ints, kCount);
    SaveIO::WriteU32(out, intCount);
    WriteFloats(out, floats, kCount);
    SaveIO::WriteU32(out, floatCount);
}

void tDirParams::Read(RenderSource::IStream& in) {
    ReadInts(in, ints, kCount);
    intCount = SaveIO::ReadU32(in);
    ReadFloats(in, floats, kCount);
    floatCount = SaveIO::ReadU32(in);
    // A damaged record must not make the next additions write past the block.
    if (intCount > kCount) intCount = kCount;
    if (floatCount > kCount) floatCount = kCount;
}

// ---- module cache ----

bool CASRendererDirModuleInfo::Build(const std::string& name, asIScriptEngine* engine) {
    module.reset();
    scriptName.clear();
    // A module of that name still held elsewhere (a running direction, the other cache) steps aside
    // under a name of its own, so that building this one does not discard it.
    if (asIScriptModule* held = engine->GetModule(name.c_str(), asGM_ONLY_IF_EXISTS)) {
        static uint32_t serial = 0;
        held->SetName((name + "|" + std::to_string(++serial)).c_str());
    }
    if (BuildScriptModule(engine, name.c_str()) < 0) {
        US_LOG("direction script [%s] could not be built\n", name.c_str());
        engine->DiscardModule(name.c_str());
        return false;
    }
    asIScriptModule* built = engine->GetModule(name.c_str());
    asIScriptFunction* entry = built ? built->GetFunctionByDecl("void Update()") : nullptr;
    if (!entry) {
        US_LOG("direction script [%s] has no function [void Update()]\n", name.c_str());
        engine->DiscardModule(name.c_str());
        return false;
    }
    module = std::make_shared<const tDirModule>(built, entry, built->GetFunctionByDecl("void CleanUp()"));
    scriptName = name;
    return true;
}

void CASRendererDirModuleVector::Clear() {
    entries_.clear();
    recency_.clear();
    capacity_ = 0;
}

void CASRendererDirModuleVector::Allocate(uint32_t capacity) {
    Clear();
    for (uint32_t i = 0; i < capacity; ++i) entries_.push_back(std::make_unique<CASRendererDirModuleInfo>());
    capacity_ = capacity;
}

CASRendererDirModuleInfo* CASRendererDirModuleVector::GetModule(const std::string& name, asIScriptEngine* engine) {
    for (auto it = recency_.begin(); it != recency_.end(); ++it) {
        if (entries_[*it]->scriptName != name) continue;
        recency_.splice(recency_.begin(), recency_, it);
        return entries_[recency_.front()].get();
    }
    if (capacity_ == 0) return nullptr;
    uint32_t index;
    if (recency_.size() < capacity_) {
        index = static_cast<uint32_t>(recency_.size());
    } else {
        index = recency_.back();
        recency_.pop_back();
    }
    recency_.push_front(index);
    entries_[index]->Build(name, engine);
    return entries_[index].get();
}

// ---- one direction ----

ASVMRendererControl::ASVMRendererControl() = default;

ASVMRendererControl::~ASVMRendererControl() {
    billboards_.reset();
    // The context goes first: it may still hold the functions' frames.
    if (asIScriptContext* context = GetContext()) {
        context->Abort();
        context->Release();
    }
    CDefoASVM::SetContext(nullptr);
    module_.reset();
}

void ASVMRendererControl::ClearValues() {
    std::memset(intCells_, 0, sizeof intCells_);
    std::memset(floatCells_, 0, sizeof floatCells_);
    billboards_.reset();
    billboardCount_ = 0;
}

void ASVMRendererControl::SetContext(asIScriptContext* context) {
    if (asIScriptContext* old = GetContext(); old && old != context) old->Release();
    CDefoASVM::SetContext(context);
    if (context) AttachTo(context);
}

void ASVMRendererControl::Prepare(DirModulePtr module) {
    asIScriptContext* context = GetContext();
    if (context && context->GetState() == asEXECUTION_SUSPENDED) context->Abort();
    if (context) {
        if (module) context->Prepare(module->update);
        else context->Unprepare();
    }
    module_ = std::move(module);
}

void ASVMRendererControl::RunCleanUp() {
    asIScriptContext* context = GetContext();
    if (!context) return;
    if (context->GetState() == asEXECUTION_SUSPENDED) context->Abort();
    if (!module_ || !module_->cleanUp || context->Prepare(module_->cleanUp) < 0) return;
    ExecuteWatched(context, scriptName.c_str(), CSliceClock::kSliceMs, true);
}

void ASVMRendererControl::EnableBillboards(uint32_t count) {
    if (billboards_) return;
    billboards_ = std::make_unique<BBRenderer>();
    billboards_->Setup();
    billboards_->SetRenderSourceManager(sources);
    billboardCount_ = count;
}

void ASVMRendererControl::RenderBillboards() {
    if (billboards_) billboards_->Render();
}

void ASVMRendererControl::SetBillboardBlendRenderState(uint32_t value) {
    if (billboards_) billboards_->SetBlendRenderState(value);
}

void ASVMRendererControl::SetBillboardResourceIndex(uint32_t value) {
    if (billboards_) billboards_->SetResourceIndex(value);
}

void ASVMRendererControl::Save(RenderSource::OStream& out) const {
    params_.Write(out);
    WriteInts(out, intCells_, tDirParams::kCount);
    WriteFloats(out, floatCells_, tDirParams::kCount);
    const uint8_t flag = billboards_ ? 1 : 0;
    out.Write(&flag, 1);
    SaveIO::WriteU32(out, billboardCount_);
}

void ASVMRendererControl::Load(RenderSource::IStream& in, uint32_t) {
    params_.Read(in);
    ReadInts(in, intCells_, tDirParams::kCount);
    ReadFloats(in, floatCells_, tDirParams::kCount);
    const uint8_t flag = ReadByte(in);
    const uint32_t count = SaveIO::ReadU32(in);
    billboards_.reset();
    billboardCount_ = 0;
    if (flag == 1) EnableBillboards(count);
}

ASVMRendererControl* ASVMRendererControl::Current() {
    asIScriptContext* context = asGetActiveContext();
    if (!context) return nullptr;
    return dynamic_cast<ASVMRendererControl*>(CDefoASVM::FromContext(context));
}

// ---- manager ----

CASRendererDirManager::CASRendererDirManager() = default;

CASRendererDirManager::~CASRendererDirManager() {
    Release();
    residentModules_.Clear();
}

void CASRendererDirManager::Release() {
    ClearModuleCache();
    EndAllDirections();
    DeleteResidentSlots();
    // The resident cache's functions belong to this engine: they go before it.
    residentModules_.Clear();
    if (engine_) engine_->ShutDownAndRelease();
    engine_ = nullptr;
}

bool CASRendererDirManager::Initialize(CRendererManager* renderers, RenderSource::CRenderSourceManager* sources) {
    Release();
    engine_ = CreateScriptEngine();
    renderers_ = renderers;
    sources_ = sources;
    if (!engine_) return false;
    // "vIntParam[i]" and "vFloatParam[i]" read through the registered get_ functions.
    engine_->SetEngineProperty(asEP_PROPERTY_ACCESSOR_MODE, 2);
    bool ok = RegisterCommonScriptInterface(engine_);
    ok = ok && NovelRender::RegisterIRenderer(engine_);
    ok = ok && RegisterRendererDirInterface(engine_);
    if (!ok) US_LOG("direction engine: a registration failed; direction scripts will not build\n");
    return ok;
}

void CASRendererDirManager::AddIntParam(int32_t value) {
    if (params_.intCount < tDirParams::kCount) params_.ints[params_.intCount++] = value;
}

void CASRendererDirManager::AddFloatParam(float value) {
    if (params_.floatCount < tDirParams::kCount) params_.floats[params_.floatCount++] = value;
}

void CASRendererDirManager::RunDirection(const char* name) {
    if (!engine_) return;
    CASRendererDirModuleInfo* entry = modules_.GetModule(name, engine_);
    if (!entry || entry->IsEmpty()) {
        // Nothing could run: a direction without a script would hold up the wait for directions.
        US_LOG("direction [%s] not started\n", name);
        return;
    }
    auto direction = std::make_unique<ASVMRendererControl>();
    direction->ClearValues();
    direction->SetParams(params_);
    direction->renderers = renderers_;
    direction->sources = sources_;
    direction->scriptName = name;
    direction->SetContext(engine_->CreateContext());
    direction->Prepare(entry->module);
    directions_.push_back(std::move(direction));
}

void CASRendererDirManager::EndAllDirections() {
    // Taken off the list first: a CleanUp that starts or ends directions sees a consistent list.
    std::list<std::unique_ptr<ASVMRendererControl>> ending;
    ending.swap(directions_);
    for (auto& direction : ending) {
        direction->RunCleanUp();
        direction.reset();
    }
}

void CASRendererDirManager::DeleteResidentSlots() {
    slots_.clear();
    active_.clear();
}

void CASRendererDirManager::AllocateResidentSlots(uint32_t n) {
    DeleteResidentSlots();
    if (!engine_) return;
    for (uint32_t i = 0; i < n; ++i) {
        auto slot = std::make_unique<ASVMRendererControl>();
        slot->SetContext(engine_->CreateContext());
        slot->renderers = renderers_;
        slot->sources = sources_;
        slots_.push_back(std::move(slot));
    }
    active_.assign(n, false);
}

void CASRendererDirManager::StartResidentDirection(uint32_t i, const char* name) {
    if (i >= slots_.size()) {
        US_LOG("resident direction slot %u does not exist (%u slots)\n", i, static_cast<uint32_t>(slots_.size()));
        return;
    }
    StopResidentDirection(i);
    ASVMRendererControl& slot = *slots_[i];
    slot.ClearValues();
    slot.SetParams(params_);
    slot.renderers = renderers_;
    slot.scriptName = name;
    CASRendererDirModuleInfo* entry = residentModules_.GetModule(name, engine_);
    if (!entry || entry->IsEmpty()) {
        US_LOG("resident direction [%s] not started\n", name);
        slot.Prepare(nullptr);
        return;
    }
    slot.Prepare(entry->module);
    active_[i] = true;
}

void CASRendererDirManager::StopResidentDirection(uint32_t i) {
    if (!IsResidentActive(i)) return;
    if (asIScriptContext* context = slots_[i]->GetContext()) context->Abort();
    active_[i] = false;
}

void CASRendererDirManager::StopAllResidentDirections() {
    for (uint32_t i = 0; i < slots_.size(); ++i) StopResidentDirection(i);
}

void CASRendererDirManager::Update() {
    for (auto it = directions_.begin(); it != directions_.end();) {
        ASVMRendererControl& direction = **it;
        direction.Step();
        asIScriptContext* context = direction.GetContext();
        bool over = !direction.IsRunning();
        if (!over && context && context->GetState() == asEXECUTION_EXCEPTION) {
            // A failed script never finishes: end it here rather than hold up the scene for good.
            const asIScriptFunction* at = context->GetExceptionFunction();
            US_LOG("direction [%s]: exception [%s] in [%s] line %d\n", direction.scriptName.c_str(),
                   context->GetExceptionString(), at ? at->GetDeclaration() : "?", context->GetExceptionLineNumber());
            over = true;
        }
        if (!over) {
            ++it;
            continue;
        }
        direction.RunCleanUp();
        it = directions_.erase(it);
    }
    for (uint32_t i = 0; i < slots_.size(); ++i)
        if (active_[i]) slots_[i]->Step();
}

void CASRendererDirManager::Render() {
    for (auto& direction : directions_) direction->RenderBillboards();
    for (uint32_t i = 0; i < slots_.size(); ++i)
        if (active_[i]) slots_[i]->RenderBillboards();
}

void CASRendererDirManager::Save(RenderSource::OStream& out) {
    params_.Write(out);
    SaveIO::WriteU32(out, static_cast<uint32_t>(slots_.size()));
    for (uint32_t i = 0; i < slots_.size(); ++i) {
        SaveIO::WriteString(out, slots_[i]->scriptName);
        slots_[i]->Save(out);
        const uint8_t flag = active_[i] ? 1 : 0;
        out.Write(&flag, 1);
    }
}

void CASRendererDirManager::Load(RenderSource::IStream& in, uint32_t version) {
    directions_.clear();
    params_.Read(in);
    const uint32_t n = SaveIO::ReadU32(in);
    // Slot counts come from the setting script; a record that names more than the save can hold is
    // damaged and is not trusted to size the array.
    const uint32_t slots = n <= 1024 ? n : 0;
    AllocateResidentSlots(slots);
    for (uint32_t i = 0; i < slots; ++i) {
        const std::string name = SaveIO::ReadString(in);
        if (!name.empty()) StartResidentDirection(i, name.c_str());
        if (i < slots_.size()) {
            slots_[i]->scriptName = name;
            slots_[i]->Load(in, version);
        } else {
            ASVMRendererControl().Load(in, version);
        }
        const bool active = ReadByte(in) == 1;
        if (i < slots_.size()) active_[i] = active && !name.empty();
    }
}
