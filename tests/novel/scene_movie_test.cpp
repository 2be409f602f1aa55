// The movie scene on the engine's device with real movies: the movie centred over black, a click
// that fades it out over 30 frames, the end of the movie that leaves at once (also when a click comes
// in the same frame), and movies that cannot be played or are switched off, which leave in the first
// update; the scene manager's movie scenes.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "engine/movie/USDirectShow.h"
#include "novel/scenes/SceneManager.h"
#include "novel/scenes/SceneMovie.h"
#include "novel/scenes/SceneNovel.h"
#include "novel/novel/NovelSystem.h"
#include "novel/state/GameVariables.h"
#include "support/ScratchDir.h"
#include "support/Input.h"
#include "support/RenderDevice.h"
#include "support/ScenarioCode.h"
#include "settings_tool/AppSetting.h"

namespace {

// A movie of the test data as the game names movies: a rooted path in Windows form.
std::string MovieName(const char* file) {
    std::string path = std::string(MARLOWE_TEST_DATA_DIR) + "/movies/" + file;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

int Red(const std::vector<DWORD>& frame) { return static_cast<int>(testsupport::Pixel(frame, 380, 285) >> 16); }

class SceneMovieTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Ok());
        ASSERT_TRUE(input.Ok());
        ASSERT_TRUE(InitDirectShow());
        GetAppSetting().SetPlayMovie(true);
    }
    void TearDown() override {
        stack.Clear();
        GetAppSetting().SetPlayMovie(true);
        dshow::hooks::SetFreeRunning(false);
    }
    CSceneMovie* Push(const char* file) {
        auto scene = std::make_unique<CSceneMovie>();
        CSceneMovie* pushed = scene.get();
        scene->SetMovieName(MovieName(file).c_str());
        stack.QueuePush(std::move(scene), false);
        return pushed;
    }
    // One game frame: input, the layers emptied, the scenes, the render processes; the frame read back.
    std::vector<DWORD> Frame() {
        input.Frame();
        RenderSystem::CRenderingManager::GetInstance()->UpdateProcesses();
        stack.Update();
        return device.DrawProcesses();
    }
    void Click() {
        input.Button(0);
        input.Frame();
        input.Button(0, false);
    }

    testsupport::RenderDevice device;
    testsupport::Input input;
    CSceneStateStack stack;
};

TEST_F(SceneMovieTest, AClickFadesTheMovieOutOverThirtyFrames) {
    CSceneMovie* scene = Push("long.mpg");
    std::vector<DWORD> frame = Frame();
    for (int i = 0; i < 500 && Red(frame) < 200; ++i) frame = Frame();  // until the first picture arrived
    // The 66 x 50 movie in the middle of the screen, upright, over black.
    EXPECT_NEAR(Red(frame), 255, 8);
    EXPECT_NEAR(testsupport::Pixel(frame, 420, 285) >> 8 & 0xFF, 255u, 8);  // top right green
    EXPECT_NEAR(testsupport::Pixel(frame, 380, 315) & 0xFF, 255u, 8);       // bottom left blue
    EXPECT_EQ(testsupport::Pixel(frame, 360, 285), 0u);
    EXPECT_EQ(testsupport::Pixel(frame, 10, 10), 0u);

    input.Button(0);
    frame = Frame();  // the click is seen; this frame is still whole
    input.Button(0, false);
    EXPECT_NEAR(Red(frame), 255, 8);
    for (int k = 1; k <= CSceneMovie::kFadeFrames; ++k) {
        frame = Frame();
        ASSERT_FALSE(stack.IsEmpty()) << k;
        EXPECT_EQ(scene->GetState(), 1) << k;
        EXPECT_NEAR(Red(frame), 255 * (30 - k) / 30, 8) << k;
        EXPECT_NEAR(scene->GetColor()[3], (30 - k) / 30.0f, 1e-5f) << k;
    }
    EXPECT_EQ(Red(frame), 0);
    EXPECT_TRUE(stack.HasQueuedCommands());
    Frame();
    EXPECT_TRUE(stack.IsEmpty());
}

TEST_F(SceneMovieTest, TheEndOfTheMovieLeavesAtOnce) {
    dshow::hooks::SetFreeRunning(true);
    CSceneMovie* scene = Push("clip.avi");
    std::vector<DWORD> lastShown;
    for (int i = 0; i < 2000; ++i) {
        std::vector<DWORD> frame = Frame();
        if (stack.IsEmpty()) break;
        ASSERT_EQ(scene->GetState(), 0);  // never faded
        lastShown = frame;
    }
    EXPECT_TRUE(stack.IsEmpty());
    // The frame in which the end was seen still shows the whole movie: its last picture.
    EXPECT_NEAR(Red(lastShown), 255, 8);
}

TEST_F(SceneMovieTest, EndAndClickInTheSameFrameLeaveWithoutAFade) {
    Push("clip.avi");
    Frame();
    ASSERT_FALSE(stack.HasQueuedCommands());
    // The 0.4-second movie, played in real time, has ended long before this.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    input.Button(0);
    Frame();
    input.Button(0, false);
    EXPECT_TRUE(stack.HasQueuedCommands());
    Frame();
    EXPECT_TRUE(stack.IsEmpty());
}

TEST_F(SceneMovieTest, MoviesThatCannotPlayLeaveInTheFirstUpdate) {
    const struct {
        const char* file;
        bool playMovie;
    } cases[] = {{"long.mpg", false}, {"missing.mpg", true}, {"not_a_movie.mpg", true}, {"truncated.avi", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        GetAppSetting().SetPlayMovie(c.playMovie);
        CSceneMovie* scene = Push(c.file);
        std::vector<DWORD> frame = Frame();
        EXPECT_EQ(scene->GetState(), 2);
        EXPECT_TRUE(stack.HasQueuedCommands());
        EXPECT_EQ(testsupport::Pixel(frame, 380, 285), 0u);  // nothing shown
        Frame();
        EXPECT_TRUE(stack.IsEmpty());
    }
}

TEST_F(SceneMovieTest, SceneCodeGoesOnAfterItsMovieScene) {
    testsupport::ResetGameState();
    ScratchDir folder;
    folder.Write("bin/Scene.bin", testsupport::Bytes(R"(
        .machine scene
            SetSceneEntry opening
            SetResult RESULT_START_SCENE
            Yield
            Push 1
            PopTo param[0]
        idle:
            Yield
            Jump idle
        opening: .word SCENE_MOVIE, "missing.mpg")",
                                                     true));
    CSceneManager manager;
    manager.Init();
    manager.Update();  // the movie scene is pushed, enters and finds no movie
    ASSERT_EQ(manager.GetStack().GetCount(), 1u);
    EXPECT_NE(dynamic_cast<CSceneMovie*>(manager.GetStack().GetTop()), nullptr);
    for (int frame = 0; frame < 3; ++frame) manager.Update();
    EXPECT_TRUE(manager.GetStack().IsEmpty());
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(0), 1);
}

TEST_F(SceneMovieTest, NovelScenePausesUnderItsMovieScene) {
    for (bool playMovie : {true, false}) {
        SCOPED_TRACE(playMovie);
        testsupport::ResetGameState();
        ScratchDir folder;
        GetAppSetting().SetPlayMovie(playMovie);
        folder.Write("ch.bin", testsupport::Bytes(R"(SetMovieName "none.mpg"
            SetResult RESULT_PLAY_MOVIE
            Yield
            Push 7
            PopTo param[1]
        idle:
            Yield
            Jump idle)"));
        ASSERT_TRUE(CNovelSystem::GetInstance()->LoadScenario("ch.bin"));
        stack.QueuePush(std::make_unique<CSceneNovel>(), false);
        Frame();  // the script asks for its movie
        Frame();
        CGameParameterManager* params = CGameParameterManager::GetInstance();
        if (playMovie) {
            // The movie scene lies above the paused novel scene; it finds no movie and leaves.
            ASSERT_EQ(stack.GetCount(), 2u);
            EXPECT_NE(dynamic_cast<CSceneMovie*>(stack.GetTop()), nullptr);
            EXPECT_EQ(params->GetParam(1), 0);
            Frame();
        }
        EXPECT_EQ(stack.GetCount(), 1u);
        EXPECT_EQ(params->GetParam(1), 7);
        stack.Clear();
    }
}

}  // namespace
