// The game's video renderer: keeps DirectShow's newest frame and copies it into the movie texture.
#include "engine/movie/USGrabTextureRender.h"

#include <d3d9.h>

#include <algorithm>
#include <cstdlib>

#include "engine/movie/MovieFrameCopy.h"
#include "engine/resources/Texture.h"

namespace {
// Any fixed identifier of our own.
const CLSID CLSID_USGrabTextureRender = {0x6b1f0c52, 0x3d7a, 0x4e21, {0x9a, 0x55, 0x21, 0x7c, 0x84, 0x0e, 0x5b, 0x13}};
}  // namespace

CUSGrabTextureRender::CUSGrabTextureRender(HRESULT* result)
    : CBaseVideoRenderer(CLSID_USGrabTextureRender, nullptr, nullptr, result) {}

CUSGrabTextureRender::~CUSGrabTextureRender() {
    if (latestSample_) latestSample_->Release();
}

HRESULT CUSGrabTextureRender::CheckMediaType(const CMediaType* type) {
    if (*type->FormatType() != FORMAT_VideoInfo) return E_INVALIDARG;
    if (*type->Type() == MEDIATYPE_Video && *type->Subtype() == MEDIASUBTYPE_RGB24) return S_OK;
    return E_FAIL;
}

HRESULT CUSGrabTextureRender::SetMediaType(const CMediaType* type) {
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->Format());
    videoWidth_ = info->bmiHeader.biWidth;
    videoHeight_ = std::abs(info->bmiHeader.biHeight);
    sourcePitch_ = static_cast<std::uint32_t>(3 * videoWidth_ + 3) & ~3u;
    return S_OK;
}

HRESULT CUSGrabTextureRender::DoRenderSample(IMediaSample* sample) {
    CAutoLock lock(&lock_);
    // Held until a newer frame replaces it, so the main thread never reads a freed buffer.
    sample->AddRef();
    if (latestSample_) latestSample_->Release();
    latestSample_ = sample;
    changed_ = 1;
    return S_OK;
}

void CUSGrabTextureRender::SetTexture(Handle<_tagUSTexture> texture) {
    CAutoLock lock(&lock_);
    texture_ = texture;
    CUSDefoTexture* target = GetTexture(texture);
    format_ = target ? target->GetLevelDesc().Format : D3DFMT_UNKNOWN;
}

void CUSGrabTextureRender::UpdateTexture() {
    CAutoLock lock(&lock_);
    CopyToTexture(latestSample_);
}

void CUSGrabTextureRender::CopyToTexture(IMediaSample* sample) {
    if (!sample || changed_ != 1) return;
    CUSDefoTexture* target = GetTexture(texture_);
    IDirect3DTexture9* texture = target ? target->GetD3DTexture() : nullptr;
    if (!texture) return;
    const D3DSURFACE_DESC& desc = target->GetLevelDesc();
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) return;
    BYTE* pixels = nullptr;
    sample->GetPointer(&pixels);
    // Never more than the texture holds, nor more rows than the sample carries.
    int rows = sourcePitch_ ? static_cast<int>(sample->GetSize() / sourcePitch_) : 0;
    MovieFrame frame{pixels, sourcePitch_, std::min(videoWidth_, static_cast<int>(desc.Width)),
                     std::min({videoHeight_, static_cast<int>(desc.Height), rows})};
    auto* dest = static_cast<std::uint8_t*>(locked.pBits);
    if (format_ == D3DFMT_A8R8G8B8)
        CopyFrameTo32(frame, dest, locked.Pitch);
    else
        CopyFrameTo16(frame, dest, locked.Pitch);
    texture->UnlockRect(0);
    changed_ = 0;
}
