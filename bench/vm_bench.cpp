// Dispatch rate of the scenario machine on a tight arithmetic loop (instructions per second).
#include <benchmark/benchmark.h>

#include "novel/state/GameVariables.h"
#include "novel/vm/VCPUNovel.h"
#include "tools/vnasm/Assembler.h"

namespace {

// 20 instructions per iteration (stack arithmetic, a code-word operand, a game parameter as the loop
// counter, a comparison and a conditional jump); a million iterations, then a yield.
constexpr const char* kLoop = R"(
        ClearStack
        Push 0
    loop:
        Push 1
        Add
        Push 3
        Mul
        Push 7
        And
        Push 100000
        Push 1
        Add
        Push [code_counter]
        Add
        PopTo 0
        Push param[0]
        Push 1
        Add
        PopTo param[0]
        Push 1000000
        Push param[0]
        Less
        JumpIfTrue loop
        Yield
    code_counter: .word 1
)";

void BM_ArithmeticLoop(benchmark::State& state) {
    vnasm::Output out = vnasm::Assemble(kLoop);
    if (!out.Ok()) {
        state.SkipWithError(out.errors.front().c_str());
        return;
    }
    CGameParameterManager::GetInstance()->AllocGameParam(4);
    CVCPUNovel machine;
    machine.SetCode(CVirtualCode::CreateFromBytes("bench.bin", out.code.data(), uint32_t(out.code.size())));
    const double perRun = 2 + 20.0 * 1000000 + 1;
    for (auto _ : state) {
        CGameParameterManager::GetInstance()->SetParam(0, 0);
        machine.JumpTo(0);
        benchmark::DoNotOptimize(machine.Run());
    }
    state.counters["instructions/s"] =
        benchmark::Counter(perRun * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ArithmeticLoop)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
