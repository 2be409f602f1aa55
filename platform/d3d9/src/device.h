// The software Direct3D 9 device: its state, resources, presentation and lost-device emulation.
#pragma once
#include <d3d9.h>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "frame.h"
#include "mirror.h"
#include "objects.h"

struct SDL_Window;
struct SDL_Surface;
struct SDL_Rect;

namespace d3d9 {

class Direct3D;
class Raster;

// Everything a draw reads, kept between draws and restored to Direct3D's defaults by Reset.
struct DrawState {
    DWORD rs[kRenderStateCount];
    DWORD tss[kTextureStageCount][kTextureStageStateCount];
    DWORD samp[kSamplerCount][kSamplerStateCount];
    D3DMATRIX world, view, proj;
    D3DVIEWPORT9 viewport;
    D3DMATERIAL9 material;
    Texture* textures[kSamplerCount];
    Surface* renderTarget;
    Surface* depth;
    VertexBuffer* streams[kStreamCount];
    UINT streamOffset[kStreamCount];
    UINT streamStride[kStreamCount];
    IndexBuffer* indices;
    VertexDeclaration* declaration;
    DWORD fvf;
    VertexShader* vertexShader;
    PixelShader* pixelShader;
    float vsConst[kVertexShaderConstCount][4];
    float psConst[kPixelShaderConstCount][4];
};

class Device final : public IDirect3DDevice9 {
public:
    Device(Direct3D* d3d, HWND window, const D3DPRESENT_PARAMETERS& params);
    virtual ~Device();

    HRESULT QueryInterface(REFIID, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT TestCooperativeLevel() override;
    HRESULT GetDirect3D(IDirect3D9** d3d) override;
    HRESULT GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* params) override;
    HRESULT Present(const RECT* source, const RECT* dest, HWND window, const RGNDATA* dirty) override;
    HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface) override;

    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture9** texture, HANDLE* shared) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer,
                               HANDLE* shared) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, HANDLE* shared) override;
    HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                      DWORD quality, BOOL discard, IDirect3DSurface9** surface,
                                      HANDLE* shared) override;
    HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DSurface9** surface, HANDLE* shared) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destination) override;
    HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) override;
    HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface) override;

    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
    HRESULT SetMaterial(const D3DMATERIAL9* material) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;

    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT numVertices,
                                 UINT startIndex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT primitiveCount,
                                   const void* indices, D3DFORMAT indexFormat, const void* vertices,
                                   UINT stride) override;
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                    IDirect3DVertexDeclaration9** declaration) override;
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override;
    HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT GetFVF(DWORD* fvf) override;
    HRESULT CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) override;
    HRESULT SetVertexShader(IDirect3DVertexShader9* shader) override;
    HRESULT GetVertexShader(IDirect3DVertexShader9** shader) override;
    HRESULT SetVertexShaderConstantF(UINT start, const float* data, UINT count) override;
    HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) override;
    HRESULT CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* shader) override;
    HRESULT GetPixelShader(IDirect3DPixelShader9** shader) override;
    HRESULT SetPixelShaderConstantF(UINT start, const float* data, UINT count) override;

    // Bookkeeping of the objects this device made.
    void ObjectCreated(D3DPOOL pool);
    void ObjectReleased(D3DPOOL pool);

    // Test hooks.
    void ForceLost();
    void RestoreFocus();
    bool ReadPresentedFrame(std::vector<DWORD>& pixels, UINT& width, UINT& height);
    const std::vector<RECT>& SentRects() const { return sent_; }
    bool RedrawnRects(std::vector<RECT>& rects) const;

    // Runs the recorded draws and clears now (their results are about to be read or changed); with a
    // surface, only when a recorded command uses it.
    void Flush();
    void FlushIfUses(const Surface* surface);
    // Puts the back buffer's rectangles held in the scene's picture into it.
    void RestoreMirror();

    // Whether creation worked (a window or present parameters we cannot serve make it fail).
    bool Valid() const { return backBuffer_ != nullptr; }

private:
    bool CreateSwapSurfaces();
    void ReleaseSwapSurfaces();
    void ResetState();
    void UnbindAll();
    void ApplyWindowMode();
    // Takes the back buffer into the kept frame (kept_), noting in sent_ the rectangles that differ from
    // what it held; whole when it holds nothing of the last frame, and with `only` (rectangles apart
    // from each other) when the back buffer is known to differ from it nowhere else.
    void TakeFrame(bool whole, const std::vector<RECT>* only);
    // Sends sent_ of the kept frame to the window surface; direct when the frame was kept in it.
    void ShowFrame(SDL_Window* win, SDL_Surface* surface, bool direct);
    // Turns a clear into row tasks (kept in tasks) for the rasteriser.
    void AddClearRows(const ClearCommand& clear, std::vector<RasterItem>& items,
                      std::deque<std::function<void(int)>>& tasks);
    // A command as Run takes it: a clear (cut to the changed area), or a draw with its clip.
    struct RunStep {
        const ClearCommand* clear = nullptr;
        const PixelState* state = nullptr;
        const std::vector<ScreenVertex>* vertices = nullptr;
        RECT clip{};  // a draw's: its state's, cut to the changed area
    };
    // Runs a frame's commands; with areas, each surface only inside its changed area.
    void Run(const FrameRecord& frame, const std::vector<ChangedArea>* areas = nullptr);
    // Leaves out each draw that alone fills a rectangle of the back buffer's changed area by copying
    // the scene's picture one to one (its clear already left out), holding that rectangle in mirror_.
    void MirrorCopies(std::vector<RunStep>& steps, const Region& area);
    // The state Run draws with: the draw's own, or, where blending changes nothing (an opaque source),
    // the same unblended (Unblended), kept in unblended_ until the next run.
    const PixelState* Unblend(const PixelState& state, const std::vector<ScreenVertex>& vertices);
    // At Present: runs the frame's commands unless they repeat the last frame's.
    void FinishFrame();
    void LimitPending();
    Raster& RasterOf();  // made at first use
    HRESULT Draw(D3DPRIMITIVETYPE type, INT baseVertex, UINT numVertices, UINT primitiveCount, const void* indices,
                 bool index32, const BYTE* upVertices, UINT upStride);
    static void OnEvent(const union SDL_Event& event, void* self);

    std::atomic<ULONG> refs_{1};
    Direct3D* d3d_;
    HWND window_;
    D3DPRESENT_PARAMETERS params_;
    std::unique_ptr<DrawState> state_;
    Surface* backBuffer_ = nullptr;
    Surface* autoDepth_ = nullptr;
    std::atomic<int> defaultObjects_{0};
    bool lost_ = false;
    bool focus_ = true;
    int observer_ = 0;
    // The last presented frame, frameWidth_ x frameHeight_, kept at kept_ (keptPitch_ pixels a row): in
    // the window's own surface where that has the frame's size and 32-bit layout, so that a frame is
    // compared with what the window holds and copied once; else in frame_, which ShowFrame converts or
    // scales into the window.
    PixelBuffer<DWORD> frame_;
    size_t frameCells_ = 0;  // frame_'s size in pixels
    DWORD* kept_ = nullptr;
    size_t keptPitch_ = 0;
    bool shown_ = false;  // the kept frame is what the window shows
    uint64_t presentedVersion_ = 0;  // the back buffer's contents the kept frame was taken from
    UINT frameWidth_ = 0, frameHeight_ = 0;
    std::vector<RECT> sent_;  // the parts of the kept frame the last Present sent to the window
    std::vector<SDL_Rect> sdlRects_;  // sent_ as the window system takes them
    std::vector<DWORD> line_;         // a back buffer row converted to the kept frame's layout
    const void* windowSurface_ = nullptr;  // the window surface the last frame went to
    std::unique_ptr<Raster> raster_;  // started at the first draw
    unsigned rasterThreads_;           // its threads, as the test hook gave them when the device was made
    bool smallDepthLogged_ = false;
    OpaqueTexels opaque_;  // which textures' texels were found opaque, for Run's tests of draws
    // The back buffer's rectangles left in the scene's picture by the last run (Present reads them there).
    BackBufferMirror mirror_;
    std::vector<std::unique_ptr<PixelState>> unblended_;  // Run's unblended states, the first unblendedUsed_ in use
    size_t unblendedUsed_ = 0;
    FrameRecord pending_;  // draws and clears since the last run
    FrameRecord last_;     // the last frame that ran, holding its objects for the comparison
    // The vertex stage's screen triangles of the draws since the last Present and of those of the
    // frame before, by their order in the frame, with the inputs that made them.
    struct VertexStageResult {
        std::vector<unsigned char> inputs;
        std::vector<ScreenVertex> screen;
    };
    std::vector<VertexStageResult> vertexResults_;
    std::vector<unsigned char> vertexInputs_;  // the inputs of the draw being made
    std::vector<int64_t> corners_;             // its triangles' vertex indices
    std::vector<D3DVERTEXELEMENT9> elements_;  // its vertex layout
    size_t drawsThisFrame_ = 0;
    // The back buffer's rectangles that the last frame drew in part changed, between the two versions.
    struct ChangedBackBuffer {
        uint64_t before = 0, after = 0;
        std::vector<RECT> rects;
    } changed_;
};

// Binds an object for the device's own use and drops the previous one (either may be null).
template <class T>
void Rebind(T*& slot, T* object) {
    if (object) object->Bind();
    if (slot) slot->Unbind();
    slot = object;
}

}  // namespace d3d9
