// The check box (its checked state asked of a script function every frame), the pop-up button
// (slides open while the cursor is over its area, can be pressed while open) and the tab control
// (not drawn: assigns controls of a window to groups of which one is shown).
#pragma once
#include <unordered_map>

#include "novel/scenes/USFSM.h"
#include "novel/ui/UIControl.h"

// States: 0 enabled, 1 disabled. Looks: 0 unchecked, 1 checked, 2 unchecked under the cursor,
// 3 checked under the cursor, 4 disabled.
class CUICheckBox : public CUIPointerControl {
public:
    CUICheckBox();
    ~CUICheckBox() override;
    // The look driver gets the context; the check and click functions run in a new context of its
    // engine, which carries no window.
    virtual void Setup(asIScriptContext* context);
    virtual void SetStateId(int i, std::int32_t id) {
        if (i >= 0 && i < 5) ids_[i] = id;
    }
    // 0 the check function, 1 the click function.
    virtual void SetFunction(int i, std::int32_t id) {
        if (i >= 0 && i < 2) functions_[i] = id;
    }
    virtual void OnEnter0() { fsm_.SetState(0); }
    virtual void OnEnter1();
    virtual void OnState0();
    virtual void OnState1();

private:
    void Step(float, float) override { fsm_.Update(); }
    // Runs a function to its end or first suspension; its 32-bit result when it finished, else 0.
    std::uint32_t Run(std::int32_t id);

    CUSFSM<CUICheckBox, 2, 2> fsm_;
    std::int32_t ids_[5] = {-1, -1, -1, -1, -1};
    std::int32_t functions_[2] = {-1, -1};
    asIScriptContext* functionContext_ = nullptr;
    int shown_ = -1;
};

// States: 0 closed, 1 moving, 2 open, 3 pressed (left by a signal).
class CUIPopUpButton : public CUIPointerControl {
public:
    CUIPopUpButton();
    void Render(const float windowPosition[3], const ResourceList& sheets) override;
    void Signal(int) override { fsm_.SetEvent(2); }
    virtual void Setup(asIScriptContext* context, std::int32_t openId, std::int32_t closedId, std::int32_t pressedId,
                       std::int32_t noEffectId, float openX, float openY, float closedX, float closedY, int duration);
    // The area in which the button opens: left, top, right, bottom relative to the position.
    void SetPopUpRect(float left, float top, float right, float bottom);
    virtual void OnEnter0();
    virtual void OnEnter1();
    virtual void OnEnter2();
    virtual void OnEnter3();
    virtual void OnState0();
    virtual void OnState1();
    virtual void OnState2();
    virtual void OnState3() {}

    float GetTimer() const { return timer_; }
    int GetState() const { return fsm_.GetState(); }

private:
    // Notes whether the cursor is in the opening area, then steps the machine.
    void Step(float x, float y) override;

    CUSFSM<CUIPopUpButton, 4, 4> fsm_;
    float duration_ = 1;
    float timer_ = 0;
    std::int32_t openId_ = -1, closedId_ = -1, pressedId_ = -1;
    float open_[2] = {0, 0};
    float closed_[2] = {0, 0};
    bool inArea_ = false;
    float area_[4] = {0, 0, 0, 0};
};

class CUITabControl {
public:
    CUITabControl() : groups_(11) { groups_.max_load_factor(1.0f); }
    virtual ~CUITabControl() = default;
    virtual void Clear() { groups_.clear(); }

    void SetGroup(std::uint32_t controlId, std::uint32_t group) { groups_[controlId] = group; }
    void SetActiveGroup(std::uint32_t group) { active_ = group; }
    std::uint32_t GetActiveGroup() const { return active_; }
    // The group of a control, or null when this tab control does not hold it.
    const std::uint32_t* FindGroup(std::uint32_t controlId) const {
        auto it = groups_.find(controlId);
        return it == groups_.end() ? nullptr : &it->second;
    }
    bool Empty() const { return groups_.empty(); }

private:
    std::unordered_map<std::uint32_t, std::uint32_t> groups_;
    std::uint32_t active_ = 0;
};
