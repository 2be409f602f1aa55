// vnasm: assembles a scenario source file into a code file.  Usage: vnasm [--scene] <in.vns> <out.bin>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/vnasm/Assembler.h"

int main(int argc, char** argv) {
    VCOpcodes::Machine machine = VCOpcodes::kNovel;
    int arg = 1;
    if (arg < argc && std::string(argv[arg]) == "--scene") {
        machine = VCOpcodes::kScene;
        ++arg;
    }
    if (argc - arg != 2) {
        std::fprintf(stderr, "usage: vnasm [--scene] <source> <code file>\n");
        return 2;
    }
    std::ifstream in(argv[arg], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "vnasm: cannot read %s\n", argv[arg]);
        return 1;
    }
    std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Included files are found beside the source.
    const std::filesystem::path folder = std::filesystem::path(argv[arg]).parent_path();
    auto reader = [&](const std::string& name) -> std::optional<std::string> {
        std::ifstream file(folder / name, std::ios::binary);
        if (!file) return std::nullopt;
        return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    };
    vnasm::Output out = vnasm::Assemble(source, machine, reader);
    for (const std::string& e : out.errors) std::fprintf(stderr, "%s: %s\n", argv[arg], e.c_str());
    if (!out.Ok()) return 1;
    std::ofstream file(argv[arg + 1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.code.data()), static_cast<std::streamsize>(out.code.size()));
    if (!file) {
        std::fprintf(stderr, "vnasm: cannot write %s\n", argv[arg + 1]);
        return 1;
    }
    return 0;
}
