// The scene manager's frame and scene requests.
#include "novel/scenes/SceneManager.h"

#include "novel/novel/NovelSystem.h"
#include "novel/scenes/SceneMovie.h"
#include "novel/scenes/SceneNovel.h"
#include "novel/vm/VCOpcodes.h"

CSceneManager::CSceneManager() {
    fsm_.Setup(this, {&CSceneManager::OnRunScript, &CSceneManager::OnWaitScene, &CSceneManager::UpdateRunScript,
                      &CSceneManager::UpdateWaitScene});
    fsm_.SetEvent(kRunScript);
}

void CSceneManager::Init() {
    VirtualCodePtr code = CVirtualCode::Create("bin\\Scene.bin");
    if (!code) return;
    machine_.SetCode(std::move(code));
    machine_.JumpTo(0);
}

void CSceneManager::Update() {
    if (restart_) {
        stack_.Clear();
        machine_.JumpToRestartEntry();
        fsm_.SetEvent(kRunScript);
    }
    restart_ = 0;
    fsm_.Update();
    stack_.Update();
}

void CSceneManager::UpdateRunScript() {
    if (machine_.Run() == VCOpcodes::kResultStartScene) StartScene();
}

void CSceneManager::UpdateWaitScene() {
    if (stack_.IsEmpty() && !stack_.HasQueuedCommands()) fsm_.SetEvent(kRunScript);
}

void CSceneManager::StartScene() {
    machine_.CallSceneEntry();
    CVCPointer& cursor = machine_.GetCursor();
    uint32_t kind = cursor.ReadInt();
    if (kind == VCOpcodes::kSceneNovel || kind == VCOpcodes::kSceneMovie) {
        const char* name = cursor.GetStringAt(cursor.ReadInt());
        if (!name) name = "";
        if (kind == VCOpcodes::kSceneNovel) {
            if (std::unique_ptr<IBaseSceneState> scene = NewNovelScene()) {
                PushScene(std::move(scene));
                CNovelSystem::GetInstance()->LoadScenario(name);
            }
        } else if (std::unique_ptr<IBaseSceneState> scene = NewMovieScene(name)) {
            PushScene(std::move(scene));
        }
    }
    machine_.ReturnFromSceneEntry();
    fsm_.SetEvent(kWaitScene);
}

std::unique_ptr<IBaseSceneState> CSceneManager::NewNovelScene() { return std::make_unique<CSceneNovel>(); }

std::unique_ptr<IBaseSceneState> CSceneManager::NewMovieScene(const char* movie) {
    auto scene = std::make_unique<CSceneMovie>();
    scene->SetMovieName(movie);
    return scene;
}
