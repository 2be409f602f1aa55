// The clickable controls of UI windows: the push button and its message-log voice variant, and the
// button groups whose children light by a game variable (radio buttons, number gauges) or by script
// functions that also say what a click does.
#pragma once
#include <memory>
#include <vector>

#include "novel/scenes/USFSM.h"
#include "novel/ui/UIControl.h"

// A push button: cursor over, normal, pressed (left only by a signal) or disabled.
class CUIButton : public CUIPointerControl {
public:
    enum State : int { kCursorOver = 0, kNormal = 1, kPressed = 2, kDisabled = 3 };

    CUIButton();
    void Signal(int) override { signalled_ = true; }
    // The four state ids: cursor over, normal, pressed, disabled.
    virtual void Setup(asIScriptContext* context, std::int32_t over, std::int32_t normal, std::int32_t pressed,
                       std::int32_t disabled);
    virtual void OnEnter0() { Enter(kCursorOver); }
    virtual void OnEnter1() { Enter(kNormal); }
    virtual void OnEnter2() { Enter(kPressed); }
    virtual void OnEnter3() { Enter(kDisabled); }
    virtual void OnState0();
    virtual void OnState1();
    virtual void OnState2();
    virtual void OnState3();

    int GetState() const { return fsm_.GetState(); }

protected:
    void Step(float, float) override { fsm_.Update(); }
    void Enter(int state);
    // A left click with the cursor over the button: the button goes to pressed and takes the click.
    bool TakeClick();

    CUSFSM<CUIButton, 4, 4> fsm_;
    std::int32_t ids_[4] = {-1, -1, -1, -1};
    bool signalled_ = false;
};

// A button that replays the voice of one message-log row; disabled while that row has no voice.
class CUILogVoiceButton : public CUIButton {
public:
    bool Update(float x, float y, std::uint32_t input) override;
    void OnEnter2() override;
    void SetLine(std::uint32_t line) { line_ = line; }

private:
    std::uint32_t line_ = 0;
};

class CUIBaseChildButton : public BaseUIControl {
public:
    virtual void SetValue(int value) = 0;
};

// One button of a group: drawn by the group, never updated on its own.
class CChildGroupButton : public CUIBaseChildButton {
public:
    bool Update(float, float, std::uint32_t) override { return false; }
    void Render(const float*, const ResourceList&) override {}
    void SetValue(int value) override { value_ = value; }
    int GetValue() const { return value_; }

    int unlitPattern = -1;
    int litPattern = -1;
    CUIRenderInfo info;

private:
    int value_ = 0;
};

// Children drawn in one call from the first child's sheet.
class CUIBaseGroupButtons : public BaseUIControl {
public:
    ~CUIBaseGroupButtons() override { ReleaseResources(); }
    void Render(const float windowPosition[3], const ResourceList& sheets) override;
    virtual void ReleaseResources();
    virtual void Setup() { sprite_.Create(1); }
    virtual void AddChild(int lit, int unlit, int value, float x, float y, float rx, float ry, float rw, float rh);

    const std::vector<std::unique_ptr<CChildGroupButton>>& Children() const { return children_; }

protected:
    // The group's update once the lit test is known: a click (input bit 0) on the first child hit
    // calls onClick with its value; then every child's look follows lit(value).
    template <class Click, class Lit>
    bool UpdateChildren(float x, float y, std::uint32_t input, Click onClick, Lit lit);

    CUISprite sprite_;
    std::vector<std::unique_ptr<CChildGroupButton>> children_;
};

class ICheckValueFunctor {
public:
    virtual ~ICheckValueFunctor() = default;
    virtual bool Check(int buttonValue, int currentValue) = 0;
};
// Lit when the button holds the current value.
class RadioCheckValueFunctor : public ICheckValueFunctor {
public:
    bool Check(int buttonValue, int currentValue) override { return buttonValue == currentValue; }
};
// Lit up to the current value (a gauge).
class NumberCheckValueFunctor : public ICheckValueFunctor {
public:
    bool Check(int buttonValue, int currentValue) override { return buttonValue <= currentValue; }
};

// A group bound to a game variable of any kind: a click writes the child's value into it.
class CUIGroupButtons : public CUIBaseGroupButtons {
public:
    explicit CUIGroupButtons(std::unique_ptr<ICheckValueFunctor> check) : check_(std::move(check)) {}
    bool Update(float x, float y, std::uint32_t input) override;
    virtual void SetVariable(int kind, int index) {
        kind_ = kind;
        index_ = index;
    }

private:
    std::unique_ptr<ICheckValueFunctor> check_;
    int kind_ = 0;
    int index_ = 0;
};

// A group whose click and lit test are script functions taking the child's value.
class CUIEventGroupButtons : public CUIBaseGroupButtons {
public:
    ~CUIEventGroupButtons() override;
    bool Update(float x, float y, std::uint32_t input) override;
    // Takes ownership of the context.
    virtual void SetEvent(asIScriptContext* context, int clickId, int checkId);

private:
    // Runs function id with the value as its argument; its 32-bit result (0 when it did not finish).
    std::uint32_t Call(int id, int value);

    asIScriptContext* context_ = nullptr;
    int clickId_ = -1;
    int checkId_ = -1;
};
