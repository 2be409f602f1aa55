// Shader token streams: the parser for the vs_2_0 / ps_2_0 subset and the two interpreters (one
// vertex at a time, and a block of pixels at a time).
#pragma once
#include <d3d9.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>
#include <emmintrin.h>

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

// A 0..1 value as an 8-bit channel; a value that is not a number gives 0.
inline int ToByte(float v) { return v >= 1.f ? 255 : v > 0.f ? int(v * 255.f + 0.5f) : 0; }

// ToByte of four values at once (SSE2): the same float arithmetic, 255 at 1 and above, 0 at 0 and
// below and for values that are not numbers.
inline __m128i ToByteFour(__m128 v) {
    const __m128i rounded = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(v, _mm_set1_ps(255.f)), _mm_set1_ps(0.5f)));
    const __m128i top = _mm_castps_si128(_mm_cmpge_ps(v, _mm_set1_ps(1.f)));
    const __m128i inside = _mm_castps_si128(_mm_cmpgt_ps(v, _mm_setzero_ps()));
    return _mm_or_si128(_mm_and_si128(top, _mm_set1_epi32(255)), _mm_andnot_si128(top, _mm_and_si128(inside, rounded)));
}

// Pixel shaders run over blocks of up to kPixelBlock pixels at once.
constexpr int kPixelBlock = 64;
struct PixelBlock {
    int count = 0;
    const float* tex[kTexCoordCount][4] = {};  // t#: a row of count values per component (those the program reads)
    const float* colour[4] = {};  // v0
    DWORD out[kPixelBlock];       // oC0 as 8-bit channels (A8R8G8B8)
    bool killed[kPixelBlock];
};
// Samples a texture stage at (u, v) for each pixel of a block, as A8R8G8B8 texels; set is the texture
// coordinate set whose u and v these are unchanged (t#.xy, not projected), or -1.
using BlockSampler = std::function<void(int stage, int set, const float* u, const float* v, int count, DWORD* out)>;
// Samples a texture stage for a run of pixels from coordinate set `set` alone: returns where the
// count texels are, buffer or texels that are already in memory as they are.
using RowSampler = std::function<const DWORD*(int stage, int set, int count, DWORD* buffer)>;

// A pixel shader made ready for one draw: every source of every instruction resolved to a row of
// lanes (a register of the block, or one of the draw's constants spread over a row), so that a run is
// a chain of loops over the lanes, each instruction writing its register in place unless it reads
// what it overwrites.
// A sampled channel takes one of 256 values, so a register component that depends on one channel of
// one sample and on constants alone is a table of 256 values, worked out once per draw with the same
// arithmetic; only components that mix several channels (or read coordinates, the colour) run per
// pixel, and an output component that is such a table becomes a table of bytes.
// Without lanes every instruction runs one pixel at a time through the vertex stage's arithmetic and
// no table is made: the reference the lanes and tables match to the last bit.
class PixelProgram {
public:
    PixelProgram(const ShaderProgram& program, const float (*constants)[4], bool lanes = true);
    void Run(PixelBlock& block, const BlockSampler& sample) const;
    bool Kills() const { return kills_; }  // texkill may drop pixels
    // Whether the program runs as one fused kernel over eight pixels at a time (AVX2): every
    // instruction that runs per pixel is lane-wise and every sample reads a coordinate set unchanged.
    bool Fused() const { return fused_; }
    // Whether the fused kernel reads no coordinate or colour rows and drops no pixel: a span's colours
    // then come from its samples alone, and RunRow may shade it.
    bool SamplesOnly() const { return fused_ && !readsRows_ && !kills_; }
    // The colours of n pixels (any n) of a program that SamplesOnly() says takes its samples alone;
    // sample is called once per sample, with no coordinate rows.
    void RunRow(int n, const RowSampler& sample, DWORD* out) const;
    // Whether take(stage, set) holds for every sample the program makes.
    bool EachSample(const std::function<bool(int stage, int set)>& take) const;
    // Texture coordinate sets whose u and v only samples read, unchanged: their rows need not be made
    // where the samples take texel columns instead (bit per set).
    unsigned SampleOnlySets() const { return sampleOnlySets_; }

private:
    static constexpr int kMaxSamples = 32;   // texld instructions of a ps_2_0 program
    // Where a row of lanes lives during a run.
    enum class Bank : unsigned char { kTemp, kOutput, kTexcoord, kColour, kConstant, kExpanded, kNone };
    struct Row {
        Bank bank = Bank::kNone;
        int index = 0;  // within the bank: register * 4 + component, the constant row or the expanded row
    };
    // One channel of one sample, as the value each of its 256 bytes gives, and how those values were
    // made: the channel itself (opcode -1), or a lane-wise instruction on constants and earlier tables
    // of the same channel (the fused kernel works them out again in its lanes).
    struct ByteTable {
        int sample = 0;
        int shift = 0;  // of the channel within the texel
        std::array<float, 256> value;
        int opcode = -1;
        bool saturate = false;
        int sources = 0;
        int from[3] = {-1, -1, -1};  // source tables, or -1 for a constant
        float constant[3] = {};      // before its modifier
        int modifier[3] = {};
    };
    // One operation of the fused kernel on eight lanes: slots hold eight values each.
    struct LaneOp {
        enum Kind : unsigned char { kChannel, kLoad, kArith, kKill } kind = kArith;
        bool saturate = false;
        int opcode = 0;
        int dst = 0;
        int src[3] = {};
        int modifier[3] = {};
        int sample = 0, shift = 0;  // kChannel: byte / 255 of a sample's channel
        int row = 0;                // kLoad: coordinate row set * 4 + component, or colour 32 + component
    };
    // How the fused kernel makes one output channel: a constant byte (in fixed), the channel of a
    // sample's texel unchanged, or a slot as a byte.
    struct LaneChannel {
        enum { kConstant, kTexel, kSlot } kind = kConstant;
        int sample = 0;
        int slot = 0;
    };
    // One factor of a byte-kernel channel, read from a sample's texel as ((texel >> shift) & keep) ^
    // flip: its channel (keep 255, flip 0), the channel's complement (flip 255) or a constant byte
    // (keep 0, flip the byte).
    struct ByteFactor {
        int sample = 0;
        int shift = 0;
        DWORD keep = 0, flip = 255;
    };
    // An output channel the byte kernel makes from texel bytes alone, one of:
    // - kProduct: the rounded product of two factors, as the fixed-function modulate has it;
    // - kLookup: a byte of the first factor's channel looked up in `bytes` (any function of one
    //   sampled channel: a channel times an arbitrary constant, say);
    // - kTables: the float product of two tables of values, each of its factor's channel (`tables`,
    //   indices into tables_), as a byte: the program's own arithmetic on the values it would read;
    // - kLine: kTables where the first table is its channel's byte / 255 and the second lies on a
    //   straight line of its channel's byte b, clamped: (start - step * b) / 2^24 between 0 and 1. The
    //   byte is the product rounded in integers, and taken from the tables where it lies near a half.
    struct ByteChannel {
        enum Kind : unsigned char { kProduct, kLookup, kTables, kLine } kind = kProduct;
        int position = 0;  // of the channel within the output texel
        ByteFactor factor[2];
        int tables[2] = {};
        int start = 0, step = 0;
        std::array<uint32_t, 256> bytes{};
    };
    static constexpr int kMaxLaneSlots = 128;
    static constexpr int kLaneGroup = 32;  // pixels of one pass of the fused kernel's operations
    bool Fuse();
    void RunLanes(const DWORD* const* texels, const PixelBlock* rows, int n, DWORD* out, bool* killed) const;
    bool MakeBytes(const std::vector<LaneOp>& ops, const std::vector<int>& tableSlot);
    void RunBytes(const DWORD* const* texels, int n, DWORD* out) const;

    enum class Kind : unsigned char { kSample, kExpand, kCompute, kKill };
    struct Step {
        Kind kind = Kind::kCompute;
        const ShaderInstruction* in = nullptr;
        Row src[3][4];          // each source's rows, swizzled; constants with their modifier applied
        bool modified[3] = {};  // a source whose modifier applies at run time
        Row dst[4];             // the written components' rows (bank kNone where not written)
        int mask = 0;           // components computed per pixel
        bool inPlace = false;   // lane-wise arithmetic straight into the destination
        int index = 0;          // kSample: the sample made; kExpand: the table spread into dst[0]
        int set = -1;           // kSample: the texture coordinate set read unchanged, or -1
    };
    // How one output channel is made: a constant byte, a byte table of a sample's channel, or a row.
    struct Channel {
        enum { kConstant, kTable, kRow } kind = kConstant;
        int byte = 0;
        int sample = 0, shift = 0;
        int table = 0;                      // the table of values these bytes are made from
        std::array<uint32_t, 256> bytes{};  // in place in the output texel
        Row row;
    };
    const ShaderProgram& program_;
    const bool lanes_;
    const bool avx2_;   // tables read eight lanes at a time
    bool kills_ = false;
    unsigned sampleOnlySets_ = 0;
    int samples_ = 0;   // texld instructions run
    int expanded_ = 0;  // tables spread over rows for the instructions that run per pixel
    std::vector<std::array<float, kPixelBlock>> constants_;
    std::vector<ByteTable> tables_;
    std::vector<Step> steps_;
    Channel channels_[4];  // r, g, b, a
    // The fused kernel: constants in the first slots, then the operations, then the output.
    bool fused_ = false;
    bool readsRows_ = false;
    std::vector<float> laneConstants_;
    std::vector<LaneOp> laneOps_;
    int laneSlots_ = 0;
    LaneChannel laneChannels_[4];
    DWORD laneFixed_ = 0;
    std::vector<std::pair<int, DWORD>> laneTexels_;  // samples whose channels pass unchanged, and which
    // The byte kernel, where every output channel of the fused kernel that is neither a constant nor a
    // channel unchanged is made from the bytes of one or two sampled channels.
    bool bytes_ = false;
    std::vector<ByteChannel> byteChannels_;
};

}  // namespace d3d9
