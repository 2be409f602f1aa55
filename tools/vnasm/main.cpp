// vnasm: assembles a scenario source file into a code file, printing errors and warnings, and can list
// the files the code names.  Usage: vnasm [--scene] [--names <list>] <in.vns> <out.bin>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "tools/vnasm/Assembler.h"

namespace {

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

bool WriteFile(const std::string& path, const char* data, size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(data, static_cast<std::streamsize>(size));
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    VCOpcodes::Machine machine = VCOpcodes::kNovel;
    const char* namesPath = nullptr;
    int arg = 1;
    for (; arg < argc; ++arg) {
        const std::string option = argv[arg];
        if (option == "--scene") machine = VCOpcodes::kScene;
        else if (option == "--names" && arg + 1 < argc) namesPath = argv[++arg];
        else break;
    }
    if (argc - arg != 2) {
        std::fprintf(stderr, "usage: vnasm [--scene] [--names <list>] <source> <code file>\n");
        return 2;
    }
    const char* sourcePath = argv[arg];
    const char* codePath = argv[arg + 1];
    std::optional<std::string> source = ReadFile(sourcePath);
    if (!source) {
        std::fprintf(stderr, "vnasm: cannot read %s\n", sourcePath);
        return 1;
    }
    // Included files are found beside the source.
    const std::filesystem::path folder = std::filesystem::path(sourcePath).parent_path();
    auto reader = [&](const std::string& name) { return ReadFile(folder / name); };
    vnasm::Output out = vnasm::Assemble(*source, machine, reader);
    for (const std::string& w : out.warnings) std::fprintf(stderr, "%s: warning: %s\n", sourcePath, w.c_str());
    for (const std::string& e : out.errors) std::fprintf(stderr, "%s: %s\n", sourcePath, e.c_str());
    if (!out.Ok()) return 1;
    if (!WriteFile(codePath, reinterpret_cast<const char*>(out.code.data()), out.code.size())) {
        std::fprintf(stderr, "vnasm: cannot write %s\n", codePath);
        return 1;
    }
    if (namesPath) {
        std::string list;
        for (const std::string& name : out.files) list += name + "\n";
        if (!WriteFile(namesPath, list.data(), list.size())) {
            std::fprintf(stderr, "vnasm: cannot write %s\n", namesPath);
            return 1;
        }
    }
    return 0;
}
