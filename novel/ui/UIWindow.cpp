// The UI window: opening, the per-frame script slice and control walk, drawing, control creation,
// tab groups and the saved record.
#include "novel/ui/UIWindow.h"

#include "engine/device/AppDeviceInfo.h"
#include "engine/util/USSingleton.h"
#include "novel/ui/UIButtons.h"
#include "novel/ui/UIImageControls.h"
#include "novel/ui/UISaveDataControls.h"
#include "novel/vm/SaveIO.h"
#include "novel/vm/SliceClock.h"

CUIWindow::~CUIWindow() {
    ReleaseAll();
    subButtons_.clear();
    // The base releases the context.
}

void CUIWindow::SetContext(asIScriptContext* context) {
    CDefoASVM::SetContext(context);
    if (!context) return;
    AttachTo(context);
    context->SetUserData(this, kUIWindowUserDataType);
}

CUIWindow* CUIWindow::FromContext(asIScriptContext* context) {
    return context ? static_cast<CUIWindow*>(context->GetUserData(kUIWindowUserDataType)) : nullptr;
}

CUIWindow* CUIWindow::Running() { return FromContext(asGetActiveContext()); }

void CUIWindow::ReleaseAll() {
    controls_.clear();
    current_ = controls_.end();
    resources_.clear();
    tabs_.clear();
}

void CUIWindow::Open(std::uint32_t id, const std::string& scriptName, asIScriptContext* context,
                     asIScriptModule* module, std::uint32_t layerIndex, float x, float y, float z) {
    id_ = id;
    scriptName_ = scriptName;
    SetModule(module);
    SetLayerIndex(layerIndex);
    SetContext(context);
    SetPosition(x, y, z);
    if (!context) return;
    // A function the script lacks (any of the three is optional) is not prepared: the script engine
    // would log that as an error. The window's execution then runs nothing.
    auto function = [module](const char* declaration) {
        return module ? module->GetFunctionByDecl(declaration) : nullptr;
    };
    // Initialize runs to its end in one go; one that runs too long is stopped, and the log says so.
    if (asIScriptFunction* initialize = function("void Initialize()"); initialize && context->Prepare(initialize) >= 0)
        ExecuteWatched(context, scriptName_.c_str(), CSliceClock::kSliceMs, true);
    if (asIScriptFunction* update = function("void Update()")) context->Prepare(update);
    asIScriptFunction* cleanUp = function("void CleanUp()");
    cleanUpId_ = cleanUp ? cleanUp->GetId() : -1;
}

void CUIWindow::LoadResource(const char* imageFile, D3DFORMAT format, const char* partsFile) {
    if (std::unique_ptr<ResourceInfo> sheet = ResourceInfo::Create(imageFile, format, partsFile))
        resources_.push_back(std::move(sheet));
}

bool CUIWindow::Update(float x, float y, std::uint32_t input) {
    x -= position_[0];
    y -= position_[1];
    updating_ = false;
    childRequest_ = false;
    if (asIScriptContext* context = GetContext()) {
        const asEContextState state = context->GetState();
        // A slice that runs past its time is suspended and goes on in the next frame.
        if (state == asEXECUTION_PREPARED || state == asEXECUTION_SUSPENDED)
            ExecuteWatched(context, scriptName_.c_str(), CSliceClock::kSliceMs, false);
    }
    updating_ = true;
    bool taken = false;
    for (current_ = controls_.begin(); current_ != controls_.end(); ++current_) {
        IUIControl* control = current_->get();
        if (!IsShownByTabs(control->GetID())) continue;
        if (control->Update(x, y, input)) {
            input = 0;
            taken = true;
        }
    }
    return taken;
}

void CUIWindow::Render() {
    if (!drawn_) return;
    for (const std::unique_ptr<IUIControl>& control : controls_) {
        if (IsShownByTabs(control->GetID()) && control->IsVisible()) control->Render(position_, resources_);
    }
}

void CUIWindow::AddControl(std::unique_ptr<IUIControl> control) {
    const float z = control->GetPosition()[2];
    auto at = controls_.begin();
    while (at != controls_.end() && !((*at)->GetPosition()[2] > z)) ++at;
    control->SetLayer(layerKey_);
    control->SetEnable(true);
    current_ = controls_.insert(at, std::move(control));
}

IUIControl* CUIWindow::GetCurrentControl() { return current_ == controls_.end() ? nullptr : current_->get(); }

void CUIWindow::RunCleanUp() {
    asIScriptContext* context = GetContext();
    asIScriptFunction* cleanUp = module_ ? module_->GetEngine()->GetFunctionById(cleanUpId_) : nullptr;
    if (!context || !cleanUp) return;
    if (context->GetState() == asEXECUTION_SUSPENDED) context->Abort();
    if (context->Prepare(cleanUp) >= 0) ExecuteWatched(context, scriptName_.c_str(), CSliceClock::kSliceMs, true);
}

int CUIWindow::GetFunctionID(const std::string& declaration) {
    asIScriptFunction* f = module_ ? module_->GetFunctionByDecl(declaration.c_str()) : nullptr;
    return f ? f->GetId() : -1;
}

IUIControl* CUIWindow::FindControl(std::uint32_t id) {
    for (const std::unique_ptr<IUIControl>& c : controls_)
        if (c->GetID() == id) return c.get();
    return nullptr;
}

void CUIWindow::EnableControl(std::uint32_t id, bool enable) {
    if (IUIControl* c = FindControl(id)) c->SetEnable(enable);
}

bool CUIWindow::IsEnableControl(std::uint32_t id) {
    IUIControl* c = FindControl(id);
    return c && c->IsActive();
}

void CUIWindow::EnableRenderingControl(std::uint32_t id, bool visible) {
    if (IUIControl* c = FindControl(id)) c->SetVisible(visible);
}

void CUIWindow::SetActiveControl(std::uint32_t id) {
    if (updating_) return;
    for (auto it = controls_.begin(); it != controls_.end(); ++it) {
        if ((*it)->GetID() == id) {
            current_ = it;
            return;
        }
    }
}

void CUIWindow::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, id_);
    SaveIO::WriteString(out, scriptName_);
    const std::uint8_t drawn = drawn_ ? 1 : 0;
    out.Write(&drawn, 1);
    out.Write(position_, 12);
    SaveIO::WriteU32(out, layerIndex_);
}

// ---- tabs ----

void CUIWindow::AddControlToTabControl(std::uint32_t tab, std::uint32_t controlId, std::uint32_t group) {
    if (tab < tabs_.size()) tabs_[tab]->SetGroup(controlId, group);
}

void CUIWindow::SetActiveGroupTabControl(std::uint32_t tab, std::uint32_t group) {
    if (tab < tabs_.size()) tabs_[tab]->SetActiveGroup(group);
}

bool CUIWindow::IsShownByTabs(std::uint32_t controlId) const {
    for (const auto& tab : tabs_) {
        if (tab->Empty()) continue;
        if (const std::uint32_t* group = tab->FindGroup(controlId)) return *group == tab->GetActiveGroup();
    }
    return true;
}

// ---- control creation ----

asIScriptContext* CUIWindow::NewControlContext() {
    asIScriptContext* own = GetContext();
    if (!own) return nullptr;
    asIScriptContext* context = own->GetEngine()->CreateContext();
    if (context) CopyUIUserData(own, context);
    return context;
}

template <class T>
T* CUIWindow::Place(std::unique_ptr<T> control, std::uint32_t id, const float* position) {
    T* placed = control.get();
    placed->SetID(id);
    if (position) placed->SetPosition(position[0], position[1], position[2]);
    AddControl(std::move(control));
    return placed;
}

void CUIWindow::AddUIImage(std::uint32_t id, float x, float y, float z, int look) {
    const float p[3] = {x, y, z};
    Place(std::make_unique<CUIImage>(), id, p)->Setup(NewControlContext(), look);
}

void CUIWindow::AddUIRenderSourceImage(std::uint32_t id, float x, float y, float z, int look) {
    const float p[3] = {x, y, z};
    Place(std::make_unique<UIRenderSourceImage>(), id, p)->Setup(NewControlContext(), look);
}

void CUIWindow::AddUIPolygon(std::uint32_t id, int look, float x, float y, float w, float h) {
    Place(std::make_unique<CUIPolygon>(), id, nullptr)->Setup(NewControlContext(), look, x, y, w, h);
}

void CUIWindow::AddUIText(std::uint32_t id, float x, float y, float z, std::uint32_t text, int look) {
    const float p[3] = {x, y, z};
    Place(std::make_unique<CUIText>(), id, p)->Setup(text, NewControlContext(), look);
}

void CUIWindow::AddUIButton(std::uint32_t id, float x, float y, float z, const float rect[4], const int ids[4]) {
    const float p[3] = {x, y, z};
    CUIButton* b = Place(std::make_unique<CUIButton>(), id, p);
    b->Setup(NewControlContext(), ids[0], ids[1], ids[2], ids[3]);
    b->SetRect(rect[0], rect[1], rect[2], rect[3]);
}

void CUIWindow::AddUILogVoiceButton(std::uint32_t id, float x, float y, float z, const float rect[4],
                                    std::uint32_t line, const int ids[4]) {
    const float p[3] = {x, y, z};
    CUILogVoiceButton* b = Place(std::make_unique<CUILogVoiceButton>(), id, p);
    b->Setup(NewControlContext(), ids[0], ids[1], ids[2], ids[3]);
    b->SetRect(rect[0], rect[1], rect[2], rect[3]);
    b->SetLine(line);
}

void CUIWindow::AddGroup(CUIBaseGroupButtons* group) {
    for (const SubButtonInfo& s : subButtons_)
        group->AddChild(s.lit, s.unlit, s.value, s.x, s.y, s.rx, s.ry, s.rw, s.rh);
    group->Update(0, 0, 0);
}

void CUIWindow::AddVariableGroup(std::uint32_t id, const float position[3], std::uint32_t kind, int index,
                                 std::unique_ptr<ICheckValueFunctor> check) {
    CUIGroupButtons* g = Place(std::make_unique<CUIGroupButtons>(std::move(check)), id, position);
    g->Setup();
    g->SetVariable(static_cast<int>(kind), index);
    AddGroup(g);
}

void CUIWindow::AddUIRadioButton(std::uint32_t id, float x, float y, float z, std::uint32_t kind, int index) {
    const float p[3] = {x, y, z};
    AddVariableGroup(id, p, kind, index, std::make_unique<RadioCheckValueFunctor>());
}

void CUIWindow::AddUINumberButton(std::uint32_t id, float x, float y, float z, std::uint32_t kind, int index) {
    const float p[3] = {x, y, z};
    AddVariableGroup(id, p, kind, index, std::make_unique<NumberCheckValueFunctor>());
}

void CUIWindow::AddUIEventGroupButton(std::uint32_t id, float x, float y, float z, int clickId, int checkId) {
    const float p[3] = {x, y, z};
    CUIEventGroupButtons* g = Place(std::make_unique<CUIEventGroupButtons>(), id, p);
    g->Setup();
    // The group's functions run without a window: window functions do nothing there.
    asIScriptContext* own = GetContext();
    g->SetEvent(own ? own->GetEngine()->CreateContext() : nullptr, clickId, checkId);
    AddGroup(g);
}

void CUIWindow::AddUIPopUpButton(std::uint32_t id, float x, float y, float z, const float rect[4],
                                 const float area[4], const int ids[4], const float offsets[4], int duration) {
    const float p[3] = {x, y, z};
    CUIPopUpButton* b = Place(std::make_unique<CUIPopUpButton>(), id, p);
    b->Setup(NewControlContext(), ids[0], ids[1], ids[2], ids[3], offsets[0], offsets[1], offsets[2], offsets[3],
             duration);
    b->SetRect(rect[0], rect[1], rect[2], rect[3]);
    b->SetPopUpRect(area[0], area[1], area[0] + area[2], area[1] + area[3]);
}

void CUIWindow::AddUISnapImageRender(std::uint32_t id, float x, float y, float z) {
    const float p[3] = {x, y, z};
    Place(std::make_unique<CUISaveDataSnapImage>(), id, p)->Setup();
}

void CUIWindow::AddUIThumnailRender(std::uint32_t id, std::uint32_t slot, float x, float y, float z) {
    const float p[3] = {x, y, z};
    Place(std::make_unique<CUISaveDataThumbnail>(), id, p)->Setup(static_cast<std::int32_t>(slot));
}

void CUIWindow::AddUISaveFileButton(std::uint32_t id, std::uint32_t slot, float x, float y, float z,
                                    const float rect[4], const int ids[5]) {
    auto b = std::make_unique<CUISaveFileButton>();
    b->SetRect(rect[0], rect[1], rect[2], rect[3]);
    const float p[3] = {x, y, z};
    Place(std::move(b), id, p)
        ->Setup(static_cast<std::int32_t>(slot), NewControlContext(), ids[0], ids[1], ids[2], ids[3], ids[4]);
}

void CUIWindow::AddUICheckBox(std::uint32_t id, float x, float y, float z, const float rect[4], const int ids[7]) {
    auto box = std::make_unique<CUICheckBox>();
    box->SetRect(rect[0], rect[1], rect[2], rect[3]);
    const float p[3] = {x, y, z};
    CUICheckBox* b = Place(std::move(box), id, p);
    b->Setup(NewControlContext());
    for (int i = 0; i < 5; ++i) b->SetStateId(i, ids[i]);
    b->SetFunction(0, ids[5]);
    b->SetFunction(1, ids[6]);
}
