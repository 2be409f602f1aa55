// Windows-style path -> native path: split on '\' and '/' (CP932-aware), convert each component to
// UTF-8, and resolve it against the directory without regard to ASCII case, as Windows does.
#include "win32/path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <vector>

#include "win32/codepage.h"

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Finds the entry of `dir` whose name equals `name` without regard to case; the first in name order
// when several do.
bool FindNoCase(const std::string& dir, const std::string& name, std::string& found) {
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return false;
    bool ok = false;
    while (dirent* e = readdir(d)) {
        std::string_view entry(e->d_name);
        if (EqualNoCase(entry, name) && (!ok || entry < found)) {
            found.assign(entry);
            ok = true;
        }
    }
    closedir(d);
    return ok;
}

}  // namespace

namespace win32 {

std::string NativePath(std::string_view path) {
    // Split into components, never taking a CP932 trail byte for a separator.
    std::vector<std::string> parts;
    bool absolute = false;
    std::string cur;
    for (size_t i = 0; i < path.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (IsCp932LeadByte(c) && i + 1 < path.size()) {
            cur += path[i];
            cur += path[++i];
            continue;
        }
        if (c == '\\' || c == '/') {
            if (i == 0) absolute = true;
            if (!cur.empty()) parts.push_back(Cp932ToUtf8(cur));
            cur.clear();
            continue;
        }
        cur += static_cast<char>(c);
    }
    if (!cur.empty()) parts.push_back(Cp932ToUtf8(cur));
    // A drive prefix ("C:") has no meaning here.
    if (!parts.empty() && parts[0].size() == 2 && parts[0][1] == ':') {
        parts.erase(parts.begin());
        absolute = true;
    }

    std::string result = absolute ? "/" : "";
    bool resolving = true;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        std::string next = result.empty() || result.back() == '/' ? result + part : result + "/" + part;
        if (resolving && part != "." && part != ".." && !Exists(next)) {
            std::string found;
            std::string dir = result.empty() ? "." : result;
            if (FindNoCase(dir, part, found))
                next = result.empty() || result.back() == '/' ? result + found : result + "/" + found;
            else
                resolving = false;  // Nothing below a missing component can exist.
        }
        result = std::move(next);
    }
    if (result.empty()) result = ".";
    return result;
}

std::string WindowsPath(std::string_view nativePath) {
    std::string out = Utf8ToCp932(nativePath);
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if (IsCp932LeadByte(c) && i + 1 < out.size()) {
            ++i;
            continue;
        }
        if (c == '/') out[i] = '\\';
    }
    return out;
}

}  // namespace win32
