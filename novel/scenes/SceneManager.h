// The top of the game's flow: runs the scene code on its own machine and, whenever that code asks
// for a scene, pushes a novel or movie scene and waits until the scene stack is empty again.
#pragma once
#include <cstdint>

#include "engine/util/USSingleton.h"
#include "novel/scenes/SceneStateStack.h"
#include "novel/scenes/USFSM.h"
#include "novel/vm/VCPUSceneManager.h"

class CSceneManager : public USLib::singleton<CSceneManager> {
public:
    CSceneManager();
    virtual ~CSceneManager() = default;

    // Opens "bin\Scene.bin" and starts it at offset 0 (nothing when it cannot be read).
    virtual void Init();
    virtual void Update();
    // Reads the scene record that the scene code named and pushes its scene.
    virtual void StartScene();
    virtual void PushScene(std::unique_ptr<IBaseSceneState> scene) { stack_.QueuePush(std::move(scene), false); }
    // At the next update: the stack is cleared and the scene code goes to its restart entry.
    virtual void RequestRestart() { restart_ = 1; }

    CVCPUSceneManager& GetMachine() { return machine_; }
    CSceneStateStack& GetStack() { return stack_; }
    int32_t GetState() const { return fsm_.GetState(); }

protected:
    // The scenes of the two kinds a scene record names (0 novel, 1 movie).
    virtual std::unique_ptr<IBaseSceneState> NewNovelScene();
    virtual std::unique_ptr<IBaseSceneState> NewMovieScene(const char* movie);

private:
    // One-shot and state numbers: running the scene code, waiting for the pushed scene to end.
    enum Step : int32_t { kRunScript = 0, kWaitScene = 1 };
    void OnRunScript() { fsm_.SetState(kRunScript); }
    void OnWaitScene() { fsm_.SetState(kWaitScene); }
    void UpdateRunScript();
    void UpdateWaitScene();

    CUSFSM<CSceneManager, 2, 2> fsm_;
    CVCPUSceneManager machine_;
    CSceneStateStack stack_;
    uint32_t restart_ = 0;
};
