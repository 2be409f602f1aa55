// Textures and surfaces from image files in memory: PNG, JPEG, BMP and TGA decoded by stb_image (the rows
// of 8-bit RGB and RGBA PNG files that are not interlaced unfiltered by our own code, straight into an
// A8R8G8B8 texture that takes them as they are), sized as D3DX sizes them (powers of two by default) and
// converted into the destination format.
#include <d3dx9.h>
#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "formats.h"
#include "pixelmemory.h"
#include "png.h"

namespace {

struct Image {
    UINT width = 0, height = 0;
    d3d9::PixelBuffer<DWORD> argb;  // row after row, in the decoder's own buffer
};

// The most pixels an image may have: that of the largest texture the device makes (4096 x 4096).
constexpr std::uint64_t kMaxPixels = 4096ull * 4096;

// The file type by its first bytes; the decoder takes a file that is none of the others for TGA.
D3DXIMAGE_FILEFORMAT FileFormatOf(const stbi_uc* bytes) {
    if (bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' && bytes[3] == 'G') return D3DXIFF_PNG;
    if (bytes[0] == 0xFF && bytes[1] == 0xD8) return D3DXIFF_JPG;
    if (bytes[0] == 'B' && bytes[1] == 'M') return D3DXIFF_BMP;
    return D3DXIFF_TGA;
}

std::uint64_t Le(const stbi_uc* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

std::uint64_t Be(const stbi_uc* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
    return v;
}

// True when the file can hold the w x h pixels its header declares. The decoder reads missing bytes
// as 0, so a header of a few bytes could otherwise have it make and fill an image of hundreds of
// megabytes. Uncompressed BMP and TGA need every pixel's bytes, run-length TGA at least one packet (a
// count byte and one pixel) per 128 pixels; no image has more than kMaxPixels. Every PNG chunk up to
// the closing one must fit in the file: the decoder grows its buffer to a chunk's stated length
// before it reads the chunk.
bool HoldsItsPixels(const stbi_uc* bytes, UINT size, std::uint64_t w, std::uint64_t h) {
    const std::uint64_t pixels = w * h;
    if (pixels > kMaxPixels) return false;
    switch (FileFormatOf(bytes)) {
        case D3DXIFF_PNG: {
            for (std::uint64_t at = 8; at + 8 <= size;) {
                if (std::memcmp(bytes + at + 4, "IEND", 4) == 0) return true;
                const std::uint64_t length = Be(bytes + at, 4);
                if (length > size - at - 8) return false;
                at += 12 + length;  // length, type, data and check sum
            }
            return false;  // no closing chunk: the decoder would read past the end
        }
        case D3DXIFF_BMP: {
            if (size < 30) return false;
            const bool core = Le(bytes + 14, 4) == 12;  // the old header: 16-bit sizes, no compression
            const std::uint64_t bits = Le(bytes + (core ? 24 : 28), 2);
            const std::uint64_t compression = core || size < 34 ? 0 : Le(bytes + 30, 4);
            if (compression != 0 && compression != 3) return true;  // the decoder refuses the others itself
            return Le(bytes + 10, 4) + (w * bits + 31) / 32 * 4 * h <= size;
        }
        case D3DXIFF_TGA: {
            if (size < 18) return false;
            const std::uint64_t pixelBytes = (bytes[16] + 7u) / 8;
            const std::uint64_t header = 18 + bytes[0] + Le(bytes + 5, 2) * ((bytes[7] + 7u) / 8);
            const std::uint64_t data = bytes[2] & 8 ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
            return header + data <= size;
        }
        default: return true;  // compressed: the pixel limit bounds them
    }
}

// The position after the next marker from at on (0xFF, any 0xFF fill bytes, the marker byte), or
// size when none follows. Bytes before the 0xFF are passed over, as the decoder does while it looks
// for the frame header.
std::uint64_t NextMarker(const stbi_uc* bytes, std::uint64_t size, std::uint64_t at) {
    while (at < size && bytes[at] != 0xFF) ++at;
    while (at < size && bytes[at] == 0xFF) ++at;
    return at < size ? at + 1 : size;
}

// False for a JPEG with a Huffman table of more than 256 codes: the decoder writes every code of a
// table into arrays of 256 without a check, so such a file would overwrite its memory. The decoder
// takes any file that opens with 0xFF fill bytes and the start-of-image marker for a JPEG, so every
// such file's segments are walked, across the scans' coded data, to the end of the image.
bool JpegTablesFit(const stbi_uc* bytes, std::uint64_t size) {
    if (bytes[0] != 0xFF) return true;
    std::uint64_t at = NextMarker(bytes, size, 0);
    if (at >= size || bytes[at - 1] != 0xD8) return true;
    while ((at = NextMarker(bytes, size, at)) < size) {
        const stbi_uc marker = bytes[at - 1];
        if (marker == 0xD9) return true;                                     // end of image
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;  // no length
        if (at + 2 > size) return true;
        const std::uint64_t end = at + Be(bytes + at, 2);
        if (marker == 0xC4) {
            // The decoder reads bytes past the end of the file as 0, so a table cut short counts them so.
            for (std::uint64_t t = at + 2; t < std::min(end, size);) {
                std::uint64_t codes = 0;
                for (std::uint64_t i = t + 1; i <= t + 16 && i < size; ++i) codes += bytes[i];
                if (codes > 256) return false;
                t += 17 + codes;
            }
        }
        at = end;
        if (marker == 0xDA) {
            // Coded data up to the next marker. As the decoder reads it, 0xFF fill bytes after an 0xFF are
            // passed over; a 0 then makes the 0xFF a data byte, 0xD0-0xD7 a restart, anything else a marker.
            while (at < size) {
                if (bytes[at] != 0xFF) {
                    ++at;
                    continue;
                }
                std::uint64_t next = at + 1;
                while (next < size && bytes[next] == 0xFF) ++next;
                if (next >= size || (bytes[next] != 0 && (bytes[next] < 0xD0 || bytes[next] > 0xD7))) break;
                at = next + 1;
            }
        }
    }
    return true;
}

bool ReadInfo(const void* data, UINT size, D3DXIMAGE_INFO& info) {
    if (!data || size < 4 || size > 0x7FFFFFFF) return false;
    auto* bytes = static_cast<const stbi_uc*>(data);
    if (!JpegTablesFit(bytes, size)) return false;
    int w, h, comp;
    if (!stbi_info_from_memory(bytes, int(size), &w, &h, &comp) || w <= 0 || h <= 0) return false;
    const D3DXIMAGE_FILEFORMAT type = FileFormatOf(bytes);
    D3DFORMAT format = D3DFMT_X8R8G8B8;
    if (comp == 4)
        format = D3DFMT_A8R8G8B8;
    else if (comp == 2)
        format = D3DFMT_A8L8;
    else if (comp == 1)
        format = D3DFMT_L8;
    else if (type == D3DXIFF_BMP || type == D3DXIFF_TGA)
        format = D3DFMT_R8G8B8;
    info = D3DXIMAGE_INFO{UINT(w), UINT(h), 1, 1, format, D3DRTYPE_TEXTURE, type};
    return true;
}

// Reads a file that ReadInfo accepted (its Huffman tables are checked there): a plain PNG file as far as
// its filtered rows into png (image left empty), any other file decoded into image.
bool Read(const void* data, UINT size, d3dx9::PlainPng& png, Image& image) {
    int w, h, comp;
    const auto* bytes = static_cast<const stbi_uc*>(data);
    if (!stbi_info_from_memory(bytes, int(size), &w, &h, &comp) || !HoldsItsPixels(bytes, size, UINT(w), UINT(h)))
        return false;
    if (FileFormatOf(bytes) == D3DXIFF_PNG && png.Read(bytes, size)) return true;
    stbi_uc* px = stbi_load_from_memory(bytes, int(size), &w, &h, &comp, 4);
    if (!px) return false;
    image.width = UINT(w);
    image.height = UINT(h);
    // R, G, B, A bytes become A8R8G8B8 values in the same buffer.
    auto* argb = reinterpret_cast<DWORD*>(px);
    for (size_t i = 0, n = size_t(w) * size_t(h); i < n; ++i) {
        const stbi_uc* p = px + i * 4;
        argb[i] = DWORD(p[3]) << 24 | DWORD(p[0]) << 16 | DWORD(p[1]) << 8 | p[2];
    }
    image.argb.reset(argb);
    return true;
}

// The plain PNG file's pixels as an image.
bool Unfiltered(const d3dx9::PlainPng& png, Image& image) {
    image.argb = d3d9::MakePixels<DWORD>(size_t(png.Width()) * png.Height());
    if (!image.argb) return false;
    image.width = png.Width();
    image.height = png.Height();
    png.Unfilter(reinterpret_cast<BYTE*>(image.argb.get()), size_t(png.Width()) * 4);
    return true;
}

// Decodes a file that ReadInfo accepted.
bool Decode(const void* data, UINT size, Image& image) {
    d3dx9::PlainPng png;
    return Read(data, size, png, image) && (image.argb || Unfiltered(png, image));
}

UINT NextPow2(UINT v) {
    UINT p = 1;
    while (p < v) p <<= 1;
    return p;
}

UINT SizeFor(UINT asked, UINT fromFile) {
    if (asked == 0 || asked == D3DX_DEFAULT) return NextPow2(fromFile);
    if (asked == D3DX_DEFAULT_NONPOW2 || asked == D3DX_FROM_FILE) return fromFile;
    return asked;
}

// The image resampled to w x h: point or bilinear, over texel centres.
DWORD Sample(const Image& img, float fx, float fy, bool linear) {
    if (!linear) {
        UINT x = std::min(img.width - 1, UINT(std::max(0.f, fx)));
        UINT y = std::min(img.height - 1, UINT(std::max(0.f, fy)));
        return img.argb[size_t(y) * img.width + x];
    }
    fx -= 0.5f;
    fy -= 0.5f;
    int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    float ax = fx - float(x0), ay = fy - float(y0);
    auto at = [&](int x, int y) {
        x = std::clamp(x, 0, int(img.width) - 1);
        y = std::clamp(y, 0, int(img.height) - 1);
        return img.argb[size_t(y) * img.width + size_t(x)];
    };
    DWORD c00 = at(x0, y0), c10 = at(x0 + 1, y0), c01 = at(x0, y0 + 1), c11 = at(x0 + 1, y0 + 1);
    DWORD out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        float top = float((c00 >> shift) & 255) * (1 - ax) + float((c10 >> shift) & 255) * ax;
        float bottom = float((c01 >> shift) & 255) * (1 - ax) + float((c11 >> shift) & 255) * ax;
        out |= DWORD(top * (1 - ay) + bottom * ay + 0.5f) << shift;
    }
    return out;
}

// Whether an image of imageW x imageH pixels is scaled to fill a rectangle of w x h pixels.
bool Scaled(UINT imageW, UINT imageH, UINT w, UINT h, DWORD filter) {
    return (filter & 0xFF) != D3DX_FILTER_NONE && (imageW != w || imageH != h);
}

// Whether the image's pixels go into the rectangle as they are: not scaled, no colour key, A8R8G8B8.
bool AsItIs(UINT imageW, UINT imageH, D3DFORMAT format, UINT w, UINT h, DWORD filter, D3DCOLOR key) {
    return !Scaled(imageW, imageH, w, h, filter) && !key && format == D3DFMT_A8R8G8B8;
}

// Writes the image into a locked rectangle of w x h pixels in the given format: with FILTER_NONE
// the image sits at the top-left and is clipped (the rest is left as it is), otherwise it is scaled
// to fill the rectangle.
void Blit(const Image& img, BYTE* bits, INT pitch, D3DFORMAT format, UINT w, UINT h, DWORD filter, D3DCOLOR key) {
    const d3d9::FormatInfo* f = d3d9::FindFormat(format);
    UINT bpp = f ? f->bytes : 4;
    DWORD kind = filter & 0xFF;
    bool scale = Scaled(img.width, img.height, w, h, filter);
    UINT cw = scale ? w : std::min(w, img.width), ch = scale ? h : std::min(h, img.height);
    if (AsItIs(img.width, img.height, format, w, h, filter, key)) {
        for (UINT y = 0; y < ch; ++y)
            std::memcpy(bits + size_t(y) * pitch, &img.argb[size_t(y) * img.width], size_t(cw) * 4);
        return;
    }
    for (UINT y = 0; y < ch; ++y) {
        BYTE* row = bits + size_t(y) * pitch;
        for (UINT x = 0; x < cw; ++x) {
            DWORD c = scale ? Sample(img, (float(x) + 0.5f) * float(img.width) / float(w),
                                     (float(y) + 0.5f) * float(img.height) / float(h), kind != D3DX_FILTER_POINT)
                            : img.argb[size_t(y) * img.width + x];
            if (key && c == key) c = 0;
            d3d9::WritePixel(format, row + size_t(x) * bpp, c);
        }
    }
}

// Fills level i of a texture from level i-1 by averaging 2x2 blocks.
void FillMipLevel(IDirect3DTexture9* tex, UINT level) {
    D3DSURFACE_DESC src, dst;
    tex->GetLevelDesc(level - 1, &src);
    tex->GetLevelDesc(level, &dst);
    D3DLOCKED_RECT ls, ld;
    if (FAILED(tex->LockRect(level - 1, &ls, nullptr, D3DLOCK_READONLY))) return;
    if (FAILED(tex->LockRect(level, &ld, nullptr, 0))) {
        tex->UnlockRect(level - 1);
        return;
    }
    UINT bpp = d3d9::FindFormat(src.Format)->bytes;
    auto read = [&](UINT x, UINT y) {
        x = std::min(x, src.Width - 1);
        y = std::min(y, src.Height - 1);
        return d3d9::ReadPixel(src.Format, static_cast<BYTE*>(ls.pBits) + size_t(y) * ls.Pitch + size_t(x) * bpp);
    };
    for (UINT y = 0; y < dst.Height; ++y)
        for (UINT x = 0; x < dst.Width; ++x) {
            DWORD c[4] = {read(2 * x, 2 * y), read(2 * x + 1, 2 * y), read(2 * x, 2 * y + 1),
                          read(2 * x + 1, 2 * y + 1)};
            DWORD out = 0;
            for (int s = 0; s < 32; s += 8)
                out |= ((((c[0] >> s) & 255) + ((c[1] >> s) & 255) + ((c[2] >> s) & 255) + ((c[3] >> s) & 255) + 2) / 4)
                       << s;
            d3d9::WritePixel(dst.Format, static_cast<BYTE*>(ld.pBits) + size_t(y) * ld.Pitch + size_t(x) * bpp, out);
        }
    tex->UnlockRect(level);
    tex->UnlockRect(level - 1);
}

}  // namespace

HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    if (width == 0 || width == D3DX_DEFAULT) width = 256;
    if (height == 0 || height == D3DX_DEFAULT) height = 256;
    if (format == D3DFMT_UNKNOWN || DWORD(format) == D3DX_DEFAULT) format = D3DFMT_A8R8G8B8;
    if (mipLevels == D3DX_DEFAULT) mipLevels = 0;
    return device->CreateTexture(width, height, mipLevels, usage, format, pool, texture, nullptr);
}

HRESULT D3DXGetImageInfoFromFileInMemory(const void* data, UINT size, D3DXIMAGE_INFO* info) {
    D3DXIMAGE_INFO read;
    if (!ReadInfo(data, size, read)) return D3DXERR_INVALIDDATA;
    if (info) *info = read;
    return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* device, const void* data, UINT size,
                                          IDirect3DTexture9** texture) {
    return D3DXCreateTextureFromFileInMemoryEx(device, data, size, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                               D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr,
                                               nullptr, texture);
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, const void* data, UINT size, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            DWORD filter, DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                            PALETTEENTRY*, IDirect3DTexture9** texture) {
    if (!device || !texture) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    D3DXIMAGE_INFO info;
    d3dx9::PlainPng png;
    Image img;
    if (!ReadInfo(data, size, info) || !Read(data, size, png, img)) return D3DXERR_INVALIDDATA;
    if (format == D3DFMT_UNKNOWN || DWORD(format) == D3DX_DEFAULT || format == D3DFMT_FROM_FILE)
        format = info.Format == D3DFMT_R8G8B8 ? D3DFMT_X8R8G8B8 : info.Format;
    if (filter == D3DX_DEFAULT) filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
    if (mipLevels == D3DX_DEFAULT || mipLevels == D3DX_FROM_FILE) mipLevels = 0;
    IDirect3DTexture9* tex = nullptr;
    HRESULT hr = device->CreateTexture(SizeFor(width, info.Width), SizeFor(height, info.Height), mipLevels, usage,
                                       format, pool, &tex, nullptr);
    if (FAILED(hr)) return hr;
    D3DSURFACE_DESC desc;
    tex->GetLevelDesc(0, &desc);
    D3DLOCKED_RECT lr;
    if (FAILED(tex->LockRect(0, &lr, nullptr, 0))) {
        tex->Release();
        return D3DERR_INVALIDCALL;
    }
    // A plain PNG file whose pixels go in as they are is unfiltered straight into the texture.
    if (!img.argb && AsItIs(png.Width(), png.Height(), format, desc.Width, desc.Height, filter, colorKey) &&
        desc.Width >= png.Width() && desc.Height >= png.Height()) {
        png.Unfilter(static_cast<BYTE*>(lr.pBits), size_t(lr.Pitch));
    } else if (img.argb || Unfiltered(png, img)) {
        Blit(img, static_cast<BYTE*>(lr.pBits), lr.Pitch, format, desc.Width, desc.Height, filter, colorKey);
    } else {
        tex->UnlockRect(0);
        tex->Release();
        return E_OUTOFMEMORY;
    }
    tex->UnlockRect(0);
    if ((mipFilter & 0xFF) != D3DX_FILTER_NONE)
        for (UINT level = 1; level < tex->GetLevelCount(); ++level) FillMipLevel(tex, level);
    if (srcInfo) *srcInfo = info;
    *texture = tex;
    return D3D_OK;
}

HRESULT D3DXLoadSurfaceFromFileInMemory(IDirect3DSurface9* surface, const PALETTEENTRY*, const RECT* destRect,
                                        const void* data, UINT size, const RECT* srcRect, DWORD filter,
                                        D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo) {
    if (!surface) return D3DERR_INVALIDCALL;
    D3DXIMAGE_INFO info;
    Image img;
    if (!ReadInfo(data, size, info) || !Decode(data, size, img)) return D3DXERR_INVALIDDATA;
    if (srcRect) {
        if (srcRect->left < 0 || srcRect->top < 0 || srcRect->right > LONG(img.width) ||
            srcRect->bottom > LONG(img.height) || srcRect->left >= srcRect->right || srcRect->top >= srcRect->bottom)
            return D3DERR_INVALIDCALL;
        Image part;
        part.width = UINT(srcRect->right - srcRect->left);
        part.height = UINT(srcRect->bottom - srcRect->top);
        part.argb = d3d9::MakePixels<DWORD>(size_t(part.width) * part.height);
        if (!part.argb) return E_OUTOFMEMORY;
        for (UINT y = 0; y < part.height; ++y)
            std::memcpy(&part.argb[size_t(y) * part.width],
                        &img.argb[size_t(y + UINT(srcRect->top)) * img.width + UINT(srcRect->left)],
                        size_t(part.width) * 4);
        img = std::move(part);
    }
    D3DSURFACE_DESC desc;
    surface->GetDesc(&desc);
    if (!d3d9::FindFormat(desc.Format) || d3d9::FindFormat(desc.Format)->depth) return D3DERR_INVALIDCALL;
    D3DLOCKED_RECT lr;
    if (FAILED(surface->LockRect(&lr, destRect, 0))) return D3DERR_INVALIDCALL;
    UINT w = destRect ? UINT(destRect->right - destRect->left) : desc.Width;
    UINT h = destRect ? UINT(destRect->bottom - destRect->top) : desc.Height;
    if (filter == D3DX_DEFAULT) filter = D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER;
    Blit(img, static_cast<BYTE*>(lr.pBits), lr.Pitch, desc.Format, w, h, filter, colorKey);
    surface->UnlockRect();
    if (srcInfo) *srcInfo = info;
    return D3D_OK;
}
