// The novel scene: the frame driver of a scenario. Each frame it steps its state machine, which runs
// the novel machine until it yields and then waits as the yield asks (typewriter reveal, click wait,
// timed wait, a choice, the load sequence, leaving), lets every renderer queue its drawing into the scene's
// render process, and steps the sound managers.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "engine/save/SaveData.h"

#include "novel/scenes/RenderProcessSceneNovel.h"
#include "novel/scenes/SceneStateStack.h"
#include "novel/scenes/USFSM.h"

class CSceneNovel : public IBaseSceneState {
public:
    CSceneNovel();
    void Enter() override;
    void Update() override;
    void Leave() override;
    void Pause() override;
    void Resume() override;
    // An advance input this frame, or skipping allowed over the current text.
    virtual bool IsAdvanceRequested();
    // Keeps (and gives back) the state and click pass around the scenario's interrupt routine.
    virtual void SaveState();
    virtual void RestoreState();
    // The picture view over this scene.
    virtual void ShowCG();

    CRenderProcessSceneNovel& GetRenderProcess() { return process_; }
    int32_t GetState() const { return fsm_.GetState(); }

private:
    // One-shots.
    void OnStart();
    void OnRunScript();
    void OnReveal();
    void OnWaitClick();
    void OnTimedWait();
    void OnWaitDirection();
    void OnChoice();
    void OnChoiceSelected();
    void OnLoadFadeOut();
    void OnLoadFadeIn();
    void OnLeave();
    // States.
    void UpdateRunScript();
    void UpdateReveal();
    void UpdateWaitClick();
    void UpdateTimedWait();
    void UpdateWaitDirection();
    void UpdateChoice();
    void UpdateChoiceSelected();
    void UpdateFadeOut();
    void UpdateFadeIn();
    void UpdateLeave();

    // A load request or the right click into the interrupt routine; true when one was taken.
    bool CheckMenuRequests();
    // Queues the push of a scene above this one (dropped when the scene is on no stack).
    void PushAbove(std::unique_ptr<IBaseSceneState> scene);
    // Pushes a UI dialog running the script.
    void OpenDialog(const std::string& script);
    // Pushes the movie scene for the movie the scenario named (nothing with movies switched off).
    void PlayMovie();
    // Any input ends automatic and skip mode.
    void CheckModeInput();
    // Selects the process's table and environment around the scene's work.
    void Select();
    void Deselect();
    // The one-shot that runs at the next step.
    void Fire(int32_t oneShot) { fsm_.SetEvent(oneShot); }

    CUSFSM<CSceneNovel, 12, 11> fsm_;
    float cursorX_ = 0, cursorY_ = 0;
    uint32_t buttons_ = 0;
    // A UI control took this frame's input.
    uint8_t overUI_ = 0;
    uint32_t active_ = 0;
    int32_t counter_ = 0;
    uint8_t clickPass_ = 0;
    uint8_t savedClickPass_ = 0;
    int32_t savedState_ = -1;
    // The game as it was when the load sequence began, until the save is loaded.
    std::unique_ptr<SaveDataLoader4::SaveData> beforeLoad_;
    CRenderProcessSceneNovel process_;
};
