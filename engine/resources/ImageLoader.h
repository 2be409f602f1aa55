// An image file's bytes with their D3DX image information, and the image loaders that turn an image
// file into a Direct3D texture with fixed load settings (and can do it again after a device reset).
#pragma once
#include <d3dx9.h>

#include <string>

class CUSImageBuffer {
public:
    virtual ~CUSImageBuffer() = default;
    virtual void Clear();
    // Reads the file through the shared load and its image information; false when either fails.
    // The bytes stay valid only until the next shared load.
    bool LoadFile(const char* name);

    const unsigned char* data = nullptr;
    UINT size = 0;
    D3DXIMAGE_INFO info{};
};

class CDefoImageLoader {
public:
    virtual ~CDefoImageLoader() = default;
    virtual void SetFileName(const char* name) { fileName_ = name ? name : ""; }
    virtual void SetFormat(D3DFORMAT format) { format_ = format; }
    virtual void SetPool(D3DPOOL pool) { pool_ = pool; }
    virtual void SetFilter(DWORD filter) { filter_ = filter; }
    virtual void SetMipFilter(DWORD filter) { mipFilter_ = filter; }
    virtual void SetMipLevels(UINT levels) { mipLevels_ = levels; }
    virtual void SetSize(UINT width, UINT height) {
        width_ = width;
        height_ = height;
    }
    virtual HRESULT LoadTexture(IDirect3DTexture9** out) = 0;
    virtual const char* GetFileName() const { return fileName_.c_str(); }
    virtual D3DFORMAT GetFormat() const { return format_; }
    virtual const D3DXIMAGE_INFO* GetImageInfo() const = 0;

protected:
    std::string fileName_;
    D3DPOOL pool_ = D3DPOOL_MANAGED;
    D3DFORMAT format_ = D3DFMT_UNKNOWN;
    DWORD filter_ = D3DX_FILTER_NONE;
    DWORD mipFilter_ = D3DX_FILTER_NONE;
    UINT mipLevels_ = 1;
    UINT width_ = 0;
    UINT height_ = 0;
};

class CImageLoaderD3DX : public CDefoImageLoader {
public:
    CImageLoaderD3DX(const char* fileName, D3DFORMAT format);
    ~CImageLoaderD3DX() override { image_.Clear(); }
    // Reads the file again and creates the texture from it; E_FAIL when the file is missing or bad
    // (out untouched).
    HRESULT LoadTexture(IDirect3DTexture9** out) override;
    const D3DXIMAGE_INFO* GetImageInfo() const override { return &image_.info; }
    virtual HRESULT LoadImageData();
    virtual void ReleaseImageData();

private:
    CUSImageBuffer image_;
    UINT imageLoaded_ = 0;
};
