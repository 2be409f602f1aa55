// Renderers: the manager's id map (re-used ids, orphans, exchanges), the saved record with its
// restore through the setters, the script type "IRenderer" in degrees, and what each kind puts on
// screen through the real shaders and the novel scene's render process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/input/AppCommonInfo.h"
#include "novel/app/MainApp.h"
#include "novel/render/RendererManager.h"
#include "novel/state/SnapImage.h"
#include "novel/script/ASCommon.h"
#include "support/ScratchDir.h"
#include "support/RenderDevice.h"
#include "support/ScenarioCode.h"

namespace {

// ---- the manager ----

TEST(RendererManagerTest, IdsNameTheLatestRendererCreatedForThem) {
    CRendererManager m;
    EXPECT_EQ(m.GetRenderer(7), nullptr);  // empty manager
    CSingleTextureRenderer* picture = m.CreateSingleTextureRenderer(7);
    CStringRenderer* text = m.CreateStringRenderer(7);
    CSingleTextureRenderer* first3 = m.CreateSingleTextureRenderer(3);
    CSingleTextureRenderer* second3 = m.CreateSingleTextureRenderer(3);
    EXPECT_EQ(m.GetSingleTextureRenderer(7), nullptr);
    EXPECT_EQ(m.GetRenderer(7), text);
    EXPECT_EQ(m.GetStringRenderer(7), text);
    EXPECT_EQ(m.GetSingleTextureRenderer(3), second3);
    EXPECT_EQ(m.GetCount(0), 3u);  // the orphans stay in their list
    EXPECT_NE(picture, first3);
    // Only the text renderer is drawn from its creation on.
    EXPECT_TRUE(text->IsRendering());
    EXPECT_FALSE(second3->IsRendering());
    EXPECT_EQ(text->GetSource(), 0xFFFFFFFFu);
    EXPECT_EQ(m.CreateAtmosphericPolygonRenderer(9)->GetSource(), 0xFFFFFFFFu);
}

TEST(RendererManagerTest, SwappingPositionsExchangesWhatTheIdsName) {
    CRendererManager m;
    CSingleTextureRenderer* ten = m.CreateSingleTextureRenderer(10);
    CSingleTextureRenderer* eleven = m.CreateSingleTextureRenderer(11);
    m.SwapSingleTextureRenderers(0, 1);
    EXPECT_EQ(m.GetRenderer(10), eleven);
    EXPECT_EQ(m.GetRenderer(11), ten);
    m.SwapSingleTextureRenderers(0, 5);  // beyond the list: nothing
    EXPECT_EQ(m.GetRenderer(10), eleven);
}

TEST(RendererManagerTest, EmptyManagerSavesItsEntryCountAlone) {
    CRendererManager m;
    RenderSource::OStream out;
    m.Save(out);
    EXPECT_EQ(out.GetSize(), 4u);
}

TEST(RendererManagerTest, LoadMatchesStatesByPositionAndRestoreActsOnThem) {
    CRendererManager saved;
    saved.CreateSingleTextureRenderer(1)->SetPosition(10, 20, 30);
    CAlphaFadeRenderer* fade = saved.CreateAlphaFadeRenderer(2);
    fade->SetColor(0.25f, 0.5f, 0.75f, 0.5f);
    fade->SetRendering(true);
    CTexturePartRenderer* part = saved.CreateTexturePartRenderer(3);
    part->SetPatNo(4);
    part->SetBlendRenderState(1);
    part->SetTag(99);
    saved.CreateStringRenderer(4)->SetRegistTable(3);
    RenderSource::OStream out;
    saved.Save(out);
    // Map 4 entries x 12 bytes; records of 64 bytes plus each kind's own words.
    EXPECT_EQ(out.GetSize(), 4u + 4 * 12 + (64 + 8) + (64 + 12) + (64 + 12) + (64 + 8));

    CRendererManager loaded;
    loaded.CreateSingleTextureRenderer(1);
    CAlphaFadeRenderer* fade2 = loaded.CreateAlphaFadeRenderer(2);
    loaded.CreateTexturePartRenderer(3);
    loaded.CreateStringRenderer(4);
    RenderSource::IStream in;
    in.Attach(out.GetData(), out.GetSize());
    loaded.Load(in, 0);
    EXPECT_EQ(in.GetPosition(), out.GetSize());
    // Loaded but not yet acted on: the pixel constant waits for the restore.
    CPSParamInfo* ps = GetPSParamInfo(fade2->GetPSParams());
    ASSERT_NE(ps, nullptr);
    EXPECT_EQ(ps->count, 0u);
    loaded.RestoreAll();
    EXPECT_FLOAT_EQ(ps->registers[0][1], 0.5f);
    // Restored without a mask, the fading picture stops rendering.
    EXPECT_FALSE(fade2->IsRendering());
    EXPECT_FLOAT_EQ(loaded.GetRenderer(1)->GetPosition()[2], 30.0f);
    EXPECT_EQ(loaded.GetRenderer(3)->GetTag(), 99u);
    EXPECT_EQ(loaded.GetRenderer(4)->GetRegistTable(), 3u);
}

TEST(RendererManagerTest, EntriesBeyondTheListsNameNoRenderer) {
    CRendererManager saved;
    saved.CreateSingleTextureRenderer(1);
    saved.CreateSingleTextureRenderer(2);
    RenderSource::OStream out;
    saved.Save(out);
    CRendererManager loaded;  // the setting script made one renderer this time
    loaded.CreateSingleTextureRenderer(1);
    RenderSource::IStream in;
    in.Attach(out.GetData(), out.GetSize());
    loaded.Load(in, 0);
    EXPECT_NE(loaded.GetRenderer(1), nullptr);
    EXPECT_EQ(loaded.GetRenderer(2), nullptr);
    loaded.RenderAll();  // nothing reaches past the list
}

// ---- the script type ----

IRenderer* g_scriptRenderer = nullptr;
IRenderer& GetScriptRenderer(uint32_t) { return *g_scriptRenderer; }

TEST(IRendererScriptTest, AnglesTravelInDegreesAndTheKindsOverridesRun) {
    CRendererManager m;
    CSingleTextureRenderer* picture = m.CreateSingleTextureRenderer(1);
    g_scriptRenderer = picture;
    asIScriptEngine* engine = CreateScriptEngine();
    ASSERT_TRUE(NovelRender::RegisterIRenderer(engine));
    ASSERT_GE(engine->RegisterGlobalFunction("IRenderer &GetRenderer(uint32)", asFUNCTION(GetScriptRenderer),
                                             asCALL_CDECL),
              0);
    asIScriptModule* module = engine->GetModule("test", asGM_ALWAYS_CREATE);
    module->AddScriptSection("test", R"(
        float Run() {
            IRenderer @r = GetRenderer(1);
            r.SetRoll(90, 0, 0);
            r.SetRendering(true);
            r.SetPosition(1, 2, 3);
            float x, y, z, yaw, p, q;
            r.GetPosition(x, y, z);
            r.GetRoll(yaw, p, q);
            return yaw + z * 1000;
        })");
    ASSERT_GE(module->Build(), 0);
    asIScriptContext* context = engine->CreateContext();
    context->Prepare(module->GetFunctionByDecl("float Run()"));
    ASSERT_EQ(context->Execute(), asEXECUTION_FINISHED);
    const float result = context->GetReturnFloat();
    context->Release();
    engine->ShutDownAndRelease();
    EXPECT_EQ(picture->GetRoll()[0], 1.5707963705062866f);
    EXPECT_TRUE(picture->IsRendering());
    EXPECT_NEAR(result, 3090.0f, 1e-3f);
}

// ---- on screen ----

class RendererScreenTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.Ok()); }
    ScratchDir folder;
    testsupport::RenderDevice device;
    RenderSource::CRenderSourceManager sources;
    CRendererManager renderers;
};

constexpr DWORD kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kBlack = 0, kWhite = 0xFFFFFF;

TEST_F(RendererScreenTest, PictureSitsOnWholePixelsWithoutBlur) {
    testsupport::WriteTga("red.tga", 4, 4, [](int, int) { return 0xFFFF0000u; });
    sources.singleTextures.Allocate(1);
    ASSERT_TRUE(sources.singleTextures.GetSource(0)->Create("red.tga", D3DFMT_A8R8G8B8));
    CSingleTextureRenderer* r = renderers.CreateSingleTextureRenderer(1);
    r->SetRenderSourceManager(&sources);
    r->SetSource(0);
    r->SetPosition(100.7f, 50.2f, 0);
    r->SetColor(1, 1, 1, 1);
    r->SetRendering(true);
    std::vector<DWORD> frame = device.Frame([&] { renderers.RenderAll(); });
    ASSERT_EQ(frame.size(), 800u * 600u);
    // Centred 4 x 4 at (100, 50): pixels 98-101 and 48-51, exactly.
    struct Case {
        int x, y;
        DWORD colour;
    };
    for (const Case& c : {Case{98, 48, kRed}, Case{101, 51, kRed}, Case{97, 50, kBlack}, Case{102, 50, kBlack},
                          Case{100, 47, kBlack}, Case{100, 52, kBlack}})
        EXPECT_EQ(testsupport::Pixel(frame, c.x, c.y), c.colour) << c.x << "," << c.y;
    // Hidden renderers draw nothing.
    r->SetRendering(false);
    frame = device.Frame([&] { renderers.RenderAll(); });
    EXPECT_EQ(testsupport::Pixel(frame, 100, 50), kBlack);
}

TEST_F(RendererScreenTest, ScaledPictureIsFilteredAndUnscaledIsNot) {
    testsupport::WriteTga("stripes.tga", 4, 4, [](int x, int) { return x % 2 ? 0xFFFFFFFFu : 0xFF000000u; });
    sources.singleTextures.Allocate(1);
    ASSERT_TRUE(sources.singleTextures.GetSource(0)->Create("stripes.tga", D3DFMT_A8R8G8B8));
    CSingleTextureRenderer* r = renderers.CreateSingleTextureRenderer(1);
    r->SetRenderSourceManager(&sources);
    r->SetSource(0);
    r->SetPosition(400, 300, 0);
    r->SetRendering(true);
    auto distinct = [&](float scale) {
        r->SetScale(scale, scale, 1);
        std::vector<DWORD> frame = device.Frame([&] { renderers.RenderAll(); });
        std::vector<DWORD> seen;
        for (int x = 380; x < 420; ++x) {
            DWORD p = testsupport::Pixel(frame, x, 300);
            if (std::find(seen.begin(), seen.end(), p) == seen.end()) seen.push_back(p);
        }
        return seen.size();
    };
    EXPECT_EQ(distinct(1.0f), 2u);  // black and white only
    EXPECT_GT(distinct(8.0f), 3u);  // greys between the stripes
}

TEST_F(RendererScreenTest, FadingPictureShowsWhereTheMaskIsDarkerThanTheFade) {
    testsupport::WriteTga("white.tga", 8, 8, [](int, int) { return 0xFFFFFFFFu; });
    testsupport::WriteTga("mask.tga", 8, 8, [](int x, int) { return x < 4 ? 0xFF000000u : 0xFFFFFFFFu; });
    sources.singleTextures.Allocate(2);
    sources.singleTextures.GetSource(0)->Create("white.tga", D3DFMT_A8R8G8B8);
    sources.singleTextures.GetSource(1)->Create("mask.tga", D3DFMT_A8R8G8B8);
    CAlphaFadeRenderer* r = renderers.CreateAlphaFadeRenderer(1);
    r->SetRenderSourceManager(&sources);
    r->SetSource(0);
    r->SetAlphaSource(1);
    r->SetPosition(200, 200, 0);
    r->SetColor(1, 1, 1, 0.5f);
    r->SetRendering(true);
    std::vector<DWORD> frame = device.Frame([&] { renderers.RenderAll(); });
    EXPECT_EQ(testsupport::Pixel(frame, 197, 200), kWhite);  // mask 0: shown
    EXPECT_EQ(testsupport::Pixel(frame, 202, 200), kBlack);  // mask 1: not yet
    // A restored fading picture binds its mask again by itself.
    RenderSource::OStream out;
    renderers.Save(out);
    CRendererManager restored;
    CAlphaFadeRenderer* again = restored.CreateAlphaFadeRenderer(1);
    again->SetRenderSourceManager(&sources);
    RenderSource::IStream in;
    in.Attach(out.GetData(), out.GetSize());
    restored.Load(in, 0);
    restored.RestoreAll();
    EXPECT_EQ(device.Frame([&] { restored.RenderAll(); }), frame);
}

TEST_F(RendererScreenTest, PartRendererDrawsThePatternItIsGiven) {
    testsupport::WriteTga("sheet.tga", 8, 4, [](int x, int) { return x < 4 ? 0xFFFF0000u : 0xFF00FF00u; });
    testsupport::WritePartsFile("sheet.parts", {{0, 0, 4, 4, 0, 0, 4, 4}, {0, 0, 4, 4, 4, 0, 8, 4}});
    sources.partsTextures.Allocate(1);
    ASSERT_TRUE(sources.partsTextures.GetSource(0)->Create("sheet.tga", D3DFMT_A8R8G8B8, "sheet.parts"));
    CTexturePartRenderer* r = renderers.CreateTexturePartRenderer(1);
    r->SetRenderSourceManager(&sources);
    r->SetSource(0);
    r->SetPosition(10, 10, 0);
    r->SetColor(1, 1, 1, 1);
    r->SetRendering(true);
    for (uint32_t pattern : {0u, 1u, 2u}) {
        r->SetPatNo(pattern);
        std::vector<DWORD> frame = device.Frame([&] { renderers.RenderAll(); });
        // Pattern 2 is not on the sheet: nothing is drawn.
        const DWORD expected[] = {kRed, kGreen, kBlack};
        EXPECT_EQ(testsupport::Pixel(frame, 11, 11), expected[pattern]) << pattern;
    }
}

TEST_F(RendererScreenTest, LayersStackInOrderAndPolygonCoversTheScreen) {
    testsupport::WriteTga("red.tga", 4, 4, [](int, int) { return 0xFFFF0000u; });
    sources.singleTextures.Allocate(1);
    sources.singleTextures.GetSource(0)->Create("red.tga", D3DFMT_A8R8G8B8);
    CSingleTextureRenderer* picture = renderers.CreateSingleTextureRenderer(1);
    picture->SetRenderSourceManager(&sources);
    picture->SetSource(0);
    picture->SetPosition(50, 50, 0);
    picture->SetRendering(true);
    CAtmosphericPolygonRenderer* tint = renderers.CreateAtmosphericPolygonRenderer(2);
    tint->SetColor(0, 0, 1, 1);
    tint->SetRendering(true);
    struct Case {
        uint32_t pictureLayer, polygonLayer;
        DWORD atPicture;
    };
    for (const Case& c : {Case{1, 0, kRed}, Case{0, 1, kBlue}, Case{3, 1, kRed}, Case{1, 4, kBlue}}) {
        picture->SetRegistTable(c.pictureLayer);
        tint->SetRegistTable(c.polygonLayer);
        std::vector<DWORD> frame = device.Frame([&] { renderers.RenderAll(); });
        EXPECT_EQ(testsupport::Pixel(frame, 50, 50), c.atPicture) << c.pictureLayer << "/" << c.polygonLayer;
        EXPECT_EQ(testsupport::Pixel(frame, 700, 500), kBlue);
    }
}

TEST_F(RendererScreenTest, MeshIsShiftedHalfAPixelInXOnly) {
    MeshRenderer* mesh = renderers.CreateMeshRenderer(1);
    sources.meshes.Allocate(1);
    mesh->SetRenderSourceManager(&sources);
    mesh->SetSource(3);
    mesh->SetPosition(10.7f, 20.2f, 5);
    mesh->SetRendering(true);
    // A source index that names no mesh source draws nothing.
    device.Frame([&] { renderers.RenderAll(); });
    EXPECT_EQ(mesh->GetBaseRenderObject()->position, D3DXVECTOR3(0, 0, 0));
    mesh->SetSource(0);
    ASSERT_TRUE(CreateQuadMesh(&sources.meshes.GetSource(0)->mesh, D3DFVF_XYZ | D3DFVF_TEX1));
    device.Frame([&] { renderers.RenderAll(); });
    EXPECT_EQ(mesh->GetBaseRenderObject()->position, D3DXVECTOR3(10.7f - 0.5f, 20.2f, 5));
}

TEST_F(RendererScreenTest, SnapshotHoldsThePictureWithoutTheLayersAboveIt) {
    g_gameScreen.Set(800, 600);
    CSnapImage* snapshot = CSnapImage::GetInstance();
    snapshot->SetSize(160, 120);
    ASSERT_TRUE(snapshot->CreateResources());
    CAtmosphericPolygonRenderer* below = renderers.CreateAtmosphericPolygonRenderer(1);
    below->SetColor(0, 0, 1, 1);
    below->SetRegistTable(0);
    below->SetRendering(true);
    CAtmosphericPolygonRenderer* above = renderers.CreateAtmosphericPolygonRenderer(2);
    above->SetColor(1, 0, 0, 1);
    above->SetRegistTable(3);
    above->SetRendering(true);
    std::vector<DWORD> frame = device.Frame([&] {
        renderers.RenderAll();
        CUSSingleton<CAppCommonInfo>::GetInstance()->RequestSnapshot();
    });
    EXPECT_EQ(testsupport::Pixel(frame, 400, 300), kRed);
    const uint8_t* pixels = snapshot->GetPixels();
    ASSERT_NE(pixels, nullptr);
    for (int at : {0, 80 * 3 + 60 * 160 * 3, (160 * 120 - 1) * 3}) {
        EXPECT_EQ(pixels[at], 0) << at;
        EXPECT_EQ(pixels[at + 2], 255) << at;
    }
    snapshot->ReleaseResources();
    // The next frame's input update drops the request, as in the game; a request left pending would
    // draw the next test's picture over its top layers.
    CUSSingleton<CAppCommonInfo>::GetInstance()->Update();
    EXPECT_FALSE(CUSSingleton<CAppCommonInfo>::GetInstance()->IsSnapshotRequested());
}

}  // namespace
