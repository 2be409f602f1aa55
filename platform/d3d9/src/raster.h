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
#include <mutex>
#include <thread>
#include <vector>

#include "objects.h"

namespace d3d9 {

// Attributes carried from the vertex stage: diffuse colour (0..3) and eight texture coordinates.
constexpr int kAttrDiffuse = 0;
constexpr int kAttrTex = 4;
constexpr int kAttrCount = 36;

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
    DWORD rs[256];
    DWORD tss[8][33];
    DWORD samp[16][14];
    Surface* textures[16] = {};  // level 0 of each bound texture
    const ShaderProgram* pixelShader = nullptr;
    float psConst[32][4];
};

class Raster {
public:
    explicit Raster(unsigned threads);
    ~Raster();
    // Draws triangles (three vertices each, already clipped and culled).
    void Draw(const PixelState& state, const std::vector<ScreenVertex>& vertices);
    // Runs row(y) for y = top .. bottom, rows shared out among the threads (clears).
    void ForRows(int top, int bottom, const std::function<void(int)>& row);

private:
    struct Job;
    void Worker(unsigned index);
    void RunRows(const Job& job, unsigned part, unsigned parts);
    void Dispatch(const Job& job);

    unsigned threads_;
    std::vector<std::thread> pool_;
    // A draw is handed out by bumping the generation; workers spin a little before they sleep, so
    // that the draws of one frame, which follow each other closely, do not wait for a wake-up.
    std::mutex lock_;
    std::condition_variable wake_, done_;
    const Job* job_ = nullptr;
    std::atomic<unsigned> generation_{0};
    std::atomic<unsigned> pending_{0};
    std::atomic<bool> quit_{false};
};

// Number of rasteriser threads for devices created from now on: the test hook's count, else the
// processor's cores (at most four).
unsigned RasterThreads();

}  // namespace d3d9
