// Push buttons, the log-voice button and the button groups.
#include "novel/ui/UIButtons.h"

#include "novel/novel/MessageLog.h"
#include "novel/novel/NovelSystem.h"
#include "novel/render/Renderer.h"
#include "novel/state/GameVariables.h"
#include "novel/vm/SliceClock.h"

using namespace NovelRender;

// ---- push button ----

CUIButton::CUIButton() {
    fsm_.Setup(this, {&CUIButton::OnEnter0, &CUIButton::OnEnter1, &CUIButton::OnEnter2, &CUIButton::OnEnter3,
                      &CUIButton::OnState0, &CUIButton::OnState1, &CUIButton::OnState2, &CUIButton::OnState3});
    fsm_.SetEvent(kNormal);
}

void CUIButton::Setup(asIScriptContext* context, std::int32_t over, std::int32_t normal, std::int32_t pressed,
                      std::int32_t disabled) {
    SetupSprite(context);
    ids_[kCursorOver] = over;
    ids_[kNormal] = normal;
    ids_[kPressed] = pressed;
    ids_[kDisabled] = disabled;
}

void CUIButton::Enter(int state) {
    signalled_ = false;
    fsm_.SetState(state);
    context_.Start(ids_[state]);
}

bool CUIButton::TakeClick() {
    if (!hover_ || !(input_ & 1)) return false;
    fsm_.SetEvent(kPressed);
    taken_ = true;
    return true;
}

void CUIButton::OnState0() {
    if (!IsActive())
        fsm_.SetEvent(kDisabled);
    else if (!TakeClick() && !hover_)
        fsm_.SetEvent(kNormal);
}

// A click in the frame the cursor arrives presses the button too: were it left untaken, the scene
// below would take it as its own (a click on the message window's bar would advance the text).
void CUIButton::OnState1() {
    if (!IsActive())
        fsm_.SetEvent(kDisabled);
    else if (!TakeClick() && hover_)
        fsm_.SetEvent(kCursorOver);
}

void CUIButton::OnState2() {
    if (signalled_) fsm_.SetEvent(hover_ ? kCursorOver : kNormal);
}

void CUIButton::OnState3() {
    if (IsActive()) fsm_.SetEvent(hover_ ? kCursorOver : kNormal);
}

// ---- log-voice button ----

bool CUILogVoiceButton::Update(float x, float y, std::uint32_t input) {
    SetEnable(CMessageLogManager::GetInstance()->RowHasVoice(static_cast<std::int32_t>(line_)));
    return CUIButton::Update(x, y, input);
}

void CUILogVoiceButton::OnEnter2() {
    CUIButton::OnEnter2();
    CNovelSystem::GetInstance()->PlayLogRowVoice(static_cast<std::int32_t>(line_));
}

// ---- groups ----

void CUIBaseGroupButtons::ReleaseResources() {
    sprite_.Release();
    children_.clear();
}

void CUIBaseGroupButtons::AddChild(int lit, int unlit, int value, float x, float y, float rx, float ry, float rw,
                                   float rh) {
    auto child = std::make_unique<CChildGroupButton>();
    child->SetPosition(x, y, 0);
    child->SetRect(rx, ry, rw, rh);
    child->litPattern = lit;
    child->unlitPattern = unlit;
    child->SetValue(value);
    children_.push_back(std::move(child));
}

template <class Click, class Lit>
bool CUIBaseGroupButtons::UpdateChildren(float x, float y, std::uint32_t input, Click onClick, Lit lit) {
    bool taken = false;
    if (input & 1) {
        const float gx = x - position_[0], gy = y - position_[1];
        for (const auto& child : children_) {
            if (!child->HitTest(gx, gy)) continue;
            onClick(child->GetValue());
            taken = true;
            break;
        }
    }
    for (const auto& child : children_) {
        const int pattern = lit(child->GetValue()) ? child->litPattern : child->unlitPattern;
        if (pattern == -1) {
            child->info.rendering = false;
        } else {
            child->info.SetPatNo(pattern);
            child->info.rendering = true;
        }
    }
    return taken;
}

void CUIBaseGroupButtons::Render(const float windowPosition[3], const ResourceList& sheets) {
    if (children_.empty() || !sprite_.IsCreated()) return;
    const std::int32_t sheet = children_.front()->info.sheet;
    if (sheet < 0 || static_cast<std::size_t>(sheet) >= sheets.size()) return;
    RenderSystem::CBaseRenderObject* object = sprite_.Object();
    CVSParamInfo* params = sprite_.Params();
    if (!object || !params) return;
    std::uint32_t k = 0;
    for (const auto& child : children_) {
        if (!child->info.rendering || child->info.pattern == -1) continue;
        const CPartsInfo3* part = FindSheetPart(sheets, sheet, child->info.pattern);
        // Four registers per child from c5; the set holds 256.
        if (!part || 8 + 4 * k >= 256) continue;
        const float rect[4] = {part->g0, part->g1, part->g2, part->g3};
        const float uv[4] = {part->tu0, part->tv0, part->tu1, part->tv1};
        const float* p = child->GetPosition();
        SetRegister(*params, 5 + 4 * k, rect);
        SetRegister(*params, 6 + 4 * k, uv);
        SetRegister(*params, 7 + 4 * k, 1, 1, 1, 1);
        SetRegister(*params, 8 + 4 * k, p[0], p[1], p[2], 0);
        ++k;
    }
    if (k == 0) return;
    object->GetModel()->SetData(0, 0, 4 * k, 0, 2 * k);
    object->Stage(0).SetTexture(sheets[sheet]->texture);
    object->position =
        D3DXVECTOR3(position_[0] + windowPosition[0] - 0.5f, position_[1] + windowPosition[1] - 0.5f,
                    position_[2] + windowPosition[2]);
    object->scale = D3DXVECTOR3(1, 1, 1);
    D3DXMatrixIdentity(&object->rotation);
    Queue(layer_, sprite_.Handle());
}

bool CUIGroupButtons::Update(float x, float y, std::uint32_t input) {
    const int current = GetVariableByKind(kind_, index_);
    return UpdateChildren(
        x, y, input, [this](int value) { SetVariableByKind(kind_, index_, value); },
        [this, current](int value) { return check_->Check(value, current); });
}

CUIEventGroupButtons::~CUIEventGroupButtons() { SetEvent(nullptr, -1, -1); }

void CUIEventGroupButtons::SetEvent(asIScriptContext* context, int clickId, int checkId) {
    if (context_ != context && context_) {
        if (context_->GetState() == asEXECUTION_SUSPENDED) context_->Abort();
        context_->Release();
    }
    context_ = context;
    clickId_ = clickId;
    checkId_ = checkId;
}

std::uint32_t CUIEventGroupButtons::Call(int id, int value) {
    if (!context_) return 0;
    if (context_->GetState() == asEXECUTION_SUSPENDED) context_->Abort();
    if (context_->Prepare(context_->GetEngine()->GetFunctionById(id)) < 0) return 0;
    context_->SetArgDWord(0, static_cast<asDWORD>(value));
    if (ExecuteWatched(context_, "button callback", CSliceClock::kSliceMs, true) != asEXECUTION_FINISHED) return 0;
    return context_->GetReturnDWord();
}

bool CUIEventGroupButtons::Update(float x, float y, std::uint32_t input) {
    return UpdateChildren(
        x, y, input, [this](int value) { Call(clickId_, value); },
        [this](int value) { return Call(checkId_, value) == 1; });
}
