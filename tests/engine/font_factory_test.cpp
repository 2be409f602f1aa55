// The glyph source of the glyph cache: GDI relations of the fetched bitmaps in both game faces,
// coverage scaled to 0..255, blanks, and the use order of the cache's slot array.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/font/AAFontFactoryEX.h"
#include "engine/font/USUseHistoryVector.h"

namespace {

struct FetchedGlyph {
    std::vector<BYTE> bits;
    int width, height, left, top, advanceX, advanceY, pitch;
};

class FontFactoryTest : public ::testing::Test {
protected:
    void SetUp() override { dc_ = CreateCompatibleDC(nullptr); }
    void TearDown() override {
        factory_.End();
        DeleteDC(dc_);
    }
    void Begin(const char* faceUtf8, int size) {
        factory_.End();  // A font still selected into the DC cannot be deleted.
        ASSERT_TRUE(factory_.CreateFont(size, win32::Utf8ToCp932(faceUtf8).c_str(), false, false, false, false));
        factory_.GetTextMetrics(dc_);
    }
    FetchedGlyph Fetch(UINT code) {
        FetchedGlyph g;
        const BYTE* bits = factory_.GetGlyphBitmap(code, g.width, g.height, g.left, g.top, g.advanceX, g.advanceY, g.pitch);
        g.bits.assign(bits, bits + g.pitch * g.height);
        return g;
    }

    HDC dc_ = nullptr;
    AAFontFactoryEX factory_;
};

TEST_F(FontFactoryTest, GlyphsObeyTheGdiRelationsInBothFaces) {
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    for (const char* face : {"ＭＳ ゴシック", "ＭＳ 明朝"}) {
        Begin(face, 28);
        // あ, 漢, 。, A
        for (UINT code : {0x82A0u, 0x8ABFu, 0x8142u, 0x41u}) {
            SCOPED_TRACE(testing::Message() << face << " " << std::hex << code);
            FetchedGlyph g = Fetch(code);
            GLYPHMETRICS gm;
            ASSERT_NE(GetGlyphOutlineA(dc_, code, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &identity), GDI_ERROR);
            EXPECT_EQ(g.top, factory_.GetMetrics().tmAscent - gm.gmptGlyphOrigin.y);
            EXPECT_EQ(g.left, gm.gmptGlyphOrigin.x);
            EXPECT_EQ(g.width, static_cast<int>(gm.gmBlackBoxX));
            EXPECT_EQ(g.pitch % 4, 0);
            EXPECT_LT(g.pitch - g.width, 4);
            EXPECT_EQ(g.advanceY, 0);
            EXPECT_EQ(g.advanceX, code > 0xFF ? 28 : 14);
            // 65 levels scaled by 4, the full level as 255.
            for (BYTE b : g.bits) EXPECT_TRUE(b % 4 == 0 || b == 255) << int(b);
            EXPECT_GE(*std::max_element(g.bits.begin(), g.bits.end()), 192);  // Strokes are drawn.
        }
    }
}

TEST_F(FontFactoryTest, ABlankHasAnAdvanceAndNoPixels) {
    Begin("ＭＳ ゴシック", 20);
    for (UINT code : {0x20u, 0x8140u}) {  // Half- and full-width space.
        FetchedGlyph g = Fetch(code);
        EXPECT_EQ(g.width, 0);
        EXPECT_EQ(g.height, 0);
        EXPECT_EQ(g.advanceX, code == 0x20 ? 10 : 20);
    }
}

TEST(UseHistoryVectorTest, TouchesDecideWhichItemIsUsedLongestAgo) {
    const struct {
        std::vector<size_t> touches;
        size_t lruAfter;
        std::vector<size_t> useOrder;
    } cases[] = {
        {{}, 3, {0, 1, 2, 3}},
        {{3}, 2, {3, 0, 1, 2}},
        {{2, 0, 3}, 1, {3, 0, 2, 1}},
        {{1, 1, 1}, 3, {1, 0, 2, 3}},
    };
    for (const auto& c : cases) {
        CUSUseHistoryVector<int> v;
        v.Create(4);
        for (size_t i : c.touches) v.Touch(i);
        EXPECT_EQ(v.IndexOf(v.LeastRecentlyUsed()), c.lruAfter);
        std::vector<size_t> order;
        v.ResetCursor();
        while (int* item = v.NextInUseOrder()) order.push_back(v.IndexOf(item));
        EXPECT_EQ(order, c.useOrder);
    }
    CUSUseHistoryVector<int> v;
    v.Create(3);
    v.MoveLastToFront();
    EXPECT_EQ(v.IndexOf(v.LeastRecentlyUsed()), 1u);
    v.Release();
    EXPECT_EQ(v.Count(), 0u);
    EXPECT_EQ(v.LeastRecentlyUsed(), nullptr);
}

}  // namespace
