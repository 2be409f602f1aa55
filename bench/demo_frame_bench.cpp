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

#include "novel/novel/NovelSystem.h"
#include "novel/support/RenderDevice.h"

namespace {

const char* const kGothic = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ ゴシック

struct DemoFrame {
    RenderSource::CRenderSourceManager sources;
    CRendererManager renderers;

    void Picture(std::uint32_t id, std::uint32_t source, float x, float y, std::uint32_t layer) {
        CSingleTextureRenderer* r = renderers.CreateSingleTextureRenderer(id);
        r->SetRenderSourceManager(&sources);
        r->SetSource(source);
        r->SetPosition(x, y, 0);
        r->SetColor(1, 1, 1, 1);
        r->SetRegistTable(layer);
        r->SetRendering(true);
    }
    void Text(std::uint32_t id, const char* text, int size, int width, float x, float y) {
        CStringRendererManager& buffers = CNovelSystem::GetInstance()->GetTextBuffers();
        std::uint32_t index = buffers.CreateStringRenderTexture(size, kGothic, width, 100, size, size + 6, 0, true);
        CStringRenderTexture* b = buffers.Get(index);
        b->CreateDC();
        b->ClearTexture();
        b->SetString(text, 255, 255, 255);
        b->DeleteDC();
        CStringRenderer* r = renderers.CreateStringRenderer(id);
        r->SetSource(index);
        r->SetPosition(x, y, 0);
        r->SetColor(1, 1, 1, 1);
        r->SetRegistTable(4);
    }
    // Loads the demo's pictures from its media folder and sets up its renderers as the scenario does.
    DemoFrame() {
        std::filesystem::path previous = std::filesystem::current_path();
        std::filesystem::current_path(MARLOWE_SOURCE_DIR "/demo/media/arc");
        sources.singleTextures.Allocate(4);
        const char* files[] = {"image\\bg\\window.png", "image\\chr\\haru.png", "image\\chr\\ren.png",
                               "ui\\msgwnd.png"};
        for (std::uint32_t i = 0; i < 4; ++i) {
            const RenderSource::Offset corner{0, 0};
            sources.singleTextures.GetSource(i)->Create(files[i], D3DFMT_A8R8G8B8, i == 3 ? &corner : nullptr);
        }
        std::filesystem::current_path(previous);
        Picture(10, 0, 400, 300, 0);
        Picture(20, 1, 250, 300, 1);
        Picture(21, 2, 560, 300, 1);
        Picture(30, 3, 20, 440, 3);
        // ありがとう。一緒に帰ろう。 and ハル
        Text(100, "\x82\xa0\x82\xe8\x82\xaa\x82\xc6\x82\xa4\x81\x42\x88\xea\x8f\x8f\x82\xc9\x8b\x41\x82\xeb\x82\xa4\x81\x42",
             24, 680, 60, 484);
        Text(101, "\x83\x6e\x83\x8b", 20, 240, 44, 450);
    }
    ~DemoFrame() {
        renderers.DeleteAll();
        CNovelSystem::GetInstance()->GetTextBuffers().DeleteAll();
    }
};

void BM_DemoBusiestFrame(benchmark::State& state) {
    d3d9test::SetWorkerThreads(static_cast<unsigned>(state.range(0)));
    auto device = std::make_unique<testsupport::RenderDevice>();
    if (!device->Ok()) {
        state.SkipWithError("no device");
        return;
    }
    {
        DemoFrame frame;
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
