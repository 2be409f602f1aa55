// Scene flow: the state machine template, the scene stack, and the scene manager running scene code
// that asks for a novel scene and a movie scene in turn; restart; the "SceneManager" record.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "novel/novel/NovelSystem.h"
#include "novel/scenes/SceneManager.h"
#include "novel/state/GameVariables.h"
#include "support/ScratchDir.h"
#include "support/ScenarioCode.h"

namespace {

std::vector<std::string> events;

class RecordingScene : public IBaseSceneState {
public:
    explicit RecordingScene(std::string name, int lifetime = -1) : name_(std::move(name)), lifetime_(lifetime) {}
    ~RecordingScene() override { events.push_back(name_ + " deleted"); }
    void Enter() override { events.push_back(name_ + " enter"); }
    void Leave() override { events.push_back(name_ + " leave"); }
    void Pause() override { events.push_back(name_ + " pause"); }
    void Resume() override { events.push_back(name_ + " resume"); }
    // Queues its own pop after `lifetime` updates.
    void Update() override {
        events.push_back(name_ + " update");
        if (lifetime_ > 0 && --lifetime_ == 0) GetStack()->QueuePop(1, false);
    }

private:
    std::string name_;
    int lifetime_;
};

TEST(SceneFSM, OneShotRunsBeforeTheStateAndEventsFromItAreLost) {
    struct Owner {
        CUSFSM<Owner, 2, 2> fsm;
        std::vector<std::string> log;
        void E0() {
            log.push_back("e0");
            fsm.SetState(1);
            fsm.SetEvent(1);  // overwritten when the one-shot ends
        }
        void E1() { log.push_back("e1"); }
        void S0() { log.push_back("s0"); }
        void S1() {
            log.push_back("s1");
            fsm.SetEvent(1);
        }
    } o;
    o.fsm.Setup(&o, {&Owner::E0, &Owner::E1, &Owner::S0, &Owner::S1});
    o.fsm.SetEvent(0);
    o.fsm.Update();
    o.fsm.Update();
    o.fsm.SetState(7);  // outside: nothing
    o.fsm.Update();
    EXPECT_EQ(o.log, (std::vector<std::string>{"e0", "s1", "e1", "s1", "e1"}));
}

TEST(SceneStack, PushPausesThePopResumesTheSceneBelow) {
    events.clear();
    {
        CSceneStateStack stack;
        stack.QueuePush(std::make_unique<RecordingScene>("novel"), false);
        stack.Update();
        stack.QueuePush(std::make_unique<RecordingScene>("dialog", 1), false);
        stack.Update();  // dialog entered and updated once: queues its pop
        stack.Update();  // popped
        stack.QueuePop(5, false);  // more pops than scenes stop at an empty stack
        stack.Update();
        EXPECT_TRUE(stack.IsEmpty());
    }
    EXPECT_EQ(events, (std::vector<std::string>{"novel enter", "novel update", "novel pause", "dialog enter",
                                                "novel update", "dialog update", "dialog leave", "dialog deleted",
                                                "novel resume", "novel update", "novel leave", "novel deleted"}));
}

TEST(SceneStack, ClearLeavesTopFirstAndDropsQueuedPushes) {
    events.clear();
    CSceneStateStack stack;
    stack.QueuePush(std::make_unique<RecordingScene>("a"), false);
    stack.QueuePush(std::make_unique<RecordingScene>("b"), false);
    stack.Update();
    events.clear();
    stack.QueuePush(std::make_unique<RecordingScene>("queued"), false);
    stack.Clear();
    EXPECT_EQ(events, (std::vector<std::string>{"b leave", "b deleted", "a leave", "a deleted", "queued deleted"}));
    EXPECT_FALSE(stack.HasQueuedCommands());
}

class RecordingSceneManager : public CSceneManager {
public:
    int movieLifetime = 1;

protected:
    std::unique_ptr<IBaseSceneState> NewNovelScene() override { return std::make_unique<RecordingScene>("novel", 2); }
    std::unique_ptr<IBaseSceneState> NewMovieScene(const char* movie) override {
        return std::make_unique<RecordingScene>(std::string("movie ") + movie, movieLifetime);
    }
};

const char* kSceneCode = R"(
    .machine scene
        SetRestartEntry restart
        SetSceneEntry opening
        SetResult RESULT_START_SCENE
        Yield
        SetSceneEntry chapter
        SetResult RESULT_START_SCENE
        Yield
    restart:
        Push 1
        PopTo param[0]
        Yield
    opening: .word SCENE_MOVIE, "op.mpg"
    chapter: .word SCENE_NOVEL, "scenario\\ch1.bin"
)";

TEST(SceneManager, SceneCodeAsksForAMovieThenANovelScene) {
    testsupport::ResetGameState();
    ScratchDir folder;
    folder.Write("bin/Scene.bin", testsupport::Bytes(kSceneCode, true));
    folder.Write("scenario/ch1.bin", testsupport::Bytes("SetResult 5\nYield"));
    events.clear();
    RecordingSceneManager manager;
    manager.Init();
    for (int frame = 0; frame < 8; ++frame) manager.Update();
    EXPECT_EQ(events, (std::vector<std::string>{
                          "movie op.mpg enter", "movie op.mpg update",                 // frame 1
                          "movie op.mpg leave", "movie op.mpg deleted",                // frame 2
                          "novel enter", "novel update",                               // frame 4
                          "novel update", "novel leave", "novel deleted"}));           // frames 5, 6
    EXPECT_EQ(CNovelSystem::GetInstance()->GetScenarioName(), "scenario\\ch1.bin");
    EXPECT_EQ(manager.GetState(), 0);
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(0), 1);  // ran on into the restart code
}

TEST(SceneManager, RestartClearsTheStackAndJumpsToTheRestartEntry) {
    testsupport::ResetGameState();
    ScratchDir folder;
    folder.Write("bin/Scene.bin", testsupport::Bytes(kSceneCode, true));
    events.clear();
    RecordingSceneManager manager;
    manager.movieLifetime = -1;
    manager.Init();
    manager.Update();  // the movie runs
    manager.GetStack().QueuePush(std::make_unique<RecordingScene>("dialog"), false);
    manager.GetStack().Update();
    events.clear();
    manager.RequestRestart();
    manager.Update();
    EXPECT_EQ(events, (std::vector<std::string>{"dialog leave", "dialog deleted", "movie op.mpg leave",
                                                "movie op.mpg deleted"}));
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(0), 1);
}

TEST(SceneManager, MissingSceneCodeLeavesTheManagerIdle) {
    ScratchDir folder;
    events.clear();
    RecordingSceneManager manager;
    manager.Init();
    for (int frame = 0; frame < 3; ++frame) manager.Update();
    EXPECT_TRUE(events.empty());
}

TEST(SceneManager, SavedRecordRestoresWaitStackPositionAndRestartEntry) {
    testsupport::ResetGameState();
    CVCPUSceneManager saved;
    saved.SetCode(testsupport::Code(".machine scene\nSetRestartEntry 12\nSetSceneEntry 40\nPush 6\nWait 4\nYield\nYield",
                                    "bin\\scene.bin", true));
    saved.JumpTo(0);
    saved.Run();
    ScratchDir folder;
    std::vector<uint8_t> bytes = testsupport::Bytes(".machine scene\nSetRestartEntry 12\nSetSceneEntry 40\nPush 6\nWait 4\nYield\nYield", true);
    folder.Write("bin/scene.bin", bytes);
    CVCPUSceneManager loaded;
    testsupport::RoundTrip(saved, loaded);
    EXPECT_EQ(loaded.GetCursor().GetPosition(), saved.GetCursor().GetPosition());
    EXPECT_EQ(loaded.GetWaitCounter(), 4u);
    EXPECT_EQ(loaded.GetStack().GetCells()[0], 6);
    EXPECT_EQ(loaded.GetRestartEntry(), 12u);
    EXPECT_EQ(loaded.GetSceneEntry(), 0u);  // not saved
    EXPECT_EQ(loaded.GetCurrentCode()->GetSize(), bytes.size());
}

}  // namespace

namespace {

// A game saved into the save container and loaded back: the scene machine, the novel machine (with a
// nested code file), the log and the game variables come back equal.
TEST(SavedGame, RoundTripThroughTheSaveContainer) {
    testsupport::ResetGameState();
    ScratchDir folder;
    folder.Write("bin/Scene.bin", testsupport::Bytes(kSceneCode, true));
    folder.Write("scenario/ch1.bin", testsupport::Bytes("ClearStack\nSetInterrupt 4\nRunSubCode \"scenario\\\\sub.bin\"\nYield"));
    folder.Write("scenario/sub.bin", testsupport::Bytes(R"(Push 11
        msg "A", "a", "a.ogg", "one"
        Yield)"));
    CMessageLogManager::GetInstance()->Clear();
    RecordingSceneManager manager;
    manager.movieLifetime = -1;
    manager.Init();
    manager.Update();
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    ASSERT_TRUE(novel.LoadScenario("scenario\\ch1.bin"));
    novel.GetMachine().Run();  // into sub.bin, stops at the message's reveal yield
    CGameParameterManager::GetInstance()->SetParam(2, 77);
    CGameFlagsManager::GetInstance()->SetFlag(9, true);

    std::stringstream file;
    {
        SaveDataLoader4::SaveData data;
        ISavedObject<_tagSaveData>::SaveAll(data);
        data.Save(file);
    }
    const uint32_t scenePosition = manager.GetMachine().GetCursor().GetPosition();
    const uint32_t novelPosition = novel.GetMachine().GetCursor().GetPosition();

    // Change everything, then load.
    manager.GetMachine().JumpTo(0);
    novel.LoadScenario("bin/Scene.bin");
    CGameParameterManager::GetInstance()->SetParam(2, 0);
    CGameFlagsManager::GetInstance()->ClearFlags();
    CMessageLogManager::GetInstance()->Clear();
    novel.SetSkipMode();
    {
        SaveDataLoader4::SaveData data, before;
        data.Load(file);
        ISavedObject<_tagSaveData>::Snapshot(before, 0);
        ISavedObject<_tagSaveData>::LoadAll(data, before);
    }
    EXPECT_EQ(manager.GetMachine().GetCursor().GetPosition(), scenePosition);
    EXPECT_EQ(manager.GetMachine().GetRestartEntry(), 48u);
    EXPECT_EQ(novel.GetMachine().GetCursor().GetPosition(), novelPosition);
    EXPECT_EQ(novel.GetMachine().GetCurrentCodeName(), "scenario\\sub.bin");
    EXPECT_EQ(novel.GetScenarioName(), "scenario\\ch1.bin");
    EXPECT_EQ(novel.GetMode(), uint32_t(CNovelSystem::kNormal));
    EXPECT_EQ(novel.GetMachine().GetStack().GetCells()[0], 11);
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(2), 77);
    EXPECT_TRUE(CGameFlagsManager::GetInstance()->GetFlag(9));
    ASSERT_EQ(CMessageLogManager::GetInstance()->GetCount(), 1);
    EXPECT_EQ(CMessageLogManager::GetInstance()->GetEntry(0)->voiceFile, "a.ogg");
    novel.GetMachine().GetCursor().EndCallCode();
    EXPECT_TRUE(novel.GetMachine().GetCursor().IsInterruptSet());
}

}  // namespace
