// The novel scene: entering and leaving, the per-frame order, and the one-shots and states of its
// state machine.
#include "novel/scenes/SceneNovel.h"

#include <cfloat>

#include "engine/input/AppCommonInfo.h"
#include "engine/input/VirtualInputDevice.h"
#include "engine/util/USLogManager.h"
#include "novel/novel/NovelSystem.h"
#include "novel/scenes/SceneDialogs.h"
#include "novel/scenes/SceneMovie.h"
#include "novel/script/ASNovelSetting.h"
#include "novel/sound/BGMManager.h"
#include "novel/sound/SEManager.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/SaveDataManager.h"
#include "novel/vm/VCOpcodes.h"
#include "settings_tool/AppSetting.h"

namespace {

CNovelSystem& Novel() { return *CNovelSystem::GetInstance(); }
CVirtualInputDevice& Input() { return *CUSSingleton<CVirtualInputDevice>::GetInstance(); }
uint32_t CharInterval() { return CConfigDataManager::GetInstance()->GetCharDrawInterval(); }

// One-shot and state numbers.
enum OneShot : int32_t {
    kStart,
    kRunScript,
    kReveal,
    kWaitClick,
    kTimedWait,
    kWaitDirection,
    kChoice,
    kChoiceSelected,
    kLoadFadeOut,
    kLoadFadeIn,
    kLeave
};
enum State : int32_t {
    kRunning,
    kRevealing,
    kClickWait,
    kTimedWaiting,
    kDirectionWaiting,
    kChoosing,
    kChoiceEnding,
    kFadeOut,
    kFadeIn,
    kLeaving
};
constexpr int32_t kLoadFadeFrames = 30;
// Cursor points that no choice item contains: twice the 800 x 600 screen (the step that starts a
// choice), and the smallest and largest floats (the steps after a choice and after a load).
constexpr float kChoiceStartX = 1600, kChoiceStartY = 1200;

void StopSounds() {
    CBGMManager::GetInstance()->StopAll();
    CLoopSEManager::GetInstance()->StopAll();
    CSEManager::GetInstance()->StopAll();
}

void ClearLog() {
    CMessageLogManager* log = CMessageLogManager::GetInstance();
    log->Clear();
    log->ResetScroll();
}

}  // namespace

CSceneNovel::CSceneNovel() {
    using S = CSceneNovel;
    fsm_.Setup(this, {&S::OnStart, &S::OnRunScript, &S::OnReveal, &S::OnWaitClick, &S::OnTimedWait,
                      &S::OnWaitDirection, &S::OnChoice, &S::OnChoiceSelected, &S::OnLoadFadeOut,
                      &S::OnLoadFadeIn, &S::OnLeave, nullptr, &S::UpdateRunScript, &S::UpdateReveal,
                      &S::UpdateWaitClick, &S::UpdateTimedWait, &S::UpdateWaitDirection, &S::UpdateChoice,
                      &S::UpdateChoiceSelected, &S::UpdateFadeOut, &S::UpdateFadeIn, &S::UpdateLeave, nullptr});
    fsm_.SetEvent(kStart);
}

void CSceneNovel::Select() {
    process_.GetRenderObjectTable()->Select();
    process_.GetEnvironment()->Select();
}

void CSceneNovel::Deselect() {
    process_.GetEnvironment()->Deselect();
    process_.GetRenderObjectTable()->Deselect();
}

void CSceneNovel::Enter() {
    Select();
    active_ = 1;
    process_.Setup();
    RenderSystem::CRenderingManager::GetInstance()->PushProcess(&process_);
    Novel().SetupSceneServices();
    Novel().SetupChoices();
    Novel().GetDirections().Initialize(&Novel().GetRenderers(), &Novel().GetRenderSources());
    CASNovelSetting().Execute("AS\\InitNovel.as");
    CSEManager::GetInstance()->AllocChannels(64);
    process_.ReserveQueue();
    Deselect();
}

void CSceneNovel::Update() {
    Select();
    CSEManager::GetInstance()->ClearRequests();
    const CAppCommonInfo* common = CUSSingleton<CAppCommonInfo>::GetInstance();
    cursorX_ = common->GetCursorXF();
    cursorY_ = common->GetCursorYF();
    buttons_ = common->GetMouseTrig();
    if (active_) {
        Novel().TickAutoWait();
        if (clickPass_ == 0) buttons_ = 0;
    }
    // The UI takes the cursor and the buttons before the scene.
    overUI_ = Novel().GetWindowManager().HandleInput(cursorX_, cursorY_, &buttons_) ? 1 : 0;
    // The Puppet characters stand still with the script while another scene lies above.
    if (active_) {
        fsm_.Update();
        Novel().GetDirections().Update();
        Novel().GetRenderers().UpdatePuppet();
    }
    process_.SetMovieObject(RenderObjectHandle());
    Novel().GetRenderers().RenderAll();
    Novel().GetWindowManager().Render();
    Novel().GetChoices().Draw();
    Novel().GetDirections().Render();
    CLoopSEManager::GetInstance()->Update();
    CBGMManager::GetInstance()->Update();
    CSEManager::GetInstance()->Update();
    Deselect();
}

void CSceneNovel::Leave() {
    Select();
    ClearLog();
    StopSounds();
    Novel().StopVoice();
    Novel().GetRenderers().DeleteAll();
    Novel().GetDirections().Release();
    Novel().GetChoices().Clear();
    RenderSystem::CRenderingManager::GetInstance()->PopProcess();
    Deselect();
}

void CSceneNovel::Pause() {
    Select();
    active_ = 0;
    Deselect();
}

void CSceneNovel::Resume() {
    Select();
    active_ = 1;
    Deselect();
}

bool CSceneNovel::IsAdvanceRequested() { return Input().IsNext() || Novel().IsSkipAllowed(); }

void CSceneNovel::SaveState() {
    savedState_ = fsm_.GetState();
    savedClickPass_ = clickPass_;
}

void CSceneNovel::RestoreState() {
    fsm_.SetState(savedState_);
    clickPass_ = savedClickPass_;
}

void CSceneNovel::PlayMovie() {
    // With movies switched off the script simply runs on.
    if (!GetAppSetting().IsPlayMovie()) return;
    auto movie = std::make_unique<CSceneMovie>();
    movie->SetMovieName(Novel().GetMovieName());
    PushAbove(std::move(movie));
}

void CSceneNovel::PushAbove(std::unique_ptr<IBaseSceneState> scene) {
    if (CSceneStateStack* stack = GetStack()) stack->QueuePush(std::move(scene), false);
}

void CSceneNovel::OpenDialog(const std::string& script) {
    auto dialog = std::make_unique<CSceneUIDialog>();
    dialog->SetScriptName(script.c_str());
    PushAbove(std::move(dialog));
}

void CSceneNovel::ShowCG() { PushAbove(std::make_unique<CSceneShowCG>()); }

bool CSceneNovel::CheckMenuRequests() {
    const int32_t command = Novel().TakePendingCommand();
    if (command >= CNovelSystem::kRequestDialog1 && command <= CNovelSystem::kRequestDialog3) {
        // Each menu dialog has its feature bit; a dialog switched off or disabled is dropped.
        const uint32_t kDialogFeatures[3] = {CNovelSystem::kFeatureDialog1, CNovelSystem::kFeatureDialog2,
                                             CNovelSystem::kFeatureDialog3};
        const int i = command - CNovelSystem::kRequestDialog1;
        if (Novel().TestFeature(kDialogFeatures[i]) && Novel().IsDialogEnabled(i)) {
            OpenDialog(Novel().GetDialogName(i));
            return true;
        }
    }
    if (command == CNovelSystem::kRequestLoad) {
        Fire(kLoadFadeOut);
        return true;
    }
    CVCPointer& cursor = Novel().GetMachine().GetCursor();
    if (Input().IsRightButton() && cursor.IsInterruptSet()) {
        cursor.EnterInterrupt();
        Fire(kRunScript);
        SaveState();
        return true;
    }
    if ((Input().IsWheelUp() || command == CNovelSystem::kRequestLog) && Novel().TestFeature(CNovelSystem::kFeatureLog)) {
        auto log = std::make_unique<CSceneLogDialog>(&process_);
        log->SetScriptName("AS\\LogDialog.as");
        PushAbove(std::move(log));
        return true;
    }
    if ((Input().IsHide() || command == CNovelSystem::kRequestPictureView) && Novel().TestFeature(CNovelSystem::kFeaturePictureView)) {
        ShowCG();
        return true;
    }
    return false;
}

void CSceneNovel::CheckModeInput() {
    if (Novel().GetMode() != CNovelSystem::kNormal && Input().IsAnyInput()) Novel().SetNormalMode();
}

// ---- one-shots ----

void CSceneNovel::OnStart() {
    clickPass_ = 0;
    OnRunScript();
}

void CSceneNovel::OnRunScript() {
    Novel().SetResumeCode(CNovelSystem::kResumeRunning);
    clickPass_ = 0;
    fsm_.SetState(kRunning);
}

void CSceneNovel::OnReveal() {
    clickPass_ = 0;
    fsm_.SetState(kRevealing);
    counter_ = static_cast<int32_t>(CharInterval());
    if (counter_ == 0) {
        Novel().RevealAll();
        OnRunScript();
    }
}

void CSceneNovel::OnWaitClick() {
    clickPass_ = 1;
    fsm_.SetState(kClickWait);
    Novel().SetResumeCode(CNovelSystem::kResumeClickWait);
    // The menu buttons follow the feature mask at each message.
    Novel().ApplyFeatureMask(CNovelSystem::kAllFeatures);
}

void CSceneNovel::OnTimedWait() {
    clickPass_ = 0;
    fsm_.SetState(kTimedWaiting);
    Novel().SetResumeCode(CNovelSystem::kResumeTimedWait);
    counter_ = static_cast<int32_t>(Novel().GetMachine().GetWaitFrames());
}

void CSceneNovel::OnWaitDirection() {
    clickPass_ = 0;
    fsm_.SetState(kDirectionWaiting);
}

void CSceneNovel::OnChoice() {
    clickPass_ = 1;
    fsm_.SetState(kChoosing);
    Novel().SetResumeCode(CNovelSystem::kResumeChoice);
}

void CSceneNovel::OnChoiceSelected() {
    clickPass_ = 0;
    fsm_.SetState(kChoiceEnding);
}

void CSceneNovel::OnLoadFadeOut() {
    fsm_.SetState(kFadeOut);
    // The game as it is before the fade-out silences it and empties the log: a save that fails to
    // load brings this back.
    try {
        beforeLoad_ = CSaveDataManager::SaveToMemory();
    } catch (const std::exception& e) {
        US_LOG("The game before the load could not be kept (%s)\n", e.what());
        beforeLoad_.reset();
    }
    Novel().GetDirections().RunDirection("AS\\FadeLoad_000.as");
    counter_ = kLoadFadeFrames;
}

void CSceneNovel::OnLoadFadeIn() {
    fsm_.SetState(kFadeIn);
    // Reading the save replaces the one-shot directions, so the fade-in starts after it.
    CSaveDataManager::LoadFromFile(Novel().GetLoadPath().c_str(), beforeLoad_.get());
    beforeLoad_.reset();
    Novel().GetDirections().RunDirection("AS\\FadeLoad_001.as");
    counter_ = kLoadFadeFrames;
}

void CSceneNovel::OnLeave() {
    fsm_.SetState(kLeaving);
    Novel().StopVoice();
}

// ---- states ----

void CSceneNovel::UpdateRunScript() {
    CheckModeInput();
    switch (Novel().GetMachine().Run()) {
        case VCOpcodes::kResultClickWait: Fire(kWaitClick); break;
        case VCOpcodes::kResultTimedWait: Fire(kTimedWait); break;
        case VCOpcodes::kResultRevealMessage: Fire(kReveal); break;
        case VCOpcodes::kResultSceneEnd: Fire(kLeave); break;
        case VCOpcodes::kResultLoad: Fire(kLoadFadeOut); break;
        case VCOpcodes::kResultWaitDirections: Fire(kWaitDirection); break;
        case VCOpcodes::kResultChoice:
            // Only the choice's pending start runs: every item begins Appear.
            Novel().GetChoices().Update(kChoiceStartX, kChoiceStartY, 0);
            Fire(kChoice);
            break;
        case VCOpcodes::kResultOpenDialog: OpenDialog(Novel().GetDialogScriptName()); break;
        case VCOpcodes::kResultPlayMovie: PlayMovie(); break;
        case VCOpcodes::kResultEndInterrupt:
            Novel().GetMachine().GetCursor().LeaveInterrupt();
            RestoreState();
            break;
        default: break;
    }
}

void CSceneNovel::UpdateReveal() {
    CheckModeInput();
    bool all = false;
    if (--counter_ <= 0) {
        if (Novel().RevealNextChar())
            counter_ = static_cast<int32_t>(CharInterval());
        else
            all = true;
    }
    if (!all && !IsAdvanceRequested() && !Input().IsRightButton()) return;
    Novel().RevealAll();
    Fire(kRunScript);
}

void CSceneNovel::UpdateWaitClick() {
    CheckModeInput();
    if (CheckMenuRequests()) return;
    // A click that a UI control took does not advance the text.
    if (overUI_) return;
    if (!Novel().IsMessageDone()) return;
    Fire(kRunScript);
    if (CConfigDataManager::GetInstance()->IsStopVoice()) Novel().StopVoice();
}

void CSceneNovel::UpdateTimedWait() {
    CheckModeInput();
    if (--counter_ <= 0 || Novel().IsTimedWaitDone()) Fire(kRunScript);
}

void CSceneNovel::UpdateWaitDirection() {
    CheckModeInput();
    if (Novel().IsDirectionWaitDone()) Fire(kRunScript);
}

void CSceneNovel::UpdateChoice() {
    if (CheckMenuRequests()) return;
    // While the cursor is over a UI window the choice stands still, its time-out included.
    if (overUI_) return;
    if (Novel().GetChoices().Update(cursorX_, cursorY_, buttons_)) Fire(kChoiceSelected);
}

// The chosen item's Selected plays out; then the scenario goes on at the chosen value.
void CSceneNovel::UpdateChoiceSelected() {
    if (!Novel().GetChoices().Update(FLT_MIN, FLT_MIN, 0)) return;
    Fire(kRunScript);
    Novel().SetNormalMode();
    Novel().GetMachine().GetCursor().Seek(Novel().GetChoices().GetSelectedValue());
}

void CSceneNovel::UpdateFadeOut() {
    if (--counter_ > 0) return;
    Novel().StopVoice();
    ClearLog();
    CMessageLogManager::GetInstance()->ClearLogRows();
    StopSounds();
    Fire(kLoadFadeIn);
}

void CSceneNovel::UpdateFadeIn() {
    // Restored choice items start Appear again, and a restored time-out goes on counting.
    Novel().GetChoices().Update(FLT_MAX, FLT_MAX, 0);
    if (--counter_ > 0) return;
    switch (Novel().GetResumeCode()) {
        case CNovelSystem::kResumeClickWait: Fire(kWaitClick); break;
        case CNovelSystem::kResumeChoice: Fire(kChoice); break;
        // A game saved while running or during a timed wait goes on with the script.
        default: Fire(kRunScript); break;
    }
}

void CSceneNovel::UpdateLeave() {
    if (CSceneStateStack* stack = GetStack()) stack->QueuePop(1, false);
}
