// The adapter of the Direct3D 9 stand-in: display modes, format checks, capabilities, identifier.
#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "d3d9/testhooks.h"

namespace {

struct Adapter : ::testing::Test {
    void SetUp() override { d3d = Direct3DCreate9(D3D_SDK_VERSION); }
    void TearDown() override {
        d3d9test::SetDisplayModes(nullptr);
        d3d9test::SetRefuse32BitFormats(false);
        if (d3d) d3d->Release();
    }
    IDirect3D9* d3d = nullptr;
};

TEST(Direct3DCreate, RefusesAnotherVersion) { EXPECT_EQ(Direct3DCreate9(31), nullptr); }

TEST_F(Adapter, ModesComeFromTheGivenListForBothBackBufferFormats) {
    std::vector<D3DDISPLAYMODE> modes = {{1024, 768, 60, D3DFMT_X8R8G8B8}, {800, 600, 0, D3DFMT_X8R8G8B8}};
    d3d9test::SetDisplayModes(&modes);
    for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5}) {
        ASSERT_EQ(d3d->GetAdapterModeCount(0, format), 2u);
        for (UINT i = 0; i < 2; ++i) {
            D3DDISPLAYMODE m{};
            ASSERT_EQ(d3d->EnumAdapterModes(0, format, i, &m), D3D_OK);
            EXPECT_EQ(m.Width, modes[i].Width);
            EXPECT_EQ(m.Height, modes[i].Height);
            EXPECT_EQ(m.RefreshRate, modes[i].RefreshRate);
            EXPECT_EQ(m.Format, format);
        }
        D3DDISPLAYMODE m{};
        EXPECT_EQ(d3d->EnumAdapterModes(0, format, 2, &m), D3DERR_INVALIDCALL);
    }
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_A8R8G8B8), 0u);
    EXPECT_EQ(d3d->GetAdapterModeCount(1, D3DFMT_X8R8G8B8), 0u);
    D3DDISPLAYMODE desktop{};
    ASSERT_EQ(d3d->GetAdapterDisplayMode(0, &desktop), D3D_OK);
    EXPECT_EQ(desktop.Width, 1024u);
    EXPECT_EQ(desktop.Height, 768u);
    EXPECT_EQ(desktop.Format, D3DFMT_X8R8G8B8);
}

TEST_F(Adapter, SixteenBitOnlyAdapterHasNo32BitModesOrFormats) {
    std::vector<D3DDISPLAYMODE> modes = {{640, 480, 0, D3DFMT_X8R8G8B8}};
    d3d9test::SetDisplayModes(&modes);
    d3d9test::SetRefuse32BitFormats(true);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 0u);
    EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5), 1u);
    EXPECT_NE(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, TRUE), D3D_OK);
    EXPECT_NE(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, 0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8), D3D_OK);
    EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_R5G6B5, 0, D3DRTYPE_TEXTURE, D3DFMT_A1R5G5B5), D3D_OK);
}

TEST_F(Adapter, FormatChecksAnswerPerRole) {
    struct Case {
        DWORD usage;
        D3DRESOURCETYPE type;
        D3DFORMAT format;
        bool accepted;
    };
    const Case cases[] = {
        {0, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8, true},
        {0, D3DRTYPE_TEXTURE, D3DFMT_X8R8G8B8, true},
        {0, D3DRTYPE_TEXTURE, D3DFMT_R5G6B5, true},
        {0, D3DRTYPE_TEXTURE, D3DFMT_X1R5G5B5, true},
        {0, D3DRTYPE_TEXTURE, D3DFMT_A1R5G5B5, true},
        {0, D3DRTYPE_TEXTURE, D3DFMT_A4R4G4B4, true},
        {0, D3DRTYPE_TEXTURE, D3DFMT_A8, true},
        {0, D3DRTYPE_TEXTURE, D3DFMT_L8, true},
        {0, D3DRTYPE_TEXTURE, D3DFMT_D16, false},
        {0, D3DRTYPE_TEXTURE, D3DFMT_INDEX16, false},
        {0, D3DRTYPE_TEXTURE, D3DFMT_DXT1, false},
        {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8, true},
        {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_X8R8G8B8, true},
        {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_R5G6B5, true},
        {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_A1R5G5B5, true},
        {D3DUSAGE_RENDERTARGET, D3DRTYPE_TEXTURE, D3DFMT_A8, false},
        {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D16, true},
        {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D24S8, true},
        {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_D32, false},
        {D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE, D3DFMT_X8R8G8B8, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, c.usage, c.type, c.format) == D3D_OK,
                  c.accepted)
            << "usage " << c.usage << " format " << c.format;
}

TEST_F(Adapter, CapabilitiesOfferShaderModelTwo) {
    D3DCAPS9 caps{};
    ASSERT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_GE(caps.VertexShaderVersion, DWORD(D3DVS_VERSION(2, 0)));
    EXPECT_GE(caps.PixelShaderVersion, DWORD(D3DPS_VERSION(2, 0)));
    EXPECT_GE(caps.MaxVertexShaderConst, 256u);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_FALSE(caps.TextureCaps & D3DPTEXTURECAPS_POW2) << "800x600 textures stay 800x600";
    D3DADAPTER_IDENTIFIER9 id;
    ASSERT_EQ(d3d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
    EXPECT_GT(std::strlen(id.Description), 0u);
}

}  // namespace
