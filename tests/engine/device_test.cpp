// The engine's device on the Direct3D 9 stand-in: display-mode choice, format choice, the
// lost-device state machine with its event lists, resources across a reset, display changes and
// the full-screen adjuster's factor and bars.
#include <gtest/gtest.h>

#include <d3d9/testhooks.h>

#include <vector>

#include "engine/app/USWindow.h"
#include "engine/device/AppDeviceInfo.h"
#include "engine/device/D3DDevice.h"
#include "engine/render/ResolutionAdjuster.h"
#include "engine/resources/Texture.h"

namespace {

D3DDISPLAYMODE Mode(UINT w, UINT h) { return D3DDISPLAYMODE{w, h, 60, D3DFMT_X8R8G8B8}; }

TEST(DisplayModeTest, FindDisplayModeTakesTheSmallestCoveringElseTheLargestBelow) {
    std::vector<D3DDISPLAYMODE> modes = {Mode(1024, 768), Mode(800, 600), Mode(1280, 720), Mode(1920, 1080),
                                         Mode(1280, 720)};
    d3d9test::SetDisplayModes(&modes);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    CAdapterInfo adapter;
    adapter.Enumerate(d3d);
    struct Case {
        UINT w, h;
        UINT expectW, expectH;  // 0 x 0: none.
    };
    for (const Case& c : {Case{800, 600, 800, 600}, Case{1000, 700, 1024, 768}, Case{1100, 700, 1280, 720},
                          Case{1280, 800, 1920, 1080}, Case{2560, 1440, 1920, 1080}, Case{640, 480, 800, 600}}) {
        const CUSDisplayModeInfo* found = adapter.FindDisplayMode(c.w, c.h, D3DFMT_X8R8G8B8);
        ASSERT_NE(found, nullptr) << c.w << "x" << c.h;
        UINT w, h;
        found->GetSize(&w, &h);
        EXPECT_EQ(w, c.expectW) << c.w << "x" << c.h;
        EXPECT_EQ(h, c.expectH) << c.w << "x" << c.h;
    }
    // Duplicates are listed once; another format finds nothing.
    EXPECT_EQ(adapter.GetModes().size(), 4u * 2);  // X8R8G8B8 and R5G6B5 share the hook's sizes.
    EXPECT_EQ(adapter.FindDisplayMode(800, 600, D3DFMT_A8R8G8B8), nullptr);
    d3d->Release();
    d3d9test::SetDisplayModes(nullptr);
}

// A device on a window of the dummy video driver.
class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override { window_.Create(nullptr, "DeviceTestWindow", 800, 600); }
    void Start(UINT fullWidth, UINT fullHeight) {
        ASSERT_GE(InitDirect3D(), 0);
        ASSERT_TRUE(CUSSingleton<CUSAppDeviceInfo>::GetInstance()->Setup(D3DFMT_X8R8G8B8, false));
        ASSERT_GE(CreateD3DDevice(window_.GetHandle(), 800, 600, fullWidth, fullHeight, D3DFMT_X8R8G8B8,
                                  D3DFMT_X8R8G8B8),
                  0);
    }
    void TearDown() override {
        d3d9test::SetDisplayModes(nullptr);
        ReleaseDirect3D();
    }
    CUSWindow window_;
};

int g_lost = 0, g_reset = 0;

TEST_F(DeviceTest, LostDeviceRunsEachListOnceAndRebuildsRenderTargets) {
    Start(800, 600);
    g_lost = g_reset = 0;
    AddDeviceLostCallback([] { ++g_lost; });
    AddDeviceResetCallback([] { ++g_reset; });
    TextureHandle target, managed;
    ASSERT_TRUE(CreateTexture(&target, D3DFMT_A8R8G8B8, 64, 32, 1));
    ASSERT_TRUE(CreateTexture(&managed, D3DFMT_A8R8G8B8, 16, 16, 0));
    IDirect3DTexture9* managedBefore = GetTexture(managed)->GetD3DTexture();

    ASSERT_GE(BeginFrame(), 0);
    d3d9test::ForceDeviceLost(GetD3DDevice());
    EndFrame();
    EXPECT_EQ(GetDeviceState(), static_cast<DWORD>(kDeviceLost));
    EXPECT_EQ(BeginFrame(), D3DERR_DEVICELOST);
    EXPECT_EQ(BeginFrame(), D3DERR_DEVICELOST);
    EXPECT_EQ(g_lost, 1);
    EXPECT_EQ(g_reset, 0);
    EXPECT_EQ(GetTexture(target)->GetD3DTexture(), nullptr);  // Released so that Reset can succeed.

    d3d9test::RestoreFocus(GetD3DDevice());
    ASSERT_GE(BeginFrame(), 0);
    EndFrame();
    EXPECT_EQ(g_lost, 1);
    EXPECT_EQ(g_reset, 1);
    EXPECT_EQ(GetDeviceState(), static_cast<DWORD>(kDeviceReady));
    CUSDefoTexture* rebuilt = GetTexture(target);
    ASSERT_NE(rebuilt->GetD3DTexture(), nullptr);
    UINT w, h;
    rebuilt->GetSize(&w, &h);
    EXPECT_EQ(w, 64u);
    EXPECT_EQ(h, 32u);
    EXPECT_EQ(rebuilt->GetKind(), 1u);
    EXPECT_EQ(GetTexture(managed)->GetD3DTexture(), managedBefore);
}

TEST_F(DeviceTest, DisplayChangeToFullScreenAndBackRestoresTheClientArea) {
    std::vector<D3DDISPLAYMODE> modes = {Mode(1024, 768), Mode(800, 600)};
    d3d9test::SetDisplayModes(&modes);
    Start(1024, 768);
    ASSERT_GE(ChangeDisplayMode(0xFFFFFFFF, 0xFFFFFFFF, false), 0);
    EXPECT_FALSE(IsDeviceWindowed());
    EXPECT_EQ(GetCurrentPresentParameters().BackBufferWidth, 1024u);
    ASSERT_GE(ChangeDisplayMode(800, 600, true), 0);
    EXPECT_TRUE(IsDeviceWindowed());
    RECT client;
    ASSERT_TRUE(GetClientRect(window_.GetHandle(), &client));
    EXPECT_EQ(client.right - client.left, 800);
    EXPECT_EQ(client.bottom - client.top, 600);
}

TEST_F(DeviceTest, AdjusterScalesByOneFactorAndCentres) {
    struct Case {
        UINT w, h;
        float scale, offsetX, offsetY;
        bool scaling;
    };
    for (const Case& c : {Case{1024, 768, 1.28f, 0, 0, true}, Case{1280, 720, 1.2f, 160, 0, true},
                          Case{800, 600, 1.0f, 0, 0, false}, Case{1920, 1080, 1.8f, 240, 0, true}}) {
        std::vector<D3DDISPLAYMODE> modes = {Mode(c.w, c.h)};
        d3d9test::SetDisplayModes(&modes);
        Start(c.w, c.h);
        USResolutionAdjuster adjuster;
        adjuster.Setup();
        EXPECT_FLOAT_EQ(adjuster.GetScale(), c.scale) << c.w;
        EXPECT_FLOAT_EQ(adjuster.GetOffsetX(), c.offsetX) << c.w;
        EXPECT_FLOAT_EQ(adjuster.GetOffsetY(), c.offsetY) << c.w;
        EXPECT_EQ(adjuster.IsScaling(), c.scaling) << c.w;
        adjuster.ReleaseResources();
        ReleaseDirect3D();
    }
}

}  // namespace
