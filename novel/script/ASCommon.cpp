// The shared script set-up and the coroutine runner.
#include "novel/script/ASCommon.h"

#include <angelscript/scriptarray.h>
#include <angelscript/scriptbuilder.h>
#include <angelscript/scriptmath.h>
#include <angelscript/scriptstdstring.h>
#include <unistd.h>

#include <string>

#include <boost/format.hpp>

#include "engine/files/USFile.h"
#include "engine/input/AppCommonInfo.h"
#include "engine/util/USLogManager.h"
#include "novel/sound/SEManager.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/GameVariables.h"
#include "novel/vm/SliceClock.h"

static void WriteLogLiteral(const std::string& text) {
    CUSSingleton<CUSLogManager>::GetInstance()->Write("%s", text.c_str());
}

void ScriptMessageCallback(const asSMessageInfo* msg, void*) {
    const char* type = msg->type == asMSGTYPE_WARNING ? "WARN" : msg->type == asMSGTYPE_INFORMATION ? "INFO" : "ERR ";
    WriteLogLiteral((boost::format("%1%(%2%,%3%) : %4% : %5%\n") % msg->section % msg->row % msg->col % type %
                     msg->message)
                        .str());
}

asIScriptEngine* CreateScriptEngine() {
    asIScriptEngine* engine = asCreateScriptEngine();
    if (!engine) return nullptr;
    engine->SetEngineProperty(asEP_SCRIPT_SCANNER, 0);
    engine->SetEngineProperty(asEP_STRING_ENCODING, 0);
    engine->SetMessageCallback(asFUNCTION(ScriptMessageCallback), nullptr, asCALL_CDECL);
    return engine;
}

static bool Registered(int result, const char* what) {
    if (result >= 0) return true;
    US_LOG("Failed to register the script declaration %s (%d)\n", what, result);
    return false;
}

bool RegisterScriptFunctions(asIScriptEngine* engine, const ScriptFunction* begin, const ScriptFunction* end) {
    bool ok = true;
    for (const ScriptFunction* f = begin; f != end; ++f) {
        ok &= Registered(engine->RegisterGlobalFunction(f->declaration, f->function, asCALL_CDECL), f->declaration);
    }
    return ok;
}

bool RegisterConfigEnums(asIScriptEngine* engine) {
    struct Enum {
        const char* type;
        std::initializer_list<std::pair<const char*, int>> values;
    };
    const Enum enums[] = {
        {"ComnConfigIndex",
         {{"CFG_MASTER_VOLUME", 0}, {"CFG_VOLUME_BGM", 1}, {"CFG_VOLUME_SE", 2}, {"CFG_VOLUME_VOICE", 3},
          {"CFG_CHAR_DRAW_INTERVAL", 4}, {"CFG_AUTOMODE_WAIT_FRAME", 5}, {"CFG_ENABLE_FAST_SKIP", 6},
          {"CFG_STOP_VOICE", 7}, {"USER_CFG_INDEX", 8}}},
        {"MaxVolumeIndex",
         {{"MAX_VOL_INDEX_MASTER", 0}, {"MAX_VOL_INDEX_BGM", 1}, {"MAX_VOL_INDEX_SE", 2},
          {"MAX_VOL_INDEX_VOICE", 3}, {"USER_MAX_VOLUME", 4}}},
    };
    bool ok = true;
    for (const Enum& e : enums) {
        ok &= Registered(engine->RegisterEnum(e.type), e.type);
        for (const auto& [name, value] : e.values) ok &= Registered(engine->RegisterEnumValue(e.type, name, value), name);
    }
    return ok;
}

namespace {

void ScriptWait(uint32_t frames) {
    asIScriptContext* context = asGetActiveContext();
    if (!context) return;
    context->Suspend();
    // A context of another kind of host is suspended, but has no wait counter to set.
    if (CDefoASVM* runner = CDefoASVM::FromContext(context)) runner->SetWait(frames);
}

void ScriptSuspend() {
    if (asIScriptContext* context = asGetActiveContext()) context->Suspend();
}

void ScriptSetConfigValue(int index, int value) { CConfigDataManager::GetInstance()->SetConfigValue(index, value); }
int ScriptGetConfigValue(int index) { return CConfigDataManager::GetInstance()->GetConfigValue(index); }
uint32_t ScriptGetMouseTrig() { return CUSSingleton<CAppCommonInfo>::GetInstance()->GetMouseTrig(); }
int ScriptGetRandInt(int min, int max) { return CUSSingleton<CAppCommonInfo>::GetInstance()->GetRand().GetInt(min, max); }
float ScriptGetRandFloat(float min, float max) {
    return CUSSingleton<CAppCommonInfo>::GetInstance()->GetRand().GetFloat(min, max);
}
void ScriptSetGameParameter(uint32_t index, int value) { CGameParameterManager::GetInstance()->SetParam(index, value); }
int ScriptGetGameParameter(uint32_t index) { return CGameParameterManager::GetInstance()->GetParam(index); }
void ScriptSetGameFlag(uint32_t index, bool on) { CGameFlagsManager::GetInstance()->SetFlag(index, on); }
bool ScriptGetGameFlag(uint32_t index) { return CGameFlagsManager::GetInstance()->GetFlag(index); }
void ScriptLog(const std::string& text) { WriteLogLiteral(text); }
float ScriptGetRadianFromAngle(float degrees) { return static_cast<float>(degrees * 0.01745329238474369); }
void ScriptPlaySE(uint32_t channel, const std::string& file, uint32_t config, uint32_t maxVolume) {
    CSEManager::GetInstance()->PlaySE(channel, file.c_str(), config, maxVolume);
}
void ScriptLoadSEBuffer(uint32_t channel, const std::string& file) {
    CSEManager::GetInstance()->LoadSEBuffer(channel, file.c_str());
}
void ScriptPlaySEBuffer(uint32_t channel, uint32_t config, uint32_t maxVolume) {
    CSEManager::GetInstance()->PlaySEBuffer(channel, config, maxVolume);
}
void ScriptStopSE(uint32_t channel) { CSEManager::GetInstance()->StopSE(channel); }

}  // namespace

bool RegisterCommonScriptInterface(asIScriptEngine* engine) {
    engine->SetMessageCallback(asFUNCTION(ScriptMessageCallback), nullptr, asCALL_CDECL);
    bool ok = RegisterConfigEnums(engine);
    RegisterStdString(engine);
    RegisterScriptArray(engine, true);
    RegisterScriptMath(engine);
    ok &= RegisterScriptFunctions(engine, {
        {"void Wait(uint32)", asFUNCTION(ScriptWait)},
        {"void Suspend()", asFUNCTION(ScriptSuspend)},
        {"void SetConfigValue(int,int)", asFUNCTION(ScriptSetConfigValue)},
        {"int GetConfigValue(int)", asFUNCTION(ScriptGetConfigValue)},
        {"uint32 GetMouseTrig()", asFUNCTION(ScriptGetMouseTrig)},
        {"int GetRandInt(int,int)", asFUNCTION(ScriptGetRandInt)},
        {"float GetRandFloat(float,float)", asFUNCTION(ScriptGetRandFloat)},
        {"void SetGameParameter(uint32,int)", asFUNCTION(ScriptSetGameParameter)},
        {"int GetGameParameter(uint32)", asFUNCTION(ScriptGetGameParameter)},
        {"void SetGameFlag(uint32,bool)", asFUNCTION(ScriptSetGameFlag)},
        {"bool GetGameFlag(uint32)", asFUNCTION(ScriptGetGameFlag)},
        {"void Log(string &in)", asFUNCTION(ScriptLog)},
        {"float GetRadianFromAngle(float)", asFUNCTION(ScriptGetRadianFromAngle)},
        {"void PlaySE(uint32,string &in,uint32,uint32)", asFUNCTION(ScriptPlaySE)},
        {"void LoadSEBuffer(uint32,string &in)", asFUNCTION(ScriptLoadSEBuffer)},
        {"void PlaySEBuffer(uint32,uint32,uint32)", asFUNCTION(ScriptPlaySEBuffer)},
        {"void StopSE(uint32)", asFUNCTION(ScriptStopSE)},
    });
    return ok;
}

int LoadScriptSection(CScriptBuilder& builder, const char* filename) {
    CUSFile file;
    if (!file.LoadText(filename)) return -1;
    if (file.size == 0) {
        char cwd[256] = "";
        if (!getcwd(cwd, sizeof cwd)) cwd[0] = 0;
        const std::string text = std::string("Failed to load script file '") + cwd + filename + "'";
        builder.GetEngine()->WriteMessage(filename, 0, 0, asMSGTYPE_ERROR, text.c_str());
        return -1;
    }
    return builder.AddSectionFromMemory(filename, reinterpret_cast<const char*>(file.data), file.size);
}

// "#include" names are relative to the folder of the including file, unless they name a root.
static int IncludeSection(const char* include, const char* from, CScriptBuilder* builder, void*) {
    std::string path = include;
    if (path.empty() || (path[0] != '\\' && path[0] != '/' && path.find(':') == std::string::npos)) {
        const std::string parent = from;
        const size_t slash = parent.find_last_of("\\/");
        if (slash != std::string::npos) path = parent.substr(0, slash + 1) + path;
    }
    return LoadScriptSection(*builder, path.c_str());
}

int BuildScriptModule(asIScriptEngine* engine, const char* path) {
    CScriptBuilder builder;
    builder.SetIncludeCallback(IncludeSection, nullptr);
    int r = builder.StartNewModule(engine, path);
    if (r < 0) return r;
    r = LoadScriptSection(builder, path);
    if (r < 0) return r;
    return builder.BuildModule();
}

namespace {

struct ScriptWatch {
    CSliceClock clock;
    bool abort;
    const char* reason;
};

// Called by the engine at every statement of the watched context.
void WatchLine(asIScriptContext* context, ScriptWatch* watch) {
    const char* reason = watch->clock.ShouldStop();
    if (!reason) return;
    watch->reason = reason;
    if (watch->abort) {
        context->Abort();
    } else {
        context->Suspend();
    }
}

}  // namespace

int ExecuteWatched(asIScriptContext* context, const char* name, uint32_t limitMs, bool abort) {
    ScriptWatch watch{CSliceClock(limitMs), abort, nullptr};
    context->SetLineCallback(asFUNCTION(WatchLine), &watch, asCALL_CDECL);
    const int result = context->Execute();
    context->ClearLineCallback();
    if (abort && watch.reason) US_LOG("Script [%s] stopped: %s\n", name, watch.reason);
    return result;
}

CDefoASVM::~CDefoASVM() {
    if (context_) context_->Release();
    context_ = nullptr;
}

CDefoASVM* CDefoASVM::FromContext(asIScriptContext* context) {
    return static_cast<CDefoASVM*>(context->GetUserData(kUserDataType));
}

void CDefoASVM::Step() {
    if (wait_ != 0 && --wait_ != 0) return;
    if (!context_) return;
    // Executing a context that has finished or failed only writes an error message to the log; the
    // running flag stays set, as for any result but a finished function.
    const asEContextState state = context_->GetState();
    if (state != asEXECUTION_PREPARED && state != asEXECUTION_SUSPENDED) return;
    // A slice that runs past its time is suspended and goes on in the next frame.
    running_ = ExecuteWatched(context_, "", CSliceClock::kSliceMs, false) == asEXECUTION_FINISHED ? 0 : 1;
}
