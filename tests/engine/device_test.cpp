// The engine's device on the Direct3D 9 stand-in: display-mode choice, format choice, the
// lost-device state machine with its event lists, resources across a reset, display changes and
// the full-screen adjuster's factor and bars.
#include <gtest/gtest.h>

#include <d3d9/testhooks.h>

#include <cstring>
#include <vector>

#include "engine/app/USWindow.h"
#include "engine/device/AppDeviceInfo.h"
#include "engine/device/D3DDevice.h"
#include "engine/render/RenderSystem.h"
#include "engine/render/ResolutionAdjuster.h"
#include "engine/resources/Mesh.h"
#include "engine/resources/Texture.h"
#include "support/EngineDevice.h"
#include "support/ScratchDir.h"

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
    void Start(UINT fullWidth, UINT fullHeight) {
        ASSERT_TRUE(testsupport::StartEngineDevice(window_.Handle(), fullWidth, fullHeight));
    }
    void TearDown() override {
        d3d9test::SetDisplayModes(nullptr);
        ReleaseDirect3D();
    }
    testsupport::GameWindow window_{"DeviceTestWindow"};
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

TEST_F(DeviceTest, RenderTargetMadeWhileLostDoesNotKeepTheDeviceLost) {
    Start(800, 600);
    ASSERT_GE(BeginFrame(), 0);
    d3d9test::ForceDeviceLost(GetD3DDevice());
    EndFrame();
    EXPECT_EQ(BeginFrame(), D3DERR_DEVICELOST);
    TextureHandle target;  // a scene that starts while the device is lost makes its target
    ASSERT_TRUE(CreateTexture(&target, D3DFMT_A8R8G8B8, 64, 32, 1));

    d3d9test::RestoreFocus(GetD3DDevice());
    HRESULT hr = BeginFrame();
    if (hr < 0) hr = BeginFrame();  // the first Reset meets the new target and lets it go
    ASSERT_GE(hr, 0);
    EndFrame();
    EXPECT_EQ(GetDeviceState(), static_cast<DWORD>(kDeviceReady));
    EXPECT_NE(GetTexture(target)->GetD3DTexture(), nullptr);
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
    ASSERT_TRUE(GetClientRect(window_.Handle(), &client));
    EXPECT_EQ(client.right - client.left, 800);
    EXPECT_EQ(client.bottom - client.top, 600);
}

TEST_F(DeviceTest, AdjusterScalesByOneFactorAndCentres) {
    struct Case {
        UINT w, h;
        float scale, offsetX = 0, offsetY = 0;
        bool scaling = false;
    };
    for (const Case& c : {Case{.w = 1024, .h = 768, .scale = 1.28f, .scaling = true},
                          Case{.w = 1280, .h = 720, .scale = 1.2f, .offsetX = 160, .scaling = true},
                          Case{.w = 800, .h = 600, .scale = 1.0f},
                          Case{.w = 1920, .h = 1080, .scale = 1.8f, .offsetX = 240, .scaling = true}}) {
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

namespace {

TEST_F(DeviceTest, FullScreenFrameIsScaledByOneFactorAndCentredWithBars) {
    std::vector<D3DDISPLAYMODE> modes = {Mode(1920, 1080)};
    d3d9test::SetDisplayModes(&modes);
    Start(1920, 1080);
    ASSERT_GE(ChangeDisplayMode(0xFFFFFFFF, 0xFFFFFFFF, false), 0);
    USResolutionAdjuster adjuster;
    ASSERT_TRUE(CreateQuadMesh(&adjuster.Quad(), D3DFVF_XYZ | D3DFVF_TEX1));
    adjuster.Setup();
    ASSERT_TRUE(adjuster.IsScaling());

    ASSERT_GE(BeginFrame(), 0);
    adjuster.BeginRender();
    // The game draws its whole 800 x 600 screen white.
    GetD3DDevice()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    adjuster.EndRender();
    EndFrame();

    std::vector<DWORD> pixels;
    UINT w = 0, h = 0;
    ASSERT_TRUE(d3d9test::ReadPresentedFrame(GetD3DDevice(), pixels, w, h));
    ASSERT_EQ(w, 1920u);
    ASSERT_EQ(h, 1080u);
    // 1.8 x 800 = 1440 wide, bars of 240 on both sides, no bars above or below.
    for (UINT y : {0u, 540u, 1079u}) {
        for (UINT x : {0u, 239u, 1680u, 1919u}) EXPECT_EQ(pixels[y * w + x] & 0xFFFFFF, 0u) << x << "," << y;
        for (UINT x : {240u, 960u, 1679u}) EXPECT_EQ(pixels[y * w + x] & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
    }
    adjuster.ReleaseResources();
}

TEST_F(DeviceTest, MeshFilesRoundTripAndBadFilesAreRefused) {
    Start(800, 600);
    ScratchDir dir;
    CUSMesh mesh;
    ASSERT_GE(mesh.CreateFVF(2, 4, D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_TEX1), 0);
    const float vertices[4][5] = {{0, 0, 0, 0, 0}, {1, 0, 0, 1, 0}, {0, 1, 0, 0, 1}, {1, 1, 0, 1, 1}};
    const WORD indices[6] = {0, 1, 2, 2, 1, 3};
    void* data = nullptr;
    ASSERT_GE(mesh.GetD3DXMesh()->LockVertexBuffer(0, &data), 0);
    std::memcpy(data, vertices, sizeof vertices);
    mesh.GetD3DXMesh()->UnlockVertexBuffer();
    ASSERT_GE(mesh.GetD3DXMesh()->LockIndexBuffer(0, &data), 0);
    std::memcpy(data, indices, sizeof indices);
    mesh.GetD3DXMesh()->UnlockIndexBuffer();
    ASSERT_GE(mesh.SaveFile("quad.mesh"), 0);

    std::string bytes = dir.Read("quad.mesh");
    ASSERT_EQ(bytes.size(), 36u + sizeof vertices + sizeof indices);
    EXPECT_EQ(bytes.substr(20, 4), std::string(4, '\0'));  // The reserved head field.
    CUSMesh loaded;
    ASSERT_GE(loaded.LoadFile("quad.mesh"), 0);
    ID3DXMesh* m = loaded.GetD3DXMesh();
    EXPECT_EQ(m->GetNumVertices(), 4u);
    EXPECT_EQ(m->GetNumFaces(), 2u);
    EXPECT_EQ(m->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_TEX1));
    ASSERT_GE(m->LockVertexBuffer(0, &data), 0);
    EXPECT_EQ(std::memcmp(data, vertices, sizeof vertices), 0);
    m->UnlockVertexBuffer();
    ASSERT_GE(m->LockIndexBuffer(0, &data), 0);
    EXPECT_EQ(std::memcmp(data, indices, sizeof indices), 0);
    m->UnlockIndexBuffer();

    // Wrong version, wrong magic, a cut file, zero counts, indices that are not whole triangles.
    std::string version11 = bytes;
    version11[16] = 11;
    std::string magic = bytes;
    magic[0] = 'X';
    std::string zero = bytes;
    std::memset(&zero[24], 0, 4);
    std::string partial = bytes;
    partial[28] = 5;
    dir.OpenLog();
    for (const auto& [name, content] :
         std::vector<std::pair<std::string, std::string>>{{"v11.mesh", version11}, {"magic.mesh", magic},
                                                          {"cut.mesh", bytes.substr(0, bytes.size() - 3)},
                                                          {"zero.mesh", zero}, {"partial.mesh", partial},
                                                          {"head.mesh", bytes.substr(0, 20)}}) {
        dir.Write(name, content);
        MeshHandle handle;
        EXPECT_FALSE(CreateMeshFromFile(&handle, name.c_str())) << name;
        EXPECT_TRUE(handle.IsNull()) << name;
        EXPECT_NE(dir.Log().find(name), std::string::npos) << name;
    }
}

}  // namespace

namespace {

struct ColourVertex {
    float x, y, z;
    DWORD colour;
};

// A process of two layers that draws layer 0, then layer 1, each in key order, in screen pixels.
class TwoLayerProcess : public CBaseAppRenderProcess {
public:
    void Setup() override {
        GetRenderObjectTable()->AddLayer(4);
        GetRenderObjectTable()->AddLayer(4);
        CBaseAppRenderProcess::Setup();
        ReserveQueue();
        projection_.SetOrthoOffCenterLH(0, 800, 600, 0, 0, 1);
    }
    void Render() override {
        projection_.Apply();
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        GetD3DDevice()->SetTransform(D3DTS_VIEW, &identity);
        CaptureViewProjection();
        GetD3DDevice()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        for (std::uint32_t layer : {0u, 1u}) {
            SortLayer(layer);
            DrawFromHighestKey();
        }
    }

private:
    CUSOrthoProjection projection_;
};

// A render object drawing a screen rectangle of one colour from caller memory.
struct Rect {
    ColourVertex vertices[4];
    WORD indices[6] = {0, 1, 2, 2, 1, 3};
    RenderObjectHandle handle;
    Rect(float l, float t, float r, float b, DWORD colour, std::uint32_t blend) {
        // Pixel centres lie on integer coordinates: corners at -0.5 cover whole pixels.
        vertices[0] = {l - 0.5f, t - 0.5f, 0.5f, colour};
        vertices[1] = {r - 0.5f, t - 0.5f, 0.5f, colour};
        vertices[2] = {l - 0.5f, b - 0.5f, 0.5f, colour};
        vertices[3] = {r - 0.5f, b - 0.5f, 0.5f, colour};
        RenderSystem::CBaseRenderObject* o = RenderSystem::CBaseRenderObject::Create(&handle);
        auto model = std::make_unique<RenderSystem::CRenderMemoryMesh>();
        model->vertices = vertices;
        model->fvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
        model->vertexCount = 4;
        model->indices = indices;
        model->primitiveCount = 2;
        o->SetModel(std::move(model));
        o->AddElement(1);  // No depth test, no depth write.
        o->blendState = blend;
    }
};

TEST_F(DeviceTest, LayersDrawInOrderWithTheirBlendRecords) {
    Start(800, 600);
    TwoLayerProcess process;
    process.GetRenderObjectTable()->Select();
    process.Setup();
    process.GetRenderObjectTable()->Deselect();
    RenderSystem::CRenderingManager::GetInstance()->PushProcess(&process);

    // Layer 1 (drawn last) holds a half-transparent blue square added before the red one of
    // layer 0; the green square uses the additive record.
    Rect blue(10, 10, 30, 30, 0x800000FF, 0), red(0, 0, 20, 20, 0xFFFF0000, 0), green(25, 0, 35, 20, 0xFF00FF00, 1);
    RenderSystem::CRenderingManager::GetInstance()->UpdateProcesses();
    RenderObjectTable* table = process.GetRenderObjectTable();
    table->Add(1, blue.handle);
    table->Add(0, red.handle);
    table->Add(1, green.handle);
    ASSERT_GE(BeginFrame(), 0);
    RenderSystem::CRenderingManager::GetInstance()->RenderProcesses();
    EndFrame();
    RenderSystem::CRenderingManager::GetInstance()->PopProcess();

    std::vector<DWORD> pixels;
    UINT w = 0, h = 0;
    ASSERT_TRUE(d3d9test::ReadPresentedFrame(GetD3DDevice(), pixels, w, h));
    auto at = [&](UINT x, UINT y) { return pixels[y * w + x] & 0xFFFFFF; };
    EXPECT_EQ(at(5, 5), 0xFF0000u);               // Red alone.
    EXPECT_EQ(at(15, 15) >> 16, 0x7Fu);           // Blue over red: half of each.
    EXPECT_EQ(at(15, 15) & 0xFF, 0x80u);
    // Equal keys: the green square, added last, is drawn first; blue then covers it by half.
    EXPECT_EQ(at(27, 15), 0x007F80u);
    EXPECT_EQ(at(32, 5), 0x00FF00u);              // Green added onto black.
    EXPECT_EQ(at(20, 20) & 0xFF0000, 0u);         // The red square ends at 19.
    EXPECT_EQ(at(40, 40), 0u);
    GetRenderObjectManager().ReleaseAll();
}

}  // namespace
