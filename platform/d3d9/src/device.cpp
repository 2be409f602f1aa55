// The software device: resources, states with Direct3D's defaults, render targets, Clear, Present
// through an SDL2 window, Reset and the lost-device emulation.
#include "device.h"

#include <SDL.h>
#include <emmintrin.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <type_traits>

#include "depth.h"
#include "direct3d.h"
#include "raster.h"

namespace d3d9 {
namespace {

constexpr D3DMATRIX kIdentity = {{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}};

DWORD FloatBits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

}  // namespace

Device::Device(Direct3D* d3d, HWND window, const D3DPRESENT_PARAMETERS& params)
    : d3d_(d3d),
      window_(window),
      params_(params),
      state_(std::make_unique<DrawState>()),
      rasterThreads_(RasterThreads()) {
    d3d_->AddRef();
    if (!CreateSwapSurfaces()) return;
    std::memset(state_.get(), 0, sizeof(DrawState));
    ResetState();
    observer_ = win32::AddEventObserver(&Device::OnEvent, this);
    // Frames go to the window's own surface; SDL must not put a GL renderer behind it (a GL stack
    // costs CPU, memory and start-up time, and making one re-creates the window).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    ApplyWindowMode();
}

Device::~Device() {
    mirror_.Forget();
    pending_.Drop();
    last_.Drop();
    if (observer_) win32::RemoveEventObserver(observer_);
    if (backBuffer_) UnbindAll();
    ReleaseSwapSurfaces();
    d3d_->Release();
}

HRESULT Device::QueryInterface(REFIID, void** object) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Device::AddRef() { return ++refs_; }

ULONG Device::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

void Device::ObjectCreated(D3DPOOL pool) {
    if (pool == D3DPOOL_DEFAULT) ++defaultObjects_;
}

void Device::ObjectReleased(D3DPOOL pool) {
    if (pool == D3DPOOL_DEFAULT) --defaultObjects_;
}

bool Device::CreateSwapSurfaces() {
    if (params_.Windowed && (params_.BackBufferWidth == 0 || params_.BackBufferHeight == 0)) {
        RECT rc{0, 0, 800, 600};
        GetClientRect(window_, &rc);
        if (params_.BackBufferWidth == 0) params_.BackBufferWidth = UINT(std::max<LONG>(1, rc.right - rc.left));
        if (params_.BackBufferHeight == 0) params_.BackBufferHeight = UINT(std::max<LONG>(1, rc.bottom - rc.top));
    }
    if (params_.BackBufferFormat == D3DFMT_UNKNOWN && params_.Windowed) params_.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (!Direct3D::IsBackBufferFormat(params_.BackBufferFormat) || params_.BackBufferWidth == 0 ||
        params_.BackBufferHeight == 0)
        return false;
    if (params_.EnableAutoDepthStencil && !AcceptsFormat(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                                                         params_.AutoDepthStencilFormat))
        return false;
    if (params_.BackBufferCount == 0) params_.BackBufferCount = 1;
    D3DSURFACE_DESC desc{params_.BackBufferFormat, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                         D3DMULTISAMPLE_NONE, 0, params_.BackBufferWidth, params_.BackBufferHeight};
    backBuffer_ = new Surface(this, desc, nullptr, false);
    backBuffer_->Bind();
    backBuffer_->ReleasePublic();
    if (params_.EnableAutoDepthStencil) {
        desc.Format = params_.AutoDepthStencilFormat;
        desc.Usage = D3DUSAGE_DEPTHSTENCIL;
        autoDepth_ = new Surface(this, desc, nullptr, false);
        autoDepth_->Bind();
        autoDepth_->ReleasePublic();
    }
    return true;
}

void Device::ReleaseSwapSurfaces() {
    if (backBuffer_) backBuffer_->Unbind();
    if (autoDepth_) autoDepth_->Unbind();
    backBuffer_ = autoDepth_ = nullptr;
}

void Device::UnbindAll() {
    DrawState& s = *state_;
    for (Texture*& t : s.textures) Rebind<Texture>(t, nullptr);
    Rebind<Surface>(s.renderTarget, nullptr);
    Rebind<Surface>(s.depth, nullptr);
    for (VertexBuffer*& b : s.streams) Rebind<VertexBuffer>(b, nullptr);
    Rebind<IndexBuffer>(s.indices, nullptr);
    Rebind<VertexDeclaration>(s.declaration, nullptr);
    Rebind<VertexShader>(s.vertexShader, nullptr);
    Rebind<PixelShader>(s.pixelShader, nullptr);
}

// Direct3D's default state: what a new device has and what Reset brings back.
void Device::ResetState() {
    UnbindAll();
    DrawState& s = *state_;
    std::fill(std::begin(s.rs), std::end(s.rs), 0u);
    s.rs[D3DRS_ZENABLE] = params_.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    s.rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    s.rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    s.rs[D3DRS_ZWRITEENABLE] = TRUE;
    s.rs[D3DRS_LASTPIXEL] = TRUE;
    s.rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    s.rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    s.rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    s.rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    s.rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    s.rs[D3DRS_STENCILMASK] = s.rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
    s.rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
    s.rs[D3DRS_CLIPPING] = TRUE;
    s.rs[D3DRS_LIGHTING] = TRUE;
    s.rs[D3DRS_COLORVERTEX] = TRUE;
    s.rs[D3DRS_DIFFUSEMATERIALSOURCE] = 1;
    s.rs[D3DRS_SPECULARMATERIALSOURCE] = 2;
    s.rs[D3DRS_POINTSIZE] = FloatBits(1.f);
    s.rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    s.rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
    s.rs[D3DRS_COLORWRITEENABLE] = 0xF;
    s.rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    s.rs[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
    s.rs[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    s.rs[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
    s.rs[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;
    for (DWORD stage = 0; stage < kTextureStageCount; ++stage) {
        DWORD* t = s.tss[stage];
        std::fill(t, t + kTextureStageStateCount, 0u);
        t[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_COLORARG0] = t[D3DTSS_ALPHAARG0] = t[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = stage;
    }
    for (auto& samp : s.samp) {
        std::fill(samp, samp + kSamplerStateCount, 0u);
        samp[D3DSAMP_ADDRESSU] = samp[D3DSAMP_ADDRESSV] = samp[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        samp[D3DSAMP_MAGFILTER] = samp[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        samp[D3DSAMP_MAXANISOTROPY] = 1;
    }
    s.world = s.view = s.proj = kIdentity;
    s.material = D3DMATERIAL9{};
    std::memset(s.streamOffset, 0, sizeof s.streamOffset);
    std::memset(s.streamStride, 0, sizeof s.streamStride);
    s.fvf = 0;
    std::memset(s.vsConst, 0, sizeof s.vsConst);
    std::memset(s.psConst, 0, sizeof s.psConst);
    Rebind(s.renderTarget, backBuffer_);
    Rebind(s.depth, autoDepth_);
    s.viewport = D3DVIEWPORT9{0, 0, params_.BackBufferWidth, params_.BackBufferHeight, 0.f, 1.f};
}

void Device::ApplyWindowMode() {
    shown_ = false;
    SDL_Window* win = win32::SdlWindowOf(window_);
    if (!win) return;
    if (params_.Windowed) {
        SDL_SetWindowFullscreen(win, 0);
        return;
    }
    SDL_DisplayMode mode{SDL_PIXELFORMAT_ARGB8888, int(params_.BackBufferWidth), int(params_.BackBufferHeight),
                         int(params_.FullScreen_RefreshRateInHz), nullptr};
    SDL_SetWindowDisplayMode(win, &mode);
    SDL_SetWindowSize(win, mode.w, mode.h);
    SDL_SetWindowFullscreen(win, SDL_WINDOW_FULLSCREEN);
}

void Device::OnEvent(const SDL_Event& event, void* self) {
    auto* device = static_cast<Device*>(self);
    if (event.type != SDL_WINDOWEVENT) return;
    SDL_Window* win = win32::SdlWindowOf(device->window_);
    if (!win || SDL_GetWindowID(win) != event.window.windowID) return;
    switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_MINIMIZED:
            if (!device->params_.Windowed) device->ForceLost();
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_RESTORED: device->RestoreFocus(); break;
        default: break;
    }
    // The window's contents were lost or rescaled: the next Present shows its frame even if unchanged.
    switch (event.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_SHOWN: device->shown_ = false; break;
        default: break;
    }
}

void Device::ForceLost() {
    lost_ = true;
    focus_ = false;
}

void Device::RestoreFocus() { focus_ = true; }

HRESULT Device::TestCooperativeLevel() {
    if (!lost_) return D3D_OK;
    return focus_ ? D3DERR_DEVICENOTRESET : D3DERR_DEVICELOST;
}

HRESULT Device::GetDirect3D(IDirect3D9** d3d) {
    if (!d3d) return D3DERR_INVALIDCALL;
    *d3d = d3d_;
    d3d_->AddRef();
    return D3D_OK;
}

HRESULT Device::GetDeviceCaps(D3DCAPS9* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    Direct3D::FillCaps(*caps);
    return D3D_OK;
}

HRESULT Device::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
    if (swapChain != 0 || !mode) return D3DERR_INVALIDCALL;
    if (params_.Windowed) return d3d_->GetAdapterDisplayMode(0, mode);
    *mode = D3DDISPLAYMODE{params_.BackBufferWidth, params_.BackBufferHeight, params_.FullScreen_RefreshRateInHz,
                           params_.BackBufferFormat};
    return D3D_OK;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* params) {
    if (!params) return D3DERR_INVALIDCALL;
    Flush();
    RestoreMirror();
    last_.Drop();
    bool extraSwapReferences = backBuffer_->PublicCount() > 0 || (autoDepth_ && autoDepth_->PublicCount() > 0);
    if (defaultObjects_ > 0 || extraSwapReferences || (lost_ && !focus_)) {
        lost_ = true;
        return lost_ && !focus_ ? D3DERR_DEVICELOST : D3DERR_INVALIDCALL;
    }
    D3DPRESENT_PARAMETERS previous = params_;
    UnbindAll();
    ReleaseSwapSurfaces();
    params_ = *params;
    if (!CreateSwapSurfaces()) {
        params_ = previous;
        CreateSwapSurfaces();
        ResetState();
        lost_ = true;
        return D3DERR_INVALIDCALL;
    }
    *params = params_;
    ResetState();
    lost_ = false;
    ApplyWindowMode();
    return D3D_OK;
}

HRESULT Device::Present(const RECT*, const RECT*, HWND, const RGNDATA*) {
    FinishFrame();
    drawsThisFrame_ = 0;
    if (lost_) return D3DERR_DEVICELOST;
    sent_.clear();
    const Surface& bb = *backBuffer_;
    if (shown_ && bb.Version() == presentedVersion_) return D3D_OK;  // nothing drawn since the last Present
    // Only the changed area needs comparing when the frame was drawn in part over the one presented.
    const bool inPart = changed_.before == presentedVersion_ && changed_.after == bb.Version();
    presentedVersion_ = bb.Version();
    // The frame is kept in the window's own surface where it can be: compared there with what the window
    // shows, its changes are copied once, and no second copy of the frame is read and written each frame.
    const UINT width = bb.Desc().Width, height = bb.Desc().Height;
    SDL_Window* win = win32::SdlWindowOf(window_);
    SDL_Surface* surface = win ? SDL_GetWindowSurface(win) : nullptr;
    const bool direct = surface && surface->w == int(width) && surface->h == int(height) && !SDL_MUSTLOCK(surface) &&
                        surface->pitch % 4 == 0 &&
                        (surface->format->format == SDL_PIXELFORMAT_RGB888 ||
                         surface->format->format == SDL_PIXELFORMAT_ARGB8888);
    DWORD* to = nullptr;
    size_t pitch = width;
    if (direct) {
        to = static_cast<DWORD*>(surface->pixels);
        pitch = size_t(surface->pitch) / 4;
    } else {
        if (frameCells_ != size_t(width) * height) {
            frameCells_ = 0;
            frame_ = MakePixels<DWORD>(size_t(width) * height);
            if (!frame_) throw std::bad_alloc();
            frameCells_ = size_t(width) * height;
        }
        to = frame_.get();
    }
    const bool whole = !shown_ || to != kept_ || pitch != keptPitch_ || width != frameWidth_ || height != frameHeight_;
    kept_ = to;
    keptPitch_ = pitch;
    frameWidth_ = width;
    frameHeight_ = height;
    TakeFrame(whole, inPart ? &changed_.rects : nullptr);
    // Only what differs from the frame on screen is sent: presenting through the window system costs far
    // more than the comparison, a game waiting for a click presents the same frame for long, and text
    // appearing a glyph at a time changes a few hundred pixels of a frame.
    if (!sent_.empty()) ShowFrame(win, surface, direct);
    return D3D_OK;
}

namespace {
// Narrows left..right to the columns where the frame's row (alpha read as 255) differs from what was
// shown, four pixels at a time from each end; left == right when nothing differs.
void ChangedColumns(const DWORD* from, const DWORD* shown, LONG& left, LONG& right) {
    const __m128i opaque = _mm_set1_epi32(int(0xFF000000u));
    auto same = [&](LONG x) {
        const __m128i a = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x)), opaque);
        return _mm_movemask_epi8(_mm_cmpeq_epi32(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(shown + x)))) == 0xFFFF;
    };
    while (left + 4 <= right && same(left)) left += 4;
    while (left < right && (from[left] | 0xFF000000u) == shown[left]) ++left;
    while (right - 4 >= left && same(right - 4)) right -= 4;
    while (right > left && (from[right - 1] | 0xFF000000u) == shown[right - 1]) --right;
}
}  // namespace

namespace {
// Copies n pixels of a back buffer row into the kept frame, alpha read as 255.
void TakeColumns(const DWORD* __restrict from, DWORD* __restrict out, LONG n) {
    for (LONG x = 0; x < n; ++x) out[x] = from[x] | 0xFF000000u;
}
}  // namespace

void Device::TakeFrame(bool whole, const std::vector<RECT>* only) {
    const Surface& bb = *backBuffer_;
    const UINT width = frameWidth_, height = frameHeight_;
    const bool x8 = bb.Desc().Format == D3DFMT_X8R8G8B8;
    const RECT all{0, 0, LONG(width), LONG(height)};
    // Rows are converted into line_ unless the back buffer's rows can be read as they are.
    if (!(x8 && bb.Pitch() % 4 == 0) && line_.size() < width) line_.resize(width);
    DWORD* line = line_.data();
    for (const RECT& look : only && !whole ? std::span<const RECT>(*only) : std::span<const RECT>(&all, 1)) {
        // Changed rows next to each other make one rectangle spanning their changed columns.
        RECT band{0, 0, 0, 0};
        bool inBand = false;
        for (UINT y = UINT(look.top); y < UINT(look.bottom); ++y) {
            const BYTE* row = bb.Bits() + size_t(y) * bb.Pitch();
            DWORD* out = kept_ + size_t(y) * keptPitch_;
            // Takes the changed columns of part l..r - 1 of the row (from holds them), widening the
            // row's changed columns left..right - 1 to hold them.
            LONG left = look.right, right = look.left;
            auto take = [&](const DWORD* from, LONG l, LONG r) {
                if (!whole) ChangedColumns(from, out, l, r);
                if (l == r) return;
                TakeColumns(from + l, out + l, r - l);
                left = std::min(left, l), right = std::max(right, r);
            };
            if (x8 && bb.Pitch() % 4 == 0) {
                mirror_.ForEachPart(bb, LONG(y), look.left, look.right, take);
            } else {
                if (x8)
                    std::memcpy(line, row, size_t(width) * 4);
                else
                    for (UINT x = 0; x < width; ++x) line[x] = ReadPixel(bb.Desc().Format, row + x * bb.Bpp());
                take(line, look.left, look.right);
            }
            if (left >= right) {
                if (inBand) sent_.push_back(band);
                inBand = false;
                continue;
            }
            if (!inBand) band = RECT{left, LONG(y), right, LONG(y)};
            band.left = std::min(band.left, left);
            band.right = std::max(band.right, right);
            band.bottom = LONG(y) + 1;
            inBand = true;
        }
        if (inBand) sent_.push_back(band);
    }
}

// Puts the changed rectangles of the frame into the window's own surface (shared memory with the X
// server where it has it) without any GL stack: where the frame was kept in that surface it is there
// already. A window of another size than the frame (a full-screen window the display could not make
// the frame's size) gets the whole frame scaled.
void Device::ShowFrame(SDL_Window* win, SDL_Surface* surface, bool direct) {
    if (!win || !surface) return;
    const int width = int(frameWidth_), height = int(frameHeight_);
    // A new surface (the window changed size or mode) holds nothing yet.
    if (surface != windowSurface_ && !direct) sent_.assign(1, RECT{0, 0, width, height});
    windowSurface_ = surface;
    if (surface->w != width || surface->h != height) {
        SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormatFrom(frame_.get(), width, height, 32, width * 4,
                                                                SDL_PIXELFORMAT_ARGB8888);
        if (!frame) return;
        SDL_BlitScaled(frame, nullptr, surface, nullptr);
        SDL_FreeSurface(frame);
        sent_.assign(1, RECT{0, 0, surface->w, surface->h});
        shown_ = SDL_UpdateWindowSurface(win) == 0;
        return;
    }
    std::vector<SDL_Rect>& rects = sdlRects_;
    rects.clear();
    if (!direct && SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    for (const RECT& r : sent_) {
        const int w = int(r.right - r.left), h = int(r.bottom - r.top);
        rects.push_back(SDL_Rect{int(r.left), int(r.top), w, h});
        if (direct) continue;
        const DWORD* from = frame_.get() + size_t(r.top) * width + r.left;
        BYTE* to = static_cast<BYTE*>(surface->pixels) + size_t(r.top) * surface->pitch +
                   size_t(r.left) * surface->format->BytesPerPixel;
        SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_ARGB8888, from, width * 4, surface->format->format, to, surface->pitch);
    }
    if (!direct && SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    shown_ = SDL_UpdateWindowSurfaceRects(win, rects.data(), int(rects.size())) == 0;
}

bool Device::RedrawnRects(std::vector<RECT>& rects) const {
    if (changed_.after == 0 || changed_.after != backBuffer_->Version()) return false;
    rects = changed_.rects;
    return true;
}

bool Device::ReadPresentedFrame(std::vector<DWORD>& pixels, UINT& width, UINT& height) {
    // A frame kept in the window's surface lives as long as the window.
    if (!kept_ || (kept_ != frame_.get() && !win32::SdlWindowOf(window_))) return false;
    pixels.resize(size_t(frameWidth_) * frameHeight_);
    for (UINT y = 0; y < frameHeight_; ++y)
        std::memcpy(pixels.data() + size_t(y) * frameWidth_, kept_ + size_t(y) * keptPitch_, size_t(frameWidth_) * 4);
    width = frameWidth_;
    height = frameHeight_;
    return true;
}

HRESULT Device::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE, IDirect3DSurface9** surface) {
    if (swapChain != 0 || index != 0 || !surface) return D3DERR_INVALIDCALL;
    *surface = backBuffer_;
    backBuffer_->AddRef();
    return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture9** texture, HANDLE*) {
    if (!texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (width == 0 || height == 0 || width > 4096 || height > 4096) return D3DERR_INVALIDCALL;
    if (!AcceptsFormat(usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL), D3DRTYPE_TEXTURE, format))
        return D3DERR_INVALIDCALL;
    if ((usage & D3DUSAGE_RENDERTARGET) && pool != D3DPOOL_DEFAULT) return D3DERR_INVALIDCALL;
    if (pool == D3DPOOL_SCRATCH && usage) return D3DERR_INVALIDCALL;
    *texture = new Texture(this, width, height, levels, usage, format, pool);
    return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer,
                                   HANDLE*) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0) return D3DERR_INVALIDCALL;
    *buffer = new VertexBuffer(this, D3DVERTEXBUFFER_DESC{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool,
                                                          length, fvf});
    return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DIndexBuffer9** buffer, HANDLE*) {
    if (!buffer) return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)) return D3DERR_INVALIDCALL;
    *buffer = new IndexBuffer(this, D3DINDEXBUFFER_DESC{format, D3DRTYPE_INDEXBUFFER, usage, pool, length});
    return D3D_OK;
}

HRESULT Device::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE, DWORD, BOOL,
                                          IDirect3DSurface9** surface, HANDLE*) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (width == 0 || height == 0 || !AcceptsFormat(D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, format))
        return D3DERR_INVALIDCALL;
    *surface = new Surface(this, D3DSURFACE_DESC{format, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT,
                                                 D3DMULTISAMPLE_NONE, 0, width, height},
                           nullptr);
    return D3D_OK;
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9** surface, HANDLE*) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (width == 0 || height == 0 || pool == D3DPOOL_MANAGED || !AcceptsFormat(0, D3DRTYPE_SURFACE, format))
        return D3DERR_INVALIDCALL;
    *surface = new Surface(this, D3DSURFACE_DESC{format, D3DRTYPE_SURFACE, 0, pool, D3DMULTISAMPLE_NONE, 0, width,
                                                 height},
                           nullptr);
    return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destination) {
    auto* src = static_cast<Surface*>(renderTarget);
    auto* dst = static_cast<Surface*>(destination);
    if (!src || !dst || !(src->Desc().Usage & D3DUSAGE_RENDERTARGET) || dst->Desc().Pool != D3DPOOL_SYSTEMMEM ||
        src->Desc().Width != dst->Desc().Width || src->Desc().Height != dst->Desc().Height ||
        src->Desc().Format != dst->Desc().Format)
        return D3DERR_INVALIDCALL;
    if (lost_) return D3DERR_DEVICELOST;
    Flush();
    if (src == backBuffer_) RestoreMirror();
    dst->Touch();
    for (UINT y = 0; y < src->Desc().Height; ++y)
        std::memcpy(dst->Bits() + size_t(y) * dst->Pitch(), src->Bits() + size_t(y) * src->Pitch(),
                    size_t(src->Desc().Width) * src->Bpp());
    return D3D_OK;
}

HRESULT Device::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
    auto* s = static_cast<Surface*>(surface);
    if (index != 0 || !s || !(s->Desc().Usage & D3DUSAGE_RENDERTARGET)) return D3DERR_INVALIDCALL;
    Rebind(state_->renderTarget, s);
    state_->viewport = D3DVIEWPORT9{0, 0, s->Desc().Width, s->Desc().Height, 0.f, 1.f};
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
    if (index != 0 || !surface) return D3DERR_INVALIDCALL;
    *surface = state_->renderTarget;
    if (!*surface) return D3DERR_NOTFOUND;
    (*surface)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetDepthStencilSurface(IDirect3DSurface9* surface) {
    auto* s = static_cast<Surface*>(surface);
    if (s && !(s->Desc().Usage & D3DUSAGE_DEPTHSTENCIL)) return D3DERR_INVALIDCALL;
    Rebind(state_->depth, s);
    return D3D_OK;
}

HRESULT Device::GetDepthStencilSurface(IDirect3DSurface9** surface) {
    if (!surface) return D3DERR_INVALIDCALL;
    *surface = state_->depth;
    if (!*surface) return D3DERR_NOTFOUND;
    (*surface)->AddRef();
    return D3D_OK;
}

Raster& Device::RasterOf() {
    if (!raster_) raster_ = std::make_unique<Raster>(rasterThreads_);
    return *raster_;
}

HRESULT Device::BeginScene() { return D3D_OK; }
HRESULT Device::EndScene() { return D3D_OK; }

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD) {
    if (lost_) return D3D_OK;
    DrawState& s = *state_;
    const D3DVIEWPORT9& vp = s.viewport;
    D3DRECT whole{LONG(vp.X), LONG(vp.Y), LONG(vp.X + vp.Width), LONG(vp.Y + vp.Height)};
    if (!rects) count = 0;
    Surface* target = (flags & D3DCLEAR_TARGET) ? s.renderTarget : nullptr;
    Surface* depth = (flags & D3DCLEAR_ZBUFFER) ? s.depth : nullptr;
    if (!target && !depth) return D3D_OK;
    ClearCommand& clear = pending_.Next(true).clear;
    clear.target = target;
    clear.depth = depth;
    clear.flags = flags;
    clear.colour = color;
    clear.z = z;
    for (DWORD i = 0; i < std::max<DWORD>(count, 1); ++i) {
        D3DRECT r = whole;
        if (count) {
            r.x1 = std::max(r.x1, rects[i].x1);
            r.y1 = std::max(r.y1, rects[i].y1);
            r.x2 = std::min(r.x2, rects[i].x2);
            r.y2 = std::min(r.y2, rects[i].y2);
        }
        clear.rects.push_back(r);
    }
    pending_.Add();
    LimitPending();
    return D3D_OK;
}

void Device::AddClearRows(const ClearCommand& clear, std::vector<RasterItem>& items,
                          std::deque<std::function<void(int)>>& tasks) {
    for (const D3DRECT& r : clear.rects) {
        // One row's bytes are made once, then copied into each row of the rectangle.
        auto fill = [&](Surface* target, auto store) {
            if (!target) return;
            LONG x2 = std::min<LONG>(r.x2, LONG(target->Desc().Width));
            LONG y2 = std::min<LONG>(r.y2, LONG(target->Desc().Height));
            if (r.x1 >= x2 || r.y1 >= y2) return;
            const UINT bpp = target->Bpp();
            BYTE cell[4] = {};
            store(*target, cell);
            // A whole surface cleared again to the value it already holds throughout stays as it is.
            DWORD value;
            std::memcpy(&value, cell, 4);
            const bool whole = CoversWhole(r, *target);
            if (whole && target->ClearedTo(value)) return;
            if (whole)
                target->MarkCleared(value);
            else
                target->Touch();
            auto line = std::make_shared<std::vector<BYTE>>(size_t(x2 - r.x1) * bpp);
            for (LONG x = 0; x < x2 - r.x1; ++x) std::memcpy(line->data() + size_t(x) * bpp, cell, bpp);
            const size_t offset = size_t(r.x1) * bpp;
            tasks.emplace_back([target, line, offset](int y) {
                std::memcpy(target->Bits() + size_t(y) * target->Pitch() + offset, line->data(), line->size());
            });
            RasterItem item;
            item.rows = &tasks.back();
            item.top = int(r.y1);
            item.bottom = int(y2) - 1;
            item.width = int(x2 - r.x1);
            items.push_back(item);
        };
        fill(clear.target, [&](Surface& t, BYTE* p) { WritePixel(t.Desc().Format, p, clear.colour); });
        // Clears store depth as draws do (a value that is not a number clears to 0, one beyond 0..1 to
        // the nearer end).
        fill(clear.depth, [&](Surface& t, BYTE* p) {
            const DepthRow cell(t, p);
            cell.Store(0, cell.Value(clear.z));
        });
    }
}

void Device::Run(const FrameRecord& frame, const std::vector<ChangedArea>* areas) {
    // Clears are split per surface. With changed areas, each surface is cleared and drawn only inside
    // its own region: the frame's commands cut to it (draws clipped once per rectangle they touch), and
    // commands left with nothing dropped. The rectangles do not overlap, so no pixel is drawn twice.
    using Step = RunStep;
    std::vector<Step> steps;
    std::deque<ClearCommand> cutClears;
    const Region none;
    auto areaOf = [&](const Surface* s) -> const Region& {
        for (const ChangedArea& a : *areas)
            if (a.surface == s) return a.region;
        return none;
    };
    unblendedUsed_ = 0;
    // The back buffer's rectangles held in the picture stay there only where this run draws them again.
    if (areas && mirror_.Within(areaOf(backBuffer_).Rects()))
        mirror_.Forget();
    else
        RestoreMirror();
    for (size_t i = 0; i < frame.Commands().size(); ++i) {
        const Command& c = frame.Commands()[i];
        if (c.isClear) {
            // A surface written over before anything uses it skips the clear: the back buffer and
            // depth that a scene clears and its render target's clear then clears again, a render
            // target under an opaque background or a copy of the scene's picture.
            for (Surface* s : {c.clear.target, c.clear.depth}) {
                if (!s || frame.Overwritten(i, s, opaque_)) continue;
                ClearCommand cut = c.clear;
                cut.target = s == c.clear.target ? s : nullptr;
                cut.depth = s == c.clear.target ? nullptr : s;
                if (areas) {
                    cut.rects.clear();
                    for (const RECT& area : areaOf(s).Rects())
                        for (const D3DRECT& r : c.clear.rects) {
                            const RECT in = Intersect(RECT{r.x1, r.y1, r.x2, r.y2}, area);
                            if (!EmptyRect(in)) cut.rects.push_back(D3DRECT{in.left, in.top, in.right, in.bottom});
                        }
                }
                if (cut.rects.empty()) continue;
                cutClears.push_back(std::move(cut));
                steps.push_back(Step{&cutClears.back()});
            }
        } else if (!areas) {
            steps.push_back(Step{nullptr, Unblend(*c.state, c.vertices), &c.vertices, c.state->clip});
        } else {
            const RECT drawn = DrawnBox(*c.state, c.vertices);
            const PixelState* state = nullptr;
            for (const RECT& area : areaOf(c.state->target).Rects()) {
                if (EmptyRect(Intersect(drawn, area))) continue;
                if (!state) state = Unblend(*c.state, c.vertices);
                steps.push_back(Step{nullptr, state, &c.vertices, Intersect(c.state->clip, area)});
            }
        }
    }

    if (areas) MirrorCopies(steps, areaOf(backBuffer_));

    // Commands go to the rasteriser in runs that share out rows together: a run ends where a command
    // writes other surfaces than the run's, or reads a surface the run writes.
    std::vector<RasterItem> items;
    std::deque<std::function<void(int)>> tasks;
    std::vector<const Surface*> written;
    auto finish = [&] {
        RasterOf().Run(items);
        items.clear();
        tasks.clear();
        written.clear();
    };
    auto has = [&](const Surface* s) { return std::find(written.begin(), written.end(), s) != written.end(); };
    for (const Step& c : steps) {
        if (!c.clear && !c.state) continue;  // left out
        const Surface* target = c.clear ? c.clear->target : c.state->target;
        const Surface* depth = c.clear ? c.clear->depth : c.state->depth;
        bool fits = true;
        for (const Surface* w : written) fits &= w == target || w == depth;
        if (c.state)
            for (const Surface* t : c.state->textures) fits &= !t || !has(t);
        if (!fits) finish();
        for (const Surface* s : {target, depth})
            if (s && !has(s)) written.push_back(s);
        if (c.clear) {
            AddClearRows(*c.clear, items, tasks);
            continue;
        }
        c.state->target->Touch();
        if (c.state->depth) c.state->depth->Touch();
        RasterItem item;
        item.state = c.state;
        item.vertices = c.vertices;
        item.clip = c.clip;
        items.push_back(item);
    }
    finish();
}

void Device::MirrorCopies(std::vector<RunStep>& steps, const Region& area) {
    const Surface* bb = backBuffer_;
    if (bb->Desc().Format != D3DFMT_X8R8G8B8 || bb->Pitch() % 4 != 0) return;
    bool left = false;
    for (const RECT& a : area.Rects()) {
        // The one step that writes the rectangle, which must be a draw.
        RunStep* only = nullptr;
        int writers = 0;
        for (RunStep& s : steps) {
            if (s.clear && s.clear->target == bb)
                for (const D3DRECT& r : s.clear->rects) writers += !EmptyRect(Intersect(RECT{r.x1, r.y1, r.x2, r.y2}, a));
            if (s.state && s.state->target == bb && !EmptyRect(Intersect(s.clip, a))) {
                only = &s;
                ++writers;
            }
        }
        if (writers != 1 || !only) continue;
        // The picture must still hold at Present what the draw reads: nothing after it draws into it.
        Surface* picture = only->state->textures[0];
        bool drawnAfter = false;
        for (const RunStep* s = only + 1; s != steps.data() + steps.size(); ++s)
            drawnAfter |= (s->clear && s->clear->target == picture) || (s->state && s->state->target == picture);
        POINT offset;
        if (!picture || drawnAfter || !CopiesTexels(*only->state, *only->vertices, a, opaque_, offset) ||
            !mirror_.Add(picture, offset, a))
            continue;
        only->state = nullptr;
        left = true;
    }
    if (left) backBuffer_->Touch();
}

const PixelState* Device::Unblend(const PixelState& state, const std::vector<ScreenVertex>& vertices) {
    if (unblendedUsed_ == unblended_.size()) unblended_.push_back(std::make_unique<PixelState>());
    if (!Unblended(state, vertices, opaque_, *unblended_[unblendedUsed_])) return &state;
    return unblended_[unblendedUsed_++].get();
}

void Device::Flush() {
    if (pending_.Empty()) return;
    Run(pending_);
    pending_.Drop();
}

void Device::LimitPending() {
    // A caller that draws on and on without presenting or reading back must not pile up memory.
    constexpr size_t kMostPending = 4096;
    if (pending_.Commands().size() >= kMostPending) Flush();
}

void Device::FlushIfUses(const Surface* surface) {
    if (surface == backBuffer_ || surface == mirror_.Source()) RestoreMirror();
    if (pending_.Uses(surface)) Flush();
}

void Device::RestoreMirror() {
    if (mirror_.Active()) mirror_.Restore(*backBuffer_);
}

void Device::FinishFrame() {
    if (pending_.Empty()) return;
    if (pending_.Repeats(last_)) {
        pending_.Drop();
        return;
    }
    // A frame that differs from the last in part (a character moving, text appearing) is drawn again
    // only where it differs; Present then compares only that part of the back buffer with what it showed.
    std::vector<ChangedArea> areas;
    const bool inPart = pending_.ChangedAreas(last_, areas);
    const uint64_t before = backBuffer_->Version();
    Run(pending_, inPart ? &areas : nullptr);
    changed_ = ChangedBackBuffer{};
    if (inPart)
        for (const ChangedArea& a : areas)
            if (a.surface == backBuffer_) changed_ = ChangedBackBuffer{before, backBuffer_->Version(), a.region.Rects()};
    pending_.Finished();
    last_.Drop();
    last_.Swap(pending_);
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    switch (DWORD(state)) {
        case D3DTS_WORLD: state_->world = *matrix; return D3D_OK;
        case D3DTS_VIEW: state_->view = *matrix; return D3D_OK;
        case D3DTS_PROJECTION: state_->proj = *matrix; return D3D_OK;
        default: return D3D_OK;
    }
}

HRESULT Device::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    if (!matrix) return D3DERR_INVALIDCALL;
    switch (DWORD(state)) {
        case D3DTS_WORLD: *matrix = state_->world; return D3D_OK;
        case D3DTS_VIEW: *matrix = state_->view; return D3D_OK;
        case D3DTS_PROJECTION: *matrix = state_->proj; return D3D_OK;
        default: *matrix = kIdentity; return D3D_OK;
    }
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* viewport) {
    const Surface* rt = state_->renderTarget;
    if (!viewport || !rt || viewport->X + viewport->Width > rt->Desc().Width ||
        viewport->Y + viewport->Height > rt->Desc().Height)
        return D3DERR_INVALIDCALL;
    state_->viewport = *viewport;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport) return D3DERR_INVALIDCALL;
    *viewport = state_->viewport;
    return D3D_OK;
}

HRESULT Device::SetMaterial(const D3DMATERIAL9* material) {
    if (!material) return D3DERR_INVALIDCALL;
    state_->material = *material;
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    if (DWORD(state) >= kRenderStateCount) return D3DERR_INVALIDCALL;
    state_->rs[state] = value;
    return D3D_OK;
}

HRESULT Device::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    if (DWORD(state) >= kRenderStateCount || !value) return D3DERR_INVALIDCALL;
    *value = state_->rs[state];
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    if (stage >= kSamplerCount) return D3DERR_INVALIDCALL;
    Rebind(state_->textures[stage], static_cast<Texture*>(texture));
    return D3D_OK;
}

HRESULT Device::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    if (stage >= kSamplerCount || !texture) return D3DERR_INVALIDCALL;
    *texture = state_->textures[stage];
    if (*texture) (*texture)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    if (stage >= kTextureStageCount || DWORD(type) >= kTextureStageStateCount) return D3DERR_INVALIDCALL;
    state_->tss[stage][type] = value;
    return D3D_OK;
}

HRESULT Device::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    if (stage >= kTextureStageCount || DWORD(type) >= kTextureStageStateCount || !value) return D3DERR_INVALIDCALL;
    *value = state_->tss[stage][type];
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    if (sampler >= kSamplerCount || DWORD(type) >= kSamplerStateCount) return D3DERR_INVALIDCALL;
    state_->samp[sampler][type] = value;
    return D3D_OK;
}

HRESULT Device::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    if (sampler >= kSamplerCount || DWORD(type) >= kSamplerStateCount || !value) return D3DERR_INVALIDCALL;
    *value = state_->samp[sampler][type];
    return D3D_OK;
}

HRESULT Device::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements, IDirect3DVertexDeclaration9** declaration) {
    if (!elements || !declaration) return D3DERR_INVALIDCALL;
    *declaration = nullptr;
    std::vector<D3DVERTEXELEMENT9> list;
    for (const D3DVERTEXELEMENT9* e = elements; e->Stream != 0xFF; ++e) {
        if (list.size() >= MAXD3DDECLLENGTH || e->Stream >= 2 || e->Type > D3DDECLTYPE_USHORT4N)
            return D3DERR_INVALIDCALL;
        list.push_back(*e);
    }
    *declaration = new VertexDeclaration(this, std::move(list));
    return D3D_OK;
}

HRESULT Device::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
    Rebind(state_->declaration, static_cast<VertexDeclaration*>(declaration));
    state_->fvf = 0;
    return D3D_OK;
}

HRESULT Device::GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) {
    if (!declaration) return D3DERR_INVALIDCALL;
    *declaration = state_->declaration;
    if (*declaration) (*declaration)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetFVF(DWORD fvf) {
    Rebind<VertexDeclaration>(state_->declaration, nullptr);
    state_->fvf = fvf;
    return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* fvf) {
    if (!fvf) return D3DERR_INVALIDCALL;
    *fvf = state_->fvf;
    return D3D_OK;
}

namespace {
// A shader object of the program in the token stream; a stream that cannot be parsed makes none, and
// the debug output says why under the name of the call.
template <class Shader, class Interface>
HRESULT CreateShader(Device* device, const DWORD* function, Interface** shader, const char* call) {
    if (!function || !shader) return D3DERR_INVALIDCALL;
    *shader = nullptr;
    ShaderProgram program;
    std::string error;
    if (!ParseShader(function, std::is_same_v<Shader, PixelShader>, program, error)) {
        OutputDebugStringA((std::string(call) + ": " + error + "\n").c_str());
        return D3DERR_INVALIDCALL;
    }
    *shader = new Shader(device, std::move(program));
    return D3D_OK;
}
}  // namespace

HRESULT Device::CreateVertexShader(const DWORD* function, IDirect3DVertexShader9** shader) {
    return CreateShader<VertexShader>(this, function, shader, "CreateVertexShader");
}

HRESULT Device::SetVertexShader(IDirect3DVertexShader9* shader) {
    Rebind(state_->vertexShader, static_cast<VertexShader*>(shader));
    return D3D_OK;
}

HRESULT Device::GetVertexShader(IDirect3DVertexShader9** shader) {
    if (!shader) return D3DERR_INVALIDCALL;
    *shader = state_->vertexShader;
    if (*shader) (*shader)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    if (!data || start + count > kVertexShaderConstCount) return D3DERR_INVALIDCALL;
    std::memcpy(state_->vsConst[start], data, size_t(count) * 16);
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) {
    if (stream >= kStreamCount) return D3DERR_INVALIDCALL;
    Rebind(state_->streams[stream], static_cast<VertexBuffer*>(buffer));
    state_->streamOffset[stream] = offset;
    state_->streamStride[stream] = stride;
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* buffer) {
    Rebind(state_->indices, static_cast<IndexBuffer*>(buffer));
    return D3D_OK;
}

HRESULT Device::CreatePixelShader(const DWORD* function, IDirect3DPixelShader9** shader) {
    return CreateShader<PixelShader>(this, function, shader, "CreatePixelShader");
}

HRESULT Device::SetPixelShader(IDirect3DPixelShader9* shader) {
    Rebind(state_->pixelShader, static_cast<PixelShader*>(shader));
    return D3D_OK;
}

HRESULT Device::GetPixelShader(IDirect3DPixelShader9** shader) {
    if (!shader) return D3DERR_INVALIDCALL;
    *shader = state_->pixelShader;
    if (*shader) (*shader)->AddRef();
    return D3D_OK;
}

HRESULT Device::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
    if (!data || start + count > kPixelShaderConstCount) return D3DERR_INVALIDCALL;
    std::memcpy(state_->psConst[start], data, size_t(count) * 16);
    return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT, UINT numVertices, UINT startIndex,
                                     UINT primitiveCount) {
    IndexBuffer* ib = state_->indices;
    if (!ib) return D3DERR_INVALIDCALL;
    D3DINDEXBUFFER_DESC desc;
    ib->GetDesc(&desc);
    bool index32 = desc.Format == D3DFMT_INDEX32;
    size_t indexSize = index32 ? 4 : 2;
    if ((size_t(startIndex) + size_t(primitiveCount) * 3) * indexSize > ib->Data().size()) return D3DERR_INVALIDCALL;
    return Draw(type, baseVertex, numVertices, primitiveCount, ib->Data().data() + startIndex * indexSize, index32,
                nullptr, 0);
}

HRESULT Device::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT, UINT numVertices, UINT primitiveCount,
                                       const void* indices, D3DFORMAT indexFormat, const void* vertices, UINT stride) {
    if (!indices || !vertices || stride == 0 || (indexFormat != D3DFMT_INDEX16 && indexFormat != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    // An UP draw leaves stream 0 and the index buffer unset, as Direct3D does.
    Rebind<VertexBuffer>(state_->streams[0], nullptr);
    state_->streamOffset[0] = state_->streamStride[0] = 0;
    Rebind<IndexBuffer>(state_->indices, nullptr);
    return Draw(type, 0, numVertices, primitiveCount, indices, indexFormat == D3DFMT_INDEX32,
                static_cast<const BYTE*>(vertices), stride);
}

}  // namespace d3d9

namespace d3d9test {
void ForceDeviceLost(IDirect3DDevice9* device) { static_cast<d3d9::Device*>(device)->ForceLost(); }
void RestoreFocus(IDirect3DDevice9* device) { static_cast<d3d9::Device*>(device)->RestoreFocus(); }
bool ReadPresentedFrame(IDirect3DDevice9* device, std::vector<DWORD>& pixels, UINT& width, UINT& height) {
    return static_cast<d3d9::Device*>(device)->ReadPresentedFrame(pixels, width, height);
}
std::vector<RECT> SentRects(IDirect3DDevice9* device) { return static_cast<d3d9::Device*>(device)->SentRects(); }
bool RedrawnRects(IDirect3DDevice9* device, std::vector<RECT>& rects) {
    return static_cast<d3d9::Device*>(device)->RedrawnRects(rects);
}
}  // namespace d3d9test
