// arcpack: packs files into an archive ("*.arc") that the game mounts.
//
// Usage:
//   arcpack --key KEY --out OUT.arc [--lzss] [--dir DIR] [NAME=FILE ...]
//
//   --key KEY   the cipher key (the game uses its 8-character key).
//   --out FILE  the archive to write (replaced when it exists).
//   --lzss      compress each entry with LZSS where the encoder accepts it (16 bytes or shorter and
//               data that would not shrink by more than 8 bytes are stored as they are).
//   --dir DIR   add every regular file below DIR; its entry name is the path relative to DIR with
//               '\' separators (for example "image\bg\title.png").
//   NAME=FILE   add FILE under the entry name NAME ('/' is written as '\').
// Names on the command line are UTF-8 and are stored in the game's code page (CP932). Entries are
// written in the order given (--dir entries sorted by name, before NAME=FILE pairs); a later entry
// of the same name wins when the game reads the archive.
//
// From CMake:
//   add_custom_command(OUTPUT data.arc
//     COMMAND arcpack --key qT7mRw2Z --lzss --out data.arc --dir ${CMAKE_CURRENT_SOURCE_DIR}/data
//     DEPENDS arcpack ...)
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/arcpack/ArcWriter.h"
#include "win32/codepage.h"

namespace fs = std::filesystem;

namespace {

int Usage() {
    std::fputs("usage: arcpack --key KEY --out OUT.arc [--lzss] [--dir DIR] [NAME=FILE ...]\n", stderr);
    return 2;
}

bool ReadFileBytes(const fs::path& path, std::vector<unsigned char>& out) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    out.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

// UTF-8 name with '/' -> CP932 name with '\'; false when a character has no CP932 code.
bool GameName(const std::string& utf8, std::string& out) {
    std::string name = utf8;
    std::replace(name.begin(), name.end(), '/', '\\');
    return win32::Utf8ToCp932(name, out);
}

bool AddEntry(const std::string& utf8Name, const fs::path& file, std::vector<arcpack::Entry>& entries) {
    arcpack::Entry entry;
    if (!GameName(utf8Name, entry.name)) {
        std::fprintf(stderr, "arcpack: name has no CP932 form: %s\n", utf8Name.c_str());
        return false;
    }
    if (!ReadFileBytes(file, entry.data)) {
        std::fprintf(stderr, "arcpack: cannot read %s\n", file.c_str());
        return false;
    }
    if (entry.data.empty()) {
        std::fprintf(stderr, "arcpack: empty file cannot be stored: %s\n", file.c_str());
        return false;
    }
    entries.push_back(std::move(entry));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string key, out;
    bool compress = false;
    std::vector<arcpack::Entry> entries;
    std::vector<std::pair<std::string, fs::path>> pairs;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--key" && i + 1 < argc) {
            key = argv[++i];
        } else if (arg == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else if (arg == "--lzss") {
            compress = true;
        } else if (arg == "--dir" && i + 1 < argc) {
            fs::path dir = argv[++i];
            std::vector<fs::path> files;
            std::error_code ec;
            for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
                 it.increment(ec))
                if (it->is_regular_file()) files.push_back(it->path());
            if (ec) {
                std::fprintf(stderr, "arcpack: cannot list %s\n", dir.c_str());
                return 1;
            }
            std::sort(files.begin(), files.end());
            for (const fs::path& f : files)
                if (!AddEntry(f.lexically_relative(dir).generic_string(), f, entries)) return 1;
        } else if (auto eq = arg.find('='); eq != std::string::npos && eq > 0 && arg[0] != '-') {
            pairs.emplace_back(arg.substr(0, eq), arg.substr(eq + 1));
        } else {
            return Usage();
        }
    }
    if (key.empty() || out.empty()) return Usage();
    for (const auto& [name, file] : pairs)
        if (!AddEntry(name, file, entries)) return 1;
    if (!arcpack::WriteBytes(out, arcpack::BuildArchive(entries, key, compress))) {
        std::fprintf(stderr, "arcpack: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
