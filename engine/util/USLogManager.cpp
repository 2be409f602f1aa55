// CUSLogManager: "log.txt" in the program's folder, one open-append-close per line. The system's text
// is CP932; the file is written in the platform's own encoding (UTF-8), so that a terminal or an
// editor here shows it as it is.
#include "engine/util/USLogManager.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "engine/files/USPath.h"
#include "win32/path.h"

namespace {

// The printf-style text of a format and its arguments.
std::string FormatLine(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int size = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (size <= 0) return {};
    std::string line(static_cast<size_t>(size) + 1, '\0');
    std::vsnprintf(line.data(), line.size(), format, args);
    line.resize(static_cast<size_t>(size));
    return line;
}

}  // namespace

int CUSLogManager::Open(const char* name) {
    path_ = BuildModulePath(name);
    nativePath_ = win32::NativePath(path_);
    FILE* f = std::fopen(nativePath_.c_str(), "w");
    if (!f) return errno;
    return std::fclose(f);
}

int CUSLogManager::Write(const char* format, ...) {
    if (path_.empty()) return ENOENT;
    va_list args;
    va_start(args, format);
    const std::string text = win32::Cp932ToUtf8(FormatLine(format, args));
    va_end(args);
    FILE* f = std::fopen(nativePath_.c_str(), "a+");
    if (!f) return errno;
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return 0;
}
