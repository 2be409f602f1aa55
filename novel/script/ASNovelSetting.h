// The novel setting script host: each novel scene start runs "AS\InitNovel.as", whose
// "void Initialize()" sets up what the novel system draws and speaks with through the functions bound
// here: log-window rows, word wrap and its character sets, and the per-speaker voice settings. The
// host keeps its engine and context until the next run or its release.
#pragma once
#include "novel/script/ASCommon.h"

class CASNovelSetting {
public:
    CASNovelSetting() = default;
    CASNovelSetting(const CASNovelSetting&) = delete;
    CASNovelSetting& operator=(const CASNovelSetting&) = delete;
    virtual ~CASNovelSetting() { Release(); }
    // Releases the context, then the engine.
    virtual void Release();
    // Releases a previous run, builds the script, empties the message log's row list and runs
    // "void Initialize()"; a script that does not build runs nothing. True when the function ran to
    // its end.
    virtual bool Execute(const char* path);

private:
    asIScriptEngine* engine_ = nullptr;
    asIScriptContext* context_ = nullptr;
};
