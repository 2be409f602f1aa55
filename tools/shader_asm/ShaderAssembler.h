// Assembler for the vs_1_1 / vs_2_0 / ps_2_0 subset our shader programs are written in: source text
// to the DWORD token stream that CreateVertexShader and CreatePixelShader take.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace shaderasm {

// Assembles a program. On failure returns false and sets error to "line N: what".
bool Assemble(const std::string& source, std::vector<uint32_t>& tokens, std::string& error);

}  // namespace shaderasm
