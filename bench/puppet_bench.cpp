// Puppet benchmark: one frame of the demo character (motions, update, draw into an 800 × 600
// target through the Direct3D 9 stand-in on one thread), and the same without the draw.
// Goal: under 0.3 ms per frame.
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <memory>

#include "puppet/Motion.h"
#include "puppet/PuppetModelD3D.h"
#include "puppet/Ut.h"
#include "support/DemoFiles.h"
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
}  // namespace

BENCHMARK_MAIN();
