// The snapshot's pixels, its render target and read-back, and its saved record.
#include "novel/state/SnapImage.h"

#include <d3dx9.h>

#include <algorithm>

#include "engine/device/AppDeviceInfo.h"
#include "engine/device/D3DDevice.h"
#include "novel/app/MainApp.h"
#include "novel/vm/SaveIO.h"

namespace {

D3DFORMAT OpaqueTargetFormat() { return CUSSingleton<CUSAppDeviceInfo>::GetInstance()->opaqueRenderTarget.GetFormat(); }

}  // namespace

void CSnapImage::SetSize(int32_t width, int32_t height) {
    FreePixels();
    width_ = width > 0 ? static_cast<uint32_t>(width) : 0;
    height_ = height > 0 ? static_cast<uint32_t>(height) : 0;
    pixels_.assign(static_cast<size_t>(width_) * height_ * 3, 0);
}

void CSnapImage::FreePixels() {
    pixels_.clear();
    pixels_.shrink_to_fit();
    width_ = height_ = 0;
}

void CSnapImage::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, width_);
    SaveIO::WriteU32(out, height_);
    out.Write(pixels_.data(), static_cast<uint32_t>(pixels_.size()));
    out.Write(&fromFile_, 1);
    SaveIO::WriteString(out, fileName_);
}

void CSnapImage::Load(USLib::binary_istream& in, uint32_t) {
    const uint32_t width = SaveIO::ReadU32(in);
    const uint32_t height = SaveIO::ReadU32(in);
    // The pixels must be in the record before anything is allocated for them.
    const uint64_t bytes = uint64_t{width} * height * 3;
    if (bytes > in.GetSize() - in.GetPosition()) throw USLib::stream_error("snapshot larger than its record");
    SetSize(static_cast<int32_t>(width), static_cast<int32_t>(height));
    SaveIO::ReadBytes(in, pixels_.data(), static_cast<uint32_t>(bytes));
    in.Read(&fromFile_, 1);
    fileName_ = SaveIO::ReadString(in);
    if (fromFile_) CreateImage(fileName_.c_str());
}

bool CSnapImage::CreateResources() {
    ReleaseResources();
    if (width_ == 0 || height_ == 0 || !GetD3DDevice()) return false;
    const D3DFORMAT format = OpaqueTargetFormat();
    if (!CreateTexture(&renderTarget_, format, width_, height_, 1)) return false;
    const D3DSURFACE_DESC& desc = GetTexture(renderTarget_)->GetLevelDesc();
    targetWidth_ = static_cast<float>(desc.Width);
    targetHeight_ = static_cast<float>(desc.Height);
    if (!CreateZBuffer(&depthBuffer_, desc.Width, desc.Height) ||
        !CreateSurface(&readbackSurface_, desc.Width, desc.Height, format)) {
        ReleaseResources();
        return false;
    }
    reader_ = CreatePixelOperator(format);
    return reader_ != nullptr;
}

void CSnapImage::ReleaseResources() {
    GetZBufferManager().Release(depthBuffer_);
    GetSurfaceManager().Release(readbackSurface_);
    GetSurfaceManager().Release(fileSurface_);
    GetTextureManager().Release(renderTarget_);
    reader_.reset();
}

void CSnapImage::BeginCapture() {
    IDirect3DDevice9* device = GetD3DDevice();
    CUSDefoTexture* target = GetTexture(renderTarget_);
    CUSZBuffer* depth = GetZBuffer(depthBuffer_);
    if (!device || !target || !depth) return;
    D3DXMATRIX projection;
    D3DXMatrixOrthoOffCenterLH(&projection, 0.0f, targetWidth_ * g_gameScreen.widthF / static_cast<float>(width_),
                               targetHeight_ * g_gameScreen.heightF / static_cast<float>(height_), 0.0f, 1.0f, 601.0f);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    target->SetAsRenderTarget(0);
    device->SetDepthStencilSurface(depth->GetD3DSurface());
}

bool CSnapImage::Capture() {
    CUSSurface* source = nullptr;
    if (!fromFile_) {
        CUSDefoTexture* target = GetTexture(renderTarget_);
        source = GetSurface(readbackSurface_);
        IDirect3DDevice9* device = GetD3DDevice();
        if (!target || !source || !device) return false;
        IDirect3DSurface9* level = nullptr;
        if (target->GetD3DTexture()->GetSurfaceLevel(0, &level) < 0) return false;
        const HRESULT copied = device->GetRenderTargetData(level, source->GetD3DSurface());
        level->Release();
        if (copied < 0) return false;
    } else {
        source = GetSurface(fileSurface_);
    }
    std::unique_ptr<IPixelOperator> fileReader;
    IPixelOperator* reader = reader_.get();
    if (fromFile_) {
        fileReader = CreatePixelOperator(OpaqueTargetFormat());
        reader = fileReader.get();
    }
    if (!source || !reader || pixels_.empty()) return false;
    // A picture file smaller than the snapshot fills only its own part.
    const uint32_t width = std::min<uint32_t>(width_, source->GetWidth());
    const uint32_t height = std::min<uint32_t>(height_, source->GetHeight());
    D3DLOCKED_RECT locked;
    if (source->LockRect(&locked) < 0) return false;
    reader->Attach(static_cast<uint8_t*>(locked.pBits), static_cast<uint32_t>(locked.Pitch));
    reader->SetRect(0, 0, width, height);
    reader->Begin();
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = &pixels_[static_cast<size_t>(y) * width_ * 3];
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t a;
            reader->ReadPixel(&row[x * 3], &row[x * 3 + 1], &row[x * 3 + 2], &a);
        }
        reader->NextRow();
    }
    source->Unlock();
    return true;
}

void CSnapImage::CreateImage(const char* name) {
    SurfaceHandle surface;
    if (!CreateSurfaceFromFile(&surface, name, OpaqueTargetFormat())) return;
    fromFile_ = 1;
    fileName_ = name;
    GetSurfaceManager().Release(fileSurface_);
    fileSurface_ = surface;
}
