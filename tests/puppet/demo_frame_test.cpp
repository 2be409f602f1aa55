// The demo character drawn through the Direct3D 9 stand-in: frames at two parameter settings differ
// where the mesh moved, repeat exactly, and come back the same after a lost device and a reset.
#include <d3d9.h>
#include <d3d9/testhooks.h>
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <memory>

#include "puppet/PuppetModelD3D.h"
#include "puppet/support/PuppetTestModel.h"
#include "support/D3DDraw.h"
#include "support/DemoFiles.h"

using namespace puppet;

namespace {
constexpr UINT W = 256, H = 384;

using testsupport::DemoPuppetFile;

struct Character {
    explicit Character(IDirect3DDevice9* device) {
        std::vector<uint8_t> bytes = puppet_test::ModelBytes(DemoPuppetFile("hero.txt"));
        model.reset(PuppetModelD3D::loadModel(bytes.data(), static_cast<int>(bytes.size())));
        model->setDevice(device);
        int number = 0;
        for (const char* name : {"hero_body.png", "hero_face.png"}) {
            std::string png = DemoPuppetFile(name);
            IDirect3DTexture9* texture = nullptr;
            EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, png.data(), static_cast<UINT>(png.size()), &texture), D3D_OK);
            model->setTexture(number++, texture);
        }
    }
    ~Character() { model->releaseAllTextures(); }
    std::unique_ptr<PuppetModelD3D> model;
};

// The states the engine's render model applies before a Puppet draw, then one frame.
std::vector<DWORD> drawFrame(IDirect3DDevice9* device, PuppetModelD3D& model, float angle, float mouth) {
    SetScreenProjection(device, static_cast<float>(W), static_cast<float>(H));
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    puppet_test::SetParam(model, "PARAM_ANGLE_X", angle);
    puppet_test::SetParam(model, "PARAM_MOUTH_OPEN_Y", mouth);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF808080, 1.0f, 0);
    device->BeginScene();
    model.draw();
    device->EndScene();
    return ReadTarget(device);
}

int differingPixels(const std::vector<DWORD>& a, const std::vector<DWORD>& b, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += a[static_cast<size_t>(y) * W + x] != b[static_cast<size_t>(y) * W + x];
    return n;
}
}  // namespace

TEST(DemoFrameTest, TwoSettingsDifferWhereTheMeshMovedAndRepeatExactly) {
    puppet_test::PuppetTestDevice dev(W, H);
    ASSERT_NE(dev.device, nullptr);
    Character hero(dev.device);
    ASSERT_TRUE(hero.model->hasData());
    std::vector<DWORD> rest = drawFrame(dev.device, *hero.model, 0, 0);
    std::vector<DWORD> turned = drawFrame(dev.device, *hero.model, 30, 1);
    std::vector<DWORD> restAgain = drawFrame(dev.device, *hero.model, 0, 0);
    EXPECT_EQ(rest, restAgain);
    EXPECT_EQ(hero.model->getDrawParam().errorCode(), 0);

    // The character is drawn: body colour below the neck, skin in the face.
    EXPECT_EQ(rest[300 * W + 128] & 0xFFFFFF, 0x5070C0u);
    EXPECT_EQ(rest[100 * W + 100] & 0xFFFFFF, 0xF2D0B0u);
    // The head and mouth moved, the lower body (which leans by only a few pixels) barely.
    EXPECT_GT(differingPixels(rest, turned, 40, 0, 216, 160), 1000);
    EXPECT_EQ(differingPixels(rest, turned, 100, 200, 156, 340), 0);
    EXPECT_EQ(differingPixels(rest, turned, 0, 0, 20, H), 0);  // background at the left edge
}

TEST(DemoFrameTest, LostDeviceAndResetDrawTheSameFrame) {
    puppet_test::PuppetTestDevice dev(W, H);
    Character hero(dev.device);
    std::vector<DWORD> before = drawFrame(dev.device, *hero.model, 12, 0.5f);

    d3d9test::ForceDeviceLost(dev.device);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    d3d9test::RestoreFocus(dev.device);
    hero.model->releaseDeviceObjects();  // the device-lost callback's work
    ASSERT_EQ(dev->Reset(&dev.params), D3D_OK) << "no default-pool object of the model survives";
    EXPECT_EQ(drawFrame(dev.device, *hero.model, 12, 0.5f), before);
}
