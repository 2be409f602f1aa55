// The demo's busiest frame: the background, both characters, the message window with a whole line and
// the speaker's name, composed by the novel scene's render process and presented at 800x600, with one
// and with two rasteriser threads, each frame drawn anew or the same frame again. The same frame again
// is what the game shows while it waits for a click, so its time over the 1/60 s frame period is that
// wait's share of one core.
#include <benchmark/benchmark.h>

#include <d3d9/testhooks.h>

#include <ctime>
#include <filesystem>
#include <memory>

#include "demo_frame.h"
#include "support/RenderDevice.h"

namespace {

void BM_DemoBusiestFrame(benchmark::State& state) {
    d3d9test::SetWorkerThreads(static_cast<unsigned>(state.range(0)));
    auto device = std::make_unique<testsupport::RenderDevice>();
    if (!device->Ok()) {
        state.SkipWithError("no device");
        return;
    }
    {
        demobench::DemoFrame frame;
        // Drawn: Haru shifts a pixel back and forth, so no frame repeats the one before it.
        const bool drawn = state.range(1) != 0;
        IRenderer* haru = frame.renderers.GetRenderer(20);
        int n = 0;
        const std::clock_t start = std::clock();
        for (auto _ : state) {
            if (drawn) haru->SetPosition(250.0f + static_cast<float>(++n & 1), 300, 0);
            device->Frame([&] { frame.renderers.RenderAll(); });
        }
        // CPU time of one frame (all threads) as a share of the 1/60 s frame period: the waiting
        // game's use of one core.
        const double cpuPerFrame =
            static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC / static_cast<double>(state.iterations());
        state.counters["core_percent_at_60fps"] = cpuPerFrame * 60.0 * 100.0;
    }
    device.reset();
    d3d9test::SetWorkerThreads(1);
}
// Arguments: rasteriser threads; 1 every frame drawn anew, 0 the same frame again (waiting for a click).
BENCHMARK(BM_DemoBusiestFrame)
    ->ArgsProduct({{1, 2}, {1, 0}})
    ->ArgNames({"threads", "drawn"})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
