// Display modes and usable formats of adapter 0, the present-parameter sets, and format names.
#include "engine/device/AdapterInfo.h"

#include "engine/device/D3DDevice.h"
#include "engine/util/USLogManager.h"

namespace {

// Back-buffer formats whose modes and formats are enumerated.
const D3DFORMAT kBackBufferFormats[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_UNKNOWN};

// Texture and render-target candidates, in the order they are tried.
const D3DFORMAT kTextureCandidates[] = {
    D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_R8G8B8, D3DFMT_A8R8G8B8,
    D3DFMT_X8R8G8B8, D3DFMT_R3G3B2, D3DFMT_A8, D3DFMT_A8R3G3B2, D3DFMT_X4R4G4B4, D3DFMT_A2B10G10R10,
    D3DFMT_A2R10G10B10, D3DFMT_A16B16G16R16, D3DFMT_A8P8, D3DFMT_P8, D3DFMT_L8, D3DFMT_L16, D3DFMT_A8L8,
    D3DFMT_A4L4, D3DFMT_V8U8, D3DFMT_Q8W8V8U8, D3DFMT_V16U16, D3DFMT_Q16W16V16U16, D3DFMT_CxV8U8,
    D3DFMT_L6V5U5, D3DFMT_X8L8V8U8, D3DFMT_A2W10V10U10, D3DFMT_G8R8_G8B8, D3DFMT_R8G8_B8G8, D3DFMT_DXT5,
    D3DFMT_DXT4, D3DFMT_DXT3, D3DFMT_DXT2, D3DFMT_DXT1, D3DFMT_UYVY, D3DFMT_YUY2, D3DFMT_D16_LOCKABLE,
    D3DFMT_D32, D3DFMT_D15S1, D3DFMT_D24S8, D3DFMT_D24X8, D3DFMT_D24X4S4, D3DFMT_D32F_LOCKABLE, D3DFMT_D24FS8,
    D3DFMT_D16, D3DFMT_VERTEXDATA, D3DFMT_INDEX16, D3DFMT_INDEX32, D3DFMT_R16F, D3DFMT_G16R16F,
    D3DFMT_A16B16G16R16F, D3DFMT_R32F, D3DFMT_G32R32F, D3DFMT_A32B32G32R32F, D3DFMT_G16R16, D3DFMT_UNKNOWN};

const D3DFORMAT kDepthCandidates[] = {D3DFMT_D16,     D3DFMT_D32,    D3DFMT_D24S8, D3DFMT_D24X8,
                                      D3DFMT_D24X4S4, D3DFMT_D24FS8, D3DFMT_D15S1, D3DFMT_UNKNOWN};

template <size_t N>
bool Contains(const D3DFORMAT (&list)[N], UINT count, D3DFORMAT format) {
    for (UINT i = 0; i < count; ++i)
        if (list[i] == format) return true;
    return false;
}

template <size_t N>
UINT Append(D3DFORMAT (&list)[N], UINT& count, D3DFORMAT format) {
    if (count < N) list[count++] = format;
    return count;
}

}  // namespace

void CUSDisplayModeInfo::Set(const D3DDISPLAYMODE& mode) { mode_ = mode; }

bool CUSDisplayModeInfo::Equals(const D3DDISPLAYMODE& m) const {
    return mode_.Width == m.Width && mode_.Height == m.Height && mode_.RefreshRate == m.RefreshRate &&
           mode_.Format == m.Format;
}

bool CUSDisplayModeInfo::Matches(UINT width, UINT height) const { return mode_.Width == width && mode_.Height == height; }

bool CUSDisplayModeInfo::Matches(UINT width, UINT height, D3DFORMAT format) const {
    return Matches(width, height) && mode_.Format == format;
}

void CUSDisplayModeInfo::GetSize(UINT* width, UINT* height) const {
    if (width) *width = mode_.Width;
    if (height) *height = mode_.Height;
}

void CTextureFormatInfo::Clear() { textureCount_ = renderTargetCount_ = depthStencilCount_ = 0; }

void CTextureFormatInfo::Enumerate(IDirect3D9* d3d) {
    US_LOG("\nEnum Enable Texture Format...\n\n");
    for (const D3DFORMAT* f = kTextureCandidates; *f != D3DFMT_UNKNOWN; ++f) {
        if (d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, backBufferFormat_, 0, D3DRTYPE_TEXTURE, *f) >= 0) {
            AddTextureFormat(*f);
            US_LOG("      [ %s ]\n", GetD3DFormatName(*f));
        }
    }
    for (const D3DFORMAT* f = kTextureCandidates; *f != D3DFMT_UNKNOWN; ++f)
        if (d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, backBufferFormat_, D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, *f) >= 0)
            AddRenderTargetFormat(*f);
    for (const D3DFORMAT* f = kDepthCandidates; *f != D3DFMT_UNKNOWN; ++f)
        if (d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, backBufferFormat_, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, *f) >= 0)
            AddDepthStencilFormat(*f);
    US_LOG("\n\n");
}

bool CTextureFormatInfo::IsTextureFormat(D3DFORMAT f) const { return Contains(textureFormats_, textureCount_, f); }
bool CTextureFormatInfo::IsRenderTargetFormat(D3DFORMAT f) const {
    return Contains(renderTargetFormats_, renderTargetCount_, f);
}
bool CTextureFormatInfo::IsDepthStencilFormat(D3DFORMAT f) const {
    return Contains(depthStencilFormats_, depthStencilCount_, f);
}
UINT CTextureFormatInfo::AddTextureFormat(D3DFORMAT f) { return Append(textureFormats_, textureCount_, f); }
UINT CTextureFormatInfo::AddRenderTargetFormat(D3DFORMAT f) {
    return Append(renderTargetFormats_, renderTargetCount_, f);
}
UINT CTextureFormatInfo::AddDepthStencilFormat(D3DFORMAT f) {
    return Append(depthStencilFormats_, depthStencilCount_, f);
}

void CAdapterInfo::Clear() {
    modes_.clear();
    formatInfos_.clear();
}

void CAdapterInfo::Enumerate(IDirect3D9* d3d) {
    US_LOG("Enum Display Mode...\n\n");
    for (const D3DFORMAT* format = kBackBufferFormats; *format != D3DFMT_UNKNOWN; ++format) {
        US_LOG("BackBufferFormat [ %s ]\n", GetD3DFormatName(*format));
        UINT count = d3d->GetAdapterModeCount(0, *format);
        for (UINT i = 0; i < count; ++i) {
            D3DDISPLAYMODE mode;
            if (d3d->EnumAdapterModes(0, *format, i, &mode) < 0) continue;
            bool known = false;
            for (const auto& m : modes_) known = known || m->Equals(mode);
            if (known) continue;
            auto info = std::make_unique<CUSDisplayModeInfo>();
            info->Set(mode);
            modes_.push_back(std::move(info));
        }
        auto formats = std::make_unique<CTextureFormatInfo>(*format);
        formats->Enumerate(d3d);
        formatInfos_.push_back(std::move(formats));
    }
}

bool CAdapterInfo::HasDisplayMode(UINT width, UINT height, D3DFORMAT format) const {
    for (const auto& m : modes_)
        if (m->Matches(width, height, format)) return true;
    return false;
}

const CTextureFormatInfo* CAdapterInfo::FormatInfo(D3DFORMAT backBufferFormat) const {
    for (const auto& f : formatInfos_)
        if (f->GetBackBufferFormat() == backBufferFormat) return f.get();
    return nullptr;
}

bool CAdapterInfo::IsTextureFormat(D3DFORMAT bb, D3DFORMAT f) const {
    const CTextureFormatInfo* info = FormatInfo(bb);
    return info && info->IsTextureFormat(f);
}
bool CAdapterInfo::IsRenderTargetFormat(D3DFORMAT bb, D3DFORMAT f) const {
    const CTextureFormatInfo* info = FormatInfo(bb);
    return info && info->IsRenderTargetFormat(f);
}
bool CAdapterInfo::IsDepthStencilFormat(D3DFORMAT bb, D3DFORMAT f) const {
    const CTextureFormatInfo* info = FormatInfo(bb);
    return info && info->IsDepthStencilFormat(f);
}
bool CAdapterInfo::IsTextureFormatForAll(D3DFORMAT f) const {
    for (const auto& info : formatInfos_)
        if (!info->IsTextureFormat(f)) return false;
    return true;
}
bool CAdapterInfo::IsRenderTargetFormatForAll(D3DFORMAT f) const {
    for (const auto& info : formatInfos_)
        if (!info->IsRenderTargetFormat(f)) return false;
    return true;
}
bool CAdapterInfo::IsDepthStencilFormatForAll(D3DFORMAT f) const {
    for (const auto& info : formatInfos_)
        if (!info->IsDepthStencilFormat(f)) return false;
    return true;
}

const CUSDisplayModeInfo* CAdapterInfo::FindDisplayMode(UINT width, UINT height, D3DFORMAT format) const {
    const CUSDisplayModeInfo* best = nullptr;
    UINT bestW = 0xFFFFFFFF, bestH = 0xFFFFFFFF;
    const CUSDisplayModeInfo* fallback = nullptr;
    UINT fallW = 0, fallH = 0;
    for (const auto& m : modes_) {
        if (m->GetFormat() != format) continue;
        UINT w, h;
        m->GetSize(&w, &h);
        if (w >= width && h >= height) {
            if (w <= bestW && h <= bestH) {
                best = m.get();
                bestW = w;
                bestH = h;
            }
        } else if (w > fallW && h > fallH) {
            fallback = m.get();
            fallW = w;
            fallH = h;
        }
    }
    return best ? best : fallback;
}

CUSDXPPManager::CUSDXPPManager() : windowed_{}, fullScreen_{} {
    for (D3DPRESENT_PARAMETERS* p : {&windowed_, &fullScreen_}) {
        p->SwapEffect = D3DSWAPEFFECT_DISCARD;
        p->MultiSampleType = D3DMULTISAMPLE_NONE;
        p->MultiSampleQuality = 0;
        p->EnableAutoDepthStencil = 0;
        p->Flags = 0;
        p->FullScreen_RefreshRateInHz = 0;
        p->PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    }
    windowed_.Windowed = TRUE;
    fullScreen_.Windowed = FALSE;
}

void CUSDXPPManager::SetDeviceWindow(HWND window) { windowed_.hDeviceWindow = fullScreen_.hDeviceWindow = window; }
void CUSDXPPManager::SetFlags(DWORD flags) { windowed_.Flags = fullScreen_.Flags = flags; }
void CUSDXPPManager::SetSize(UINT width, UINT height, UINT count) { Setup(width, height, width, height, count, count); }

void CUSDXPPManager::Setup(UINT width, UINT height, UINT fullWidth, UINT fullHeight, UINT windowedCount,
                           UINT fullCount) {
    windowed_.BackBufferWidth = width;
    windowed_.BackBufferHeight = height;
    windowed_.BackBufferCount = windowedCount;
    fullScreen_.BackBufferCount = fullCount;
    const CUSDisplayModeInfo* mode = GetAdapterInfo().FindDisplayMode(fullWidth, fullHeight, fullScreen_.BackBufferFormat);
    if (mode) {
        mode->GetSize(&fullScreen_.BackBufferWidth, &fullScreen_.BackBufferHeight);
    } else {
        fullScreen_.BackBufferWidth = fullWidth;
        fullScreen_.BackBufferHeight = fullHeight;
    }
}

void CUSDXPPManager::SetAutoDepthStencil(D3DFORMAT format) {
    for (D3DPRESENT_PARAMETERS* p : {&windowed_, &fullScreen_}) {
        p->EnableAutoDepthStencil = 1;
        p->AutoDepthStencilFormat = format;
    }
}

void CUSDXPPManager::SetBackBufferFormats(D3DFORMAT windowedFormat, D3DFORMAT fullFormat) {
    windowed_.BackBufferFormat = windowedFormat;
    fullScreen_.BackBufferFormat = fullFormat;
}

void CUSDXPPManager::SetVSync(bool vsync) {
    DWORD interval = vsync ? D3DPRESENT_INTERVAL_DEFAULT : D3DPRESENT_INTERVAL_IMMEDIATE;
    windowed_.PresentationInterval = fullScreen_.PresentationInterval = interval;
}

const char* GetD3DFormatName(D3DFORMAT format) {
    switch (format) {
#define NAME(f) \
    case D3DFMT_##f: return #f;
        NAME(UNKNOWN) NAME(R8G8B8) NAME(A8R8G8B8) NAME(X8R8G8B8) NAME(R5G6B5) NAME(X1R5G5B5) NAME(A1R5G5B5)
        NAME(A4R4G4B4) NAME(R3G3B2) NAME(A8) NAME(A8R3G3B2) NAME(X4R4G4B4) NAME(A2B10G10R10) NAME(A8B8G8R8)
        NAME(X8B8G8R8) NAME(G16R16) NAME(A2R10G10B10) NAME(A16B16G16R16) NAME(A8P8) NAME(P8) NAME(L8) NAME(A8L8)
        NAME(A4L4) NAME(V8U8) NAME(L6V5U5) NAME(X8L8V8U8) NAME(Q8W8V8U8) NAME(V16U16) NAME(A2W10V10U10)
        NAME(UYVY) NAME(R8G8_B8G8) NAME(YUY2) NAME(G8R8_G8B8) NAME(DXT1) NAME(DXT2) NAME(DXT3) NAME(DXT4)
        NAME(DXT5) NAME(D16_LOCKABLE) NAME(D32) NAME(D15S1) NAME(D24S8) NAME(D24X8) NAME(D24X4S4) NAME(D16)
        NAME(L16) NAME(D32F_LOCKABLE) NAME(D24FS8) NAME(VERTEXDATA) NAME(INDEX16) NAME(INDEX32)
        NAME(Q16W16V16U16) NAME(R16F) NAME(G16R16F) NAME(A16B16G16R16F) NAME(R32F) NAME(G32R32F)
        NAME(A32B32G32R32F) NAME(CxV8U8)
#undef NAME
        default: return "";
    }
}
