// Shader token streams: the vs_1_1/vs_2_0 and ps_2_0 subset our shaders use, parsed once into
// instructions, then interpreted one vertex at a time or over a block of pixels at a time.
#include "shader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <immintrin.h>

namespace d3d9 {
namespace {

enum Opcode {
    kNop = 0, kMov = 1, kAdd = 2, kSub = 3, kMad = 4, kMul = 5, kRcp = 6, kRsq = 7, kDp3 = 8, kDp4 = 9,
    kMin = 10, kMax = 11, kSlt = 12, kSge = 13, kExp = 14, kLog = 15, kLrp = 18, kFrc = 19, kM4x4 = 20,
    kM4x3 = 21, kM3x4 = 22, kM3x3 = 23, kM3x2 = 24, kDcl = 31, kPow = 32, kAbs = 35, kNrm = 36, kMova = 46,
    kTexKill = 65, kTex = 66, kCmp = 88, kDef = 81, kDp2Add = 90,
    kComment = 0xFFFE, kEnd = 0xFFFF,
};

// Sources per opcode; -1 for opcodes outside our subset.
int SourceCount(int op) {
    switch (op) {
        case kNop: return 0;
        case kMov: case kRcp: case kRsq: case kExp: case kLog: case kFrc: case kAbs: case kNrm: case kMova:
            return 1;
        case kAdd: case kSub: case kMul: case kDp3: case kDp4: case kMin: case kMax: case kSlt: case kSge:
        case kM4x4: case kM4x3: case kM3x4: case kM3x3: case kM3x2: case kPow: case kTex:
            return 2;
        case kMad: case kLrp: case kCmp: case kDp2Add: return 3;
        case kTexKill: return 0;
        default: return -1;
    }
}

inline int RegTypeOf(DWORD t) { return int(((t >> 28) & 7) | ((t >> 8) & 0x18)); }

struct Reader {
    const DWORD* p;
    int version;  // major * 256 + minor
    bool pixel;
    std::string& error;

    bool Fail(const std::string& why) {
        error = why;
        return false;
    }
    bool Source(ShaderOperand& o) {
        DWORD t = *p++;
        if (!(t & 0x80000000u)) return Fail("bad source token");
        o.type = RegTypeOf(t);
        o.index = int(t & 0x7FF);
        DWORD sw = (t >> 16) & 0xFF;
        for (int i = 0; i < 4; ++i) o.swizzle[i] = int((sw >> (2 * i)) & 3);
        o.modifier = int((t >> 24) & 0xF);
        if (o.modifier != 0 && o.modifier != 1 && o.modifier != 11 && o.modifier != 12)
            return Fail("unsupported source modifier " + std::to_string(o.modifier));
        if (t & (1u << 13)) {
            if (pixel || o.type != kRegConst) return Fail("relative addressing outside vertex constants");
            o.relative = true;
            o.relComponent = 0;
            if (version >= 0x200) {
                DWORD a = *p++;
                if (RegTypeOf(a) != kRegAddr) return Fail("relative addressing needs a0");
                o.relComponent = int((a >> 16) & 3);
            }
        }
        return true;
    }
    bool Destination(ShaderOperand& o, bool& saturate) {
        DWORD t = *p++;
        if (!(t & 0x80000000u)) return Fail("bad destination token");
        o.type = RegTypeOf(t);
        o.index = int(t & 0x7FF);
        o.mask = int((t >> 16) & 0xF);
        DWORD modifier = (t >> 20) & 0xF;
        if (modifier & ~3u) return Fail("unsupported result modifier");
        saturate = modifier & 1;
        if ((t >> 24) & 0xF) return Fail("result shift is not supported");
        if (t & (1u << 13)) return Fail("relative destination is not supported");
        return true;
    }
};

}  // namespace

bool ParseShader(const DWORD* tokens, bool pixel, ShaderProgram& program, std::string& error) {
    const DWORD version = tokens[0];
    const DWORD kind = version & 0xFFFF0000u;
    const int number = int(version & 0xFFFF);
    if (pixel ? (kind != 0xFFFF0000u || number != 0x200) : (kind != 0xFFFE0000u || (number != 0x101 && number != 0x200))) {
        error = "unsupported shader version";
        return false;
    }
    program = ShaderProgram{};
    program.pixel = pixel;
    program.defSlot.assign(pixel ? kPixelShaderConstCount : kVertexShaderConstCount, -1);
    Reader r{tokens + 1, number, pixel, error};
    for (int guard = 0; guard < 65536; ++guard) {
        const DWORD t = *r.p;
        const int op = int(t & 0xFFFF);
        if (op == kEnd) return true;
        ++r.p;
        if (op == kComment) {
            r.p += (t >> 16) & 0x7FFF;
            continue;
        }
        const DWORD* start = r.p;
        if (op == kDcl) {
            DWORD usage = *r.p++;
            ShaderDecl d;
            bool sat;
            ShaderOperand dst;
            if (!r.Destination(dst, sat)) return false;
            d.type = dst.type;
            d.index = dst.index;
            d.usage = int(usage & 0x1F);
            d.usageIndex = int((usage >> 16) & 0xF);
            program.decls.push_back(d);
        } else if (op == kDef) {
            bool sat;
            ShaderOperand dst;
            if (!r.Destination(dst, sat)) return false;
            std::array<float, 4> v;
            std::memcpy(v.data(), r.p, 16);
            r.p += 4;
            if (dst.type != kRegConst || dst.index >= int(program.defSlot.size())) {
                error = "bad constant definition";
                return false;
            }
            program.defSlot[dst.index] = int(program.defs.size());
            program.defs.emplace_back(dst.index, v);
        } else {
            const int sources = SourceCount(op);
            if (sources < 0) {
                error = "unsupported instruction " + std::to_string(op);
                return false;
            }
            if ((op == kTex || op == kTexKill) && !pixel) {
                error = "texture instruction in a vertex shader";
                return false;
            }
            if (op == kMova && pixel) {
                error = "mova in a pixel shader";
                return false;
            }
            ShaderInstruction in;
            in.opcode = op;
            if (op == kTex) in.texProject = ((t >> 16) & 3) == 1;
            if (op != kNop && !r.Destination(in.dst, in.saturate)) return false;
            in.srcCount = sources;
            for (int i = 0; i < sources; ++i)
                if (!r.Source(in.src[size_t(i)])) return false;
            if (pixel) {
                // Which components of which inputs the program reads: texld reads u, v (and w when it
                // projects), texkill x, y and z of its register, the rest every component they name.
                auto note = [&](const ShaderOperand& o, std::initializer_list<int> components) {
                    for (int c : components) {
                        const int from = op == kTexKill ? c : o.swizzle[size_t(c)];
                        if (o.type == kRegAddr && o.index < int(kTexCoordCount)) program.texcoordComponents[size_t(o.index)] |= 1u << from;
                        if (o.type == kRegInput && o.index == 0) program.colourRead = true;
                    }
                };
                if (op == kTexKill)
                    note(in.dst, {0, 1, 2});
                else if (op == kTex)
                    in.texProject ? note(in.src[0], {0, 1, 3}) : note(in.src[0], {0, 1});
                else
                    for (int i = 0; i < sources; ++i) note(in.src[size_t(i)], {0, 1, 2, 3});
            }
            auto noteTemp = [&](const ShaderOperand& o) {
                if (o.type == kRegTemp) program.tempCount = std::max(program.tempCount, std::min(o.index + 1, 12));
            };
            noteTemp(in.dst);
            for (int i = 0; i < sources; ++i) noteTemp(in.src[size_t(i)]);
            program.code.push_back(in);
        }
        const DWORD length = (t >> 24) & 0xF;
        if (number >= 0x200 && DWORD(r.p - start) != length) {
            error = "instruction length does not match";
            return false;
        }
    }
    error = "no end token";
    return false;
}

namespace {

// Vertex shader registers of one run.
struct VertexRegs {
    float r[12][4];
    const float (*v)[4];
    const float (*c)[4];
    const ShaderProgram* prog;
    int a0[4];
    VertexShaderOutput* out;
    float scratch[4];

    const float* Register(const ShaderOperand& o) {
        switch (o.type) {
            case kRegTemp: return o.index < 12 ? r[o.index] : Zero();
            case kRegInput: return o.index < int(kVertexInputCount) ? v[o.index] : Zero();
            case kRegConst: {
                int i = o.index + (o.relative ? a0[o.relComponent] : 0);
                if (i < 0 || i >= int(kVertexShaderConstCount)) return Zero();
                int slot = prog->defSlot[size_t(i)];
                return slot >= 0 ? prog->defs[size_t(slot)].second.data() : c[i];
            }
            default: return Zero();
        }
    }
    const float* Zero() {
        std::memset(scratch, 0, sizeof scratch);
        return scratch;
    }
    void Read(const ShaderOperand& o, float out4[4]) {
        const float* src = Register(o);
        for (int i = 0; i < 4; ++i) {
            float x = src[o.swizzle[size_t(i)]];
            if (o.modifier == 11 || o.modifier == 12) x = std::fabs(x);
            if (o.modifier == 1 || o.modifier == 12) x = -x;
            out4[i] = x;
        }
    }
    float* Target(const ShaderOperand& o) {
        switch (o.type) {
            case kRegTemp: return o.index < 12 ? r[o.index] : nullptr;
            case kRegRastOut: return o.index == 0 ? out->pos : nullptr;
            case kRegAttrOut: return o.index == 0 ? out->diffuse : nullptr;
            case kRegTexCrdOut: return o.index < int(kTexCoordCount) ? out->tex[o.index] : nullptr;
            default: return nullptr;
        }
    }
};

inline float Dot(const float* a, const float* b, int n) {
    float s = 0;
    for (int i = 0; i < n; ++i) s += a[i] * b[i];
    return s;
}

// Computes one instruction's four result components from its sources (shared by both stages).
void Compute(int op, const float (*s)[4], float d[4]) {
    switch (op) {
        case kMov: case kMova: std::memcpy(d, s[0], 16); break;
        case kAdd: for (int i = 0; i < 4; ++i) d[i] = s[0][i] + s[1][i]; break;
        case kSub: for (int i = 0; i < 4; ++i) d[i] = s[0][i] - s[1][i]; break;
        case kMul: for (int i = 0; i < 4; ++i) d[i] = s[0][i] * s[1][i]; break;
        case kMad: for (int i = 0; i < 4; ++i) d[i] = s[0][i] * s[1][i] + s[2][i]; break;
        case kMin: for (int i = 0; i < 4; ++i) d[i] = std::min(s[0][i], s[1][i]); break;
        case kMax: for (int i = 0; i < 4; ++i) d[i] = std::max(s[0][i], s[1][i]); break;
        case kSlt: for (int i = 0; i < 4; ++i) d[i] = s[0][i] < s[1][i] ? 1.f : 0.f; break;
        case kSge: for (int i = 0; i < 4; ++i) d[i] = s[0][i] >= s[1][i] ? 1.f : 0.f; break;
        case kFrc: for (int i = 0; i < 4; ++i) d[i] = s[0][i] - std::floor(s[0][i]); break;
        case kAbs: for (int i = 0; i < 4; ++i) d[i] = std::fabs(s[0][i]); break;
        case kLrp: for (int i = 0; i < 4; ++i) d[i] = s[2][i] + s[0][i] * (s[1][i] - s[2][i]); break;
        case kCmp: for (int i = 0; i < 4; ++i) d[i] = s[0][i] >= 0.f ? s[1][i] : s[2][i]; break;
        case kRcp: {
            float x = s[0][3];
            float v = x == 0.f ? INFINITY : (x == 1.f ? 1.f : 1.f / x);
            for (int i = 0; i < 4; ++i) d[i] = v;
            break;
        }
        case kRsq: {
            float x = std::fabs(s[0][3]);
            float v = x == 0.f ? INFINITY : (x == 1.f ? 1.f : 1.f / std::sqrt(x));
            for (int i = 0; i < 4; ++i) d[i] = v;
            break;
        }
        case kExp: { float v = std::exp2(s[0][3]); for (int i = 0; i < 4; ++i) d[i] = v; break; }
        case kLog: {
            float x = std::fabs(s[0][3]);
            float v = x == 0.f ? -INFINITY : std::log2(x);
            for (int i = 0; i < 4; ++i) d[i] = v;
            break;
        }
        case kPow: { float v = std::pow(std::fabs(s[0][3]), s[1][3]); for (int i = 0; i < 4; ++i) d[i] = v; break; }
        case kDp3: { float v = Dot(s[0], s[1], 3); for (int i = 0; i < 4; ++i) d[i] = v; break; }
        case kDp4: { float v = Dot(s[0], s[1], 4); for (int i = 0; i < 4; ++i) d[i] = v; break; }
        case kDp2Add: { float v = Dot(s[0], s[1], 2) + s[2][0]; for (int i = 0; i < 4; ++i) d[i] = v; break; }
        case kNrm: {
            float len = std::sqrt(Dot(s[0], s[0], 3));
            float k = len > 0.f ? 1.f / len : 0.f;
            for (int i = 0; i < 4; ++i) d[i] = s[0][i] * k;
            break;
        }
        default: for (int i = 0; i < 4; ++i) d[i] = 0.f; break;
    }
}

// Rows of a matrix operation: m4x4 dst, src, c[n] uses c[n], c[n+1], c[n+2], c[n+3].
int MatrixRows(int op) { return op == kM4x4 || op == kM3x4 ? 4 : op == kM3x2 ? 2 : 3; }
int MatrixCols(int op) { return op == kM4x4 || op == kM4x3 ? 4 : 3; }
bool IsMatrix(int op) { return op >= kM4x4 && op <= kM3x2; }

void Store(float* dst, const float d[4], int mask, bool saturate) {
    if (!dst) return;
    for (int i = 0; i < 4; ++i)
        if (mask & (1 << i)) dst[i] = saturate ? std::clamp(d[i], 0.f, 1.f) : d[i];
}

}  // namespace

void RunVertexShader(const ShaderProgram& program, const float (*constants)[4], const float (*inputs)[4],
                     VertexShaderOutput& out) {
    std::memset(&out, 0, sizeof out);
    VertexRegs regs;
    std::memset(regs.r, 0, sizeof regs.r);
    regs.v = inputs;
    regs.c = constants;
    regs.prog = &program;
    std::memset(regs.a0, 0, sizeof regs.a0);
    regs.out = &out;
    for (const ShaderInstruction& in : program.code) {
        float src[3][4];
        float d[4] = {0, 0, 0, 0};
        if (IsMatrix(in.opcode)) {
            regs.Read(in.src[0], src[0]);
            ShaderOperand row = in.src[1];
            for (int k = 0; k < MatrixRows(in.opcode); ++k) {
                regs.Read(row, src[1]);
                d[k] = Dot(src[0], src[1], MatrixCols(in.opcode));
                ++row.index;
            }
        } else {
            for (int i = 0; i < in.srcCount; ++i) regs.Read(in.src[size_t(i)], src[i]);
            Compute(in.opcode, src, d);
        }
        if (in.opcode == kMova || (in.dst.type == kRegAddr)) {
            // Offsets past 2^20 (or not a number) reach no constant whatever the register number; they
            // are held at 2^20, where they still reach none.
            for (int i = 0; i < 4; ++i) {
                const float offset = std::floor(d[i] + 0.5f);
                if (in.dst.mask & (1 << i)) regs.a0[i] = std::fabs(offset) <= 1048576.f ? int(offset) : 1048576;
            }
            continue;
        }
        Store(regs.Target(in.dst), d, in.dst.mask, in.saturate);
    }
}

namespace {

// Instructions whose every result component comes from the same component of their sources alone,
// run lane by lane over a block.
bool LaneWise(int op) {
    switch (op) {
        case kMov: case kAdd: case kSub: case kMul: case kMad: case kMin: case kMax: case kSlt: case kSge:
        case kAbs: case kFrc: case kLrp: case kCmp:
            return true;
        default: return false;
    }
}

float Modify(float x, int modifier) {
    if (modifier == 11 || modifier == 12) x = std::fabs(x);
    if (modifier == 1 || modifier == 12) x = -x;
    return x;
}

// One component of a lane-wise instruction through the shared arithmetic, saturated where asked.
float LaneValue(int op, const float in[3], bool saturate) {
    float s[3][4] = {}, d[4];
    for (int k = 0; k < 3; ++k) s[k][0] = in[k];
    Compute(op, s, d);
    return saturate ? std::clamp(d[0], 0.f, 1.f) : d[0];
}

// Table lookups of a channel of n texels eight at a time (AVX2); returns how many it did, the rest
// being left to the caller's loop.
__attribute__((target("avx2"))) int ExpandEight(const float* table, const DWORD* from, int shift, int n, float* to) {
    const __m128i count = _mm_cvtsi32_si128(shift);
    const __m256i low = _mm256_set1_epi32(255);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i texels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i));
        const __m256i index = _mm256_and_si256(_mm256_srl_epi32(texels, count), low);
        _mm256_storeu_ps(to + i, _mm256_i32gather_ps(table, index, 4));
    }
    return i;
}

}  // namespace

PixelProgram::PixelProgram(const ShaderProgram& program, const float (*constants)[4], bool lanes)
    : program_(program), lanes_(lanes), avx2_(lanes && __builtin_cpu_supports("avx2")) {
    // A row holding one value everywhere, shared by every source that reads that value.
    auto constantRow = [&](float value) {
        for (size_t i = 0; i < constants_.size(); ++i)
            if (std::memcmp(constants_[i].data(), &value, sizeof value) == 0) return Row{Bank::kConstant, int(i)};
        constants_.emplace_back();
        constants_.back().fill(value);
        return Row{Bank::kConstant, int(constants_.size() - 1)};
    };
    // What each register component holds at the current instruction: a constant, a table of one
    // sample's channel, or a row of its own (registers r0 to r11, then oC0). Registers start at 0.
    struct Value {
        enum { kConstant, kTable, kRow } kind = kConstant;
        float value = 0.f;
        int table = 0;
        Row row;
    };
    constexpr int kOutputSlot = 12 * 4;
    std::vector<Value> slots(kOutputSlot + 4);
    auto slotOf = [&](const Row& r) { return r.bank == Bank::kTemp ? r.index : kOutputSlot + r.index; };
    // The value a source component reads, before its modifier.
    auto valueOf = [&](const ShaderOperand& o, int component) {
        Value v;
        if (o.type == kRegTemp && o.index < 12) return slots[size_t(o.index * 4 + component)];
        v.kind = Value::kRow;
        if (o.type == kRegAddr && o.index < int(kTexCoordCount)) v.row = Row{Bank::kTexcoord, o.index * 4 + component};
        else if (o.type == kRegInput && o.index == 0) v.row = Row{Bank::kColour, component};
        else v.kind = Value::kConstant;
        if (v.kind == Value::kConstant && o.type == kRegConst && o.index < int(kPixelShaderConstCount)) {
            const int slot = program.defSlot[size_t(o.index)];
            v.value = slot >= 0 ? program.defs[size_t(slot)].second[size_t(component)] : constants[o.index][component];
        }
        return v;
    };
    // Tables spread over rows for the instructions that run per pixel, each once.
    std::vector<int> expandedRow;
    const bool fold = lanes;
    auto rowOf = [&](const Value& v, bool modifiedLater, int modifier) {
        if (v.kind == Value::kRow) return v.row;
        if (v.kind == Value::kConstant) return constantRow(modifiedLater ? v.value : Modify(v.value, modifier));
        if (expandedRow[size_t(v.table)] < 0) {
            expandedRow[size_t(v.table)] = expanded_++;
            Step expand;
            expand.kind = Kind::kExpand;
            expand.index = v.table;
            expand.dst[0] = Row{Bank::kExpanded, expandedRow[size_t(v.table)]};
            steps_.push_back(expand);
        }
        return Row{Bank::kExpanded, expandedRow[size_t(v.table)]};
    };
    auto newTable = [&](int sample, int shift) {
        tables_.emplace_back();
        tables_.back().sample = sample;
        tables_.back().shift = shift;
        expandedRow.push_back(-1);
        return int(tables_.size() - 1);
    };
    // A sampled channel as the shader reads it: byte / 255.
    auto channelTable = [&](int sample, int shift) {
        const int t = newTable(sample, shift);
        for (int i = 0; i < 256; ++i) tables_[size_t(t)].value[size_t(i)] = float(i) / 255.f;
        return t;
    };
    // Sets up every source of an instruction that runs per pixel.
    auto resolveSources = [&](Step& step, const ShaderInstruction& in, int count) {
        for (int k = 0; k < count; ++k) {
            const ShaderOperand& o = in.src[size_t(k)];
            if (o.type == kRegSampler) continue;
            Value v[4];
            bool allConstant = true;
            for (int c = 0; c < 4; ++c) {
                v[c] = valueOf(o, o.swizzle[size_t(c)]);
                allConstant &= v[c].kind == Value::kConstant;
            }
            step.modified[k] = o.modifier != 0 && !allConstant;
            for (int c = 0; c < 4; ++c) step.src[k][c] = rowOf(v[c], step.modified[k], o.modifier);
        }
    };
    const int shifts[4] = {16, 8, 0, 24};  // r, g, b, a within a texel
    for (const ShaderInstruction& in : program.code) {
        Step step;
        step.in = &in;
        if (in.opcode == kTexKill) {
            step.kind = Kind::kKill;
            kills_ = true;
            ShaderOperand o = in.dst;
            o.swizzle = {0, 1, 2, 3};
            o.modifier = 0;
            Value v[3];
            for (int c = 0; c < 3; ++c) v[c] = valueOf(o, c);
            for (int c = 0; c < 3; ++c) step.src[0][c] = rowOf(v[c], false, 0);
            steps_.push_back(step);
            continue;
        }
        // Instructions that write no register of ours change nothing.
        Bank bank = Bank::kNone;
        if (in.dst.type == kRegTemp && in.dst.index < 12) bank = Bank::kTemp;
        if (in.dst.type == kRegColorOut && in.dst.index == 0) bank = Bank::kOutput;
        if (bank == Bank::kNone || in.opcode == kNop) continue;
        const int base = bank == Bank::kTemp ? in.dst.index * 4 : 0;
        for (int c = 0; c < 4; ++c)
            if (in.dst.mask & (1 << c)) step.dst[c] = Row{bank, base + c};
        if (in.opcode == kTex) {
            if (samples_ == kMaxSamples) continue;  // the parser's subset never has more
            step.kind = Kind::kSample;
            step.index = samples_++;
            const ShaderOperand& at = in.src[0];
            if (at.type == kRegAddr && at.index < int(kTexCoordCount) && at.swizzle[0] == 0 && at.swizzle[1] == 1 &&
                at.modifier == 0 && !in.texProject)
                step.set = at.index;
            resolveSources(step, in, 1);
            steps_.push_back(step);
            // The written components are the sample's channels: tables while folding, else rows now.
            for (int c = 0; c < 4; ++c) {
                if (!(in.dst.mask & (1 << c))) continue;
                Value& slot = slots[size_t(slotOf(step.dst[c]))];
                slot = Value{};
                slot.table = channelTable(step.index, shifts[c]);
                slot.kind = Value::kTable;
                if (fold) continue;
                Step expand;
                expand.kind = Kind::kExpand;
                expand.index = slot.table;
                expand.dst[0] = step.dst[c];
                steps_.push_back(expand);
                slot.kind = Value::kRow;
                slot.row = step.dst[c];
            }
            continue;
        }
        // Components of a lane-wise instruction whose sources are constants or tables of one channel
        // of one sample become constants or tables; the rest run per pixel.
        Value result[4];
        step.mask = in.dst.mask;
        for (int c = 0; c < 4 && fold && LaneWise(in.opcode); ++c) {
            if (!(in.dst.mask & (1 << c))) continue;
            Value v[3];
            int key = -1;  // sample * 32 + shift of the tables read
            bool foldable = true;
            for (int k = 0; k < in.srcCount; ++k) {
                v[k] = valueOf(in.src[size_t(k)], in.src[size_t(k)].swizzle[size_t(c)]);
                if (v[k].kind == Value::kRow) foldable = false;
                if (v[k].kind != Value::kTable) continue;
                const ByteTable& t = tables_[size_t(v[k].table)];
                if (key >= 0 && key != t.sample * 32 + t.shift) foldable = false;
                key = t.sample * 32 + t.shift;
            }
            if (!foldable) continue;
            auto at = [&](int i) {
                float x[3] = {};
                for (int k = 0; k < in.srcCount; ++k) {
                    const float raw = v[k].kind == Value::kTable ? tables_[size_t(v[k].table)].value[size_t(i)] : v[k].value;
                    x[k] = Modify(raw, in.src[size_t(k)].modifier);
                }
                return LaneValue(in.opcode, x, in.saturate);
            };
            if (key < 0) {
                result[c].value = at(0);
            } else {
                const int t = newTable(key / 32, key % 32);
                ByteTable& made = tables_[size_t(t)];
                for (int i = 0; i < 256; ++i) made.value[size_t(i)] = at(i);
                made.opcode = in.opcode;
                made.saturate = in.saturate;
                made.sources = in.srcCount;
                for (int k = 0; k < in.srcCount; ++k) {
                    made.from[k] = v[k].kind == Value::kTable ? v[k].table : -1;
                    made.constant[k] = v[k].value;
                    made.modifier[k] = in.src[size_t(k)].modifier;
                }
                result[c].kind = Value::kTable;
                result[c].table = t;
            }
            step.mask &= ~(1 << c);
        }
        if (step.mask) {
            resolveSources(step, in, in.srcCount);
            for (int c = 0; c < 4; ++c)
                if (!(step.mask & (1 << c))) step.dst[c] = Row{};
            // In place unless a component reads a row that an earlier component of the same
            // instruction has written (sources with a modifier are copies, safe to overwrite the
            // original under).
            step.inPlace = lanes && LaneWise(in.opcode);
            for (int c = 0; c < 4; ++c)
                for (int later = c + 1; later < 4; ++later)
                    for (int k = 0; k < in.srcCount; ++k) {
                        const Row& r = step.src[k][later];
                        if (step.dst[c].bank != Bank::kNone && step.dst[later].bank != Bank::kNone && !step.modified[k] &&
                            r.bank == step.dst[c].bank && r.index == step.dst[c].index)
                            step.inPlace = false;
                    }
            steps_.push_back(step);
        }
        for (int c = 0; c < 4; ++c) {
            if (!(in.dst.mask & (1 << c))) continue;
            const Row own{bank, base + c};
            Value& slot = slots[size_t(slotOf(own))];
            if (step.mask & (1 << c)) {
                slot = Value{};
                slot.kind = Value::kRow;
                slot.row = own;
            } else {
                slot = result[c];
            }
        }
    }
    // The output's channels: x, y, z, w are red, green, blue, alpha.
    const int positions[4] = {16, 8, 0, 24};
    for (int c = 0; c < 4; ++c) {
        const Value& v = slots[size_t(kOutputSlot + c)];
        Channel& ch = channels_[c];
        if (v.kind == Value::kConstant) {
            ch.kind = Channel::kConstant;
            ch.byte = ToByte(v.value);
        } else if (v.kind == Value::kTable) {
            const ByteTable& t = tables_[size_t(v.table)];
            ch.kind = Channel::kTable;
            ch.sample = t.sample;
            ch.shift = t.shift;
            ch.table = v.table;
            for (int i = 0; i < 256; ++i) ch.bytes[size_t(i)] = uint32_t(ToByte(t.value[size_t(i)])) << positions[c];
        } else {
            ch.kind = Channel::kRow;
            ch.row = v.row;
        }
    }
    // Sets whose u and v rows nothing but samples of the set itself read.
    unsigned rowSets = 0, sampledSets = 0;
    auto readsRow = [&](const Row& r) {
        if (r.bank == Bank::kTexcoord && r.index % 4 < 2) rowSets |= 1u << (r.index / 4);
    };
    for (const Step& step : steps_) {
        if (step.kind == Kind::kSample && step.set >= 0) {
            sampledSets |= 1u << step.set;
            continue;
        }
        for (const auto& source : step.src)
            for (const Row& r : source) readsRow(r);
    }
    for (const Channel& ch : channels_)
        if (ch.kind == Channel::kRow) readsRow(ch.row);
    sampleOnlySets_ = sampledSets & ~rowSets;
    fused_ = avx2_ && Fuse();
}

// Translates the steps into the fused kernel: every value the program computes per pixel gets a slot
// of its own (registers are renamed at each write, so no operation overwrites what another still
// reads), tables read per pixel are worked out again in the lanes from their sample's channel with the
// arithmetic that made them, and operations whose results nothing reads are left out. False where a
// step is outside what the kernel does.
bool PixelProgram::Fuse() {
    std::vector<LaneOp> ops;
    laneConstants_.assign(1, 0.f);  // slot 0, which sources an operation does not have point at
    auto constantSlot = [&](float value) {
        for (size_t i = 0; i < laneConstants_.size(); ++i)
            if (std::memcmp(&laneConstants_[i], &value, sizeof value) == 0) return int(i);
        laneConstants_.push_back(value);
        return int(laneConstants_.size() - 1);
    };
    // Constant slots come first; operations number theirs from kMaxLaneSlots up until the end, when
    // they move down behind the constants.
    int next = kMaxLaneSlots;
    std::vector<int> tableSlot(tables_.size(), -1);
    std::vector<int> expandedTable(size_t(expanded_), -1);
    int rowSlot[12 * 4 + 4];  // temps, then the output, as last written
    std::fill(std::begin(rowSlot), std::end(rowSlot), -1);
    int loadSlot[kTexCoordCount * 4 + 4];
    std::fill(std::begin(loadSlot), std::end(loadSlot), -1);
    bool ok = true;
    auto fromTable = [&](auto&& self, int t) -> int {
        if (tableSlot[size_t(t)] >= 0) return tableSlot[size_t(t)];
        const ByteTable& table = tables_[size_t(t)];
        LaneOp op;
        if (table.opcode < 0) {
            op.kind = LaneOp::kChannel;
            op.sample = table.sample;
            op.shift = table.shift;
        } else {
            op.opcode = table.opcode;
            op.saturate = table.saturate;
            for (int k = 0; k < table.sources; ++k) {
                op.src[k] = table.from[k] >= 0 ? self(self, table.from[k]) : constantSlot(table.constant[k]);
                op.modifier[k] = table.modifier[k];
            }
        }
        op.dst = next++;
        ops.push_back(op);
        return tableSlot[size_t(t)] = op.dst;
    };
    auto slotOf = [&](const Row& r) -> int {
        switch (r.bank) {
            case Bank::kTemp: case Bank::kOutput: {
                const int i = r.bank == Bank::kTemp ? r.index : 12 * 4 + r.index;
                ok &= rowSlot[i] >= 0;
                return std::max(rowSlot[i], 0);
            }
            case Bank::kTexcoord: case Bank::kColour: {
                const int i = r.bank == Bank::kTexcoord ? r.index : int(kTexCoordCount) * 4 + r.index;
                if (loadSlot[i] < 0) {
                    LaneOp op;
                    op.kind = LaneOp::kLoad;
                    op.row = i;
                    op.dst = loadSlot[i] = next++;
                    ops.push_back(op);
                }
                return loadSlot[i];
            }
            case Bank::kConstant: return constantSlot(constants_[size_t(r.index)][0]);
            case Bank::kExpanded: return fromTable(fromTable, expandedTable[size_t(r.index)]);
            default: ok = false; return 0;
        }
    };
    for (const Step& step : steps_) {
        switch (step.kind) {
            case Kind::kSample:
                ok &= step.set >= 0;  // the kernel takes its samples before it runs
                break;
            case Kind::kExpand:
                ok &= step.dst[0].bank == Bank::kExpanded;
                if (ok) expandedTable[size_t(step.dst[0].index)] = step.index;
                break;
            case Kind::kKill: {
                LaneOp op;
                op.kind = LaneOp::kKill;
                for (int c = 0; c < 3; ++c) op.src[c] = slotOf(step.src[0][c]);
                ops.push_back(op);
                break;
            }
            case Kind::kCompute: {
                const ShaderInstruction& in = *step.in;
                ok &= LaneWise(in.opcode);
                int written[4] = {-1, -1, -1, -1};
                for (int c = 0; c < 4 && ok; ++c) {
                    if (!(step.mask & (1 << c))) continue;
                    LaneOp op;
                    op.opcode = in.opcode;
                    op.saturate = in.saturate;
                    for (int k = 0; k < in.srcCount; ++k) {
                        op.src[k] = slotOf(step.src[k][c]);
                        op.modifier[k] = step.modified[k] ? in.src[size_t(k)].modifier : 0;
                    }
                    op.dst = written[c] = next++;
                    ops.push_back(op);
                }
                for (int c = 0; c < 4; ++c) {
                    if (written[c] < 0) continue;
                    const Row& r = step.dst[c];
                    rowSlot[r.bank == Bank::kTemp ? r.index : 12 * 4 + r.index] = written[c];
                }
                break;
            }
        }
        if (!ok) return false;
    }
    // The output: constant bytes, texel channels that pass unchanged, and slots.
    const int positions[4] = {16, 8, 0, 24};
    laneFixed_ = 0;
    for (int c = 0; c < 4; ++c) {
        const Channel& ch = channels_[c];
        LaneChannel& out = laneChannels_[c];
        out = LaneChannel{};
        if (ch.kind == Channel::kConstant) {
            laneFixed_ |= DWORD(ch.byte) << positions[c];
        } else if (ch.kind == Channel::kRow) {
            out.kind = LaneChannel::kSlot;
            out.slot = slotOf(ch.row);
        } else {
            bool unchanged = ch.shift == positions[c];
            for (int i = 0; i < 256 && unchanged; ++i) unchanged = ch.bytes[size_t(i)] == uint32_t(i) << positions[c];
            out.sample = ch.sample;
            if (unchanged) {
                out.kind = LaneChannel::kTexel;
            } else {
                out.kind = LaneChannel::kSlot;
                out.slot = fromTable(fromTable, ch.table);
            }
        }
    }
    if (!ok) return false;
    bytes_ = MakeBytes(ops, tableSlot);
    // Operations whose results neither the output nor a texkill reads are left out; the rest get the
    // slots behind the constants, in order.
    std::vector<bool> needed(size_t(next), false);
    for (const LaneChannel& ch : laneChannels_)
        if (ch.kind == LaneChannel::kSlot) needed[size_t(ch.slot)] = true;
    for (size_t i = ops.size(); i-- > 0;) {
        const LaneOp& op = ops[i];
        if (op.kind != LaneOp::kKill && !needed[size_t(op.dst)]) continue;
        const int sources = op.kind == LaneOp::kKill ? 3 : op.kind == LaneOp::kArith ? 3 : 0;
        for (int k = 0; k < sources; ++k) needed[size_t(op.src[k])] = true;
    }
    const int first = int(laneConstants_.size());
    if (first >= kMaxLaneSlots) return false;
    std::vector<int> moved(size_t(next), -1);
    for (int i = 0; i < first; ++i) moved[size_t(i)] = i;
    laneOps_.clear();
    readsRows_ = false;
    for (LaneOp op : ops) {
        if (op.kind != LaneOp::kKill && !needed[size_t(op.dst)]) continue;
        for (int k = 0; k < 3; ++k) op.src[k] = moved[size_t(op.src[k])] < 0 ? 0 : moved[size_t(op.src[k])];
        if (op.kind != LaneOp::kKill) op.dst = moved[size_t(op.dst)] = first + int(laneOps_.size());
        readsRows_ |= op.kind == LaneOp::kLoad;
        laneOps_.push_back(op);
    }
    laneTexels_.clear();
    for (int c = 0; c < 4; ++c) {
        LaneChannel& ch = laneChannels_[c];
        if (ch.kind == LaneChannel::kSlot) ch.slot = moved[size_t(ch.slot)];
        if (ch.kind != LaneChannel::kTexel) continue;
        auto same = std::find_if(laneTexels_.begin(), laneTexels_.end(), [&](const auto& t) { return t.first == ch.sample; });
        if (same == laneTexels_.end()) same = laneTexels_.insert(laneTexels_.end(), {ch.sample, 0u});
        same->second |= 255u << positions[c];
    }
    laneSlots_ = first + int(laneOps_.size());
    return laneSlots_ <= kMaxLaneSlots;
}

namespace {

// Whether value is g / 255 for a whole g from 0 to 255, to within 2^-20. Two such values of g and h
// multiplied (and saturated) go through ToByte to g * h / 255 rounded (RoundedProduct): after the
// scaling by 255 the float arithmetic errs by less than 255 * (2 * 2^-20 + 2^-23) + 2^-17 < 0.001,
// and g * h / 255 lies at least 1/510 from halfway between two whole numbers. One value alone gives g.
bool NearByte(double value, int g) { return std::fabs(value - g / 255.0) <= 0x1p-20; }

// Whether a table holds its channel's byte / 255, the value a sampled channel is read as.
bool IsChannel(const std::array<float, 256>& table) {
    for (int i = 0; i < 256; ++i)
        if (table[size_t(i)] != float(i) / 255.f) return false;
    return true;
}

// Finds the straight line that a table lies on, clamped, to within 2^-21: value b is
// clamp(start - step * b, 0, 2^24) / 2^24. The line runs through the first and the last value
// strictly between 0 and 1, or where there is only one, falls or rises by a channel's step of 1/255.
// Start and step are held where start - step * b cannot overflow 32 bits.
//
// A channel's byte a times such a line then gives the program's byte (a * W + 2^23) >> 24, W the line
// at b, except near a half: the float arithmetic (the value a / 255, the product, the scaling by 255 and
// the half added, each rounded) errs from a times the table's value by under 900 / 2^24, and the line
// from the table by at most 255 * 8 / 2^24, so only where a * W + 2^23 lies within 4096 of a multiple of
// 2^24 may the two round apart.
bool LineOf(const std::array<float, 256>& table, int& start, int& step) {
    int first = -1, last = -1;
    for (int b = 0; b < 256; ++b)
        if (table[size_t(b)] > 0.f && table[size_t(b)] < 1.f) {
            if (first < 0) first = b;
            last = b;
        }
    if (first < 0) return false;
    const double oneStep = std::round(0x1p24 / 255.0);
    std::vector<double> steps{oneStep, -oneStep};
    if (last > first) steps = {std::round((double(table[size_t(first)]) - double(table[size_t(last)])) * 0x1p24 / (last - first))};
    for (double slope : steps) {
        const double origin = std::round(double(table[size_t(first)]) * 0x1p24 + slope * first);
        if (std::fabs(slope) > 0x1p21 || std::fabs(origin) > 0x1p30) continue;
        bool near = true;
        for (int b = 0; b < 256 && near; ++b)
            near = std::fabs(std::clamp(origin - slope * b, 0.0, 0x1p24) - double(table[size_t(b)]) * 0x1p24) <= 8.0;
        if (!near) continue;
        start = int(origin);
        step = int(slope);
        return true;
    }
    return false;
}

}  // namespace

// Finds, for every output channel the fused kernel makes in its lanes, how to make it from texel bytes
// with the same result. A table made from a channel is a factor when its values are the channel's byte,
// its complement or one constant byte, each over 255; a constant is a factor when it is a byte over
// 255; moves pass their source on. A factor alone or a multiplication of two factors (saturated or not)
// is a rounded product of bytes. Any other table is its bytes looked up, and a multiplication of two
// other tables their float product: saturation changes no byte of a product, ToByte holding what
// lies outside 0 to 1 at 0 and 255 as it does.
bool PixelProgram::MakeBytes(const std::vector<LaneOp>& ops, const std::vector<int>& tableSlot) {
    byteChannels_.clear();
    if (kills_ || samples_ == 0) return false;  // a constant factor reads the first sample's texels
    std::vector<int> slotTable(size_t(kMaxLaneSlots) + ops.size(), -1);
    for (size_t t = 0; t < tableSlot.size(); ++t)
        if (tableSlot[t] >= 0) slotTable[size_t(tableSlot[t])] = int(t);
    auto constantOf = [](float value, ByteFactor& f) {
        const double byte = std::round(double(value) * 255.0);
        f = ByteFactor{0, 0, 0, DWORD(byte >= 0 && byte <= 255 ? byte : 0)};
        return NearByte(value, int(f.flip));
    };
    auto factorOf = [&](int slot, ByteFactor& f) {
        if (slot < int(laneConstants_.size())) return constantOf(laneConstants_[size_t(slot)], f);
        if (slotTable[size_t(slot)] < 0) return false;
        const ByteTable& t = tables_[size_t(slotTable[size_t(slot)])];
        auto all = [&](DWORD keep, DWORD flip) {
            for (DWORD i = 0; i < 256; ++i)
                if (!NearByte(t.value[i], int((i & keep) ^ flip))) return false;
            return true;
        };
        for (DWORD flip : {0u, 255u}) {
            f = ByteFactor{t.sample, t.shift, 255, flip};
            if (all(255, flip)) return true;
        }
        return constantOf(t.value[0], f) && all(0, f.flip);
    };
    // The channel a table is made from, as a factor that reads its bytes unchanged.
    auto channelOf = [&](int table) {
        const ByteTable& t = tables_[size_t(table)];
        return ByteFactor{t.sample, t.shift, 255, 0};
    };
    auto madeBy = [&](int slot) -> const LaneOp* {
        for (const LaneOp& op : ops)
            if (op.kind != LaneOp::kKill && op.dst == slot) return &op;
        return nullptr;
    };
    const int positions[4] = {16, 8, 0, 24};
    for (int c = 0; c < 4; ++c) {
        if (laneChannels_[c].kind != LaneChannel::kSlot) continue;
        ByteChannel& ch = byteChannels_.emplace_back();
        ch.position = positions[c];
        int slot = laneChannels_[c].slot;
        const LaneOp* op = madeBy(slot);
        for (; op && op->kind == LaneOp::kArith && op->opcode == kMov && !op->saturate && !op->modifier[0]; op = madeBy(slot))
            slot = op->src[0];
        const bool product = op && op->kind == LaneOp::kArith && op->opcode == kMul && !op->modifier[0] && !op->modifier[1];
        if (factorOf(slot, ch.factor[0])) {
            ch.factor[1] = ByteFactor{};
        } else if (const int table = slotTable[size_t(slot)]; table >= 0) {
            ch.kind = ByteChannel::kLookup;
            ch.factor[0] = channelOf(table);
            for (int i = 0; i < 256; ++i) ch.bytes[size_t(i)] = uint32_t(ToByte(tables_[size_t(table)].value[size_t(i)]));
        } else if (product && factorOf(op->src[0], ch.factor[0]) && factorOf(op->src[1], ch.factor[1])) {
            ch.kind = ByteChannel::kProduct;
        } else if (product && slotTable[size_t(op->src[0])] >= 0 && slotTable[size_t(op->src[1])] >= 0) {
            ch.kind = ByteChannel::kTables;
            for (int k = 0; k < 2; ++k) {
                ch.tables[k] = slotTable[size_t(op->src[k])];
                ch.factor[k] = channelOf(ch.tables[k]);
            }
            // A channel times a line of another (the fade's mask factor) goes in integers, the channel first.
            for (int k = 0; k < 2 && ch.kind == ByteChannel::kTables; ++k) {
                if (!IsChannel(tables_[size_t(ch.tables[k])].value) || !LineOf(tables_[size_t(ch.tables[1 - k])].value, ch.start, ch.step))
                    continue;
                ch.kind = ByteChannel::kLine;
                if (k == 1) {
                    std::swap(ch.tables[0], ch.tables[1]);
                    std::swap(ch.factor[0], ch.factor[1]);
                }
            }
        } else {
            byteChannels_.clear();
            return false;
        }
    }
    return true;
}

namespace {

// ToByte of eight values at once, as ToByteFour does four.
__attribute__((target("avx2"), always_inline)) inline __m256i ToByteEight(__m256 v) {
    const __m256i rounded =
        _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(v, _mm256_set1_ps(255.f)), _mm256_set1_ps(0.5f)));
    const __m256i top = _mm256_castps_si256(_mm256_cmp_ps(v, _mm256_set1_ps(1.f), _CMP_GE_OQ));
    const __m256i inside = _mm256_castps_si256(_mm256_cmp_ps(v, _mm256_setzero_ps(), _CMP_GT_OQ));
    return _mm256_or_si256(_mm256_and_si256(top, _mm256_set1_epi32(255)),
                           _mm256_andnot_si256(top, _mm256_and_si256(inside, rounded)));
}

// Byte x * y / 255 rounded, for two bytes: (t + (t >> 8)) >> 8 with t = x * y + 128.
inline DWORD RoundedProduct(DWORD x, DWORD y) {
    const DWORD t = x * y + 128;
    return (t + (t >> 8)) >> 8;
}

// RoundedProduct of eight pairs of bytes in 32-bit lanes: the 16-bit multiplication holds each product
// whole, the lanes' high halves being 0.
__attribute__((target("avx2"), always_inline)) inline __m256i RoundedProductEight(__m256i x, __m256i y) {
    const __m256i t = _mm256_add_epi32(_mm256_mullo_epi16(x, y), _mm256_set1_epi32(128));
    return _mm256_srli_epi32(_mm256_add_epi32(t, _mm256_srli_epi32(t, 8)), 8);
}

// A byte factor of one texel, and of eight in 32-bit lanes.
struct FactorBits {
    __m128i shift;
    __m256i keep, flip;
};
inline DWORD FactorByte(DWORD texel, int shift, DWORD keep, DWORD flip) { return ((texel >> shift) & keep) ^ flip; }
__attribute__((target("avx2"), always_inline)) inline __m256i FactorEight(const DWORD* texels, const FactorBits& f) {
    const __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texels));
    return _mm256_xor_si256(_mm256_and_si256(_mm256_srl_epi32(t, f.shift), f.keep), f.flip);
}

}  // namespace

// The byte kernel over n pixels, eight at a time and the last few one at a time with the same
// arithmetic: the constant bytes, the first sample's channels unchanged and the first channel in one
// pass, then each other sample's channels and each other channel in a pass of its own.
__attribute__((target("avx2"))) void PixelProgram::RunBytes(const DWORD* const* texels, int n, DWORD* out) const {
    static const ByteChannel none{ByteChannel::kProduct, 0, {ByteFactor{0, 0, 0, 0}, ByteFactor{0, 0, 0, 0}}};  // 0 x 0
    const std::pair<int, DWORD> unchanged = laneTexels_.empty() ? std::pair<int, DWORD>{0, 0u} : laneTexels_[0];
    for (size_t k = 0; k < std::max<size_t>(1, byteChannels_.size()); ++k) {
        const ByteChannel& ch = byteChannels_.empty() ? none : byteChannels_[k];
        const ByteFactor &fa = ch.factor[0], &fb = ch.factor[1];
        const DWORD *from = texels[fa.sample], *with = texels[fb.sample];
        const FactorBits a{_mm_cvtsi32_si128(fa.shift), _mm256_set1_epi32(int(fa.keep)), _mm256_set1_epi32(int(fa.flip))};
        const FactorBits b{_mm_cvtsi32_si128(fb.shift), _mm256_set1_epi32(int(fb.keep)), _mm256_set1_epi32(int(fb.flip))};
        const bool tables = ch.kind == ByteChannel::kTables || ch.kind == ByteChannel::kLine;
        const float* x = tables ? tables_[size_t(ch.tables[0])].value.data() : nullptr;
        const float* y = tables ? tables_[size_t(ch.tables[1])].value.data() : nullptr;
        // The byte of pixel i as the program's arithmetic makes it from the tables.
        auto fromTables = [&](int i) {
            return DWORD(ToByte(x[FactorByte(from[i], fa.shift, fa.keep, fa.flip)] * y[FactorByte(with[i], fb.shift, fb.keep, fb.flip)]));
        };
        // The first pass starts the colours; the others add to them.
        const DWORD* base = k == 0 ? texels[unchanged.first] : out;
        const DWORD baseMask = k == 0 ? unchanged.second : ~0u, fixed = k == 0 ? laneFixed_ : 0u;
        const __m128i position = _mm_cvtsi32_si128(ch.position);
        const __m256i baseMaskV = _mm256_set1_epi32(int(baseMask)), fixedV = _mm256_set1_epi32(int(fixed));
        auto store = [&](int i, __m256i bytes) __attribute__((target("avx2"))) {
            const __m256i kept =
                _mm256_or_si256(_mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(base + i)), baseMaskV), fixedV);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_or_si256(kept, _mm256_sll_epi32(bytes, position)));
        };
        int i = 0;
        switch (ch.kind) {
            case ByteChannel::kProduct:
                for (; i + 8 <= n; i += 8) store(i, RoundedProductEight(FactorEight(from + i, a), FactorEight(with + i, b)));
                break;
            case ByteChannel::kLookup:
                for (; i + 8 <= n; i += 8)
                    store(i, _mm256_i32gather_epi32(reinterpret_cast<const int*>(ch.bytes.data()), FactorEight(from + i, a), 4));
                break;
            case ByteChannel::kTables:
                for (; i + 8 <= n; i += 8)
                    store(i, ToByteEight(_mm256_mul_ps(_mm256_i32gather_ps(x, FactorEight(from + i, a), 4),
                                                       _mm256_i32gather_ps(y, FactorEight(with + i, b), 4))));
                break;
            case ByteChannel::kLine: {
                const __m256i start = _mm256_set1_epi32(ch.start), step = _mm256_set1_epi32(ch.step);
                const __m256i whole = _mm256_set1_epi32(1 << 24), half = _mm256_set1_epi32(1 << 23);
                for (; i + 8 <= n; i += 8) {
                    const __m256i line = _mm256_sub_epi32(start, _mm256_mullo_epi32(FactorEight(with + i, b), step));
                    const __m256i w = _mm256_min_epi32(whole, _mm256_max_epi32(_mm256_setzero_si256(), line));
                    const __m256i t = _mm256_add_epi32(_mm256_mullo_epi32(FactorEight(from + i, a), w), half);
                    const __m256i nearHalf = _mm256_cmpgt_epi32(
                        _mm256_set1_epi32(8192), _mm256_and_si256(_mm256_add_epi32(t, _mm256_set1_epi32(4096)), _mm256_set1_epi32((1 << 24) - 1)));
                    store(i, _mm256_srli_epi32(t, 24));
                    if (__builtin_expect(!_mm256_testz_si256(nearHalf, nearHalf), 0))
                        for (int l = i; l < i + 8; ++l) out[l] = (out[l] & ~(255u << ch.position)) | fromTables(l) << ch.position;
                }
                break;
            }
        }
        for (; i < n; ++i) {
            const DWORD u = FactorByte(from[i], fa.shift, fa.keep, fa.flip), v = FactorByte(with[i], fb.shift, fb.keep, fb.flip);
            const DWORD byte = ch.kind == ByteChannel::kProduct ? RoundedProduct(u, v)
                               : ch.kind == ByteChannel::kLookup ? ch.bytes[u]
                                                                 : fromTables(i);
            out[i] = (base[i] & baseMask) | fixed | byte << ch.position;
        }
    }
    for (size_t k = 1; k < laneTexels_.size(); ++k) {
        const DWORD* from = texels[laneTexels_[k].first];
        const DWORD mask = laneTexels_[k].second;
        const __m256i keep = _mm256_set1_epi32(int(mask));
        int i = 0;
        for (; i + 8 <= n; i += 8) {
            __m256i* to = reinterpret_cast<__m256i*>(out + i);
            _mm256_storeu_si256(to, _mm256_or_si256(_mm256_loadu_si256(to),
                                                    _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i)), keep)));
        }
        for (; i < n; ++i) out[i] |= from[i] & mask;
    }
}

// The fused kernel over n pixels, kLaneGroup at a time (several vectors of eight lanes, so that each
// operation's dispatch serves them all): each operation reads and writes slots of kLaneGroup values,
// and the output is packed from them. A last group of fewer pixels runs on copies padded with zeros.
__attribute__((target("avx2"))) void PixelProgram::RunLanes(const DWORD* const* texels, const PixelBlock* rows, int n,
                                                            DWORD* out, bool* killed) const {
    if (bytes_) {
        RunBytes(texels, n, out);
        return;
    }
    constexpr int V = kLaneGroup / 8;
    alignas(32) __m256 slot[kMaxLaneSlots][V];
    for (size_t i = 0; i < laneConstants_.size(); ++i)
        for (int v = 0; v < V; ++v) slot[i][v] = _mm256_set1_ps(laneConstants_[i]);
    alignas(32) DWORD padTexels[kMaxSamples][kLaneGroup];
    alignas(32) float padRow[kLaneGroup];
    alignas(32) DWORD padOut[kLaneGroup];
    const __m256i low = _mm256_set1_epi32(255);
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.f), sign = _mm256_set1_ps(-0.f);
    const int positions[4] = {16, 8, 0, 24};
    for (int i = 0; i < n; i += kLaneGroup) {
        const int m = std::min(kLaneGroup, n - i);
        const DWORD* from[kMaxSamples];
        for (int k = 0; k < samples_; ++k) {
            from[k] = texels[k] + i;
            if (m == kLaneGroup) continue;
            std::copy(from[k], from[k] + m, padTexels[k]);
            std::fill(padTexels[k] + m, padTexels[k] + kLaneGroup, 0u);
            from[k] = padTexels[k];
        }
        auto texel = [&](int k, int v) { return reinterpret_cast<const __m256i*>(from[k] + 8 * v); };
        for (const LaneOp& op : laneOps_) {
            __m256* d = slot[op.dst];
            switch (op.kind) {
                case LaneOp::kChannel: {
                    // byte / 255 exactly as the table has it: one correctly rounded division.
                    const __m128i shift = _mm_cvtsi32_si128(op.shift);
                    for (int v = 0; v < V; ++v) {
                        const __m256i byte = _mm256_and_si256(_mm256_srl_epi32(_mm256_loadu_si256(texel(op.sample, v)), shift), low);
                        d[v] = _mm256_div_ps(_mm256_cvtepi32_ps(byte), _mm256_set1_ps(255.f));
                    }
                    break;
                }
                case LaneOp::kLoad: {
                    const float* row = (op.row < int(kTexCoordCount) * 4 ? rows->tex[op.row / 4][op.row % 4]
                                                                         : rows->colour[op.row - int(kTexCoordCount) * 4]) + i;
                    if (m < kLaneGroup) {
                        std::copy(row, row + m, padRow);
                        std::fill(padRow + m, padRow + kLaneGroup, 0.f);
                        row = padRow;
                    }
                    for (int v = 0; v < V; ++v) d[v] = _mm256_loadu_ps(row + 8 * v);
                    break;
                }
                case LaneOp::kArith: {
                    const __m256* src[3] = {slot[op.src[0]], slot[op.src[1]], slot[op.src[2]]};
                    __m256 modified[3][V];
                    for (int k = 0; k < 3; ++k) {
                        if (!op.modifier[k]) continue;
                        // abs clears the sign, negation flips it, both set it.
                        const __m256 keep = op.modifier[k] == 1 ? _mm256_castsi256_ps(_mm256_set1_epi32(-1)) : _mm256_andnot_ps(sign, _mm256_castsi256_ps(_mm256_set1_epi32(-1)));
                        const __m256 flip = op.modifier[k] == 11 ? zero : sign;
                        for (int v = 0; v < V; ++v) modified[k][v] = _mm256_xor_ps(_mm256_and_ps(src[k][v], keep), flip);
                        src[k] = modified[k];
                    }
                    const __m256 *a = src[0], *b = src[1], *c = src[2];
                    switch (op.opcode) {
#define MARLOWE_EACH(expression) \
    for (int v = 0; v < V; ++v) d[v] = (expression); \
    break;
                        case kMov: MARLOWE_EACH(a[v])
                        case kAdd: MARLOWE_EACH(_mm256_add_ps(a[v], b[v]))
                        case kSub: MARLOWE_EACH(_mm256_sub_ps(a[v], b[v]))
                        case kMul: MARLOWE_EACH(_mm256_mul_ps(a[v], b[v]))
                        case kMad: MARLOWE_EACH(_mm256_add_ps(_mm256_mul_ps(a[v], b[v]), c[v]))
                        // std::min(a, b) is b < a ? b : a, and std::max(a, b) is a < b ? b : a.
                        case kMin: MARLOWE_EACH(_mm256_min_ps(b[v], a[v]))
                        case kMax: MARLOWE_EACH(_mm256_max_ps(b[v], a[v]))
                        case kSlt: MARLOWE_EACH(_mm256_and_ps(_mm256_cmp_ps(a[v], b[v], _CMP_LT_OQ), one))
                        case kSge: MARLOWE_EACH(_mm256_and_ps(_mm256_cmp_ps(a[v], b[v], _CMP_GE_OQ), one))
                        case kAbs: MARLOWE_EACH(_mm256_andnot_ps(sign, a[v]))
                        case kFrc: MARLOWE_EACH(_mm256_sub_ps(a[v], _mm256_floor_ps(a[v])))
                        case kLrp: MARLOWE_EACH(_mm256_add_ps(c[v], _mm256_mul_ps(a[v], _mm256_sub_ps(b[v], c[v]))))
                        case kCmp: MARLOWE_EACH(_mm256_blendv_ps(c[v], b[v], _mm256_cmp_ps(a[v], zero, _CMP_GE_OQ)))
#undef MARLOWE_EACH
                        default: break;
                    }
                    // Saturation as std::clamp(x, 0, 1): x < 0 ? 0 : 1 < x ? 1 : x, a number that is not one kept.
                    if (op.saturate)
                        for (int v = 0; v < V; ++v) d[v] = _mm256_max_ps(zero, _mm256_min_ps(one, d[v]));
                    break;
                }
                case LaneOp::kKill:
                    for (int v = 0; v < V; ++v) {
                        const int below = _mm256_movemask_ps(_mm256_or_ps(
                            _mm256_or_ps(_mm256_cmp_ps(slot[op.src[0]][v], zero, _CMP_LT_OQ),
                                         _mm256_cmp_ps(slot[op.src[1]][v], zero, _CMP_LT_OQ)),
                            _mm256_cmp_ps(slot[op.src[2]][v], zero, _CMP_LT_OQ)));
                        for (int l = 0; l < 8 && 8 * v + l < m; ++l) killed[i + 8 * v + l] |= (below >> l & 1) != 0;
                    }
                    break;
            }
        }
        DWORD* to = m == kLaneGroup ? out + i : padOut;
        for (int v = 0; v < V; ++v) {
            __m256i colour = _mm256_set1_epi32(int(laneFixed_));
            for (const auto& [sample, mask] : laneTexels_)
                colour = _mm256_or_si256(colour, _mm256_and_si256(_mm256_loadu_si256(texel(sample, v)), _mm256_set1_epi32(int(mask))));
            for (int c = 0; c < 4; ++c) {
                const LaneChannel& ch = laneChannels_[c];
                if (ch.kind == LaneChannel::kSlot)
                    colour = _mm256_or_si256(colour, _mm256_sll_epi32(ToByteEight(slot[ch.slot][v]), _mm_cvtsi32_si128(positions[c])));
            }
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + 8 * v), colour);
        }
        if (m < kLaneGroup) std::copy(padOut, padOut + m, out + i);
    }
}

void PixelProgram::RunRow(int n, const RowSampler& sample, DWORD* out) const {
    thread_local std::vector<DWORD> texels;
    if (texels.size() < size_t(samples_) * size_t(n)) texels.resize(size_t(samples_) * size_t(n));
    const DWORD* from[kMaxSamples];
    for (const Step& step : steps_) {
        if (step.kind != Kind::kSample) continue;
        from[step.index] = sample(step.in->src[1].index, step.set, n, texels.data() + size_t(step.index) * size_t(n));
    }
    RunLanes(from, nullptr, n, out, nullptr);
}

bool PixelProgram::EachSample(const std::function<bool(int stage, int set)>& take) const {
    for (const Step& step : steps_)
        if (step.kind == Kind::kSample && !take(step.in->src[1].index, step.set)) return false;
    return true;
}

void PixelProgram::Run(PixelBlock& block, const BlockSampler& sample) const {
    constexpr int N = kPixelBlock;
    const int n = block.count;
    if (fused_) {
        DWORD texels[kMaxSamples][N];
        const DWORD* from[kMaxSamples];
        for (const Step& step : steps_) {
            if (step.kind != Kind::kSample) continue;
            sample(step.in->src[1].index, step.set, block.tex[step.set][0], block.tex[step.set][1], n, texels[step.index]);
            from[step.index] = texels[step.index];
        }
        std::fill(block.killed, block.killed + N, false);
        RunLanes(from, &block, n, block.out, block.killed);
        return;
    }
    float temps[12 * 4][N];
    float output[4][N];
    thread_local std::vector<std::array<float, N>> expandedRows;
    expandedRows.resize(size_t(expanded_));
    auto* expanded = expandedRows.data();
    DWORD texels[kMaxSamples][N];
    float scratch[4 * 4][N];  // sources with a modifier (rows 0 to 11), then results (rows 12 to 15)
    std::fill(block.killed, block.killed + N, false);
    auto source = [&](const Row& r) -> const float* {
        switch (r.bank) {
            case Bank::kTemp: return temps[r.index];
            case Bank::kOutput: return output[r.index];
            case Bank::kTexcoord: return block.tex[r.index / 4][r.index % 4];
            case Bank::kColour: return block.colour[r.index];
            case Bank::kExpanded: return expanded[r.index].data();
            default: return constants_[size_t(r.index)].data();
        }
    };
    auto target = [&](const Row& r) -> float* {
        switch (r.bank) {
            case Bank::kTemp: return temps[r.index];
            case Bank::kExpanded: return expanded[r.index].data();
            default: return output[r.index];
        }
    };
    for (const Step& step : steps_) {
        if (step.kind == Kind::kExpand) {
            const ByteTable& t = tables_[size_t(step.index)];
            const DWORD* from = texels[t.sample];
            float* to = target(step.dst[0]);
            for (int i = avx2_ ? ExpandEight(t.value.data(), from, t.shift, n, to) : 0; i < n; ++i)
                to[i] = t.value[(from[i] >> t.shift) & 255];
            continue;
        }
        const ShaderInstruction& in = *step.in;
        const bool laneWise = lanes_ && LaneWise(in.opcode);
        const int mask = step.mask;
        const float* s[3][4] = {};
        const int sources = step.kind == Kind::kSample ? 1 : step.kind == Kind::kKill ? 0 : in.srcCount;
        for (int k = 0; k < sources; ++k) {
            if (in.src[size_t(k)].type == kRegSampler) continue;
            for (int c = 0; c < 4; ++c) {
                s[k][c] = source(step.src[k][c]);
                if (!step.modified[k] || (laneWise && !(mask & (1 << c)))) continue;
                float* copy = scratch[4 * k + c];
                const int modifier = in.src[size_t(k)].modifier;
                for (int i = 0; i < n; ++i) copy[i] = Modify(s[k][c][i], modifier);
                s[k][c] = copy;
            }
        }
        if (step.kind == Kind::kKill) {
            for (int c = 0; c < 3; ++c) {
                const float* p = source(step.src[0][c]);
                for (int i = 0; i < n; ++i) block.killed[i] |= p[i] < 0.f;
            }
            continue;
        }
        if (step.kind == Kind::kSample) {
            const float* u = s[0][0];
            const float* v = s[0][1];
            float pu[N], pv[N];
            if (in.texProject) {
                for (int i = 0; i < n; ++i) {
                    const float q = s[0][3][i] != 0.f ? 1.f / s[0][3][i] : 1.f;
                    pu[i] = s[0][0][i] * q;
                    pv[i] = s[0][1][i] * q;
                }
                u = pu;
                v = pv;
            }
            sample(in.src[1].index, step.set, u, v, n, texels[step.index]);
            continue;
        }
        float* d[4];
        for (int c = 0; c < 4; ++c) d[c] = step.inPlace && (mask & (1 << c)) ? target(step.dst[c]) : scratch[12 + c];
        switch (laneWise ? in.opcode : -1) {  // -1: one pixel at a time
#define MARLOWE_LANES(expression)                                   \
    for (int c = 0; c < 4; ++c) {                                   \
        if (!(mask & (1 << c))) continue;                           \
        float* out = d[c];                                          \
        const float *a = s[0][c], *b = s[1][c], *e = s[2][c];       \
        (void)b;                                                    \
        (void)e;                                                    \
        for (int i = 0; i < n; ++i) out[i] = (expression);          \
    }                                                               \
    break;
            case kMov: MARLOWE_LANES(a[i])
            case kAdd: MARLOWE_LANES(a[i] + b[i])
            case kSub: MARLOWE_LANES(a[i] - b[i])
            case kMul: MARLOWE_LANES(a[i] * b[i])
            case kMad: MARLOWE_LANES(a[i] * b[i] + e[i])
            case kMin: MARLOWE_LANES(std::min(a[i], b[i]))
            case kMax: MARLOWE_LANES(std::max(a[i], b[i]))
            case kSlt: MARLOWE_LANES(a[i] < b[i] ? 1.f : 0.f)
            case kSge: MARLOWE_LANES(a[i] >= b[i] ? 1.f : 0.f)
            case kAbs: MARLOWE_LANES(std::fabs(a[i]))
            case kFrc: MARLOWE_LANES(a[i] - std::floor(a[i]))
            case kLrp: MARLOWE_LANES(e[i] + a[i] * (b[i] - e[i]))
            case kCmp: MARLOWE_LANES(a[i] >= 0.f ? b[i] : e[i])
#undef MARLOWE_LANES
            default:
                // The rest one pixel at a time, through the vertex stage's arithmetic.
                for (int i = 0; i < n; ++i) {
                    float s1[3][4] = {}, out[4];
                    for (int k = 0; k < in.srcCount; ++k)
                        if (s[k][0])
                            for (int c = 0; c < 4; ++c) s1[k][c] = s[k][c][i];
                    Compute(in.opcode, s1, out);
                    for (int c = 0; c < 4; ++c) d[c][i] = out[c];
                }
                break;
        }
        for (int c = 0; c < 4; ++c) {
            if (!(mask & (1 << c))) continue;
            float* to = target(step.dst[c]);
            if (in.saturate)
                for (int i = 0; i < n; ++i) to[i] = std::clamp(d[c][i], 0.f, 1.f);
            else if (to != d[c])
                std::memcpy(to, d[c], sizeof(float) * size_t(n));
        }
    }
    // The output as bytes: constants, byte tables of sampled channels, and rows four pixels at a time.
    const int positions[4] = {16, 8, 0, 24};
    DWORD fixed = 0;
    for (int c = 0; c < 4; ++c)
        if (channels_[c].kind == Channel::kConstant) fixed |= DWORD(channels_[c].byte) << positions[c];
    std::fill(block.out, block.out + n, fixed);
    // The table channels of each sample together, one texel read for all of them (channels it does not
    // have read a table of zeros).
    static const std::array<uint32_t, 256> none{};
    for (int first = 0; first < 4; ++first) {
        const Channel& lead = channels_[first];
        if (lead.kind != Channel::kTable) continue;
        bool led = false;  // an earlier channel of the same sample did this group
        for (int c = 0; c < first; ++c) led |= channels_[c].kind == Channel::kTable && channels_[c].sample == lead.sample;
        if (led) continue;
        const uint32_t* table[4];
        int shift[4];
        for (int c = 0; c < 4; ++c) {
            const Channel& ch = channels_[c];
            const bool mine = ch.kind == Channel::kTable && ch.sample == lead.sample;
            table[c] = mine ? ch.bytes.data() : none.data();
            shift[c] = mine ? ch.shift : 0;
        }
        const DWORD* from = texels[lead.sample];
        for (int i = 0; i < n; ++i) {
            const DWORD s = from[i];
            block.out[i] |= table[0][(s >> shift[0]) & 255] | table[1][(s >> shift[1]) & 255] |
                            table[2][(s >> shift[2]) & 255] | table[3][(s >> shift[3]) & 255];
        }
    }
    for (int c = 0; c < 4; ++c) {
        const Channel& ch = channels_[c];
        if (ch.kind == Channel::kRow) {
            const float* from = source(ch.row);
            int i = 0;
            for (; i + 4 <= n; i += 4) {
                const __m128i bytes = _mm_slli_epi32(ToByteFour(_mm_loadu_ps(from + i)), positions[c]);
                __m128i* to = reinterpret_cast<__m128i*>(block.out + i);
                _mm_storeu_si128(to, _mm_or_si128(_mm_loadu_si128(to), bytes));
            }
            for (; i < n; ++i) block.out[i] |= DWORD(ToByte(from[i])) << positions[c];
        }
    }
}

}  // namespace d3d9
