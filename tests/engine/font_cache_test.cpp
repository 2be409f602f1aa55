// The glyph texture cache: cell sizes, glyphs drawn white with coverage as alpha inside their box,
// a cached glyph is not drawn again, a miss takes the slot used longest ago, one container per font.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "engine/device/D3DDevice.h"
#include "engine/font/FontTextureManager.h"
#include "support/EngineDevice.h"

namespace {

const std::string kGothic = win32::Utf8ToCp932("ＭＳ ゴシック");

class FontCacheTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        device_ = std::make_unique<testsupport::EngineDevice>("font_cache_test");
        ASSERT_TRUE(device_->Ok());
    }
    static void TearDownTestSuite() {
        device_.reset();
    }

    // The texels of a slot's texture as A8R8G8B8 words.
    static std::vector<DWORD> Texels(const CFontTextureNode* node) {
        IDirect3DTexture9* texture = GetTexture(node->GetTexture())->GetD3DTexture();
        D3DLOCKED_RECT locked;
        EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
        std::vector<DWORD> texels;
        for (UINT y = 0; y < node->GetCellSize(); ++y) {
            const DWORD* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(locked.pBits) + y * locked.Pitch);
            texels.insert(texels.end(), row, row + node->GetCellSize());
        }
        texture->UnlockRect(0);
        return texels;
    }
    static void Mark(const CFontTextureNode* node) {
        IDirect3DTexture9* texture = GetTexture(node->GetTexture())->GetD3DTexture();
        D3DLOCKED_RECT locked;
        texture->LockRect(0, &locked, nullptr, 0);
        static_cast<DWORD*>(locked.pBits)[0] = 0x12345678;
        texture->UnlockRect(0);
    }
    CFontTextureNode* Glyph(UINT code) {
        manager_.Begin();
        CFontTextureNode* node = manager_.GetGlyph(code);
        manager_.End();
        return node;
    }

    inline static std::unique_ptr<testsupport::EngineDevice> device_;
    CUSFontTextureManager manager_;
};

TEST(FontCellTest, CellIsTheFirstPowerOfTwoAboveTheSize) {
    const struct {
        int size, cell;
    } cases[] = {{0, 16}, {15, 16}, {16, 32}, {28, 32}, {63, 64}, {511, 512}, {512, -1}, {600, -1}};
    for (const auto& c : cases) EXPECT_EQ(CFontTextureContainer::CellSizeFor(c.size), c.cell) << c.size;
}

TEST_F(FontCacheTest, AGlyphIsWhiteWithCoverageAsAlphaInsideItsBox) {
    manager_.SetNodeCount(4);
    manager_.SelectContainer(28, kGothic.c_str(), false, false, false, false);
    CFontTextureNode* node = Glyph(0x8ABF);  // 漢
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->GetCode(), 0x8ABFu);
    EXPECT_EQ(node->GetCellSize(), 32u);
    EXPECT_EQ(node->GetAdvance(), 28);
    float left = node->GetLeft() + 0.5f, top = node->GetTop() + 0.5f;
    float right = node->GetRight() + 0.5f, bottom = node->GetBottom() + 0.5f;
    EXPECT_FLOAT_EQ(node->GetU0(), left / 32);
    EXPECT_FLOAT_EQ(node->GetV1(), bottom / 32);
    std::vector<DWORD> texels = Texels(node);
    int covered = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            DWORD t = texels[y * 32 + x];
            if ((t >> 24) == 0) continue;
            ++covered;
            EXPECT_EQ(t & 0xFFFFFF, 0xFFFFFFu) << x << "," << y;
            EXPECT_TRUE(x >= left && x < right && y >= top && y < bottom) << x << "," << y;
        }
    EXPECT_GT(covered, 28 * 28 / 8);
}

TEST_F(FontCacheTest, CachedGlyphsAreReusedAndAMissTakesTheSlotUsedLongestAgo) {
    manager_.SetNodeCount(4);
    manager_.SelectContainer(24, kGothic.c_str(), false, false, false, false);
    // あ い う え fill the four slots; あ is used again, so い is now the oldest.
    const UINT a = 0x82A0, i = 0x82A2, u = 0x82A4, e = 0x82A6, o = 0x82A8;
    CFontTextureNode* slotA = Glyph(a);
    CFontTextureNode* slotI = Glyph(i);
    Glyph(u);
    Glyph(e);
    Mark(slotA);
    EXPECT_EQ(Glyph(a), slotA);
    EXPECT_EQ(Texels(slotA)[0], 0x12345678u);  // Not drawn again.
    EXPECT_EQ(Glyph(o), slotI);
    EXPECT_EQ(slotI->GetCode(), o);
    EXPECT_EQ(Glyph(a), slotA);
}

TEST_F(FontCacheTest, EachFontHasItsOwnContainer) {
    manager_.SetNodeCount(2);
    CFontTextureContainer* plain = manager_.GetContainer(20, kGothic.c_str(), false, false, false, false);
    EXPECT_EQ(manager_.GetContainer(20, kGothic.c_str(), false, false, false, false), plain);
    EXPECT_NE(manager_.GetContainer(20, kGothic.c_str(), false, false, true, false), plain);
    EXPECT_NE(manager_.GetContainer(21, kGothic.c_str(), false, false, false, false), plain);
    EXPECT_NE(manager_.GetContainer(20, "MS Gothic", false, false, false, false), plain);
}

TEST_F(FontCacheTest, AFontTooLargeForACellHasNoTexturesButKeepsItsAdvance) {
    manager_.SetNodeCount(2);
    manager_.SelectContainer(600, kGothic.c_str(), false, false, false, false);
    CFontTextureNode* node = Glyph(0x82A0);
    ASSERT_NE(node, nullptr);
    EXPECT_FALSE(node->GetTexture());
    EXPECT_EQ(node->GetAdvance(), 600);
}

}  // namespace
