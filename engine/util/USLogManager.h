// The text log "log.txt": emptied once at start-up, then opened, appended and closed for every line
// so that each line reaches the disk at once and survives a crash.
#pragma once
#include <string>

#include "engine/util/USSingleton.h"

class CUSLogManager {
public:
    virtual ~CUSLogManager() = default;
    // Path = the module directory joined with name; creates or truncates it. 0 or the C error code.
    virtual int Open(const char* name);
    // printf-style; the error code of a failed open, else 0.
    virtual int Write(const char* format, ...) __attribute__((format(printf, 2, 3)));

    const std::string& GetPath() const { return path_; }

private:
    std::string path_;
};

// Writes one printf-style line to the game's log (the process-wide CUSLogManager).
#define US_LOG(...) CUSSingleton<CUSLogManager>::GetInstance()->Write(__VA_ARGS__)
