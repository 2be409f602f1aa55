// D3DX image loading: image information, textures rounded up to powers of two with the image at the
// top-left under FILTER_NONE, conversion into the destination format, surfaces, and bad data.
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/TestDevice.h"
#include "support/fixture_file.h"

namespace {

const DWORD kPixels[2][3] = {{0xFFFF0000, 0x8000FF00, 0x000000FF}, {0xFFFFFFFF, 0x40102030, 0xFF000000}};

DWORD At(const D3DLOCKED_RECT& lr, int x, int y) {
    return reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch)[x];
}

TEST(D3DXImage, InfoDescribesTheFile) {
    struct Case {
        const char* file;
        D3DFORMAT format;
        D3DXIMAGE_FILEFORMAT type;
    };
    for (const Case& c : {Case{"rgba3x2.png", D3DFMT_A8R8G8B8, D3DXIFF_PNG}, Case{"bgr3x2.bmp", D3DFMT_R8G8B8, D3DXIFF_BMP}}) {
        auto bytes = ReadFixture(c.file);
        ASSERT_FALSE(bytes.empty());
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(bytes.data(), UINT(bytes.size()), &info), D3D_OK) << c.file;
        EXPECT_EQ(info.Width, 3u);
        EXPECT_EQ(info.Height, 2u);
        EXPECT_EQ(info.Format, c.format);
        EXPECT_EQ(info.ImageFileFormat, c.type);
    }
}

TEST(D3DXImage, TextureIsRoundedUpWithTheImageAtTopLeft) {
    TestDevice dev;
    auto bytes = ReadFixture("rgba3x2.png");
    IDirect3DTexture9* tex = nullptr;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev.device, bytes.data(), UINT(bytes.size()), 0, 0, 1, 0,
                                                  D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE,
                                                  D3DX_FILTER_NONE, 0, &info, nullptr, &tex),
              D3D_OK);
    EXPECT_EQ(info.Width, 3u);
    D3DSURFACE_DESC desc;
    tex->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 4u);
    EXPECT_EQ(desc.Height, 2u);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) EXPECT_EQ(At(lr, x, y), kPixels[y][x]) << x << "," << y;
        EXPECT_EQ(At(lr, 3, y), 0u) << "padding is transparent black";
    }
    tex->UnlockRect(0);
    tex->Release();
}

TEST(D3DXImage, ConvertsIntoTheAskedFormat) {
    TestDevice dev;
    auto bytes = ReadFixture("rgba3x2.png");
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(dev.device, bytes.data(), UINT(bytes.size()), D3DX_DEFAULT_NONPOW2,
                                                  D3DX_DEFAULT_NONPOW2, 1, 0, D3DFMT_A1R5G5B5, D3DPOOL_MANAGED,
                                                  D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, &tex),
              D3D_OK);
    D3DLOCKED_RECT lr;
    tex->LockRect(0, &lr, nullptr, 0);
    auto px = [&](int x, int y) { return reinterpret_cast<const WORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x]; };
    EXPECT_EQ(px(0, 0), 0xFC00);  // opaque red
    EXPECT_EQ(px(1, 0), 0x83E0);  // alpha 128 rounds to set
    EXPECT_EQ(px(2, 0), 0x001F);  // transparent blue
    EXPECT_EQ(px(1, 1), 0x0886);  // alpha 64 clears; 16,32,48 -> 2,4,6
    tex->UnlockRect(0);
    tex->Release();
}

TEST(D3DXImage, SurfaceLoadsWithoutScaling) {
    TestDevice dev;
    auto bytes = ReadFixture("bgr3x2.bmp");
    IDirect3DSurface9* s = nullptr;
    ASSERT_EQ(dev->CreateOffscreenPlainSurface(3, 2, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &s, nullptr), D3D_OK);
    ASSERT_EQ(D3DXLoadSurfaceFromFileInMemory(s, nullptr, nullptr, bytes.data(), UINT(bytes.size()), nullptr,
                                              D3DX_FILTER_NONE, 0, nullptr),
              D3D_OK);
    D3DLOCKED_RECT lr;
    s->LockRect(&lr, nullptr, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(At(lr, x, y) & 0xFFFFFF, kPixels[y][x] & 0xFFFFFF);
    s->UnlockRect();
    s->Release();
}

TEST(D3DXImage, SurfaceLoadsAPartOfTheImage) {
    TestDevice dev;
    auto bytes = ReadFixture("rgba3x2.png");
    IDirect3DSurface9* s = nullptr;
    ASSERT_EQ(dev->CreateOffscreenPlainSurface(2, 2, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &s, nullptr), D3D_OK);
    const RECT part{1, 0, 3, 2};
    ASSERT_EQ(D3DXLoadSurfaceFromFileInMemory(s, nullptr, nullptr, bytes.data(), UINT(bytes.size()), &part,
                                              D3DX_FILTER_NONE, 0, nullptr),
              D3D_OK);
    D3DLOCKED_RECT lr;
    s->LockRect(&lr, nullptr, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(At(lr, x, y), kPixels[y][x + 1]) << x << "," << y;
    s->UnlockRect();
    s->Release();
}

TEST(D3DXImage, BrokenDataFailsWithoutATexture) {
    TestDevice dev;
    auto bytes = ReadFixture("rgba3x2.png");
    bytes.resize(40);
    const unsigned char junk[] = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    // A cut file still has its header, so only decoding fails; junk and nothing fail at once.
    struct Case {
        const void* data;
        UINT size;
        bool headerReadable;
    };
    for (const Case& c : {Case{bytes.data(), UINT(bytes.size()), true}, Case{junk, UINT(sizeof junk), false},
                          Case{junk, 0, false}}) {
        D3DXIMAGE_INFO info;
        EXPECT_EQ(SUCCEEDED(D3DXGetImageInfoFromFileInMemory(c.data, c.size, &info)), c.headerReadable);
        IDirect3DTexture9* tex = reinterpret_cast<IDirect3DTexture9*>(1);
        EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileInMemory(dev.device, c.data, c.size, &tex)));
        EXPECT_EQ(tex, nullptr);
    }
}

// Headers that declare far more pixels than their files hold are refused before anything is decoded
// (the decoder would read the missing bytes as 0 and make the whole image), as are PNG chunks longer
// than the file (the decoder would grow its buffer to them first); the same files whole load.
TEST(D3DXImage, FilesThatCannotHoldTheirPixelsAreRefused) {
    TestDevice dev;
    // 32-bit TGA of type 2 (plain) or 10 (run-length) with the given pixel data.
    auto tga = [](std::uint8_t type, int w, int h, std::vector<std::uint8_t> data) {
        std::vector<std::uint8_t> f = {0, 0, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, std::uint8_t(w), std::uint8_t(w >> 8),
                                       std::uint8_t(h), std::uint8_t(h >> 8), 32, 8};
        f.insert(f.end(), data.begin(), data.end());
        return f;
    };
    const std::vector<std::uint8_t> fourBytes(4, 0x7F), sixPixels(6 * 4, 0x7F);
    const std::vector<std::uint8_t> runOfSix = {0x80 | 5, 1, 2, 3, 4};
    // 24-bit BMP with the given number of pixel data bytes.
    auto bmp = [](int w, int h, std::size_t dataBytes) {
        std::vector<std::uint8_t> f(54 + dataBytes, 0x7F);
        auto put = [&](std::size_t at, std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i) f[at + i] = std::uint8_t(v >> (8 * i));
        };
        f[0] = 'B', f[1] = 'M';
        put(2, std::uint32_t(f.size()), 4), put(6, 0, 4), put(10, 54, 4), put(14, 40, 4), put(18, w, 4);
        put(22, h, 4), put(26, 1, 2), put(28, 24, 2), put(30, 0, 4);
        std::fill(f.begin() + 34, f.begin() + 54, 0);  // image size, resolution and palette counts
        return f;
    };
    // The PNG fixture with its image data chunk claiming about 2 GB.
    const std::vector<std::uint8_t> png = ReadFixture("rgba3x2.png");
    std::vector<std::uint8_t> pngHugeChunk = png;
    const char tag[] = "IDAT";
    const auto idat = std::search(pngHugeChunk.begin(), pngHugeChunk.end(), tag, tag + 4);
    ASSERT_NE(idat, pngHugeChunk.end());
    std::fill(idat - 4, idat, 0x7F);
    // The baseline JPEG fixture with its first Huffman table declaring 510 codes.
    const std::vector<std::uint8_t> jpg = ReadFixture("rgb3x2.jpg");
    std::vector<std::uint8_t> jpgHugeTable = jpg;
    const std::uint8_t dht[] = {0xFF, 0xC4};
    const auto table = std::search(jpgHugeTable.begin(), jpgHugeTable.end(), dht, dht + 2);
    ASSERT_LT(table + 7, jpgHugeTable.end());
    table[5] = table[6] = 0xFF;  // the counts of codes of 1 and 2 bits
    // That table again at the end of the scan's coded data, behind 0xFF fill bytes and a 0, which the
    // decoder reads as one data byte before it meets the table.
    std::vector<std::uint8_t> jpgTableInScan = jpg;
    ASSERT_EQ(jpgTableInScan.end()[-1], 0xD9);  // the one scan's data runs to the end-of-image marker
    std::vector<std::uint8_t> inserted = {0xFF, 0xFF, 0xFF, 0x00};
    inserted.insert(inserted.end(), table, table + 2 + (table[2] << 8 | table[3]));
    jpgTableInScan.insert(jpgTableInScan.end() - 2, inserted.begin(), inserted.end());
    struct Case {
        const char* what;
        std::vector<std::uint8_t> file;
        bool loads;
    };
    const Case cases[] = {
        {"JPEG, a Huffman table of more than 256 codes", jpgHugeTable, false},
        {"JPEG, that table in coded data after fill bytes", jpgTableInScan, false},
        {"JPEG, 3 x 2", jpg, true},
        {"progressive JPEG, 3 x 2", ReadFixture("rgb3x2-progressive.jpg"), true},
        {"PNG, a chunk longer than the file", pngHugeChunk, false},
        {"PNG, 3 x 2", png, true},
        {"TGA, 4096 x 4096 declared, 4 bytes", tga(2, 4096, 4096, fourBytes), false},
        {"run-length TGA, 4096 x 4096 declared, one packet", tga(10, 4096, 4096, runOfSix), false},
        {"BMP, 4096 x 4096 declared, 4 bytes", bmp(4096, 4096, 4), false},
        {"TGA, 3 x 2, all pixels", tga(2, 3, 2, sixPixels), true},
        {"run-length TGA, 3 x 2, one packet", tga(10, 3, 2, runOfSix), true},
        {"BMP, 3 x 2, all rows", bmp(3, 2, 2 * 12), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IDirect3DTexture9* tex = nullptr;
        const HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
            dev.device, c.file.data(), UINT(c.file.size()), 64, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
            D3DX_FILTER_LINEAR, D3DX_FILTER_NONE, 0, nullptr, nullptr, &tex);
        EXPECT_EQ(SUCCEEDED(hr), c.loads);
        EXPECT_EQ(tex != nullptr, c.loads);
        if (tex) tex->Release();
    }
    // Tables the decoder would overrun are refused as soon as the image information is read.
    for (const auto* file : {&jpgHugeTable, &jpgTableInScan}) {
        D3DXIMAGE_INFO info{};
        EXPECT_TRUE(FAILED(D3DXGetImageInfoFromFileInMemory(file->data(), UINT(file->size()), &info)));
    }
}

}  // namespace
