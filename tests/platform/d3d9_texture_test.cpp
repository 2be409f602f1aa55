// Textures and surfaces of the Direct3D 9 stand-in: creation, level descriptions, locks that keep
// their contents, references shared between a texture and its levels, and memory that a large
// texture only takes where it is written.
#include <d3d9.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include <gtest/gtest.h>
#include <sys/mman.h>

#include "support/TestDevice.h"

namespace {

// How many of the memory pages of bytes from at on are in memory.
size_t ResidentPages(const void* at, size_t bytes) {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(at) / page * page;
    const size_t pages = (reinterpret_cast<uintptr_t>(at) + bytes - start + page - 1) / page;
    std::vector<unsigned char> in(pages);
    if (mincore(reinterpret_cast<void*>(start), pages * page, in.data()) != 0) return SIZE_MAX;
    size_t count = 0;
    for (unsigned char p : in) count += p & 1;
    return count;
}

// A texture that is never drawn into (the full-screen target of a game in a window) takes no memory,
// and one drawn into in part takes memory only there; read, it is all zero.
TEST(Texture, LargeTextureTakesMemoryOnlyWhereWritten) {
    TestDevice dev;
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(1024, 1024, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    const size_t bytes = size_t(lr.Pitch) * 1024;
    EXPECT_EQ(ResidentPages(lr.pBits, bytes), 0u);
    static_cast<BYTE*>(lr.pBits)[0] = 1;
    const size_t resident = ResidentPages(lr.pBits, bytes);
    EXPECT_GT(resident, 0u);
    EXPECT_LT(resident, bytes / size_t(sysconf(_SC_PAGESIZE))) << "only the written part";
    const auto* last = static_cast<const BYTE*>(lr.pBits) + bytes - 1;
    EXPECT_EQ(*last, 0);
    tex->UnlockRect(0);
    tex->Release();
}

TEST(Texture, LockedContentsPersistAcrossLocks) {
    TestDevice dev;
    ASSERT_NE(dev.device, nullptr);
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(5, 3, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    ASSERT_GE(lr.Pitch, 20);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] = DWORD(0x01000000 * y + x);
    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);

    // A sub-rectangle lock starts at that pixel, with the same pitch.
    RECT r{2, 1, 4, 3};
    ASSERT_EQ(tex->LockRect(0, &lr, &r, 0), D3D_OK);
    EXPECT_EQ(*static_cast<DWORD*>(lr.pBits), 0x01000002u);
    EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL) << "already locked";
    tex->UnlockRect(0);

    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(tex->GetSurfaceLevel(0, &level), D3D_OK);
    ASSERT_EQ(level->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + 2 * lr.Pitch)[4], 0x02000004u);
    level->UnlockRect();
    level->Release();
    tex->Release();
}

TEST(Texture, NewTexturesHoldZeroAtEverySize) {
    TestDevice dev;
    ASSERT_NE(dev.device, nullptr);
    // Small ones come from the heap, large ones are mapped apart; a texture made where a released one
    // was written must not show its pixels.
    for (int round = 0; round < 2; ++round)
        for (UINT size : {4u, 300u, 1024u, 2048u}) {
            IDirect3DTexture9* tex = nullptr;
            ASSERT_EQ(dev->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
            D3DLOCKED_RECT lr;
            ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
            bool zero = true;
            for (UINT y = 0; y < size; ++y) {
                BYTE* row = static_cast<BYTE*>(lr.pBits) + size_t(y) * lr.Pitch;
                for (UINT x = 0; x < size * 4; ++x) zero &= row[x] == 0;
                std::memset(row, 0xA5, size_t(size) * 4);
            }
            EXPECT_TRUE(zero) << size << " x " << size << ", round " << round;
            tex->UnlockRect(0);
            tex->Release();
        }
}

TEST(Texture, LevelDescriptionsHalveDownTheChain) {
    TestDevice dev;
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(16, 4, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    ASSERT_EQ(tex->GetLevelCount(), 5u);
    const UINT widths[] = {16, 8, 4, 2, 1}, heights[] = {4, 2, 1, 1, 1};
    for (UINT i = 0; i < 5; ++i) {
        D3DSURFACE_DESC d;
        ASSERT_EQ(tex->GetLevelDesc(i, &d), D3D_OK);
        EXPECT_EQ(d.Width, widths[i]);
        EXPECT_EQ(d.Height, heights[i]);
        EXPECT_EQ(d.Format, D3DFMT_X8R8G8B8);
        EXPECT_EQ(d.Pool, D3DPOOL_MANAGED);
    }
    D3DSURFACE_DESC d;
    EXPECT_EQ(tex->GetLevelDesc(5, &d), D3DERR_INVALIDCALL);
    tex->Release();
}

TEST(Texture, CreationRefusesWhatTheAdapterCannotServe) {
    TestDevice dev;
    struct Case {
        UINT w, h;
        DWORD usage;
        D3DFORMAT format;
        D3DPOOL pool;
        bool ok;
    };
    const Case cases[] = {
        {800, 600, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, true},
        {800, 600, D3DUSAGE_RENDERTARGET, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, true},
        {64, 64, 0, D3DFMT_A1R5G5B5, D3DPOOL_MANAGED, true},
        {64, 64, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, false},
        {64, 64, 0, D3DFORMAT(12345), D3DPOOL_MANAGED, false},
        {64, 64, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, false},
        {0, 64, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, false},
    };
    for (const Case& c : cases) {
        IDirect3DTexture9* tex = reinterpret_cast<IDirect3DTexture9*>(1);
        HRESULT hr = dev->CreateTexture(c.w, c.h, 1, c.usage, c.format, c.pool, &tex, nullptr);
        EXPECT_EQ(SUCCEEDED(hr), c.ok) << c.w << "x" << c.h << " format " << c.format;
        if (SUCCEEDED(hr))
            tex->Release();
        else
            EXPECT_EQ(tex, nullptr);
    }
}

TEST(Texture, SurfaceLevelReferencesKeepTheTextureAlive) {
    TestDevice dev;
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(dev->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr), D3D_OK);
    IDirect3DSurface9* level = nullptr;
    tex->GetSurfaceLevel(0, &level);
    EXPECT_EQ(tex->Release(), 1u);
    D3DSURFACE_DESC d;
    ASSERT_EQ(level->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Width, 2u);
    EXPECT_EQ(level->Release(), 0u);
}

TEST(Surface, OffscreenPlainSurfacesLockAndRefuseTheManagedPool) {
    TestDevice dev;
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(dev->CreateOffscreenPlainSurface(4, 4, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &s, nullptr),
              D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->CreateOffscreenPlainSurface(4, 4, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &s, nullptr), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
    std::memset(lr.pBits, 0xAB, size_t(lr.Pitch) * 4);
    s->UnlockRect();
    ASSERT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
    EXPECT_EQ(static_cast<BYTE*>(lr.pBits)[lr.Pitch * 3 + 15], 0xAB);
    s->UnlockRect();
    s->Release();
}

}  // namespace
