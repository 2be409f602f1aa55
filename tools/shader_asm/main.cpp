// shader_asm: assembles a shader source file into the token file the game loads (".vso"/".pso").
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "ShaderAssembler.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: shader_asm <source> <output>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "shader_asm: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string source{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<uint32_t> tokens;
    std::string error;
    if (!shaderasm::Assemble(source, tokens, error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    for (uint32_t t : tokens) {
        const unsigned char bytes[4] = {static_cast<unsigned char>(t), static_cast<unsigned char>(t >> 8),
                                        static_cast<unsigned char>(t >> 16), static_cast<unsigned char>(t >> 24)};
        out.write(reinterpret_cast<const char*>(bytes), 4);
    }
    if (!out) {
        std::fprintf(stderr, "shader_asm: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
