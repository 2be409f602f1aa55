// Render sources: placement of pictures and buffers, failed loads that keep what was there, the
// tables' order through exchanges, saves and loads, and damaged records.
#include <gtest/gtest.h>

#include <string>

#include "novel/render/RenderSource.h"
#include "support/ScratchDir.h"
#include "support/RenderDevice.h"
#include "support/ScenarioCode.h"

namespace {

using RenderSource::CSingleTexture;

class RenderSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Ok());
        testsupport::WriteTga("a.tga", 6, 3, [](int, int) { return 0xFFFF0000u; });
        testsupport::WriteTga("b.tga", 4, 4, [](int, int) { return 0xFF00FF00u; });
        testsupport::WritePartsFile("a.parts", {{5, 7, 11, 10, 0, 0, 6, 3}});
    }
    static void Reload(RenderSource::OStream& out, RenderSource::IStream& in) {
        in.Attach(out.GetData(), out.GetSize());
    }
    ScratchDir folder;
    testsupport::RenderDevice device;
};

TEST_F(RenderSourceTest, PicturesArePlacedAroundTheOriginOrAtTheOffset) {
    struct Case {
        const char* name;
        const RenderSource::Offset* offset;
        bool parts;
        float rect[4];
    };
    const RenderSource::Offset at{10, 20};
    const Case cases[] = {{"centred", nullptr, false, {-3, -1.5f, 3, 1.5f}},
                          {"offset", &at, false, {10, 20, 16, 23}},
                          {"first part's corner", nullptr, true, {5, 7, 11, 10}}};
    for (const Case& c : cases) {
        CSingleTexture s;
        ASSERT_TRUE(c.parts ? s.CreateWithParts("a.tga", "a.parts", D3DFMT_A8R8G8B8)
                            : s.Create("a.tga", D3DFMT_A8R8G8B8, c.offset))
            << c.name;
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(s.rect[i], c.rect[i]) << c.name << " " << i;
        // The picture covers its own part of the power-of-two texture.
        EXPECT_FLOAT_EQ(s.uv[2], 6.0f / 8.0f) << c.name;
        EXPECT_FLOAT_EQ(s.uv[3], 3.0f / 4.0f) << c.name;
        EXPECT_EQ(s.fileName, "a.tga");
    }
}

TEST_F(RenderSourceTest, RenderBufferCoversItsSizeOfTheTexture) {
    RenderSource::CRenderBuffer b;
    ASSERT_TRUE(b.Create(D3DFMT_A8R8G8B8, 800, 600));
    const D3DSURFACE_DESC& desc = GetTexture(b.texture)->GetLevelDesc();
    EXPECT_FLOAT_EQ(b.uv[2] * static_cast<float>(desc.Width), 800.0f);
    EXPECT_FLOAT_EQ(b.uv[3] * static_cast<float>(desc.Height), 600.0f);
    EXPECT_FLOAT_EQ(b.rect[0], -400.0f);
    EXPECT_FLOAT_EQ(b.rect[3], 300.0f);
}

TEST_F(RenderSourceTest, FailedLoadsKeepThePreviousPicture) {
    CSingleTexture s;
    ASSERT_TRUE(s.Create("a.tga", D3DFMT_A8R8G8B8));
    const TextureHandle kept = s.texture;
    EXPECT_FALSE(s.Create("missing.tga", D3DFMT_A8R8G8B8));
    EXPECT_FALSE(s.CreateWithParts("b.tga", "missing.parts", D3DFMT_A8R8G8B8));
    EXPECT_EQ(s.texture, kept);
    EXPECT_EQ(s.fileName, "a.tga");
    EXPECT_NE(GetTexture(kept), nullptr);

    // A parts sheet checks its parts file before it lets the old sheet go: a missing picture or a
    // missing parts file leaves texture, names and parts as they were.
    RenderSource::CPartsTexture p;
    ASSERT_TRUE(p.Create("a.tga", D3DFMT_A8R8G8B8, "a.parts"));
    const TextureHandle sheet = p.texture;
    EXPECT_FALSE(p.Create("b.tga", D3DFMT_A8R8G8B8, "missing.parts"));
    EXPECT_FALSE(p.Create("missing.tga", D3DFMT_A8R8G8B8, "a.parts"));
    EXPECT_EQ(p.texture, sheet);
    EXPECT_NE(GetTexture(sheet), nullptr);
    EXPECT_EQ(p.textureFileName, "a.tga");
    EXPECT_EQ(p.partsFileName, "a.parts");
    EXPECT_EQ(p.parts.Count(), 1u);
}

TEST_F(RenderSourceTest, ExchangedOrderSurvivesSaveAndLoad) {
    RenderSource::CRenderSourceManager sources;
    sources.singleTextures.Allocate(3);
    sources.singleTextures.GetSource(0)->Create("a.tga", D3DFMT_A8R8G8B8);
    const RenderSource::Offset at{1, 2};
    sources.singleTextures.GetSource(1)->Create("b.tga", D3DFMT_A8R8G8B8, &at);
    sources.singleTextures.SwapOrder(0, 1);
    EXPECT_EQ(sources.singleTextures.GetSource(0)->fileName, "b.tga");
    EXPECT_EQ(sources.singleTextures.GetSource(1)->fileName, "a.tga");
    sources.partsTextures.Allocate(1);
    sources.partsTextures.GetSource(0)->Create("a.tga", D3DFMT_A8R8G8B8, "a.parts");

    RenderSource::OStream out;
    sources.Save(out);
    RenderSource::CRenderSourceManager loaded;
    RenderSource::IStream in;
    Reload(out, in);
    loaded.Load(in, 0);
    EXPECT_EQ(in.GetPosition(), out.GetSize());
    const CSingleTexture* first = loaded.singleTextures.GetSource(0);
    EXPECT_EQ(first->fileName, "b.tga");
    EXPECT_NE(GetTexture(first->texture), nullptr);
    EXPECT_FLOAT_EQ(first->rect[0], 1.0f);  // the saved rectangle, not a centred one
    EXPECT_EQ(loaded.singleTextures.GetSource(1)->fileName, "a.tga");
    EXPECT_EQ(loaded.singleTextures.GetSource(2)->fileName, "");
    EXPECT_EQ(loaded.singleTextures.GetSource(3), nullptr);
    EXPECT_EQ(loaded.partsTextures.GetSource(0)->parts.Count(), 1u);
}

TEST_F(RenderSourceTest, EmptyTableSavesItsCountAlone) {
    RenderSource::tRenderSourceManager<RenderSource::MeshSource> table;
    RenderSource::OStream out;
    table.Save(out);
    ASSERT_EQ(out.GetSize(), 4u);
    EXPECT_EQ(out.GetData()[0] | out.GetData()[1] | out.GetData()[2] | out.GetData()[3], 0);
}

TEST_F(RenderSourceTest, MeshRecordOfUnknownKindStillLoadsItsTexture) {
    RenderSource::OStream out;
    SaveIO::WriteString(out, "m.mesh");
    SaveIO::WriteU32(out, 7);
    SaveIO::WriteString(out, "b.tga");
    SaveIO::WriteU32(out, D3DFMT_A8R8G8B8);
    RenderSource::MeshSource mesh;
    RenderSource::IStream in;
    Reload(out, in);
    mesh.Load(in, 0);
    EXPECT_EQ(mesh.meshKind, -1);
    EXPECT_TRUE(mesh.mesh.IsNull());
    EXPECT_NE(GetTexture(mesh.texture), nullptr);
}

TEST_F(RenderSourceTest, DamagedTableRecordsNeitherCrashNorScrambleTheOrder) {
    struct Case {
        const char* name;
        std::vector<uint32_t> words;  // a table of render buffers: count, records, order
        bool throws;
    };
    auto buffer = [](std::vector<uint32_t>& w) {  // format, width, height and eight zero floats
        w.insert(w.end(), {D3DFMT_A8R8G8B8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    };
    std::vector<uint32_t> duplicate = {2};
    buffer(duplicate);
    buffer(duplicate);
    duplicate.insert(duplicate.end(), {1, 1});
    std::vector<uint32_t> truncated = {2};
    buffer(truncated);
    const Case cases[] = {{"order not a permutation", duplicate, false},
                          {"record cut short", truncated, true},
                          {"count beyond the data", {0x40000000, 1, 2}, true}};
    for (const Case& c : cases) {
        RenderSource::tRenderSourceManager<RenderSource::CRenderBuffer> table;
        RenderSource::IStream in;
        in.Attach(reinterpret_cast<const unsigned char*>(c.words.data()), uint32_t(c.words.size() * 4));
        if (c.throws) {
            EXPECT_THROW(table.Load(in, 0), USLib::stream_error) << c.name;
            continue;
        }
        table.Load(in, 0);
        ASSERT_EQ(table.Count(), 2u) << c.name;
        // The identity order is kept: index i still means entry i.
        EXPECT_NE(table.GetSource(0), table.GetSource(1)) << c.name;
    }
}

}  // namespace
