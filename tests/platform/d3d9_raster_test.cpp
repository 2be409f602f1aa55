// Pixel-exact drawing of the software device on 8x8 targets. Expected pixels follow from the
// Direct3D 9 rules: pixel centres on integer coordinates, top-left fill rule, texel (floor(u*w),
// floor(v*h)) under point sampling, colour arithmetic on 0..1 values rounded to 8 bits.
#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <limits>

#include "d3d9/testhooks.h"

#include "support/D3DDraw.h"
#include "support/TestDevice.h"

namespace {

constexpr DWORD kClear = 0xFF102030;

struct Raster : ::testing::Test {
    void SetUp() override {
        ASSERT_NE(dev.device, nullptr);
        SetScreenProjection(dev.device, 8, 8);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_ZENABLE, FALSE);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, 1.f, 0);
    }
    DWORD Pixel(int x, int y) { return ReadTarget(dev.device)[size_t(y) * 8 + size_t(x)]; }
    TestDevice dev;
};

TEST_F(Raster, SpriteAtHalfPixelOffsetMapsTexelsOneToOne) {
    std::vector<DWORD> texels(16);
    for (int i = 0; i < 16; ++i) texels[size_t(i)] = 0xFF000000u | DWORD(i * 0x0F0F0F);
    IDirect3DTexture9* tex = MakeTexture(dev.device, 4, 4, texels);
    dev->SetTexture(0, tex);
    DrawQuad(dev.device, 1.5f, 2.5f, 5.5f, 6.5f, 0xFFFFFFFF);  // covers pixels 2..5 x 3..6
    auto px = ReadTarget(dev.device);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            bool inside = x >= 2 && x <= 5 && y >= 3 && y <= 6;
            DWORD expected = inside ? texels[size_t((y - 3) * 4 + (x - 2))] : kClear;
            EXPECT_EQ(px[size_t(y * 8 + x)], expected) << x << "," << y;
        }
    dev->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(Raster, FillRuleTakesTopAndLeftEdgesOnly) {
    struct Rect {
        float x0, y0, x1, y1;
    };
    struct Covered {
        int left, top, right, bottom;  // inclusive
    };
    struct Case {
        Rect quad;
        Covered covered;
    };
    const Case cases[] = {
        // Edges through pixel centres: left and top in, right and bottom out.
        {.quad = {1.0f, 1.0f, 3.0f, 3.0f}, .covered = {1, 1, 2, 2}},
        {.quad = {0.5f, 0.5f, 2.5f, 2.5f}, .covered = {1, 1, 2, 2}},  // edges between centres
        {.quad = {1.0f, 1.0f, 1.9f, 4.0f}, .covered = {1, 1, 1, 3}},  // thin: only the left column
        {.quad = {2.1f, 1.0f, 2.9f, 4.0f}, .covered = {3, 1, 2, 3}},  // thin strip between centres: nothing
        {.quad = {-3.0f, -3.0f, 20.0f, 0.5f}, .covered = {0, 0, 7, 0}},
    };
    for (const Case& c : cases) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.f, 0);
        const Rect& q = c.quad;
        DrawQuad(dev.device, q.x0, q.y0, q.x1, q.y1, 0xFFFFFFFF);
        auto px = ReadTarget(dev.device);
        const Covered& in = c.covered;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                bool inside = x >= in.left && x <= in.right && y >= in.top && y <= in.bottom;
                EXPECT_EQ(px[size_t(y * 8 + x)], inside ? 0xFFFFFFFFu : kClear)
                    << "quad " << q.x0 << "," << q.y0 << " pixel " << x << "," << y;
            }
    }
}

TEST_F(Raster, SharedDiagonalIsDrawnOnce) {
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
    DrawQuad(dev.device, 0.f, 0.f, 8.f, 8.f, 0xFF404040);
    for (DWORD p : ReadTarget(dev.device)) EXPECT_EQ(p, 0xFF404040u);
}

TEST_F(Raster, BlendModes) {
    struct Case {
        DWORD src, dest;
        DWORD target;  // starting pixel
        DWORD colour;  // drawn (diffuse, no texture)
        DWORD expected;
    };
    const Case cases[] = {
        // 0.5 red over blue: r = 255*128/255, b = 255*127/255.
        {.src = D3DBLEND_SRCALPHA, .dest = D3DBLEND_INVSRCALPHA, .target = 0xFF0000FF,
         .colour = 0x80FF0000, .expected = 0xFF80007F},
        // additive: red*alpha plus everything there.
        {.src = D3DBLEND_SRCALPHA, .dest = D3DBLEND_ONE, .target = 0xFF0040FF,
         .colour = 0x80FF0000, .expected = 0xFF8040FF},
        // inverse destination colour: g = 0x40 * (255-0x40)/255 = 47.9 -> 0x30.
        {.src = D3DBLEND_SRCALPHA, .dest = D3DBLEND_INVDESTCOLOR, .target = 0xFF0040FF,
         .colour = 0x80FF0000, .expected = 0xFF803000},
        {.src = D3DBLEND_ONE, .dest = D3DBLEND_ZERO, .target = 0xFF0040FF,
         .colour = 0x80123456, .expected = 0xFF123456},
    };
    for (const Case& c : cases) {
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        dev->SetRenderState(D3DRS_SRCBLEND, c.src);
        dev->SetRenderState(D3DRS_DESTBLEND, c.dest);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, c.target, 1.f, 0);
        DrawQuad(dev.device, -0.5f, -0.5f, 0.5f, 0.5f, c.colour);
        EXPECT_EQ(Pixel(0, 0), c.expected) << "src " << c.src << " dest " << c.dest;
        EXPECT_EQ(Pixel(1, 0), c.target);
    }
}

TEST(RasterAlphaTarget, SeparateAlphaAddsAlphaWhileColourBlends) {
    TestDevice dev;
    IDirect3DTexture9* rtTex = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rtTex, nullptr),
              D3D_OK);
    IDirect3DSurface9* rt = nullptr;
    rtTex->GetSurfaceLevel(0, &rt);
    dev->SetRenderTarget(0, rt);
    SetScreenProjection(dev.device, 8, 8);
    dev->SetRenderState(D3DRS_LIGHTING, FALSE);
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    struct Case {
        bool separate;
        DWORD expected;
    };
    // Target 0x40 alpha, blue; draw red at alpha 0x80.
    // Plain: a = 128*128/255 + 64*127/255 = 64.25 + 31.87 -> 96 (0x60).
    // Separate ONE/ONE: a = 128 + 64 = 192 (0xC0).
    for (const Case& c : {Case{false, 0x6080007F}, Case{true, 0xC080007F}}) {
        dev->SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, c.separate);
        dev->SetRenderState(D3DRS_SRCBLENDALPHA, D3DBLEND_ONE);
        dev->SetRenderState(D3DRS_DESTBLENDALPHA, D3DBLEND_ONE);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0x400000FF, 1.f, 0);
        DrawQuad(dev.device, -0.5f, -0.5f, 0.5f, 0.5f, 0x80FF0000);
        EXPECT_EQ(ReadTarget(dev.device, rt)[0], c.expected) << "separate " << c.separate;
    }
    rt->Release();
    rtTex->Release();
}

TEST_F(Raster, AlphaTestGreaterThanZeroDropsOnlyTransparentTexels) {
    IDirect3DTexture9* tex = MakeTexture(dev.device, 2, 1, {0x00FFFFFF, 0x01FFFFFF});
    dev->SetTexture(0, tex);
    dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    dev->SetRenderState(D3DRS_ALPHAREF, 0);
    dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
    DrawQuad(dev.device, -0.5f, -0.5f, 1.5f, 0.5f, 0xFFFFFFFF);
    EXPECT_EQ(Pixel(0, 0), kClear);
    EXPECT_EQ(Pixel(1, 0), 0xFFFFFFFFu);  // X8 target: the unused byte reads 0xFF
    dev->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(Raster, DepthTiesPassUnderLessEqualOnly) {
    struct Case {
        DWORD func;
        DWORD expected;
    };
    for (const Case& c : {Case{D3DCMP_LESSEQUAL, 0xFF00FF00u}, Case{D3DCMP_LESS, 0xFFFF0000u}}) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, 1.f, 0);
        dev->SetRenderState(D3DRS_ZENABLE, TRUE);
        dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        dev->SetRenderState(D3DRS_ZFUNC, c.func);
        DrawQuad(dev.device, -0.5f, -0.5f, 0.5f, 0.5f, 0xFFFF0000, 0.3f);
        DrawQuad(dev.device, -0.5f, -0.5f, 0.5f, 0.5f, 0xFF00FF00, 0.3f);
        EXPECT_EQ(Pixel(0, 0), c.expected) << "func " << c.func;
        // Farther than what is there: never drawn; nearer: always.
        DrawQuad(dev.device, -0.5f, -0.5f, 0.5f, 0.5f, 0xFF0000FF, 0.31f);
        EXPECT_EQ(Pixel(0, 0), c.expected);
        DrawQuad(dev.device, -0.5f, -0.5f, 0.5f, 0.5f, 0xFF0000FF, 0.29f);
        EXPECT_EQ(Pixel(0, 0), 0xFF0000FFu);
    }
}

TEST_F(Raster, DepthClearValuesOutsideTheRangeClearToTheNearerEnd) {
    // A clear value beyond 0..1 clears to the nearer end, one that is not a number to 0 (as draws
    // store such depths). A quad at the stored depth passes both LESSEQUAL and GREATEREQUAL only
    // when the depth surface holds exactly that value.
    struct Case {
        float clear, stored;
    };
    constexpr float kInf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {std::numeric_limits<float>::quiet_NaN(), 0.f}, {-kInf, 0.f}, {-3.f, 0.f}, {kInf, 1.f}, {2.f, 1.f}};
    dev->SetRenderState(D3DRS_ZENABLE, TRUE);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    for (const Case& c : cases)
        for (DWORD func : {D3DCMP_LESSEQUAL, D3DCMP_GREATEREQUAL}) {
            dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, c.clear, 0);
            dev->SetRenderState(D3DRS_ZFUNC, func);
            DrawQuad(dev.device, -0.5f, -0.5f, 0.5f, 0.5f, 0xFF00FF00, c.stored);
            EXPECT_EQ(Pixel(0, 0), 0xFF00FF00u) << "cleared to " << c.clear << ", func " << func;
        }
}

// A clear that a later clear makes redundant is skipped only when the later one clears the same
// surface over all its pixels, with nothing using the surface in between.
TEST_F(Raster, ClearsAreSkippedOnlyWhenClearedAgain) {
    struct Clear {
        DWORD flags;
        DWORD colour;
        float z;
        bool left = false;  // the left half only
    };
    struct Case {
        const char* name;
        std::vector<Clear> before, after;  // clears before and after a green quad at depth 0.5 (LESS)
        DWORD left, right;                 // pixels (1, 1) and (6, 1) then
    };
    constexpr DWORD kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu, kGreen = 0xFF00FF00u;
    const Case cases[] = {
        {"colour cleared again, depth kept", {{D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kRed, 0.2f}, {D3DCLEAR_TARGET, kBlue, 1.f}},
         {}, kBlue, kBlue},
        {"cleared again in part", {{D3DCLEAR_TARGET, kRed, 1.f}, {D3DCLEAR_TARGET, kBlue, 1.f, true}}, {}, kGreen, kGreen},
        {"cleared again whole", {{D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kRed, 0.2f}, {D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlue, 1.f}},
         {}, kGreen, kGreen},
        {"depth used before it is cleared again", {{D3DCLEAR_ZBUFFER, kRed, 0.2f}}, {{D3DCLEAR_ZBUFFER, kRed, 1.f}},
         kClear, kClear},
    };
    dev->SetRenderState(D3DRS_ZENABLE, TRUE);
    dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
    for (const Case& c : cases) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClear, 1.f, 0);
        auto clear = [&](const Clear& k) {
            const D3DRECT left{0, 0, 4, 8};
            dev->Clear(k.left ? 1 : 0, k.left ? &left : nullptr, k.flags, k.colour, k.z, 0);
        };
        for (const Clear& k : c.before) clear(k);
        DrawQuad(dev.device, -0.5f, -0.5f, 7.5f, 7.5f, kGreen, 0.5f);
        for (const Clear& k : c.after) clear(k);
        const std::vector<DWORD> frame = ReadTarget(dev.device);
        EXPECT_EQ(frame[8 + 1], c.left) << c.name;
        EXPECT_EQ(frame[8 + 6], c.right) << c.name;
    }
}

// A clear followed by a draw over its pixels gives what it gives when the clear has run on its own
// first: a clear is left out only under a draw that writes all of its pixels whatever they held. A
// blend left out where the source is opaque leaves translucent texels blended.
TEST_F(Raster, ClearUnderADrawIsLeftOutOnlyWhereTheDrawOverwritesIt) {
    constexpr DWORD kBefore = 0xFFFF00FFu, kOpaque = 0xFF3366CCu;
    struct Case {
        const char* name;
        D3DFORMAT format = D3DFMT_A8R8G8B8;
        DWORD texel = kOpaque;             // every texel but the last
        DWORD lastTexel = kOpaque;         // the bottom right one
        DWORD colour = 0xFFFFFFFFu;        // the vertices', times the texels in colour and alpha
        float from = -0.5f, to = 7.5f;     // the quad's corners, on both axes
        bool blend = true;                 // SRCALPHA over INVSRCALPHA (else the source replaces)
        DWORD destBlend = D3DBLEND_INVSRCALPHA;
        DWORD alphaFunc = D3DCMP_GREATER;  // alpha test against 0
        bool depthTest = false;            // LESS against a depth cleared to 0.2, the quad at 0.5
        bool cutClear = false;             // the clear takes the left half only
        float reach = 1.f;                 // the texture coordinates' end (u and v), from 0
        bool bilinear = false;
        DWORD corner = 0;                  // pixel (7, 7) after the clear to black, where not 0
    };
    const Case cases[] = {
        {.name = "opaque texels over all"},
        {.name = "X8 texels over all", .format = D3DFMT_X8R8G8B8, .texel = 0x00336699u, .lastTexel = 0x00336699u},
        {.name = "translucent texels replacing", .texel = 0x40336699u, .lastTexel = 0x00FFFFFFu, .blend = false,
         .alphaFunc = D3DCMP_ALWAYS},
        {.name = "over a clear of the left half", .cutClear = true},
        {.name = "quad short of the edge", .from = 0.5f},
        {.name = "quad short of the bottom right", .to = 6.5f},
        {.name = "one translucent texel", .lastTexel = 0x80FFFFFFu, .corner = 0xFF808080u},
        {.name = "point samples short of a translucent texel", .lastTexel = 0x80FFFFFFu, .reach = 0.75f,
         .corner = 0xFF3366CCu},
        {.name = "bilinear samples reaching a translucent texel", .lastTexel = 0x80FFFFFFu, .reach = 0.75f,
         .bilinear = true, .corner = 0xFF446FC7u},
        {.name = "one transparent texel, no blending but the alpha test", .lastTexel = 0x00FFFFFFu, .blend = false},
        {.name = "translucent colour", .colour = 0xF0FFFFFFu},
        {.name = "translucent colour over X8 texels", .format = D3DFMT_X8R8G8B8, .colour = 0x80FFFFFFu},
        {.name = "added", .destBlend = D3DBLEND_ONE},
        {.name = "alpha test no texel passes", .format = D3DFMT_X8R8G8B8, .alphaFunc = D3DCMP_LESS},
        {.name = "depth test", .depthTest = true},
    };
    for (const Case& c : cases) {
        std::vector<DWORD> texels(16, c.texel);
        texels.back() = c.lastTexel;
        IDirect3DTexture9* tex = MakeTexture(dev.device, 4, 4, texels, c.format);
        dev->SetTexture(0, tex);
        dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, c.blend);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, c.destBlend);
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
        dev->SetRenderState(D3DRS_ALPHAFUNC, c.alphaFunc);
        dev->SetRenderState(D3DRS_ZENABLE, c.depthTest);
        dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
        for (DWORD f : {D3DSAMP_MAGFILTER, D3DSAMP_MINFILTER})
            dev->SetSamplerState(0, D3DSAMPLERSTATETYPE(f), c.bilinear ? D3DTEXF_LINEAR : D3DTEXF_POINT);
        for (DWORD a : {D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV}) dev->SetSamplerState(0, D3DSAMPLERSTATETYPE(a), D3DTADDRESS_CLAMP);
        const D3DRECT left{0, 0, 4, 8};
        std::vector<DWORD> frames[2];
        for (bool clearFirst : {true, false}) {
            dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBefore, 0.2f, 0);
            ReadTarget(dev.device);
            dev->Clear(c.cutClear ? 1 : 0, c.cutClear ? &left : nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.f, 0);
            if (clearFirst) ReadTarget(dev.device);  // the clear runs before the draw is recorded
            DrawQuad(dev.device, c.from, c.from, c.to, c.to, c.colour, 0.5f, c.reach, c.reach);
            frames[clearFirst] = ReadTarget(dev.device);
        }
        EXPECT_EQ(frames[false], frames[true]) << c.name;
        if (c.corner) {
            EXPECT_EQ(frames[true][8 * 7 + 7], c.corner) << c.name;
        }
        dev->SetTexture(0, nullptr);
        tex->Release();
    }
}

TEST_F(Raster, StageWithoutTextureAndMissingColourAndX8Alpha) {
    // No texture: stage 0 (TEXTURE x CURRENT) passes the diffuse colour on.
    DrawQuad(dev.device, -0.5f, -0.5f, 0.5f, 0.5f, 0xFF336699);
    EXPECT_EQ(Pixel(0, 0), 0xFF336699u);

    // No colour in the vertices: opaque white, so the texel comes through unchanged.
    IDirect3DTexture9* tex = MakeTexture(dev.device, 1, 1, {0x00ABCDEF}, D3DFMT_X8R8G8B8);
    dev->SetTexture(0, tex);
    struct Plain {
        float x, y, z, u, v;
    } quad[4] = {{0.5f, -0.5f, 0, 0, 0}, {1.5f, -0.5f, 0, 1, 0}, {0.5f, 0.5f, 0, 0, 1}, {1.5f, 0.5f, 0, 1, 1}};
    const WORD idx[6] = {0, 1, 2, 2, 1, 3};
    dev->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
    // X8 texels read alpha 1: blended with SRCALPHA they cover completely.
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, idx, D3DFMT_INDEX16, quad, sizeof(Plain));
    EXPECT_EQ(Pixel(1, 0), 0xFFABCDEFu);
    dev->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(Raster, TextureTimesTextureFactor) {
    IDirect3DTexture9* tex = MakeTexture(dev.device, 1, 1, {0xFF804020});
    dev->SetTexture(0, tex);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
    dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
    dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80FF8000);
    IDirect3DTexture9* rtTex = nullptr;
    dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &rtTex, nullptr);
    IDirect3DSurface9* rt = nullptr;
    rtTex->GetSurfaceLevel(0, &rt);
    dev->SetRenderTarget(0, rt);
    DrawQuad(dev.device, -0.5f, -0.5f, 0.5f, 0.5f, 0xFF000000);  // diffuse ignored
    // a = 255*128/255 = 128; r = 128*255/255; g = 64*128/255 = 32.1; b = 32*0 = 0.
    EXPECT_EQ(ReadTarget(dev.device, rt)[0], 0x80802000u);
    dev->SetTexture(0, nullptr);
    tex->Release();
    rt->Release();
    rtTex->Release();
}

TEST_F(Raster, RenderTargetSwitchResetsTheViewport) {
    D3DVIEWPORT9 small{2, 2, 3, 3, 0.f, 1.f};
    ASSERT_EQ(dev->SetViewport(&small), D3D_OK);
    IDirect3DTexture9* rtTex = nullptr;
    dev->CreateTexture(6, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &rtTex, nullptr);
    IDirect3DSurface9* rt = nullptr;
    rtTex->GetSurfaceLevel(0, &rt);
    dev->SetRenderTarget(0, rt);
    D3DVIEWPORT9 vp;
    dev->GetViewport(&vp);
    EXPECT_EQ(vp.X, 0u);
    EXPECT_EQ(vp.Y, 0u);
    EXPECT_EQ(vp.Width, 6u);
    EXPECT_EQ(vp.Height, 4u);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
    SetScreenProjection(dev.device, 6, 4);
    DrawQuad(dev.device, -0.5f, -0.5f, 5.5f, 3.5f, 0xFF00FF00);
    for (DWORD p : ReadTarget(dev.device, rt)) EXPECT_EQ(p, 0xFF00FF00u);
    rt->Release();
    rtTex->Release();
}

TEST_F(Raster, ViewportLimitsDrawingAndClearing) {
    D3DVIEWPORT9 small{2, 1, 3, 2, 0.f, 1.f};
    dev->SetViewport(&small);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
    auto px = ReadTarget(dev.device);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(px[size_t(y * 8 + x)], (x >= 2 && x < 5 && y >= 1 && y < 3) ? 0xFF000000u : kClear);
}

}  // namespace

namespace {

TEST_F(Raster, BilinearWeightsFollowTheTexelPosition) {
    IDirect3DTexture9* tex = MakeTexture(dev.device, 2, 1, {0xFF000000, 0xFFFFFFFF});
    dev->SetTexture(0, tex);
    dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    // Pixel i samples texel position (i + 0.5) / 4 - 0.5: weights 0, 0, 1/8, 3/8, 5/8, 7/8, 1, 1 of the
    // white texel, each 255 * weight rounded.
    const int grey[8] = {0, 0, 32, 96, 159, 223, 255, 255};
    for (bool blended : {false, true}) {  // the blended draw takes another path through the rasteriser
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, blended);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        dev->SetRenderState(D3DRS_ALPHATESTENABLE, blended);
        dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        dev->SetRenderState(D3DRS_ALPHAREF, 0);
        DrawQuad(dev.device, -0.5f, -0.5f, 7.5f, 0.5f, 0xFFFFFFFF);
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(Pixel(x, 0), 0xFF000000u | DWORD(grey[x]) * 0x010101u) << "pixel " << x << " blended " << blended;
    }
    dev->SetTexture(0, nullptr);
    tex->Release();
}

TEST_F(Raster, WrapRepeatsAndClampStretchesTheEdge) {
    IDirect3DTexture9* tex = MakeTexture(dev.device, 2, 1, {0xFF0000FF, 0xFF00FF00});
    dev->SetTexture(0, tex);
    struct Case {
        DWORD mode;
        DWORD expected[4];
    };
    for (const Case& c : {Case{D3DTADDRESS_WRAP, {0xFF0000FF, 0xFF00FF00, 0xFF0000FF, 0xFF00FF00}},
                          Case{D3DTADDRESS_CLAMP, {0xFF0000FF, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00}}}) {
        dev->SetSamplerState(0, D3DSAMP_ADDRESSU, c.mode);
        DrawQuad(dev.device, -0.5f, -0.5f, 3.5f, 0.5f, 0xFFFFFFFF, 0.f, 2.f, 1.f);
        for (int x = 0; x < 4; ++x) EXPECT_EQ(Pixel(x, 0), c.expected[x]) << "mode " << c.mode << " pixel " << x;
    }
    dev->SetTexture(0, nullptr);
    tex->Release();
}

// A triangle with a corner that is not a finite number draws nothing, and the triangles beside it
// in the same draw are drawn as they would be alone.
TEST_F(Raster, TrianglesWithCornersThatAreNotNumbersAreDropped) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const SpriteVertex good[3] = {{0.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0}, {7.5f, 0.5f, 0, 0xFFFFFFFF, 0, 0},
                                  {0.5f, 6.5f, 0, 0xFFFFFFFF, 0, 0}};
    const WORD indices[6] = {0, 1, 2, 3, 4, 5};
    dev->SetFVF(kSpriteFvf);
    dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, indices, D3DFMT_INDEX16, good, sizeof(SpriteVertex));
    const auto alone = ReadTarget(dev.device);
    struct Case {
        float x, y, z;
    };
    for (const Case& c : {Case{nan, 3, 0}, Case{3, nan, 0}, Case{inf, 3, 0}, Case{-inf, 3, 0}, Case{3, 3, nan},
                          Case{nan, nan, nan}}) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.f, 0);
        SpriteVertex v[6] = {{1, 7, 0, 0xFFFF0000, 0, 0}, {6, 7.5f, 0, 0xFFFF0000, 0, 0}, {c.x, c.y, c.z, 0xFFFF0000, 0, 0},
                             good[0], good[1], good[2]};
        EXPECT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 6, 2, indices, D3DFMT_INDEX16, v, sizeof(SpriteVertex)),
                  D3D_OK);
        EXPECT_EQ(ReadTarget(dev.device), alone) << "corner " << c.x << "," << c.y << "," << c.z;
    }
}

// Texture coordinates far outside the texture (and ones that are not numbers) sample the texels that
// their address mode gives: the edge under clamping, the border colour, and under wrapping and
// mirroring the place in the pattern (such large floats are whole numbers: the pattern's start).
TEST_F(Raster, FarTextureCoordinatesSampleTheirAddressModesTexels) {
    const DWORD t0 = 0xFF204060, t1 = 0xFF000000, t2 = 0xFFFFFFFF, t3 = 0xFF80A0C0, border = 0xFF123456;
    IDirect3DTexture9* tex = MakeTexture(dev.device, 4, 1, {t0, t1, t2, t3});
    dev->SetTexture(0, tex);
    dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    dev->SetSamplerState(0, D3DSAMP_BORDERCOLOR, border);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const DWORD midway = 0xFF507090;  // t3 and t0 weighed equally
    struct Case {
        DWORD filter, mode;
        float u;
        DWORD expected;
    };
    const Case cases[] = {
        {D3DTEXF_POINT, D3DTADDRESS_CLAMP, 1e30f, t3},      {D3DTEXF_POINT, D3DTADDRESS_CLAMP, -1e30f, t0},
        {D3DTEXF_POINT, D3DTADDRESS_CLAMP, nan, t0},        {D3DTEXF_POINT, D3DTADDRESS_CLAMP, 3e38f, t3},
        {D3DTEXF_POINT, D3DTADDRESS_WRAP, 1073741824.f, t0}, {D3DTEXF_POINT, D3DTADDRESS_WRAP, -inf, t0},
        {D3DTEXF_POINT, D3DTADDRESS_MIRROR, 3e9f, t0},      {D3DTEXF_POINT, D3DTADDRESS_BORDER, 1e30f, border},
        {D3DTEXF_LINEAR, D3DTADDRESS_CLAMP, 1e30f, t3},     {D3DTEXF_LINEAR, D3DTADDRESS_CLAMP, -1e30f, t0},
        {D3DTEXF_LINEAR, D3DTADDRESS_WRAP, 1073741824.f, midway}, {D3DTEXF_LINEAR, D3DTADDRESS_WRAP, -3e9f, midway},
        {D3DTEXF_LINEAR, D3DTADDRESS_MIRROR, 1e30f, t0},    {D3DTEXF_LINEAR, D3DTADDRESS_BORDER, -1e30f, border},
        {D3DTEXF_LINEAR, D3DTADDRESS_BORDER, nan, t0},
    };
    for (const Case& c : cases) {
        dev->SetSamplerState(0, D3DSAMP_MINFILTER, c.filter);
        dev->SetSamplerState(0, D3DSAMP_MAGFILTER, c.filter);
        dev->SetSamplerState(0, D3DSAMP_ADDRESSU, c.mode);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.f, 0);
        // Every corner has the same coordinates: the whole 8 x 2 rectangle shows one sample.
        const SpriteVertex v[4] = {{-0.5f, -0.5f, 0, 0xFFFFFFFF, c.u, 0.5f}, {7.5f, -0.5f, 0, 0xFFFFFFFF, c.u, 0.5f},
                                   {-0.5f, 1.5f, 0, 0xFFFFFFFF, c.u, 0.5f}, {7.5f, 1.5f, 0, 0xFFFFFFFF, c.u, 0.5f}};
        const WORD indices[6] = {0, 1, 2, 2, 1, 3};
        dev->SetFVF(kSpriteFvf);
        dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, v, sizeof(SpriteVertex));
        const auto px = ReadTarget(dev.device);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(px[size_t(i)], c.expected) << "filter " << c.filter << " mode " << c.mode << " u " << c.u
                                                 << " pixel " << i;
    }
    dev->SetTexture(0, nullptr);
    tex->Release();
}

TEST(RasterThreads, FrameIsTheSameWhateverTheThreadCount) {
    auto render = [](unsigned threads) {
        TestDevice dev = DeviceOnThreads(threads, 256, 192);
        SetScreenProjection(dev.device, 256, 192);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        std::vector<DWORD> texels(64 * 64);
        for (size_t i = 0; i < texels.size(); ++i) texels[i] = DWORD(i * 2654435761u);
        IDirect3DTexture9* tex = MakeTexture(dev.device, 64, 64, texels);
        dev->SetTexture(0, tex);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.f, 0);
        for (int layer = 0; layer < 10; ++layer) {
            DWORD filter = layer % 2 ? D3DTEXF_LINEAR : D3DTEXF_POINT;
            dev->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
            dev->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
            float shift = 0.37f * float(layer);
            DrawQuad(dev.device, -0.5f + shift, -0.5f + shift * 2, 250.f - shift, 190.f - shift,
                     0x80FFFFFFu | DWORD(layer * 20) << 8, float(layer) / 10.f, 1.f + shift / 10.f, 1.f);
        }
        auto frame = ReadTarget(dev.device);
        dev->SetTexture(0, nullptr);
        tex->Release();
        return frame;
    };
    auto one = render(1), two = render(2), three = render(3);
    EXPECT_TRUE(one == two);
    EXPECT_TRUE(one == three);
}

}  // namespace

namespace {

TEST_F(Raster, TextureCoordinatesArePerspectiveCorrect) {
    // Eight texels across a quad whose right edge is four times as far (1/w = 0.25) as its left.
    // At pixel centre s = (x + 0.5) / 8 the texture sees u = 0.25 s / (1 - 0.75 s), texel floor(8 u).
    std::vector<DWORD> texels(8);
    for (int i = 0; i < 8; ++i) texels[size_t(i)] = 0xFF000000u | DWORD(i * 30);
    IDirect3DTexture9* tex = MakeTexture(dev.device, 8, 1, texels);
    dev->SetTexture(0, tex);
    struct Transformed {
        float x, y, z, rhw, u, v;
    } quad[4] = {{-0.5f, -0.5f, 0, 1, 0, 0}, {7.5f, -0.5f, 0, 0.25f, 1, 0}, {-0.5f, 0.5f, 0, 1, 0, 1},
                 {7.5f, 0.5f, 0, 0.25f, 1, 1}};
    const WORD idx[6] = {0, 1, 2, 2, 1, 3};
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    ASSERT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, idx, D3DFMT_INDEX16, quad, sizeof(Transformed)),
              D3D_OK);
    const int expected[8] = {0, 0, 0, 1, 1, 2, 4, 6};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(Pixel(x, 0), texels[size_t(expected[x])]) << "pixel " << x;
    dev->SetTexture(0, nullptr);
    tex->Release();
}

}  // namespace

namespace {

TEST(RasterTargets, SixteenBitTargetsRoundEachChannel) {
    TestDevice dev;
    struct Case {
        D3DFORMAT format;
        WORD expected;  // 0xFF336699 drawn: 0x33, 0x66, 0x99 rounded to 5, 6 or 5 bits
    };
    for (const Case& c : {Case{D3DFMT_R5G6B5, WORD(6 << 11 | 25 << 5 | 19)},
                          Case{D3DFMT_X1R5G5B5, WORD(0x8000 | 6 << 10 | 12 << 5 | 19)},
                          Case{D3DFMT_A1R5G5B5, WORD(0x8000 | 6 << 10 | 12 << 5 | 19)}}) {
        IDirect3DTexture9* rtTex = nullptr;
        ASSERT_EQ(dev->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, c.format, D3DPOOL_DEFAULT, &rtTex, nullptr), D3D_OK);
        IDirect3DSurface9 *rt = nullptr, *copy = nullptr;
        rtTex->GetSurfaceLevel(0, &rt);
        dev->SetRenderTarget(0, rt);
        SetScreenProjection(dev.device, 4, 4);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_ZENABLE, FALSE);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
        DrawQuad(dev.device, 0.5f, 0.5f, 1.5f, 1.5f, 0xFF336699);
        dev->CreateOffscreenPlainSurface(4, 4, c.format, D3DPOOL_SYSTEMMEM, &copy, nullptr);
        ASSERT_EQ(dev->GetRenderTargetData(rt, copy), D3D_OK);
        D3DLOCKED_RECT lr;
        copy->LockRect(&lr, nullptr, D3DLOCK_READONLY);
        auto px = [&](int x, int y) { return reinterpret_cast<const WORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x]; };
        EXPECT_EQ(px(1, 1), c.expected) << "format " << c.format;
        EXPECT_EQ(px(0, 0) & 0x7FFF, 0) << "format " << c.format;
        copy->UnlockRect();
        copy->Release();
        rt->Release();
        rtTex->Release();
    }
}

}  // namespace

namespace {

// A pre-transformed vertex with a colour and one pair of texture coordinates.
struct Vertex {
    float x, y, z, rhw;
    DWORD colour;
    float u, v;
};

// The rasteriser's shortcuts for textured draws must give the very pixels of the general path. A
// stage 1 that only passes the colour on changes nothing in the result but takes the general path.
TEST(RasterPaths, ShortcutsMatchTheGeneralPath) {
    struct Config {
        DWORD filter, address;
        bool blend = false, alphaTest = false, depth = false, factor = false, rotated = false, perspective = false;
        bool textured = true;
        bool gradient = false;  // vertex colours differ
        bool pow2 = false;      // a 16 x 8 texture (wrapping by mask) instead of 17 x 13
        D3DFORMAT format = D3DFMT_A8R8G8B8;
        float uvScale = 1.f;  // large enough, texel positions no longer fit 32 bits
        // Texture coordinates uvFrom .. uvScale along x and y alone (texel columns made per triangle),
        // instead of a mapping that is skewed on the texture.
        bool axisAligned = false;
        float uvFrom = 0.f;
        bool backdrop = false;  // the quads blend over the whole texture stretched over the target first
        D3DFORMAT depthFormat = D3DFMT_D16;
        bool wide = false;  // a 64 x 64 texture, which the axis-aligned quads take one texel to a pixel across
        bool runs = false;  // texels repeat in runs of 20, as across a flat panel
    };
    const Config configs[] = {
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true},
        {.filter = D3DTEXF_LINEAR, .address = D3DTADDRESS_CLAMP, .blend = true},
        {.filter = D3DTEXF_LINEAR, .address = D3DTADDRESS_WRAP, .alphaTest = true, .rotated = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_WRAP, .blend = true, .alphaTest = true, .depth = true,
         .factor = true, .rotated = true},
        {.filter = D3DTEXF_LINEAR, .address = D3DTADDRESS_CLAMP, .blend = true, .depth = true, .factor = true,
         .perspective = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .depth = true, .rotated = true, .perspective = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .textured = false},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .alphaTest = true, .depth = true,
         .rotated = true, .textured = false},
        {.filter = D3DTEXF_LINEAR, .address = D3DTADDRESS_CLAMP, .blend = true, .alphaTest = true, .depth = true,
         .gradient = true},
        {.filter = D3DTEXF_LINEAR, .address = D3DTADDRESS_CLAMP, .blend = true, .alphaTest = true, .depth = true,
         .factor = true, .axisAligned = true},
        {.filter = D3DTEXF_LINEAR, .address = D3DTADDRESS_CLAMP, .blend = true, .depth = true, .factor = true,
         .axisAligned = true, .depthFormat = D3DFMT_D24S8},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_WRAP, .blend = true, .rotated = true, .perspective = true,
         .gradient = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .depth = true, .perspective = true,
         .textured = false, .gradient = true},
        {.filter = D3DTEXF_LINEAR, .address = D3DTADDRESS_WRAP, .blend = true, .factor = true, .rotated = true,
         .pow2 = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_WRAP, .blend = true, .rotated = true, .pow2 = true},
        {.filter = D3DTEXF_LINEAR, .address = D3DTADDRESS_CLAMP, .blend = true, .alphaTest = true, .factor = true,
         .rotated = true, .perspective = true, .gradient = true, .pow2 = true, .format = D3DFMT_X8R8G8B8},
        {.filter = D3DTEXF_LINEAR, .address = D3DTADDRESS_MIRROR, .blend = true, .rotated = true, .pow2 = true},
        {.filter = D3DTEXF_LINEAR, .address = D3DTADDRESS_WRAP, .blend = true, .rotated = true, .pow2 = true,
         .uvScale = 3e6f},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .axisAligned = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .format = D3DFMT_X8R8G8B8, .axisAligned = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .uvScale = 1.3f, .axisAligned = true,
         .uvFrom = -0.2f},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .uvScale = 0.05f, .axisAligned = true},
        {.filter = D3DTEXF_LINEAR, .address = D3DTADDRESS_CLAMP, .blend = true, .factor = true, .axisAligned = true},
        {.filter = D3DTEXF_LINEAR, .address = D3DTADDRESS_CLAMP, .uvScale = 1.3f, .axisAligned = true,
         .uvFrom = -0.2f},
        // One colour over every pixel of a span (a flat quad, one texel stretched) over a varied backdrop.
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .textured = false, .backdrop = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .uvScale = 0.52f,
         .axisAligned = true, .uvFrom = 0.5f, .backdrop = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .factor = true,
         .format = D3DFMT_X8R8G8B8, .uvScale = 0.52f, .axisAligned = true, .uvFrom = 0.5f, .backdrop = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .format = D3DFMT_X8R8G8B8,
         .uvScale = 0.52f, .axisAligned = true, .uvFrom = 0.5f, .backdrop = true},
        // One texel to a pixel across (a render target's picture copied onto another): X8 texels blended
        // or not copy straight where the colour is white (the first quad) and modulate elsewhere.
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .format = D3DFMT_X8R8G8B8,
         .uvScale = 0.640625f, .axisAligned = true, .backdrop = true, .wide = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .format = D3DFMT_X8R8G8B8, .uvScale = 0.640625f,
         .axisAligned = true, .backdrop = true, .wide = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .factor = true,
         .format = D3DFMT_X8R8G8B8, .uvScale = 0.640625f, .axisAligned = true, .backdrop = true, .wide = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .uvScale = 0.640625f,
         .axisAligned = true, .backdrop = true, .wide = true},
        // Panels faded by the colour over a varied backdrop: groups of equal texels, some transparent,
        // next to groups that mix two runs.
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .uvScale = 0.640625f,
         .axisAligned = true, .backdrop = true, .wide = true, .runs = true},
        {.filter = D3DTEXF_POINT, .address = D3DTADDRESS_CLAMP, .blend = true, .factor = true, .uvScale = 0.640625f,
         .axisAligned = true, .backdrop = true, .wide = true, .runs = true},
    };
    for (const Config& c : configs) {
        auto render = [&](bool general) {
            TestDevice dev(96, 80);
            IDirect3DSurface9* depth = nullptr;
            if (c.depthFormat != D3DFMT_D16) {
                dev->CreateDepthStencilSurface(96, 80, c.depthFormat, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr);
                dev->SetDepthStencilSurface(depth);
            }
            SetScreenProjection(dev.device, 96, 80);
            dev->SetRenderState(D3DRS_LIGHTING, FALSE);
            dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
            dev->SetRenderState(D3DRS_ZENABLE, c.depth);
            dev->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
            dev->SetRenderState(D3DRS_ALPHABLENDENABLE, c.blend);
            dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            dev->SetRenderState(D3DRS_ALPHATESTENABLE, c.alphaTest);
            dev->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER);
            dev->SetRenderState(D3DRS_ALPHAREF, 0x60);
            dev->SetRenderState(D3DRS_TEXTUREFACTOR, 0xC080FF40);
            if (c.factor) {
                dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_TFACTOR);
                dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
                dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
            }
            if (general) {
                dev->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
                dev->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_CURRENT);
                dev->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
                dev->SetTextureStageState(1, D3DTSS_ALPHAARG1, D3DTA_CURRENT);
            }
            dev->SetSamplerState(0, D3DSAMP_MINFILTER, c.filter);
            dev->SetSamplerState(0, D3DSAMP_MAGFILTER, c.filter);
            dev->SetSamplerState(0, D3DSAMP_ADDRESSU, c.address);
            dev->SetSamplerState(0, D3DSAMP_ADDRESSV, c.address);
            const UINT tw = c.wide ? 64 : c.pow2 ? 16 : 17, th = c.wide ? 64 : c.pow2 ? 8 : 13;
            std::vector<DWORD> texels(tw * th);
            for (size_t i = 0; i < texels.size(); ++i) {
                const size_t k = c.runs ? i / 20 : i;
                texels[i] = DWORD(k * 2654435761u) ^ DWORD(k << 27);
            }
            IDirect3DTexture9* tex = MakeTexture(dev.device, tw, th, texels, c.format);
            dev->SetTexture(0, c.textured ? tex : nullptr);
            dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040, 1.f, 0);
            dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
            const WORD kQuad[6] = {0, 1, 2, 2, 1, 3};
            if (c.backdrop) {
                const Vertex v[4] = {{-0.5f, -0.5f, 0.95f, 1, 0xFFFFFFFF, 0.f, 0.f},
                                     {95.5f, -0.5f, 0.95f, 1, 0xFFFFFFFF, 1.f, 0.f},
                                     {-0.5f, 79.5f, 0.95f, 1, 0xFFFFFFFF, 0.f, 1.f},
                                     {95.5f, 79.5f, 0.95f, 1, 0xFFFFFFFF, 1.f, 1.f}};
                IDirect3DTexture9* all = MakeTexture(dev.device, tw, th, texels);
                dev->SetTexture(0, all);
                dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, kQuad, D3DFMT_INDEX16, v, sizeof(Vertex));
                dev->SetTexture(0, c.textured ? tex : nullptr);
                all->Release();
            }
            for (int q = 0; q < 6; ++q) {
                float x0 = 3.5f + 9.25f * float(q), y0 = 2.5f + 7.f * float(q), x1 = x0 + 41.f, y1 = y0 + 33.f;
                float skew = c.rotated ? 9.5f : 0.f;
                float far = c.perspective ? 0.4f : 1.f;
                float z = 0.9f - 0.1f * float(q % 3);
                DWORD colour = 0xFFFFFFFFu - DWORD(q) * 0x20101010u - (c.textured ? 0u : 0x40000000u);
                DWORD other = c.gradient ? colour ^ 0x5A3C9F21u : colour;
                const float k = c.uvScale, a = c.uvFrom;
                Vertex v[4] = {{x0 + skew, y0, z, 1, colour, -0.3f * k, 0.1f * k},
                               {x1, y0 + skew, z, far, other, 1.7f * k, 0.f},
                               {x0, y1 - skew, z, 1, colour, 0.f, 1.4f * k},
                               {x1 - skew, y1, z, far, colour, 1.2f * k, 1.1f * k}};
                if (c.axisAligned) {
                    v[0].u = v[2].u = v[0].v = v[1].v = a;
                    v[1].u = v[3].u = v[2].v = v[3].v = k;
                }
                dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, kQuad, D3DFMT_INDEX16, v, sizeof(Vertex));
            }
            auto frame = ReadTarget(dev.device);
            dev->SetTexture(0, nullptr);
            tex->Release();
            if (depth) {
                dev->SetDepthStencilSurface(nullptr);
                depth->Release();
            }
            return frame;
        };
        auto shortcut = render(false), general = render(true);
        int differing = 0;
        for (size_t i = 0; i < shortcut.size(); ++i) differing += shortcut[i] != general[i];
        EXPECT_EQ(differing, 0) << "filter " << c.filter << " address " << c.address << " blend " << c.blend
                                << " alpha test " << c.alphaTest << " depth " << c.depth << " factor " << c.factor
                                << " rotated " << c.rotated << " perspective " << c.perspective << " textured "
                                << c.textured << " gradient " << c.gradient << " pow2 " << c.pow2 << " format "
                                << c.format << " axis-aligned " << c.axisAligned << " uv " << c.uvFrom << " to "
                                << c.uvScale << " depth format " << c.depthFormat << " runs " << c.runs;
    }
}

// The two halves of a quad drawn together are shaded as one rectangle where they can be: the pixels
// must be those of the two triangles drawn one by one, wherever the corners fall (on pixel centres,
// between them, past the viewport), whichever diagonal the halves share, and where they cannot be
// joined (halves that overlap, colours that differ from corner to corner). The halves blend, so a
// pixel drawn twice or missed shows.
TEST(RasterPaths, QuadsDrawnWholeMatchTheirHalvesDrawnApart) {
    struct Case {
        float x0, y0, x1, y1;
        int halves;  // 0: diagonal top-right to bottom-left, 1: the other diagonal, 2: halves sharing the top side
        bool gradient = false;
    };
    const Case cases[] = {
        {2.f, 1.f, 13.f, 9.f, 0},   {2.f, 1.f, 13.f, 9.f, 1},      {1.5f, 0.5f, 12.5f, 8.5f, 0},
        {0.3f, 1.7f, 11.8f, 6.2f, 1}, {-3.f, -2.f, 20.f, 19.f, 0},  {5.2f, 3.1f, 5.9f, 3.8f, 0},
        {2.f, 1.f, 13.f, 9.f, 2},   {1.5f, 0.5f, 12.5f, 8.5f, 0, true},
    };
    for (const Case& c : cases) {
        auto render = [&](bool apart) {
            TestDevice dev(16, 12);
            SetScreenProjection(dev.device, 16, 12);
            SetBlendedSpriteStates(dev.device);
            std::vector<DWORD> texels(17 * 13);
            for (size_t i = 0; i < texels.size(); ++i) texels[i] = DWORD(i * 2654435761u) | 0x80000000u;
            IDirect3DTexture9* tex = MakeTexture(dev.device, 17, 13, texels);
            dev->SetTexture(0, tex);
            dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040, 1.f, 0);
            dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
            const DWORD other = c.gradient ? 0x80FF4020u : 0xC0FFFFFFu;
            const Vertex corner[4] = {{c.x0, c.y0, 0.5f, 1, 0xC0FFFFFFu, 0.f, 0.f},
                                      {c.x1, c.y0, 0.5f, 1, 0xC0FFFFFFu, 1.f, 0.f},
                                      {c.x0, c.y1, 0.5f, 1, other, 0.f, 1.f},
                                      {c.x1, c.y1, 0.5f, 1, 0xC0FFFFFFu, 1.f, 1.f}};
            const int order[3][6] = {{0, 1, 2, 2, 1, 3}, {0, 1, 3, 0, 3, 2}, {0, 1, 2, 0, 1, 3}};
            Vertex v[6];
            for (int i = 0; i < 6; ++i) v[i] = corner[order[c.halves][i]];
            const WORD kList[6] = {0, 1, 2, 3, 4, 5};
            if (apart) {
                dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, kList, D3DFMT_INDEX16, v, sizeof(Vertex));
                dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, kList, D3DFMT_INDEX16, v + 3, sizeof(Vertex));
            } else {
                dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 6, 2, kList, D3DFMT_INDEX16, v, sizeof(Vertex));
            }
            auto frame = ReadTarget(dev.device);
            dev->SetTexture(0, nullptr);
            tex->Release();
            return frame;
        };
        EXPECT_EQ(render(false), render(true)) << "quad " << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1
                                               << " halves " << c.halves << " gradient " << c.gradient;
    }
}

// A quad drawn again in its place takes the texel columns and the rows of texels worked out for it
// before; it must still show its texture as it is now: the same texture with new texels, and a texture
// of another size made after the last was released (often at its address). Drawn in a wider viewport,
// it needs columns that its texel columns did not hold before.
TEST(RasterPaths, QuadsDrawnAgainShowTheirTexturesAsTheyAreNow) {
    struct Step {
        UINT w, h;
        bool newTexture;    // else the last texture gets new texels
        DWORD width = 96;  // of the viewport the quads are drawn in: the same quads over more columns
    };
    const Step steps[] = {{17, 13, true}, {17, 13, false},    {5, 9, true},          {23, 4, true},
                          {23, 4, false}, {19, 6, true, 60},  {19, 6, false, 96},    {19, 6, false, 20},
                          {19, 6, false, 70}};
    auto texels = [](const Step& s, size_t n) {
        std::vector<DWORD> out(s.w * s.h);
        for (size_t i = 0; i < out.size(); ++i) out[i] = DWORD((i + 7 * n) * 2654435761u) | 0x40000000u;
        return out;
    };
    auto draw = [](IDirect3DDevice9* device, IDirect3DTexture9* tex, DWORD width) {
        SetScreenProjection(device, 96, 80);
        SetBlendedSpriteStates(device);
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        device->SetTexture(0, tex);
        const D3DVIEWPORT9 whole{0, 0, 96, 80, 0.f, 1.f}, viewport{0, 0, width, 80, 0.f, 1.f};
        device->SetViewport(&whole);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040, 1.f, 0);
        device->SetViewport(&viewport);
        for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR}) {
            device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
            device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
            // The point-sampled quad stretches one texel row over all its rows.
            const bool point = filter == D3DTEXF_POINT;
            // Placed on the screen as they are (the viewport only cuts them).
            const float at = point ? 2.f : 47.f, v = point ? 0.05f : 1.f;
            const Vertex corners[4] = {{at, 3.f, 0.f, 1.f, 0xFFFFFFFF, 0.f, 0.f},
                                       {at + 45.f, 3.f, 0.f, 1.f, 0xFFFFFFFF, 1.f, 0.f},
                                       {at, 76.f, 0.f, 1.f, 0xFFFFFFFF, 0.f, v},
                                       {at + 45.f, 76.f, 0.f, 1.f, 0xFFFFFFFF, 1.f, v}};
            const WORD quad[6] = {0, 1, 2, 2, 1, 3};
            device->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
            device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, quad, D3DFMT_INDEX16, corners, sizeof(Vertex));
        }
        const std::vector<DWORD> frame = ReadTarget(device);
        device->SetTexture(0, nullptr);
        return frame;
    };
    // Every frame on one device first, then each on a fresh device: rows of texels are kept by the
    // thread, and a fresh device's draws in between would replace them.
    std::vector<std::vector<DWORD>> drawn;
    TestDevice kept(96, 80);
    IDirect3DTexture9* tex = nullptr;
    for (size_t n = 0; n < std::size(steps); ++n) {
        const Step& s = steps[n];
        const std::vector<DWORD> now = texels(s, n);
        if (s.newTexture) {
            if (tex) tex->Release();
            tex = MakeTexture(kept.device, s.w, s.h, now);
        } else {
            D3DLOCKED_RECT lr;
            ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
            for (UINT y = 0; y < s.h; ++y)
                std::memcpy(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch, &now[y * s.w], s.w * 4);
            tex->UnlockRect(0);
        }
        drawn.push_back(draw(kept.device, tex, s.width));
    }
    tex->Release();
    for (size_t n = 0; n < std::size(steps); ++n) {
        const Step& s = steps[n];
        TestDevice fresh(96, 80);
        IDirect3DTexture9* same = MakeTexture(fresh.device, s.w, s.h, texels(s, n));
        const std::vector<DWORD> expected = draw(fresh.device, same, s.width);
        same->Release();
        int differing = 0;
        for (size_t i = 0; i < expected.size(); ++i) differing += drawn[n][i] != expected[i];
        EXPECT_EQ(differing, 0) << "step " << n << ", texture " << s.w << " x " << s.h << ", viewport " << s.width;
    }
}

// The AVX2 lanes give the scalar arithmetic's pixels to the last byte: textures of power-of-two and
// other sizes, every filter and address mode, X8 texels, rotated and perspective quads, blended, and
// texels wide enough on screen that whole runs of lanes are transparent or opaque. Larger textures
// shown at about a texel to a pixel, turned a little, put eight pixels' texels within a few columns
// and one or two rows, up to and past the texture's edges.
TEST(RasterPaths, VectorLanesMatchTheScalarArithmetic) {
    struct Texture {
        UINT w, h;
        D3DFORMAT format;
        bool clearOrSolid = false;  // alpha 0 and 255 by turns instead of any value
        // 0: the quads' texture coordinates as they are; else scaled by this about the texture's middle.
        float reach = 0.f;
    };
    const Texture textures[] = {{16, 8, D3DFMT_A8R8G8B8},
                                {17, 13, D3DFMT_A8R8G8B8},
                                {37, 5, D3DFMT_X8R8G8B8},
                                {2, 2, D3DFMT_A8R8G8B8, true},
                                {36, 20, D3DFMT_A8R8G8B8, false, 0.45f},
                                {64, 32, D3DFMT_A8R8G8B8, false, 0.27f},
                                {61, 23, D3DFMT_X8R8G8B8, false, 0.3f}};
    auto render = [&](bool lanes) {
        d3d9test::SetVectorLanes(lanes);
        TestDevice dev(96, 80);
        SetScreenProjection(dev.device, 96, 80);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_ZENABLE, FALSE);
        dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040, 1.f, 0);
        dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        std::vector<DWORD> frames;
        int q = 0;
        for (const Texture& t : textures) {
            std::vector<DWORD> texels(t.w * t.h);
            for (size_t i = 0; i < texels.size(); ++i) {
                texels[i] = DWORD(i * 2654435761u) ^ DWORD(i << 27);
                if (t.clearOrSolid) texels[i] = (texels[i] & 0xFFFFFFu) | ((i + i / t.w) % 2 ? 0xFF000000u : 0u);
            }
            IDirect3DTexture9* tex = MakeTexture(dev.device, t.w, t.h, texels, t.format);
            dev->SetTexture(0, tex);
            for (DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR})
                for (DWORD address : {D3DTADDRESS_CLAMP, D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR}) {
                    dev->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
                    dev->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
                    dev->SetSamplerState(0, D3DSAMP_ADDRESSU, address);
                    dev->SetSamplerState(0, D3DSAMP_ADDRESSV, address);
                    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, q % 2);
                    const float x0 = 1.5f + 5.25f * float(q % 16), y0 = 0.5f + 4.f * float(q % 13);
                    const float skew = q % 3 ? 7.5f : 0.f, far = q % 4 == 1 ? 0.35f : 1.f;
                    const float k = q % 5 ? 1.f : 2.6f;
                    Vertex v[4] = {{x0 + skew, y0, 0, 1, 0xFFFFFFFF, -0.7f * k, 0.2f * k},
                                   {x0 + 45.f, y0 + skew, 0, far, 0xC0FFE0FF, 1.9f * k, -0.4f * k},
                                   {x0, y0 + 29.f - skew, 0, 1, 0xFFFFFFFF, 0.1f, 1.3f * k},
                                   {x0 + 45.f - skew, y0 + 29.f, 0, far, 0xFFFFFFFF, 1.4f * k, 1.7f * k}};
                    if (t.reach > 0.f)
                        for (Vertex& corner : v) {
                            corner.u = 0.5f + (corner.u - 0.6f) * t.reach;
                            corner.v = 0.5f + (corner.v - 0.65f) * t.reach * 1.25f;
                        }
                    const WORD idx[6] = {0, 1, 2, 2, 1, 3};
                    dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, idx, D3DFMT_INDEX16, v, sizeof(Vertex));
                    // Read after every draw: later quads cover much of the earlier ones.
                    const std::vector<DWORD> drawn = ReadTarget(dev.device);
                    frames.insert(frames.end(), drawn.begin(), drawn.end());
                    ++q;
                }
            dev->SetTexture(0, nullptr);
            tex->Release();
        }
        return frames;
    };
    const auto scalar = render(false), lanes = render(true);
    d3d9test::SetVectorLanes(true);
    int differing = 0;
    for (size_t i = 0; i < scalar.size(); ++i) differing += scalar[i] != lanes[i];
    EXPECT_EQ(differing, 0);
}

// The depth and alpha tests in AVX2 lanes pass and store exactly what the scalar tests do, colours and
// depth cells alike: every comparison function of both tests, 16- and 24-bit depth, level and sloped
// depth planes, alpha scaled by the texture factor or not, on quads that take the bilinear rows
// (axis-aligned) and on rotated ones.
TEST(RasterPaths, TestLanesMatchTheScalarTests) {
    for (D3DFORMAT depthFormat : {D3DFMT_D16, D3DFMT_D24S8}) {
        auto render = [&](bool lanes) {
            d3d9test::SetVectorLanes(lanes);
            TestDevice dev(96, 80);
            IDirect3DSurface9* depth = nullptr;
            EXPECT_EQ(dev->CreateDepthStencilSurface(96, 80, depthFormat, D3DMULTISAMPLE_NONE, 0, FALSE, &depth, nullptr),
                      D3D_OK);
            dev->SetDepthStencilSurface(depth);
            SetScreenProjection(dev.device, 96, 80);
            dev->SetRenderState(D3DRS_LIGHTING, FALSE);
            dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
            dev->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
            dev->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
            dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
            dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
            dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
            dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
            dev->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
            dev->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
            dev->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
            dev->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
            std::vector<DWORD> texels(17 * 13);
            // Alpha rises texel by texel, so that the samples take every value the tests can tell apart.
            for (size_t i = 0; i < texels.size(); ++i) texels[i] = DWORD(i) << 24 | (DWORD(i * 2654435761u) & 0xFFFFFFu);
            IDirect3DTexture9* tex = MakeTexture(dev.device, 17, 13, texels);
            dev->SetTexture(0, tex);
            dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040, 0.5f, 0);
            dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1);
            for (int q = 0; q < 32; ++q) {
                // The last quad is drawn as a Puppet part is, in front of the others: alpha over 0, here
                // with a texture factor of alpha 128, so that a sample of alpha 1 gives 128 / 255, which
                // rounds to 1 and passes (and stores its depth).
                const bool part = q == 31;
                dev->SetRenderState(D3DRS_ZWRITEENABLE, q % 5 != 4);
                dev->SetRenderState(D3DRS_ZFUNC, part ? DWORD(D3DCMP_LESSEQUAL) : DWORD(1 + q % 8));
                dev->SetRenderState(D3DRS_ALPHAFUNC, part ? DWORD(D3DCMP_GREATER) : DWORD(1 + (q / 4 + q) % 8));
                dev->SetRenderState(D3DRS_ALPHAREF, part ? 0 : DWORD(q * 29 % 256));
                dev->SetRenderState(D3DRS_TEXTUREFACTOR, (part ? 0x80u : DWORD((0x30 + q * 7) & 0xFF)) << 24 | 0xFFFFFF);
                dev->SetTextureStageState(0, D3DTSS_COLORARG2, q % 2 ? D3DTA_TFACTOR : D3DTA_DIFFUSE);
                dev->SetTextureStageState(0, D3DTSS_ALPHAARG2, q % 2 ? D3DTA_TFACTOR : D3DTA_DIFFUSE);
                const float x0 = 0.5f + 1.75f * float(q), y0 = 1.5f + 1.5f * float(q % 19), skew = q % 3 ? 0.f : 6.5f;
                // Depths close to each other, level or rising by a few units of the depth surface
                // across the quad, so that ties and the last bit of each value decide tests.
                // Others rise steeply, so that each pixel of a run stores a depth of its own.
                const float rise = part ? 0.f : q % 4 == 1 ? 3e-7f : q % 4 == 3 ? 2e-2f : 0.f;
                const float zNear = part ? 0.125f : 0.25f * float(1 + q % 3), zFar = zNear + rise;
                // The part samples the first three texels of the top row alone (alpha 0, 1 and 2).
                const float u0 = part ? 0.f : -0.2f, u1 = part ? 2.f / 17 : 1.3f;
                const float v0 = part ? 0.5f / 13 : 0.1f, v1 = part ? 0.5f / 13 : 1.2f;
                const Vertex v[4] = {{x0 + skew, y0, zNear, 1, 0xFFFFFFFF, u0, v0},
                                     {x0 + 41.f, y0 + skew, zFar, 1, 0xFFFFFFFF, u1, v0},
                                     {x0, y0 + 37.f - skew, zNear, 1, 0xFFFFFFFF, u0, v1},
                                     {x0 + 41.f - skew, y0 + 37.f, zFar, 1, 0xFFFFFFFF, u1, v1}};
                const WORD idx[6] = {0, 1, 2, 2, 1, 3};
                dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, idx, D3DFMT_INDEX16, v, sizeof(Vertex));
            }
            // The frame and, after it, the depth cells the draws stored.
            auto frame = ReadTarget(dev.device);
            D3DLOCKED_RECT lr;
            EXPECT_EQ(depth->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
            const size_t rowBytes = depthFormat == D3DFMT_D16 ? 96 * 2 : 96 * 4;
            for (int y = 0; y < 80; ++y) {
                const BYTE* row = static_cast<const BYTE*>(lr.pBits) + size_t(y) * size_t(lr.Pitch);
                for (size_t k = 0; k < rowBytes; ++k) frame.push_back(row[k]);
            }
            depth->UnlockRect();
            dev->SetTexture(0, nullptr);
            tex->Release();
            dev->SetDepthStencilSurface(nullptr);
            depth->Release();
            return frame;
        };
        const auto scalar = render(false), lanes = render(true);
        d3d9test::SetVectorLanes(true);
        ASSERT_EQ(scalar.size(), lanes.size());
        int differing = 0;
        for (size_t i = 0; i < scalar.size(); ++i) differing += scalar[i] != lanes[i];
        EXPECT_EQ(differing, 0) << "depth format " << depthFormat;
    }
}

}  // namespace
