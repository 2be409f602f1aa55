// The UI window manager: engine set-up, opening and closing windows, the frame's input and drawing,
// and the saved record of the resident windows.
#include "novel/ui/UIWindowManager.h"

#include <cfloat>

#include "novel/ui/UIScriptInterface.h"
#include "novel/vm/SaveIO.h"

void CUIWindowManager::Terminate() {
    dialogs_.clear();
    resident_.clear();
    if (engine_) engine_->ShutDownAndRelease();
    engine_ = nullptr;
}

void CUIWindowManager::Initialize() {
    Terminate();
    engine_ = CreateScriptEngine();
    if (engine_) RegisterUIWindowInterface(engine_, this);
    residentActive_ = true;
}

std::unique_ptr<CUIWindow> CUIWindowManager::OpenWindow(std::uint32_t id, const char* name, float x, float y,
                                                        float z, std::uint32_t layer) {
    if (!engine_ || BuildScriptModule(engine_, name) < 0) return nullptr;
    asIScriptModule* module = engine_->GetModule(name, asGM_ONLY_IF_EXISTS);
    auto window = std::make_unique<CUIWindow>();
    window->Open(id, name, engine_->CreateContext(), module, layer, x, y, z);
    return window;
}

bool CUIWindowManager::OpenResidentWindow(std::uint32_t id, const char* name, float x, float y, float z,
                                          std::uint32_t layer) {
    if (FindWindow(id)) CloseWindow(id);
    std::unique_ptr<CUIWindow> window = OpenWindow(id, name, x, y, z, layer);
    if (!window) return false;
    AddResident(std::move(window));
    return true;
}

void CUIWindowManager::AddResident(std::unique_ptr<CUIWindow> window) {
    // One window per id: the script's own "Initialize" cannot have opened another under it, but a
    // window that would not go in is not kept.
    if (FindWindow(window->GetID())) return;
    resident_.insert(std::move(window));
}

bool CUIWindowManager::PushWindow(std::uint32_t id, const char* name, float x, float y, float z,
                                  std::uint32_t layer) {
    std::unique_ptr<CUIWindow> window = OpenWindow(id, name, x, y, z, layer);
    if (!window) return false;
    dialogs_.push_back(std::move(window));
    return true;
}

void CUIWindowManager::CloseWindow(std::uint32_t id) {
    std::erase_if(resident_, [id](const std::unique_ptr<CUIWindow>& w) { return w->GetID() == id; });
}

CUIWindow* CUIWindowManager::FindWindow(std::uint32_t id) {
    for (const std::unique_ptr<CUIWindow>& w : resident_)
        if (w->GetID() == id) return w.get();
    return nullptr;
}

bool CUIWindowManager::HandleInput(float x, float y, std::uint32_t* input) {
    if (!dialogs_.empty()) {
        closeAllRequested_ = false;
        CUIWindow* top = dialogs_.back().get();
        const bool taken = top->Update(x, y, *input);
        if (top->IsClosing()) {
            // A child that the dialog opened during its update stays above where it was.
            std::erase_if(dialogs_, [top](const std::unique_ptr<CUIWindow>& w) { return w.get() == top; });
        }
        for (const std::unique_ptr<CUIWindow>& w : resident_) w->Update(FLT_MAX, FLT_MIN, 0);
        if (closeAllRequested_) CloseAllDialogs();
        return taken;
    }
    if (!residentActive_) return false;
    bool taken = false;
    for (const std::unique_ptr<CUIWindow>& w : resident_) {
        if (w->Update(x, y, *input)) {
            taken = true;
            *input = 0;
        }
    }
    std::erase_if(resident_, [](const std::unique_ptr<CUIWindow>& w) { return w->IsClosing(); });
    return taken;
}

void CUIWindowManager::Render() {
    for (const std::unique_ptr<CUIWindow>& w : dialogs_) w->Render();
    if (!residentActive_) return;
    for (const std::unique_ptr<CUIWindow>& w : resident_) w->Render();
}

void CUIWindowManager::CloseAllDialogs() {
    // A clean-up that opens another dialog adds it to the stack being emptied: it is closed too.
    for (std::size_t i = 0; i < dialogs_.size(); ++i) {
        dialogs_[i]->RunCleanUp();
        dialogs_[i].reset();
    }
    dialogs_.clear();
}

void CUIWindowManager::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, static_cast<std::uint32_t>(resident_.size()));
    for (const std::unique_ptr<CUIWindow>& w : resident_) w->Save(out);
}

void CUIWindowManager::Load(USLib::binary_istream& in, std::uint32_t) {
    Initialize();
    const std::uint32_t count = SaveIO::ReadU32(in);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t id = SaveIO::ReadU32(in);
        const std::string name = SaveIO::ReadString(in);
        std::uint8_t drawn = 0;
        in.Read(&drawn, 1);
        float position[3];
        in.Read(position, 12);
        const std::uint32_t layer = SaveIO::ReadU32(in);
        std::unique_ptr<CUIWindow> window = OpenWindow(id, name.c_str(), position[0], position[1], position[2], layer);
        if (!window) continue;
        window->SetDrawn(drawn != 0);
        AddResident(std::move(window));
    }
}
