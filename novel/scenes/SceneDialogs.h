// The scenes that lie over a paused novel scene without a render process of their own: the
// message-log dialog (a UI window of its own scrolling the message log with the wheel), a UI dialog
// of the window manager, and the picture view (the resident windows hidden until any button).
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "novel/scenes/RenderProcessSceneNovel.h"
#include "novel/scenes/SceneStateStack.h"

class CUIWindow;

class CSceneLogDialog : public IBaseSceneState {
public:
    // The dialog draws into the render process of the novel scene that opened it.
    explicit CSceneLogDialog(CRenderProcessSceneNovel* process) : process_(process) {}
    ~CSceneLogDialog() override;
    void Enter() override;
    // Steps the window and scrolls the log while active; draws the window always.
    void Update() override;
    void Leave() override;
    void Pause() override { active_ = 0; }
    void Resume() override { active_ = 1; }
    virtual void SetScriptName(const char* name) { scriptName_ = name ? name : ""; }

private:
    std::unique_ptr<CUIWindow> window_;
    std::string scriptName_;
    uint32_t active_ = 0;
    CRenderProcessSceneNovel* process_;
};

class CSceneUIDialog : public IBaseSceneState {
public:
    void Enter() override;
    // Leaves once the window manager holds no dialog (the manager steps and draws the dialogs).
    void Update() override;
    void Leave() override {}
    void Pause() override { active_ = 0; }
    void Resume() override { active_ = 1; }
    virtual void SetScriptName(const char* name) { scriptName_ = name ? name : ""; }

private:
    std::string scriptName_;
    uint32_t active_ = 0;
};

class CSceneShowCG : public IBaseSceneState {
public:
    void Enter() override;
    void Update() override;
    void Leave() override;
    void Pause() override {}
    void Resume() override {}
};
