// Text conversions between wide text (UTF-16), UTF-8 and the system's code page (CP932), through one
// process-wide grow-only buffer. Main thread only; the results are copies.
#pragma once
#include <string>

#include <windows.h>

using WideString = std::basic_string<WCHAR>;

std::string WideToAnsi(const WCHAR* text);
WideString Utf8ToWide(const char* text);
// Used by the script string support.
std::string Utf8ToAnsi(const char* text);
