// The device of the Direct3D 9 stand-in: the lost-device protocol, Reset and its defaults,
// render-target readback, presented frames, buffers with FVF and declarations.
#include <d3d9.h>
#include <gtest/gtest.h>

#include <SDL.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ShaderAssembler.h"
#include "d3d9/testhooks.h"
#include "support/D3DDraw.h"
#include "support/TestDevice.h"
#include "support/Windows.h"

namespace {

// A texture's pixels in which neighbours differ, from a seed.
std::vector<DWORD> Pattern(UINT w, UINT h, DWORD seed) {
    std::vector<DWORD> px(size_t(w) * h);
    for (size_t i = 0; i < px.size(); ++i) px[i] = 0xFF000000u | DWORD((i * 2654435761u + seed) >> 8 & 0xFFFFFF);
    return px;
}

// Presents the frame drawn and gives what was presented.
std::vector<DWORD> PresentedFrame(IDirect3DDevice9* device) {
    device->Present(nullptr, nullptr, nullptr, nullptr);
    std::vector<DWORD> frame;
    UINT w = 0, h = 0;
    d3d9test::ReadPresentedFrame(device, frame, w, h);
    return frame;
}

// Pixels that differ between two frames of one size.
size_t DifferingPixels(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
    size_t differ = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) differ += a[i] != b[i];
    return differ;
}

TEST(Device, LostDeviceProtocol) {
    TestDevice dev(4, 4);
    ASSERT_NE(dev.device, nullptr);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);

    d3d9test::ForceDeviceLost(dev.device);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0), D3D_OK) << "work on a lost device is dropped";
    d3d9test::RestoreFocus(dev.device);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

    // Default-pool objects and extra references to the swap chain block the reset.
    IDirect3DTexture9* rt = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rt, nullptr), D3D_OK);
    IDirect3DTexture9* managed = nullptr;
    ASSERT_EQ(dev->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
    EXPECT_EQ(dev->Reset(&dev.params), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    rt->Release();
    IDirect3DSurface9* backBuffer = nullptr;
    dev->GetRenderTarget(0, &backBuffer);
    EXPECT_EQ(dev->Reset(&dev.params), D3DERR_INVALIDCALL);
    backBuffer->Release();

    ASSERT_EQ(dev->Reset(&dev.params), D3D_OK) << "managed objects may live through a reset";
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    DWORD value = 0;
    dev->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
    EXPECT_EQ(value, DWORD(FALSE)) << "Reset restores the default states";
    managed->Release();
}

TEST(Device, ResetRestoresDefaultsAndTakesNewSizes) {
    TestDevice dev(4, 4);
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    D3DVIEWPORT9 small{1, 1, 2, 2, 0.f, 1.f};
    dev->SetViewport(&small);
    D3DPRESENT_PARAMETERS params = dev.params;
    params.BackBufferWidth = 6;
    params.BackBufferHeight = 5;
    ASSERT_EQ(dev->Reset(&params), D3D_OK);
    struct Case {
        D3DRENDERSTATETYPE state;
        DWORD value;
    };
    for (const Case& c : {Case{D3DRS_ZFUNC, D3DCMP_LESSEQUAL}, Case{D3DRS_ZENABLE, D3DZB_TRUE},
                          Case{D3DRS_CULLMODE, D3DCULL_CCW}, Case{D3DRS_LIGHTING, TRUE},
                          Case{D3DRS_SRCBLEND, D3DBLEND_ONE}, Case{D3DRS_DESTBLEND, D3DBLEND_ZERO},
                          Case{D3DRS_TEXTUREFACTOR, 0xFFFFFFFF}, Case{D3DRS_ALPHAFUNC, D3DCMP_ALWAYS}}) {
        DWORD v = 0;
        dev->GetRenderState(c.state, &v);
        EXPECT_EQ(v, c.value) << "state " << c.state;
    }
    DWORD v = 0;
    dev->GetTextureStageState(0, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_MODULATE));
    dev->GetTextureStageState(1, D3DTSS_COLOROP, &v);
    EXPECT_EQ(v, DWORD(D3DTOP_DISABLE));
    dev->GetSamplerState(0, D3DSAMP_MAGFILTER, &v);
    EXPECT_EQ(v, DWORD(D3DTEXF_POINT));
    dev->GetSamplerState(0, D3DSAMP_ADDRESSU, &v);
    EXPECT_EQ(v, DWORD(D3DTADDRESS_WRAP));
    D3DVIEWPORT9 vp;
    dev->GetViewport(&vp);
    EXPECT_EQ(vp.Width, 6u);
    EXPECT_EQ(vp.Height, 5u);
}

TEST(Device, RenderTargetDataAndPresentedFrameShowWhatWasDrawn) {
    TestDevice dev(4, 2);
    SetScreenProjection(dev.device, 4, 2);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000080, 1.f, 0);
    dev->BeginScene();
    DrawQuad(dev.device, 1.5f, -0.5f, 3.5f, 1.5f, 0xFFFF8000, 0.5f);
    dev->EndScene();
    const std::vector<DWORD> expected = {0xFF000080, 0xFF000080, 0xFFFF8000, 0xFFFF8000,
                                         0xFF000080, 0xFF000080, 0xFFFF8000, 0xFFFF8000};
    EXPECT_EQ(ReadTarget(dev.device), expected);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    std::vector<DWORD> frame;
    UINT w = 0, h = 0;
    ASSERT_TRUE(d3d9test::ReadPresentedFrame(dev.device, frame, w, h));
    EXPECT_EQ(w, 4u);
    EXPECT_EQ(h, 2u);
    EXPECT_EQ(frame, expected);

    // Readback wants a system-memory surface of the same size and format.
    IDirect3DSurface9 *rt = nullptr, *wrong = nullptr;
    dev->GetRenderTarget(0, &rt);
    dev->CreateOffscreenPlainSurface(4, 2, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &wrong, nullptr);
    EXPECT_EQ(dev->GetRenderTargetData(rt, wrong), D3DERR_INVALIDCALL);
    wrong->Release();
    rt->Release();
}

// A clear or present of contents nothing changed since is skipped; every kind of write in between
// (a lock, a draw, a depth write) must still be cleared and presented.
TEST(Device, WritesBetweenEqualClearsAndPresentsAreNotLost) {
    TestDevice dev(4, 2);
    SetScreenProjection(dev.device, 4, 2);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    const std::vector<DWORD> black(8, 0xFF000000u);
    std::vector<DWORD> frame;
    UINT w = 0, h = 0;
    auto clear = [&] { dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.f, 0); };

    clear();
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    IDirect3DSurface9* bb = nullptr;
    ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(bb->LockRect(&lr, nullptr, 0), D3D_OK);
    static_cast<DWORD*>(lr.pBits)[1] = 0xFFFFFFFFu;
    bb->UnlockRect();
    bb->Release();
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_TRUE(d3d9test::ReadPresentedFrame(dev.device, frame, w, h));
    EXPECT_EQ(frame[1], 0xFFFFFFFFu);
    clear();
    EXPECT_EQ(ReadTarget(dev.device), black);

    // A draw at depth 0.2 between two equal clears: the second clear resets depth, so 0.5 passes LESS.
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    DrawQuad(dev.device, -0.5f, -0.5f, 3.5f, 1.5f, 0xFFFF0000, 0.2f);
    clear();
    EXPECT_EQ(ReadTarget(dev.device), black);
    DrawQuad(dev.device, -0.5f, -0.5f, 3.5f, 1.5f, 0xFF00FF00, 0.5f);
    EXPECT_EQ(ReadTarget(dev.device), std::vector<DWORD>(8, 0xFF00FF00u));
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_TRUE(d3d9test::ReadPresentedFrame(dev.device, frame, w, h));
    EXPECT_EQ(frame, std::vector<DWORD>(8, 0xFF00FF00u));
}

// A frame that repeats the last one is not drawn again; each case changes something the repeat must
// not miss, and the second frame must show it.
TEST(Device, RepeatedFramesShowWhatChangedBetweenThem) {
    TestDevice dev(2, 1);
    SetScreenProjection(dev.device, 2, 1);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    IDirect3DSurface9* bb = nullptr;
    dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
    IDirect3DTexture9* tex = MakeTexture(dev.device, 1, 1, {0xFF0000FF});
    IDirect3DTexture9* picture = nullptr;
    IDirect3DSurface9* pictureSurface = nullptr;
    ASSERT_EQ(dev->CreateTexture(2, 1, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &picture, nullptr),
              D3D_OK);
    picture->GetSurfaceLevel(0, &pictureSurface);
    auto clear = [&] { dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.f, 0); };
    auto quad = [&](IDirect3DBaseTexture9* t, DWORD colour) {
        dev->SetTexture(0, t);
        DrawQuad(dev.device, -0.5f, -0.5f, 1.5f, 0.5f, colour);
        dev->SetTexture(0, nullptr);
    };
    struct Case {
        const char* name;
        std::function<void()> frame, between;
        DWORD first, second;
    };
    const Case cases[] = {
        {"texture locked and changed",
         [&] { clear(), quad(tex, 0xFFFFFFFF); },
         [&] {
             D3DLOCKED_RECT lr;
             tex->LockRect(0, &lr, nullptr, 0);
             *static_cast<DWORD*>(lr.pBits) = 0xFF00FF00u;
             tex->UnlockRect(0);
         },
         0xFF0000FF, 0xFF00FF00},
        // No clear: half-transparent white blends onto what the last frame left (128, then 192).
        {"frame drawn over the last one",
         [&] {
             dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
             dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
             dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
             quad(nullptr, 0x80FFFFFF);
             dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
         },
         [] {}, 0xFF808080, 0xFFC0C0C0},
        // The picture is shown, then drawn into: the next frame shows what was drawn into it.
        {"texture read before it is drawn into",
         [&] {
             dev->SetRenderTarget(0, bb);
             clear();
             quad(picture, 0xFFFFFFFF);
             dev->SetRenderTarget(0, pictureSurface);
             quad(nullptr, 0xFF00FF00);
             dev->SetRenderTarget(0, bb);
         },
         [] {}, 0xFFFF0000, 0xFF00FF00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dev->SetRenderTarget(0, pictureSurface);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.f, 0);
        dev->SetRenderTarget(0, bb);
        clear();
        dev->Present(nullptr, nullptr, nullptr, nullptr);
        std::vector<DWORD> frame;
        UINT w = 0, h = 0;
        c.frame();
        dev->Present(nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(d3d9test::ReadPresentedFrame(dev.device, frame, w, h));
        EXPECT_EQ(frame, std::vector<DWORD>(2, c.first));
        c.between();
        c.frame();
        dev->Present(nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(d3d9test::ReadPresentedFrame(dev.device, frame, w, h));
        EXPECT_EQ(frame, std::vector<DWORD>(2, c.second));
    }
    pictureSurface->Release();
    picture->Release();
    tex->Release();
    bb->Release();
}

// A draw repeating the one in its place in the last frame reuses that draw's triangles, but only while
// every input of the vertex stage is the same: each case changes one of them between two frames, and
// the second frame must equal that frame drawn on a fresh device (and differ from the first).
TEST(Device, RepeatedDrawsFollowEveryChangedVertexInput) {
    std::vector<uint32_t> program;
    std::string error;
    ASSERT_TRUE(shaderasm::Assemble("vs_2_0\ndcl_position v0\nadd oPos, v0, c0\nmov oD0, c1\n", program, error))
        << error;
    enum Change { kBufferBytes, kIndexOrder, kWorld, kConstant, kViewport, kCull };
    struct Vertex {
        float x, y, z;
    };
    // One frame of a quad from a vertex buffer that lives as long as the device.
    auto frame = [&](IDirect3DDevice9* dev, IDirect3DVertexBuffer9* buffer, IDirect3DIndexBuffer9* strip,
                     IDirect3DVertexShader9* shader, Change change, bool changed) {
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_ZENABLE, FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, change == kCull && changed ? D3DCULL_CW : D3DCULL_NONE);
        const D3DVIEWPORT9 whole{0, 0, 16, 16, 0.f, 1.f}, viewport{change == kViewport && changed ? 4u : 0u, 0, 12, 16, 0.f, 1.f};
        dev->SetViewport(&whole);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
        dev->SetViewport(&viewport);
        const float shift = change == kBufferBytes && changed ? 0.25f : 0.f;
        void* bytes = nullptr;
        buffer->Lock(0, 0, &bytes, 0);
        const Vertex corners[4] = {{-0.5f + shift, 0.5f, 0.5f}, {0.5f, 0.5f, 0.5f}, {-0.5f, -0.5f, 0.5f}, {0.5f, -0.5f, 0.5f}};
        std::memcpy(bytes, corners, sizeof corners);
        buffer->Unlock();
        D3DMATRIX world{};
        for (int i = 0; i < 4; ++i) world.m[i][i] = 1.f;
        if (change == kWorld && changed) world.m[3][0] = 0.25f;
        dev->SetTransform(D3DTS_WORLD, &world);
        const float offset[4] = {change == kConstant && changed ? 0.25f : 0.f, 0, 0, 0}, red[4] = {1, 0, 0, 1};
        dev->SetVertexShaderConstantF(0, offset, 1);
        dev->SetVertexShaderConstantF(1, red, 1);
        dev->SetVertexShader(change == kConstant ? shader : nullptr);
        dev->SetFVF(D3DFVF_XYZ);
        dev->SetStreamSource(0, buffer, 0, sizeof(Vertex));
        // The second triangle's corners in another order cover another half of the quad.
        const WORD indices[2][6] = {{0, 1, 2, 2, 1, 3}, {0, 1, 2, 0, 1, 3}};
        dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices[change == kIndexOrder && changed],
                                    D3DFMT_INDEX16, corners, sizeof(Vertex));
        dev->SetIndices(strip);
        dev->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, 0, 0, 4, 0, 2);
        dev->SetIndices(nullptr);
        dev->SetVertexShader(nullptr);
        dev->SetStreamSource(0, nullptr, 0, 0);
        dev->Present(nullptr, nullptr, nullptr, nullptr);
        return ReadTarget(dev);
    };
    auto run = [&](Change change, const std::vector<bool>& steps) {
        TestDevice dev(16, 16);
        IDirect3DVertexBuffer9* buffer = nullptr;
        IDirect3DIndexBuffer9* strip = nullptr;
        IDirect3DVertexShader9* shader = nullptr;
        dev->CreateVertexBuffer(4 * sizeof(Vertex), 0, D3DFVF_XYZ, D3DPOOL_MANAGED, &buffer, nullptr);
        dev->CreateIndexBuffer(4 * sizeof(WORD), 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &strip, nullptr);
        void* bytes = nullptr;
        strip->Lock(0, 0, &bytes, 0);
        const WORD order[4] = {0, 1, 2, 3};
        std::memcpy(bytes, order, sizeof order);
        strip->Unlock();
        dev->CreateVertexShader(reinterpret_cast<const DWORD*>(program.data()), &shader);
        std::vector<DWORD> last;
        for (bool changed : steps) last = frame(dev.device, buffer, strip, shader, change, changed);
        shader->Release();
        strip->Release();
        buffer->Release();
        return last;
    };
    for (Change change : {kBufferBytes, kIndexOrder, kWorld, kConstant, kViewport, kCull}) {
        const auto twice = run(change, {false, true}), fresh = run(change, {true}), before = run(change, {false});
        EXPECT_EQ(twice, fresh) << "change " << change;
        EXPECT_NE(fresh, before) << "change " << change;
    }
}

// A frame that differs from the last in part is drawn again only where it differs. Every frame of a
// sequence must equal the same frame drawn whole on a fresh device; each step changes one thing whose
// reach a partial redraw could miss: a rotated sprite tested against depth moving off what it hid, a
// texel of a magnified texture, a texel at the edge of a tiled (wrapping) texture, a render target read
// back shifted by a fraction of a pixel and wrapping at its edges, a blended overlay.
TEST(Device, FramesDrawnInPartEqualFramesDrawnWhole) {
    constexpr UINT W = 48, H = 40;
    struct Step {
        const char* name;
        float spriteX, spriteAngle;
        int poke;  // 0 none, 1 a texel inside the glyphs, 2 the tile's corner texel
        DWORD overlay;
    };
    const Step steps[] = {
        {"first frame", 12, 0.f, 0, 0x40FF0000},     {"sprite moves", 17, 0.f, 0, 0x40FF0000},
        {"sprite turns", 17, 0.5f, 0, 0x40FF0000},   {"glyph texel changes", 17, 0.5f, 1, 0x40FF0000},
        {"tile edge changes", 17, 0.5f, 2, 0x40FF0000}, {"overlay changes", 17, 0.5f, 0, 0x6000FF00},
        {"nothing changes", 17, 0.5f, 0, 0x6000FF00}, {"sprite at the right edge", 45, 0.f, 0, 0x6000FF00},
        {"sprite back", 12, 0.f, 0, 0x6000FF00},
    };
    struct Scene {
        TestDevice dev{W, H};
        IDirect3DTexture9 *rt = nullptr, *tile = nullptr, *glyphs = nullptr, *sprite = nullptr;
        IDirect3DSurface9 *rtSurface = nullptr, *bb = nullptr;
        ~Scene() {
            for (IUnknown* o : std::initializer_list<IUnknown*>{rtSurface, bb, rt, tile, glyphs, sprite})
                if (o) o->Release();
        }
    };
    auto setUp = [&](Scene& s) {
        s.dev->CreateTexture(W, H, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &s.rt, nullptr);
        s.rt->GetSurfaceLevel(0, &s.rtSurface);
        s.dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &s.bb);
        s.tile = MakeTexture(s.dev.device, 8, 8, Pattern(8, 8, 1));
        s.glyphs = MakeTexture(s.dev.device, 16, 8, Pattern(16, 8, 2));
        s.sprite = MakeTexture(s.dev.device, 8, 8, Pattern(8, 8, 3));
    };
    auto poke = [](IDirect3DTexture9* t, UINT x, UINT y) {
        D3DLOCKED_RECT lr;
        t->LockRect(0, &lr, nullptr, 0);
        reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] ^= 0x00FFFFFFu;
        t->UnlockRect(0);
    };
    auto apply = [&](Scene& s, const Step& step) {
        if (step.poke == 1) poke(s.glyphs, 7, 3);
        if (step.poke == 2) poke(s.tile, 0, 0);
    };
    auto draw = [&](Scene& s, const Step& step) {
        IDirect3DDevice9* d = s.dev.device;
        SetScreenProjection(d, W, H);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        for (DWORD f : {D3DSAMP_MAGFILTER, D3DSAMP_MINFILTER}) d->SetSamplerState(0, D3DSAMPLERSTATETYPE(f), D3DTEXF_LINEAR);
        d->SetRenderTarget(0, s.rtSurface);
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.f, 0);
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetTexture(0, s.tile);  // tiled 2.5 times across, wrapping
        DrawQuad(d, -0.5f, -0.5f, W - 0.5f, H - 0.5f, 0xFFFFFFFF, 0.f, 2.5f, 2.5f);
        // The sprite, turned about its centre, in front of a wall drawn after it.
        d->SetRenderState(D3DRS_ZENABLE, TRUE);
        d->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
        const float c = std::cos(step.spriteAngle) * 7, n = std::sin(step.spriteAngle) * 7, cx = step.spriteX, cy = 14;
        const SpriteVertex v[4] = {{cx - c + n, cy - n - c, 0.4f, 0xFFFFFFFF, 0, 0},
                                   {cx + c + n, cy + n - c, 0.4f, 0xFFFFFFFF, 1, 0},
                                   {cx - c - n, cy - n + c, 0.4f, 0xFFFFFFFF, 0, 1},
                                   {cx + c - n, cy + n + c, 0.4f, 0xFFFFFFFF, 1, 1}};
        d->SetTexture(0, s.sprite);
        d->SetFVF(kSpriteFvf);
        const WORD corners[6] = {0, 1, 2, 2, 1, 3};
        d->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, corners, D3DFMT_INDEX16, v, sizeof(SpriteVertex));
        d->SetTexture(0, nullptr);
        DrawQuad(d, 4.5f, 9.5f, 30.5f, 20.5f, 0xFF3050A0, 0.6f);
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetTexture(0, s.glyphs);  // magnified twice at a fraction of a pixel, clamped
        d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        DrawQuad(d, 8.2f, 24.3f, 40.2f, 40.3f, 0xFFFFFFFF);
        // The picture onto the back buffer, shifted by a fraction of a pixel, and a blended overlay.
        d->SetRenderTarget(0, s.bb);
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.f, 0);
        d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
        d->SetTexture(0, s.rt);  // the left column reads the picture's right edge, wrapping
        DrawQuad(d, 0.8f, -0.2f, W + 0.8f, H - 0.2f, 0xFFFFFFFF);
        d->SetTexture(0, nullptr);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        DrawQuad(d, 30.5f, 2.5f, 44.5f, 12.5f, step.overlay);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        return PresentedFrame(d);
    };

    Scene played;
    setUp(played);
    for (size_t k = 0; k < std::size(steps); ++k) {
        SCOPED_TRACE(steps[k].name);
        apply(played, steps[k]);
        const std::vector<DWORD> frame = draw(played, steps[k]);
        Scene fresh;
        setUp(fresh);
        for (size_t i = 0; i <= k; ++i) apply(fresh, steps[i]);
        const std::vector<DWORD> whole = draw(fresh, steps[k]);
        ASSERT_EQ(whole.size(), size_t(W) * H);
        ASSERT_EQ(frame.size(), whole.size());
        EXPECT_EQ(DifferingPixels(frame, whole), 0u);
    }
}

// A frame is recorded in the storage of the frame before last: each frame here puts other commands in
// the places of the last ones (clears of other rectangles where draws were, a draw without a pixel
// program where one with a program was, a culled draw that records nothing), and every frame must
// equal the same frame drawn on a fresh device.
TEST(Device, FramesRecordedOverEarlierFramesEqualFreshOnes) {
    constexpr UINT W = 16, H = 8;
    std::vector<uint32_t> program;
    std::string error;
    ASSERT_TRUE(shaderasm::Assemble("ps_2_0\nmov oC0, c0\n", program, error)) << error;
    struct Scene {
        TestDevice dev{W, H};
        IDirect3DPixelShader9* ps = nullptr;
        ~Scene() {
            if (ps) ps->Release();
        }
    };
    auto clear = [](IDirect3DDevice9* d, std::vector<D3DRECT> rects, DWORD colour) {
        d->Clear(DWORD(rects.size()), rects.empty() ? nullptr : rects.data(), D3DCLEAR_TARGET, colour, 1.f, 0);
    };
    auto programQuad = [](Scene& s, float x0, float y0, float x1, float y1, float green) {
        const float colour[4] = {0.f, green, 0.f, 1.f};
        s.dev->SetPixelShader(s.ps);
        s.dev->SetPixelShaderConstantF(0, colour, 1);
        DrawQuad(s.dev.device, x0, y0, x1, y1, 0xFFFFFFFF);
        s.dev->SetPixelShader(nullptr);
    };
    auto culledQuad = [](IDirect3DDevice9* d) {
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
        DrawQuad(d, 0.f, 0.f, W, H, 0xFFFF00FF);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    };
    const std::function<void(Scene&)> frames[] = {
        [&](Scene& s) {
            clear(s.dev.device, {}, 0xFF000000);
            clear(s.dev.device, {{0, 0, 3, 3}, {5, 1, 9, 4}, {12, 4, 16, 8}}, 0xFFFF0000);
            programQuad(s, 0.f, 0.f, 8.f, 4.f, 1.f);
            DrawQuad(s.dev.device, 4.f, 2.f, 12.f, 6.f, 0xFF0000FF);
        },
        [&](Scene& s) {
            clear(s.dev.device, {}, 0xFF000000);
            DrawQuad(s.dev.device, 2.f, 1.f, 10.f, 7.f, 0xFFFFFFFF);
            culledQuad(s.dev.device);
            clear(s.dev.device, {{1, 1, 4, 2}, {9, 5, 15, 7}}, 0xFFFFFF00);
        },
        [&](Scene& s) {
            clear(s.dev.device, {}, 0xFF000000);
            culledQuad(s.dev.device);
            clear(s.dev.device, {{6, 0, 10, 8}}, 0xFF00FFFF);
            DrawQuad(s.dev.device, 1.f, 3.f, 15.f, 5.f, 0xFF808080);
            programQuad(s, 8.f, 4.f, 16.f, 8.f, 0.5f);
        },
    };
    auto setUp = [&](Scene& s) {
        SetScreenProjection(s.dev.device, W, H);
        s.dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        s.dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        s.dev->SetRenderState(D3DRS_ZENABLE, FALSE);
        ASSERT_EQ(s.dev->CreatePixelShader(reinterpret_cast<const DWORD*>(program.data()), &s.ps), D3D_OK);
    };
    Scene played;
    setUp(played);
    for (size_t k : {0, 1, 2, 0, 2, 1, 1, 0}) {
        SCOPED_TRACE(k);
        frames[k](played);
        const std::vector<DWORD> frame = PresentedFrame(played.dev.device);
        Scene fresh;
        setUp(fresh);
        frames[k](fresh);
        const std::vector<DWORD> whole = PresentedFrame(fresh.dev.device);
        ASSERT_EQ(whole.size(), size_t(W) * H);
        EXPECT_EQ(frame, whole);
    }
}

// Separate changes in one frame are drawn again apart: the pixels between them are left as they were,
// and the frame still equals the same frame drawn whole on a fresh device. Every picture is blended over a
// textured background under a blended veil, so a pixel drawn twice or missed would show.
TEST(Device, SeparateChangesLeaveThePixelsBetweenThemAlone) {
    constexpr UINT W = 512, H = 288;
    struct Quad {
        float x0, y0, x1, y1;
    };
    struct Layout {
        const char* name;
        std::vector<Quad> before, after;  // the moving pictures of the two frames, in drawing order
        std::vector<POINT> between;       // pixels no change reaches
        bool oneBox = false;              // so many changes apart that one box around them all is drawn
    };
    // Seventeen lines across, too far apart to merge, each moving a pixel down.
    std::vector<Quad> lines, movedLines;
    for (int i = 0; i < 17; ++i) {
        lines.push_back(Quad{0, 4.f + 16 * i, W, 6.f + 16 * i});
        movedLines.push_back(Quad{0, 5.f + 16 * i, W, 7.f + 16 * i});
    }
    const Layout layouts[] = {
        {"side by side", {{20, 80, 52, 112}, {200, 80, 232, 112}}, {{23, 80, 55, 112}, {198, 81, 230, 113}}, {{128, 96}}},
        {"one above the other", {{110, 10, 142, 40}, {110, 150, 142, 180}}, {{111, 12, 143, 42}, {108, 150, 140, 180}},
         {{126, 96}}},
        {"a picture moved far", {{20, 20, 52, 52}}, {{200.5f, 140.5f, 232.5f, 172.5f}}, {{128, 96}, {210, 30}, {30, 150}}},
        // A tall picture moving a pixel with three bars over its right edge swaying.
        {"bars over a picture's edge",
         {{40, 20, 120, 180}, {100, 30, 248, 46}, {100, 100, 248, 116}, {100, 160, 248, 176}},
         {{41, 20, 121, 180}, {102, 30, 250, 46}, {98, 100, 246, 116}, {101, 160, 249, 176}},
         {{180, 72}, {180, 138}, {10, 100}}},
        // A picture moving a pixel with four panels swaying across its right edge, the first reaching
        // above it: the panels' rows are drawn again as one rectangle across the edge.
        {"panels across a picture's edge",
         {{60, 40, 140, 240}, {100, 30, 300, 54}, {100, 86, 300, 110}, {100, 142, 300, 166}, {100, 198, 300, 222}},
         {{61, 40, 141, 240}, {102, 30, 302, 54}, {98, 86, 298, 110}, {101, 142, 301, 166}, {102, 198, 302, 222}},
         {{250, 70}, {250, 180}, {20, 100}, {250, 235}}},
        {"more changes than rectangles kept", lines, movedLines, {}, true},
    };
    auto draw = [&](IDirect3DDevice9* d, IDirect3DTexture9* tile, IDirect3DTexture9* sprite, const std::vector<Quad>& quads) {
        SetScreenProjection(d, W, H);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.f, 0);
        d->SetTexture(0, tile);
        DrawQuad(d, -0.5f, -0.5f, W - 0.5f, H - 0.5f, 0xFFFFFFFF, 0.f, 4.f, 3.f);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d->SetTexture(0, sprite);
        for (const Quad& q : quads) DrawQuad(d, q.x0 - 0.5f, q.y0 - 0.5f, q.x1 - 0.5f, q.y1 - 0.5f, 0xC0FFFFFF);
        d->SetTexture(0, nullptr);
        DrawQuad(d, -0.5f, -0.5f, W - 0.5f, H - 0.5f, 0x40204080);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        return PresentedFrame(d);
    };
    auto frames = [&](const std::vector<const std::vector<Quad>*>& sequence, std::vector<RECT>* redrawn) {
        TestDevice dev(W, H);
        IDirect3DTexture9* tile = MakeTexture(dev.device, 16, 16, Pattern(16, 16, 1));
        IDirect3DTexture9* sprite = MakeTexture(dev.device, 8, 8, Pattern(8, 8, 2));
        std::vector<DWORD> last;
        for (const std::vector<Quad>* quads : sequence) last = draw(dev.device, tile, sprite, *quads);
        if (redrawn) {
            EXPECT_TRUE(d3d9test::RedrawnRects(dev.device, *redrawn)) << "drawn in part";
        }
        sprite->Release();
        tile->Release();
        return last;
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        std::vector<RECT> redrawn;
        const std::vector<DWORD> played = frames({&layout.before, &layout.after}, &redrawn);
        const std::vector<DWORD> whole = frames({&layout.after}, nullptr);
        ASSERT_EQ(played.size(), whole.size());
        EXPECT_EQ(DifferingPixels(played, whole), 0u);
        EXPECT_NE(played, frames({&layout.before}, nullptr));
        if (layout.oneBox) {
            EXPECT_EQ(redrawn.size(), 1u);
        } else {
            EXPECT_GE(redrawn.size(), 2u);
        }
        for (const POINT& p : layout.between)
            for (const RECT& r : redrawn)
                EXPECT_FALSE(p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom)
                    << p.x << "," << p.y << " drawn again in " << r.left << "," << r.top << "-" << r.right << ","
                    << r.bottom;
    }
}

// A scene picture copied one to one onto the back buffer, as the novel scene draws its frame: where a
// frame changes only the picture under the copy, Present reads those pixels in the picture. Every frame
// equals the same frame drawn on a fresh device, and every read of the back buffer after it (readback,
// a lock, a lock of the picture first) gives the frame presented. Played without a window (each frame
// taken whole) and with one (only the changed rectangles taken), the picture copied in place or a
// texel to the left (shift).
void PictureCopiedToTheBackBufferReadsAsDrawn(HWND window, int shift) {
    constexpr UINT W = 48, H = 32;
    enum After { kNothing, kReadBack, kLockBack, kPokePicture };
    struct Step {
        const char* name;
        float spriteX, overlayX, overlayY;
        After after;
    };
    const Step steps[] = {
        {"first frame", 2, 36, 20, kNothing},
        {"the sprite moves", 5, 36, 20, kNothing},
        {"only the overlay moves", 5, 38, 20, kNothing},
        {"the sprite moves again", 9, 38, 20, kReadBack},
        {"the sprite moves before the picture is locked", 12, 38, 20, kPokePicture},
        {"the sprite moves after the picture was locked", 14, 38, 20, kNothing},
        {"the sprite moves before the back buffer is locked", 16, 38, 20, kLockBack},
        {"nothing changes", 16, 38, 20, kReadBack},
        {"the sprite moves once more", 18, 38, 20, kNothing},
        {"the overlay moves over the sprite", 18, 20, 4, kReadBack},
        {"the sprite moves back", 3, 20, 4, kReadBack},
    };
    struct Scene {
        Scene(HWND window, int shift) : dev(W, H, D3DFMT_X8R8G8B8, false, window), shift(float(shift) / W) {
            std::vector<DWORD> sprite = Pattern(8, 8, 3);
            for (DWORD& p : sprite) p = (p & 0xFFFFFF) | 0xA0000000u;
            dev->CreateTexture(W, H, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rt, nullptr);
            rt->GetSurfaceLevel(0, &rtSurface);
            dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &bb);
            background = MakeTexture(dev.device, 64, 32, Pattern(64, 32, 1), D3DFMT_X8R8G8B8);
            this->sprite = MakeTexture(dev.device, 8, 8, sprite);
        }
        ~Scene() {
            for (IUnknown* o : std::initializer_list<IUnknown*>{rtSurface, bb, rt, background, sprite}) o->Release();
        }
        std::vector<DWORD> Draw(const Step& step) {
            IDirect3DDevice9* d = dev.device;
            SetScreenProjection(d, W, H);
            SetBlendedSpriteStates(d);
            for (DWORD a : {D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV}) d->SetSamplerState(0, D3DSAMPLERSTATETYPE(a), D3DTADDRESS_CLAMP);
            d->SetRenderTarget(0, rtSurface);
            d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
            d->SetTexture(0, background);
            DrawQuad(d, -0.5f, -0.5f, W - 0.5f, H - 0.5f, 0xFFFFFFFF, 0.f, W / 64.f, H / 32.f);
            d->SetTexture(0, sprite);
            DrawQuad(d, step.spriteX - 0.5f, 1.5f, step.spriteX + 7.5f, 9.5f, 0xFFFFFFFF);
            d->SetRenderTarget(0, bb);
            d->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
            d->SetTexture(0, rt);
            const SpriteVertex copy[4] = {{-0.5f, -0.5f, 0, 0xFFFFFFFF, shift, 0},
                                          {W - 0.5f, -0.5f, 0, 0xFFFFFFFF, 1 + shift, 0},
                                          {-0.5f, H - 0.5f, 0, 0xFFFFFFFF, shift, 1},
                                          {W - 0.5f, H - 0.5f, 0, 0xFFFFFFFF, 1 + shift, 1}};
            const WORD corners[6] = {0, 1, 2, 2, 1, 3};
            d->SetFVF(kSpriteFvf);
            d->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, corners, D3DFMT_INDEX16, copy, sizeof(SpriteVertex));
            d->SetTexture(0, nullptr);
            DrawQuad(d, step.overlayX - 0.5f, step.overlayY - 0.5f, step.overlayX + 5.5f, step.overlayY + 5.5f, 0x80FF0000);
            return PresentedFrame(d);
        }
        TestDevice dev;
        float shift;
        IDirect3DTexture9 *rt = nullptr, *background = nullptr, *sprite = nullptr;
        IDirect3DSurface9 *rtSurface = nullptr, *bb = nullptr;
    };
    // The back buffer through a lock of its own.
    auto lockedRows = [](IDirect3DSurface9* surface) {
        std::vector<DWORD> rows;
        D3DLOCKED_RECT lr;
        if (FAILED(surface->LockRect(&lr, nullptr, D3DLOCK_READONLY))) return rows;
        for (UINT y = 0; y < H; ++y) {
            const DWORD* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch);
            rows.insert(rows.end(), row, row + W);
        }
        surface->UnlockRect();
        return rows;
    };

    Scene played(window, shift);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const std::vector<DWORD> frame = played.Draw(step);
        Scene fresh(nullptr, shift);
        EXPECT_EQ(DifferingPixels(frame, fresh.Draw(step)), 0u);
        ASSERT_EQ(frame.size(), size_t(W) * H);
        switch (step.after) {
            case kNothing: break;
            case kReadBack: EXPECT_EQ(DifferingPixels(ReadTarget(played.dev.device, played.bb), frame), 0u); break;
            case kLockBack: EXPECT_EQ(DifferingPixels(lockedRows(played.bb), frame), 0u); break;
            case kPokePicture: {
                // The picture changes under the sprite; the back buffer keeps what was presented.
                D3DLOCKED_RECT lr;
                ASSERT_EQ(played.rtSurface->LockRect(&lr, nullptr, 0), D3D_OK);
                for (UINT y = 0; y < H; ++y)
                    for (UINT x = 0; x < W; ++x) reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] ^= 0xFFFFFF;
                played.rtSurface->UnlockRect();
                EXPECT_EQ(DifferingPixels(ReadTarget(played.dev.device, played.bb), frame), 0u);
                break;
            }
        }
    }
}

TEST(Device, PictureCopiedToTheBackBufferReadsAsDrawn) {
    for (int shift : {0, 1}) {
        SCOPED_TRACE(shift);
        PictureCopiedToTheBackBufferReadsAsDrawn(nullptr, shift);
    }
}

TEST(DeviceWindow, PictureCopiedToTheBackBufferReadsAsDrawn) {
    testsupport::TestWindow window("D3D9PictureCopyTest", 48, 32, DefWindowProcA, WS_POPUP | WS_CAPTION);
    ASSERT_NE(window.Handle(), nullptr);
    ShowWindow(window.Handle(), SW_SHOW);
    PictureCopiedToTheBackBufferReadsAsDrawn(window.Handle(), 0);
}

TEST(Device, BuffersWithTwoStreamDeclarationDrawLikeUserPointers) {
    TestDevice dev(4, 4);
    SetScreenProjection(dev.device, 4, 4);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    IDirect3DTexture9* tex = MakeTexture(dev.device, 2, 2, {0xFF110000, 0xFF220000, 0xFF330000, 0xFF440000});
    dev->SetTexture(0, tex);
    const float positions[] = {-0.5f, -0.5f, 0, 3.5f, -0.5f, 0, -0.5f, 3.5f, 0, 3.5f, 3.5f, 0};
    const float uvs[] = {0, 0, 1, 0, 0, 1, 1, 1};
    const WORD indices[] = {0, 1, 2, 2, 1, 3};
    IDirect3DVertexBuffer9 *pos = nullptr, *uv = nullptr;
    IDirect3DIndexBuffer9* ib = nullptr;
    dev->CreateVertexBuffer(sizeof positions, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &pos, nullptr);
    dev->CreateVertexBuffer(sizeof uvs, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &uv, nullptr);
    dev->CreateIndexBuffer(sizeof indices, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &ib, nullptr);
    void* p;
    pos->Lock(0, 0, &p, 0);
    std::memcpy(p, positions, sizeof positions);
    pos->Unlock();
    uv->Lock(0, 0, &p, 0);
    std::memcpy(p, uvs, sizeof uvs);
    uv->Unlock();
    ib->Lock(0, 0, &p, D3DLOCK_NOSYSLOCK);
    std::memcpy(p, indices, sizeof indices);
    ib->Unlock();
    const D3DVERTEXELEMENT9 decl[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                      {1, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                      D3DDECL_END()};
    IDirect3DVertexDeclaration9* vd = nullptr;
    ASSERT_EQ(dev->CreateVertexDeclaration(decl, &vd), D3D_OK);
    dev->SetVertexDeclaration(vd);
    dev->SetStreamSource(0, pos, 0, 12);
    dev->SetStreamSource(1, uv, 0, 8);
    dev->SetIndices(ib);
    ASSERT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    auto px = ReadTarget(dev.device);
    EXPECT_EQ(px[0], 0xFF110000u);
    EXPECT_EQ(px[3], 0xFF220000u);
    EXPECT_EQ(px[12], 0xFF330000u);
    EXPECT_EQ(px[15], 0xFF440000u);
    // Indices beyond the buffers are refused, not read.
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 2, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 3, 2), D3DERR_INVALIDCALL);
    dev->SetTexture(0, nullptr);
    dev->SetStreamSource(0, nullptr, 0, 0);
    dev->SetStreamSource(1, nullptr, 0, 0);
    dev->SetIndices(nullptr);
    dev->SetVertexDeclaration(nullptr);
    vd->Release();
    ib->Release();
    uv->Release();
    pos->Release();
    tex->Release();
}

}  // namespace

namespace {

// A real (dummy-driver) window: full screen through Reset at a given mode, and the loss that a
// full-screen device suffers when its window loses the focus.
TEST(DeviceWindow, FullScreenAndFocusLoss) {
    std::vector<D3DDISPLAYMODE> modes = {{800, 600, 60, D3DFMT_X8R8G8B8}, {640, 480, 60, D3DFMT_X8R8G8B8}};
    d3d9test::SetDisplayModes(&modes);
    testsupport::TestWindow window("D3D9DeviceWindowTest", 320, 240, DefWindowProcA, WS_POPUP | WS_CAPTION);
    HWND hwnd = window.Handle();
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    TestDevice device(320, 240, D3DFMT_X8R8G8B8, true, hwnd);
    IDirect3DDevice9* dev = device.device;
    ASSERT_NE(dev, nullptr);
    D3DPRESENT_PARAMETERS pp = device.params;

    auto focus = [&](Uint8 event) {
        SDL_Event e{};
        e.type = SDL_WINDOWEVENT;
        e.window.event = event;
        e.window.windowID = SDL_GetWindowID(win32::SdlWindowOf(hwnd));
        SDL_PushEvent(&e);
        win32::PumpEvents();
    };
    focus(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK) << "a windowed device keeps going without the focus";
    focus(SDL_WINDOWEVENT_FOCUS_GAINED);

    D3DPRESENT_PARAMETERS full = pp;
    full.Windowed = FALSE;
    full.BackBufferWidth = 640;
    full.BackBufferHeight = 480;
    ASSERT_EQ(dev->Reset(&full), D3D_OK);
    EXPECT_TRUE(SDL_GetWindowFlags(win32::SdlWindowOf(hwnd)) & SDL_WINDOW_FULLSCREEN);
    D3DDISPLAYMODE mode{};
    dev->GetDisplayMode(0, &mode);
    EXPECT_EQ(mode.Width, 640u);
    EXPECT_EQ(mode.Height, 480u);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.f, 0);
    ASSERT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    std::vector<DWORD> frame;
    UINT w = 0, h = 0;
    ASSERT_TRUE(d3d9test::ReadPresentedFrame(dev, frame, w, h));
    EXPECT_EQ(w, 640u);
    EXPECT_EQ(frame[0], 0xFF00FF00u);

    focus(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(dev->Reset(&full), D3DERR_DEVICELOST) << "no reset while the focus is away";
    focus(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    ASSERT_EQ(dev->Reset(&pp), D3D_OK);
    EXPECT_FALSE(SDL_GetWindowFlags(win32::SdlWindowOf(hwnd)) & SDL_WINDOW_FULLSCREEN);
    EXPECT_EQ(dev->TestCooperativeLevel(), D3D_OK);
    d3d9test::SetDisplayModes(nullptr);
}

// Present sends the window only the rectangles that changed (rows next to each other make one
// rectangle over their changed columns), and the window then holds exactly the presented frame.
TEST(DeviceWindow, PresentSendsOnlyWhatChanged) {
    testsupport::TestWindow window("D3D9PresentRectsTest", 64, 48, DefWindowProcA, WS_POPUP | WS_CAPTION);
    HWND hwnd = window.Handle();
    ASSERT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    TestDevice device(64, 48, D3DFMT_X8R8G8B8, false, hwnd);
    IDirect3DDevice9* dev = device.device;
    ASSERT_NE(dev, nullptr);
    SDL_Window* win = win32::SdlWindowOf(hwnd);

    // The frame drawn with marks, as the hook reads it back and as the window holds it.
    auto windowMatchesFrame = [&](const std::vector<D3DRECT>& marks) {
        std::vector<DWORD> expected(64 * 48, 0xFF102030u);
        for (const D3DRECT& r : marks)
            for (LONG y = r.y1; y < r.y2; ++y)
                for (LONG x = r.x1; x < r.x2; ++x) expected[size_t(y) * 64 + size_t(x)] = 0xFFFFFFFFu;
        std::vector<DWORD> frame;
        UINT w = 0, h = 0;
        if (!d3d9test::ReadPresentedFrame(dev, frame, w, h) || frame != expected) return false;
        SDL_Surface* s = SDL_GetWindowSurface(win);
        if (!s || s->w != int(w) || s->h != int(h)) return false;
        std::vector<DWORD> shown(frame.size());
        SDL_ConvertPixels(s->w, s->h, s->format->format, s->pixels, s->pitch, SDL_PIXELFORMAT_ARGB8888, shown.data(),
                          s->w * 4);
        for (DWORD& p : shown) p |= 0xFF000000u;
        return shown == expected;
    };
    auto sameRects = [](const std::vector<RECT>& a, const std::vector<RECT>& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const RECT& x, const RECT& y) {
            return x.left == y.left && x.top == y.top && x.right == y.right && x.bottom == y.bottom;
        });
    };
    auto frame = [&](const std::vector<D3DRECT>& marks) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.f, 0);
        if (!marks.empty()) dev->Clear(DWORD(marks.size()), marks.data(), D3DCLEAR_TARGET, 0xFFFFFFFF, 1.f, 0);
        EXPECT_EQ(dev->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    };
    frame({});
    EXPECT_TRUE(sameRects(d3d9test::SentRects(dev), {RECT{0, 0, 64, 48}})) << "the first frame goes whole";
    EXPECT_TRUE(windowMatchesFrame({}));

    struct Case {
        const char* name;
        std::vector<D3DRECT> marks;  // white over the plain frame
        std::vector<RECT> sent;      // compared with the frame before
    };
    const Case cases[] = {
        {"one pixel", {{5, 7, 6, 8}}, {{5, 7, 6, 8}}},
        {"the same frame again", {{5, 7, 6, 8}}, {}},
        {"the pixel gone, two apart", {{10, 2, 20, 5}, {40, 30, 60, 32}}, {{10, 2, 20, 5}, {5, 7, 6, 8}, {40, 30, 60, 32}}},
        {"rows touching make one band", {{0, 10, 4, 13}, {50, 13, 60, 14}},
         {{10, 2, 20, 5}, {0, 10, 60, 14}, {40, 30, 60, 32}}},
        {"back to plain", {}, {{0, 10, 60, 14}}},
        {"the edges", {{0, 0, 64, 1}, {63, 47, 64, 48}}, {{0, 0, 64, 1}, {63, 47, 64, 48}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frame(c.marks);
        EXPECT_TRUE(sameRects(d3d9test::SentRects(dev), c.sent));
        EXPECT_TRUE(windowMatchesFrame(c.marks));
    }

    // The window lost its contents: the next frame goes whole even where it did not change.
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_EXPOSED;
    e.window.windowID = SDL_GetWindowID(win);
    SDL_PushEvent(&e);
    win32::PumpEvents();
    frame({{0, 0, 64, 1}, {63, 47, 64, 48}});
    EXPECT_TRUE(sameRects(d3d9test::SentRects(dev), {RECT{0, 0, 64, 48}}));
    EXPECT_TRUE(windowMatchesFrame({{0, 0, 64, 1}, {63, 47, 64, 48}}));
}

}  // namespace
