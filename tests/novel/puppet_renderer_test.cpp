// The Puppet render source and renderer: the source's model with its files and saved names, the
// renderer's motion channels, its saved record and restore, and the character on screen.
#include <gtest/gtest.h>

#include "novel/novel/NovelSystem.h"
#include "novel/render/RendererManager.h"
#include "support/DemoFiles.h"
#include "support/RenderDevice.h"
#include "support/ScenarioCode.h"
#include "support/ScratchDir.h"
#include "puppet/Ut.h"

namespace {

// The engine's device, the demo character's files in a scratch folder, one Puppet source and one
// Puppet renderer.
class PuppetRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Ok());
        testsupport::WriteDemoCharacter(folder);
        sources.puppetModels.Allocate(1);
        source = sources.puppetModels.GetSource(0);
        renderer = renderers.CreatePuppetRenderer(5);
        renderer->SetRenderSourceManager(&sources);
    }
    void TearDown() override { puppet::UtSystem::setUserTimeMSec(0); }

    // Loads the character with motion 0 = talk (800 ms) and motion 1 = idle (2000 ms).
    void LoadCharacter() {
        ASSERT_TRUE(source->LoadModel("hero.pup"));
        ASSERT_TRUE(source->AddTexture("hero_body.png"));
        ASSERT_TRUE(source->AddTexture("hero_face.png"));
        ASSERT_TRUE(source->AddMotion("talk.mtn"));
        ASSERT_TRUE(source->AddMotion("idle.mtn"));
        renderer->SetSource(0);
        renderer->SetRendering(true);
    }
    DXPuppetModel* Model() { return GetPuppetModel(source->model); }
    void Tick(int64_t t) {
        puppet::UtSystem::setUserTimeMSec(t);
        renderers.UpdatePuppet();
    }

    ScratchDir folder;
    testsupport::RenderDevice device;  // textures need the engine's device
    RenderSource::CRenderSourceManager sources;
    CRendererManager renderers;
    RenderSource::PuppetModelSource* source = nullptr;
    PuppetRenderer* renderer = nullptr;
};

TEST_F(PuppetRendererTest, SourceKeepsItsModelAndFileNames) {
    EXPECT_FALSE(source->LoadModel("missing.pup"));
    EXPECT_FALSE(source->AddTexture("hero_body.png"));  // no model yet
    LoadCharacter();
    EXPECT_EQ(Model()->GetMotionQueue(3) != nullptr, true);  // queues 0 to 3
    EXPECT_EQ(Model()->GetMotionQueue(4), nullptr);
    EXPECT_FALSE(source->AddMotion("missing.mtn"));
    EXPECT_TRUE(source->AddMotion(""));  // keeps a place only
    EXPECT_TRUE(source->SetMotion(4, "talk.mtn"));
    EXPECT_EQ(source->textureFileNames, (std::vector<std::string>{"hero_body.png", "hero_face.png"}));
    EXPECT_EQ(source->motionFileNames, (std::vector<std::string>{"talk.mtn", "idle.mtn", "", "", "talk.mtn"}));
    EXPECT_EQ(Model()->GetMotionCount(), 5);

    // A save and a load rebuild the same model, with every motion at its place.
    RenderSource::OStream out;
    sources.Save(out);
    RenderSource::CRenderSourceManager loaded;
    RenderSource::IStream in;
    in.Attach(out.GetData(), out.GetSize());
    loaded.Load(in, 0);
    RenderSource::PuppetModelSource* again = loaded.puppetModels.GetSource(0);
    ASSERT_NE(again, nullptr);
    DXPuppetModel* model = GetPuppetModel(again->model);
    ASSERT_NE(model, nullptr);
    EXPECT_NE(again->model, source->model);
    EXPECT_EQ(again->motionFileNames, source->motionFileNames);
    EXPECT_EQ(model->GetMotionCount(), 5);
    EXPECT_EQ(model->GetMotion(2), nullptr);
    EXPECT_NE(model->GetMotion(4), nullptr);
    EXPECT_NE(model->GetModel()->getDrawParam().texture(1), nullptr);
}

TEST_F(PuppetRendererTest, EmptyMotionNameKeepsLaterNumbersAcrossSaveAndLoad) {
    ASSERT_TRUE(source->LoadModel("hero.pup"));
    ASSERT_TRUE(source->AddMotion("talk.mtn"));
    ASSERT_TRUE(source->AddMotion(""));
    ASSERT_TRUE(source->AddMotion("idle.mtn"));  // motion number 2, before and after a load
    RenderSource::OStream out;
    sources.Save(out);
    RenderSource::CRenderSourceManager loaded;
    RenderSource::IStream in;
    in.Attach(out.GetData(), out.GetSize());
    loaded.Load(in, 0);
    for (RenderSource::PuppetModelSource* s : {source, loaded.puppetModels.GetSource(0)}) {
        DXPuppetModel* model = GetPuppetModel(s->model);
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->GetMotionCount(), 3);
        EXPECT_NE(model->GetMotion(0), nullptr);
        EXPECT_EQ(model->GetMotion(1), nullptr);
        EXPECT_NE(model->GetMotion(2), nullptr);
    }
}

TEST_F(PuppetRendererTest, ChannelPlaysOneShotThenLoops) {
    LoadCharacter();
    renderer->BeginMotion(1);
    renderer->PushMotion(0);
    renderer->PushLoopMotion(1);
    Tick(1000);
    EXPECT_EQ(Model()->GetCurrentMotion(), 0);
    EXPECT_FALSE(Model()->IsQueueFinished(1));
    Tick(1900);  // talk has run out: the model's queue drops it
    Tick(2000);  // the channel starts the looping idle
    EXPECT_EQ(Model()->GetCurrentMotion(), 1);
    EXPECT_EQ(renderer->GetChannel(1).queue.size(), 1u);
    Tick(4100);
    Tick(4200);  // idle ended and started again; it stays at the front
    EXPECT_EQ(Model()->GetCurrentMotion(), 1);
    EXPECT_FALSE(Model()->IsQueueFinished(1));
    EXPECT_EQ(renderer->GetChannel(1).queue.size(), 1u);
}

TEST_F(PuppetRendererTest, PatternAndDisabledChannels) {
    LoadCharacter();
    renderer->BeginMotion(2);
    renderer->PushMotion(0);
    renderer->PushMotion(1);
    Tick(1000);
    renderer->SetPatNo(1);
    EXPECT_EQ(Model()->GetCurrentMotion(), 1);
    EXPECT_TRUE(renderer->GetChannel(0).enabled);
    EXPECT_FALSE(renderer->GetChannel(2).enabled);
    EXPECT_EQ(renderer->GetChannel(2).queue.size(), 2u);  // kept, but nothing further starts
    Tick(1900);
    Tick(2000);
    EXPECT_TRUE(Model()->IsQueueFinished(2));
    renderer->DisableMotionQueue(0);  // idle was restarted by the 1900 update: it ends at 3900
    Tick(4000);
    Tick(4100);
    EXPECT_TRUE(Model()->IsQueueFinished(0));  // idle played out and nothing restarted it
    renderer->BeginMotion(2);  // empties and enables the channel again
    EXPECT_TRUE(renderer->GetChannel(2).enabled);
    EXPECT_TRUE(renderer->GetChannel(2).queue.empty());
    renderer->BeginSettingMotion();  // changes nothing
}

TEST_F(PuppetRendererTest, SavedRecordAndRestoreSkipThePlayingOneShot) {
    LoadCharacter();
    renderer->SetBlendRenderState(3);
    renderer->BeginMotion(1);
    renderer->PushMotion(0);
    renderer->PushLoopMotion(1);
    Tick(1000);
    RenderSource::OStream out;
    renderer->Save(out);
    EXPECT_EQ(out.GetSize(), 64u + 8 + 4 * 5 + 2 * 5);

    PuppetRenderer* copy = renderers.CreatePuppetRenderer(6);
    copy->SetRenderSourceManager(&sources);
    RenderSource::IStream in;
    in.Attach(out.GetData(), out.GetSize());
    copy->Load(in, 0);
    EXPECT_EQ(copy->GetSource(), 0u);
    EXPECT_TRUE(copy->GetChannel(1).enabled);
    ASSERT_EQ(copy->GetChannel(1).queue.size(), 2u);
    EXPECT_TRUE(copy->GetChannel(1).queue[1].loop);
    copy->Restore();
    EXPECT_TRUE(Model()->IsQueueFinished(1));  // the model's queues were stopped
    renderer->SetRendering(false);  // only the copy drives the model now
    Tick(1100);
    EXPECT_EQ(Model()->GetCurrentMotion(), 1);  // the one-shot was skipped
    EXPECT_EQ(copy->GetChannel(1).queue.size(), 1u);
}

TEST_F(PuppetRendererTest, CharacterIsDrawnAtItsPosition) {
    LoadCharacter();
    renderer->SetPosition(400, 100, 0);
    std::vector<DWORD> frame = device.Frame([&] {
        renderers.UpdatePuppet();
        renderers.RenderAll();
    });
    ASSERT_EQ(frame.size(), 800u * 600u);
    EXPECT_EQ(testsupport::Pixel(frame, 528, 350), 0x5070C0u);  // body
    EXPECT_EQ(testsupport::Pixel(frame, 500, 200), 0xF2D0B0u);  // face
    EXPECT_EQ(testsupport::Pixel(frame, 300, 350), 0u);         // left of the character
    renderer->SetRendering(false);
    frame = device.Frame([&] { renderers.RenderAll(); });
    EXPECT_EQ(testsupport::Pixel(frame, 528, 350), 0u);
}

}  // namespace

namespace {

// Scenario code addressing Puppet sources and renderers.
class PuppetOpcodes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Ok());
        testsupport::WriteDemoCharacter(folder);
        testsupport::ResetGameState();
        novel.SetupSceneServices();
        novel.GetRenderSources().puppetModels.Allocate(2);
        hero = novel.GetRenderers().CreatePuppetRenderer(7);
        hero->SetRenderSourceManager(&novel.GetRenderSources());
    }
    void TearDown() override {
        novel.GetRenderers().DeleteAll();
        novel.GetRenderSources().ReleaseAll();
    }
    ScratchDir folder;
    testsupport::RenderDevice device;
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    PuppetRenderer* hero = nullptr;
};

TEST_F(PuppetOpcodes, ModelsMotionsAndChannels) {
    testsupport::RunNovel(R"(
        LoadPuppetModel 1, "hero.pup"
        AddTexturePuppetModel 1, "hero_body.png"
        AddMotionPuppetModel 1, "talk.mtn"
        SetMotionPuppetModel 1, 3, "idle.mtn"
        SwapPuppetModel 0, 1
        SetSource 7, 0
        BeginMotionPuppet 7, 2
        PushMotionPuppet 7, 0
        PushLoopMotionPuppet 7, 3
        DisableMotionQueuePuppet 7, 1
        BeginMotionPuppet 99, 0
        LoadPuppetModel 1, "missing.pup"
    )");
    RenderSource::PuppetModelSource* s = novel.GetRenderSources().puppetModels.GetSource(0);
    EXPECT_EQ(s->modelFileName, "hero.pup");
    EXPECT_EQ(s->textureFileNames, std::vector<std::string>{"hero_body.png"});
    EXPECT_EQ(s->motionFileNames, (std::vector<std::string>{"talk.mtn", "", "", "idle.mtn"}));
    EXPECT_EQ(novel.GetRenderSources().puppetModels.GetSource(1)->modelFileName, "");
    EXPECT_EQ(hero->GetSource(), 0u);
    const PuppetRenderer::Channel& channel = hero->GetChannel(2);
    EXPECT_TRUE(channel.enabled);
    ASSERT_EQ(channel.queue.size(), 2u);
    EXPECT_EQ(channel.queue[1].motion, 3u);
    EXPECT_TRUE(channel.queue[1].loop);
    EXPECT_FALSE(hero->GetChannel(1).enabled);
}

}  // namespace
