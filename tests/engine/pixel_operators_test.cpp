// Pixel encodings of the engine's formats: factories per format, premultiplied 16-bit writes,
// read-back expansion and 16-bit rectangle fills.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

#include "engine/resources/PixelOperators.h"

namespace {

TEST(PixelOperatorsTest, FactoriesMakeObjectsOnlyForTheirFormats) {
    struct Case {
        D3DFORMAT format;
        bool op, clear, fill, pixel;
    };
    for (const Case& c : {Case{D3DFMT_A8R8G8B8, true, true, true, true}, Case{D3DFMT_X8R8G8B8, true, true, true, true},
                          Case{D3DFMT_R5G6B5, true, true, true, true}, Case{D3DFMT_A1R5G5B5, true, true, true, true},
                          Case{D3DFMT_R8G8B8, true, false, false, false}, Case{D3DFMT_X1R5G5B5, false, false, false, false},
                          Case{D3DFMT_A8, false, false, false, false}}) {
        std::unique_ptr<IPixelOperator> op = CreatePixelOperator(c.format);
        std::unique_ptr<CClearRectFunctor> clear = CreateClearRectFunctor(c.format);
        std::unique_ptr<CFillRectFunctor> fill = CreateFillRectFunctor(c.format);
        std::unique_ptr<CRenderPixel> pixel = CreateRenderPixel(c.format);
        EXPECT_EQ(op != nullptr, c.op) << c.format;
        EXPECT_EQ(clear != nullptr, c.clear) << c.format;
        EXPECT_EQ(fill != nullptr, c.fill) << c.format;
        EXPECT_EQ(pixel != nullptr, c.pixel) << c.format;
    }
}

TEST(PixelOperatorsTest, A1R5G5B5WritesPremultiplyAndAlphaZeroWritesZero) {
    std::uint16_t row[4] = {0x1111, 0x1111, 0x1111, 0x1111};
    std::unique_ptr<IPixelOperator> op = CreatePixelOperator(D3DFMT_A1R5G5B5);
    op->Attach(reinterpret_cast<std::uint8_t*>(row), sizeof row);
    op->SetRect(0, 0, 3, 1);
    op->Begin();
    op->WritePixel(255, 255, 255, 255);
    op->WritePixel(9, 9, 9, 0);
    op->WritePixel(255, 0, 0, 128);
    EXPECT_EQ(row[0], 0xFFFF);
    EXPECT_EQ(row[1], 0x0000);
    EXPECT_EQ(row[2], 0xBC00);
    EXPECT_EQ(row[3], 0x1111);  // The cursor moved exactly one pixel per write.
}

TEST(PixelOperatorsTest, R5G6B5ReadsBackThroughTheExpansionTables) {
    std::uint16_t row[2] = {0xFFFF, 0x0000};
    std::unique_ptr<IPixelOperator> op = CreatePixelOperator(D3DFMT_R5G6B5);
    op->Attach(reinterpret_cast<std::uint8_t*>(row), sizeof row);
    op->SetRect(0, 0, 2, 1);
    op->Begin();
    std::uint8_t r, g, b, a;
    op->ReadPixel(&r, &g, &b, &a);
    EXPECT_EQ((std::array<int, 4>{r, g, b, a}), (std::array<int, 4>{255, 255, 255, 255}));
    op->ReadPixel(&r, &g, &b, &a);
    EXPECT_EQ((std::array<int, 4>{r, g, b, a}), (std::array<int, 4>{0, 0, 0, 255}));
}

TEST(PixelOperatorsTest, SixteenBitFillCoversExactlyItsRectangle) {
    std::uint16_t image[2][6];
    std::memset(image, 0, sizeof image);
    std::unique_ptr<CFillRectFunctor> fill = CreateFillRectFunctor(D3DFMT_R5G6B5);
    (*fill)(1, 0, 3, 2, 255, 255, 255, 255, reinterpret_cast<std::uint8_t*>(image), sizeof image[0]);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(image[y][x] != 0, x >= 1 && x <= 3) << x << "," << y;
}

}  // namespace
