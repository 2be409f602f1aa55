// The scenario machine: a 512-entry opcode table over the code cursor, a value stack of 256 integers,
// a wait counter and the run result; opcodes 0-43 (flow, stack arithmetic, tables, sub-code files,
// sound effects, shell open, file tests). Derived machines register their own opcodes after these.
#pragma once
#include <cstdint>

#include "novel/vm/BaseUSVCPU.h"

// A fixed stack of N values; the owner checks depth before pushing or popping.
template <class T, uint32_t N>
class CUSFixedStack {
public:
    virtual ~CUSFixedStack() { depth_ = 0; }
    virtual void Clear() { depth_ = 0; }
    bool IsFull() const { return depth_ >= N; }
    bool IsEmpty() const { return depth_ == 0; }
    void Push(T v) { cells_[depth_++] = v; }
    T Pop() { return cells_[--depth_]; }
    uint32_t GetDepth() const { return depth_; }
    T* GetCells() { return cells_; }
    const T* GetCells() const { return cells_; }
    static constexpr uint32_t kCapacity = N;

private:
    T cells_[N] = {};
    uint32_t depth_ = 0;
};

class CBaseAppVCPU : public CBaseUSVCPU {
public:
    using Handler = void (CBaseAppVCPU::*)();
    static constexpr uint32_t kOpcodeCount = 512;
    // A slice that runs this many instructions without yielding is code stuck in a loop: the
    // scenario stops there so that the game stays responsive.
    static constexpr uint32_t kSliceInstructionLimit = 1u << 24;

    CBaseAppVCPU();

    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;
    // One frame's slice: runs until a yield and returns the run result (0 while waiting). A slice that
    // runs past its time, or meets a close request (CSliceClock), returns 0 and goes on from there in
    // the next.
    uint32_t Run() override;

    // True when the last slice was cut short by its time or a close request: the next Run goes on
    // with it.
    bool IsSliceCut() const { return instructionsLeft_ != kSliceInstructionLimit; }
    void ClearWait() { wait_ = 0; }
    void ResetWait() { wait_ = 0; }
    void Execute(uint32_t opcode) {
        if (opcode < kOpcodeCount && table_[opcode]) (this->*table_[opcode])();
    }
    // Seek, then clear the wait counter.
    void JumpTo(uint32_t offset);
    void Push(int32_t value);
    int32_t Pop();
    void RegisterOpcode(uint32_t opcode, Handler handler) {
        if (opcode < kOpcodeCount) table_[opcode] = handler;
    }
    bool IsRegistered(uint32_t opcode) const { return opcode < kOpcodeCount && table_[opcode] != nullptr; }
    // Most return offsets one code level may hold: deeper calls are code that never returns.
    static constexpr uint32_t kMaxReturnDepth = 4096;
    void CallAddress(uint32_t offset);
    void ReturnFromCall();
    int32_t ReadOperand();
    void WriteOperand(int32_t value);
    VirtualCodePtr GetCurrentCode() const { return cursor_.GetCurrentCode(); }

    uint32_t GetWaitCounter() const { return wait_; }
    const CUSFixedStack<int32_t, 256>& GetStack() const { return stack_; }

protected:
    // Reads an S operand: the string at the offset in the next word ("" when outside the code).
    const char* ReadString();
    // Bad code met (stack overflow or underflow, return without a call, calls or sub-code files nested
    // too deeply, division by zero, no yield within the slice limit): logs the
    // reason with the code file and offset and stops the scenario where it is; later slices yield 0.
    void Fault(const char* reason);

private:
    uint32_t TableEntry();

    void OpYield();
    void OpSetResult();
    void OpWait();
    void OpJump();
    void OpCall();
    void OpReturn();
    void OpErrorReport();
    void OpPrint();
    void OpDropReturn();
    void OpSwitchJump();
    void OpSwitchCall();
    void OpRunSubCode();
    void OpEndSubCode();
    void OpClearStack();
    void OpPush();
    void OpPopTo();
    void OpAdd();
    void OpSub();
    void OpMul();
    void OpDiv();
    void OpMod();
    void OpAnd();
    void OpOr();
    void OpXor();
    void OpNeg();
    void OpNot();
    void OpLogicalNot();
    void OpLess();
    void OpLessEqual();
    void OpGreater();
    void OpGreaterEqual();
    void OpJumpIfTrue();
    void OpJumpIfFalse();
    void OpJumpPop();
    void OpCallPop();
    void OpPushTableValue();
    void OpPlaySE();
    void OpStopSE();
    void OpStopAllSE();
    void OpLoadSE();
    void OpPlayLoadedSE();
    void OpShellOpen();
    void OpLeaveFullScreen();
    void OpJumpIfFileExists();

    template <class F>
    void Binary(F f);

    // Why the running slice ends: a yield, or a fault that parked the code at its end.
    enum Stop : uint32_t { kRunning = 0, kYielded = 1, kFaulted = 2 };

    Handler table_[kOpcodeCount] = {};
    uint32_t wait_ = 0;
    uint32_t result_ = 0;
    Stop stop_ = kRunning;
    // Instructions the code may still run before its next yield; slices cut short by their time keep
    // counting.
    uint32_t instructionsLeft_ = kSliceInstructionLimit;
    CUSFixedStack<int32_t, 256> stack_;
};
