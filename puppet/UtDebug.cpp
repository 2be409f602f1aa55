// UtDebug: formats into a 256-byte buffer and hands the text to OutputDebugStringA.
#include "puppet/UtDebug.h"

#include <windows.h>

#include "win32/codepage.h"

#include <cstdarg>
#include <cstdio>

namespace puppet {
namespace {
void printv(const char* format, va_list args) {
    char buffer[256];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    if (buffer[0] != '\0') OutputDebugStringA(buffer);
}
}  // namespace

void UtDebug::print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    printv(format, args);
    va_end(args);
}

void UtDebug::println(const char* format, ...) {
    va_list args;
    va_start(args, format);
    printv(format, args);
    va_end(args);
    OutputDebugStringA("\n");
}

void UtDebug::out(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char buffer[1024];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    std::fputs(win32::Cp932ToUtf8(buffer).c_str(), stdout);
}

}  // namespace puppet
