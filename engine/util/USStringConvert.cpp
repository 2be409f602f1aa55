// WideToAnsi / Utf8ToWide / Utf8ToAnsi: ask for the size, convert into the shared buffer, copy out.
#include "engine/util/USStringConvert.h"

#include <cstring>

#include "engine/util/USRecycleVector.h"

namespace {

USLib::recycle_vector<char> g_buffer;

// A zero-filled buffer of 2 * n bytes from the shared block.
char* Buffer(int n) {
    std::size_t bytes = 2 * static_cast<std::size_t>(n);
    char* data = g_buffer.request(bytes);
    if (data) std::memset(data, 0, bytes);
    return data;
}

}  // namespace

std::string WideToAnsi(const WCHAR* text) {
    if (!text) return std::string();
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    char* out = n > 0 ? Buffer(n) : nullptr;
    if (!out) return std::string();
    WideCharToMultiByte(CP_ACP, 0, text, -1, out, 2 * n, nullptr, nullptr);
    return std::string(out);
}

WideString Utf8ToWide(const char* text) {
    if (!text) return WideString();
    int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    char* out = n > 0 ? Buffer(n) : nullptr;
    if (!out) return WideString();
    auto* wide = reinterpret_cast<WCHAR*>(out);
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide, n);
    return WideString(wide);
}

std::string Utf8ToAnsi(const char* text) { return WideToAnsi(Utf8ToWide(text).c_str()); }
