// Fuzz target: scenario code files on both machines, the novel machine and the scene machine, each run
// from the start for a number of slices with the engine's device and the game variables in place.
#include <chrono>
#include <cstdint>

#include "fuzz/device_support.h"
#include "fuzz/fuzz_support.h"
#include "support/GameState.h"
#include "novel/vm/VCPUNovel.h"
#include "novel/vm/VCPUSceneManager.h"
#include "novel/vm/VirtualCode.h"

namespace {
// Up to 40 slices, as long as they take together at most about a second: a slice of slow
// instructions may take the game's whole slice time, and forty of those would pass for a hang.
template <class Machine>
void RunSlices(const std::uint8_t* data, std::size_t size) {
    Machine machine;
    machine.SetCode(CVirtualCode::CreateFromBytes("fuzz.bin", data, static_cast<std::uint32_t>(size)));
    machine.JumpTo(0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (int slice = 0; slice < 40 && std::chrono::steady_clock::now() < end; ++slice) machine.Run();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!fuzz::OpenEngineDevice()) return 0;
    // Sub-code files and saved cursors open the code by name.
    fuzz::WriteFile("fuzz.bin", data, size);
    testsupport::ResetGameState(64);
    RunSlices<CVCPUNovel>(data, size);
    testsupport::ResetGameState(64);
    RunSlices<CVCPUSceneManager>(data, size);
    return 0;
}
