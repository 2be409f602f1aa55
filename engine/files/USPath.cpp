// Path utilities: module directory, Shift-JIS-aware splitting and joining, existence test.
#include "engine/files/USPath.h"

#include <windows.h>

namespace {

std::string g_moduleDirectory;

// Index of the last '\' in path, skipping CP932 trail bytes; npos when there is none.
size_t LastSeparator(const std::string& path) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (win32::IsCp932LeadByte(c) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (c == '\\') last = i;
    }
    return last;
}

}  // namespace

void SetCurrentDirectoryToModule() {
    char buffer[512] = {};
    DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer) return;
    g_moduleDirectory = GetDirectoryPart(buffer);
    SetCurrentDirectoryA(g_moduleDirectory.c_str());
}

const std::string& GetModuleDirectory() { return g_moduleDirectory; }

std::string BuildModulePath(const std::string& name) {
    return g_moduleDirectory.empty() ? name : BuildPath(g_moduleDirectory, name);
}

std::string GetDirectoryPart(const std::string& path) {
    size_t cut = LastSeparator(path);
    if (cut == std::string::npos || cut == 0) return path;
    return path.substr(0, cut + 1);
}

std::string GetFileExtension(const std::string& path) {
    size_t dot = path.rfind('.');
    if (dot == std::string::npos) return path;
    if (dot <= 1 || dot + 1 == path.size()) return std::string();
    return path.substr(dot + 1);
}

std::string ToBackslashPath(const std::string& path) {
    std::string out = path;
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (win32::IsCp932LeadByte(c) && i + 1 < out.size()) {
            ++i;
            continue;
        }
        if (c == '/') out[i] = '\\';
    }
    return out;
}

std::string RemoveLastPathSegment(const std::string& path) {
    // "a\b\c\" -> "a\b\"; a path with a single segment ("C:\", "\\server\") stays as it is, so that
    // ".." never climbs above the root.
    if (path.empty() || path.back() != '\\') return path;
    std::string trimmed = path.substr(0, path.size() - 1);
    size_t cut = LastSeparator(trimmed);
    if (cut == std::string::npos || (cut == 1 && trimmed[0] == '\\')) return path;
    return trimmed.substr(0, cut + 1);
}

std::string BuildPath(const std::string& baseIn, const std::string& relativeIn) {
    std::string base = ToBackslashPath(baseIn);
    std::string rel = ToBackslashPath(relativeIn);
    if (rel.rfind("\\\\", 0) == 0 || rel.find(':') != std::string::npos) return rel;
    if (base.empty() || base.back() != '\\') base += '\\';
    for (;;) {
        if (rel.rfind("..\\", 0) == 0) {
            rel.erase(0, 3);
            base = RemoveLastPathSegment(base);
        } else if (rel.rfind(".\\", 0) == 0) {
            rel.erase(0, 2);
        } else if (!rel.empty() && rel[0] == '\\') {
            rel.erase(0, 1);
        } else {
            break;
        }
    }
    return base + rel;
}

bool PathExists(const std::string& path, bool wantDirectory) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    bool isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return wantDirectory == isDirectory;
}
