// UI windows, their script interface and the window manager, driven by real window scripts: the
// button state machine, depth order and who takes a click, button groups bound to variables, check
// boxes, pop-up buttons, tab groups, control waits, the dialog stack and resident windows, the
// saved record, and scripts that fail or pass bad numbers.
#include <gtest/gtest.h>

#include <cfloat>
#include <string>

#include "support/ScratchDir.h"
#include "novel/novel/MessageLog.h"
#include "novel/novel/NovelSystem.h"
#include "novel/state/GameVariables.h"
#include "novel/state/SaveDataManager.h"
#include "support/ScenarioCode.h"
#include "novel/ui/UIButtons.h"
#include "novel/ui/UIScriptInterface.h"
#include "novel/ui/UIStateControls.h"
#include "novel/ui/UIWindowManager.h"

namespace {

constexpr std::int32_t Direct(int pattern) { return static_cast<std::int32_t>(0x80000000u | pattern); }

// ---- the button alone ----

TEST(UIButtonTest, StatesFollowCursorClicksSignalsAndEnabling) {
    CUIButton b;
    b.SetRect(0, 0, 10, 10);
    b.SetEnable(true);
    b.Setup(nullptr, Direct(0), Direct(1), Direct(2), Direct(3));
    struct Step {
        const char* what;
        float x;  // the cursor: 5 over the button, 10 on its right edge, 50 away
        std::uint32_t input = 0;
        bool enable = true, signal = false;
        int state;
        bool taken = false;
    };
    constexpr int kOver = CUIButton::kCursorOver, kNormal = CUIButton::kNormal, kPressed = CUIButton::kPressed,
                  kDisabled = CUIButton::kDisabled;
    // An event raised by a state handler takes effect at the next update.
    const Step steps[] = {
        {.what = "first update enters normal", .x = 50, .state = kNormal},
        {.what = "a click in the frame the cursor arrives is taken", .x = 5, .input = 1, .state = kNormal, .taken = true},
        {.what = "pressed", .x = 50, .input = 1, .state = kPressed},
        {.what = "pressed ignores the cursor, clicks and disabling",
         .x = 5,
         .input = 1,
         .enable = false,
         .state = kPressed},
        {.what = "a signal ...", .x = 50, .signal = true, .state = kPressed},
        {.what = "... leaves pressed for normal (the cursor was away)", .x = 5, .enable = false, .state = kNormal},
        {.what = "disabled", .x = 5, .input = 1, .enable = false, .state = kDisabled},
        {.what = "a disabled button ignores clicks", .x = 5, .input = 1, .enable = false, .state = kDisabled},
        {.what = "re-enabled ...", .x = 5, .state = kDisabled},
        {.what = "... under the cursor: cursor over", .x = 5, .state = kOver},
        {.what = "cursor over: a click on the right edge is taken", .x = 10, .input = 1, .state = kOver, .taken = true},
        {.what = "pressed again", .x = 5, .state = kPressed},
        {.what = "a signal with the cursor away ...", .x = 50, .signal = true, .state = kPressed},
        {.what = "... normal", .x = 50, .state = kNormal},
        {.what = "the cursor arrives without a click ...", .x = 5, .state = kNormal},
        {.what = "... cursor over", .x = 5, .state = kOver},
        {.what = "cursor leaves ...", .x = 50, .state = kOver},
        {.what = "... normal again", .x = 50, .state = kNormal},
    };
    for (const Step& s : steps) {
        b.SetEnable(s.enable);
        if (s.signal) b.Signal(0);
        const bool taken = b.Update(s.x, 5, s.input);
        EXPECT_EQ(b.GetState(), s.state) << s.what;
        EXPECT_EQ(taken, s.taken) << s.what;
        EXPECT_EQ(b.GetRenderInfo()->pattern, s.state) << s.what;  // each state shows its own pattern
    }
}

TEST(UIButtonTest, LogVoiceButtonWithoutAVoiceIsDisabled) {
    CMessageLogManager* log = CMessageLogManager::GetInstance();
    log->Clear();
    log->Add("A", "a", "no voice", "");
    log->Add("B", "b", "voiced", "v.ogg");  // newest: row 0
    CUILogVoiceButton row0, row1, row5;
    const std::pair<CUILogVoiceButton*, int> rows[] = {{&row0, 0}, {&row1, 1}, {&row5, 5}};
    for (auto [b, line] : rows) {
        b->SetRect(0, 0, 10, 10);
        b->SetEnable(true);
        b->Setup(nullptr, Direct(0), Direct(1), Direct(2), Direct(3));
        b->SetLine(static_cast<std::uint32_t>(line));
        b->Update(50, 50, 0);
        b->Update(50, 50, 0);
    }
    EXPECT_EQ(row0.GetState(), 1);
    EXPECT_EQ(row1.GetState(), 3);
    EXPECT_EQ(row5.GetState(), 3);
    log->Clear();
}

TEST(UIPopUpTest, TimerCountsBackFromWhereItStoodAndReverses) {
    CUIPopUpButton p;
    p.SetEnable(true);
    p.SetRect(0, 0, 10, 10);
    p.SetPopUpRect(0, 0, 100, 100);
    p.Setup(nullptr, Direct(0), Direct(1), Direct(2), -1, 0, 0, 50, 0, 4);
    struct Step {
        float x;
        std::uint32_t input;
        float timer;
        int state;
    };
    // In the area (x 50), out of it (x 500), on the button (x 5).
    // In the area (x 50), out of it (x 500), on the button (x 5); a state's event takes effect at
    // the next update.
    const Step steps[] = {{500, 0, 0, 0}, {50, 0, 0, 0}, {50, 0, 1, 1}, {50, 0, 2, 1}, {500, 0, 1, 1},
                          {50, 0, 2, 1},  {50, 0, 3, 1}, {50, 0, 4, 1}, {50, 1, 4, 2}, {5, 1, 4, 2},
                          {500, 0, 4, 3}};
    int i = 0;
    for (const Step& s : steps) {
        p.Update(s.x, 5, s.input);
        EXPECT_EQ(p.GetTimer(), s.timer) << "step " << i;
        EXPECT_EQ(p.GetState(), s.state) << "step " << i;
        ++i;
    }
    // A signal returns it to open.
    p.Signal(0);
    p.Update(50, 5, 0);
    EXPECT_EQ(p.GetState(), 2);
}

// ---- windows driven by scripts ----

class UIWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.OpenLog();
        testsupport::ResetGameState();
        manager_.Initialize();
    }
    // Writes AS/<name>.as and returns its game path.
    std::string Script(const std::string& name, const std::string& source) {
        dir_.Write("AS/" + name + ".as", source);
        return "AS\\" + name + ".as";
    }
    CUIWindow* Open(const std::string& source) {
        window_ = manager_.OpenWindow(1, Script("W", source).c_str(), 0, 0, 0, 0);
        return window_.get();
    }
    template <class T>
    T* Control(std::uint32_t id) {
        return dynamic_cast<T*>(window_->FindControl(id));
    }
    int Global(const char* name) {
        asIScriptModule* m = window_->GetModule();
        return *static_cast<int*>(m->GetAddressOfGlobalVar(m->GetGlobalVarIndexByName(name)));
    }

    // A manager made here takes the "WindowManager" save registration over and drops it when it
    // goes; the game's manager gets it back afterwards.
    struct GameManagerRegistration {
        ~GameManagerRegistration() { CNovelSystem::GetInstance()->GetWindowManager().Register("WindowManager", 0); }
    };

    ScratchDir dir_;
    GameManagerRegistration registration_;
    CUIWindowManager manager_;
    std::unique_ptr<CUIWindow> window_;
};

TEST_F(UIWindowTest, EveryFunctionOfTheInterfaceRegisters) {
    asIScriptEngine* engine = CreateScriptEngine();
    EXPECT_EQ(RegisterUIWindowInterface(engine, &manager_), kUIWindowFunctionCount);
    // The common functions and the coroutine class came with it.
    EXPECT_NE(engine->GetGlobalFunctionByDecl("void Suspend()"), nullptr);
    EXPECT_NE(engine->GetTypeInfoByName("UICoroutine"), nullptr);
    engine->ShutDownAndRelease();
    EXPECT_EQ(dir_.Log().find("Failed"), std::string::npos) << dir_.Log();
}

TEST_F(UIWindowTest, ControlsSortByDepthAndTheFirstTakesTheClick) {
    ASSERT_NE(Open(R"as(
void Initialize() {
    AddUIButton(1, 0, 0, 1, 0, 0, 10, 10, DirectPatNo(0), DirectPatNo(1), DirectPatNo(2), -1);
    AddUIButton(2, 0, 0, 0, 0, 0, 10, 10, DirectPatNo(0), DirectPatNo(1), DirectPatNo(2), -1);
    AddUIButton(3, 0, 0, 1, 0, 0, 10, 10, DirectPatNo(0), DirectPatNo(1), DirectPatNo(2), -1);
}
)as"),
              nullptr);
    std::vector<std::uint32_t> order;
    for (const std::unique_ptr<IUIControl>& c : window_->GetControls()) order.push_back(c->GetID());
    EXPECT_EQ(order, (std::vector<std::uint32_t>{2, 1, 3}));
    // The click of the cursor's arrival frame goes to the first button; the others see none.
    EXPECT_TRUE(window_->Update(5, 5, 1));
    EXPECT_EQ(Control<CUIButton>(2)->GetState(), 1);  // pressed on the next update
    window_->Update(5, 5, 0);
    EXPECT_EQ(Control<CUIButton>(2)->GetState(), 2);
    EXPECT_EQ(Control<CUIButton>(1)->GetState(), 0);
    EXPECT_EQ(Control<CUIButton>(3)->GetState(), 0);
    // The window position moves the cursor into window coordinates.
    window_->SetPosition(100, 100, 0);
    window_->Update(5, 5, 0);
    window_->Update(5, 5, 0);
    EXPECT_EQ(Control<CUIButton>(1)->GetState(), 1);
}

TEST_F(UIWindowTest, RadioGroupWritesTheEarliestChildHitAndLightsNextFrame) {
    CGameParameterManager::GetInstance()->SetParam(3, 2);
    ASSERT_NE(Open(R"as(
void Initialize() {
    BeginSubButtons();
    AddSubButtonInfo(10, 20, 1, 0, 0, 0, 0, 20, 20);
    AddSubButtonInfo(11, 21, 2, 10, 0, 0, 0, 20, 20);
    AddSubButtonInfo(12, -1, 3, 40, 0, 0, 0, 20, 20);
    AddUIRadioButton(7, 100, 0, 0, 2, 3);
    AddUIRadioButton(8, 100, 100, 0, 2, 3);
}
)as"),
              nullptr);
    auto patterns = [&](std::uint32_t id) {
        std::vector<int> p;
        for (const auto& child : Control<CUIGroupButtons>(id)->Children())
            p.push_back(child->info.rendering ? child->info.pattern : -1);
        return p;
    };
    EXPECT_EQ(patterns(7), (std::vector<int>{20, 11, -1}));  // lit at creation
    EXPECT_EQ(patterns(8), patterns(7));                     // the same records again
    // (115, 5) hits the first two children: the earliest added takes it.
    EXPECT_TRUE(window_->Update(115, 5, 1));
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(3), 1);
    EXPECT_EQ(patterns(7), (std::vector<int>{20, 11, -1}));
    window_->Update(115, 5, 0);
    EXPECT_EQ(patterns(7), (std::vector<int>{10, 21, -1}));
}

TEST_F(UIWindowTest, NumberGroupLightsEveryChildUpToTheValue) {
    CGameParameterManager::GetInstance()->SetParam(1, 3);
    ASSERT_NE(Open(R"as(
void Initialize() {
    BeginSubButtons();
    for (int i = 1; i <= 5; i++) AddSubButtonInfo(1, 0, i, 10 * i, 0, 0, 0, 8, 8);
    AddUINumberButton(1, 0, 0, 0, 2, 1);
}
)as"),
              nullptr);
    std::vector<int> lit;
    for (const auto& child : Control<CUIGroupButtons>(1)->Children()) lit.push_back(child->info.pattern);
    EXPECT_EQ(lit, (std::vector<int>{1, 1, 1, 0, 0}));
}

TEST_F(UIWindowTest, CheckBoxAsksItsFunctionEveryFrame) {
    ASSERT_NE(Open(R"as(
int checked = 0;
int asked = 0;
int clicks = 0;
int IsChecked() { asked++; return checked; }
int Click() { clicks++; checked = 1 - checked; return 0; }
void Initialize() {
    AddUICheckBox(1, 0, 0, 0, 0, 0, 10, 10, DirectPatNo(0), DirectPatNo(1), DirectPatNo(2), DirectPatNo(3),
                  DirectPatNo(4), GetFunctionID("int IsChecked()"), GetFunctionID("int Click()"));
}
)as"),
              nullptr);
    auto look = [&] { return Control<CUICheckBox>(1)->GetRenderInfo()->pattern; };
    window_->Update(50, 50, 0);
    EXPECT_EQ(look(), 0);
    *static_cast<int*>(window_->GetModule()->GetAddressOfGlobalVar(0)) = 1;  // changed elsewhere
    window_->Update(50, 50, 0);
    EXPECT_EQ(look(), 1);
    EXPECT_TRUE(window_->Update(5, 5, 1));  // click: unchecks, then the check shows it at once
    EXPECT_EQ(look(), 2);
    EXPECT_EQ(Global("clicks"), 1);
    EXPECT_EQ(Global("asked"), 3);
    window_->EnableControl(1, false);
    window_->Update(5, 5, 0);
    window_->Update(5, 5, 0);
    EXPECT_EQ(look(), 4);
    window_->EnableControl(1, true);
    window_->Update(5, 5, 0);
    window_->Update(5, 5, 0);
    EXPECT_EQ(look(), 2);
}

TEST_F(UIWindowTest, TabGroupsHideAndFreezeTheirControls) {
    ASSERT_NE(Open(R"as(
void Initialize() {
    AddUIButton(1, 0, 0, 0, 0, 0, 10, 10, DirectPatNo(0), DirectPatNo(1), DirectPatNo(2), -1);
    AddUIButton(2, 0, 0, 0, 0, 0, 10, 10, DirectPatNo(0), DirectPatNo(1), DirectPatNo(2), -1);
    AddTabControl();
    AddControlToTabControl(0, 1, 5);
    AddControlToTabControl(0, 2, 0);
    AddControlToTabControl(0, 2, 1);  // the later group counts
    SetActiveGroupTabControl(0, 1);
    AddControlToTabControl(3, 1, 1);  // no such tab: nothing
}
)as"),
              nullptr);
    window_->Update(5, 5, 0);
    window_->Update(5, 5, 0);
    EXPECT_EQ(Control<CUIButton>(1)->GetState(), -1);  // never updated
    EXPECT_EQ(Control<CUIButton>(2)->GetState(), 0);
    EXPECT_FALSE(window_->IsShownByTabs(1));
    EXPECT_TRUE(window_->IsShownByTabs(2));
    EXPECT_TRUE(window_->IsShownByTabs(99));
    window_->SetActiveGroupTabControl(0, 5);
    EXPECT_TRUE(window_->IsShownByTabs(1));
    EXPECT_FALSE(window_->IsShownByTabs(2));
}

TEST_F(UIWindowTest, WaitCtrlResumesTheControlScriptLater) {
    ASSERT_NE(Open(R"as(
int runs = 0;
void Look() { for (;;) { runs++; WaitCtrl(3); } }
void Initialize() {
    AddUIImage(1, 0, 0, 0, GetFunctionID("void Look()"));
}
)as"),
              nullptr);
    std::vector<int> seen;
    for (int i = 0; i < 8; ++i) {
        window_->Update(0, 0, 0);
        seen.push_back(Global("runs"));
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 1, 1, 2, 2, 2, 3, 3}));
}

TEST_F(UIWindowTest, TheCurrentControlIsChosenOnlyByTheWindowsOwnScript) {
    ASSERT_NE(Open(R"as(
int v = 0;
void Look() { SetActiveControl(1); SetControlValueInt(0, 7); }
void Initialize() {
    AddUIImage(1, 0, 0, 0, -1);
    AddUIImage(2, 0, 0, 0, GetFunctionID("void Look()"));
}
void Update() {
    SetActiveControl(1);
    v = GetControlValueInt(0);
    Suspend();
    SetOffset(1, 1, 1);  // no current control after the last frame's walk: nothing
    for (;;) Suspend();
}
)as"),
              nullptr);
    window_->Update(0, 0, 0);
    window_->Update(0, 0, 0);
    EXPECT_EQ(window_->FindControl(2)->GetIntParam(0), 7);  // the control script addressed itself
    EXPECT_EQ(window_->FindControl(1)->GetIntParam(0), 0);
    EXPECT_EQ(window_->FindControl(1)->GetRenderInfo()->offset[0], 0);
    EXPECT_EQ(window_->FindControl(2)->GetRenderInfo()->offset[0], 0);
}

TEST_F(UIWindowTest, BadNumbersAndMissingWindowsDoNothing) {
    ASSERT_NE(Open(R"as(
int direct = 0;
float roll = 0;
int fromGroup = 0;
int Click(int v) { SetControlValueInt(0, 5); fromGroup = GetFunctionID("int Click(int)"); return 0; }
int Lit(int v) { return 0; }
void Initialize() {
    direct = DirectPatNo(5);
    AddUIImage(1, 0, 0, 0, -1);
    SetControlValueInt(8, 1);
    SetControlValueInt(0xFFFFFFFF, 1);
    SetControlValueFloat(100, 1);
    SetPatNo(7, 3);
    EnableControl(99, false);
    SetActiveControl(99);
    AddControlToTabControl(0, 1, 1);
    SetActiveGroupTabControl(4, 1);
    LoadResource("none.png", "none.parts");
    SetRoll(90, 0, 0);
    BeginSubButtons();
    AddSubButtonInfo(0, 0, 1, 0, 0, 0, 0, 10, 10);
    AddUIEventGroupButton(2, 0, 0, 0, GetFunctionID("int Click(int)"), GetFunctionID("int Lit(int)"));
}
)as"),
              nullptr);
    EXPECT_EQ(static_cast<std::uint32_t>(Global("direct")), 0x80000005u);
    EXPECT_TRUE(window_->GetResources().empty());
    EXPECT_FALSE(window_->IsEnableControl(99));
    EXPECT_TRUE(window_->IsEnableControl(1));
    // The rotation of 90 degrees about the first axis (yaw), in 32-bit floats.
    D3DXMATRIX expected;
    D3DXMatrixRotationYawPitchRoll(&expected, 1.5707964f, 0, 0);
    EXPECT_EQ(window_->FindControl(1)->GetRenderInfo()->rotation, expected);
    EXPECT_EQ(window_->FindControl(1)->GetRenderInfo()->sheet, 7);  // drawn as nothing
    // The event group's functions run without a window: the window functions do nothing there.
    window_->Update(5, 5, 1);
    EXPECT_EQ(Global("fromGroup"), -1);
    EXPECT_EQ(window_->FindControl(2)->GetIntParam(0), 0);
}

TEST_F(UIWindowTest, SaveViewTopIsClampedToThePages) {
    CSaveDataManager::GetInstance()->Setup(20, 6);
    ASSERT_NE(Open(R"as(
int a = 0;
int b = 0;
void Initialize() {
    SetSaveViewTop(18); a = GetSaveViewTop();
    SetSaveViewTop(0xFFFFFFFF); b = GetSaveViewTop();
}
)as"),
              nullptr);
    EXPECT_EQ(Global("a"), 14);
    EXPECT_EQ(Global("b"), 0);
    CSaveDataManager::GetInstance()->Setup(0, 0);
}

TEST_F(UIWindowTest, ScriptThatFailsToCompileOpensNoWindow) {
    EXPECT_EQ(Open("void Initialize() { NoSuchFunction(); }\n"), nullptr);
    EXPECT_NE(dir_.Log().find("NoSuchFunction"), std::string::npos) << dir_.Log();
    EXPECT_FALSE(manager_.OpenResidentWindow(3, Script("Bad", "void Update( {").c_str(), 0, 0, 0, 0));
    EXPECT_FALSE(manager_.PushWindow(0, "AS\\Missing.as", 0, 0, 0, 1));
    EXPECT_EQ(manager_.ResidentCount(), 0u);
    EXPECT_EQ(manager_.DialogCount(), 0u);
}

// ---- the manager ----

// A window script that counts its updates and the clicks its one button takes, closes itself when
// the global "close" is set and logs its clean-up.
std::string Counting(const std::string& extra = "") {
    return R"as(
int updates = 0;
int close = 0;
void Initialize() {
    AddUIButton(1, 0, 0, 0, 0, 0, 100, 100, DirectPatNo(0), DirectPatNo(1), DirectPatNo(2), -1);
}
void Update() {
    for (;;) { updates++; if (close == 1) CloseUIWindow(); )as" +
           extra + R"as( Suspend(); }
}
)as";
}

class UIWindowManagerTest : public UIWindowTest {
protected:
    static int Get(CUIWindow* w, const char* name) {
        asIScriptModule* m = w->GetModule();
        return *static_cast<int*>(m->GetAddressOfGlobalVar(m->GetGlobalVarIndexByName(name)));
    }
    static void Set(CUIWindow* w, const char* name, int v) {
        asIScriptModule* m = w->GetModule();
        *static_cast<int*>(m->GetAddressOfGlobalVar(m->GetGlobalVarIndexByName(name))) = v;
    }
    bool Frame(float x, float y, std::uint32_t input = 0) { return manager_.HandleInput(x, y, &input); }
};

TEST_F(UIWindowManagerTest, LowerIdTakesTheClickAndLaterWindowsSeeNoButton) {
    ASSERT_TRUE(manager_.OpenResidentWindow(5, Script("R5", Counting()).c_str(), 0, 0, 0, 0));
    ASSERT_TRUE(manager_.OpenResidentWindow(2, Script("R2", Counting()).c_str(), 0, 0, 0, 0));
    Frame(5, 5);
    std::uint32_t input = 1;
    EXPECT_TRUE(manager_.HandleInput(5, 5, &input));
    EXPECT_EQ(input, 0u);
    Frame(5, 5);
    EXPECT_EQ(dynamic_cast<CUIButton*>(manager_.FindWindow(2)->FindControl(1))->GetState(), 2);
    EXPECT_EQ(dynamic_cast<CUIButton*>(manager_.FindWindow(5)->FindControl(1))->GetState(), 0);
}

TEST_F(UIWindowManagerTest, OnlyTheTopDialogGetsInputAndClosingResidentsWaitForTheStackToEmpty) {
    ASSERT_TRUE(manager_.OpenResidentWindow(0, Script("Bar", Counting()).c_str(), 0, 0, 0, 0));
    const std::string child = Script("Child", Counting());
    ASSERT_TRUE(manager_.PushWindow(0, Script("Dialog", Counting("if (updates == 2) OpenChildDialog(\"" +
                                                                  std::string("AS\\\\Child.as") + "\");"))
                                           .c_str(),
                                    0, 0, 0, 1));
    CUIWindow* bar = manager_.FindWindow(0);
    CUIWindow* dialog = manager_.TopDialog();
    std::uint32_t input = 1;
    Frame(5, 5);
    manager_.HandleInput(5, 5, &input);  // the dialog opens its child on its second update
    EXPECT_EQ(input, 1u);                // the caller's byte is left alone
    ASSERT_EQ(manager_.DialogCount(), 2u);
    CUIWindow* top = manager_.TopDialog();
    EXPECT_NE(top, dialog);
    Frame(5, 5);
    EXPECT_EQ(Get(dialog, "updates"), 2);  // below the top: frozen
    EXPECT_EQ(Get(top, "updates"), 1);
    EXPECT_EQ(Get(bar, "updates"), 3);     // residents run, without cursor or buttons
    EXPECT_EQ(dynamic_cast<CUIButton*>(bar->FindControl(1))->GetState(), 1);
    Set(bar, "close", 1);
    Frame(5, 5);
    EXPECT_EQ(manager_.FindWindow(0), bar);  // stays while dialogs are open
    Set(top, "close", 1);
    Frame(5, 5);
    EXPECT_EQ(manager_.TopDialog(), dialog);  // deleted in the same update
    Set(dialog, "close", 1);
    Frame(5, 5);
    EXPECT_EQ(manager_.DialogCount(), 0u);
    EXPECT_EQ(manager_.FindWindow(0), bar);
    Frame(5, 5);  // the stack is empty now: the resident window goes
    EXPECT_EQ(manager_.FindWindow(0), nullptr);
}

TEST_F(UIWindowManagerTest, CloseAllRunsEveryCleanUpBottomFirst) {
    const std::string cleanUp = R"as(
int close = 0;
void Update() { for (;;) { if (close == 1) CloseAllUIDialog(); Suspend(); } }
void CleanUp() { Log("clean-up " + name + "\n"); }
)as";
    ASSERT_TRUE(manager_.PushWindow(0, Script("A", "string name = \"A\";" + cleanUp).c_str(), 0, 0, 0, 1));
    ASSERT_TRUE(manager_.PushWindow(0, Script("B", "string name = \"B\";" + cleanUp).c_str(), 0, 0, 0, 1));
    ASSERT_TRUE(manager_.PushWindow(0, Script("C", "string name = \"C\";" + cleanUp).c_str(), 0, 0, 0, 1));
    // A request made while no dialog runs it is forgotten at the next update with a dialog.
    Frame(0, 0);
    Set(manager_.TopDialog(), "close", 1);
    Frame(0, 0);
    EXPECT_EQ(manager_.DialogCount(), 0u);
    const std::string log = dir_.Log();
    const size_t a = log.find("clean-up A"), b = log.find("clean-up B"), c = log.find("clean-up C");
    ASSERT_NE(c, std::string::npos) << log;
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
}

TEST_F(UIWindowManagerTest, ResidentWindowIsReplacedById) {
    const std::string path = Script("R", Counting() + "void CleanUp() { Log(\"cleaned\\n\"); }\n");
    ASSERT_TRUE(manager_.OpenResidentWindow(4, path.c_str(), 1, 2, 3, 2));
    CUIWindow* first = manager_.FindWindow(4);
    Frame(0, 0);
    ASSERT_TRUE(manager_.OpenResidentWindow(4, path.c_str(), 7, 8, 9, 2));
    CUIWindow* second = manager_.FindWindow(4);
    EXPECT_EQ(manager_.ResidentCount(), 1u);
    EXPECT_EQ(second->GetPosition()[0], 7);
    EXPECT_EQ(Get(second, "updates"), 0);
    EXPECT_EQ(dir_.Log().find("cleaned"), std::string::npos);  // no clean-up on replacing
    (void)first;
    manager_.CloseWindow(4);
    manager_.CloseWindow(4);  // none left: nothing
    EXPECT_EQ(manager_.ResidentCount(), 0u);
}

TEST_F(UIWindowManagerTest, SavedRecordRestoresResidentWindows) {
    USLib::binary_ostream<256> empty;
    manager_.Save(empty);
    EXPECT_EQ(empty.GetSize(), 4u);

    ASSERT_TRUE(manager_.OpenResidentWindow(9, Script("R", Counting()).c_str(), 10, 20, 30, 3));
    ASSERT_TRUE(manager_.OpenResidentWindow(1, "AS\\R.as", 1, 2, 3, 0));
    manager_.FindWindow(9)->SetDrawn(false);
    ASSERT_TRUE(manager_.PushWindow(0, "AS\\R.as", 0, 0, 0, 1));  // dialogs are not saved
    USLib::binary_ostream<256> out;
    manager_.Save(out);
    const std::uint32_t record = 4 + 8 + 1 + 12 + 4;  // id, "AS\R.as" and 0, drawn, position, layer
    EXPECT_EQ(out.GetSize(), 4 + 2 * record);

    CUIWindowManager loaded;
    loaded.Initialize();
    USLib::binary_istream in;
    in.Attach(out.GetData(), out.GetSize());
    loaded.Load(in, 0);
    ASSERT_EQ(loaded.ResidentCount(), 2u);
    EXPECT_EQ(loaded.DialogCount(), 0u);
    CUIWindow* w = loaded.FindWindow(9);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->IsDrawn());
    EXPECT_TRUE(loaded.FindWindow(1)->IsDrawn());
    EXPECT_EQ(w->GetPosition()[1], 20);
    EXPECT_EQ(w->GetLayerKey(), 7u);
    EXPECT_NE(w->FindControl(1), nullptr);  // its "Initialize" ran again

    // A record cut short fails with a stream error; the manager stays usable.
    USLib::binary_istream cut;
    cut.Attach(out.GetData(), out.GetSize() - 3);
    EXPECT_ANY_THROW(loaded.Load(cut, 0));
    EXPECT_TRUE(loaded.OpenResidentWindow(2, "AS\\R.as", 0, 0, 0, 0));
}

}  // namespace
