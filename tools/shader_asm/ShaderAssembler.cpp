// The shader assembler: one instruction per line, ';' or '//' comments, registers with swizzles,
// write masks, negation, _sat, relative constants c[a0.x + n], dcl_* and def.
#include "ShaderAssembler.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <sstream>

namespace shaderasm {
namespace {

struct OpInfo {
    uint32_t code;
    int sources;
    bool hasDest;
};

const std::map<std::string, OpInfo>& Opcodes() {
    static const std::map<std::string, OpInfo> table = {
        {"nop", {0, 0, false}},   {"mov", {1, 1, true}},    {"add", {2, 2, true}},     {"sub", {3, 2, true}},
        {"mad", {4, 3, true}},    {"mul", {5, 2, true}},    {"rcp", {6, 1, true}},     {"rsq", {7, 1, true}},
        {"dp3", {8, 2, true}},    {"dp4", {9, 2, true}},    {"min", {10, 2, true}},    {"max", {11, 2, true}},
        {"slt", {12, 2, true}},   {"sge", {13, 2, true}},   {"exp", {14, 1, true}},    {"log", {15, 1, true}},
        {"lrp", {18, 3, true}},   {"frc", {19, 1, true}},   {"m4x4", {20, 2, true}},   {"m4x3", {21, 2, true}},
        {"m3x4", {22, 2, true}},  {"m3x3", {23, 2, true}},  {"m3x2", {24, 2, true}},   {"pow", {32, 2, true}},
        {"abs", {35, 1, true}},   {"nrm", {36, 1, true}},   {"mova", {46, 1, true}},   {"texkill", {65, 0, true}},
        {"texld", {66, 2, true}}, {"texldp", {66, 2, true}}, {"cmp", {88, 3, true}},   {"dp2add", {90, 3, true}},
    };
    return table;
}

enum RegType : uint32_t {
    kTemp = 0, kInput = 1, kConst = 2, kAddr = 3, kTexture = 3, kRastOut = 4, kAttrOut = 5, kTexCrdOut = 6,
    kColorOut = 8, kDepthOut = 9, kSampler = 10,
};

struct Register {
    uint32_t type = 0;
    uint32_t index = 0;
};

uint32_t TypeBits(uint32_t type) { return ((type & 7) << 28) | ((type & 0x18) << 8); }

class Parser {
public:
    Parser(std::vector<uint32_t>& out, std::string& error) : out_(out), error_(error) {}

    bool Line(std::string text, int number) {
        line_ = number;
        for (const char* marker : {";", "//"}) {
            size_t c = text.find(marker);
            if (c != std::string::npos) text.erase(c);
        }
        Trim(text);
        if (text.empty()) return true;
        std::string op = text.substr(0, text.find_first_of(" \t"));
        std::string rest = op.size() < text.size() ? text.substr(op.size()) : "";
        Trim(rest);
        for (char& ch : op) ch = char(std::tolower(static_cast<unsigned char>(ch)));
        if (out_.empty()) return Version(op);
        if (op.rfind("dcl", 0) == 0) return Declaration(op, rest);
        if (op == "def") return Define(rest);
        return Instruction(op, rest);
    }

    bool Finish() {
        if (out_.empty()) {
            error_ = "no version line";
            return false;
        }
        out_.push_back(0x0000FFFF);
        return true;
    }

private:
    bool Fail(const std::string& what) {
        error_ = "line " + std::to_string(line_) + ": " + what;
        return false;
    }
    static void Trim(std::string& s) {
        size_t a = s.find_first_not_of(" \t\r\n");
        size_t b = s.find_last_not_of(" \t\r\n");
        s = a == std::string::npos ? "" : s.substr(a, b - a + 1);
    }
    static std::vector<std::string> Split(const std::string& s) {
        std::vector<std::string> parts;
        std::string cur;
        int depth = 0;
        for (char ch : s) {
            if (ch == '[') ++depth;
            if (ch == ']') --depth;
            if (ch == ',' && depth == 0) {
                Trim(cur);
                parts.push_back(cur);
                cur.clear();
            } else {
                cur += ch;
            }
        }
        Trim(cur);
        if (!cur.empty()) parts.push_back(cur);
        return parts;
    }

    bool Version(const std::string& v) {
        if (v == "vs_1_1") version_ = 0xFFFE0101;
        else if (v == "vs_2_0") version_ = 0xFFFE0200;
        else if (v == "ps_2_0") version_ = 0xFFFF0200;
        else return Fail("unknown version '" + v + "'");
        pixel_ = (version_ >> 16) == 0xFFFF;
        out_.push_back(version_);
        return true;
    }
    bool ModelTwo() const { return (version_ & 0xFFFF) >= 0x200; }

    bool ParseRegister(std::string name, Register& r) {
        std::string lower;
        for (char ch : name) lower += char(std::tolower(static_cast<unsigned char>(ch)));
        auto number = [&](size_t from, uint32_t& n) {
            if (from >= lower.size()) return false;
            for (size_t i = from; i < lower.size(); ++i)
                if (!std::isdigit(static_cast<unsigned char>(lower[i]))) return false;
            n = uint32_t(std::stoul(lower.substr(from)));
            return true;
        };
        if (lower == "opos") return r = {kRastOut, 0}, true;
        if (lower == "ofog") return r = {kRastOut, 1}, true;
        if (lower == "odepth") return r = {kDepthOut, 0}, true;
        if (lower == "a0") return r = {kAddr, 0}, !pixel_;
        struct Prefix {
            const char* text;
            uint32_t type;
            bool pixelOnly, vertexOnly;
            uint32_t limit;
        };
        const Prefix prefixes[] = {{"od", kAttrOut, false, true, 2},   {"ot", kTexCrdOut, false, true, 8},
                                   {"oc", kColorOut, true, false, 4},  {"r", kTemp, false, false, 12},
                                   {"v", kInput, false, false, 16},    {"c", kConst, false, false, 256},
                                   {"t", kTexture, true, false, 8},    {"s", kSampler, true, false, 16}};
        for (const Prefix& p : prefixes) {
            size_t len = std::strlen(p.text);
            if (lower.compare(0, len, p.text) != 0) continue;
            if ((p.pixelOnly && !pixel_) || (p.vertexOnly && pixel_)) return false;
            uint32_t n;
            if (!number(len, n) || n >= p.limit) return false;
            r = {p.type, n};
            return true;
        }
        return false;
    }

    static bool Components(const std::string& s, std::vector<int>& comps) {
        for (char ch : s) {
            const char* xyzw = "xyzw";
            const char* rgba = "rgba";
            const char* a = std::strchr(xyzw, ch);
            const char* b = std::strchr(rgba, ch);
            if (ch && a) comps.push_back(int(a - xyzw));
            else if (ch && b) comps.push_back(int(b - rgba));
            else return false;
        }
        return !comps.empty() && comps.size() <= 4;
    }

    bool Destination(std::string text, bool saturate, uint32_t& token, Register* reg = nullptr) {
        std::string mask;
        size_t dot = text.find('.');
        if (dot != std::string::npos) {
            mask = text.substr(dot + 1);
            text.erase(dot);
        }
        Register r;
        if (!ParseRegister(text, r)) return Fail("bad destination '" + text + "'");
        uint32_t bits = 0xF;
        if (!mask.empty()) {
            std::vector<int> comps;
            if (!Components(mask, comps)) return Fail("bad write mask '" + mask + "'");
            bits = 0;
            for (size_t i = 0; i < comps.size(); ++i) {
                if (i > 0 && comps[i] <= comps[i - 1]) return Fail("write mask out of order");
                bits |= 1u << comps[i];
            }
        }
        token = 0x80000000u | TypeBits(r.type) | r.index | bits << 16 | (saturate ? 1u << 20 : 0);
        if (reg) *reg = r;
        return true;
    }

    bool Source(std::string text, std::vector<uint32_t>& tokens) {
        uint32_t modifier = 0;
        if (!text.empty() && text[0] == '-') {
            modifier = 1;
            text.erase(0, 1);
            Trim(text);
        }
        std::string swizzle;
        size_t close = text.find(']');
        size_t dot = text.find('.', close == std::string::npos ? 0 : close);
        if (dot != std::string::npos) {
            swizzle = text.substr(dot + 1);
            text.erase(dot);
        }
        uint32_t sw = 0xE4;  // .xyzw
        if (!swizzle.empty()) {
            std::vector<int> comps;
            if (!Components(swizzle, comps)) return Fail("bad swizzle '" + swizzle + "'");
            while (comps.size() < 4) comps.push_back(comps.back());
            sw = 0;
            for (int i = 0; i < 4; ++i) sw |= uint32_t(comps[size_t(i)]) << (2 * i);
        }
        uint32_t token = 0x80000000u | sw << 16 | modifier << 24;
        size_t open = text.find('[');
        if (open != std::string::npos) {
            // c[a0.x + n]
            if (close == std::string::npos || text.substr(0, open) != "c") return Fail("bad relative operand");
            std::string inside = text.substr(open + 1, close - open - 1);
            inside.erase(std::remove_if(inside.begin(), inside.end(), ::isspace), inside.end());
            if (inside.rfind("a0.", 0) != 0 || inside.size() < 4) return Fail("relative addressing needs a0");
            std::vector<int> comp;
            if (!Components(inside.substr(3, 1), comp)) return Fail("bad address component");
            uint32_t offset = 0;
            if (inside.size() > 4) {
                if (inside[4] != '+') return Fail("bad relative offset");
                offset = uint32_t(std::stoul(inside.substr(5)));
            }
            if (offset >= 256) return Fail("constant out of range");
            token |= TypeBits(kConst) | offset | 1u << 13;
            tokens.push_back(token);
            if (ModelTwo()) tokens.push_back(0x80000000u | TypeBits(kAddr) | uint32_t(comp[0]) * 0x55u << 16);
            else if (comp[0] != 0) return Fail("vs_1_1 addresses with a0.x only");
            return true;
        }
        Register r;
        if (!ParseRegister(text, r)) return Fail("bad source '" + text + "'");
        tokens.push_back(token | TypeBits(r.type) | r.index);
        return true;
    }

    void Emit(uint32_t opcode, const std::vector<uint32_t>& operands) {
        uint32_t length = ModelTwo() ? uint32_t(operands.size()) << 24 : 0;
        out_.push_back(opcode | length);
        out_.insert(out_.end(), operands.begin(), operands.end());
    }

    bool Declaration(const std::string& op, const std::string& rest) {
        static const std::map<std::string, uint32_t> usages = {
            {"position", 0}, {"blendweight", 1}, {"blendindices", 2}, {"normal", 3}, {"psize", 4},
            {"texcoord", 5}, {"tangent", 6},     {"binormal", 7},     {"color", 10}, {"fog", 11}};
        uint32_t usage = 0x80000000u;
        std::string kind = op.size() > 4 ? op.substr(4) : "";
        if (kind == "2d") {
            usage |= 2u << 27;
        } else if (!kind.empty()) {
            size_t digits = kind.find_first_of("0123456789");
            uint32_t index = digits == std::string::npos ? 0 : uint32_t(std::stoul(kind.substr(digits)));
            auto it = usages.find(kind.substr(0, digits));
            if (it == usages.end()) return Fail("unknown declaration '" + op + "'");
            usage |= it->second | index << 16;
        }
        uint32_t dst;
        Register r;
        if (!Destination(rest, false, dst, &r)) return false;
        if (kind == "2d" ? r.type != kSampler : (r.type != kInput && r.type != kTexture))
            return Fail("declaration of the wrong register kind");
        Emit(31, {usage, dst});
        return true;
    }

    bool Define(const std::string& rest) {
        auto parts = Split(rest);
        if (parts.size() != 5) return Fail("def takes a register and four values");
        uint32_t dst;
        Register r;
        if (!Destination(parts[0], false, dst, &r) || r.type != kConst) return Fail("def needs a constant register");
        std::vector<uint32_t> operands = {dst};
        for (size_t i = 1; i < 5; ++i) {
            char* end = nullptr;
            float f = std::strtof(parts[i].c_str(), &end);
            if (!end || *end) return Fail("bad value '" + parts[i] + "'");
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            operands.push_back(bits);
        }
        Emit(81, operands);
        return true;
    }

    bool Instruction(std::string op, const std::string& rest) {
        bool saturate = false;
        if (op.size() > 4 && op.compare(op.size() - 4, 4, "_sat") == 0) {
            saturate = true;
            op.erase(op.size() - 4);
        }
        auto it = Opcodes().find(op);
        if (it == Opcodes().end()) return Fail("unknown instruction '" + op + "'");
        const OpInfo& info = it->second;
        bool pixelOnly = op == "texld" || op == "texldp" || op == "texkill" || op == "cmp" || op == "dp2add";
        if (pixelOnly != pixel_ && (op == "texld" || op == "texldp" || op == "texkill" || op == "mova"))
            return Fail("'" + op + "' does not belong to this shader kind");
        auto parts = Split(rest);
        if (int(parts.size()) != info.sources + (info.hasDest ? 1 : 0))
            return Fail("'" + op + "' takes " + std::to_string(info.sources + (info.hasDest ? 1 : 0)) + " operands");
        std::vector<uint32_t> operands;
        if (info.hasDest) {
            uint32_t dst;
            if (!Destination(parts[0], saturate, dst)) return false;
            operands.push_back(dst);
        }
        for (size_t i = info.hasDest ? 1 : 0; i < parts.size(); ++i)
            if (!Source(parts[i], operands)) return false;
        uint32_t code = info.code | (op == "texldp" ? 1u << 16 : 0);
        Emit(code, operands);
        return true;
    }

    std::vector<uint32_t>& out_;
    std::string& error_;
    int line_ = 0;
    uint32_t version_ = 0;
    bool pixel_ = false;
};

}  // namespace

bool Assemble(const std::string& source, std::vector<uint32_t>& tokens, std::string& error) {
    tokens.clear();
    Parser parser(tokens, error);
    std::istringstream in(source);
    std::string line;
    int number = 0;
    while (std::getline(in, line))
        if (!parser.Line(line, ++number)) {
            tokens.clear();
            return false;
        }
    if (!parser.Finish()) {
        tokens.clear();
        return false;
    }
    return true;
}

}  // namespace shaderasm
