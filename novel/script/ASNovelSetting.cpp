// The novel setting script host and the functions it binds.
#include "novel/script/ASNovelSetting.h"

#include <angelscript/scriptarray.h>
#include <angelscript/scriptstdstring.h>

#include <string>

#include "novel/novel/MessageLog.h"
#include "novel/novel/NovelSystem.h"
#include "novel/render/RendererSettingFunctions.h"

namespace {

CNovelSystem* Novel() { return CNovelSystem::GetInstance(); }
void AddTextBufferForLogWindow(int text, int name) {
    CMessageLogManager::GetInstance()->AddLogRow(static_cast<uint32_t>(text), static_cast<uint32_t>(name));
}
void SetWordWrap(int width, int extra, bool indent) { Novel()->SetWordWrap(width, extra, indent); }
void ClearNotHeadString() { Novel()->GetWordWrap().ClearNoLineStartChars(); }
void ClearNotTailString() { Novel()->GetWordWrap().ClearNoLineEndChars(); }
void AddNotHeadString(const std::string& text) { Novel()->AddNoLineStartChars(text.c_str()); }
void AddNotTailString(const std::string& text) { Novel()->AddNoLineEndChars(text.c_str()); }
void SetDefaultCharSetting(uint32_t volume, uint32_t maxVolume, uint32_t voiceSwitch) {
    Novel()->GetCharacters().GetDefault().Set(volume, maxVolume, voiceSwitch);
}
void SetDirectionScript(uint32_t modules, uint32_t resident) {
    CASRendererDirManager& directions = Novel()->GetDirections();
    directions.SetModuleCacheSize(modules);
    directions.SetResidentModuleCacheSize(resident);
    directions.AllocateResidentSlots(resident);
}
void SetCharSetting(const std::string& name, uint32_t volume, uint32_t maxVolume, uint32_t voiceSwitch) {
    Novel()->GetCharacters().Add(name).Set(volume, maxVolume, voiceSwitch);
}

}  // namespace

void CASNovelSetting::Release() {
    if (context_) context_->Release();
    context_ = nullptr;
    if (engine_) engine_->ShutDownAndRelease();
    engine_ = nullptr;
}

bool CASNovelSetting::Execute(const char* path) {
    Release();
    engine_ = CreateScriptEngine();
    if (!engine_) return false;
    RegisterStdString(engine_);
    RegisterScriptArray(engine_, true);
    RegisterConfigEnums(engine_);
    RegisterScriptFunctions(engine_, {
        {"void AddTextBufferForLogWindow(int,int)", asFUNCTION(AddTextBufferForLogWindow)},
        {"void SetWordWrap(int,int,bool)", asFUNCTION(SetWordWrap)},
        {"void ClearNotHeadString()", asFUNCTION(ClearNotHeadString)},
        {"void ClearNotTailString()", asFUNCTION(ClearNotTailString)},
        {"void AddNotHeadString(string &in)", asFUNCTION(AddNotHeadString)},
        {"void AddNotTailString(string &in)", asFUNCTION(AddNotTailString)},
        {"void SetDefaultCharSetting(uint32,uint32,uint32)", asFUNCTION(SetDefaultCharSetting)},
        {"void SetCharSetting(string &in,uint32,uint32,uint32)", asFUNCTION(SetCharSetting)},
        {"void SetDirectionScript(uint32,uint32)", asFUNCTION(SetDirectionScript)},
    });
    RegisterRendererSettingFunctions(engine_);
    if (BuildScriptModule(engine_, path) < 0) return false;
    CMessageLogManager::GetInstance()->ClearLogRowList();
    // The script makes the text buffers afresh, numbered from 0: each novel scene runs it (every
    // return to the game's start makes one), and the last run's buffers, each with its font and
    // texture, would otherwise pile up.
    Novel()->GetTextBuffers().DeleteAll();
    asIScriptFunction* entry = engine_->GetModule(path)->GetFunctionByDecl("void Initialize()");
    if (!entry) return false;
    context_ = engine_->CreateContext();
    return context_->Prepare(entry) >= 0 && ExecuteWatched(context_, path, kSetUpScriptMs, true) == asEXECUTION_FINISHED;
}
