// The movie scene: plays one movie full screen over black. A click fades it out over 30 frames, the
// movie's end leaves at once, and with movies switched off or a movie that cannot be played the
// scene leaves in its first update.
#pragma once
#include <cstdint>
#include <string>

#include "novel/scenes/MoviePlayerComponent.h"
#include "novel/scenes/RenderProcessSceneMovie.h"
#include "novel/scenes/SceneStateStack.h"
#include "novel/scenes/USFSM.h"

class CSceneMovie : public IBaseSceneState {
public:
    static constexpr int32_t kFadeFrames = 30;

    CSceneMovie();
    void Enter() override;
    void Update() override;
    void Leave() override;
    void Pause() override;
    void Resume() override;
    virtual void SetMovieName(const char* name) { movieName_ = name ? name : ""; }

    int32_t GetState() const { return fsm_.GetState(); }
    const float* GetColor() const { return color_; }

private:
    // One-shots.
    void OnPlay();
    void OnFadeOut();
    void OnSkip();
    // States.
    void UpdatePlay();
    void UpdateFadeOut();
    void UpdateLeave();

    void Select();
    void Deselect();

    CUSFSM<CSceneMovie, 3, 3> fsm_;
    std::string movieName_;
    int32_t fadeCounter_ = 0;
    float color_[4] = {};
    float colorStep_[4] = {};
    CRenderProcessSceneMovie process_;
    MoviePlayerComponent movie_;
    uint8_t visible_ = 1;
};
