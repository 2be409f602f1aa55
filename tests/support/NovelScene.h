// Test support for the novel scene: a fixture that starts one on scenario code assembled from text, over
// the renderers' device and a scratch folder, and a scene that does nothing (pushed above another, it
// pauses it).
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "novel/novel/NovelSystem.h"
#include "novel/scenes/SceneNovel.h"
#include "novel/scenes/SceneStateStack.h"
#include "support/RenderDevice.h"
#include "support/ScratchDir.h"

namespace testsupport {

class NovelSceneTest : public ::testing::Test {
protected:
    // The device is there and the game state in order (ResetGameState).
    void SetUp() override;
    void TearDown() override { stack.Clear(); }
    // Writes the code as "ch.bin", loads it and queues a novel scene for it (`scene`).
    void Start(const std::string& source);

    ScratchDir folder;
    RenderDevice device;
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    CSceneStateStack stack;
    CSceneNovel* scene = nullptr;
};

class IdleScene : public IBaseSceneState {
public:
    void Enter() override {}
    void Update() override {}
    void Leave() override {}
    void Pause() override {}
    void Resume() override {}
};

}  // namespace testsupport
