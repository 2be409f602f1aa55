// GDI stand-in: GDI sizing of the game's two faces, glyph bitmaps in 65 levels with 4-byte rows,
// metrics that place each character where it belongs in its cell, and the failure answers.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

const MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};

struct Glyph {
    DWORD size = 0;
    GLYPHMETRICS gm{};
    std::vector<BYTE> bits;
    UINT Pitch() const { return (gm.gmBlackBoxX + 3) & ~3u; }
    long Coverage() const {
        long sum = 0;
        for (BYTE b : bits) sum += b;
        return sum;
    }
};

class GdiTest : public ::testing::Test {
protected:
    void SetUp() override { dc_ = CreateCompatibleDC(nullptr); }
    void TearDown() override {
        for (HFONT f : fonts_) {
            SelectObject(dc_, previous_);
            DeleteObject(f);
        }
        DeleteDC(dc_);
    }
    // Creates the font as the glyph cache does (height = size, width = size / 2) and selects it.
    void Use(const char* faceUtf8, int size, bool bold = false, bool italic = false) {
        HFONT font = CreateFontA(size, size / 2, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic, FALSE, FALSE,
                                 SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, 0,
                                 win32::Utf8ToCp932(faceUtf8).c_str());
        ASSERT_NE(font, nullptr);
        HGDIOBJ old = SelectObject(dc_, font);
        ASSERT_NE(old, HGDI_ERROR);
        if (fonts_.empty()) previous_ = old;
        fonts_.push_back(font);
    }
    Glyph Get(UINT code) {
        Glyph g;
        g.size = GetGlyphOutlineA(dc_, code, GGO_GRAY8_BITMAP, &g.gm, 0, nullptr, &kIdentity);
        EXPECT_NE(g.size, GDI_ERROR);
        g.bits.assign(g.size, 0xEE);
        if (g.size) {
            EXPECT_EQ(GetGlyphOutlineA(dc_, code, GGO_GRAY8_BITMAP, &g.gm, g.size, g.bits.data(), &kIdentity), g.size);
        }
        return g;
    }

    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::vector<HFONT> fonts_;
};

TEST_F(GdiTest, BothFacesAreSizedByCellHeightAndAverageWidth) {
    for (const char* face : {"ＭＳ ゴシック", "ＭＳ 明朝"}) {
        for (int size : {15, 24, 32}) {
            SCOPED_TRACE(testing::Message() << face << " " << size);
            Use(face, size);
            TEXTMETRICA tm;
            ASSERT_TRUE(GetTextMetricsA(dc_, &tm));
            EXPECT_EQ(tm.tmHeight, size);
            EXPECT_EQ(tm.tmAscent + tm.tmDescent, size);
            EXPECT_GT(tm.tmAscent, size / 2);
            EXPECT_EQ(tm.tmAveCharWidth, size / 2);
            EXPECT_EQ(tm.tmWeight, FW_NORMAL);
            EXPECT_EQ(tm.tmCharSet, SHIFTJIS_CHARSET);
            // Half-width characters advance by the average width, full-width ones by twice that.
            EXPECT_EQ(Get('A').gm.gmCellIncX, size / 2);
            EXPECT_EQ(Get(0x82A0).gm.gmCellIncX, 2 * (size / 2));  // あ
        }
    }
}

TEST_F(GdiTest, GlyphBitmapsHave65LevelsAndPaddedRows) {
    for (const char* face : {"ＭＳ ゴシック", "ＭＳ 明朝"}) {
        Use(face, 32);
        // あ, 漢, A, half-width katakana ｱ.
        for (UINT code : {0x82A0u, 0x8ABFu, 0x41u, 0xB1u}) {
            SCOPED_TRACE(testing::Message() << face << " " << std::hex << code);
            Glyph g = Get(code);
            ASSERT_GT(g.size, 0u);
            EXPECT_EQ(g.Pitch() % 4, 0u);
            EXPECT_EQ(g.size, g.Pitch() * g.gm.gmBlackBoxY);
            EXPECT_LE(*std::max_element(g.bits.begin(), g.bits.end()), 64);
            EXPECT_EQ(*std::max_element(g.bits.begin(), g.bits.end()), 64);  // Solid stroke inside.
            // Padding bytes at the row ends are empty.
            for (UINT row = 0; row < g.gm.gmBlackBoxY; ++row)
                for (UINT col = g.gm.gmBlackBoxX; col < g.Pitch(); ++col) EXPECT_EQ(g.bits[row * g.Pitch() + col], 0);
            // The box lies within the cell.
            TEXTMETRICA tm;
            GetTextMetricsA(dc_, &tm);
            LONG top = tm.tmAscent - g.gm.gmptGlyphOrigin.y;
            EXPECT_GE(top, 0);
            EXPECT_LE(top + static_cast<LONG>(g.gm.gmBlackBoxY), tm.tmHeight);
            EXPECT_GE(g.gm.gmptGlyphOrigin.x, 0);
            EXPECT_LE(g.gm.gmptGlyphOrigin.x + static_cast<LONG>(g.gm.gmBlackBoxX), g.gm.gmCellIncX + 1);
        }
    }
}

TEST_F(GdiTest, CoverageIsWhereTheCharacterIs) {
    Use("ＭＳ ゴシック", 32);
    TEXTMETRICA tm;
    GetTextMetricsA(dc_, &tm);
    const struct {
        UINT code;
        const char* name;
        bool upper, lower, left, right;  // Which halves of the 32 x 32 cell the box reaches into.
    } cases[] = {
        {0x8142, "ideographic full stop", false, true, true, false},
        {0x814F, "circumflex", true, false, true, true},
        {0x8151, "low line", false, true, true, true},
        {0x8145, "middle dot", true, true, true, true},
    };
    for (const auto& c : cases) {
        Glyph g = Get(c.code);
        LONG top = tm.tmAscent - g.gm.gmptGlyphOrigin.y, bottom = top + g.gm.gmBlackBoxY;
        LONG left = g.gm.gmptGlyphOrigin.x, right = left + g.gm.gmBlackBoxX;
        EXPECT_EQ(top < 16, c.upper) << c.name;
        EXPECT_EQ(bottom > 16, c.lower) << c.name;
        EXPECT_EQ(left < 16, c.left) << c.name;
        EXPECT_EQ(right > 16, c.right) << c.name;
    }
}

TEST_F(GdiTest, BoldAndItalicChangeTheGlyph) {
    Use("ＭＳ 明朝", 32);
    Glyph regular = Get(0x8ABF);
    Use("ＭＳ 明朝", 32, true);
    Glyph bold = Get(0x8ABF);
    TEXTMETRICA tm;
    GetTextMetricsA(dc_, &tm);
    EXPECT_EQ(tm.tmWeight, FW_BOLD);
    EXPECT_GT(bold.Coverage(), regular.Coverage() * 11 / 10);
    Use("ＭＳ 明朝", 32, false, true);
    Glyph italic = Get(0x8ABF);
    EXPECT_GT(italic.gm.gmBlackBoxX, regular.gm.gmBlackBoxX);
}

TEST_F(GdiTest, EmptyAndUnassignedCodesAndMisuse) {
    Use("ＭＳ ゴシック", 24);
    Glyph space = Get(' ');
    EXPECT_EQ(space.size, 0u);
    EXPECT_EQ(space.gm.gmCellIncX, 12);
    // 0xA0 has no CP932 character: the replacement glyph comes back, never an error.
    GLYPHMETRICS gm;
    EXPECT_NE(GetGlyphOutlineA(dc_, 0xA0, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &kIdentity), GDI_ERROR);
    Glyph a = Get(0x82A0);
    std::vector<BYTE> small(a.size - 1);
    EXPECT_EQ(GetGlyphOutlineA(dc_, 0x82A0, GGO_GRAY8_BITMAP, &gm, a.size - 1, small.data(), &kIdentity), GDI_ERROR);
    EXPECT_EQ(GetGlyphOutlineA(nullptr, 0x82A0, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &kIdentity), GDI_ERROR);
    EXPECT_EQ(SelectObject(dc_, nullptr), HGDI_ERROR);
    // A selected font is not deleted; the previous one comes back on selection.
    EXPECT_FALSE(DeleteObject(fonts_.back()));
    EXPECT_EQ(SelectObject(dc_, previous_), fonts_.back());
    EXPECT_TRUE(DeleteObject(fonts_.back()));
    fonts_.pop_back();
}

TEST_F(GdiTest, UnknownFaceFallsBackToAnInstalledFont) {
    Use("NoSuchFace", 20);
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(dc_, &tm));
    EXPECT_EQ(tm.tmHeight, 20);
    EXPECT_GT(Get(0x82A0).size, 0u);
}

// fontconfig set up ahead, on its own thread: the fonts made while it may still run (the first one waits
// for it) are the game's faces, sized as ever; starting it again changes nothing.
TEST(GdiLookupTest, FacesFoundWhileTheLookupStartsAhead) {
    win32::StartFontLookup();
    win32::StartFontLookup();
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    HGDIOBJ system = nullptr;
    for (const char* face : {"ＭＳ ゴシック", "ＭＳ 明朝"}) {
        SCOPED_TRACE(face);
        HFONT font = CreateFontA(24, 12, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, 0, win32::Utf8ToCp932(face).c_str());
        ASSERT_NE(font, nullptr);
        HGDIOBJ old = SelectObject(dc, font);
        if (!system) system = old;
        TEXTMETRICA tm;
        ASSERT_TRUE(GetTextMetricsA(dc, &tm));
        EXPECT_EQ(tm.tmHeight, 24);
        GLYPHMETRICS gm;
        EXPECT_GT(GetGlyphOutlineA(dc, 0x82A0, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &kIdentity), 0u);  // あ
        EXPECT_EQ(gm.gmCellIncX, 24);
        SelectObject(dc, system);
        DeleteObject(font);
    }
    DeleteDC(dc);
}

}  // namespace
