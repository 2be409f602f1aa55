// The scenario machine running assembled programs: arithmetic and the value stack, flow, tables,
// operands, waits and yields, sub-code files, game variables, saved state and bad code.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "engine/input/AppCommonInfo.h"
#include "engine/util/USLogManager.h"
#include <windows.h>

#include "win32/path.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/GameVariables.h"
#include "novel/vm/VCOpcodes.h"
#include "novel/vm/VCPUNovel.h"
#include "support/ScratchDir.h"
#include "support/ScenarioCode.h"

namespace {

using testsupport::Code;

class ScenarioMachine : public ::testing::Test {
protected:
    void SetUp() override { testsupport::ResetGameState(); }
    CGameParameterManager& Params() { return *CGameParameterManager::GetInstance(); }
    // Runs the source from offset 0 for one slice.
    uint32_t RunOnce(const std::string& source) {
        machine.SetCode(Code(source));
        machine.JumpTo(0);
        return machine.Run();
    }
    CVCPUNovel machine;
};

TEST_F(ScenarioMachine, ArithmeticPopsAFirst) {
    // Each program pushes b then a (a on top) and leaves "a op b" in parameter 0.
    struct Case {
        const char* op;
        int32_t b, a, expected;
    } cases[] = {
        {"Add", 7, 2, 9},           {"Sub", 7, 2, -5},         {"Mul", -3, 4, -12},
        {"Div", 2, -7, -3},         {"Mod", 2, -7, -1},        {"And", 12, 10, 8},
        {"Or", 12, 10, 14},         {"Xor", 12, 10, 6},        {"Less", 7, 2, 1},
        {"LessEqual", 2, 2, 1},     {"Greater", 7, 2, 0},      {"GreaterEqual", -1, 0, 1},
        {"Add", 1, 0x7FFFFFFF, INT32_MIN}, {"Div", -1, INT32_MIN, INT32_MIN},
    };
    for (const Case& k : cases) {
        std::ostringstream src;
        src << "Push " << k.b << "\nPush " << k.a << "\n" << k.op << "\nPopTo param[0]\nYield\n";
        RunOnce(src.str());
        EXPECT_EQ(Params().GetParam(0), k.expected) << k.op << " " << k.a << ", " << k.b;
        EXPECT_EQ(machine.GetStack().GetDepth(), 0u) << k.op;
    }
}

TEST_F(ScenarioMachine, UnaryOperatorsAndDepth) {
    RunOnce("Push 3\nPush 0\nNot\nPopTo param[0]\nPush 5\nNeg\nPopTo param[1]\nPush 0\nLogicalNot\nPopTo param[2]\nYield");
    EXPECT_EQ(Params().GetParam(0), -1);
    EXPECT_EQ(Params().GetParam(1), -5);
    EXPECT_EQ(Params().GetParam(2), 1);
    EXPECT_EQ(machine.GetStack().GetDepth(), 1u);  // the 3 stays
}

TEST_F(ScenarioMachine, LoopSumsOneToTen) {
    RunOnce(R"(
        Push 0
        PopTo param[0]        ; sum
        Push 1
        PopTo param[1]        ; i
    loop:
        Push param[0]
        Push param[1]
        Add
        PopTo param[0]
        Push param[1]
        Push 1
        Add
        PopTo param[1]
        Push 10
        Push param[1]
        LessEqual             ; i <= 10
        JumpIfTrue loop
        Yield
    )");
    EXPECT_EQ(Params().GetParam(0), 55);
}

TEST_F(ScenarioMachine, OperandModes) {
    CConfigDataManager::GetInstance()->SetConfigValue(USER_CFG_INDEX, 42);
    RunOnce(R"(
        Push [data]           ; the code word at data
        PopTo param[0]
        Push cfg[USER_CFG_INDEX]
        PopTo param[1]
        Push 9
        PopTo cfg[USER_CFG_INDEX]
        Push 5
        PopTo 77              ; immediate: consumed, nothing stored
        .word 14, 5           ; Push with mode 5: pushes 0, only the mode word is used
        PopTo param[2]
        Yield
    data:
        .word 1234
    )");
    EXPECT_EQ(Params().GetParam(0), 1234);
    EXPECT_EQ(Params().GetParam(1), 42);
    EXPECT_EQ(CConfigDataManager::GetInstance()->GetConfigValue(USER_CFG_INDEX), 9);
    EXPECT_EQ(Params().GetParam(2), 0);
    EXPECT_EQ(machine.GetStack().GetDepth(), 0u);
}

TEST_F(ScenarioMachine, SwitchTablesTakeEntryZeroOutsideTheirCount) {
    struct Case {
        int32_t selector;
        int32_t expected;
    } cases[] = {{0, 10}, {1, 11}, {2, 12}, {3, 10}, {-1, 10}};
    for (const Case& k : cases) {
        std::ostringstream src;
        src << "Push " << k.selector << "\nPopTo param[3]\n"
            << "SwitchCall targets, 3, param[3]\nPushTableValue values, 3, param[3]\nPopTo param[1]\nYield\n"
               "c0: Push 10\nJump set\nc1: Push 11\nJump set\nc2: Push 12\n"
               "set: PopTo param[0]\nReturn\n"
               "targets: .word c0, c1, c2\nvalues: .word 100, 101, 102\n";
        RunOnce(src.str());
        EXPECT_EQ(Params().GetParam(0), k.expected) << k.selector;
        EXPECT_EQ(Params().GetParam(1), k.expected + 90) << k.selector;
    }
}

TEST_F(ScenarioMachine, YieldsReturnTheResultAndWaitsCountSlices) {
    machine.SetCode(Code("SetResult 5\nYield\nWait 3\nYield\nSetResult 2\nYield\nYield"));
    machine.JumpTo(0);
    EXPECT_EQ(machine.Run(), 5u);
    EXPECT_EQ(machine.Run(), 0u);  // sets the wait, yields
    EXPECT_EQ(machine.Run(), 0u);  // waiting
    EXPECT_EQ(machine.Run(), 0u);  // waiting
    EXPECT_EQ(machine.Run(), 2u);  // third call after the wait runs on
    EXPECT_EQ(machine.Run(), 0u);  // result starts at 0 each slice
}

TEST_F(ScenarioMachine, CallsAndReturnsAcrossCodeFiles) {
    ScratchDir folder;
    folder.Write("sub.bin", testsupport::Bytes(R"(
        Push 7
        PopTo param[0]
        Call helper
        SetResult 3
        Yield                 ; the slice ends inside the sub-code
        EndSubCode
    helper:
        Push 8
        PopTo param[1]
        Return
    )"));
    EXPECT_EQ(RunOnce("RunSubCode \"sub.bin\"\nRunSubCode \"missing.bin\"\nPush 9\nPopTo param[2]\nYield"), 3u);
    EXPECT_EQ(Params().GetParam(0), 7);
    EXPECT_EQ(Params().GetParam(1), 8);
    EXPECT_EQ(machine.GetCurrentCodeName(), "sub.bin");
    EXPECT_EQ(machine.Run(), 0u);  // ends the sub-code, skips the missing file, goes on
    EXPECT_EQ(machine.GetCurrentCodeName(), "test.bin");
    EXPECT_EQ(Params().GetParam(2), 9);
}

TEST_F(ScenarioMachine, GameFlagsAndParametersThroughOperands) {
    CGameFlagsManager::GetInstance()->SetFlag(3, true);
    RunOnce("Push 1\nPopTo param[15]\nPush 99\nPopTo param[16]\nPush param[16]\nPopTo param[14]\nYield");
    EXPECT_EQ(Params().GetParam(15), 1);
    EXPECT_EQ(Params().GetParam(14), 0);  // index 16 lies outside the table: reads 0, never written
    EXPECT_EQ(GetVariableByKind(3, 3), 1);
    EXPECT_EQ(GetVariableByKind(3, 16), 0);
    EXPECT_EQ(GetVariableByKind(0, 12), 12);
    SetVariableByKind(3, 5, 7);
    EXPECT_TRUE(CGameFlagsManager::GetInstance()->GetFlag(5));
}

TEST_F(ScenarioMachine, SavedStateKeepsCursorWaitAndStackButNotDepth) {
    // A saved cursor may only name a file of the scenario folder (here one that is not on disk).
    machine.SetCode(Code("Push 1\nPush 2\nPush 3\nPush 4\nWait 5\nYield\nSetResult 8\nYield", "scenario\\test.bin"));
    machine.JumpTo(0);
    machine.Run();
    CVCPUNovel loaded;
    testsupport::RoundTrip(machine, loaded);
    EXPECT_EQ(loaded.GetStack().GetDepth(), 0u);
    EXPECT_EQ(loaded.GetStack().GetCells()[3], 4);
    EXPECT_EQ(loaded.GetWaitCounter(), 5u);
}

// Each test logs into a scratch folder of its own.
class BadCode : public ScenarioMachine {
protected:
    void SetUp() override {
        ScenarioMachine::SetUp();
        dir_.OpenLog();
    }
    std::string LogText() const { return dir_.Log(); }
    ScratchDir dir_;
};

TEST_F(BadCode, StopsTheScenarioWithALogLineAndStaysResponsive) {
    struct Case {
        const char* what;
        const char* source;
        const char* log;
    } cases[] = {
        {"underflow", "Add\nPush 1\nPopTo param[0]\nYield", "value stack underflow"},
        {"overflow", "loop: Push 1\nJump loop", "value stack overflow"},
        {"return without call", "Return\nPush 1\nPopTo param[0]\nYield", "return without a call"},
        {"division by zero", "Push 0\nPush 1\nDiv\nPush 1\nPopTo param[0]\nYield", "division by zero"},
        {"endless recursion", "self: Call self", "calls nested too deeply"},
        {"sub-code calling itself", "RunSubCode \"self.bin\"\nPush 1\nPopTo param[0]\nYield", "nested too deeply"},
    };
    dir_.Write("self.bin", testsupport::Bytes("RunSubCode \"self.bin\"\nYield"));
    for (const Case& k : cases) {
        Params().SetParam(0, 0);
        EXPECT_EQ(RunOnce(std::string("ClearStack\n") + k.source), 0u) << k.what;
        EXPECT_EQ(Params().GetParam(0), 0) << k.what << ": nothing after the fault runs";
        EXPECT_EQ(machine.Run(), 0u) << k.what;
        EXPECT_NE(LogText().find(k.log), std::string::npos) << k.what;
    }
}

TEST_F(BadCode, UnknownOpcodesAreSkippedAndOutsideTargetsEndInYields) {
    EXPECT_EQ(RunOnce(".word 600, 55, 511\nSetResult 4\nYield"), 4u);
    EXPECT_EQ(RunOnce("Jump 4000\nSetResult 4\nYield"), 0u);
    EXPECT_EQ(machine.Run(), 0u);
    machine.SetCode(Code("SetResult 4\nYield\nSwitchJump 4000, 2, 1"));  // table outside: entry reads 0
    machine.JumpTo(12);
    EXPECT_EQ(machine.Run(), 4u);
    EXPECT_EQ(RunOnce("Push [9000]\nPopTo param[0]\n.word 11, 7000\nSetResult 6\nYield"), 6u);
    EXPECT_EQ(Params().GetParam(0), 0);
}

TEST_F(BadCode, AnEndlessLoopStopsTheScenario) {
    EXPECT_EQ(RunOnce("loop: Jump loop"), 0u);
    // A slow machine may cut the loop into several slices by time; the count goes on across them.
    for (int i = 0; i < 1000 && LogText().find("no yield") == std::string::npos; ++i) EXPECT_EQ(machine.Run(), 0u);
    EXPECT_NE(LogText().find("no yield within the instruction limit"), std::string::npos);
}

// A clock that moves a millisecond each time it is read: every instruction seems slow.
DWORD g_ticks = 0;
DWORD TickingClock() { return ++g_ticks; }
void TickingSleep(DWORD ms) { g_ticks += ms; }

TEST_F(BadCode, SlowInstructionsGiveTheFrameBackOnTime) {
    win32::hooks::SetClock(TickingClock, TickingSleep);
    Params().SetParam(0, 0);
    RunOnce("loop: Push param[0]\nPush 1\nAdd\nPopTo param[0]\nJump loop");
    const int32_t first = Params().GetParam(0);
    EXPECT_TRUE(machine.IsSliceCut());
    // Each slice ends after its time, long before the instruction limit, and the next goes on.
    EXPECT_GT(first, 0);
    EXPECT_LT(first, 1000);
    EXPECT_EQ(machine.Run(), 0u);
    EXPECT_GT(Params().GetParam(0), first);
    win32::hooks::SetClock(nullptr, nullptr);
    EXPECT_EQ(LogText().find("no yield"), std::string::npos);
}

}  // namespace

namespace {

// The full-screen value: variable kind 4 reads 1 in full screen and 0 in a window; writing 1 enters
// full screen, any other value leaves it; opcode 42 leaves it.
TEST(FullScreenVariable, KindFourIsTheFullScreenValue) {
    CAppCommonInfo* common = CUSSingleton<CAppCommonInfo>::GetInstance();
    common->SetFullScreen(0);
    EXPECT_EQ(GetVariableByKind(4, 0), 0);
    SetVariableByKind(4, 0, 1);
    EXPECT_EQ(common->IsFullScreen(), 1u);
    EXPECT_EQ(GetVariableByKind(4, 0), 1);
    SetVariableByKind(4, 0, 2);
    EXPECT_EQ(GetVariableByKind(4, 0), 0);
    SetVariableByKind(4, 0, 1);
    CVCPUNovel machine;
    machine.SetCode(testsupport::Code("LeaveFullScreen\nYield"));
    machine.JumpTo(0);
    machine.Run();
    EXPECT_EQ(common->IsFullScreen(), 0u);
}

TEST(FileExists, JumpsOnlyWhenTheFileIsThere) {
    testsupport::ResetGameState();
    ScratchDir folder;
    folder.Write("data/here.txt", std::vector<uint8_t>{1});
    CVCPUNovel machine;
    for (const char* name : {"data\\\\here.txt", "data\\\\gone.txt", "data"}) {
        machine.SetCode(testsupport::Code(std::string("JumpIfFileExists \"") + name +
                                          "\", found\nSetResult 1\nYield\nfound: SetResult 2\nYield"));
        machine.JumpTo(0);
        EXPECT_EQ(machine.Run(), std::string(name) == "data\\\\here.txt" ? 2u : 1u) << name;
    }
}

}  // namespace

namespace {

// The interrupt routine as the novel scene drives it: entered while the code waits for a click, left
// when the routine yields its end code, after which the code goes on after its wait.
TEST(InterruptRoutine, EnteredAndLeftAroundAClickWait) {
    testsupport::ResetGameState();
    CVCPUNovel machine;
    machine.SetCode(testsupport::Code(R"(
        SetInterrupt menu
        SetResult RESULT_CLICK_WAIT
        Yield
        SetResult RESULT_SCENE_END
        Yield
    menu:
        Push 3
        PopTo param[0]
        SetResult RESULT_END_INTERRUPT
        Yield
    )"));
    machine.JumpTo(0);
    EXPECT_EQ(machine.Run(), uint32_t(VCOpcodes::kResultClickWait));
    machine.GetCursor().EnterInterrupt();
    EXPECT_EQ(machine.Run(), uint32_t(VCOpcodes::kResultEndInterrupt));
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(0), 3);
    machine.GetCursor().LeaveInterrupt();
    EXPECT_EQ(machine.Run(), uint32_t(VCOpcodes::kResultSceneEnd));
}

}  // namespace
