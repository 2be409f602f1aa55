// The UI window manager: the script engine of every UI window of a novel scene, the resident
// windows (opened by the scenario, ordered by id) and the dialog stack (only the top one takes
// input); saves the resident windows as "WindowManager".
#pragma once
#include <memory>
#include <set>
#include <vector>

#include "novel/state/SavedObject.h"
#include "novel/ui/UIWindow.h"

class CUIWindowManager : public ISavedObject<_tagSaveData> {
public:
    CUIWindowManager() { Register("WindowManager", 0); }
    ~CUIWindowManager() override { Terminate(); }
    CUIWindowManager(const CUIWindowManager&) = delete;
    CUIWindowManager& operator=(const CUIWindowManager&) = delete;

    // The count of resident windows, then each one's record in id order.
    void Save(USLib::binary_ostream<256>& out) override;
    // Discards every window, then opens the saved resident windows again (a script that no longer
    // builds is skipped).
    void Load(USLib::binary_istream& in, std::uint32_t version) override;

    // Every window deleted (no "CleanUp"), the engine released.
    virtual void Terminate();
    // A fresh engine with the UI-window interface; resident windows active.
    virtual void Initialize();
    // Replaces a resident window of the same id; false when the script does not build (the old
    // window is then gone all the same).
    virtual bool OpenResidentWindow(std::uint32_t id, const char* name, float x, float y, float z,
                                    std::uint32_t layer);
    // Opens a dialog on top of the stack; false when the script does not build.
    virtual bool PushWindow(std::uint32_t id, const char* name, float x, float y, float z, std::uint32_t layer);
    // Builds the script and opens a window for the caller; null when the build fails (the compiler's
    // messages are in the log).
    virtual std::unique_ptr<CUIWindow> OpenWindow(std::uint32_t id, const char* name, float x, float y, float z, std::uint32_t layer);
    virtual void CloseWindow(std::uint32_t id);
    virtual asIScriptContext* CreateContext() { return engine_ ? engine_->CreateContext() : nullptr; }
    // The frame's input: to the top dialog when there is one (resident windows then run without
    // cursor or buttons), else to the resident windows in id order. True when a control took it; a
    // resident window that takes it clears *input.
    virtual bool HandleInput(float x, float y, std::uint32_t* input);
    virtual void Render();
    virtual CUIWindow* FindWindow(std::uint32_t id);
    virtual void RequestCloseAllDialogs() { closeAllRequested_ = true; }
    // Every dialog's "CleanUp", bottom first, and the dialog deleted.
    virtual void CloseAllDialogs();

    void SetResidentWindowsActive(bool active) { residentActive_ = active; }
    bool AreResidentWindowsActive() const { return residentActive_; }
    asIScriptEngine* GetEngine() const { return engine_; }
    std::size_t DialogCount() const { return dialogs_.size(); }
    CUIWindow* TopDialog() const { return dialogs_.empty() ? nullptr : dialogs_.back().get(); }
    std::size_t ResidentCount() const { return resident_.size(); }

private:
    struct LowerID {
        bool operator()(const std::unique_ptr<CUIWindow>& a, const std::unique_ptr<CUIWindow>& b) const {
            return a->IsLowerID(b.get());
        }
    };
    // Keeps a resident window unless one of its id is open already (then it is closed).
    void AddResident(std::unique_ptr<CUIWindow> window);

    asIScriptEngine* engine_ = nullptr;
    std::set<std::unique_ptr<CUIWindow>, LowerID> resident_;
    std::vector<std::unique_ptr<CUIWindow>> dialogs_;
    bool residentActive_ = false;
    bool closeAllRequested_ = false;
};
