// The novel scene's state machine on scenario code: a timed wait lasts its frames, a character
// interval of 0 shows a message whole in the frame it appears and goes on to the click wait, and the
// scenario's end pops the scene off its stack.
#include <gtest/gtest.h>

#include "novel/novel/NovelSystem.h"
#include "novel/render/RendererManager.h"
#include "novel/scenes/SceneNovel.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/GameVariables.h"
#include "support/DemoFiles.h"
#include "support/NovelScene.h"
#include "support/ScenarioCode.h"

namespace {

// Text buffers a test makes go with it.
class SceneNovelTest : public testsupport::NovelSceneTest {
protected:
    void SetUp() override {
        NovelSceneTest::SetUp();
        novel.GetTextBuffers().DeleteAll();
    }
    void TearDown() override {
        NovelSceneTest::TearDown();
        novel.GetTextBuffers().DeleteAll();
    }
};

TEST_F(SceneNovelTest, TimedWaitLastsItsFrames) {
    Start(R"(
        SetWaitFrames 5
        SetResult RESULT_TIMED_WAIT
        Yield
        Push 7
        PopTo param[1]
    idle:
        Yield
        Jump idle)");
    // Frame 1 runs the code to the wait, frame 2 starts it, frames 2-6 count it down, frame 7 goes on.
    for (int frame = 1; frame <= 6; ++frame) {
        stack.Update();
        EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(1), 0) << frame;
    }
    stack.Update();
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(1), 7);
}

TEST_F(SceneNovelTest, IntervalZeroShowsTheMessageWholeAtOnce) {
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    config->InitIntervalRenderingText();
    config->AddIntervalRenderingText(0);
    const char* const gothic = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";
    novel.GetTextBuffers().CreateStringRenderTexture(16, gothic, 512, 64, 16, 20, 0, true);
    novel.GetTextBuffers().CreateStringRenderTexture(16, gothic, 128, 20, 16, 20, 0, true);
    novel.SetMessageBuffers(0, 1);
    Start(R"(msg "A", "", "", "ABCDEF"
        SetResult RESULT_SCENE_END
        Yield)");
    stack.Update();  // to the reveal
    stack.Update();  // the reveal shows all and the code goes on to the click wait
    CStringRenderTexture* message = novel.GetTextBuffers().Get(0);
    EXPECT_EQ(message->GetCharCount(), 6u);
    EXPECT_GE(message->GetRenderingCharCount(), 6u);
    stack.Update();
    EXPECT_EQ(scene->GetState(), 2);  // waiting for the click
}

TEST_F(SceneNovelTest, ScenarioEndPopsTheScene) {
    Start(R"(SetResult RESULT_SCENE_END
        Yield)");
    for (int frame = 0; frame < 4; ++frame) stack.Update();
    EXPECT_TRUE(stack.IsEmpty());
}

}  // namespace

namespace {

using testsupport::IdleScene;

TEST_F(SceneNovelTest, PuppetCharactersStandStillWhileTheSceneIsPaused) {
    testsupport::WriteDemoCharacter(folder);
    Start(R"(idle:
        Yield
        Jump idle)");
    stack.Update();  // the scene enters (its renderers are made afresh) and runs
    novel.GetRenderSources().puppetModels.Allocate(1);
    RenderSource::PuppetModelSource* source = novel.GetRenderSources().puppetModels.GetSource(0);
    ASSERT_TRUE(source->LoadModel("hero.pup"));
    ASSERT_TRUE(source->AddMotion("talk.mtn"));
    PuppetRenderer* hero = novel.GetRenderers().CreatePuppetRenderer(3);
    hero->SetRenderSourceManager(&novel.GetRenderSources());
    hero->SetSource(0);
    hero->SetRendering(true);
    hero->BeginMotion(1);
    hero->PushMotion(0);
    DXPuppetModel* model = GetPuppetModel(source->model);

    stack.QueuePush(std::make_unique<IdleScene>(), false);
    for (int frame = 0; frame < 3; ++frame) stack.Update();
    EXPECT_TRUE(model->IsQueueFinished(1));  // the queued motion has not started

    stack.QueuePop(1, false);
    stack.Update();
    EXPECT_FALSE(model->IsQueueFinished(1));  // resumed: it starts in the first frame
    novel.GetRenderers().DeleteAll();
    novel.GetRenderSources().ReleaseAll();
}

}  // namespace
