// CUSLogManager: "log.txt" in the program's folder, one open-append-close per line.
#include "engine/util/USLogManager.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "engine/files/USPath.h"
#include "win32/path.h"

int CUSLogManager::Open(const char* name) {
    path_ = BuildModulePath(name);
    FILE* f = std::fopen(win32::NativePath(path_).c_str(), "w");
    if (!f) return errno;
    return std::fclose(f);
}

int CUSLogManager::Write(const char* format, ...) {
    if (path_.empty()) return ENOENT;
    FILE* f = std::fopen(win32::NativePath(path_).c_str(), "a+");
    if (!f) return errno;
    va_list args;
    va_start(args, format);
    std::vfprintf(f, format, args);
    va_end(args);
    std::fclose(f);
    return 0;
}
