// The novel-scene fixture: set-up and the start of a scene on scenario code.
#include "support/NovelScene.h"

#include "support/GameState.h"
#include "support/ScenarioCode.h"

namespace testsupport {

void NovelSceneTest::SetUp() {
    ASSERT_TRUE(device.Ok());
    ResetGameState();
}

void NovelSceneTest::Start(const std::string& source) {
    folder.Write("ch.bin", Bytes(source));
    ASSERT_TRUE(novel.LoadScenario("ch.bin"));
    auto pushed = std::make_unique<CSceneNovel>();
    scene = pushed.get();
    stack.QueuePush(std::move(pushed), false);
}

}  // namespace testsupport
