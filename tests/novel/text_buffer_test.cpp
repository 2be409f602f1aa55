// Text buffers and the text renderer: pen positions in fixed pitch, spaces, the strict wrap, the box
// height and atlas limits, alignment of each line, the visible count, and glyphs on screen.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "novel/novel/NovelSystem.h"
#include "support/ScratchDir.h"
#include "support/RenderDevice.h"
#include "support/ScenarioCode.h"

namespace {

const char* const kGothic = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";  // ＭＳ ゴシック in CP932

class TextBufferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Ok());
        buffers.DeleteAll();
    }
    void TearDown() override { buffers.DeleteAll(); }
    // A buffer of a 16-pixel font in a box, laid out with text.
    CStringRenderTexture* Make(const std::string& text, int boxW, int boxH, int pitch = 20, int lineHeight = 20,
                               int align = 0, bool fixed = true) {
        CStringRenderTexture* b = buffers.Get(buffers.CreateStringRenderTexture(16, kGothic, boxW, boxH, pitch,
                                                                                lineHeight, align, fixed));
        EXPECT_TRUE(b->CreateDC());
        b->ClearTexture();
        b->SetString(text.c_str(), 255, 255, 255);
        b->DeleteDC();
        return b;
    }
    // The left edge that character code c gets when laid out alone at pen position 0.
    float AloneLeft(const std::string& c) { return Make(c, 256, 64)->GetChar(0).left; }
    std::vector<std::vector<float>> Walk(CStringRenderTexture* b) {
        std::vector<std::vector<float>> out;
        float screen[4], texture[4];
        b->BeginRendering();
        while (b->NextRenderingChar(screen, texture)) out.push_back({screen[0], screen[1], screen[2], screen[3]});
        return out;
    }
    ScratchDir folder;
    testsupport::RenderDevice device;
    // The novel system's text buffers are the ones text renderers find.
    CStringRendererManager& buffers = CNovelSystem::GetInstance()->GetTextBuffers();
};

TEST_F(TextBufferTest, FixedPitchPlacesHalfAndFullWidthCharacters) {
    CStringRenderTexture* abc = Make("ABC", 256, 64);
    ASSERT_EQ(abc->GetCharCount(), 3u);
    const char* letters[] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(abc->GetChar(i).left, AloneLeft(letters[i]) + 10.0f * i) << letters[i];
        EXPECT_FLOAT_EQ(abc->GetChar(i).lineWidth, 30.0f);
    }
    // あ, a full-width space, い: two cells, the second two pitches on; a half-width space is half a pitch.
    CStringRenderTexture* wide = Make("\x82\xa0\x81\x40\x82\xa2", 256, 64);
    ASSERT_EQ(wide->GetCharCount(), 2u);
    EXPECT_FLOAT_EQ(wide->GetChar(1).left, AloneLeft("\x82\xa2") + 40.0f);
    CStringRenderTexture* spaced = Make("A B", 256, 64);
    EXPECT_FLOAT_EQ(spaced->GetChar(1).left, AloneLeft("B") + 20.0f);
}

TEST_F(TextBufferTest, WrapsStrictlyAndStopsAtTheBoxHeight) {
    struct Case {
        const char* name;
        std::string text;
        int boxW, boxH;
        std::vector<float> lineWidths;  // one per cell
    };
    const Case cases[] = {
        // C would end exactly at the box width: it starts the next line.
        {"strict", "ABC", 30, 64, {20, 20, 10}},
        {"fits", "ABC", 31, 64, {30, 30, 30}},
        // Two lines of three fit in the box; the rest of the text is dropped whole.
        {"height", "ABCDEFGHIJ", 31, 40, {30, 30, 30, 30, 30, 30}},
        // A new line is taken as written, even below the box.
        {"explicit", "A\nB\nC", 256, 20, {10, 10, 10}},
    };
    for (const Case& c : cases) {
        CStringRenderTexture* b = Make(c.text, c.boxW, c.boxH);
        ASSERT_EQ(b->GetCharCount(), c.lineWidths.size()) << c.name;
        for (std::uint32_t i = 0; i < b->GetCharCount(); ++i)
            EXPECT_FLOAT_EQ(b->GetChar(i).lineWidth, c.lineWidths[i]) << c.name << " " << i;
    }
    // The wrapped character starts the next line at its own glyph position.
    CStringRenderTexture* wrapped = Make("ABC", 30, 64);
    EXPECT_FLOAT_EQ(wrapped->GetChar(2).top, Make("C", 256, 64)->GetChar(0).top + 20.0f);
    EXPECT_FLOAT_EQ(wrapped->GetChar(2).left, AloneLeft("C"));
}

TEST_F(TextBufferTest, EachLineIsAlignedByItsOwnWidth) {
    struct Case {
        int align;
        float offsetLine1, offsetLine2;  // lines of width 30 and 10 in a box 35 wide
    };
    for (const Case& c : {Case{0, 0, 0}, Case{1, 5, 25}, Case{2, 2, 12}}) {
        CStringRenderTexture* b = Make("ABCD", 35, 64, 20, 20, c.align);
        CStringRenderTexture* left = Make("ABCD", 35, 64, 20, 20, 0);
        std::vector<std::vector<float>> cells = Walk(b), plain = Walk(left);
        ASSERT_EQ(cells.size(), 4u);
        for (int i = 0; i < 4; ++i)
            EXPECT_FLOAT_EQ(cells[i][0] - plain[i][0], i < 3 ? c.offsetLine1 : c.offsetLine2) << c.align << " " << i;
    }
}

TEST_F(TextBufferTest, VisibleCountLimitsTheWalk) {
    CStringRenderTexture* b = Make("ABCDE", 256, 64);
    struct Case {
        std::uint32_t visible;
        std::size_t walked;
    };
    for (const Case& c : {Case{0, 0}, Case{2, 2}, Case{CStringRenderTexture::kAll, 5}}) {
        b->SetRenderingCharCount(c.visible);
        EXPECT_EQ(Walk(b).size(), c.walked) << c.visible;
    }
    b->SetRenderingCharCount(4);
    EXPECT_TRUE(b->AddRenderingCharCount());
    EXPECT_FALSE(b->AddRenderingCharCount());  // already all: stays
    EXPECT_EQ(b->GetRenderingCharCount(), 5u);
    b->SetAllRendering();
    EXPECT_FALSE(b->AddRenderingCharCount());
    EXPECT_EQ(b->GetRenderingCharCount(), CStringRenderTexture::kAll);
}

TEST_F(TextBufferTest, AtlasIsTheHardLimitAndNothingIsWrittenOutsideIt) {
    // Lines 8 pixels apart but atlas rows a font size (16) high: the 64 x 64 atlas fills up long
    // before the box does, and the text ends there.
    CStringRenderTexture* b = Make(std::string(100, 'W'), 64, 64, 8, 8);
    EXPECT_GT(b->GetCharCount(), 8u);
    EXPECT_LT(b->GetCharCount(), 100u);
    for (std::uint32_t i = 0; i < b->GetCharCount(); ++i) {
        EXPECT_LE(b->GetChar(i).uRight, 1.0f);
        EXPECT_LE(b->GetChar(i).vBottom, 1.0f);
    }
}

TEST_F(TextBufferTest, TextRendererDrawsTheVisibleGlyphsInItsColour) {
    std::uint32_t index = buffers.CreateStringRenderTexture(24, kGothic, 256, 64, 24, 24, 0, true);
    CStringRenderTexture* b = buffers.Get(index);
    ASSERT_TRUE(b->CreateDC());
    b->ClearTexture();
    b->SetString("\x81\xa1\x81\xa1", 255, 255, 255);  // ■■
    b->DeleteDC();
    CRendererManager renderers;
    CStringRenderer* text = renderers.CreateStringRenderer(1);
    text->SetSource(index);
    text->SetPosition(100, 100, 0);
    text->SetColor(0, 1, 0, 1);
    auto green = [&](std::uint32_t visible) {
        b->SetRenderingCharCount(visible);
        std::vector<DWORD> frame = device.Frame([&] { renderers.RenderAll(); });
        int n = 0;
        for (int y = 100; y < 124; ++y)
            for (int x = 100; x < 148; ++x) n += testsupport::Pixel(frame, x, y) == 0x00FF00;
        return n;
    };
    const int one = green(1), two = green(2);
    EXPECT_GT(one, 50);
    EXPECT_GT(two, one + 50);
    EXPECT_EQ(green(0), 0);
}

TEST_F(TextBufferTest, OneFrameDrawsAtMost125Cells) {
    std::uint32_t index = buffers.CreateStringRenderTexture(8, kGothic, 2048, 2048, 8, 8, 0, true);
    CStringRenderTexture* b = buffers.Get(index);
    ASSERT_TRUE(b->CreateDC());
    b->SetString(std::string(300, 'x').c_str(), 255, 255, 255);
    b->DeleteDC();
    ASSERT_GT(b->GetCharCount(), 125u);
    CRendererManager renderers;
    CStringRenderer* text = renderers.CreateStringRenderer(1);
    text->SetSource(index);
    device.Frame([&] { renderers.RenderAll(); });
    EXPECT_EQ(text->GetVSParams()->count, 256u);
}

}  // namespace
