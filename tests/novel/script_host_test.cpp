// The script hosts' shared base and the system set-up host: messages in the log's format, builds from
// the game's files with includes, the coroutine runner's Wait and Suspend and its slices cut short by
// time, the common functions, and "AS\InitSystem.as" filling the tables it owns, or stopped when it
// never ends.
#include <gtest/gtest.h>

#include <memory>

#include <windows.h>

#include "support/ScratchDir.h"
#include "novel/novel/NovelSystem.h"
#include "novel/script/ASCommon.h"
#include "novel/script/ASNovelSetting.h"
#include "novel/script/SystemInfo.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/GameVariables.h"
#include "novel/state/SaveDataManager.h"
#include "novel/state/SnapImage.h"
#include "support/RenderDevice.h"
#include "support/ScenarioCode.h"
#include "win32/codepage.h"

namespace {

struct DefaultNames {
    ~DefaultNames() {
        SetSaveName("save_%05d.sav");
        SetQuickSavePath("save\\q.sav");
    }
};

TEST(ScriptMessages, LoggedInTheGameFormat) {
    ScratchDir dir;
    dir.OpenLog();
    const struct {
        asEMsgType type;
        const char* word;
    } cases[] = {{asMSGTYPE_ERROR, "ERR "}, {asMSGTYPE_WARNING, "WARN"}, {asMSGTYPE_INFORMATION, "INFO"}};
    std::string expected;
    for (const auto& k : cases) {
        asSMessageInfo msg{"S", 3, 5, k.type, "T"};
        ScriptMessageCallback(&msg, nullptr);
        expected += std::string("S(3,5) : ") + k.word + " : T\n";
    }
    EXPECT_EQ(dir.Log(), expected);
}

// An engine with the common set-up and a module built from files in a scratch folder.
class ScriptHost : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.OpenLog();
        testsupport::ResetGameState();
        engine_ = CreateScriptEngine();
        ASSERT_NE(engine_, nullptr);
        ASSERT_TRUE(RegisterCommonScriptInterface(engine_));
    }
    void TearDown() override { engine_->ShutDownAndRelease(); }
    int Build(const std::string& source) {
        dir_.Write("AS/Test.as", source);
        return BuildScriptModule(engine_, "AS\\Test.as");
    }
    asIScriptModule* Module() { return engine_->GetModule("AS\\Test.as"); }
    template <class T>
    T& Global(const char* name) {
        return *static_cast<T*>(Module()->GetAddressOfGlobalVar(Module()->GetGlobalVarIndexByName(name)));
    }
    // A runner over a fresh context prepared with the function.
    std::unique_ptr<CDefoASVM> Runner(const char* declaration) {
        auto runner = std::make_unique<CDefoASVM>();
        asIScriptContext* context = engine_->CreateContext();
        context->Prepare(Module()->GetFunctionByDecl(declaration));
        runner->SetContext(context);
        runner->AttachTo(context);
        runner->Reset();
        return runner;
    }
    ScratchDir dir_;
    asIScriptEngine* engine_ = nullptr;
};

TEST_F(ScriptHost, CompileErrorIsLoggedAndTheBuildFails) {
    EXPECT_LT(Build("void Main()\n{\n    int a = ;\n}\n"), 0);
    const std::string log = dir_.Log();
    EXPECT_NE(log.find("AS\\Test.as(3,"), std::string::npos) << log;
    EXPECT_NE(log.find(") : ERR  : "), std::string::npos) << log;
}

TEST_F(ScriptHost, IncludesAreReadBesideTheIncludingFile) {
    dir_.Write("AS/Lib/Value.as", "int Value() { return 41; }\n");
    ASSERT_GE(Build("#include \"Lib\\\\Value.as\"\nint result = 0;\nvoid Main() { result = Value() + 1; }\n"), 0)
        << dir_.Log();
    Runner("void Main()")->Step();
    EXPECT_EQ(Global<int>("result"), 42);
}

TEST_F(ScriptHost, MissingOrEmptyFilesDoNotBuild) {
    EXPECT_LT(BuildScriptModule(engine_, "AS\\Missing.as"), 0);
    dir_.Write("AS/Empty.as", "");
    EXPECT_LT(BuildScriptModule(engine_, "AS\\Empty.as"), 0);
    EXPECT_NE(dir_.Log().find("AS\\Empty.as(0,0) : ERR  : Failed to load script file '"), std::string::npos) << dir_.Log();
}

TEST_F(ScriptHost, WaitAndSuspendCountSteps) {
    ASSERT_GE(Build("int stage = 0;\n"
                    "void Main() { stage = 1; Wait(3); stage = 2; Suspend(); stage = 3; Wait(0); stage = 4; }\n"),
              0);
    std::unique_ptr<CDefoASVM> runner = Runner("void Main()");
    const int expected[] = {1, 1, 1, 2, 3, 4};  // Wait(3) resumes on the third step after it
    for (int i = 0; i < 6; ++i) {
        runner->Step();
        EXPECT_EQ(Global<int>("stage"), expected[i]) << "step " << i;
        EXPECT_EQ(runner->IsRunning(), i < 5) << "step " << i;
    }
}

TEST_F(ScriptHost, WaitOutsideARunnerOnlySuspends) {
    ASSERT_GE(Build("int stage = 0;\nvoid Main() { stage = 1; Wait(5); stage = 2; }\n"), 0);
    asIScriptContext* context = engine_->CreateContext();
    context->Prepare(Module()->GetFunctionByDecl("void Main()"));
    EXPECT_EQ(context->Execute(), asEXECUTION_SUSPENDED);
    EXPECT_EQ(context->Execute(), asEXECUTION_FINISHED);
    EXPECT_EQ(Global<int>("stage"), 2);
    context->Release();
}

TEST_F(ScriptHost, AnExceptionKeepsTheRunnerRunningWithoutMoreMessages) {
    ASSERT_GE(Build("void Main() { int a = 0; int b = 1 / a; }\n"), 0);
    std::unique_ptr<CDefoASVM> runner = Runner("void Main()");
    runner->Step();
    EXPECT_TRUE(runner->IsRunning());
    const std::string log = dir_.Log();
    runner->Step();
    EXPECT_TRUE(runner->IsRunning());
    EXPECT_EQ(dir_.Log(), log);
}

TEST_F(ScriptHost, CommonFunctionsReachTheGameState) {
    CConfigDataManager::GetInstance()->SetConfigValue(CFG_VOLUME_SE, 0);
    ASSERT_GE(Build("float radians = 0;\nint config = 0;\nbool flag = false;\nint roll = 0;\n"
                    "void Main() {\n"
                    "  radians = GetRadianFromAngle(180);\n"
                    "  SetConfigValue(CFG_VOLUME_SE, 61); config = GetConfigValue(CFG_VOLUME_SE);\n"
                    "  SetGameParameter(4, -9); SetGameFlag(6, true); flag = GetGameFlag(6);\n"
                    "  roll = GetRandInt(3, 3);\n"
                    "  PlaySE(999, 'none.wav', CFG_VOLUME_SE, MAX_VOL_INDEX_SE); StopSE(999);\n"
                    "  Log('written as it stands\\n');\n"
                    "}\n"),
              0)
        << dir_.Log();
    std::unique_ptr<CDefoASVM> runner = Runner("void Main()");
    runner->Step();
    EXPECT_FALSE(runner->IsRunning());
    EXPECT_EQ(Global<float>("radians"), 3.1415927410125732f);
    EXPECT_EQ(Global<int>("config"), 61);
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(4), -9);
    EXPECT_TRUE(Global<bool>("flag"));
    EXPECT_EQ(Global<int>("roll"), 3);
    EXPECT_EQ(dir_.Log(), "written as it stands\n");
}

// "AS\InitSystem.as": every bound function, Shift-JIS text kept as bytes, includes.
TEST(SystemSetup, ScriptFillsTheTables) {
    ScratchDir dir;
    dir.OpenLog();
    DefaultNames restore;
    const std::string saveName = win32::Utf8ToCp932("セーブ%03d.sav");
    dir.Write("AS/InitSystem.as",
              "#include \"Volumes.as\"\n"
              "void Initialize() {\n"
              "  InitIntervalRenderingText(); AddIntervalRenderingText(4); AddIntervalRenderingText(1);\n"
              "  InitWaitFrameAutoSkipMode(); AddWaitFrameAutoSkipMode(90);\n"
              "  Volumes();\n"
              "  InitConfigValue(CFG_CHAR_DRAW_INTERVAL, 1); InitConfigValue(USER_CFG_INDEX + 3, 12);\n"
              "  SetSaveDataInfo(30, 6);\n"
              "  SetSaveName('" + saveName + "'); SetQuicSavePath('save\\\\quick.sav');\n"
              "  AllocGameParam(40); AllocGameFlags(70);\n"
              "  SetSnapImageSize(8, 6);\n"
              "  SetSaveDataInfoNumber(16, 1.5f, 2.5f, 3.5f); SetSaveDataInfoNumberPatNo(9, 19);\n"
              "}\n");
    dir.Write("AS/Volumes.as", "void Volumes() { InitMaxVolume(); for (uint i = 0; i < 4; ++i) AddMaxVoluem(100 + i); }\n");
    ASSERT_TRUE(CSystemInfo::GetInstance()->Execute("AS\\InitSystem.as")) << dir.Log();
    CConfigDataManager& c = *CConfigDataManager::GetInstance();
    EXPECT_EQ(c.GetIntervalRenderingText(1), 1u);
    EXPECT_EQ(c.GetAutoModeWaitFrame(), 90u);
    EXPECT_EQ(c.GetMaxVolume(3), 103.0f);
    EXPECT_EQ(c.GetConfigValue(USER_CFG_INDEX + 3), 12);
    EXPECT_EQ(CSaveDataManager::GetInstance()->GetTotalSlots(), 30);
    EXPECT_EQ(CSaveDataManager::GetInstance()->GetVisibleCount(), 6);
    EXPECT_EQ(GetSavePath(7), win32::Utf8ToCp932("セーブ007.sav"));
    EXPECT_EQ(GetSavePath(-1), "save\\quick.sav");
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetCount(), 40u);
    EXPECT_EQ(CGameFlagsManager::GetInstance()->GetCount(), 70u);
    EXPECT_EQ(CSnapImage::GetInstance()->GetByteSize(), 8u * 6 * 3);
    EXPECT_EQ(CSaveDataManager::GetInstance()->GetDigitLayout(16)[1], 2.5f);
    EXPECT_EQ(CSaveDataManager::GetInstance()->GetDigitPattern(9), 19u);
    EXPECT_EQ(dir.Log().find("ERR"), std::string::npos) << dir.Log();
    CSnapImage::GetInstance()->FreePixels();
}

TEST(SystemSetup, BrokenOrMissingScriptChangesNothing) {
    ScratchDir dir;
    dir.OpenLog();
    testsupport::ResetGameState();
    EXPECT_FALSE(CSystemInfo::GetInstance()->Execute("AS\\InitSystem.as"));
    dir.Write("AS/InitSystem.as", "void Initialize() { AllocGameFlags(3) }\n");
    EXPECT_FALSE(CSystemInfo::GetInstance()->Execute("AS\\InitSystem.as"));
    EXPECT_EQ(CGameFlagsManager::GetInstance()->GetCount(), 16u);
    EXPECT_NE(dir.Log().find("AS\\InitSystem.as(1,"), std::string::npos) << dir.Log();
    dir.Write("AS/InitSystem.as", "void Other() { AllocGameFlags(3); }\n");  // no entry: nothing runs
    EXPECT_FALSE(CSystemInfo::GetInstance()->Execute("AS\\InitSystem.as"));
    EXPECT_EQ(CGameFlagsManager::GetInstance()->GetCount(), 16u);
}

// A clock that moves a millisecond each time it is read: every statement seems slow.
DWORD g_ticks = 0;
DWORD TickingClock() { return ++g_ticks; }
void TickingSleep(DWORD ms) { g_ticks += ms; }

TEST_F(ScriptHost, ASliceThatRunsPastItsTimeGoesOnInTheNextFrame) {
    ASSERT_GE(Build("int n = 0;\nvoid Main() { while (true) { n++; } }\n"), 0);
    std::unique_ptr<CDefoASVM> runner = Runner("void Main()");
    win32::hooks::SetClock(TickingClock, TickingSleep);
    runner->Step();
    const int first = Global<int>("n");
    EXPECT_GT(first, 0);
    EXPECT_TRUE(runner->IsRunning());
    runner->Step();
    EXPECT_GT(Global<int>("n"), first);
    win32::hooks::SetClock(nullptr, nullptr);
}

TEST(SystemSetup, AScriptThatNeverEndsIsStopped) {
    ScratchDir dir;
    testsupport::ResetGameState();
    dir.Write("AS/InitSystem.as", "void Initialize() { AllocGameFlags(3); while (true) {} }\n");
    struct Case {
        const char* what;
        bool closing;
        const char* log;
    } cases[] = {
        {"past its time", false, "Script [AS\\InitSystem.as] stopped: it ran too long"},
        {"closing", true, "Script [AS\\InitSystem.as] stopped: the game is closing"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        dir.OpenLog();
        // Past its time: a clock that races. Closing: the real clock, with a quit waiting; the stop
        // cannot then be the time-out, which is far longer.
        if (k.closing) {
            PostQuitMessage(0);
        } else {
            win32::hooks::SetClock(TickingClock, TickingSleep);
        }
        EXPECT_FALSE(CSystemInfo::GetInstance()->Execute("AS\\InitSystem.as"));
        win32::hooks::SetClock(nullptr, nullptr);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        EXPECT_NE(dir.Log().find(k.log), std::string::npos) << dir.Log();
    }
}

// "AS\InitNovel.as": log rows, word wrap and its sets, speakers; a second run starts afresh.
TEST(NovelSetup, ScriptSetsRowsWrapAndSpeakers) {
    ScratchDir dir;
    dir.OpenLog();
    const std::string stop = win32::Utf8ToCp932("。");
    dir.Write("AS/InitNovel.as",
              "void Initialize() {\n"
              "  AddTextBufferForLogWindow(2, 3); AddTextBufferForLogWindow(4, 5);\n"
              "  SetWordWrap(2, 1, false);\n"
              "  ClearNotHeadString(); ClearNotTailString();\n"
              "  SetDefaultCharSetting(3, 4, 5);\n"
              "  SetCharSetting('" + win32::Utf8ToCp932("真琴") + "', 6, 7, 8);\n"
              "}\n");
    CASNovelSetting host;
    ASSERT_TRUE(host.Execute("AS\\InitNovel.as")) << dir.Log();
    ASSERT_TRUE(host.Execute("AS\\InitNovel.as")) << dir.Log();  // the rows are built anew
    using Rows = std::vector<std::pair<uint32_t, uint32_t>>;
    EXPECT_EQ(CMessageLogManager::GetInstance()->GetLogRows(), (Rows{{2, 3}, {4, 5}}));
    CWordWrapManager& wrap = CNovelSystem::GetInstance()->GetWordWrap();
    const std::string text = "abcd" + stop;
    EXPECT_EQ(std::string(wrap.CWordWrapManager::WrapText(text.c_str())), "abcd\n" + stop);  // no rule left
    dir.Write("AS/InitNovel.as", "void Initialize() { AddNotHeadString('" + stop + "'); }\n");
    ASSERT_TRUE(host.Execute("AS\\InitNovel.as")) << dir.Log();
    EXPECT_EQ(std::string(wrap.CWordWrapManager::WrapText(text.c_str())), text);  // pulled back
    EXPECT_TRUE(CMessageLogManager::GetInstance()->GetLogRows().empty());
    const CCharacterInfo& speaker = CNovelSystem::GetInstance()->GetCharacters().Find(win32::Utf8ToCp932("真琴"));
    EXPECT_EQ(speaker.voiceSwitchIndex, 8u);
    EXPECT_EQ(CNovelSystem::GetInstance()->GetCharacters().GetDefault().volumeIndex, 3u);
    dir.Write("AS/InitNovel.as", "void Initialize() { AddTextBufferForLogWindow(1 1); }\n");
    EXPECT_FALSE(host.Execute("AS\\InitNovel.as"));
    EXPECT_NE(dir.Log().find("AS\\InitNovel.as(1,"), std::string::npos);
}

// Each novel scene (every return to the game's start makes one) runs the setting script: the text
// buffers it makes replace the last run's, numbered from 0 again, and the last run's textures go
// with them, instead of piling up.
TEST(NovelSetup, TextBuffersAreMadeAfreshByEachRun) {
    ScratchDir dir;
    dir.OpenLog();
    testsupport::RenderDevice device;
    dir.Write("AS/InitNovel.as",
              "void Initialize() { AddTextBuffer(16, 0, 64, 32, 16, 16, 0); AddTextBuffer(16, 1, 64, 32, 16, 16, 0); }\n");
    CStringRendererManager& buffers = CNovelSystem::GetInstance()->GetTextBuffers();
    buffers.DeleteAll();
    const std::uint32_t texturesBefore = GetTextureManager().GetCount();
    CASNovelSetting host;
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        ASSERT_TRUE(host.Execute("AS\\InitNovel.as")) << dir.Log();
        EXPECT_NE(buffers.Get(1), nullptr);
        EXPECT_EQ(buffers.Get(2), nullptr);
        EXPECT_EQ(GetTextureManager().GetCount(), texturesBefore + 2);
    }
    buffers.DeleteAll();
    EXPECT_EQ(GetTextureManager().GetCount(), texturesBefore);
}

}  // namespace
