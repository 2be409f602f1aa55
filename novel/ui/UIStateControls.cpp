// Check box, pop-up button.
#include "novel/ui/UIStateControls.h"

#include "novel/vm/SliceClock.h"

// ---- check box ----

CUICheckBox::CUICheckBox() {
    fsm_.Setup(this, {&CUICheckBox::OnEnter0, &CUICheckBox::OnEnter1, &CUICheckBox::OnState0, &CUICheckBox::OnState1});
    fsm_.SetEvent(0);
}

CUICheckBox::~CUICheckBox() {
    if (functionContext_) {
        if (functionContext_->GetState() == asEXECUTION_SUSPENDED) functionContext_->Abort();
        functionContext_->Release();
    }
}

void CUICheckBox::Setup(asIScriptContext* context) {
    SetupSprite(context);
    if (context && !functionContext_) functionContext_ = context->GetEngine()->CreateContext();
}

std::uint32_t CUICheckBox::Run(std::int32_t id) {
    if (!functionContext_) return 0;
    if (functionContext_->GetState() == asEXECUTION_SUSPENDED) functionContext_->Abort();
    if (functionContext_->Prepare(functionContext_->GetEngine()->GetFunctionById(id)) < 0) return 0;
    if (ExecuteWatched(functionContext_, "control callback", CSliceClock::kSliceMs, true) != asEXECUTION_FINISHED)
        return 0;
    return functionContext_->GetReturnDWord();
}

void CUICheckBox::OnEnter1() {
    fsm_.SetState(1);
    context_.Start(ids_[4]);
    shown_ = -1;
}

void CUICheckBox::OnState0() {
    if (!IsActive()) {
        fsm_.SetEvent(1);
        return;
    }
    int look = hover_ ? 2 : 0;
    if (hover_ && (input_ & 1)) {
        Run(functions_[1]);
        taken_ = true;
    }
    if (Run(functions_[0]) != 0) look += 1;
    if (look != shown_) {
        context_.Start(ids_[look]);
        shown_ = look;
    }
}

void CUICheckBox::OnState1() {
    if (IsActive()) fsm_.SetEvent(0);
}

// ---- pop-up button ----

CUIPopUpButton::CUIPopUpButton() {
    fsm_.Setup(this, {&CUIPopUpButton::OnEnter0, &CUIPopUpButton::OnEnter1, &CUIPopUpButton::OnEnter2,
                      &CUIPopUpButton::OnEnter3, &CUIPopUpButton::OnState0, &CUIPopUpButton::OnState1,
                      &CUIPopUpButton::OnState2, &CUIPopUpButton::OnState3});
    fsm_.SetEvent(0);
}

void CUIPopUpButton::Setup(asIScriptContext* context, std::int32_t openId, std::int32_t closedId,
                           std::int32_t pressedId, std::int32_t, float openX, float openY, float closedX,
                           float closedY, int duration) {
    SetupSprite(context);
    openId_ = openId;
    closedId_ = closedId;
    pressedId_ = pressedId;
    open_[0] = openX;
    open_[1] = openY;
    closed_[0] = closedX;
    closed_[1] = closedY;
    duration_ = static_cast<float>(duration);
}

void CUIPopUpButton::SetPopUpRect(float left, float top, float right, float bottom) {
    area_[0] = left;
    area_[1] = top;
    area_[2] = right;
    area_[3] = bottom;
}

void CUIPopUpButton::Step(float x, float y) {
    inArea_ = area_[0] + position_[0] <= x && x <= area_[2] + position_[0] && area_[1] + position_[1] <= y &&
              y <= area_[3] + position_[1];
    fsm_.Update();
}

void CUIPopUpButton::OnEnter0() {
    fsm_.SetState(0);
    timer_ = 0;
    context_.Start(closedId_);
}

void CUIPopUpButton::OnEnter1() {
    fsm_.SetState(1);
    context_.Start(closedId_);
}

void CUIPopUpButton::OnEnter2() {
    fsm_.SetState(2);
    timer_ = duration_;
    context_.Start(openId_);
}

void CUIPopUpButton::OnEnter3() {
    fsm_.SetState(3);
    context_.Start(pressedId_);
}

void CUIPopUpButton::OnState0() {
    if (inArea_ && IsActive()) fsm_.SetEvent(1);
}

void CUIPopUpButton::OnState1() {
    if (inArea_ && IsActive()) {
        timer_ += 1;
        if (timer_ >= duration_) fsm_.SetEvent(2);
    } else {
        timer_ -= 1;
        if (timer_ <= 0) fsm_.SetEvent(0);
    }
}

void CUIPopUpButton::OnState2() {
    if (inArea_ && IsActive()) {
        if (hover_ && (input_ & 1)) {
            fsm_.SetEvent(3);
            taken_ = true;
        }
    } else {
        fsm_.SetEvent(1);
    }
}

void CUIPopUpButton::Render(const float windowPosition[3], const ResourceList& sheets) {
    // A duration below one frame counts as one, so the slide never divides by zero.
    const float t = timer_ / (duration_ < 1 ? 1 : duration_);
    const float slide[3] = {closed_[0] + (open_[0] - closed_[0]) * t, closed_[1] + (open_[1] - closed_[1]) * t, 0};
    sprite_.Draw(DrawPosition(windowPosition, slide), info_, sheets, layer_);
}
