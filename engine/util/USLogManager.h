// The text log "log.txt": emptied once at start-up, then opened, appended and closed for every line
// so that each line reaches the disk at once and survives a crash. Lines are written in UTF-8. The
// file's name in the file system is found once, when the log is emptied.
#pragma once
#include <cstdio>
#include <string>

#include "win32/codepage.h"

#include "engine/util/USSingleton.h"

class CUSLogManager {
public:
    virtual ~CUSLogManager() = default;
    // Path = BuildModulePath(name); creates or truncates it. 0 or the C error code.
    virtual int Open(const char* name);
    // printf-style over CP932 text, written as UTF-8; the error code of a failed open, else 0.
    virtual int Write(const char* format, ...) __attribute__((format(printf, 2, 3)));

    const std::string& GetPath() const { return path_; }

private:
    std::string path_;
    std::string nativePath_;  // path_ as the file system names it
};

// A UTF-8 literal of the source as the system's CP932 text, converted once per use site.
#define US_SYSTEM_TEXT(utf8)                                              \
    ([]() -> const char* {                                                \
        static const std::string text = win32::Utf8ToCp932(utf8);        \
        return text.c_str();                                              \
    }())

// Writes one printf-style line to the game's log (the process-wide CUSLogManager). The format is a
// UTF-8 literal, taken as CP932 like every text of the system; %s arguments are CP932 already. The
// finished line reaches the file in UTF-8.
// The unevaluated printf lets the compiler check the format against the arguments.
#define US_LOG(format, ...)                                                 \
    ((void)sizeof(std::printf(format __VA_OPT__(, ) __VA_ARGS__)),          \
     CUSSingleton<CUSLogManager>::GetInstance()->Write(US_SYSTEM_TEXT(format) __VA_OPT__(, ) __VA_ARGS__))
