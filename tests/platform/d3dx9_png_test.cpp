// PNG files through D3DX: every kind of file (colour types, bit depths, palettes, transparency,
// interlacing, every row filter, split and cut data) gives the same pixels, or fails, as stb_image's
// own decoding of it does.
#include <d3dx9.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestDevice.h"
#include "support/fixture_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}

void Chunk(Bytes& png, const char* type, const Bytes& data) {
    Put32(png, std::uint32_t(data.size()));
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    Put32(png, 0);  // check sum: neither decoder reads it
}

// A zlib stream of stored blocks holding data, with its Adler-32.
Bytes Stored(const Bytes& data) {
    Bytes z = {0x78, 0x01};
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(data.size() - at, 65535);
        z.push_back(at + n == data.size() ? 1 : 0);
        z.insert(z.end(), {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(~n), std::uint8_t(~n >> 8)});
        z.insert(z.end(), data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + n));
        at += n;
    } while (at < data.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    Put32(z, b << 16 | a);
    return z;
}

struct Image {
    std::uint32_t width = 5, height = 4;
    int depth = 8, colour = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
    bool interlaced = false;
    std::uint8_t firstFilter = 0;  // rows take the filters in turn from this one
    bool oneFilter = false;        // or all take that one
};

int Channels(int colour) { return colour == 2 ? 3 : colour == 4 ? 2 : colour == 6 ? 4 : 1; }

// The inflated image data of img: each row (of each interlace pass) a filter byte and random bytes.
Bytes Rows(const Image& img, std::mt19937& random) {
    struct Pass {
        std::uint32_t x0, y0, dx, dy;
    };
    const std::vector<Pass> passes = img.interlaced
                                         ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                                             {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
                                         : std::vector<Pass>{{0, 0, 1, 1}};
    Bytes rows;
    std::uint8_t filter = img.firstFilter;
    for (const Pass& p : passes) {
        const std::uint32_t w = img.width > p.x0 ? (img.width - p.x0 + p.dx - 1) / p.dx : 0;
        const std::uint32_t h = img.height > p.y0 ? (img.height - p.y0 + p.dy - 1) / p.dy : 0;
        if (w == 0) continue;
        const std::size_t rowBytes = (std::size_t(w) * Channels(img.colour) * img.depth + 7) / 8;
        for (std::uint32_t y = 0; y < h; ++y) {
            // Palette indices stay within the palette's 16 entries: unfiltered, and below 16.
            const bool indices = img.colour == 3;
            rows.push_back(indices ? 0 : filter);
            if (!img.oneFilter) filter = std::uint8_t((filter + 1) % 5);
            for (std::size_t i = 0; i < rowBytes; ++i) rows.push_back(std::uint8_t(random() & (indices ? 0x0F : 0xFF)));
        }
    }
    return rows;
}

struct Extra {
    Bytes beforeData;       // chunks between the header and the image data
    std::size_t split = 0;  // the image data in chunks of this many bytes (0: one chunk)
    Bytes betweenData;      // a chunk put between those chunks
    bool closed = true;     // ends with IEND
};

Bytes Png(const Image& img, const Bytes& zlibData, const Extra& extra = {}) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    Put32(header, img.width);
    Put32(header, img.height);
    header.insert(header.end(),
                  {std::uint8_t(img.depth), std::uint8_t(img.colour), 0, 0, std::uint8_t(img.interlaced)});
    Chunk(png, "IHDR", header);
    png.insert(png.end(), extra.beforeData.begin(), extra.beforeData.end());
    const std::size_t step = extra.split ? extra.split : zlibData.size();
    for (std::size_t at = 0; at < zlibData.size(); at += step) {
        if (at > 0) png.insert(png.end(), extra.betweenData.begin(), extra.betweenData.end());
        const std::size_t n = std::min(step, zlibData.size() - at);
        Chunk(png, "IDAT", Bytes(zlibData.begin() + std::ptrdiff_t(at), zlibData.begin() + std::ptrdiff_t(at + n)));
    }
    if (extra.closed) Chunk(png, "IEND", {});
    return png;
}

Bytes ChunkBytes(const char* type, const Bytes& data) {
    Bytes out;
    Chunk(out, type, data);
    return out;
}

std::vector<DWORD> Locked(const D3DLOCKED_RECT& lr, UINT width, UINT height) {
    std::vector<DWORD> pixels;
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            pixels.push_back(reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch)[x]);
    return pixels;
}

// The file's pixels as A8R8G8B8 through D3DX, from the top left of a texture rounded up to powers of
// two, or nothing when it refuses the file.
std::vector<DWORD> AsTexture(IDirect3DDevice9* device, const Bytes& file, bool& loaded) {
    IDirect3DTexture9* tex = nullptr;
    D3DXIMAGE_INFO info{};
    loaded = SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(device, file.data(), UINT(file.size()), 0, 0, 1, 0,
                                                           D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                                           D3DX_FILTER_NONE, 0, &info, nullptr, &tex));
    if (!loaded) return {};
    D3DLOCKED_RECT lr;
    EXPECT_EQ(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<DWORD> pixels = Locked(lr, info.Width, info.Height);
    tex->UnlockRect(0);
    tex->Release();
    return pixels;
}

// The same through a surface of the image's size (the decoded image copied in).
std::vector<DWORD> AsSurface(IDirect3DDevice9* device, const Bytes& file, bool& loaded) {
    D3DXIMAGE_INFO info{};
    loaded = false;
    if (FAILED(D3DXGetImageInfoFromFileInMemory(file.data(), UINT(file.size()), &info))) return {};
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(
        device->CreateOffscreenPlainSurface(info.Width, info.Height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &s, nullptr),
        D3D_OK);
    loaded = SUCCEEDED(D3DXLoadSurfaceFromFileInMemory(s, nullptr, nullptr, file.data(), UINT(file.size()), nullptr,
                                                       D3DX_FILTER_NONE, 0, nullptr));
    std::vector<DWORD> pixels;
    D3DLOCKED_RECT lr;
    if (loaded && s->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK) {
        pixels = Locked(lr, info.Width, info.Height);
        s->UnlockRect();
    }
    s->Release();
    return pixels;
}

// The file's pixels as stb_image decodes them into RGBA, as A8R8G8B8.
std::vector<DWORD> ThroughStb(const Bytes& file, bool& loaded) {
    int w = 0, h = 0, n = 0;
    stbi_uc* rgba = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 4);
    loaded = rgba != nullptr;
    std::vector<DWORD> pixels;
    for (int i = 0; loaded && i < w * h; ++i) {
        const stbi_uc* p = rgba + 4 * i;
        pixels.push_back(DWORD(p[3]) << 24 | DWORD(p[0]) << 16 | DWORD(p[1]) << 8 | p[2]);
    }
    stbi_image_free(rgba);
    return pixels;
}

struct Case {
    std::string what;
    Bytes file;
    bool loads;
};

void ExpectSameAsStb(const std::vector<Case>& cases) {
    TestDevice dev;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bool texture = false, surface = false, stb = false;
        const std::vector<DWORD> want = ThroughStb(c.file, stb);
        EXPECT_EQ(stb, c.loads);
        EXPECT_EQ(AsTexture(dev.device, c.file, texture), want);
        EXPECT_EQ(texture, c.loads);
        EXPECT_EQ(AsSurface(dev.device, c.file, surface), want);
        EXPECT_EQ(surface, c.loads);
    }
}

TEST(D3DXPng, EveryKindOfImageDecodesAsStbImageDecodesIt) {
    std::mt19937 random(7);
    std::vector<Case> cases;
    auto add = [&](const std::string& what, const Image& img) {
        cases.push_back({what, Png(img, Stored(Rows(img, random))), true});
    };
    // Every filter on the first row and after it, on widths that end a row on each byte of a pixel.
    for (int colour : {2, 6})
        for (std::uint32_t width : {1u, 2u, 3u, 37u})
            for (std::uint8_t first = 0; first < 5; ++first)
                add("colour " + std::to_string(colour) + ", width " + std::to_string(width) + ", first filter " +
                        std::to_string(first),
                    Image{width, 7, 8, colour, false, first});
    // Every row of one filter (rows that follow one another with the same filter, and an odd one out).
    for (int colour : {2, 6})
        for (std::uint32_t width : {1u, 37u})
            for (std::uint8_t filter = 0; filter < 5; ++filter)
                add("colour " + std::to_string(colour) + ", width " + std::to_string(width) + ", every row filter " +
                        std::to_string(filter),
                    Image{width, 7, 8, colour, false, filter, true});
    for (int colour : {0, 2, 4, 6}) add("16-bit, colour " + std::to_string(colour), Image{6, 5, 16, colour});
    for (int depth : {1, 2, 4, 8}) add(std::to_string(depth) + "-bit grey", Image{13, 3, depth, 0});
    add("grey and alpha", Image{9, 4, 8, 4});
    for (int colour : {2, 6}) add("interlaced, colour " + std::to_string(colour), Image{11, 10, 8, colour, true});
    ExpectSameAsStb(cases);
}

TEST(D3DXPng, ChunksAroundTheImageDataAreReadAsStbImageReadsThem) {
    std::mt19937 random(11);
    const Image rgb{17, 9, 8, 2}, rgba{17, 9, 8, 6}, palette{17, 9, 8, 3};
    const Bytes rgbData = Stored(Rows(rgb, random)), rgbaData = Stored(Rows(rgba, random));
    const Bytes text = ChunkBytes("tEXt", {'k', 0, 'v'});
    Bytes plte;
    for (int i = 0; i < 16 * 3; ++i) plte.push_back(std::uint8_t(i * 5));
    const Bytes palettedData = Stored(Rows(palette, random));
    Bytes badAdler = rgbData;
    badAdler.back() ^= 1;
    Bytes badFilter = Rows(rgb, random);
    badFilter[(1 + 17 * 3) * 4] = 5;  // the fifth row's filter byte
    Bytes longer = Rows(rgb, random);
    longer.insert(longer.end(), 10, 0);
    Bytes shorter = Rows(rgb, random);
    shorter.resize(shorter.size() - 1);
    Bytes badHeader = rgbData;
    badHeader[1] ^= 1;  // the stream header's check
    std::vector<Case> cases = {
        {"one chunk", Png(rgb, rgbData), true},
        {"RGBA in chunks of 7 bytes", Png(rgba, rgbaData, {{}, 7, {}, true}), true},
        {"chunks with an ancillary chunk between them", Png(rgb, rgbData, {text, 100, text, true}), true},
        {"a palette chunk in an RGB file", Png(rgb, rgbData, {ChunkBytes("PLTE", plte), 0, {}, true}), true},
        {"a transparent colour", Png(rgb, rgbData, {ChunkBytes("tRNS", {0, 1, 0, 2, 0, 3}), 0, {}, true}), true},
        {"a transparent colour in an RGBA file",
         Png(rgba, rgbaData, {ChunkBytes("tRNS", {0, 1, 0, 2, 0, 3}), 0, {}, true}), false},
        {"a palette", Png(palette, palettedData, {ChunkBytes("PLTE", plte), 0, {}, true}), true},
        {"a palette with transparency",
         Png(palette, palettedData,
             {[&] {
                  Bytes both = ChunkBytes("PLTE", plte);
                  const Bytes alpha = ChunkBytes("tRNS", {0, 64, 128, 255, 7});
                  both.insert(both.end(), alpha.begin(), alpha.end());
                  return both;
              }(),
              0,
              {},
              true}),
         true},
        {"an unknown critical chunk", Png(rgb, rgbData, {ChunkBytes("QQQQ", {1}), 0, {}, true}), false},
        {"no closing chunk", Png(rgb, rgbData, {{}, 0, {}, false}), false},
        {"a wrong Adler-32", Png(rgb, badAdler), true},
        {"a wrong stream header", Png(rgb, badHeader), false},
        {"an unknown filter", Png(rgb, Stored(badFilter)), false},
        {"more data than the rows", Png(rgb, Stored(longer)), true},
        {"a byte short of the rows", Png(rgb, Stored(shorter)), false},
        {"the fixture, compressed", ReadFixture("rgba3x2.png"), true},
    };
    // Cut inside the image data: the chunk no longer fits in the file.
    Bytes cut = Png(rgb, rgbData);
    cut.resize(cut.size() - 40);
    cases.push_back({"cut in the image data", cut, false});
    ExpectSameAsStb(cases);
}

}  // namespace
