// The snapshot on the Direct3D 9 stand-in: the game screen mapped onto its render target and read
// back, pictures from image files, its record, and the thumbnails the save screens get from each slot.
#include <gtest/gtest.h>

#include <d3dx9.h>
#include <optional>

#include "engine/device/AppDeviceInfo.h"
#include "engine/device/D3DDevice.h"
#include "support/AudioFixtures.h"
#include "support/ScratchDir.h"
#include "novel/app/MainApp.h"
#include "novel/state/SaveDataManager.h"
#include "novel/state/SnapImage.h"
#include "support/ScenarioCode.h"
#include "support/EngineDevice.h"

namespace {

using audio_fixtures::U16;
using audio_fixtures::U32;

// A 24-bit bottom-up BMP of one colour.
std::string Bitmap(unsigned width, unsigned height, uint8_t r, uint8_t g, uint8_t b) {
    const unsigned row = (width * 3 + 3) / 4 * 4;
    std::string pixels;
    for (unsigned y = 0; y < height; ++y) {
        std::string line;
        for (unsigned x = 0; x < width; ++x) line += {char(b), char(g), char(r)};
        line.resize(row, 0);
        pixels += line;
    }
    return "BM" + U32(54 + pixels.size()) + U32(0) + U32(54) + U32(40) + U32(width) + U32(height) + U16(1) + U16(24) +
           U32(0) + U32(pixels.size()) + U32(2835) + U32(2835) + U32(0) + U32(0) + pixels;
}

class Snapshot : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.OpenLog();
        g_gameScreen.Set(800, 600);
        device_.emplace("SnapshotTestWindow");
        ASSERT_TRUE(device_->Ok());
        snap_.SetSize(8, 6);
        ASSERT_TRUE(snap_.CreateResources());
    }
    void TearDown() override {
        snap_.Release();
        device_.reset();
    }
    // Clears the snapshot's target to a colour the way a scene would draw into it, and captures.
    bool CaptureCleared(D3DCOLOR colour) {
        snap_.BeginCapture();
        GetD3DDevice()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, colour, 1.0f, 0);
        return snap_.Capture();
    }
    ScratchDir dir_;
    std::optional<testsupport::EngineDevice> device_;
    CSnapImage snap_;  // not registered: a test's own snapshot
};

TEST_F(Snapshot, GameScreenMapsOntoTheTopLeftOfTheTarget) {
    snap_.BeginCapture();
    D3DXMATRIX projection;
    GetD3DDevice()->GetTransform(D3DTS_PROJECTION, &projection);
    const D3DSURFACE_DESC& desc = GetTexture(snap_.GetRenderTarget())->GetLevelDesc();
    const struct {
        float x, y, px, py;  // game-screen point, target pixel
    } cases[] = {{0, 0, 0, 0}, {800, 600, 8, 6}, {400, 300, 4, 3}};
    for (const auto& k : cases) {
        D3DXVECTOR3 in(k.x, k.y, 1.0f), out;
        D3DXVec3TransformCoord(&out, &in, &projection);
        EXPECT_NEAR((out.x + 1) / 2 * desc.Width, k.px, 1e-3) << k.x;
        EXPECT_NEAR((1 - out.y) / 2 * desc.Height, k.py, 1e-3) << k.y;
    }
}

TEST_F(Snapshot, CaptureReadsTheTargetAndPictureFilesReplaceIt) {
    ASSERT_TRUE(CaptureCleared(D3DCOLOR_XRGB(0x33, 0x66, 0x99)));
    const std::vector<uint8_t>& px = snap_.GetPixelBytes();
    ASSERT_EQ(px.size(), 8u * 6 * 3);
    for (size_t i = 0; i < px.size(); i += 3) {
        ASSERT_EQ(px[i], 0x33) << i;
        ASSERT_EQ(px[i + 1], 0x66) << i;
        ASSERT_EQ(px[i + 2], 0x99) << i;
    }
    snap_.CreateImage("missing.bmp");  // nothing changes
    EXPECT_FALSE(snap_.IsFromFile());

    dir_.Write("pic.bmp", Bitmap(4, 4, 200, 10, 20));
    snap_.CreateImage("pic.bmp");
    ASSERT_TRUE(snap_.IsFromFile());
    ASSERT_TRUE(CaptureCleared(D3DCOLOR_XRGB(0, 0, 0)));  // the picture, not the frame
    EXPECT_EQ(px[0], 200);
    EXPECT_EQ(px[(3 * 8 + 3) * 3 + 2], 20);  // (3, 3), inside the picture
    EXPECT_EQ(px[(5 * 8 + 6) * 3], 0x33);    // (6, 5), outside it: as it was

    // The record names the file, and loading it takes the picture again.
    USLib::binary_ostream<256> record;
    snap_.Save(record);
    CSnapImage loaded;
    USLib::binary_istream in;
    in.Attach(record.GetData(), record.GetSize());
    loaded.Load(in, 0);
    EXPECT_TRUE(loaded.IsFromFile());
    EXPECT_EQ(loaded.GetFileName(), "pic.bmp");
    EXPECT_EQ(loaded.GetPixelBytes(), px);
    loaded.Release();
}

TEST_F(Snapshot, SlotsShowTheirThumbnails) {
    dir_.Write("save/.keep", "");
    testsupport::ResetGameState();
    CSnapImage& game = *CSnapImage::GetInstance();
    game.Register("SnapImage", 0);
    game.SetSize(8, 6);
    for (size_t i = 0; i < game.GetByteSize(); ++i) game.GetPixels()[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(CSaveDataManager::SaveToFile(GetSavePath(4).c_str()));

    CSaveDataInfoNode node;
    CSaveDataManager::ReadSlotInfo(node, 4);
    ASSERT_TRUE(node.exists);
    CUSDefoTexture* texture = GetTexture(node.thumbnailTexture);
    ASSERT_NE(texture, nullptr);
    const D3DSURFACE_DESC& desc = texture->GetLevelDesc();
    const float quad[4] = {-0.5f, -0.5f, 7.5f, 5.5f};
    const float uv[4] = {0, 0, 8.0f / desc.Width, 6.0f / desc.Height};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(node.quad[i], quad[i]) << i;
        EXPECT_EQ(node.uv[i], uv[i]) << i;
    }
    D3DLOCKED_RECT locked;
    ASSERT_GE(texture->GetD3DTexture()->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), 0);
    for (uint32_t y = 0; y < 6; ++y) {
        for (uint32_t x = 0; x < 8; ++x) {
            const uint32_t v = static_cast<const uint32_t*>(locked.pBits)[y * locked.Pitch / 4 + x];
            const uint8_t* rgb = &game.GetPixels()[(y * 8 + x) * 3];
            EXPECT_EQ(v & 0xFFFFFF, uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2]) << x << "," << y;
        }
    }
    texture->GetD3DTexture()->UnlockRect(0);
    GetTextureManager().Release(node.thumbnailTexture);
    game.FreePixels();
}

}  // namespace
