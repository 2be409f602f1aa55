// Renderer directions: the parameter block, the module caches' eviction, one-shot directions stepped,
// cleaned up and ended, resident slots saved and restored, the script functions and value cells, bad
// scripts, and the novel machine's opcodes that drive the manager.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/ScratchDir.h"
#include "novel/novel/NovelSystem.h"
#include "novel/render/RendererManager.h"
#include "novel/script/ASNovelSetting.h"
#include "novel/script/ASRendererDirManager.h"
#include "support/LogMarks.h"
#include "support/ScenarioCode.h"
#include "novel/ui/UIWindow.h"
#include "novel/ui/UIWindowManager.h"

namespace {

using Strings = std::vector<std::string>;

class Directions : public ::testing::Test {
protected:
    void SetUp() override {
        dir.OpenLog();
        testsupport::ResetGameState();
        ASSERT_TRUE(manager.Initialize(&renderers, &sources));
        manager.SetModuleCacheSize(2);
        manager.SetResidentModuleCacheSize(2);
        manager.AllocateResidentSlots(2);
        target = renderers.CreateSingleTextureRenderer(3);
    }
    void Script(const std::string& name, const std::string& source) { dir.Write("AS/" + name + ".as", source); }
    static std::string Path(const std::string& name) { return "AS\\" + name + ".as"; }
    void Run(const std::string& name) { manager.RunDirection(Path(name).c_str()); }
    Strings LogMarks() const { return testsupport::LogMarks(dir.Log()); }
    // The script function that the entry of that name holds in the one-shot cache, or null.
    const asIScriptFunction* Cached(const std::string& name) const {
        const CASRendererDirModuleVector& cache = manager.GetModuleCache();
        for (uint32_t i : cache.GetRecency())
            if (cache.GetEntry(i).scriptName == Path(name)) return cache.GetEntry(i).module->update;
        return nullptr;
    }

    ScratchDir dir;
    CRendererManager renderers;
    RenderSource::CRenderSourceManager sources;
    CASRendererDirManager manager;
    IRenderer* target = nullptr;
};

// A script that logs its int parameter and a counter shared by the module's directions.
const char* kCounting =
    "int n = 0;\n"
    "void Update() { n++; Log('[#' + GetIntParam(0) + ':' + n + ']'); Wait(1000); }\n"
    "void CleanUp() { Log('[#end' + GetIntParam(0) + ']'); Wait(1); Log('[#after]'); }\n";

TEST_F(Directions, ParameterBlockHoldsSixteenOfEachAndClearingKeepsTheValues) {
    for (int i = 1; i <= 17; ++i) {
        manager.AddIntParam(i * 10);
        manager.AddFloatParam(i * 0.5f);
    }
    const tDirParams& p = manager.GetParams();
    EXPECT_EQ(p.intCount, 16u);
    EXPECT_EQ(p.floatCount, 16u);
    EXPECT_EQ(p.ints[15], 160);  // the 16th value is kept, the 17th lost
    EXPECT_FLOAT_EQ(p.floats[15], 8.0f);
    manager.ClearParams();
    EXPECT_EQ(p.intCount, 0u);
    EXPECT_EQ(p.floatCount, 0u);
    manager.AddIntParam(-7);
    // The direction gets counts 1 and 0, and still reads what earlier additions left in the block.
    Script("P", "void Update() { Log('[#' + vIntParam[0] + ',' + GetIntParam(1) + ',' + vFloatParam[1] + ']'); }\n");
    Run("P");
    ASSERT_EQ(manager.GetDirections().size(), 1u);
    EXPECT_EQ(manager.GetDirections().front()->GetParams().intCount, 1u);
    EXPECT_EQ(manager.GetDirections().front()->GetParams().floatCount, 0u);
    manager.Update();
    EXPECT_EQ(LogMarks(), (Strings{"-7,20,1"})) << dir.Log();
}

TEST_F(Directions, LeastRecentlyUsedModuleIsEvicted) {
    for (const char* name : {"A", "B", "C"}) Script(name, "void Update() { Wait(1000); }\n");
    Run("A");
    const asIScriptFunction* a = Cached("A");
    Run("B");
    const asIScriptFunction* b = Cached("B");
    Run("A");  // a hit: not built again
    EXPECT_EQ(Cached("A"), a);
    Run("C");  // evicts B, the least recently used
    EXPECT_EQ(Cached("B"), nullptr);
    EXPECT_EQ(Cached("A"), a);
    EXPECT_NE(Cached("C"), nullptr);
    Run("B");  // built anew, evicting A
    EXPECT_NE(Cached("B"), nullptr);
    EXPECT_EQ(Cached("A"), nullptr);
    EXPECT_EQ(manager.GetDirections().size(), 5u);
    (void)b;
    // The evicted modules' directions still run.
    manager.Update();
    manager.EndAllDirections();
}

TEST_F(Directions, DirectionThatReturnsAtOnceIsCleanedUpInItsFirstUpdate) {
    Script("Now", "void Update() { Log('[#run]'); }\nvoid CleanUp() { Log('[#clean]'); }\n");
    Run("Now");
    EXPECT_TRUE(manager.IsDirectionRunning());
    EXPECT_TRUE(LogMarks().empty());  // nothing runs at the start
    manager.Update();
    EXPECT_FALSE(manager.IsDirectionRunning());
    EXPECT_EQ(LogMarks(), (Strings{"run", "clean"}));
}

TEST_F(Directions, TwoStartsShareGlobalsRunInOrderAndEndOnceEach) {
    Script("Count", kCounting);
    for (int p : {1, 2}) {
        manager.ClearParams();
        manager.AddIntParam(p);
        Run("Count");
    }
    manager.Update();
    manager.Update();  // both wait: nothing more runs
    EXPECT_EQ(LogMarks(), (Strings{"1:1", "2:2"}));
    manager.EndAllDirections();
    // Each CleanUp once, in start order, each stopping at its Wait.
    EXPECT_EQ(LogMarks(), (Strings{"1:1", "2:2", "end1", "end2"}));
    EXPECT_FALSE(manager.IsDirectionRunning());
    manager.Update();
    EXPECT_EQ(LogMarks().size(), 4u);
}

TEST_F(Directions, RollReadsBackInDegreesAndUnknownIdsDoNothing) {
    Script("Roll",
           "void Update() {\n"
           "  SetRoll(3, 90, 45, 0); float a = 1, b = 1, c = 1; GetRoll(3, a, b, c);\n"
           "  SetPosition(3, a, b, c);\n"
           "  SetRoll(99, 1, 1, 1); SetPosition(99, 1, 1, 1);\n"
           "  Log('[#' + GetRenderSourceIndex(99) + ']');\n"
           "}\n");
    Run("Roll");
    manager.Update();
    EXPECT_NEAR(target->GetPosition()[0], 90.0f, 1e-4f);
    EXPECT_NEAR(target->GetPosition()[1], 45.0f, 1e-4f);
    EXPECT_NEAR(target->GetRoll()[0], 1.5707964f, 1e-6f);
    EXPECT_EQ(LogMarks(), (Strings{"4294967295"}));
}

TEST_F(Directions, ValueCellsAreSharedWithinADirectionAndSeparateAcross) {
    Script("Cells",
           "VMValue<int> shared;\n"
           "void Update() {\n"
           "  VMValue<int> a; VMValue<int> b; VMValue<float> f;\n"
           "  Log('[#' + b[2] + ']');\n"
           "  a[2] = GetIntParam(0); f[1] = 1.5f;\n"
           "  Log('[#' + b[2] + ',' + shared[2] + ']');\n"
           "  Wait(1000);\n"
           "}\n");
    for (int p : {7, 9}) {
        manager.ClearParams();
        manager.AddIntParam(p);
        Run("Cells");
    }
    manager.Update();
    EXPECT_EQ(LogMarks(), (Strings{"0", "7,7", "0", "9,9"}));
    const auto& list = manager.GetDirections();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.front()->IntCells()[2], 7);
    EXPECT_EQ(list.back()->IntCells()[2], 9);
    EXPECT_FLOAT_EQ(list.back()->FloatCells()[1], 1.5f);
}

TEST_F(Directions, SaveKeepsResidentSlotsAndDropsOneShotsWithoutCleanUp) {
    Script("Count", kCounting);
    Script("Snow",
           "void Update() { VMValue<int> v; v[0] = v[0] + 1; Log('[#snow' + v[0] + ']'); Wait(1000); }\n"
           "void CleanUp() { Log('[#snowend]'); }\n");
    manager.AddIntParam(4);
    Run("Count");
    manager.StartResidentDirection(0, Path("Snow").c_str());
    manager.StartResidentDirection(1, Path("Snow").c_str());
    manager.Update();
    manager.StopResidentDirection(1);
    manager.Update();
    EXPECT_EQ(LogMarks(), (Strings{"4:1", "snow1", "snow1"}));

    RenderSource::OStream out;
    manager.Save(out);
    CASRendererDirManager loaded;
    ASSERT_TRUE(loaded.Initialize(&renderers, &sources));
    loaded.SetModuleCacheSize(2);
    loaded.SetResidentModuleCacheSize(2);
    loaded.AllocateResidentSlots(1);  // the save's count wins
    RenderSource::IStream in;
    in.Attach(out.GetData(), out.GetSize());
    manager.Load(in, 0);  // the same manager: its one-shot goes without CleanUp
    in.Attach(out.GetData(), out.GetSize());
    loaded.Load(in, 0);
    for (CASRendererDirManager* m : {&manager, &loaded}) {
        EXPECT_FALSE(m->IsDirectionRunning());
        ASSERT_EQ(m->GetResidentSlotCount(), 2u);
        EXPECT_TRUE(m->IsResidentActive(0));
        EXPECT_FALSE(m->IsResidentActive(1));
        EXPECT_EQ(m->GetResidentSlot(1)->IntCells()[0], 1);  // the stopped slot keeps its cells
        EXPECT_EQ(m->GetParams().intCount, 1u);
        m->Update();  // slot 0 restarts at the top of Update with its cell
    }
    EXPECT_EQ(LogMarks(), (Strings{"4:1", "snow1", "snow1", "snow2", "snow2"}));
}

TEST_F(Directions, RestartingAnActiveSlotAbortsWithoutCleanUp) {
    Script("Snow", "void Update() { Log('[#a]'); Wait(3); }\nvoid CleanUp() { Log('[#cleanup]'); }\n");
    Script("Rain", "void Update() { Log('[#b]'); }\n");
    manager.StartResidentDirection(0, Path("Snow").c_str());
    manager.Update();
    manager.Update();
    manager.StartResidentDirection(0, Path("Rain").c_str());
    EXPECT_TRUE(manager.IsResidentActive(0));
    // The slot keeps the frame that was left of the old script's wait, then starts the new one.
    manager.Update();
    EXPECT_EQ(LogMarks(), (Strings{"a"}));
    manager.Update();
    manager.Update();  // a returned resident stays active and does nothing more
    manager.StopResidentDirection(0);
    manager.StopResidentDirection(7);  // no such slot: nothing
    EXPECT_EQ(LogMarks(), (Strings{"a", "b"}));
    EXPECT_FALSE(manager.IsResidentActive(0));
}

TEST_F(Directions, BadScriptsStartNothingAndSayWhy) {
    struct Case {
        const char* name;
        const char* source;
        const char* logged;
    };
    const Case cases[] = {
        {"Broken", "void Update() { int a = ; }\n", "could not be built"},
        {"NoEntry", "void Start() {}\n", "has no function [void Update()]"},
        {"Missing", nullptr, "could not be built"},
    };
    for (const Case& c : cases) {
        if (c.source) Script(c.name, c.source);
        Run(c.name);
        EXPECT_FALSE(manager.IsDirectionRunning()) << c.name;
        manager.StartResidentDirection(0, Path(c.name).c_str());
        EXPECT_FALSE(manager.IsResidentActive(0)) << c.name;
        manager.Update();
        EXPECT_NE(dir.Log().find(c.logged), std::string::npos) << c.name << dir.Log();
    }
}

TEST_F(Directions, ScriptExceptionEndsTheDirectionAndIsLogged) {
    Script("Bad", "void Update() { GetRenderer(42).SetRendering(true); }\nvoid CleanUp() { Log('[#clean]'); }\n");
    Run("Bad");
    manager.Update();
    EXPECT_FALSE(manager.IsDirectionRunning());
    EXPECT_EQ(LogMarks(), (Strings{"clean"}));
    EXPECT_NE(dir.Log().find("no renderer with that id"), std::string::npos) << dir.Log();
}

TEST_F(Directions, EvictedModuleLivesOnWhileItsDirectionRuns) {
    manager.SetModuleCacheSize(1);
    Script("Walk",
           "float x = 0; array<int> steps;\n"
           "void Update() { while (true) { x += 1; steps.insertLast(1); SetPosition(GetIntParam(0), x, steps.length(), 0); Wait(1); } }\n");
    Script("Other", "int y = 0;\nvoid Update() { y = 5; Wait(1000); }\n");
    IRenderer* second = renderers.CreateSingleTextureRenderer(4);
    manager.AddIntParam(3);
    Run("Walk");
    manager.Update();
    Run("Other");  // evicts and discards Walk's module
    manager.ClearParams();
    manager.AddIntParam(4);
    Run("Walk");  // builds it again: a second, separate module
    for (int i = 0; i < 3; ++i) manager.Update();
    EXPECT_FLOAT_EQ(target->GetPosition()[0], 4.0f) << dir.Log();  // the first Walk, with its own globals, stepped 4 times
    EXPECT_FLOAT_EQ(target->GetPosition()[1], 4.0f);
    EXPECT_FLOAT_EQ(second->GetPosition()[0], 3.0f);
    manager.EndAllDirections();
}

// The game's load fades: the first darkens the background step by step to black, the second brings
// it back to the colour it had.
TEST_F(Directions, GameLoadFadesStepTheColourDownAndBackUp) {
    for (const char* name : {"FadeLoad_000", "FadeLoad_001"}) {
        std::ifstream in(std::string(MARLOWE_GAME_DIR) + "/AS/" + name + ".as", std::ios::binary);
        ASSERT_TRUE(in) << name;
        Script(name, std::string(std::istreambuf_iterator<char>(in), {}));
    }
    IRenderer* background = renderers.CreateSingleTextureRenderer(10);
    background->SetColor(0.6f, 0.6f, 0.6f, 1);
    for (const char* name : {"FadeLoad_000", "FadeLoad_001"}) {
        Run(name);
        const bool down = std::string(name) == "FadeLoad_000";
        float previous = background->GetColor()[0];
        int frames = 0, steps = 0;
        for (; manager.IsDirectionRunning() && frames < 100; ++frames) {
            manager.Update();
            const float now = background->GetColor()[0];
            if (down) {
                EXPECT_LE(now, previous) << frames;
            } else if (frames > 0) {
                EXPECT_GE(now, previous) << frames;
            }
            steps += now != previous;
            previous = now;
        }
        // One step a frame; the fade-in first drops to black, then climbs in 30 steps.
        EXPECT_EQ(steps, down ? 30 : 31) << name << dir.Log();
        EXPECT_LE(frames, 32) << name;
        if (std::string(name) == "FadeLoad_000") {
            EXPECT_EQ(background->GetColor()[0], 0.0f);
            background->SetColor(0.6f, 0.6f, 0.6f, 1);  // as a load restores it
        } else {
            EXPECT_FLOAT_EQ(background->GetColor()[0], 0.6f);
        }
        EXPECT_EQ(background->GetColor()[3], 1.0f);
    }
}

// Every function of the direction interface, exactly as scripts declare them.
TEST_F(Directions, EveryFunctionIsRegisteredAsDeclared) {
    const char* declarations[] = {
        "IRenderer &GetRenderer(uint32)",
        "int GetIntParam(uint32)",
        "float GetFloatParam(uint32)",
        "int get_vIntParam(uint32)",
        "float get_vFloatParam(uint32)",
        "void SetRendering(uint32,bool)",
        "void SetSource(uint32,uint32)",
        "void SetRegistTable(uint32,uint32)",
        "void SetPosition(uint32,float,float,float)",
        "void SetScale(uint32,float,float,float)",
        "void SetRoll(uint32,float,float,float)",
        "void SetColor(uint32,float,float,float,float)",
        "void GetPosition(uint32 id,float &out,float &out,float &out)",
        "void GetScale(uint32 id,float &out,float &out,float &out)",
        "void GetRoll(uint32 id,float &out,float &out,float &out)",
        "void GetColor(uint32 id,float &out,float &out,float &out,float &out)",
        "void SetBlendRenderState(uint32,uint32)",
        "uint32 GetRenderSourceIndex(uint32)",
        "void SwapSingleTexture(uint32,uint32)",
        "void SwapRenderingBuffer(uint32,uint32)",
        "void SetPatNo(uint32,uint32)",
        "void SetUIWindowPosition(uint32,float,float,float)",
        "void GetUIWindowPosition(uint32,float &out,float &out,float &out)",
        "void SetAlphaSource(uint32,uint32)",
        "void SetTextBufferRenderingCharCnt(uint32,uint32)",
        "bool AddTextBufferRenderingCharCnt(uint32)",
        "void SetTextBufferAllRendering(uint32)",
        "void EnableBBRendering(uint)",
        "void SetBBBlendRenderState(uint)",
        "void SetBBResourceIndex(uint)",
        "void SetBBRendering(uint,bool)",
        "void SetBBBasePosition(float,float,float)",
        "void SetBBPosition(uint,float,float,float)",
        "void SetBBScale(uint,float,float,float)",
        "void SetBBYawPitchRoll(uint,float,float,float)",
        "void SetBBColor(uint,float,float,float,float)",
        "void SetBBPatNo(uint,uint)",
        "void LoadPuppetModel(uint32,string &in)",
        "void AddTexturePuppetModel(uint32,string &in)",
        "void AddMotionPuppetModel(uint32,string &in)",
        "void BeginMotionPuppet(uint32,uint32)",
        "void DisenableMotionQueuePuppet(uint32,uint32)",
        "void PushMotionPuppet(uint32,uint32)",
        "void PushLoopMotionPuppet(uint32,uint32)",
        "void SwapPuppetModel(uint32,uint32)",
        "bool IsPlayingVoice()",
    };
    asIScriptEngine* engine = manager.GetEngine();
    uint32_t found = 0;
    for (const char* d : declarations) {
        EXPECT_NE(engine->GetGlobalFunctionByDecl(d), nullptr) << d;
        found += engine->GetGlobalFunctionByDecl(d) != nullptr;
    }
    EXPECT_EQ(found, RendererDirFunctionCount());
    for (const char* type : {"IRenderer", "VMValue<int>", "VMValue<float>"})
        EXPECT_NE(engine->GetTypeInfoByDecl(type), nullptr) << type;
    // A script that uses the template and the indexed properties builds on this engine.
    Script("Uses", "void Update() { VMValue<int> v; v[0] = vIntParam[1]; VMValue<float> f; f[0] = vFloatParam[0]; }\n");
    Run("Uses");
    EXPECT_TRUE(manager.IsDirectionRunning()) << dir.Log();
}

// ---- the novel machine and the setting script ----

class DirectionOpcodes : public ::testing::Test {
protected:
    void SetUp() override {
        dir.OpenLog();
        testsupport::ResetGameState();
        novel.SetupSceneServices();
        ASSERT_TRUE(novel.GetDirections().Initialize(&novel.GetRenderers(), &novel.GetRenderSources()));
    }
    void TearDown() override { novel.GetDirections().Release(); }
    ScratchDir dir;
    CNovelSystem& novel = *CNovelSystem::GetInstance();
};

TEST_F(DirectionOpcodes, SettingScriptSizesTheManager) {
    dir.Write("AS/InitNovel.as", "void Initialize() { SetDirectionScript(3, 2); }\n");
    ASSERT_TRUE(CASNovelSetting().Execute("AS\\InitNovel.as")) << dir.Log();
    CASRendererDirManager& m = novel.GetDirections();
    EXPECT_EQ(m.GetModuleCache().GetCapacity(), 3u);
    EXPECT_EQ(m.GetResidentModuleCache().GetCapacity(), 2u);
    EXPECT_EQ(m.GetResidentSlotCount(), 2u);
}

TEST_F(DirectionOpcodes, ParametersReachEveryStartUntilCleared) {
    CASRendererDirManager& m = novel.GetDirections();
    m.SetModuleCacheSize(2);
    m.SetResidentModuleCacheSize(1);
    m.AllocateResidentSlots(1);
    dir.Write("AS/Move.as", "void Update() { Log('[#' + GetIntParam(0) + ',' + GetFloatParam(0) + ']'); Wait(2); }\n");
    // The operands are taken as operands: the code after them runs on to its result.
    EXPECT_EQ(testsupport::RunNovel(R"(
        ClearDirectionParams
        PushDirectionIntParam 5
        PushDirectionFloatParam 2.5
        RunDirection "AS\\Move.as"
        RunDirection "AS\\Move.as"
        RunResidentDirection 0, "AS\\Move.as"
        SetResult 9
    )"),
              9u);
    EXPECT_FALSE(novel.IsDirectionWaitDone());
    m.Update();
    EXPECT_EQ(testsupport::LogMarks(dir.Log()), (Strings{"5,2.5", "5,2.5", "5,2.5"})) << dir.Log();
    EXPECT_TRUE(m.IsResidentActive(0));
    testsupport::RunNovel(R"(
        StopResidentDirection 0
        StopAllDirections
        ClearDirectionParams
        SetResult 0
    )");
    EXPECT_FALSE(m.IsResidentActive(0));
    EXPECT_FALSE(m.IsDirectionRunning());
    EXPECT_EQ(m.GetParams().intCount, 0u);
    EXPECT_TRUE(novel.IsDirectionWaitDone());
}

TEST_F(DirectionOpcodes, DirectionMovesAUIWindowById) {
    CASRendererDirManager& m = novel.GetDirections();
    m.SetModuleCacheSize(1);
    novel.GetWindowManager().Initialize();
    dir.Write("AS/Bar.as", "void Initialize() {}\n");
    ASSERT_TRUE(novel.GetWindowManager().OpenResidentWindow(4, "AS\\Bar.as", 10, 20, 30, 0)) << dir.Log();
    dir.Write("AS/Slide.as",
              "void Update() { float x = 0, y = 0, z = 0; GetUIWindowPosition(4, x, y, z);\n"
              "  SetUIWindowPosition(4, x + 5, y, z + 1); SetUIWindowPosition(5, 1, 1, 1); }\n");
    m.RunDirection("AS\\Slide.as");
    m.Update();
    const float* at = novel.GetWindowManager().FindWindow(4)->GetPosition();
    EXPECT_EQ(at[0], 15.0f);
    EXPECT_EQ(at[1], 20.0f);
    EXPECT_EQ(at[2], 31.0f);
    EXPECT_EQ(novel.GetWindowManager().FindWindow(5), nullptr);
    novel.GetWindowManager().Initialize();
}

}  // namespace
