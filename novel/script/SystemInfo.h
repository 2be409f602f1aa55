// The system set-up script host: runs "AS\InitSystem.as" once at start-up, whose "void Initialize()"
// fills the configuration tables and defaults, the save-slot settings, the game-variable tables and
// the snapshot size through the functions bound here.
#pragma once
#include "engine/util/USSingleton.h"

class CSystemInfo {
public:
    virtual ~CSystemInfo() = default;
    static CSystemInfo* GetInstance() { return CUSSingleton<CSystemInfo>::GetInstance(); }
    // Builds the script and runs its "void Initialize()"; a missing or broken script changes nothing
    // (the messages are in the log). True when the function ran to its end.
    virtual bool Execute(const char* path);
};
