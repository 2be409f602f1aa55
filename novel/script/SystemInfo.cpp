// The system set-up script host and the functions it binds.
#include "novel/script/SystemInfo.h"

#include <angelscript/scriptarray.h>
#include <angelscript/scriptstdstring.h>

#include <string>

#include "engine/files/USFile.h"
#include "novel/script/ASCommon.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/GameVariables.h"
#include "novel/state/SaveDataManager.h"
#include "novel/state/SnapImage.h"

namespace {

CConfigDataManager* Config() { return CConfigDataManager::GetInstance(); }
void InitIntervalRenderingText() { Config()->InitIntervalRenderingText(); }
void AddIntervalRenderingText(uint32_t frames) { Config()->AddIntervalRenderingText(frames); }
void InitWaitFrameAutoSkipMode() { Config()->InitWaitFrameAutoSkipMode(); }
void AddWaitFrameAutoSkipMode(uint32_t frames) { Config()->AddWaitFrameAutoSkipMode(frames); }
void InitMaxVolume() { Config()->InitMaxVolume(); }
void AddMaxVolume(uint32_t volume) { Config()->AddMaxVolume(static_cast<float>(volume)); }
void InitConfigValue(int index, int value) { Config()->InitConfigValue(index, value); }
void SetSaveDataInfo(int total, int perPage) { CSaveDataManager::GetInstance()->Setup(total, perPage); }
void ScriptSetSaveName(const std::string& format) { SetSaveName(format); }
void ScriptSetQuickSavePath(const std::string& path) { SetQuickSavePath(path); }
void AllocGameParam(uint32_t count) { CGameParameterManager::GetInstance()->AllocGameParam(count); }
void AllocGameFlags(uint32_t count) { CGameFlagsManager::GetInstance()->AllocGameFlags(count); }
void SetSnapImageSize(int width, int height) {
    CSnapImage::GetInstance()->SetSize(width, height);
    CSnapImage::GetInstance()->CreateResources();
}
void SetSaveDataInfoNumber(uint32_t i, float x, float y, float z) {
    CSaveDataManager::GetInstance()->SetDigitLayout(i, x, y, z);
}
void SetSaveDataInfoNumberPatNo(uint32_t digit, uint32_t pattern) {
    CSaveDataManager::GetInstance()->SetDigitPattern(digit, pattern);
}

}  // namespace

bool CSystemInfo::Execute(const char* path) {
    {
        CUSFile check;
        if (!check.LoadText(path)) return false;
    }
    asIScriptEngine* engine = CreateScriptEngine();
    if (!engine) return false;
    RegisterStdString(engine);
    RegisterScriptArray(engine, true);
    RegisterConfigEnums(engine);
    RegisterScriptFunctions(engine, {
        {"void InitIntervalRenderingText()", asFUNCTION(InitIntervalRenderingText)},
        {"void AddIntervalRenderingText(uint32)", asFUNCTION(AddIntervalRenderingText)},
        {"void InitWaitFrameAutoSkipMode()", asFUNCTION(InitWaitFrameAutoSkipMode)},
        {"void AddWaitFrameAutoSkipMode(uint32)", asFUNCTION(AddWaitFrameAutoSkipMode)},
        {"void InitMaxVolume()", asFUNCTION(InitMaxVolume)},
        {"void AddMaxVoluem(uint32)", asFUNCTION(AddMaxVolume)},
        {"void InitConfigValue(int,int)", asFUNCTION(InitConfigValue)},
        {"void SetSaveDataInfo(int,int)", asFUNCTION(SetSaveDataInfo)},
        {"void SetSaveName(string &in)", asFUNCTION(ScriptSetSaveName)},
        {"void SetQuicSavePath(string &in)", asFUNCTION(ScriptSetQuickSavePath)},
        {"void AllocGameParam(uint32)", asFUNCTION(AllocGameParam)},
        {"void AllocGameFlags(uint32)", asFUNCTION(AllocGameFlags)},
        {"void SetSnapImageSize(int,int)", asFUNCTION(SetSnapImageSize)},
        {"void SetSaveDataInfoNumber(uint32,float,float,float)", asFUNCTION(SetSaveDataInfoNumber)},
        {"void SetSaveDataInfoNumberPatNo(uint32,uint32)", asFUNCTION(SetSaveDataInfoNumberPatNo)},
    });
    bool ran = false;
    if (BuildScriptModule(engine, path) >= 0) {
        asIScriptFunction* entry = engine->GetModule(path)->GetFunctionByDecl("void Initialize()");
        if (entry) {
            asIScriptContext* context = engine->CreateContext();
            if (context->Prepare(entry) >= 0)
                ran = ExecuteWatched(context, path, kSetUpScriptMs, true) == asEXECUTION_FINISHED;
            context->Release();
        }
    }
    engine->ShutDownAndRelease();
    return ran;
}
