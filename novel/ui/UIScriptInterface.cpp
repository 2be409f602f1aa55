// The UI-window script functions and their registration.
#include "novel/ui/UIScriptInterface.h"

#include "engine/app/USApp.h"
#include "engine/device/AppDeviceInfo.h"
#include "engine/input/AppCommonInfo.h"
#include "engine/util/USLogManager.h"
#include "novel/novel/NovelSystem.h"
#include "novel/scenes/SceneManager.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/SaveDataManager.h"
#include "novel/ui/UIWindow.h"
#include "novel/ui/UIWindowManager.h"

void ExitGame() {
    if (CUSApp* app = CUSApp::GetApp()) app->Quit();
}

void ReturnGameStart() {
    if (CSceneManager* scenes = CSceneManager::GetInstance()) scenes->RequestRestart();
}

namespace {

CUIWindow* Window() { return CUIWindow::Running(); }

IUIControl* Control() {
    CUIWindow* w = Window();
    return w ? w->GetCurrentControl() : nullptr;
}

CUIRenderInfo* Look() {
    IUIControl* c = Control();
    return c ? c->GetRenderInfo() : nullptr;
}

CUIWindowManager* Manager() {
    asIScriptContext* context = asGetActiveContext();
    return context ? static_cast<CUIWindowManager*>(context->GetEngine()->GetUserData(kUIManagerUserDataType))
                   : nullptr;
}

bool ParamIndex(std::uint32_t i) { return i < static_cast<std::uint32_t>(BaseUIControl::kParamCount); }

// ---- creation ----

void LoadResource(const std::string& image, const std::string& parts) {
    if (CUIWindow* w = Window())
        w->LoadResource(image.c_str(), CUSSingleton<CUSAppDeviceInfo>::GetInstance()->alphaTexture.GetFormat(),
                        parts.c_str());
}
void BeginSubButtons() {
    if (CUIWindow* w = Window()) w->BeginSubButtons();
}
void AddSubButtonInfo(int lit, int unlit, int value, float x, float y, float rx, float ry, float rw, float rh) {
    if (CUIWindow* w = Window()) w->AddSubButtonInfo({lit, unlit, value, x, y, rx, ry, rw, rh});
}
void AddUIImage(std::uint32_t id, float x, float y, float z, int look) {
    if (CUIWindow* w = Window()) w->AddUIImage(id, x, y, z, look);
}
void AddUIRenderSourceImage(std::uint32_t id, float x, float y, float z, int look) {
    if (CUIWindow* w = Window()) w->AddUIRenderSourceImage(id, x, y, z, look);
}
void AddUIPolygon(std::uint32_t id, int look, float x, float y, float width, float height) {
    if (CUIWindow* w = Window()) w->AddUIPolygon(id, look, x, y, width, height);
}
void AddUIText(std::uint32_t id, float x, float y, float z, std::uint32_t text, int look) {
    if (CUIWindow* w = Window()) w->AddUIText(id, x, y, z, text, look);
}
void AddUIButton(std::uint32_t id, float x, float y, float z, float rx, float ry, float rw, float rh, int over,
                 int normal, int pressed, int disabled) {
    const float rect[4] = {rx, ry, rw, rh};
    const int ids[4] = {over, normal, pressed, disabled};
    if (CUIWindow* w = Window()) w->AddUIButton(id, x, y, z, rect, ids);
}
void AddUIRadioButton(std::uint32_t id, float x, float y, float z, std::uint32_t kind, int index) {
    if (CUIWindow* w = Window()) w->AddUIRadioButton(id, x, y, z, kind, index);
}
void AddUINumberButton(std::uint32_t id, float x, float y, float z, std::uint32_t kind, int index) {
    if (CUIWindow* w = Window()) w->AddUINumberButton(id, x, y, z, kind, index);
}
void AddUIEventGroupButton(std::uint32_t id, float x, float y, float z, int clickId, int checkId) {
    if (CUIWindow* w = Window()) w->AddUIEventGroupButton(id, x, y, z, clickId, checkId);
}
void AddUIPopUpButton(std::uint32_t id, float x, float y, float z, float rx, float ry, float rw, float rh, float ax,
                      float ay, float aw, float ah, int openId, int closedId, int pressedId, int fourthId, float openX,
                      float openY, float closedX, float closedY, int duration) {
    const float rect[4] = {rx, ry, rw, rh};
    const float area[4] = {ax, ay, aw, ah};
    const int ids[4] = {openId, closedId, pressedId, fourthId};
    const float offsets[4] = {openX, openY, closedX, closedY};
    if (CUIWindow* w = Window()) w->AddUIPopUpButton(id, x, y, z, rect, area, ids, offsets, duration);
}
void AddUILogVoiceButton(std::uint32_t id, float x, float y, float z, float rx, float ry, float rw, float rh,
                         std::uint32_t line, int over, int normal, int pressed, int disabled) {
    const float rect[4] = {rx, ry, rw, rh};
    const int ids[4] = {over, normal, pressed, disabled};
    if (CUIWindow* w = Window()) w->AddUILogVoiceButton(id, x, y, z, rect, line, ids);
}
void AddUISnapImageRender(std::uint32_t id, float x, float y, float z) {
    if (CUIWindow* w = Window()) w->AddUISnapImageRender(id, x, y, z);
}
void AddUIThumnailRender(std::uint32_t id, std::uint32_t slot, float x, float y, float z) {
    if (CUIWindow* w = Window()) w->AddUIThumnailRender(id, slot, x, y, z);
}
void AddUISaveFileButton(std::uint32_t id, std::uint32_t slot, float x, float y, float z, float rx, float ry,
                         float rw, float rh, int empty, int emptyOver, int used, int usedOver, int pressed) {
    const float rect[4] = {rx, ry, rw, rh};
    const int ids[5] = {empty, emptyOver, used, usedOver, pressed};
    if (CUIWindow* w = Window()) w->AddUISaveFileButton(id, slot, x, y, z, rect, ids);
}
void AddUICheckBox(std::uint32_t id, float x, float y, float z, float ox, float oy, float hx, float hy, int id0,
                   int id1, int id2, int id3, int id4, int id5, int id6) {
    const float rect[4] = {ox, oy, hx, hy};
    const int ids[7] = {id0, id1, id2, id3, id4, id5, id6};
    if (CUIWindow* w = Window()) w->AddUICheckBox(id, x, y, z, rect, ids);
}

// ---- the current control ----

int GetFunctionID(const std::string& declaration) {
    CUIWindow* w = Window();
    return w ? w->GetFunctionID(declaration) : -1;
}
int DirectPatNo(int pattern) { return static_cast<int>(static_cast<std::uint32_t>(pattern) | 0x80000000u); }
void EnableRendering(bool on) {
    if (CUIRenderInfo* r = Look()) r->rendering = on;
}
void SetOffset(float x, float y, float z) {
    if (CUIRenderInfo* r = Look()) r->SetOffset(x, y, z);
}
void SetScale(float x, float y, float z) {
    if (CUIRenderInfo* r = Look()) r->SetScale(x, y, z);
}
void SetRoll(float yaw, float pitch, float roll) {
    constexpr float k = 0.017453292f;
    if (CUIRenderInfo* r = Look()) r->SetRoll(yaw * k, pitch * k, roll * k);
}
void SetColor(float r, float g, float b, float a) {
    if (CUIRenderInfo* info = Look()) info->SetColor(r, g, b, a);
}
void SetPatNo(std::uint32_t sheet, std::uint32_t pattern) {
    if (CUIRenderInfo* r = Look()) {
        r->sheet = static_cast<std::int32_t>(sheet);
        r->SetPatNo(static_cast<std::int32_t>(pattern));
    }
}
void SetEnable(bool on) {
    if (IUIControl* c = Control()) c->SetEnable(on);
}
int GetControlValueInt(std::uint32_t i) {
    IUIControl* c = Control();
    return c && ParamIndex(i) ? c->GetIntParam(static_cast<int>(i)) : 0;
}
void SetControlValueInt(std::uint32_t i, int v) {
    IUIControl* c = Control();
    if (c && ParamIndex(i)) c->SetIntParam(static_cast<int>(i), v);
}
float GetControlValueFloat(std::uint32_t i) {
    IUIControl* c = Control();
    return c && ParamIndex(i) ? c->GetFloatParam(static_cast<int>(i)) : 0.0f;
}
void SetControlValueFloat(std::uint32_t i, float v) {
    IUIControl* c = Control();
    if (c && ParamIndex(i)) c->SetFloatParam(static_cast<int>(i), v);
}
void WaitCtrl(int frames) {
    CUIRenderInfo* r = Look();
    if (!r) return;
    r->wait = frames;
    asGetActiveContext()->Suspend();
}
void SetActiveControl(std::uint32_t id) {
    if (CUIWindow* w = Window()) w->SetActiveControl(id);
}
void SendCommandToNovelSystem(std::uint32_t command) {
    CNovelSystem::GetInstance()->SendCommand(static_cast<std::int32_t>(command));
}
void SendSignal(int value) {
    if (IUIControl* c = Control()) c->Signal(value);
}

// ---- the window and the manager ----

void SetWindowPosition(float x, float y, float z) {
    if (CUIWindow* w = Window()) w->SetPosition(x, y, z);
}
void CloseUIWindow() {
    if (CUIWindow* w = Window()) w->Close();
}
void CloseAllUIDialog() {
    if (CUIWindowManager* m = Manager()) m->RequestCloseAllDialogs();
}
void OpenChildDialog(const std::string& name) {
    if (CUIWindowManager* m = Manager()) m->PushWindow(0, name.c_str(), 0, 0, 0, 1);
}
void SnapNowFrame() { CUSSingleton<CAppCommonInfo>::GetInstance()->RequestSnapshot(); }

// ---- save slots ----

CSaveDataManager* Saves() { return CSaveDataManager::GetInstance(); }
void UpdateSaveDataInfo() { Saves()->Refresh(); }
bool IsExistSaveData(int i) {
    const CSaveDataInfoNode* node = i == -1 ? &Saves()->GetQuickNode() : Saves()->GetNode(i);
    return node && node->exists;
}
bool IsExistQuickSaveData() { return Saves()->GetQuickNode().exists != 0; }
void SetSaveViewTop(std::uint32_t top) { Saves()->SetViewTop(static_cast<std::int32_t>(top)); }
std::uint32_t GetSaveViewTop() { return static_cast<std::uint32_t>(Saves()->GetViewTop()); }
std::string SlotPath(std::uint32_t i) { return GetSavePath(Saves()->GetViewTop() + static_cast<std::int32_t>(i)); }
void Save(std::uint32_t i) {
    CSaveDataManager::SaveToFile(SlotPath(i).c_str());
    Saves()->Refresh();
}
void Load(std::uint32_t i) {
    CNovelSystem::GetInstance()->SetLoadPath(SlotPath(i));
    CNovelSystem::GetInstance()->SetPendingCommand(CNovelSystem::kRequestLoad);
}
void QuickSave() { CSaveDataManager::SaveToFile(GetSavePath(-1).c_str()); }
void QuickLoad() {
    Saves()->RefreshQuick();
    if (!Saves()->GetQuickNode().exists) return;
    CNovelSystem::GetInstance()->SetLoadPath(GetSavePath(-1));
    CNovelSystem::GetInstance()->SetPendingCommand(CNovelSystem::kRequestLoad);
}
void SaveConfig() { CConfigDataManager::SaveConfigFile(); }

// ---- controls by id, tabs ----

void EnableControl(std::uint32_t id, bool on) {
    if (CUIWindow* w = Window()) w->EnableControl(id, on);
}
bool IsEnableControl(std::uint32_t id) {
    CUIWindow* w = Window();
    return w && w->IsEnableControl(id);
}
void EnableRenderingControl(std::uint32_t id, bool on) {
    if (CUIWindow* w = Window()) w->EnableRenderingControl(id, on);
}
void AddTabControl() {
    if (CUIWindow* w = Window()) w->AddTabControl();
}
void AddControlToTabControl(std::uint32_t tab, std::uint32_t id, std::uint32_t group) {
    if (CUIWindow* w = Window()) w->AddControlToTabControl(tab, id, group);
}
void SetActiveGroupTabControl(std::uint32_t tab, std::uint32_t group) {
    if (CUIWindow* w = Window()) w->SetActiveGroupTabControl(tab, group);
}

}  // namespace

int RegisterUIWindowInterface(asIScriptEngine* engine, CUIWindowManager* manager) {
    engine->SetUserData(manager, kUIManagerUserDataType);
    RegisterCommonScriptInterface(engine);
    RegisterUICoroutine(engine);
    const ScriptFunction functions[] = {
        {"void LoadResource(string &in,string &in)", asFUNCTION(LoadResource)},
        {"void BeginSubButtons()", asFUNCTION(BeginSubButtons)},
        {"void AddSubButtonInfo(int,int,int,float,float,float,float,float,float)", asFUNCTION(AddSubButtonInfo)},
        {"void AddUIImage(uint32,float,float,float,int)", asFUNCTION(AddUIImage)},
        {"void AddUIRenderSourceImage(uint32,float,float,float,int)", asFUNCTION(AddUIRenderSourceImage)},
        {"void AddUIPolygon(uint32,int,float,float,float,float)", asFUNCTION(AddUIPolygon)},
        {"void AddUIText(uint32,float,float,float,uint32,int)", asFUNCTION(AddUIText)},
        {"void AddUIButton(uint32,float,float,float,float,float,float,float,int,int,int,int)", asFUNCTION(AddUIButton)},
        {"void AddUIRadioButton(uint32,float,float,float,uint32,int)", asFUNCTION(AddUIRadioButton)},
        {"void AddUINumberButton(uint32,float,float,float,uint32,int)", asFUNCTION(AddUINumberButton)},
        {"void AddUIEventGroupButton(uint32,float,float,float,int,int)", asFUNCTION(AddUIEventGroupButton)},
        {"void AddUIPopUpButton(uint32,float,float,float,float,float,float,float,float,float,float,float,int,int,int,"
         "int,float,float,float,float,int)",
         asFUNCTION(AddUIPopUpButton)},
        {"void AddUILogVoiceButton(uint32,float,float,float,float,float,float,float,uint32,int,int,int,int)",
         asFUNCTION(AddUILogVoiceButton)},
        {"void AddUISnapImageRender(uint32,float,float,float)", asFUNCTION(AddUISnapImageRender)},
        {"void AddUIThumnailRender(uint32,uint32,float,float,float)", asFUNCTION(AddUIThumnailRender)},
        {"void AddUISaveFileButton(uint32,uint32,float,float,float,float,float,float,float,int,int,int,int,int)",
         asFUNCTION(AddUISaveFileButton)},
        {"void AddUICheckBox(uint32 id,float x,float y,float z,float ox,float oy,float hx,float hy,int id0,int id1,"
         "int id2,int id3,int id4,int id5,int id6)",
         asFUNCTION(AddUICheckBox)},
        {"int GetFunctionID(string &in)", asFUNCTION(GetFunctionID)},
        {"int DirectPatNo(int)", asFUNCTION(DirectPatNo)},
        {"void EnableRendering(bool)", asFUNCTION(EnableRendering)},
        {"void SetOffset(float,float,float)", asFUNCTION(SetOffset)},
        {"void SetScale(float,float,float)", asFUNCTION(SetScale)},
        {"void SetRoll(float,float,float)", asFUNCTION(SetRoll)},
        {"void SetColor(float,float,float,float)", asFUNCTION(SetColor)},
        {"void SetPatNo(uint32,uint32)", asFUNCTION(SetPatNo)},
        {"void SetEnable(bool)", asFUNCTION(SetEnable)},
        {"int GetControlValueInt(uint32)", asFUNCTION(GetControlValueInt)},
        {"void SetControlValueInt(uint32,int)", asFUNCTION(SetControlValueInt)},
        {"float GetControlValueFloat(uint32)", asFUNCTION(GetControlValueFloat)},
        {"void SetControlValueFloat(uint32,float)", asFUNCTION(SetControlValueFloat)},
        {"void WaitCtrl(int)", asFUNCTION(WaitCtrl)},
        {"void SetActiveControl(uint32)", asFUNCTION(SetActiveControl)},
        {"void SendCommandToNovelSystem(uint32)", asFUNCTION(SendCommandToNovelSystem)},
        {"void SendSignal(int)", asFUNCTION(SendSignal)},
        {"void SetWindowPosition(float,float,float)", asFUNCTION(SetWindowPosition)},
        {"void CloseUIWindow()", asFUNCTION(CloseUIWindow)},
        {"void CloseAllUIDialog()", asFUNCTION(CloseAllUIDialog)},
        {"void OpenChildDialog(string &in)", asFUNCTION(OpenChildDialog)},
        {"void SnapNowFrame()", asFUNCTION(SnapNowFrame)},
        {"void UpdateSaveDataInfo()", asFUNCTION(UpdateSaveDataInfo)},
        {"bool IsExistSaveData(int)", asFUNCTION(IsExistSaveData)},
        {"bool IsExistQuickSaveData()", asFUNCTION(IsExistQuickSaveData)},
        {"void SetSaveViewTop(uint32)", asFUNCTION(SetSaveViewTop)},
        {"uint32 GetSaveViewTop()", asFUNCTION(GetSaveViewTop)},
        {"void Save(uint32 i)", asFUNCTION(Save)},
        {"void Load(uint32 i)", asFUNCTION(Load)},
        {"void QuickSave()", asFUNCTION(QuickSave)},
        {"void QuickLoad()", asFUNCTION(QuickLoad)},
        {"void SaveConfig()", asFUNCTION(SaveConfig)},
        {"void ExitGame()", asFUNCTION(ExitGame)},
        {"void ReturnGameStart()", asFUNCTION(ReturnGameStart)},
        {"void EnableControl(uint32,bool)", asFUNCTION(EnableControl)},
        {"bool IsEnableControl(uint32)", asFUNCTION(IsEnableControl)},
        {"void EnableRenderingControl(uint32,bool)", asFUNCTION(EnableRenderingControl)},
        {"void AddTabControl()", asFUNCTION(AddTabControl)},
        {"void AddControlToTabControl(uint32,uint32,uint32)", asFUNCTION(AddControlToTabControl)},
        {"void SetActiveGroupTabControl(uint32,uint32)", asFUNCTION(SetActiveGroupTabControl)},
    };
    static_assert(sizeof functions / sizeof functions[0] == kUIWindowFunctionCount);
    int registered = 0;
    for (const ScriptFunction& f : functions) {
        const int r = engine->RegisterGlobalFunction(f.declaration, f.function, asCALL_CDECL);
        if (r >= 0)
            ++registered;
        else
            US_LOG("Failed to register the script declaration %s (%d)\n", f.declaration, r);
    }
    return registered;
}
