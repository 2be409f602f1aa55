// Puppet benchmark: one frame of the demo character (motions, update, draw into an 800 × 600
// target through the Direct3D 9 stand-in on one thread), and the same without the draw.
// Goal: under 0.3 ms per frame. Also the waiting scene of bench/puppet_scene.sh in-process: the
// background and the idling character composed by the novel scene's render process and presented,
// with and without the character, as its processor time's share of one core at 60 frames a second.
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>

#include "puppet/Motion.h"
#include "puppet/PuppetModelD3D.h"
#include "novel/novel/NovelSystem.h"
#include "puppet/Ut.h"
#include "support/DemoFiles.h"
#include "support/RenderDevice.h"
#include "support/ScratchDir.h"
#include "support/TestDevice.h"
#include "tools/puppet_writer/PuppetWriter.h"

namespace {
using testsupport::DemoPuppetFile;

// Runs one frame per iteration; `draw` false measures the runtime's own work (motions, update).
void run(benchmark::State& state, bool draw) {
    TestDevice testDevice = DeviceOnThreads(1, 800, 600, false);
    IDirect3DDevice9* device = testDevice.device;
    if (!device) {
        state.SkipWithError("no device");
        return;
    }
    puppet_writer::ModelDescription description;
    std::string error;
    puppet_writer::ParseDescription(DemoPuppetFile("hero.txt"), description, error);
    std::vector<uint8_t> bytes = puppet_writer::WriteModel(description);
    std::unique_ptr<PuppetModelD3D> model(PuppetModelD3D::loadModel(bytes.data(), static_cast<int>(bytes.size())));
    model->setDevice(device);
    int number = 0;
    for (const char* name : {"hero_body.png", "hero_face.png"}) {
        std::string png = DemoPuppetFile(name);
        IDirect3DTexture9* texture = nullptr;
        D3DXCreateTextureFromFileInMemory(device, png.data(), static_cast<UINT>(png.size()), &texture);
        model->setTexture(number++, texture);
    }
    std::string idleText = DemoPuppetFile("idle.mtn"), talkText = DemoPuppetFile("talk.mtn");
    std::unique_ptr<puppet::PuppetMotion> idle(puppet::PuppetMotion::loadMotion(idleText.data(), static_cast<int>(idleText.size())));
    std::unique_ptr<puppet::PuppetMotion> talk(puppet::PuppetMotion::loadMotion(talkText.data(), static_cast<int>(talkText.size())));
    idle->loop = talk->loop = true;
    puppet::MotionQueueManager head, mouth;
    head.startMotion(idle.get(), false);
    mouth.startMotion(talk.get(), false);

    D3DXMATRIX projection;
    D3DXMatrixOrthoOffCenterLH(&projection, -272.0f, 528.0f, 500.0f, -100.0f, 0.0f, 1.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    // The device records draws and runs them when their results are needed, as a game's Present does
    // each frame: here a lock of the back buffer.
    IDirect3DSurface9* backBuffer = nullptr;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    int64_t now = 1;
    for (auto _ : state) {
        puppet::UtSystem::setUserTimeMSec(now += 16);
        head.updateParam(model.get());
        mouth.updateParam(model.get());
        model->update();
        if (!draw) continue;
        device->BeginScene();
        model->draw();
        device->EndScene();
        D3DLOCKED_RECT lr;
        backBuffer->LockRect(&lr, nullptr, D3DLOCK_READONLY);
        backBuffer->UnlockRect();
    }
    backBuffer->Release();
    puppet::UtSystem::setUserTimeMSec(0);
    model->releaseAllTextures();
    model.reset();
}
void BM_DemoCharacterFrame(benchmark::State& state) { run(state, true); }
void BM_DemoCharacterUpdateOnly(benchmark::State& state) { run(state, false); }
BENCHMARK(BM_DemoCharacterFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DemoCharacterUpdateOnly)->Unit(benchmark::kMicrosecond);

// The waiting scene: the demo background and (argument 1) the idling character at the script's
// place, each frame 16 ms of motion later, updated, composed and presented as the game does.
void BM_WaitingScene(benchmark::State& state) {
    auto device = std::make_unique<testsupport::RenderDevice>();
    if (!device->Ok()) {
        state.SkipWithError("no device");
        return;
    }
    {
        ScratchDir folder;
        testsupport::WriteDemoCharacter(folder);
        RenderSource::CRenderSourceManager sources;
        CRendererManager renderers;
        sources.singleTextures.Allocate(1);
        sources.singleTextures.GetSource(0)->Create(MARLOWE_SOURCE_DIR "/demo/media/arc/image/bg/window.png",
                                                    D3DFMT_A8R8G8B8, nullptr);
        auto place = [&](IRenderer* r, float x, float y, std::uint32_t layer) {
            r->SetRenderSourceManager(&sources);
            r->SetSource(0);
            r->SetPosition(x, y, 0);
            r->SetColor(1, 1, 1, 1);
            r->SetRegistTable(layer);
            r->SetRendering(true);
        };
        place(renderers.CreateSingleTextureRenderer(10), 400, 300, 0);
        if (state.range(0)) {
            sources.puppetModels.Allocate(1);
            RenderSource::PuppetModelSource* source = sources.puppetModels.GetSource(0);
            source->LoadModel("hero.pup");
            source->AddTexture("hero_body.png");
            source->AddTexture("hero_face.png");
            source->AddMotion("idle.mtn");
            PuppetRenderer* hero = renderers.CreatePuppetRenderer(40);
            place(hero, 272, 40, 1);
            hero->BeginMotion(0);
            hero->PushLoopMotion(0);
        }
        int64_t now = 1;
        const std::clock_t start = std::clock();
        for (auto _ : state) {
            puppet::UtSystem::setUserTimeMSec(now += 16);
            device->Present([&] {
                renderers.UpdatePuppet();
                renderers.RenderAll();
            });
        }
        const double cpuPerFrame =
            static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC / static_cast<double>(state.iterations());
        state.counters["core_percent_at_60fps"] = cpuPerFrame * 60.0 * 100.0;
        renderers.DeleteAll();
        sources.ReleaseAll();
        puppet::UtSystem::setUserTimeMSec(0);
    }
    device.reset();
}
BENCHMARK(BM_WaitingScene)->Arg(0)->Arg(1)->ArgName("character")->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();
}  // namespace

int main(int argc, char** argv) {
    // Frames are presented into a window as the game's are (compared with what it shows, only their
    // changes sent): the dummy video driver's, unless a driver is named.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
