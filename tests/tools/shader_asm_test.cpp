// The shader assembler: token encodings worked out from the shader token format, and refusals with
// the line that caused them.
#include <gtest/gtest.h>

#include "ShaderAssembler.h"

namespace {

struct Encoding {
    const char* source;
    std::vector<uint32_t> tokens;
};

TEST(ShaderAssembler, EncodesInstructionsAsTokens) {
    const Encoding cases[] = {
        {"vs_2_0\nmov r0, c1", {0xFFFE0200, 0x02000001, 0x800F0000, 0xA0E40001, 0x0000FFFF}},
        // write mask, swizzle replicated from its last component, negation
        {"vs_2_0\nadd r2.xy, -v1.zw, c3.x", {0xFFFE0200, 0x03000002, 0x80030002, 0x91FE0001, 0xA0000003, 0x0000FFFF}},
        // relative constant: source token with the relative bit, then the a0 token
        {"vs_2_0\nmov r1, c[a0.x + 5]", {0xFFFE0200, 0x03000001, 0x800F0001, 0xA0E42005, 0xB0000000, 0x0000FFFF}},
        // vs_1_1: no instruction lengths, no address token
        {"vs_1_1\nmov oPos, c[a0.x + 2]", {0xFFFE0101, 0x00000001, 0xC00F0000, 0xA0E42002, 0x0000FFFF}},
        {"vs_2_0\ndcl_position v0\ndcl_texcoord1 v3",
         {0xFFFE0200, 0x0200001F, 0x80000000, 0x900F0000, 0x0200001F, 0x80010005, 0x900F0003, 0x0000FFFF}},
        {"vs_2_0\nmova a0.x, r0.x\nmov oT2.xy, r0\nmov oD0, c7",
         {0xFFFE0200, 0x0200002E, 0xB0010000, 0x80000000, 0x02000001, 0xE0030002, 0x80E40000, 0x02000001,
          0xD00F0000, 0xA0E40007, 0x0000FFFF}},
        {"ps_2_0\ndcl t0.xy\ndcl_2d s1\ntexld r0, t0, s1\nmov_sat oC0, r0 ; done",
         {0xFFFF0200, 0x0200001F, 0x80000000, 0xB0030000, 0x0200001F, 0x90000000, 0xA00F0801, 0x03000042,
          0x800F0000, 0xB0E40000, 0xA0E40801, 0x02000001, 0x801F0800, 0x80E40000, 0x0000FFFF}},
        {"ps_2_0\ndef c1, 2, 0, -1, 0.5", {0xFFFF0200, 0x05000051, 0xA00F0001, 0x40000000, 0x00000000, 0xBF800000,
                                           0x3F000000, 0x0000FFFF}},
    };
    for (const Encoding& c : cases) {
        std::vector<uint32_t> tokens;
        std::string error;
        ASSERT_TRUE(shaderasm::Assemble(c.source, tokens, error)) << c.source << ": " << error;
        EXPECT_EQ(tokens, c.tokens) << c.source;
    }
}

TEST(ShaderAssembler, RefusesWhatItDoesNotKnowAndNamesTheLine) {
    struct Refusal {
        const char* source;
        const char* error;
    };
    const Refusal cases[] = {
        {"mov r0, c0", "line 1: unknown version 'mov'"},
        {"", "no version line"},
        {"vs_2_0\n\nfoo r0, r1", "line 3: unknown instruction 'foo'"},
        {"vs_2_0\nmov r0", "line 2: 'mov' takes 2 operands"},
        {"vs_2_0\nmov r0, q1", "line 2: bad source 'q1'"},
        {"vs_2_0\nmov r12, c0", "line 2: bad destination 'r12'"},
        {"vs_2_0\nmov r0.yx, c0", "line 2: write mask out of order"},
        {"vs_2_0\ntexld r0, t0, s0", "line 2: 'texld' does not belong to this shader kind"},
        {"ps_2_0\nmova a0.x, r0", "line 2: 'mova' does not belong to this shader kind"},
        {"vs_2_0\nmov r0, c[r0.x + 1]", "line 2: relative addressing needs a0"},
    };
    for (const Refusal& c : cases) {
        std::vector<uint32_t> tokens;
        std::string error;
        EXPECT_FALSE(shaderasm::Assemble(c.source, tokens, error)) << c.source;
        EXPECT_EQ(error, c.error) << c.source;
        EXPECT_TRUE(tokens.empty());
    }
}

}  // namespace
