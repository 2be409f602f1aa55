// Script time of renderer directions per frame: 32 running directions, each moving and fading its own
// renderer every frame (the goal is under 0.5 ms per frame on one core).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>

#include "novel/render/RendererManager.h"
#include "novel/script/ASRendererDirManager.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kMove = R"(
void Update() {
    uint32 id = GetIntParam(0);
    float t = 0;
    while (true) {
        t += 1;
        float x, y, z;
        GetPosition(id, x, y, z);
        SetPosition(id, x + 1, 300 + sin(t * 0.1f) * 50, 0);
        SetColor(id, 1, 1, 1, 0.5f + 0.5f * cos(t * 0.05f));
        Wait(1);
    }
}
)";

// The script in a scratch folder that is the current directory while the benchmark runs.
class ScratchScript {
public:
    ScratchScript() {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd)) previous_ = cwd;
        std::string pattern = (fs::temp_directory_path() / "marlowe_bench_XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
        fs::create_directories(fs::path(path_) / "AS");
        std::ofstream(fs::path(path_) / "AS" / "Move.as") << kMove;
        ok_ = ::chdir(path_.c_str()) == 0;
    }
    ~ScratchScript() {
        if (!previous_.empty() && ::chdir(previous_.c_str()) != 0) return;
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    bool Ok() const { return ok_; }

private:
    std::string previous_, path_;
    bool ok_ = false;
};

void BM_ThirtyTwoDirectionsMovingRenderers(benchmark::State& state) {
    ScratchScript folder;
    CRendererManager renderers;
    RenderSource::CRenderSourceManager sources;
    CASRendererDirManager manager;
    if (!folder.Ok() || !manager.Initialize(&renderers, &sources)) {
        state.SkipWithError("no direction engine");
        return;
    }
    manager.SetModuleCacheSize(4);
    for (int i = 0; i < 32; ++i) {
        renderers.CreateSingleTextureRenderer(100 + i);
        manager.ClearParams();
        manager.AddIntParam(100 + i);
        manager.RunDirection("AS\\Move.as");
    }
    manager.Update();
    if (manager.GetDirections().size() != 32) {
        state.SkipWithError("directions did not start");
        return;
    }
    for (auto _ : state) manager.Update();
    state.SetLabel("one frame of 32 directions");
    manager.EndAllDirections();
    manager.Release();
}
BENCHMARK(BM_ThirtyTwoDirectionsMovingRenderers)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
