// Code-page conversions: the system's text is CP932 (Shift-JIS) bytes; conversions happen only at the
// platform edge (file names, titles, message boxes, glyph codes), through glibc iconv "CP932".
#pragma once
#include <string>
#include <string_view>
#include "win32/types.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR src, int srcLen, LPWSTR dst, int dstLen);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR src, int srcLen, LPSTR dst, int dstLen,
                        LPCSTR defaultChar, LPBOOL usedDefault);

namespace win32 {
// CP932 -> UTF-8. Bytes that CP932 does not assign become U+FFFD; conversion never stops early.
std::string Cp932ToUtf8(std::string_view cp932);
// UTF-8 -> CP932. Characters without a CP932 code become '?'. Returns false when any was replaced.
bool Utf8ToCp932(std::string_view utf8, std::string& out);
std::string Utf8ToCp932(std::string_view utf8);
// True when b is a CP932 lead byte (0x81-0x9F, 0xE0-0xFC).
inline bool IsCp932LeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
}  // namespace win32
