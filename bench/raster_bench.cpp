// Speed of the software rasteriser against pixman on the same buffers: an 800x600 sprite blended onto
// an 800x600 opaque target with point sampling, a bilinear full-screen scale 800x600 -> 1920x1080,
// and a frame of ten blended layers with one and with two rasteriser threads.
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <pixman.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ShaderAssembler.h"
#include "support/D3DDraw.h"
#include "support/TestDevice.h"

namespace {

// A windowless device drawing into a render-target texture of w x h X8R8G8B8 pixels.
struct Scene {
    Scene(UINT w, UINT h, unsigned threads) : width(w), height(h), dev(DeviceOnThreads(threads, 800, 600, false)) {
        device->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &targetTex, nullptr);
        targetTex->GetSurfaceLevel(0, &target);
        device->SetRenderTarget(0, target);
        device->CreateTexture(800, 600, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &source, nullptr);
        D3DLOCKED_RECT lr;
        source->LockRect(0, &lr, nullptr, 0);
        sourceBits = static_cast<uint32_t*>(lr.pBits);
        sourcePitch = lr.Pitch;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x)
                reinterpret_cast<uint32_t*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] =
                    uint32_t((x * 7 + y * 3) & 255) << 24 | uint32_t(x & 255) << 16 | uint32_t(y & 255) << 8 | 0x40;
        source->UnlockRect(0);
        const D3DMATRIX proj = {{{2.f / float(w), 0, 0, 0, 0, -2.f / float(h), 0, 0, 0, 0, 1, 0, -1, 1, 0, 1}}};
        device->SetTransform(D3DTS_PROJECTION, &proj);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetTexture(0, source);
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);  // as the game's state tables set
        device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF204060, 1.f, 0);
    }
    ~Scene() {
        device->SetTexture(0, nullptr);
        device->SetRenderTarget(0, nullptr);
        source->Release();
        target->Release();
        targetTex->Release();
    }
    // The device records draws and runs them when their results are needed: a lock of the target.
    void Finish() {
        D3DLOCKED_RECT lr;
        target->LockRect(&lr, nullptr, D3DLOCK_READONLY);
        target->UnlockRect();
    }
    void Blended() {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    }
    void Filter(DWORD stage, DWORD filter) {
        device->SetSamplerState(stage, D3DSAMP_MINFILTER, filter);
        device->SetSamplerState(stage, D3DSAMP_MAGFILTER, filter);
    }
    // A white quad with texture coordinates 0..1, drawn with the vertex format set once above (setting it
    // again for every quad would be a state change the measured draws do not have).
    void Quad(float x0, float y0, float x1, float y1) {
        const SpriteVertex v[4] = {{x0, y0, 0, 0xFFFFFFFF, 0, 0}, {x1, y0, 0, 0xFFFFFFFF, 1, 0},
                                   {x0, y1, 0, 0xFFFFFFFF, 0, 1}, {x1, y1, 0, 0xFFFFFFFF, 1, 1}};
        const WORD idx[6] = {0, 1, 2, 2, 1, 3};
        device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, idx, D3DFMT_INDEX16, v, sizeof(SpriteVertex));
    }
    UINT width, height;
    TestDevice dev;
    IDirect3DDevice9* device = dev.device;
    IDirect3DTexture9 *targetTex = nullptr, *source = nullptr;
    IDirect3DSurface9* target = nullptr;
    uint32_t* sourceBits = nullptr;
    int sourcePitch = 0;
};

// Arguments: threads, then the filter (0 point, 1 bilinear, both on stage 0).
void SpriteOver(benchmark::State& state) {
    Scene scene(800, 600, unsigned(state.range(0)));
    scene.Blended();
    scene.Filter(0, state.range(1) ? D3DTEXF_LINEAR : D3DTEXF_POINT);
    for (auto _ : state) {
        scene.Quad(-0.5f, -0.5f, 799.5f, 599.5f);
        scene.Finish();
    }
    state.SetItemsProcessed(state.iterations() * 800 * 600);
}
BENCHMARK(SpriteOver)->Args({1, 0})->Args({2, 0})->Args({1, 1})->Unit(benchmark::kMillisecond)->UseRealTime();

void PixmanSpriteOver(benchmark::State& state) {
    std::vector<uint32_t> src(800 * 600), dst(800 * 600, 0xFF204060);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            src[size_t(y * 800 + x)] =
                uint32_t((x * 7 + y * 3) & 255) << 24 | uint32_t(x & 255) << 16 | uint32_t(y & 255) << 8 | 0x40;
    // pixman works on premultiplied colour; the conversion is not timed.
    for (uint32_t& p : src) {
        uint32_t a = p >> 24;
        auto mul = [&](uint32_t c) { return (c * a + 127) / 255; };
        p = a << 24 | mul((p >> 16) & 255) << 16 | mul((p >> 8) & 255) << 8 | mul(p & 255);
    }
    pixman_image_t* s = pixman_image_create_bits(PIXMAN_a8r8g8b8, 800, 600, src.data(), 800 * 4);
    pixman_image_t* d = pixman_image_create_bits(PIXMAN_x8r8g8b8, 800, 600, dst.data(), 800 * 4);
    for (auto _ : state) pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 0, 0, 800, 600);
    state.SetItemsProcessed(state.iterations() * 800 * 600);
    pixman_image_unref(s);
    pixman_image_unref(d);
}
BENCHMARK(PixmanSpriteOver)->Unit(benchmark::kMillisecond)->UseRealTime();

void BilinearScale(benchmark::State& state) {
    Scene scene(1920, 1080, unsigned(state.range(0)));
    scene.device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    scene.device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    scene.device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    for (auto _ : state) {
        scene.Quad(-0.5f, -0.5f, 1919.5f, 1079.5f);
        scene.Finish();
    }
    state.SetItemsProcessed(state.iterations() * 1920 * 1080);
}
BENCHMARK(BilinearScale)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void PixmanBilinearScale(benchmark::State& state) {
    std::vector<uint32_t> src(800 * 600, 0xFF808080), dst(1920 * 1080);
    for (size_t i = 0; i < src.size(); ++i) src[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    pixman_image_t* s = pixman_image_create_bits(PIXMAN_x8r8g8b8, 800, 600, src.data(), 800 * 4);
    pixman_image_t* d = pixman_image_create_bits(PIXMAN_x8r8g8b8, 1920, 1080, dst.data(), 1920 * 4);
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(800.0 / 1920.0), pixman_double_to_fixed(600.0 / 1080.0));
    pixman_image_set_transform(s, &t);
    pixman_image_set_filter(s, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat(s, PIXMAN_REPEAT_PAD);
    for (auto _ : state) pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, 1920, 1080);
    state.SetItemsProcessed(state.iterations() * 1920 * 1080);
    pixman_image_unref(s);
    pixman_image_unref(d);
}
BENCHMARK(PixmanBilinearScale)->Unit(benchmark::kMillisecond)->UseRealTime();

// A composed frame: a clear and ten blended 800x600 layers, half of them filtered and off the pixel grid.
void ComposedFrame(benchmark::State& state) {
    Scene scene(800, 600, unsigned(state.range(0)));
    scene.Blended();
    for (auto _ : state) {
        scene.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.f, 0);
        for (int layer = 0; layer < 10; ++layer) {
            DWORD filter = layer % 2 ? D3DTEXF_LINEAR : D3DTEXF_POINT;
            scene.device->SetSamplerState(0, D3DSAMP_MINFILTER, filter);
            scene.device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
            float shift = layer % 2 ? 0.25f * float(layer) : 0.f;
            scene.Quad(-0.5f + shift, -0.5f + shift, 799.5f + shift, 599.5f + shift);
        }
        scene.Finish();
    }
    state.SetItemsProcessed(state.iterations() * 800 * 600 * 10);
}
BENCHMARK(ComposedFrame)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The game's shader programs, assembled from their source text.
std::vector<uint32_t> Assemble(const char* name) {
    std::ifstream in(std::string(MARLOWE_SOURCE_DIR) + "/demo/shaders/" + name);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<uint32_t> tokens;
    std::string error;
    shaderasm::Assemble(text, tokens, error);
    return tokens;
}

// A full-screen picture faded through a mask by the game's pixel shader (vertex program PartRender).
// Arguments: threads, then the filter of both stages (0 point, 1 bilinear), as for SpriteOver, its
// fixed-function match, then the fade in hundredths: 100 a finished fade, 50 halfway, 37 a frame of a
// fade in progress.
void AlphaFadeLayer(benchmark::State& state) {
    Scene scene(800, 600, unsigned(state.range(0)));
    scene.Blended();
    for (DWORD stage : {0u, 1u}) scene.Filter(stage, state.range(1) ? D3DTEXF_LINEAR : D3DTEXF_POINT);
    scene.device->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);  // the mask clamped like the picture
    scene.device->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    auto vsCode = Assemble("PartRender.vsa"), psCode = Assemble("AlphaFade.psa");
    IDirect3DVertexShader9* vs = nullptr;
    IDirect3DPixelShader9* ps = nullptr;
    scene.device->CreateVertexShader(reinterpret_cast<const DWORD*>(vsCode.data()), &vs);
    scene.device->CreatePixelShader(reinterpret_cast<const DWORD*>(psCode.data()), &ps);
    scene.device->SetVertexShader(vs);
    scene.device->SetPixelShader(ps);
    scene.device->SetTexture(1, scene.source);
    const float constants[8][4] = {{2.f / 800, 0, 0, -1}, {0, -2.f / 600, 0, 1}, {0, 0, 1, 0}, {0, 0, 0, 1},
                                   {1, 0, 0, 0},          {-0.5f, -0.5f, 799.5f, 599.5f}, {0, 0, 1, 1}, {1, 1, 1, 1}};
    scene.device->SetVertexShaderConstantF(0, &constants[0][0], 8);
    const float fade[4] = {1, 1, 1, float(state.range(2)) / 100.f};
    scene.device->SetPixelShaderConstantF(0, fade, 1);
    const float quad[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
    const WORD idx[6] = {0, 1, 2, 2, 1, 3};
    scene.device->SetFVF(D3DFVF_XYZ);
    for (auto _ : state) {
        scene.device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, idx, D3DFMT_INDEX16, quad, 12);
        scene.Finish();
    }
    state.SetItemsProcessed(state.iterations() * 800 * 600);
    scene.device->SetVertexShader(nullptr);
    scene.device->SetPixelShader(nullptr);
    scene.device->SetTexture(1, nullptr);
    vs->Release();
    ps->Release();
}
BENCHMARK(AlphaFadeLayer)
    ->ArgsProduct({{1}, {0, 1}, {100, 50, 37}})
    ->Args({2, 0, 37})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Each vertex program of the game drawing its usual quads, blended, on one thread, beside the
// fixed-function path drawing the same quads (ProgramLayer/<program>/0 against .../1): a full-screen
// layer for PartRender and AtmosphericPolygon (a colour, no texture), a grid of 24 cells of 120 x 120
// pixels for StringRender, PartsRender and BBRender. AlphaFadeLayer/1/F has its fixed-function
// match in SpriteOver/1/F.
enum Program { kPartRender, kStringRender, kPartsRender, kBBRender, kAtmosphericPolygon };

void ProgramLayer(benchmark::State& state, Program program) {
    const char* const files[] = {"PartRender.vsa", "StringRender.vsa", "PartsRender.vsa", "BBRender.vsa",
                                 "AtmosphericPolygon.vsa"};
    const bool useProgram = state.range(0) != 0;
    Scene scene(800, 600, 1);
    scene.Blended();
    struct Cell {
        float x0, y0, x1, y1, u0, v0, u1, v1;
    };
    std::vector<Cell> cells;
    if (program == kPartRender || program == kAtmosphericPolygon)
        cells.push_back({-0.5f, -0.5f, 799.5f, 599.5f, 0, 0, 1, 1});
    else
        for (int j = 0; j < 4; ++j)
            for (int i = 0; i < 6; ++i)
                cells.push_back({9.5f + 130.f * float(i), 19.5f + 140.f * float(j), 129.5f + 130.f * float(i),
                                 139.5f + 140.f * float(j), float(i) / 6, float(j) / 4, float(i + 1) / 6,
                                 float(j + 1) / 4});
    const bool coloured = program == kAtmosphericPolygon;
    if (coloured) scene.device->SetTexture(0, nullptr);
    const DWORD colour = coloured ? 0x80336699u : 0xFFFFFFFFu;
    std::vector<WORD> indices;
    for (size_t k = 0; k < cells.size(); ++k)
        for (int corner : {0, 1, 2, 2, 1, 3}) indices.push_back(WORD(4 * k + size_t(corner)));
    std::vector<float> mesh;  // the shared quad mesh: corner in x and y, quad number in z
    std::vector<SpriteVertex> sprites;
    for (size_t k = 0; k < cells.size(); ++k) {
        const Cell& c = cells[k];
        for (int corner = 0; corner < 4; ++corner) {
            const float cx = float(corner & 1), cy = float(corner >> 1);
            if (coloured)  // the generated screen quad: real screen positions
                mesh.insert(mesh.end(), {cx ? c.x1 : c.x0, cy ? c.y1 : c.y0, 0.f});
            else
                mesh.insert(mesh.end(), {cx, cy, float(k)});
            sprites.push_back({cx ? c.x1 : c.x0, cy ? c.y1 : c.y0, 0, colour, cx ? c.u1 : c.u0, cy ? c.v1 : c.v0});
        }
    }
    IDirect3DVertexShader9* vs = nullptr;
    if (useProgram) {
        auto code = Assemble(files[program]);
        scene.device->CreateVertexShader(reinterpret_cast<const DWORD*>(code.data()), &vs);
        scene.device->SetVertexShader(vs);
        std::vector<float> c(256 * 4, 0.f);
        auto set = [&](size_t reg, float x, float y, float z, float w) {
            c[reg * 4] = x, c[reg * 4 + 1] = y, c[reg * 4 + 2] = z, c[reg * 4 + 3] = w;
        };
        set(0, 2.f / 800, 0, 0, -1), set(1, 0, -2.f / 600, 0, 1), set(2, 0, 0, 1, 0), set(3, 0, 0, 0, 1);
        set(4, 1, 0, 0, 0);
        for (size_t k = 0; k < cells.size(); ++k) {
            const Cell& q = cells[k];
            switch (program) {
                case kPartRender:
                    set(5, q.x0, q.y0, q.x1, q.y1), set(6, q.u0, q.v0, q.u1, q.v1), set(7, 1, 1, 1, 1);
                    break;
                case kStringRender:
                    set(5, 1, 1, 1, 1), set(6 + 2 * k, q.x0, q.y0, q.x1, q.y1), set(7 + 2 * k, q.u0, q.v0, q.u1, q.v1);
                    break;
                case kPartsRender:
                    set(5 + 4 * k, q.x0, q.y0, q.x1, q.y1), set(6 + 4 * k, q.u0, q.v0, q.u1, q.v1);
                    set(7 + 4 * k, 1, 1, 1, 1), set(8 + 4 * k, 0, 0, 0, 0);
                    break;
                case kBBRender:
                    set(5 + 6 * k, 1, 0, 0, 0), set(6 + 6 * k, 0, 1, 0, 0), set(7 + 6 * k, 0, 0, 1, 0);
                    set(8 + 6 * k, 1, 1, 1, 1), set(9 + 6 * k, q.u0, q.v0, q.u1, q.v1);
                    set(10 + 6 * k, q.x0, q.y0, q.x1, q.y1);
                    break;
                case kAtmosphericPolygon: set(4, 0.2f, 0.4f, 0.6f, 0.5f); break;
            }
        }
        scene.device->SetVertexShaderConstantF(0, c.data(), 256);
        scene.device->SetFVF(D3DFVF_XYZ);
    }
    for (auto _ : state) {
        if (useProgram)
            scene.device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, UINT(mesh.size() / 3), UINT(2 * cells.size()),
                                                 indices.data(), D3DFMT_INDEX16, mesh.data(), 12);
        else
            scene.device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, UINT(sprites.size()), UINT(2 * cells.size()),
                                                 indices.data(), D3DFMT_INDEX16, sprites.data(), sizeof(SpriteVertex));
        scene.Finish();
    }
    int64_t area = 0;
    for (const Cell& c : cells) area += int64_t(c.x1 - c.x0) * int64_t(c.y1 - c.y0);
    state.SetItemsProcessed(state.iterations() * area);
    scene.device->SetVertexShader(nullptr);
    if (vs) vs->Release();
}
BENCHMARK_CAPTURE(ProgramLayer, PartRender, kPartRender)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ProgramLayer, StringRender, kStringRender)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ProgramLayer, PartsRender, kPartsRender)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ProgramLayer, BBRender, kBBRender)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(ProgramLayer, AtmosphericPolygon, kAtmosphericPolygon)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
