// Picture and text-buffer opcodes: sources loaded and exchanged by index, renderer state set by id
// (degrees to radians, the rendering flag, the blend table), unknown ids and buffers consuming their
// operands, and text set into a buffer unwrapped or wrapped and revealed.
#include <gtest/gtest.h>

#include "engine/device/AppDeviceInfo.h"
#include "novel/novel/NovelSystem.h"
#include "support/ScratchDir.h"
#include "support/RenderDevice.h"
#include "support/ScenarioCode.h"

namespace {

class PictureOpcodes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Ok());
        testsupport::ResetGameState();
        novel.SetupSceneServices();
        novel.GetTextBuffers().DeleteAll();
        novel.GetRenderSources().singleTextures.Allocate(2);
        testsupport::WriteTga("a.tga", 4, 2, [](int, int) { return 0xFFFF0000u; });
        testsupport::WriteTga("b.tga", 2, 2, [](int, int) { return 0xFF00FF00u; });
        picture = novel.GetRenderers().CreateSingleTextureRenderer(5);
        picture->SetRenderSourceManager(&novel.GetRenderSources());
    }
    void TearDown() override {
        novel.GetRenderers().DeleteAll();
        novel.GetRenderSources().ReleaseAll();
        novel.GetTextBuffers().DeleteAll();
    }
    ScratchDir folder;
    testsupport::RenderDevice device;
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    CSingleTextureRenderer* picture = nullptr;
};

TEST_F(PictureOpcodes, RendererStateBySourceAndId) {
    testsupport::RunNovel(R"(
        LoadSingleTexture 0, "a.tga"
        LoadSingleTextureAt 1, "b.tga", 10, 20
        SwapSingleTexture 0, 1
        SetSource 5, 0
        SetRoll 5, 90, 0, 0
        SetPosition 5, 1, 2, 3
        SetColor 5, 0.5, 0.5, 0.5, 1
        SetBlendRenderState 5, 1
        SetRegistTable 5, 2
        SetRendering 5, 1
        SetRendering 99, 1
        SetPosition 99, 7, 7, 7
    )");
    RenderSource::tRenderSourceManager<RenderSource::CSingleTexture>& table = novel.GetRenderSources().singleTextures;
    EXPECT_EQ(table.GetSource(0)->fileName, "b.tga");
    EXPECT_FLOAT_EQ(table.GetSource(0)->rect[0], 10.0f);
    EXPECT_EQ(table.GetSource(1)->fileName, "a.tga");
    EXPECT_EQ(picture->GetSource(), 0u);
    EXPECT_FLOAT_EQ(picture->GetRoll()[0], 1.5707964f);
    EXPECT_FLOAT_EQ(picture->GetPosition()[2], 3.0f);
    EXPECT_FLOAT_EQ(picture->GetColor()[0], 0.5f);
    EXPECT_EQ(picture->GetRegistTable(), 2u);
    EXPECT_TRUE(picture->IsRendering());
}

TEST_F(PictureOpcodes, OnlyFlagOneTurnsDrawingOn) {
    struct Case {
        uint32_t flag;
        bool rendering;
    };
    for (const Case& c : {Case{1, true}, Case{2, false}, Case{0, false}}) {
        testsupport::RunNovel("SetRendering 5, 1\n SetRendering 5, " + std::to_string(c.flag));
        EXPECT_EQ(picture->IsRendering(), c.rendering) << c.flag;
    }
}

TEST_F(PictureOpcodes, TextBufferOpcodesSetClearAndReveal) {
    const char* const gothic = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";
    novel.GetTextBuffers().CreateStringRenderTexture(16, gothic, 256, 128, 16, 20, 0, true);
    CStringRenderTexture* b = novel.GetTextBuffers().Get(0);
    testsupport::RunNovel(R"(
        SetTextBufferString 0, "ABCD", 0
        SetTextBufferRenderingCharCnt 0, 2
        AddTextBufferRenderingCharCnt 0
        SetTextBufferString 7, "lost", 0
        AddTextBufferRenderingCharCnt 7
    )");
    EXPECT_EQ(b->GetText(), "ABCD");
    EXPECT_EQ(b->GetCharCount(), 4u);
    EXPECT_EQ(b->GetRenderingCharCount(), 3u);
    testsupport::RunNovel("SetTextBufferAllRendering 0");
    EXPECT_EQ(b->GetRenderingCharCount(), CStringRenderTexture::kAll);
    // Wrap word 1: the word-wrap manager breaks a line longer than its width.
    novel.SetWordWrap(2, 0, false);
    testsupport::RunNovel(R"(SetTextBufferString 0, "ABCDEFGH", 1)");
    EXPECT_NE(b->GetText().find('\n'), std::string::npos);
    testsupport::RunNovel(R"(SetTextBufferString 0, "ABCDEFGH", 9)");
    EXPECT_EQ(b->GetText(), "");
    testsupport::RunNovel(R"(SetTextBufferString 0, "AB", 0
        ClearTextBuffer 0)");
    EXPECT_EQ(b->GetCharCount(), 0u);
}

}  // namespace
