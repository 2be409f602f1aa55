// The demo's save screen over its novel scene: the busiest novel frame alone, the same frame with
// the save screen (twelve slot buttons with thumbnails, numbers and time stamps, all slots used)
// open over it through the window manager, updated and drawn as the novel scene does each frame,
// and the opening of that screen (its script module built, the page's save files read and their
// thumbnails uploaded). The game folder the build made is copied into a scratch folder, set up by
// the demo's own system script, and given twelve saves. The frames take their thread and frame
// counts from the environment (environment.h).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "demo_frame.h"
#include "environment.h"
#include "novel/novel/NovelSystem.h"
#include "novel/script/SystemInfo.h"
#include "novel/state/SaveDataManager.h"
#include "support/RenderDevice.h"
#include "support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;

// A copy of the game folder as the current folder, with a full page of saves; removed at the end.
struct GameFolder {
    ScratchDir folder;
    bool ok = false;

    GameFolder() {
        fs::copy(MARLOWE_GAME_DIR, folder.Path(), fs::copy_options::recursive);
        fs::create_directory("save");
        ok = CSystemInfo::GetInstance()->Execute("AS\\InitSystem.as");
        for (std::int32_t slot = 0; ok && slot < 12; ++slot)
            ok = CSaveDataManager::SaveToFile(GetSavePath(slot).c_str());
    }
};

// Each frame as the novel scene runs it: the window manager takes the cursor (over a slot, no
// button), then the pictures and the windows are drawn.
void BM_NovelFrame(benchmark::State& state) {
    const bool saveScreen = state.range(0) != 0;
    benchenv::ThreadsFromEnvironment();
    auto device = std::make_unique<testsupport::RenderDevice>();
    if (!device->Ok()) {
        state.SkipWithError("no device");
        return;
    }
    {
        GameFolder game;
        demobench::DemoFrame frame;
        CUIWindowManager& windows = CNovelSystem::GetInstance()->GetWindowManager();
        windows.Initialize();
        if (!game.ok || (saveScreen && !windows.PushWindow(0, "AS\\Save.as", 0, 0, 0, 1))) {
            state.SkipWithError("the game folder or the save screen did not set up");
        } else {
            // Haru shifts a pixel back and forth, so no frame repeats the one before it.
            IRenderer* haru = frame.renderers.GetRenderer(20);
            int n = 0;
            for (auto _ : state) {
                haru->SetPosition(250.0f + static_cast<float>(++n & 1), 300, 0);
                std::uint32_t buttons = 0;
                windows.HandleInput(100, 200, &buttons);
                device->Frame([&] {
                    frame.renderers.RenderAll();
                    windows.Render();
                });
            }
        }
        windows.Terminate();
    }
    device.reset();
}
// Argument: 0 the novel scene alone, 1 with the save screen over it.
BENCHMARK(BM_NovelFrame)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("save_screen")
    ->Unit(benchmark::kMillisecond)
    ->Apply(benchenv::FramesFromEnvironment);

// Opening the save screen: the script module built, its controls made, the page's twelve saves
// read and their thumbnails uploaded; closed again outside the timing.
void BM_OpenSaveScreen(benchmark::State& state) {
    auto device = std::make_unique<testsupport::RenderDevice>();
    if (!device->Ok()) {
        state.SkipWithError("no device");
        return;
    }
    {
        GameFolder game;
        CUIWindowManager& windows = CNovelSystem::GetInstance()->GetWindowManager();
        windows.Initialize();
        if (!game.ok) state.SkipWithError("the game folder did not set up");
        for (auto _ : state) {
            if (!windows.PushWindow(0, "AS\\Save.as", 0, 0, 0, 1)) {
                state.SkipWithError("the save screen did not open");
                break;
            }
            state.PauseTiming();
            windows.CloseAllDialogs();
            state.ResumeTiming();
        }
        windows.Terminate();
    }
    device.reset();
}
BENCHMARK(BM_OpenSaveScreen)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
