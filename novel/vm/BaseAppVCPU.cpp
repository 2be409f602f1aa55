// The scenario machine's slice loop, operands and opcodes 0-43.
#include "novel/vm/BaseAppVCPU.h"

#include <windows.h>

#include <boost/format.hpp>

#include "engine/app/USApp.h"
#include "engine/files/USFileArchiveSystem.h"
#include "engine/input/AppCommonInfo.h"
#include "engine/util/USLogManager.h"
#include "novel/sound/SEManager.h"
#include "novel/state/GameVariables.h"
#include "novel/vm/SaveIO.h"
#include "novel/vm/SliceClock.h"
#include "novel/vm/VCOpcodes.h"

CBaseAppVCPU::CBaseAppVCPU() {
    const Handler handlers[] = {
        &CBaseAppVCPU::OpYield,        &CBaseAppVCPU::OpSetResult,      &CBaseAppVCPU::OpWait,
        &CBaseAppVCPU::OpJump,         &CBaseAppVCPU::OpCall,           &CBaseAppVCPU::OpReturn,
        &CBaseAppVCPU::OpErrorReport,  &CBaseAppVCPU::OpPrint,          &CBaseAppVCPU::OpDropReturn,
        &CBaseAppVCPU::OpSwitchJump,   &CBaseAppVCPU::OpSwitchCall,     &CBaseAppVCPU::OpRunSubCode,
        &CBaseAppVCPU::OpEndSubCode,   &CBaseAppVCPU::OpClearStack,     &CBaseAppVCPU::OpPush,
        &CBaseAppVCPU::OpPopTo,        &CBaseAppVCPU::OpAdd,            &CBaseAppVCPU::OpSub,
        &CBaseAppVCPU::OpMul,          &CBaseAppVCPU::OpDiv,            &CBaseAppVCPU::OpMod,
        &CBaseAppVCPU::OpAnd,          &CBaseAppVCPU::OpOr,             &CBaseAppVCPU::OpXor,
        &CBaseAppVCPU::OpNeg,          &CBaseAppVCPU::OpNot,            &CBaseAppVCPU::OpLogicalNot,
        &CBaseAppVCPU::OpLess,         &CBaseAppVCPU::OpLessEqual,      &CBaseAppVCPU::OpGreater,
        &CBaseAppVCPU::OpGreaterEqual, &CBaseAppVCPU::OpJumpIfTrue,     &CBaseAppVCPU::OpJumpIfFalse,
        &CBaseAppVCPU::OpJumpPop,      &CBaseAppVCPU::OpCallPop,        &CBaseAppVCPU::OpPushTableValue,
        &CBaseAppVCPU::OpPlaySE,       &CBaseAppVCPU::OpStopSE,         &CBaseAppVCPU::OpStopAllSE,
        &CBaseAppVCPU::OpLoadSE,       &CBaseAppVCPU::OpPlayLoadedSE,   &CBaseAppVCPU::OpShellOpen,
        &CBaseAppVCPU::OpLeaveFullScreen, &CBaseAppVCPU::OpJumpIfFileExists,
    };
    for (uint32_t op = 0; op < std::size(handlers); ++op) RegisterOpcode(op, handlers[op]);
}

void CBaseAppVCPU::Save(USLib::binary_ostream<256>& out) {
    cursor_.Save(out);
    SaveIO::WriteU32(out, wait_);
    for (uint32_t i = 0; i < stack_.kCapacity; ++i) SaveIO::WriteU32(out, static_cast<uint32_t>(stack_.GetCells()[i]));
}

void CBaseAppVCPU::Load(USLib::binary_istream& in, uint32_t version) {
    cursor_.Load(in, version);
    wait_ = SaveIO::ReadU32(in);
    for (uint32_t i = 0; i < stack_.kCapacity; ++i) stack_.GetCells()[i] = static_cast<int32_t>(SaveIO::ReadU32(in));
}

uint32_t CBaseAppVCPU::Run() {
    if (wait_ > 0 && --wait_ > 0) return VCOpcodes::kResultNone;
    result_ = VCOpcodes::kResultNone;
    stop_ = kRunning;
    CSliceClock clock;
    while (stop_ == kRunning) {
        Execute(cursor_.ReadInt());
        if (--instructionsLeft_ == 0 && stop_ == kRunning) Fault("no yield within the instruction limit of one slice");
        // Slow instructions without a yield, or a close request: the frame gets control back and the
        // code goes on from here in the next one, still counting toward the same instruction limit.
        if (stop_ == kRunning && clock.ShouldStop()) return result_;
    }
    instructionsLeft_ = kSliceInstructionLimit;
    return result_;
}

void CBaseAppVCPU::JumpTo(uint32_t offset) {
    cursor_.Seek(offset);
    ResetWait();
    instructionsLeft_ = kSliceInstructionLimit;
}

void CBaseAppVCPU::Push(int32_t value) {
    if (stack_.IsFull()) return Fault("value stack overflow");
    stack_.Push(value);
}

int32_t CBaseAppVCPU::Pop() {
    if (stack_.IsEmpty()) {
        Fault("value stack underflow");
        return 0;
    }
    return stack_.Pop();
}

void CBaseAppVCPU::CallAddress(uint32_t offset) {
    if (cursor_.GetReturnDepth() >= kMaxReturnDepth) return Fault("calls nested too deeply");
    cursor_.Call(offset);
}

void CBaseAppVCPU::ReturnFromCall() {
    if (!cursor_.Return()) Fault("return without a call");
}

void CBaseAppVCPU::Fault(const char* reason) {
    if (stop_ == kFaulted) return;  // already stopped in this slice
    VirtualCodePtr code = cursor_.GetCurrentCode();
    US_LOG("CBaseAppVCPU :: %s in [%s] at %u; the scenario stops\n", reason, code ? code->GetName().c_str() : "",
           cursor_.GetPosition());
    // Past the end every fetch reads 0, the yield: the scenario stays where it is.
    cursor_.Seek(cursor_.GetCurrentCode() ? cursor_.GetCurrentCode()->GetSize() : 0);
    result_ = VCOpcodes::kResultNone;
    stop_ = kFaulted;
}

int32_t CBaseAppVCPU::ReadOperand() {
    uint32_t mode = cursor_.ReadInt();
    if (mode > VCOpcodes::kOperandConfig) return 0;
    uint32_t value = cursor_.ReadInt();
    switch (mode) {
        case VCOpcodes::kOperandImmediate: return static_cast<int32_t>(value);
        case VCOpcodes::kOperandCodeWord: {
            const uint32_t* word = cursor_.GetPointerAt(value);
            return word ? static_cast<int32_t>(*word) : 0;
        }
        case VCOpcodes::kOperandParam: return GetVariableByKind(kVariableParam, static_cast<int32_t>(value));
        default: return GetVariableByKind(kVariableConfig, static_cast<int32_t>(value));
    }
}

void CBaseAppVCPU::WriteOperand(int32_t v) {
    uint32_t mode = cursor_.ReadInt();
    if (mode > VCOpcodes::kOperandConfig) return;
    uint32_t index = cursor_.ReadInt();
    if (mode == VCOpcodes::kOperandParam) SetVariableByKind(kVariableParam, static_cast<int32_t>(index), v);
    if (mode == VCOpcodes::kOperandConfig) SetVariableByKind(kVariableConfig, static_cast<int32_t>(index), v);
}

const char* CBaseAppVCPU::ReadString() {
    const char* s = cursor_.GetStringAt(cursor_.ReadInt());
    return s ? s : "";
}

uint32_t CBaseAppVCPU::TableEntry() {
    uint32_t table = cursor_.ReadInt();
    uint32_t count = cursor_.ReadInt();
    uint32_t index = static_cast<uint32_t>(ReadOperand());
    return cursor_.ReadTableIntAt(table, index, count);
}

template <class F>
void CBaseAppVCPU::Binary(F f) {
    int32_t a = Pop();
    int32_t b = Pop();
    Push(f(a, b));
}

void CBaseAppVCPU::OpYield() { stop_ = kYielded; }
void CBaseAppVCPU::OpSetResult() { result_ = cursor_.ReadInt(); }
void CBaseAppVCPU::OpWait() { wait_ = cursor_.ReadInt(); }
void CBaseAppVCPU::OpJump() { cursor_.Seek(cursor_.ReadInt()); }
void CBaseAppVCPU::OpCall() { CallAddress(cursor_.ReadInt()); }
void CBaseAppVCPU::OpReturn() { ReturnFromCall(); }

// The main window's title, when the application has a window.
static void SetMainWindowTitle(const char* text) {
    CUSApp* app = CUSApp::GetApp();
    if (app && app->GetWindow()) SetWindowTextA(app->GetWindow()->GetHandle(), text);
}

void CBaseAppVCPU::OpErrorReport() {
    const char* file = ReadString();
    int32_t line = static_cast<int32_t>(cursor_.ReadInt());
    const char* text = ReadString();
    SetMainWindowTitle((boost::format("%s(%d): %s") % file % line % text).str().c_str());
}

void CBaseAppVCPU::OpPrint() { SetMainWindowTitle(ReadString()); }
void CBaseAppVCPU::OpDropReturn() { cursor_.PopReturn(); }
void CBaseAppVCPU::OpSwitchJump() { cursor_.Seek(TableEntry()); }
void CBaseAppVCPU::OpSwitchCall() { CallAddress(TableEntry()); }

void CBaseAppVCPU::OpRunSubCode() {
    const char* name = cursor_.GetStringAt(cursor_.ReadInt());
    VirtualCodePtr code = name && *name ? CVirtualCode::Create(name) : nullptr;
    if (!code) return;
    uint32_t levels = 0;
    cursor_.CountLevels(levels);
    if (levels >= CVCPointer::kMaxLevels) return Fault("sub-code files nested too deeply");
    cursor_.CallCode(std::move(code), 0);
}

void CBaseAppVCPU::OpEndSubCode() { cursor_.EndCallCode(); }
void CBaseAppVCPU::OpClearStack() { stack_.Clear(); }
void CBaseAppVCPU::OpPush() { Push(ReadOperand()); }

void CBaseAppVCPU::OpPopTo() {
    int32_t v = Pop();
    WriteOperand(v);
}

// Wrapping arithmetic: the code's numbers are 32-bit two's complement.
static int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

void CBaseAppVCPU::OpAdd() { Binary([](int32_t a, int32_t b) { return Wrap(int64_t(a) + b); }); }
void CBaseAppVCPU::OpSub() { Binary([](int32_t a, int32_t b) { return Wrap(int64_t(a) - b); }); }
void CBaseAppVCPU::OpMul() { Binary([](int32_t a, int32_t b) { return Wrap(int64_t(a) * b); }); }

void CBaseAppVCPU::OpDiv() {
    int32_t a = Pop();
    int32_t b = Pop();
    if (b == 0) return Fault("division by zero");
    Push(Wrap(int64_t(a) / b));
}

void CBaseAppVCPU::OpMod() {
    int32_t a = Pop();
    int32_t b = Pop();
    if (b == 0) return Fault("division by zero");
    Push(static_cast<int32_t>(int64_t(a) % b));
}

void CBaseAppVCPU::OpAnd() { Binary([](int32_t a, int32_t b) { return a & b; }); }
void CBaseAppVCPU::OpOr() { Binary([](int32_t a, int32_t b) { return a | b; }); }
void CBaseAppVCPU::OpXor() { Binary([](int32_t a, int32_t b) { return a ^ b; }); }
void CBaseAppVCPU::OpNeg() { Push(Wrap(-int64_t(Pop()))); }
void CBaseAppVCPU::OpNot() { Push(~Pop()); }
void CBaseAppVCPU::OpLogicalNot() { Push(Pop() == 0 ? 1 : 0); }
void CBaseAppVCPU::OpLess() { Binary([](int32_t a, int32_t b) { return a < b ? 1 : 0; }); }
void CBaseAppVCPU::OpLessEqual() { Binary([](int32_t a, int32_t b) { return a <= b ? 1 : 0; }); }
void CBaseAppVCPU::OpGreater() { Binary([](int32_t a, int32_t b) { return a > b ? 1 : 0; }); }
void CBaseAppVCPU::OpGreaterEqual() { Binary([](int32_t a, int32_t b) { return a >= b ? 1 : 0; }); }

void CBaseAppVCPU::OpJumpIfTrue() {
    uint32_t target = cursor_.ReadInt();
    if (Pop() != 0) cursor_.Seek(target);
}

void CBaseAppVCPU::OpJumpIfFalse() {
    uint32_t target = cursor_.ReadInt();
    if (Pop() == 0) cursor_.Seek(target);
}

void CBaseAppVCPU::OpJumpPop() { cursor_.Seek(static_cast<uint32_t>(Pop())); }
void CBaseAppVCPU::OpCallPop() { CallAddress(static_cast<uint32_t>(Pop())); }
void CBaseAppVCPU::OpPushTableValue() { Push(static_cast<int32_t>(TableEntry())); }

void CBaseAppVCPU::OpPlaySE() {
    uint32_t channel = cursor_.ReadInt();
    const char* file = ReadString();
    uint32_t config = cursor_.ReadInt();
    uint32_t maxVolume = cursor_.ReadInt();
    CSEManager::GetInstance()->PlaySE(channel, file, config, maxVolume);
}

void CBaseAppVCPU::OpStopSE() { CSEManager::GetInstance()->StopSE(cursor_.ReadInt()); }
void CBaseAppVCPU::OpStopAllSE() { CSEManager::GetInstance()->StopAll(); }

void CBaseAppVCPU::OpLoadSE() {
    uint32_t channel = cursor_.ReadInt();
    CSEManager::GetInstance()->LoadSEBuffer(channel, ReadString());
}

void CBaseAppVCPU::OpPlayLoadedSE() {
    uint32_t channel = cursor_.ReadInt();
    uint32_t config = cursor_.ReadInt();
    uint32_t maxVolume = cursor_.ReadInt();
    CSEManager::GetInstance()->PlaySEBuffer(channel, config, maxVolume);
}

void CBaseAppVCPU::OpShellOpen() {
    const char* target = ReadString();
    if (!*target) return;
    // The shell opens web and mail addresses and documents only; a refusal is logged.
    HINSTANCE result = ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) <= 32) US_LOG("Shell open of [%s] refused or failed\n", target);
}

void CBaseAppVCPU::OpLeaveFullScreen() {
    CAppCommonInfo* common = CUSSingleton<CAppCommonInfo>::GetInstance();
    if (common->IsFullScreen()) common->SetFullScreen(0);
}

void CBaseAppVCPU::OpJumpIfFileExists() {
    const char* name = ReadString();
    uint32_t target = cursor_.ReadInt();
    if (ArchiveFileExists(name)) cursor_.Seek(target);
}
