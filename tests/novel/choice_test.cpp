// Choices: the choice script interface's registrations, time-outs, the items' idle / hover / chosen
// steps and the entry functions they start, ties between items, items without hit testing, the saved
// record, bad scripts, the drawing of items, and the scenario opcodes and the novel scene that run a
// choice to the chosen route.
#include <gtest/gtest.h>

#include <win32/winmm.h>

#include <cfloat>
#include <string>
#include <vector>

#include "support/ScratchDir.h"
#include "novel/choices/AlternativeManager.h"
#include "novel/novel/NovelSystem.h"
#include "novel/scenes/SceneNovel.h"
#include "novel/state/GameVariables.h"
#include "support/LogMarks.h"
#include "support/NovelScene.h"
#include "support/RenderDevice.h"
#include "support/ScenarioCode.h"

namespace {

using Strings = std::vector<std::string>;

// Each entry logs its name and the item's first create parameter; Appear shows part 0 and switches
// hit testing on, On shows part 1, Selected waits two steps and ends the selected phase.
const char* kScript =
    "void Appear() { Log('[#appear' + GetCreateParam(0) + ']'); SetPatNo(0); SetEnableEvent(true); }\n"
    "void On() { Log('[#on' + GetCreateParam(0) + ']'); SetPatNo(1); }\n"
    "void Off() { Log('[#off' + GetCreateParam(0) + ']'); SetPatNo(0); }\n"
    "void Selected() { Log('[#selected' + GetCreateParam(0) + ']'); WaitAlt(2); FinishSelectedDirection(); }\n";

constexpr float kOff = 1600;  // a point outside every item

class Choices : public ::testing::Test {
protected:
    void SetUp() override {
        dir.OpenLog();
        testsupport::ResetGameState();
        ASSERT_TRUE(manager.Initialize(&renderers));
    }
    void Script(const std::string& name, const std::string& source) {
        dir.Write("AS/" + name + ".as", source);
        manager.LoadScript(("AS\\" + name + ".as").c_str());
    }
    // Starts a choice on the standard script.
    void Begin() {
        manager.Reset();
        Script("Choice", kScript);
    }
    // An item 100 x 40 at (x, y) whose create parameter 0 is tag.
    void Add(uint32_t value, uint32_t tag, float x = 100, float y = 100) {
        manager.SetCreateParam(0, tag);
        manager.AddChoice(x, y, 0, 0, value, 0, 0, 100, 40);
    }
    // One frame of the novel scene: the manager's step, then the items' scripts.
    bool Step(float x, float y, uint32_t buttons) {
        const bool ended = manager.Update(x, y, buttons);
        manager.Draw();
        return ended;
    }
    Strings Marks() const { return testsupport::LogMarks(dir.Log()); }

    ScratchDir dir;
    CRendererManager renderers;
    CAlternativeManager manager;
};

TEST_F(Choices, EveryRegistrationSucceeds) {
    const char* const declarations[] = {"void SetOffset(float,float,float)",
                                        "void SetScale(float,float,float)",
                                        "void SetRoll(float,float,float)",
                                        "void SetColor(float,float,float,float)",
                                        "void SetPatNo(int32)",
                                        "void WaitAlt(int)",
                                        "void SetEnableEvent(bool)",
                                        "void FinishSelectedDirection()",
                                        "int GetCreateParam(uint32)",
                                        "IRenderer &GetRenderer(uint32)"};
    asIScriptEngine* common = CreateScriptEngine();
    ASSERT_TRUE(RegisterCommonScriptInterface(common));
    const asUINT commonCount = common->GetGlobalFunctionCount();
    common->ShutDownAndRelease();
    asIScriptEngine* engine = manager.GetEngine();
    EXPECT_EQ(engine->GetGlobalFunctionCount() - commonCount, std::size(declarations));
    EXPECT_EQ(ChoiceFunctionCount(), std::size(declarations));
    for (const char* d : declarations) EXPECT_NE(engine->GetGlobalFunctionByDecl(d), nullptr) << d;
    EXPECT_NE(engine->GetTypeInfoByName("IRenderer"), nullptr);
    EXPECT_EQ(dir.Log().find("Failed to register"), std::string::npos) << dir.Log();
}

TEST_F(Choices, TimeOutGivesTheDefaultWhenItRunsOut) {
    struct Case {
        int32_t timeOut;
        bool withItem;
        int endsAtStep;  // 0: never within 300 steps
    };
    for (const Case c : {Case{1, true, 1}, Case{0, true, 0}, Case{-1, true, 0}, Case{3, false, 3}, Case{-1, false, 0},
                         Case{0, false, 0}}) {
        Begin();
        if (c.withItem) Add(40, 1);
        manager.SetTimeOut(c.timeOut);
        manager.SetDefaultValue(77);
        int ended = 0;
        for (int step = 1; step <= 300 && !ended; ++step)
            if (Step(step == 1 ? kOff : 0, 0, 0)) ended = step;
        EXPECT_EQ(ended, c.endsAtStep) << c.timeOut << " " << c.withItem;
        if (!c.endsAtStep) continue;
        EXPECT_EQ(manager.GetSelectedValue(), 77u);
        // The scene's next steps end at once: nobody waits for a Selected script.
        EXPECT_TRUE(Step(0, 0, 0));
        EXPECT_TRUE(Step(FLT_MIN, FLT_MIN, 0));
        EXPECT_EQ(manager.GetState(), CAlternativeManager::kTimedOut);
    }
}

TEST_F(Choices, EntryFunctionsStartAtTheirSteps) {
    Begin();
    Add(40, 1);
    struct Row {
        float x, y;
        uint32_t buttons;
        bool ends;
        Strings marks;  // new marks of the step
        int32_t pattern;
    };
    const Row rows[] = {
        {kOff, kOff, 0, false, {"appear1"}, 0},  // the start: Appear
        {150, 120, 0, false, {}, 0},             // hovering: On comes next step
        {150, 120, 0, false, {"on1"}, 1},
        {10, 10, 0, false, {}, 1},  // leaving: Off next step
        {10, 10, 0, false, {"off1"}, 0},
        {120, 110, 0, false, {}, 0},  // entering again: On again
        {120, 110, 0, false, {"on1"}, 1},
        {201, 141, 0, false, {}, 1},  // just outside the bottom-right corner
        {201, 141, 0, false, {"off1"}, 0},
        {200, 140, 1, false, {}, 0},  // the corner itself hits; a click selects without On
        {200, 140, 0, true, {"selected1"}, 0},
        {FLT_MIN, FLT_MIN, 0, false, {}, 0},  // Selected waits two steps
        {FLT_MIN, FLT_MIN, 0, false, {}, 0},
        {FLT_MIN, FLT_MIN, 0, true, {}, 0},  // then ends the phase
    };
    Strings all;
    int step = 0;
    for (const Row& r : rows) {
        ++step;
        EXPECT_EQ(Step(r.x, r.y, r.buttons), r.ends) << "step " << step;
        all.insert(all.end(), r.marks.begin(), r.marks.end());
        EXPECT_EQ(Marks(), all) << "step " << step;
        EXPECT_EQ(manager.GetItem(0)->GetRenderInfo()->pattern, r.pattern) << "step " << step;
    }
    EXPECT_EQ(manager.GetSelectedValue(), 40u);
}

TEST_F(Choices, LaterAddedOfOverlappingItemsWinsAndTimeOutWinsOverBoth) {
    for (const int32_t timeOut : {-1, 3}) {
        Begin();
        Add(10, 1);
        Add(20, 2, 120, 110);
        manager.SetTimeOut(timeOut);
        manager.SetDefaultValue(99);
        EXPECT_FALSE(Step(kOff, kOff, 0));
        EXPECT_FALSE(Step(150, 130, 1));  // both hit with the button down
        EXPECT_TRUE(Step(150, 130, 0));   // both play Selected; with time-out 3 it runs out in this step
        EXPECT_EQ(manager.GetSelectedValue(), timeOut == 3 ? 99u : 20u) << timeOut;
    }
}

TEST_F(Choices, ItemWithoutHitTestingIsNeverChosen) {
    manager.Reset();
    Script("Quiet", "void Appear() { SetPatNo(0); }\nvoid Selected() { FinishSelectedDirection(); }\n");
    Add(10, 1);
    manager.SetTimeOut(50);
    manager.SetDefaultValue(5);
    int ended = 0;
    for (int step = 1; step <= 60 && !ended; ++step)
        if (Step(step == 1 ? kOff : 150, 120, step % 2)) ended = step;
    EXPECT_EQ(ended, 50);
    EXPECT_EQ(manager.GetSelectedValue(), 5u);
}

TEST_F(Choices, SaveDuringAChoiceRestoresItemsValuesAndTheRemainingTimeOut) {
    Begin();
    Add(10, 1);
    Add(20, 2, 300, 300);
    manager.SetTimeOut(100);
    manager.SetDefaultValue(7);
    Step(kOff, kOff, 0);
    for (int i = 0; i < 3; ++i) Step(150, 120, 0);  // item 0 hovered: pattern 1
    Step(350, 320, 1);                              // item 1 clicked
    EXPECT_TRUE(Step(350, 320, 0));
    ASSERT_EQ(manager.GetItem(0)->GetRenderInfo()->pattern, 0);  // left hover when the click moved away
    USLib::binary_ostream<256> out;
    manager.Save(out);
    const std::string name = "AS\\Choice.as";
    ASSERT_EQ(out.GetSize(), name.size() + 1 + 12 + 2 * 175);

    CAlternativeManager loaded;
    ASSERT_TRUE(loaded.Initialize(&renderers));
    USLib::binary_istream in;
    in.Attach(out.GetData(), out.GetSize());
    loaded.Load(in, 2);
    EXPECT_EQ(loaded.GetScriptName(), name);
    EXPECT_EQ(loaded.GetTimeOut(), 94);
    EXPECT_EQ(loaded.GetDefaultValue(), 7u);
    ASSERT_EQ(loaded.GetItemCount(), 2u);
    EXPECT_EQ(loaded.GetItem(1)->GetValue(), 20u);
    EXPECT_EQ(loaded.GetItem(1)->GetCreateParam(0), 2u);
    EXPECT_EQ(loaded.GetItem(1)->GetOffset()[0], 300.0f);
    EXPECT_TRUE(loaded.GetItem(1)->IsEnableEvent());
    EXPECT_TRUE(loaded.GetItem(1)->HitTest(400, 340));
    EXPECT_FALSE(loaded.GetItem(1)->HitTest(401, 340));
    // Every item plays Appear again, the chosen one included (once the wait its Selected was in when
    // saved has passed), and the time-out goes on counting.
    const size_t before = Marks().size();
    for (const Strings& expected : {Strings{"appear1"}, Strings{"appear1", "appear2"}}) {
        EXPECT_FALSE(loaded.Update(FLT_MAX, FLT_MAX, 0));
        loaded.Draw();
        const Strings marks = Marks();
        EXPECT_EQ(Strings(marks.begin() + static_cast<long>(before), marks.end()), expected);
    }
    EXPECT_EQ(loaded.GetTimeOut(), 92);
    EXPECT_EQ(loaded.GetState(), CAlternativeManager::kSelecting);
    loaded.Update(150, 120, 1);
    EXPECT_TRUE(loaded.Update(150, 120, 0));
    EXPECT_EQ(loaded.GetSelectedValue(), 10u);
}

TEST_F(Choices, BadScriptsShowNoItemAndSayWhy) {
    struct Case {
        const char* source;
        const char* logged;
        int32_t patternAfterAppear;
    };
    for (const Case& c : {Case{"void Appear() { SetPatNo(0) }\n", "could not be built", -1},
                          Case{"void Appear() { SetPatNo(0); }\n", "has no function [void Selected()]", 0},
                          Case{"", "could not be built", -1}}) {
        manager.Reset();
        Script("Good", kScript);
        ASSERT_GE(manager.GetEntry(0), 0);
        // The same file rebuilt: a failure leaves no entry of the discarded module to run.
        const size_t logged = dir.Log().size();
        Script("Good", c.source);
        EXPECT_NE(dir.Log().find(c.logged, logged), std::string::npos) << c.source << dir.Log();
        Add(10, 1);
        Step(kOff, kOff, 0);
        EXPECT_EQ(manager.GetItem(0)->GetRenderInfo()->pattern, c.patternAfterAppear) << c.source;
        // Selected is missing or broken in every case: the chosen item hides.
        manager.GetItem(0)->SetEnableEvent(true);
        Step(150, 120, 1);
        EXPECT_TRUE(Step(150, 120, 0));
        EXPECT_EQ(manager.GetItem(0)->GetRenderInfo()->pattern, -1) << c.source;
    }
}

TEST_F(Choices, OutOfRangeValuesFromScriptsDoNothing) {
    manager.Reset();
    Script("Range",
           "void Appear() { Log('[#' + GetCreateParam(4) + ',' + GetCreateParam(3) + ']');\n"
           "  SetPatNo(0); GetRenderer(12345).SetRendering(true); Log('[#unreached]'); }\n");
    manager.SetCreateParam(3, 8);
    manager.SetCreateParam(9, 5);
    Add(10, 1);
    Step(kOff, kOff, 0);
    EXPECT_EQ(Marks(), (Strings{"0,8"}));
    EXPECT_EQ(manager.GetItem(0)->GetRenderInfo()->pattern, 0);
}

// A clock that moves on 40 ms each time it is read, so that a script's slice runs out at once.
DWORD g_now = 0;
DWORD FastClock() { return g_now += 40; }
void FastSleep(DWORD ms) { g_now += ms; }

TEST_F(Choices, ScriptThatNeverYieldsIsSuspendedEachStep) {
    manager.Reset();
    Script("Busy", "int n = 0;\nvoid Appear() { SetPatNo(0); while (true) { n++; } }\n");
    Add(10, 1);
    win32::hooks::SetClock(FastClock, FastSleep);
    for (int step = 0; step < 3; ++step) Step(step == 0 ? kOff : 0, 0, 0);
    win32::hooks::SetClock(nullptr, nullptr);
    auto* item = static_cast<CAltInfoImage*>(manager.GetItem(0));
    ASSERT_NE(item->GetDriver().GetContext(), nullptr);
    EXPECT_EQ(item->GetDriver().GetContext()->GetState(), asEXECUTION_SUSPENDED);
    EXPECT_EQ(item->GetRenderInfo()->pattern, 0);
}

// Items drawn on the device: a sheet of a red and a green part, items at their offsets.
class ChoiceScreen : public Choices {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Ok());
        Choices::SetUp();
        testsupport::WriteTga("sheet.tga", 8, 4, [](int x, int) { return x < 4 ? 0xFFFF0000u : 0xFF00FF00u; });
        testsupport::WritePartsFile("sheet.parts", {{0, 0, 40, 20, 0, 0, 4, 4}, {0, 0, 40, 20, 4, 0, 8, 4}});
        Sheets().Allocate(1);
        ASSERT_TRUE(Sheets().GetSource(0)->Create("sheet.tga", D3DFMT_A8R8G8B8, "sheet.parts"));
    }
    void TearDown() override { Sheets().Allocate(0); }
    static RenderSource::tRenderSourceManager<RenderSource::CPartsTexture>& Sheets() {
        return CNovelSystem::GetInstance()->GetRenderSources().partsTextures;
    }
    std::vector<DWORD> Frame(float x, float y, uint32_t buttons) {
        return device.Frame([&] {
            manager.Update(x, y, buttons);
            manager.Draw();
        });
    }
    testsupport::RenderDevice device;
};

TEST_F(ChoiceScreen, ItemsShowTheirPartAtTheirOffsetPlusTheLookOffset) {
    manager.Reset();
    Script("Look",
           "void Appear() { SetOffset(5, 0, 0); SetPatNo(GetCreateParam(0)); SetEnableEvent(true); }\n"
           "void On() { SetPatNo(-1); }\n");
    struct Item {
        uint32_t pattern;
        float x, y;
    };
    for (const Item& i : {Item{0, 100, 100}, Item{1, 300, 100}, Item{7, 500, 100}}) Add(1, i.pattern, i.x, i.y);
    std::vector<DWORD> frame = Frame(kOff, kOff, 0);
    constexpr DWORD kRed = 0xFF0000, kGreen = 0x00FF00, kBlack = 0;
    EXPECT_EQ(testsupport::Pixel(frame, 106, 110), kRed);
    EXPECT_EQ(testsupport::Pixel(frame, 103, 110), kBlack);  // moved right by the look's offset
    EXPECT_EQ(testsupport::Pixel(frame, 306, 110), kGreen);
    EXPECT_EQ(testsupport::Pixel(frame, 510, 110), kBlack);  // part 7 is not on the sheet
    // Pattern -1 draws nothing, but the item keeps testing the cursor.
    Frame(110, 110, 0);
    frame = Frame(110, 110, 0);
    EXPECT_EQ(testsupport::Pixel(frame, 106, 110), kBlack);
    EXPECT_EQ(static_cast<CAltInfoImage*>(manager.GetItem(0))->GetState(), CAltInfoImage::kHover);
}

// A choice run by scenario code in the novel scene.
class ChoiceScene : public testsupport::NovelSceneTest {
protected:
    void Start(const std::string& source) {
        folder.Write("AS/Choice.as", std::string_view(kScript));
        NovelSceneTest::Start(source);
    }
};

TEST_F(ChoiceScene, TimedChoiceTakesItsDefaultRoute) {
    Start(R"(
        SetChoiceTimeOut 3, routeA
        BeginChoices "AS\\Choice.as"
        AddChoice 100, 100, 0, 0, routeA, 200, 300, 100, 40, 1, 0, 0, 0
        AddChoice 100, 200, 0, 0, routeB, 0, 0, 100, 40, 2, 0, 0, 0
        SetChoiceTimeOut 4, routeB
        SetResult RESULT_CHOICE
        Yield
    routeA:
        Push 1
        PopTo param[1]
        Jump idle
    routeB:
        Push 2
        PopTo param[1]
    idle:
        Yield
        Jump idle)");
    CAlternativeManager& choices = novel.GetChoices();
    stack.Update();  // runs the code to the choice; its first step counts 1 of 4
    ASSERT_EQ(choices.GetItemCount(), 2u);
    EXPECT_EQ(choices.GetTimeOut(), 3);  // 4 (the 3 before BeginChoices was switched off), one step counted
    // The hit rectangle is (200, 300)-(300, 340) from the item's offset.
    EXPECT_TRUE(choices.GetItem(0)->HitTest(300, 400));
    EXPECT_FALSE(choices.GetItem(0)->HitTest(300, 441));
    EXPECT_EQ(choices.GetItem(1)->GetCreateParam(0), 2u);
    for (int frame = 0; frame < 4; ++frame) stack.Update();
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(1), 0);
    stack.Update();
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(1), 2);
    EXPECT_EQ(novel.GetResumeCode(), CNovelSystem::kResumeRunning);
}

}  // namespace
