// The software rasteriser: triangles in screen space (Direct3D 9 pixel centres on integer
// coordinates, top-left fill rule) shaded by the texture-stage cascade or a pixel shader, then alpha
// test, depth test against the depth surface, blending and the write into the render target.
// Rows are shared out among worker threads; every pixel is computed from the triangle's plane
// equations alone, so a frame is the same to the last byte whatever the thread count.
#pragma once
#include <d3d9.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "objects.h"

namespace d3d9 {

// Attributes carried from the vertex stage: diffuse colour (0..3) and eight texture coordinates.
constexpr int kAttrDiffuse = 0;
constexpr int kAttrTex = 4;
constexpr int kAttrCount = kAttrTex + 4 * int(kTexCoordCount);

struct ScreenVertex {
    float x, y, z;  // screen position; pixel centres are on integer coordinates
    float invW;     // 1 / clip w
    float a[kAttrCount];
};

// The state one draw shades with, copied out of the device at the draw.
struct PixelState {
    Surface* target = nullptr;
    Surface* depth = nullptr;
    RECT clip{};  // viewport rectangle, right and bottom exclusive
    DWORD rs[kRenderStateCount];
    DWORD tss[kTextureStageCount][kTextureStageStateCount];
    DWORD samp[kSamplerCount][kSamplerStateCount];
    Surface* textures[kSamplerCount] = {};  // level 0 of each bound texture
    const ShaderProgram* pixelShader = nullptr;
    float psConst[kPixelShaderConstCount][4];
};

// One item of a run: a draw (state and triangles, three vertices each, already clipped and culled,
// drawn inside clip) or a task run for each row top..bottom (clears).
struct RasterItem {
    const PixelState* state = nullptr;
    const std::vector<ScreenVertex>* vertices = nullptr;
    RECT clip{};  // right and bottom exclusive: the state's own, or less of it
    const std::function<void(int)>* rows = nullptr;
    int top = 0, bottom = -1;
    int width = 0;  // pixels per row of a row task (what the run's size counts)
};

class Raster {
public:
    explicit Raster(unsigned threads);
    ~Raster();
    // Runs items that neither read what another of them writes nor write other surfaces at the same
    // rows' other places: the rows are cut into bands shared out among the threads, and each band
    // runs every item in order, so a pixel sees the items in order and a band stays in cache.
    void Run(const std::vector<RasterItem>& items);

private:
    struct Job;
    struct Batch;
    struct Kept;
    void Worker();
    void RunBands(const Batch& batch);
    void Dispatch(const Batch& batch);

    unsigned threads_;
    // What runs keep for the next (their jobs and batch, the recent runs' column tables), so that a
    // frame like the last allocates nothing and works out no column again.
    std::unique_ptr<Kept> kept_;
    std::vector<std::thread> pool_;
    // A run is handed out by bumping the generation; workers spin a little before they sleep, so
    // that runs which follow each other closely do not wait for a wake-up.
    std::mutex lock_;
    std::condition_variable wake_, done_;
    const Batch* batch_ = nullptr;
    std::atomic<unsigned> generation_{0};
    std::atomic<unsigned> pending_{0};
    std::atomic<bool> quit_{false};
};

// Number of rasteriser threads for devices created from now on: the test hook's count, else the
// processor's cores (at most four).
unsigned RasterThreads();

}  // namespace d3d9
