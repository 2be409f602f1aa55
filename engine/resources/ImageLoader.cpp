// Image buffers and the D3DX image loader.
#include "engine/resources/ImageLoader.h"

#include "engine/device/D3DDevice.h"
#include "engine/files/USFile.h"

void CUSImageBuffer::Clear() {
    data = nullptr;
    size = 0;
}

bool CUSImageBuffer::LoadFile(const char* name) {
    Clear();
    CUSFile file;
    if (!file.LoadShared(name)) return false;
    data = file.data;
    size = file.size;
    if (D3DXGetImageInfoFromFileInMemory(data, size, &info) < 0) {
        Clear();
        return false;
    }
    return true;
}

CImageLoaderD3DX::CImageLoaderD3DX(const char* fileName, D3DFORMAT format) {
    SetFileName(fileName);
    SetFormat(format);
}

HRESULT CImageLoaderD3DX::LoadImageData() {
    if (imageLoaded_) return S_OK;
    if (!image_.LoadFile(fileName_.c_str())) return E_FAIL;
    imageLoaded_ = 1;
    return S_OK;
}

void CImageLoaderD3DX::ReleaseImageData() {
    image_.Clear();
    imageLoaded_ = 0;
}

HRESULT CImageLoaderD3DX::LoadTexture(IDirect3DTexture9** out) {
    HRESULT hr = LoadImageData();
    if (hr < 0) return hr;
    hr = D3DXCreateTextureFromFileInMemoryEx(GetD3DDevice(), image_.data, image_.size, width_, height_, mipLevels_, 0,
                                             format_, pool_, filter_, mipFilter_, 0, &image_.info, nullptr, out);
    ReleaseImageData();
    return hr < 0 ? hr : S_OK;
}
