// A choice over the demo's novel frame: the busiest novel frame alone, and the same frame with a
// choice of four items from the demo's choice sheet whose scripts move, fade and switch their
// pictures every frame, stepped and drawn as the novel scene does (the manager's step, then the
// items' scripts and their drawing). The frames take their thread and frame counts from the
// environment (environment.h).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "demo_frame.h"
#include "environment.h"
#include "novel/choices/AlternativeManager.h"
#include "novel/novel/NovelSystem.h"
#include "support/RenderDevice.h"
#include "support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;

// Every item sways, pulses and switches between its two looks, one step per frame, for ever.
const char* const kScript =
    "void Appear() {\n"
    "  int part = GetCreateParam(0);\n"
    "  SetEnableEvent(true);\n"
    "  for (int f = 0; ; f++) {\n"
    "    SetOffset(8 * sin(f * 0.1f), 0, 0);\n"
    "    SetColor(1, 1, 1, 0.75f + 0.25f * cos(f * 0.05f));\n"
    "    SetPatNo((f / 8) % 2 == 0 ? part : part + 3);\n"
    "    WaitAlt(1);\n"
    "  }\n"
    "}\n";

// A scratch folder as the current folder with the demo's choice sheet and the script; removed at the end.
struct ChoiceFolder {
    ScratchDir folder;

    ChoiceFolder() {
        fs::create_directories("ui");
        for (const char* f : {"choice.png", "choice.parts"})
            fs::copy(fs::path(MARLOWE_GAME_DIR) / "ui" / f, fs::path("ui") / f);
        folder.Write("AS/Bench.as", kScript);
    }
};

// Argument: 0 the novel frame alone, 1 with the choice of four animating items.
void BM_ChoiceFrame(benchmark::State& state) {
    const bool withChoice = state.range(0) != 0;
    benchenv::ThreadsFromEnvironment();
    auto device = std::make_unique<testsupport::RenderDevice>();
    if (!device->Ok()) {
        state.SkipWithError("no device");
        return;
    }
    {
        ChoiceFolder folder;
        demobench::DemoFrame frame;
        auto& sheets = CNovelSystem::GetInstance()->GetRenderSources().partsTextures;
        sheets.Allocate(1);
        CAlternativeManager choices;
        const bool ok = sheets.GetSource(0)->Create("ui\\choice.png", D3DFMT_A8R8G8B8, "ui\\choice.parts") &&
                        choices.Initialize(&frame.renderers);
        choices.LoadScript("AS\\Bench.as");
        if (!ok || choices.GetEntry(0) < 0) {
            state.SkipWithError("the choice sheet or its script did not set up");
        } else {
            if (withChoice) {
                for (std::uint32_t i = 0; i < 4; ++i) {
                    choices.SetCreateParam(0, i % 3);
                    choices.AddChoice(240, 120 + 64.0f * i, -1, 0, i, 0, 0, 320, 48);
                }
            }
            // Haru shifts a pixel back and forth, so no frame repeats the one before it.
            IRenderer* haru = frame.renderers.GetRenderer(20);
            int n = 0;
            for (auto _ : state) {
                haru->SetPosition(250.0f + static_cast<float>(++n & 1), 300, 0);
                device->Frame([&] {
                    choices.Update(100, 40, 0);
                    frame.renderers.RenderAll();
                    choices.Draw();
                });
            }
        }
        choices.Clear();
        sheets.Allocate(0);
    }
    device.reset();
}
BENCHMARK(BM_ChoiceFrame)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("choice")
    ->Unit(benchmark::kMillisecond)
    ->Apply(benchenv::FramesFromEnvironment);

}  // namespace

BENCHMARK_MAIN();
