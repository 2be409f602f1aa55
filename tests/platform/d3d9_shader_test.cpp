// The game's shader programs, assembled from demo/shaders, run by the device's interpreters on 8x8
// targets: where each quad lands, which texels it shows and in what colour.
#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "ShaderAssembler.h"
#include "d3d9/testhooks.h"
#include "support/D3DDraw.h"
#include "support/TestDevice.h"

namespace {

constexpr DWORD kClear = 0xFF000000;

std::vector<DWORD> LoadTokens(const std::string& name) {
    std::ifstream in(std::string(MARLOWE_GAME_DIR) + "/" + name, std::ios::binary);
    std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<DWORD> tokens(bytes.size() / 4);
    std::memcpy(tokens.data(), bytes.data(), tokens.size() * 4);
    return tokens;
}

struct Shaders : ::testing::Test {
    void SetUp() override {
        ASSERT_NE(dev.device, nullptr);
        dev->SetRenderState(D3DRS_LIGHTING, FALSE);
        dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        dev->SetRenderState(D3DRS_ZENABLE, FALSE);
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.f, 0);
        // Transposed screen projection (0, 8, 8, 0) with identity world and view.
        const float wvp[16] = {0.25f, 0, 0, -1, 0, -0.25f, 0, 1, 0, 0, 1, 0, 0, 0, 0, 1};
        dev->SetVertexShaderConstantF(0, wvp, 4);
        Set(4, 1, 0, 0, 0);
    }
    void TearDown() override {
        dev->SetVertexShader(nullptr);
        dev->SetPixelShader(nullptr);
        dev->SetTexture(0, nullptr);
        dev->SetTexture(1, nullptr);
        if (vs) vs->Release();
        if (ps) ps->Release();
    }
    void UseVertexShader(const char* name) {
        auto tokens = LoadTokens(name);
        ASSERT_FALSE(tokens.empty()) << name;
        ASSERT_EQ(dev->CreateVertexShader(tokens.data(), &vs), D3D_OK) << name;
        dev->SetVertexShader(vs);
    }
    void Set(UINT reg, float x, float y, float z, float w) {
        const float v[4] = {x, y, z, w};
        dev->SetVertexShaderConstantF(reg, v, 1);
    }
    // Draws quads 0..n-1 of the shared quad-mesh layout (corner in x, y; quad number in z).
    void DrawQuads(int n) {
        std::vector<float> vertices;
        std::vector<WORD> indices;
        for (int k = 0; k < n; ++k) {
            for (int corner = 0; corner < 4; ++corner)
                vertices.insert(vertices.end(), {float(corner & 1), float(corner >> 1), float(k)});
            for (int i : {0, 1, 2, 2, 1, 3}) indices.push_back(WORD(4 * k + i));
        }
        dev->SetFVF(D3DFVF_XYZ);
        ASSERT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, UINT(4 * n), UINT(2 * n), indices.data(),
                                              D3DFMT_INDEX16, vertices.data(), 12),
                  D3D_OK);
    }
    // Every pixel is the clear colour except the listed ones.
    void ExpectPixels(const std::vector<std::pair<int, DWORD>>& lit) {
        auto px = ReadTarget(dev.device);
        for (int i = 0; i < 64; ++i) {
            DWORD expected = kClear;
            for (auto& [index, colour] : lit)
                if (index == i) expected = colour;
            EXPECT_EQ(px[size_t(i)], expected) << "pixel " << i % 8 << "," << i / 8;
        }
    }
    TestDevice dev;
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
};

TEST_F(Shaders, PartRenderPlacesTheRectangleAndMapsTheTextureRectangle) {
    UseVertexShader("PartRender.vso");
    IDirect3DTexture9* tex = MakeTexture(dev.device, 2, 2, {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFFFFFFFF});
    dev->SetTexture(0, tex);
    struct Case {
        float v0, v1;  // texture rectangle's top and bottom v
        float colour;
        DWORD topLeft, bottomLeft;
    };
    for (const Case& c : {Case{0, 1, 1.f, 0xFF0000FF, 0xFFFF0000}, Case{1, 0, 1.f, 0xFFFF0000, 0xFF0000FF},
                          Case{0, 1, 0.5f, 0xFF000080, 0xFF800000}}) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.f, 0);
        Set(5, 1.5f, 2.5f, 3.5f, 4.5f);  // pixels 2..3 x 3..4
        Set(6, 0, c.v0, 1, c.v1);
        Set(7, c.colour, c.colour, c.colour, 1);
        DrawQuads(1);
        auto px = ReadTarget(dev.device);
        EXPECT_EQ(px[3 * 8 + 2], c.topLeft);
        EXPECT_EQ(px[4 * 8 + 2], c.bottomLeft);
        EXPECT_EQ(px[3 * 8 + 1], kClear);
        EXPECT_EQ(px[5 * 8 + 2], kClear);
    }
    tex->Release();
}

TEST_F(Shaders, StringRenderPicksEachCellsConstantsByQuadNumber) {
    UseVertexShader("StringRender.vso");
    IDirect3DTexture9* tex = MakeTexture(dev.device, 2, 1, {0xFF112233, 0xFF445566});
    dev->SetTexture(0, tex);
    Set(5, 1, 1, 1, 1);
    Set(6, -0.5f, -0.5f, 0.5f, 0.5f);  // cell 0 at pixel (0, 0), left texel
    Set(7, 0, 0, 0.5f, 1);
    Set(8, 2.5f, 0.5f, 3.5f, 1.5f);  // cell 1 at pixel (3, 1), right texel
    Set(9, 0.5f, 0, 1, 1);
    DrawQuads(2);
    ExpectPixels({{0, 0xFF112233}, {8 + 3, 0xFF445566}});
    tex->Release();
}

// Quad numbers far outside the constants (or not numbers at all, as a damaged mesh may hold) make
// relative reads that reach no constant: they read zero, and the quad collapses to nothing.
TEST_F(Shaders, QuadNumbersOutsideTheConstantsReadZero) {
    UseVertexShader("StringRender.vso");
    Set(5, 1, 1, 1, 1);
    Set(6, -0.5f, -0.5f, 0.5f, 0.5f);  // cell 0 at pixel (0, 0)
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float quad : {nan, 3e9f, -3e9f, 1e30f, -std::numeric_limits<float>::infinity()}) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.f, 0);
        std::vector<float> vertices;
        for (float k : {0.f, quad})
            for (int corner = 0; corner < 4; ++corner) vertices.insert(vertices.end(), {float(corner & 1), float(corner >> 1), k});
        const WORD indices[12] = {0, 1, 2, 2, 1, 3, 4, 5, 6, 6, 5, 7};
        dev->SetFVF(D3DFVF_XYZ);
        ASSERT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 8, 4, indices, D3DFMT_INDEX16, vertices.data(), 12),
                  D3D_OK);
        SCOPED_TRACE(quad);
        ExpectPixels({{0, 0xFFFFFFFF}});
    }
}

TEST_F(Shaders, PartsRenderOffsetsEachButtonOfTheGroup) {
    UseVertexShader("PartsRender.vso");
    for (int k = 0; k < 2; ++k) {
        Set(UINT(5 + 4 * k), -0.5f, -0.5f, 0.5f, 0.5f);
        Set(UINT(6 + 4 * k), 0, 0, 1, 1);
        Set(UINT(7 + 4 * k), 0, k ? 1.f : 0.f, k ? 0.f : 1.f, 1);
        Set(UINT(8 + 4 * k), float(1 + 4 * k), float(2 + 3 * k), 0, 0);
    }
    DrawQuads(2);  // no texture: the stage passes the colour on
    ExpectPixels({{2 * 8 + 1, 0xFF0000FF}, {5 * 8 + 5, 0xFF00FF00}});
}

TEST_F(Shaders, BBRenderPlacesEachBillboardByItsWorldRows) {
    UseVertexShader("BBRender.vso");
    Set(5, 1, 0, 0, 6);  // world rows: translation (6, 2)
    Set(6, 0, 1, 0, 2);
    Set(7, 0, 0, 1, 0);
    Set(8, 1, 0, 0, 1);
    Set(9, 0, 0, 1, 1);
    Set(10, -0.5f, -0.5f, 1.5f, 0.5f);  // two pixels wide
    DrawQuads(1);
    ExpectPixels({{2 * 8 + 6, 0xFFFF0000}, {2 * 8 + 7, 0xFFFF0000}});
}

TEST_F(Shaders, AtmosphericPolygonCoversTheScreenInOneColour) {
    UseVertexShader("AtmosphericPolygon.vso");
    Set(4, 0.2f, 0.4f, 0.6f, 1);
    const float quad[] = {0, 0, 0, 8, 0, 0, 0, 8, 0, 8, 8, 0};
    const WORD indices[] = {0, 1, 2, 2, 1, 3};
    dev->SetFVF(D3DFVF_XYZ);
    dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, quad, 12);
    for (DWORD p : ReadTarget(dev.device)) EXPECT_EQ(p, 0xFF336699u);
}

TEST_F(Shaders, AlphaFadeShowsTheImageThroughTheMask) {
    UseVertexShader("PartRender.vso");
    auto tokens = LoadTokens("AlphaFade.pso");
    ASSERT_EQ(dev->CreatePixelShader(tokens.data(), &ps), D3D_OK);
    dev->SetPixelShader(ps);
    IDirect3DTexture9* image = MakeTexture(dev.device, 2, 1, {0xFFC08040, 0xFFC08040});
    IDirect3DTexture9* mask = MakeTexture(dev.device, 2, 1, {0xFF000000, 0xFFFFFFFF});
    dev->SetTexture(0, image);
    dev->SetTexture(1, mask);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    Set(5, -0.5f, -0.5f, 1.5f, 0.5f);
    Set(6, 0, 0, 1, 1);
    Set(7, 1, 1, 1, 1);
    struct Case {
        float green, progress;
        DWORD black, white;  // pixels under the black and the white part of the mask
    };
    // alpha = saturate(2 * progress - mask): 0.5 shows the image under black only, 1 shows it all.
    for (const Case& c : {Case{0.5f, 0.5f, 0xFFC04040, kClear}, Case{1, 1, 0xFFC08040, 0xFFC08040},
                          Case{1, 0, kClear, kClear}}) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 1.f, 0);
        const float colour[4] = {1, c.green, 1, c.progress};
        dev->SetPixelShaderConstantF(0, colour, 1);
        DrawQuads(1);
        ExpectPixels({{0, c.black}, {1, c.white}});
    }
    image->Release();
    mask->Release();
}

TEST_F(Shaders, ProgramsOutsideTheSubsetAreRefused) {
    // vs_3_0 version token, and an instruction we do not run (sincos, opcode 37).
    const DWORD version30[] = {0xFFFE0300, 0x0000FFFF};
    const DWORD sincos[] = {0xFFFE0200, 0x02000025, 0x800F0000, 0xA0E40000, 0x0000FFFF};
    for (const DWORD* code : {version30, sincos}) {
        IDirect3DVertexShader9* bad = reinterpret_cast<IDirect3DVertexShader9*>(1);
        EXPECT_EQ(dev->CreateVertexShader(code, &bad), D3DERR_INVALIDCALL);
        EXPECT_EQ(bad, nullptr);
    }
}

struct ProgramVertex {
    float x, y, z, rhw;
    DWORD colour;
    float u0, v0, u1, v1;
};

// The samplers of both stages.
struct Sampling {
    DWORD filter = D3DTEXF_POINT;
    DWORD address = D3DTADDRESS_WRAP;
    D3DFORMAT format = D3DFMT_A8R8G8B8;
};

// The textures of stages 0 and 1: their sizes and texels.
struct ProgramTextures {
    UINT width[2], height[2];
    std::vector<DWORD> texels[2];
};

// The frame of one draw of a pixel program (with its lanes and shortcuts, or one pixel and one sample at
// a time) with constant c0 over the textures, blended over the clear colour on a width x height target.
std::vector<DWORD> DrawProgram(const DWORD* tokens, bool lanes, UINT width, UINT height, DWORD clear,
                               const ProgramTextures& textures, const Sampling& sampling, const float (&c0)[4],
                               const ProgramVertex (&quad)[4]) {
    d3d9test::SetVectorLanes(lanes);
    TestDevice dev(width, height);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_ZENABLE, FALSE);
    // Blended, so that the output's alpha shows in the (X8) target.
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    dev->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.f, 0);
    IDirect3DTexture9* tex[2] = {};
    for (DWORD stage = 0; stage < 2; ++stage) {
        if (textures.texels[stage].empty()) continue;  // the stage left without a texture
        tex[stage] = MakeTexture(dev.device, textures.width[stage], textures.height[stage], textures.texels[stage],
                                 sampling.format);
        dev->SetTexture(stage, tex[stage]);
        dev->SetSamplerState(stage, D3DSAMP_MINFILTER, sampling.filter);
        dev->SetSamplerState(stage, D3DSAMP_MAGFILTER, sampling.filter);
        dev->SetSamplerState(stage, D3DSAMP_ADDRESSU, sampling.address);
        dev->SetSamplerState(stage, D3DSAMP_ADDRESSV, sampling.address);
    }
    dev->SetPixelShaderConstantF(0, c0, 1);
    IDirect3DPixelShader9* ps = nullptr;
    EXPECT_EQ(dev->CreatePixelShader(tokens, &ps), D3D_OK);
    dev->SetPixelShader(ps);
    dev->SetFVF(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2);
    const WORD idx[6] = {0, 1, 2, 2, 1, 3};
    dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, idx, D3DFMT_INDEX16, quad, sizeof(ProgramVertex));
    auto frame = ReadTarget(dev.device);
    dev->SetPixelShader(nullptr);
    for (DWORD stage = 0; stage < 2; ++stage) {
        dev->SetTexture(stage, nullptr);
        if (tex[stage]) tex[stage]->Release();
    }
    ps->Release();
    d3d9test::SetVectorLanes(true);
    return frame;
}

// A program drawn over two small textures (13 x 11 and 14 x 11) on a 64 x 48 target.
std::vector<DWORD> RenderProgram(const DWORD* tokens, bool lanes, const ProgramVertex (&quad)[4],
                                 const Sampling& sampling) {
    ProgramTextures textures;
    for (UINT stage = 0; stage < 2; ++stage) {
        textures.width[stage] = 13 + stage;
        textures.height[stage] = 11;
        textures.texels[stage].resize((13 + stage) * 11);
        for (size_t i = 0; i < textures.texels[stage].size(); ++i)
            textures.texels[stage][i] = DWORD(i * 2654435761u) ^ DWORD(i << 27) ^ DWORD(stage * 0x5A3C96E1u);
    }
    const float progress[4] = {0.9f, 0.4f, 1.2f, 0.55f};
    return DrawProgram(tokens, lanes, 64, 48, 0xFF204060, textures, sampling, progress, quad);
}

// Tables of two samples' channels made by chains of instructions (a negated source, saturation, a
// table of a table), mixed per pixel; the output's blue is a sampled channel unchanged and its red a
// table. It reads nothing but its samples.
const char* const kTwoSampleTables = R"(ps_2_0
def c1, 2, -0.3, 0.6, 1.5
dcl t0.xy
dcl t1.xy
dcl_2d s0
dcl_2d s1
texld r0, t0, s0
texld r1, t1, s1
mul r2, r0, c0
mad_sat r2.w, c0.w, c1.x, -r1.x
mul r3.x, r0.y, r0.y
frc r3.y, -r0.z
add r3.z, r1.y, c1.y
lrp r3.w, r3.z, c1.z, r1.y
mul r0.w, r0.w, r2.w
mad r4.y, r3.x, r1.z, -r3.y
max r4.w, r0.w, r3.w
mov r4.x, r2.x
mov r4.z, r0.z
mov oC0, r4
)";

// A pixel shader run in lanes gives the pixels of each instruction run one pixel at a time. The first
// program: every lane-wise instruction, negated and swizzled sources, saturation, an instruction that
// overwrites what it still reads, the per-pixel rest (dp3, rcp), texkill, perspective-correct inputs.
// The second: components that depend on one channel of one sample and on constants (worked out once
// as tables), mixed with a second sample, the colour and the coordinates, a texture coordinate made
// from a sampled channel, texkill on such a component, and an output with a constant channel.
// The third has every lane-wise instruction again, with texkill, but nothing that runs one pixel at a
// time, and the fourth mixes tables of two samples' channels made by chains of instructions, with
// output channels that are a channel unchanged and a table: both run as one fused kernel.
TEST(ShaderLanes, LanesMatchOnePixelAtATime) {
    const char* const programs[] = {R"(ps_2_0
def c1, 0.75, -0.5, 2.5, 0.25
def c2, 1, 0, -1, 0.5
dcl t0.xy
dcl t1
dcl v0
dcl_2d s0
texld r0, t0, s0
mul r1, r0, v0
add r1.xy, r1.yx, -r0.zw
mad r2, r0.wzyx, c1, -t1
min r3, r2, r1.yyxw
max r3.xz, r3, -r0
cmp r4, r2, r3, r0
lrp r5, r0.w, r4, t1
frc r6, r5
abs r7, r2
sge r8, r2, c2
slt r9, r2.x, r1
dp3 r10.x, r6, r0
rcp r10.y, r2.x
sub r11, r0, c1.w
texkill r11
add r0, r5, r7
mad r0, r6, c1.w, r0
add r0, r0, r3
mul r0, r0, r8
add r0, r0, r9
mad_sat r0, r10.xxyy, c1.w, r0
mov oC0, r0
)",
                                    R"(ps_2_0
def c1, 2, -0.3, 0.6, 1.5
dcl t0.xy
dcl t1
dcl v0
dcl_2d s0
dcl_2d s1
texld r0, t0, s0
texld r1, t1, s1
mul r2, r0, c0
mad_sat r2.w, c0.w, c1.x, -r1.x
mul r3.x, r0.y, r0.y
frc r3.y, -r0.z
add r3.zw, r0.xxxy, c1.y
texkill r3
mul r0.w, r0.w, r2.w
lrp r4.xyz, r1.y, r2, v0
mad r5.xy, r1.zw, c1.zw, t0
add r4.z, r4.z, r5.x
texld r6, r3, s0
cmp r4.x, r3.z, r4.x, r6.y
min r4.y, r4.y, r6.w
mov r4.w, r0.w
mov r7, r4
mad r7.z, r3.x, c1.w, r4.y
add r7.z, r7.z, r4.x
mov oC0, r7
mul_sat oC0.x, r0.z, c1.x
mov oC0.y, c1.z
)",
                                    R"(ps_2_0
def c1, 0.75, -0.5, 2.5, 0.25
dcl t0.xy
dcl t1
dcl v0
dcl_2d s0
texld r0, t0, s0
sub r1, t1, r0.yzwx
mad r2, v0, c1, -r1
min r3, r1, -r2.wzyx
max r3.yw, r3, r0
cmp r4, r1, r3, -t1
lrp r5, r0.z, r4, v0
frc r6, -r5
abs r7, r1
slt r8, r1, r2.x
sge r9, r2, c1.y
add r10, r0, -c1.w
texkill r10
mul r7, r7, r8
mad r7, r9, c1.w, r7
mov r11.xz, -r7
mov r11.yw, r6
add r11, r11, r3
mad_sat oC0, r11, c1.zwxy, r5
)",
                                    kTwoSampleTables};
    const ProgramVertex quad[4] = {{2.5f, 1.5f, 0, 1, 0xFF80C040, -0.3f, 0.1f, 1.7f, -0.6f},
                                   {61.5f, 6.5f, 0, 0.4f, 0x40FF2080, 1.6f, -0.2f, -0.9f, 0.8f},
                                   {4.5f, 46.5f, 0, 1, 0xC0102030, 0.2f, 1.3f, 0.4f, 2.2f},
                                   {58.5f, 43.5f, 0, 0.7f, 0xFFFFFFFF, 1.1f, 1.2f, -1.4f, -0.3f}};
    for (size_t p = 0; p < std::size(programs); ++p) {
        std::vector<uint32_t> tokens;
        std::string error;
        ASSERT_TRUE(shaderasm::Assemble(programs[p], tokens, error)) << error;
        const DWORD* code = reinterpret_cast<const DWORD*>(tokens.data());
        const auto scalar = RenderProgram(code, false, quad, {}), lanes = RenderProgram(code, true, quad, {});
        int drawn = 0, differing = 0;
        for (size_t i = 0; i < scalar.size(); ++i) {
            drawn += scalar[i] != 0xFF204060u;
            differing += scalar[i] != lanes[i];
        }
        EXPECT_GT(drawn, 300) << "program " << p;  // texkill leaves a good part of the quad
        EXPECT_EQ(differing, 0) << "program " << p;
    }
}

// Samples of an axis-aligned quad take texel columns made once per triangle (point, and bilinear with
// clamping) and leave out coordinate rows that only samples read: they give the pixels of one sample
// at a time. The game's AlphaFade reads t0 only through its samples; the second program also does
// arithmetic on t0 and samples at computed coordinates; the third reads nothing but its samples, which
// whole runs of a row then take. Perspective and wrapped bilinear quads take
// the per-pixel sampler beside them.
TEST(ShaderLanes, TexelColumnsMatchOneSampleAtATime) {
    const char* const mixing = R"(ps_2_0
dcl t0.xy
dcl t1.xy
dcl_2d s0
dcl_2d s1
texld r0, t0, s0
texld r1, t1, s1
add r2.xy, t0, r1.zw
texld r3, r2, s1
mul r0.xyz, r0, r3
mad r0.w, r1.x, t0.y, r0.w
mov oC0, r0
)";
    std::vector<uint32_t> assembled;
    std::string error;
    ASSERT_TRUE(shaderasm::Assemble(mixing, assembled, error)) << error;
    std::vector<uint32_t> tables;
    ASSERT_TRUE(shaderasm::Assemble(kTwoSampleTables, tables, error)) << error;
    const std::vector<DWORD> fade = LoadTokens("AlphaFade.pso");
    const DWORD* const programs[] = {fade.data(), reinterpret_cast<const DWORD*>(assembled.data()),
                                     reinterpret_cast<const DWORD*>(tables.data())};
    const Sampling samplings[] = {{D3DTEXF_POINT, D3DTADDRESS_WRAP, D3DFMT_A8R8G8B8},
                                  {D3DTEXF_POINT, D3DTADDRESS_CLAMP, D3DFMT_X8R8G8B8},
                                  {D3DTEXF_LINEAR, D3DTADDRESS_CLAMP, D3DFMT_A8R8G8B8},
                                  {D3DTEXF_LINEAR, D3DTADDRESS_CLAMP, D3DFMT_X8R8G8B8},
                                  {D3DTEXF_LINEAR, D3DTADDRESS_WRAP, D3DFMT_A8R8G8B8}};
    struct Shape {
        const char* name;
        ProgramVertex quad[4];
        int least;  // pixels drawn at least
    };
    // Off the pixel grid and scaled, so that bilinear weights vary and clamping reaches both edges,
    // affine and then with perspective; then one texel of the first texture per pixel, whose point
    // samples are read where they lie in the texture.
    auto scaled = [](const char* name, float far) {
        return Shape{name,
                     {{3.25f, 2.5f, 0, 1, 0xFFFFFFFF, -0.2f, 0.1f, 0.05f, -0.3f},
                      {57.75f, 2.5f, 0, far, 0xFFFFFFFF, 1.3f, 0.1f, 0.95f, -0.3f},
                      {3.25f, 41.6f, 0, 1, 0xFFFFFFFF, -0.2f, 1.15f, 0.05f, 1.4f},
                      {57.75f, 41.6f, 0, far, 0xFFFFFFFF, 1.3f, 1.15f, 0.95f, 1.4f}},
                     1500};
    };
    const Shape shapes[] = {scaled("affine", 1.f), scaled("perspective", 0.6f),
                            {"one texel per pixel",
                             {{2.5f, 1.5f, 0, 1, 0xFFFFFFFF, 0, 0, 0, 0},
                              {15.5f, 1.5f, 0, 1, 0xFFFFFFFF, 1, 0, 1, 0},
                              {2.5f, 12.5f, 0, 1, 0xFFFFFFFF, 0, 1, 0, 1},
                              {15.5f, 12.5f, 0, 1, 0xFFFFFFFF, 1, 1, 1, 1}},
                             100}};
    for (const Shape& shape : shapes)
        for (size_t p = 0; p < std::size(programs); ++p)
            for (const Sampling& sampling : samplings) {
                const auto scalar = RenderProgram(programs[p], false, shape.quad, sampling);
                const auto lanes = RenderProgram(programs[p], true, shape.quad, sampling);
                int drawn = 0, differing = 0;
                for (size_t i = 0; i < scalar.size(); ++i) {
                    drawn += scalar[i] != 0xFF204060u;
                    differing += scalar[i] != lanes[i];
                }
                EXPECT_GT(drawn, shape.least) << "program " << p << " filter " << sampling.filter << " " << shape.name;
                EXPECT_EQ(differing, 0) << "program " << p << " filter " << sampling.filter << " address "
                                        << sampling.address << " format " << sampling.format << " " << shape.name;
            }
}

// A sample of a stage with no texture is opaque black, whether the row takes texel columns, the
// coordinates are perspective-correct, or the samples are taken one at a time.
TEST(ShaderLanes, StageWithoutTextureSamplesOpaqueBlack) {
    const char* const second = R"(ps_2_0
dcl t1.xy
dcl_2d s1
texld r1, t1, s1
mov oC0, r1
)";
    std::vector<uint32_t> tokens;
    std::string error;
    ASSERT_TRUE(shaderasm::Assemble(second, tokens, error)) << error;
    ProgramTextures textures{{16, 0}, {16, 0}, {std::vector<DWORD>(256, 0xFF00FF00u), {}}};
    const float c0[4] = {1, 1, 1, 1};
    for (const float far : {1.f, 0.6f})
        for (const DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR})
            for (const bool lanes : {true, false}) {
                const ProgramVertex quad[4] = {{2.5f, 1.5f, 0, 1, 0xFFFFFFFF, 0, 0, 0, 0},
                                               {33.5f, 1.5f, 0, far, 0xFFFFFFFF, 1, 0, 1, 0},
                                               {2.5f, 20.5f, 0, 1, 0xFFFFFFFF, 0, 1, 0, 1},
                                               {33.5f, 20.5f, 0, far, 0xFFFFFFFF, 1, 1, 1, 1}};
                const auto frame = DrawProgram(reinterpret_cast<const DWORD*>(tokens.data()), lanes, 40, 24, 0xFF204060u,
                                               textures, {filter, D3DTADDRESS_CLAMP, D3DFMT_A8R8G8B8}, c0, quad);
                int drawn = 0, wrong = 0;
                for (DWORD pixel : frame) {
                    if (pixel == 0xFF204060u) continue;
                    ++drawn;
                    wrong += (pixel & 0x00FFFFFFu) != 0;
                }
                EXPECT_GT(drawn, 500) << "far " << far << " filter " << filter << " lanes " << lanes;
                EXPECT_EQ(wrong, 0) << "far " << far << " filter " << filter << " lanes " << lanes;
            }
}

// Every pair of an alpha byte of the first texture (along x) and a red byte of the second (along y),
// one texel per pixel of a 256 x 256 target, drawn by a program with fade constant c0, white over black
// so that the target's red is the output's alpha; the quad spans `columns` pixels of each row.
std::vector<DWORD> RenderBytePairs(const DWORD* tokens, bool lanes, const float (&fade)[4], DWORD filter, int columns) {
    ProgramTextures textures{{256, 256}, {256, 256}, {std::vector<DWORD>(256 * 256), std::vector<DWORD>(256 * 256)}};
    for (DWORD y = 0; y < 256; ++y)
        for (DWORD x = 0; x < 256; ++x) {
            textures.texels[0][y * 256 + x] = x << 24 | 0x00FFFFFFu;
            textures.texels[1][y * 256 + x] = y << 16 | (x * 7 & 255) << 8 | (x ^ y);
        }
    const float right = float(columns) - 0.5f, u = float(columns) / 256.f;
    const ProgramVertex quad[4] = {{-0.5f, -0.5f, 0, 1, 0xFFFFFFFF, 0, 0, 0, 0},
                                   {right, -0.5f, 0, 1, 0xFFFFFFFF, u, 0, u, 0},
                                   {-0.5f, 255.5f, 0, 1, 0xFFFFFFFF, 0, 1, 0, 1},
                                   {right, 255.5f, 0, 1, 0xFFFFFFFF, u, 1, u, 1}};
    return DrawProgram(tokens, lanes, 256, 256, 0xFF000000, textures, {filter, D3DTADDRESS_CLAMP, D3DFMT_A8R8G8B8},
                       fade, quad);
}

// Output channels made from the bytes of sampled channels alone must round as the program's float
// arithmetic does for every pair of bytes: products of bytes (a channel, its complement or a constant
// byte, each over 255) in integer arithmetic, any other function of one channel as bytes looked up, and
// a product of two other tables of channels from the tables. AlphaFade at fade 0.5 multiplies the
// picture's alpha by the complement of the mask's red, at 0 and 1 by a constant byte, and at any other
// fade (a frame of a fade in progress: 0.3, 0.37, 1/3, 0.999, 1e-6) by a table of the mask's red; its
// colour times 0.5 or 0.37 is a looked-up channel. The second program's channels are c0.x minus a
// channel (its complement where c0.x is 1), a product of two channels, a channel unchanged, and a channel
// times c0.w moved to another place (a constant byte at 0). The third multiplies tables of the two
// samples' channels, neither of them a channel itself, saturated. Whole rows of 256 pixels and rows of
// 251 (a last few pixels), point and bilinear.
TEST(ShaderLanes, ByteProductsMatchOnePixelAtATime) {
    const std::vector<DWORD> fade = LoadTokens("AlphaFade.pso");
    // Each program samples the first texture into r0 and the second into r1, then does its part.
    auto afterTwoSamples = [](const char* part) {
        std::vector<uint32_t> tokens;
        std::string error;
        EXPECT_TRUE(shaderasm::Assemble(std::string("ps_2_0\ndcl t0.xy\ndcl t1.xy\ndcl_2d s0\ndcl_2d s1\n"
                                                    "texld r0, t0, s0\ntexld r1, t1, s1\n") + part,
                                        tokens, error))
            << error;
        return tokens;
    };
    const std::vector<uint32_t> mixed = afterTwoSamples(R"(add r2.x, c0.x, -r1.x
mul r2.y, r0.w, r1.y
mov r2.z, r1.z
mul r2.w, r1.x, c0.w
mov oC0, r2
)");
    const std::vector<uint32_t> tables = afterTwoSamples(R"(mul r2, r0.w, c0
add_sat r3, r1.x, -c0.wzyx
mul_sat r4, r2, r3
mov oC0, r4
)");
    const DWORD* const programs[] = {fade.data(), reinterpret_cast<const DWORD*>(mixed.data()),
                                     reinterpret_cast<const DWORD*>(tables.data())};
    const float fades[][4] = {{1, 1, 1, 0.5f},   {1, 1, 1, 0},        {1, 1, 1, 1},         {1, 1, 1, 0.3f},
                              {1, 1, 1, 0.37f},  {1, 1, 1, 1.f / 3},  {1, 1, 1, 0.999f},    {1, 1, 1, 1e-6f},
                              {0.5f, 1, 0, 0.5f}, {0.37f, 0.8f, 1.f / 3, 0.61f}};
    for (size_t p = 0; p < std::size(programs); ++p)
        for (const auto& c0 : fades)
            for (DWORD filter : {DWORD(D3DTEXF_POINT), DWORD(D3DTEXF_LINEAR)})
                for (int columns : {256, 251}) {
                    const auto scalar = RenderBytePairs(programs[p], false, c0, filter, columns);
                    const auto lanes = RenderBytePairs(programs[p], true, c0, filter, columns);
                    int differing = 0;
                    for (size_t i = 0; i < scalar.size(); ++i) differing += scalar[i] != lanes[i];
                    EXPECT_EQ(differing, 0) << "program " << p << " c0 " << c0[0] << " " << c0[1] << " " << c0[2] << " "
                                            << c0[3] << " filter " << filter << " columns " << columns;
                }
}

}  // namespace
