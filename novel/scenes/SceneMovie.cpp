// The movie scene: entering (the movie opened and started, or skipped), the per-frame colour and
// copy, and its play / fade-out / skip machine.
#include "novel/scenes/SceneMovie.h"

#include "engine/input/AppCommonInfo.h"
#include "engine/util/USLogManager.h"
#include "novel/render/Renderer.h"
#include "settings_tool/AppSetting.h"

namespace {

enum OneShot : int32_t { kPlay, kFadeOut, kSkip };
enum State : int32_t { kPlaying, kFading, kLeaving };

}  // namespace

CSceneMovie::CSceneMovie() {
    using S = CSceneMovie;
    fsm_.Setup(this, {&S::OnPlay, &S::OnFadeOut, &S::OnSkip, &S::UpdatePlay, &S::UpdateFadeOut, &S::UpdateLeave});
    fsm_.SetEvent(kPlay);
}

void CSceneMovie::Select() {
    process_.GetRenderObjectTable()->Select();
    process_.GetEnvironment()->Select();
}

void CSceneMovie::Deselect() {
    process_.GetEnvironment()->Deselect();
    process_.GetRenderObjectTable()->Deselect();
}

void CSceneMovie::Enter() {
    Select();
    process_.Setup();
    RenderSystem::CRenderingManager::GetInstance()->PushProcess(&process_);
    bool opened = false;
    if (!GetAppSetting().IsPlayMovie()) {
        US_LOG("Movie: [%s] skipped, movies are switched off\n", movieName_.c_str());
    } else {
        movie_.Setup();
        opened = movie_.Open(movieName_.c_str());
        if (opened) process_.ReserveQueue();
    }
    if (!opened) fsm_.SetEvent(kSkip);
    Deselect();
    if (opened) movie_.Play();
}

void CSceneMovie::Update() {
    Select();
    fsm_.Update();
    if (visible_) {
        for (int i = 0; i < 4; ++i) color_[i] += colorStep_[i];
        movie_.SetColor(color_);
        movie_.Update();
        NovelRender::Queue(0, movie_.GetRenderObjectHandle());
    }
    Deselect();
}

void CSceneMovie::Leave() {
    Select();
    movie_.Release();
    RenderSystem::CRenderingManager::GetInstance()->PopProcess();
    Deselect();
}

void CSceneMovie::Pause() {
    Select();
    Deselect();
}

void CSceneMovie::Resume() {
    Select();
    Deselect();
}

void CSceneMovie::OnPlay() {
    fsm_.SetState(kPlaying);
    for (int i = 0; i < 4; ++i) color_[i] = 1.0f, colorStep_[i] = 0.0f;
}

void CSceneMovie::OnFadeOut() {
    fsm_.SetState(kFading);
    fadeCounter_ = kFadeFrames;
    for (int i = 0; i < 4; ++i) color_[i] = 1.0f, colorStep_[i] = 0.0f;
    colorStep_[3] = -1.0f / kFadeFrames;
}

void CSceneMovie::OnSkip() {
    visible_ = 0;
    fsm_.SetState(kLeaving);
}

void CSceneMovie::UpdatePlay() {
    if (!movie_.IsPlaying()) QueueLeave(*this);
    // Bits 0 and 1 of the trigger byte: the left or the right button went down this frame.
    if (CUSSingleton<CAppCommonInfo>::GetInstance()->GetMouseTrig() & 3) fsm_.SetEvent(kFadeOut);
}

void CSceneMovie::UpdateFadeOut() {
    if (--fadeCounter_ == 0) QueueLeave(*this);
}

void CSceneMovie::UpdateLeave() { QueueLeave(*this); }
