// Shader token streams: the parser for the vs_2_0 / ps_2_0 subset and the two interpreters (one
// vertex at a time, and a block of pixels at a time).
#pragma once
#include <d3d9.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "statesizes.h"

namespace d3d9 {

// Register types of the token format.
enum RegType {
    kRegTemp = 0,
    kRegInput = 1,
    kRegConst = 2,
    kRegAddr = 3,  // a0 in vertex shaders, t# in pixel shaders
    kRegRastOut = 4,
    kRegAttrOut = 5,
    kRegTexCrdOut = 6,
    kRegColorOut = 8,
    kRegSampler = 10,
};

struct ShaderOperand {
    int type = 0;
    int index = 0;
    std::array<int, 4> swizzle{0, 1, 2, 3};  // source: component read for x, y, z, w
    int mask = 0xF;                          // destination: components written
    int modifier = 0;                        // source modifier (0 none, 1 negate, 11 abs, 12 -abs)
    bool relative = false;                   // c[a0.component + index]
    int relComponent = 0;
};

struct ShaderInstruction {
    int opcode = 0;
    ShaderOperand dst;
    std::array<ShaderOperand, 3> src;
    int srcCount = 0;
    bool saturate = false;
    bool texProject = false;  // texldp: coordinates divided by w
};

// One declared input or sampler: the register and its usage.
struct ShaderDecl {
    int type = 0;
    int index = 0;
    int usage = 0;
    int usageIndex = 0;
};

struct ShaderProgram {
    bool pixel = false;
    std::vector<ShaderInstruction> code;
    std::vector<ShaderDecl> decls;
    std::vector<std::pair<int, std::array<float, 4>>> defs;  // constants defined in the program
    std::vector<int> defSlot;                                // per constant register: index in defs or -1
    std::array<unsigned, kTexCoordCount> texcoordComponents{};          // pixel shader: components of each t# read (bits)
    bool colourRead = false;                                 // pixel shader: v0 read
    int tempCount = 0;                                       // r# registers used: r0 .. r(tempCount - 1)
};

// Parses a token stream (version token to end token). On failure returns false and says why.
bool ParseShader(const DWORD* tokens, bool pixel, ShaderProgram& program, std::string& error);

// What a vertex shader produces: clip-space position, diffuse colour and eight texture coordinates.
struct VertexShaderOutput {
    float pos[4];
    float diffuse[4];
    float tex[kTexCoordCount][4];
};

// Runs a vertex shader once: inputs are the v# registers, constants the 256 c# registers.
void RunVertexShader(const ShaderProgram& program, const float (*constants)[4], const float (*inputs)[4],
                     VertexShaderOutput& out);

// Pixel shaders run over blocks of up to kPixelBlock pixels at once.
constexpr int kPixelBlock = 64;
struct PixelBlock {
    int count = 0;
    const float* tex[kTexCoordCount][4] = {};  // t#: a row of count values per component (those the program reads)
    const float* colour[4] = {};  // v0
    float out[4][kPixelBlock];    // oC0
    bool killed[kPixelBlock];
};
// Samples a texture stage at (u, v) for each pixel of a block: rgba into out[component][pixel].
using BlockSampler = std::function<void(int stage, const float* u, const float* v, int count, float (*out)[kPixelBlock])>;

// A pixel shader made ready for one draw: every source of every instruction resolved to a row of
// lanes (a register of the block, or one of the draw's constants spread over a row), so that a run is
// a chain of loops over the lanes, each instruction writing its register in place unless it reads
// what it overwrites. Without lanes every instruction runs one pixel at a time through the vertex
// stage's arithmetic, which the lanes match to the last bit.
class PixelProgram {
public:
    PixelProgram(const ShaderProgram& program, const float (*constants)[4], bool lanes = true);
    void Run(PixelBlock& block, const BlockSampler& sample) const;

private:
    // Where a row of lanes lives during a run.
    enum class Bank : unsigned char { kTemp, kOutput, kTexcoord, kColour, kConstant, kNone };
    struct Row {
        Bank bank = Bank::kNone;
        int index = 0;  // within the bank: register * 4 + component, or the constant row
    };
    struct Step {
        const ShaderInstruction* in = nullptr;
        Row src[3][4];       // each source's rows, swizzled; constants with their modifier applied
        bool modified[3] = {};  // a register source whose modifier applies at run time
        Row dst[4];          // the written components' rows (bank kNone where not written)
        bool inPlace = false;  // lane-wise arithmetic straight into the destination
    };
    const ShaderProgram& program_;
    const bool lanes_;
    std::vector<std::array<float, kPixelBlock>> constants_;
    std::vector<Step> steps_;
    std::vector<Row> cleared_;  // rows a run starts by clearing
};

}  // namespace d3d9
