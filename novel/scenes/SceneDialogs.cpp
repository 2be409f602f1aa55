// The message-log dialog, the UI dialog scene and the picture view.
#include "novel/scenes/SceneDialogs.h"

#include "engine/input/AppCommonInfo.h"
#include "engine/input/VirtualInputDevice.h"
#include "novel/novel/MessageLog.h"
#include "novel/novel/NovelSystem.h"
#include "novel/ui/UIWindow.h"
#include "novel/ui/UIWindowManager.h"

namespace {

CUIWindowManager& Windows() { return CNovelSystem::GetInstance()->GetWindowManager(); }
CVirtualInputDevice& Input() { return *CUSSingleton<CVirtualInputDevice>::GetInstance(); }

}  // namespace

// ---- message-log dialog ----

CSceneLogDialog::~CSceneLogDialog() = default;

void CSceneLogDialog::Enter() {
    window_ = Windows().OpenWindow(0, scriptName_.c_str(), 0.0f, 0.0f, 0.0f, 1);
    active_ = 1;
    CMessageLogManager::GetInstance()->ResetScroll();
    Windows().SetResidentWindowsActive(false);
}

void CSceneLogDialog::Update() {
    process_->GetRenderObjectTable()->Select();
    process_->GetEnvironment()->Select();
    if (window_) {
        if (active_) {
            const CAppCommonInfo* common = CUSSingleton<CAppCommonInfo>::GetInstance();
            window_->Update(common->GetCursorXF(), common->GetCursorYF(), common->GetMouseTrig());
            // One entry per frame while the wheel turns: up (+1) to older messages, down (-1) to newer.
            const int wheel = Input().GetWheel();
            const int32_t result = wheel ? CMessageLogManager::GetInstance()->Scroll(wheel) : 0;
            // Turning down past the newest message closes the log, as do a right click and the script.
            if (window_->IsClosing() || Input().IsRightButton() || result == -1) QueueLeave(*this);
        }
        window_->Render();
    }
    process_->GetEnvironment()->Deselect();
    process_->GetRenderObjectTable()->Deselect();
}

void CSceneLogDialog::Leave() {
    Windows().SetResidentWindowsActive(true);
    if (window_) {
        window_->ReleaseAll();
        window_.reset();
    }
}

// ---- UI dialog ----

void CSceneUIDialog::Enter() {
    Windows().PushWindow(0, scriptName_.c_str(), 0.0f, 0.0f, 0.0f, 1);
    active_ = 1;
}

void CSceneUIDialog::Update() {
    if (Windows().DialogCount() == 0) QueueLeave(*this);
}

// ---- picture view ----

void CSceneShowCG::Enter() { Windows().SetResidentWindowsActive(false); }

void CSceneShowCG::Update() {
    if (Input().IsAnyButton()) QueueLeave(*this);
}

// Whatever ends the view, the message window and the other resident windows come back.
void CSceneShowCG::Leave() { Windows().SetResidentWindowsActive(true); }
