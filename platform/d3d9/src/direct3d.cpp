// Adapter 0 of the software device: identifier, display modes from SDL2 (or a list a test gives),
// format checks, capabilities and device creation.
#include "direct3d.h"

#include <SDL.h>

#include <cstring>
#include <mutex>

#include "d3d9/testhooks.h"
#include "device.h"
#include "formats.h"
#include "statesizes.h"
#include "win32/user.h"

namespace d3d9 {
namespace {

std::mutex g_modesLock;
bool g_haveTestModes = false;
std::vector<D3DDISPLAYMODE> g_testModes;

// The display's own modes as SDL2 reports them, sizes only (zero sizes dropped, duplicates kept out).
std::vector<D3DDISPLAYMODE> DisplayModes() {
    {
        std::lock_guard<std::mutex> lock(g_modesLock);
        if (g_haveTestModes) return g_testModes;
    }
    std::vector<D3DDISPLAYMODE> modes;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return modes;
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) != 0 || m.w <= 0 || m.h <= 0) continue;
        D3DDISPLAYMODE mode{UINT(m.w), UINT(m.h), UINT(m.refresh_rate > 0 ? m.refresh_rate : 0), D3DFMT_X8R8G8B8};
        bool seen = false;
        for (const D3DDISPLAYMODE& other : modes)
            seen |= other.Width == mode.Width && other.Height == mode.Height && other.RefreshRate == mode.RefreshRate;
        if (!seen) modes.push_back(mode);
    }
    return modes;
}

}  // namespace

bool Direct3D::IsBackBufferFormat(D3DFORMAT format) {
    if (format == D3DFMT_X8R8G8B8) return !Refuse32Bit();
    return format == D3DFMT_R5G6B5;
}

std::vector<D3DDISPLAYMODE> Direct3D::Modes(D3DFORMAT format) {
    std::vector<D3DDISPLAYMODE> modes;
    if (!IsBackBufferFormat(format)) return modes;
    modes = DisplayModes();
    for (D3DDISPLAYMODE& m : modes) m.Format = format;
    return modes;
}

Direct3D::Direct3D() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) ownsVideo_ = win32::StartVideo();
}

Direct3D::~Direct3D() {
    if (ownsVideo_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

HRESULT Direct3D::QueryInterface(REFIID, void** object) {
    if (object) *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Direct3D::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Direct3D::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER9* id) {
    if (adapter != 0 || !id) return D3DERR_INVALIDCALL;
    std::memset(id, 0, sizeof *id);
    std::strcpy(id->Driver, "software");
    std::strcpy(id->Description, "Software rasteriser");
    std::strcpy(id->DeviceName, "\\\\.\\DISPLAY1");
    id->DriverVersion.HighPart = LONG(9u << 16 | 1u);
    id->DriverVersion.LowPart = 0u << 16 | 1u;
    id->WHQLLevel = 0;
    return D3D_OK;
}

UINT Direct3D::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
    return adapter == 0 ? UINT(Modes(format).size()) : 0;
}

HRESULT Direct3D::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT index, D3DDISPLAYMODE* mode) {
    if (adapter != 0 || !mode) return D3DERR_INVALIDCALL;
    std::vector<D3DDISPLAYMODE> modes = Modes(format);
    if (index >= modes.size()) return D3DERR_INVALIDCALL;
    *mode = modes[index];
    return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    if (adapter != 0 || !mode) return D3DERR_INVALIDCALL;
    *mode = D3DDISPLAYMODE{800, 600, 0, D3DFMT_X8R8G8B8};
    {
        std::lock_guard<std::mutex> lock(g_modesLock);
        if (g_haveTestModes) {
            if (!g_testModes.empty()) *mode = g_testModes.front();
            return D3D_OK;
        }
    }
    SDL_DisplayMode m;
    if (SDL_WasInit(SDL_INIT_VIDEO) && SDL_GetDesktopDisplayMode(0, &m) == 0 && m.w > 0 && m.h > 0)
        *mode = D3DDISPLAYMODE{UINT(m.w), UINT(m.h), UINT(m.refresh_rate > 0 ? m.refresh_rate : 0),
                               SDL_BITSPERPIXEL(m.format) == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8};
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT backBufferFormat, BOOL) {
    if (adapter != 0 || (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF)) return D3DERR_INVALIDCALL;
    return IsBackBufferFormat(backBufferFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT, DWORD usage, D3DRESOURCETYPE rtype,
                                    D3DFORMAT format) {
    if (adapter != 0 || (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF)) return D3DERR_INVALIDCALL;
    return AcceptsFormat(usage, rtype, format) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

void Direct3D::FillCaps(D3DCAPS9& caps) {
    std::memset(&caps, 0, sizeof caps);
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_CAPS;
    caps.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                   D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP | D3DDEVCAPS_DRAWPRIMITIVES2EX |
                   D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION;
    caps.PrimitiveMiscCaps = D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                             D3DPMISCCAPS_SEPARATEALPHABLEND;
    caps.ZCmpCaps = caps.AlphaCmpCaps = 0xFF;
    caps.SrcBlendCaps = caps.DestBlendCaps = 0x3FF;
    caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA;
    caps.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                             D3DPTFILTERCAPS_MAGFLINEAR;
    caps.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_CLAMP;
    caps.MaxTextureWidth = caps.MaxTextureHeight = 4096;
    caps.MaxTextureRepeat = 8192;
    caps.MaxTextureAspectRatio = 4096;
    caps.MaxAnisotropy = 1;
    caps.MaxVertexW = 1e10f;
    caps.GuardBandLeft = caps.GuardBandTop = -8192.f;
    caps.GuardBandRight = caps.GuardBandBottom = 8191.f;
    caps.FVFCaps = 8;
    caps.TextureOpCaps = D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 |
                         D3DTEXOPCAPS_MODULATE | D3DTEXOPCAPS_MODULATE2X | D3DTEXOPCAPS_MODULATE4X | D3DTEXOPCAPS_ADD;
    caps.MaxTextureBlendStages = kTextureStageCount;
    caps.MaxSimultaneousTextures = kTextureStageCount;
    caps.MaxPointSize = 1.f;
    caps.MaxPrimitiveCount = 0xFFFFF;
    caps.MaxVertexIndex = 0xFFFFF;
    caps.MaxStreams = kStreamCount;
    caps.MaxStreamStride = 255;
    caps.VertexShaderVersion = D3DVS_VERSION(2, 0);
    caps.MaxVertexShaderConst = kVertexShaderConstCount;
    caps.PixelShaderVersion = D3DPS_VERSION(2, 0);
    caps.PixelShader1xMaxValue = 8.f;
    caps.NumberOfAdaptersInGroup = 1;
    caps.NumSimultaneousRTs = 1;
    caps.VS20Caps.NumTemps = 12;
    caps.PS20Caps.NumTemps = 12;
    caps.PS20Caps.NumInstructionSlots = 96;
}

HRESULT Direct3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
    if (adapter != 0 || !caps || (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF)) return D3DERR_INVALIDCALL;
    FillCaps(*caps);
    caps->DeviceType = type;
    return D3D_OK;
}

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD,
                               D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) {
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (adapter != 0 || !params || (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF)) return D3DERR_INVALIDCALL;
    auto* created = new Device(this, params->hDeviceWindow ? params->hDeviceWindow : focusWindow, *params);
    if (!created->Valid()) {
        created->Release();
        return D3DERR_INVALIDCALL;
    }
    *device = created;
    return D3D_OK;
}

}  // namespace d3d9

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    return new d3d9::Direct3D();
}

int D3DPERF_SetOptions(DWORD) { return 0; }

namespace d3d9test {
void SetDisplayModes(const std::vector<D3DDISPLAYMODE>* modes) {
    std::lock_guard<std::mutex> lock(d3d9::g_modesLock);
    d3d9::g_haveTestModes = modes != nullptr;
    d3d9::g_testModes = modes ? *modes : std::vector<D3DDISPLAYMODE>{};
}
}  // namespace d3d9test
