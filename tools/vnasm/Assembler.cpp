// The scenario assembler: parses the source into 32-bit cells (numbers, label and string references),
// lays out the string pool after the code and resolves the references.
#include "tools/vnasm/Assembler.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdlib>
#include <map>
#include <optional>

#include "novel/state/ConfigDataManager.h"
#include "win32/codepage.h"

namespace vnasm {
namespace {

struct Cell {
    enum Kind { kNumber, kLabel, kString } kind = kNumber;
    uint32_t value = 0;  // number, or index of the string in the pool
    std::string label;
    std::string where;
};

const std::map<std::string, uint32_t, std::less<>>& Symbols() {
    static const std::map<std::string, uint32_t, std::less<>> symbols = {
        {"RESULT_NONE", VCOpcodes::kResultNone},
        {"RESULT_CLICK_WAIT", VCOpcodes::kResultClickWait},
        {"RESULT_TIMED_WAIT", VCOpcodes::kResultTimedWait},
        {"RESULT_REVEAL_MESSAGE", VCOpcodes::kResultRevealMessage},
        {"RESULT_CHOICE", VCOpcodes::kResultChoice},
        {"RESULT_SCENE_END", VCOpcodes::kResultSceneEnd},
        {"RESULT_LOAD", VCOpcodes::kResultLoad},
        {"RESULT_END_INTERRUPT", VCOpcodes::kResultEndInterrupt},
        {"RESULT_OPEN_DIALOG", VCOpcodes::kResultOpenDialog},
        {"RESULT_WAIT_DIRECTIONS", VCOpcodes::kResultWaitDirections},
        {"RESULT_PLAY_MOVIE", VCOpcodes::kResultPlayMovie},
        {"RESULT_START_SCENE", VCOpcodes::kResultStartScene},
        {"SCENE_NOVEL", VCOpcodes::kSceneNovel},
        {"SCENE_MOVIE", VCOpcodes::kSceneMovie},
        {"CFG_MASTER_VOLUME", CFG_MASTER_VOLUME},
        {"CFG_VOLUME_BGM", CFG_VOLUME_BGM},
        {"CFG_VOLUME_SE", CFG_VOLUME_SE},
        {"CFG_VOLUME_VOICE", CFG_VOLUME_VOICE},
        {"CFG_CHAR_DRAW_INTERVAL", CFG_CHAR_DRAW_INTERVAL},
        {"CFG_AUTOMODE_WAIT_FRAME", CFG_AUTOMODE_WAIT_FRAME},
        {"CFG_ENABLE_FAST_SKIP", CFG_ENABLE_FAST_SKIP},
        {"CFG_STOP_VOICE", CFG_STOP_VOICE},
        {"USER_CFG_INDEX", USER_CFG_INDEX},
        {"MAX_VOL_INDEX_MASTER", MAX_VOL_INDEX_MASTER},
        {"MAX_VOL_INDEX_BGM", MAX_VOL_INDEX_BGM},
        {"MAX_VOL_INDEX_SE", MAX_VOL_INDEX_SE},
        {"MAX_VOL_INDEX_VOICE", MAX_VOL_INDEX_VOICE},
        {"USER_MAX_VOLUME", USER_MAX_VOLUME},
    };
    return symbols;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }
bool IsIdent(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.'; }

// A text that reads as a file name: no spaces, a backslash between folders, and an extension.
bool LooksLikePath(std::string_view s) {
    for (char c : s)
        if (std::isspace(static_cast<unsigned char>(c))) return false;
    const size_t dot = s.rfind('.');
    if (s.find('\\') == std::string_view::npos || dot == std::string_view::npos || dot + 1 == s.size()) return false;
    if (s.size() - dot - 1 > 4) return false;
    for (char c : s.substr(dot + 1))
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

// What a string literal stands for where it is written.
enum class StringUse { kText, kPath, kWord };

class Assembler {
public:
    Assembler(VCOpcodes::Machine machine, const IncludeReader& reader) : machine_(machine), reader_(reader) {}

    Output Run(std::string_view source) {
        Source(source, "");
        return Finish();
    }

private:
    static constexpr int kMaxIncludeDepth = 8;

    void Source(std::string_view source, const std::string& file) {
        int lineNo = 0;
        while (!source.empty()) {
            size_t end = source.find('\n');
            std::string_view line = source.substr(0, end);
            source = end == std::string_view::npos ? std::string_view() : source.substr(end + 1);
            where_ = (file.empty() ? "" : file + " ") + "line " + std::to_string(++lineNo);
            Line(line);
        }
    }

    void Include(const std::vector<std::string_view>& ops) {
        if (ops.size() != 1 || ops[0].size() < 2 || ops[0].front() != '"' || ops[0].back() != '"') {
            return Error(".include takes a file name in quotes");
        }
        std::string name(ops[0].substr(1, ops[0].size() - 2));
        if (includeDepth_ >= kMaxIncludeDepth) return Error(".include nested too deeply: " + name);
        std::optional<std::string> text = reader_ ? reader_(name) : std::nullopt;
        if (!text) return Error("cannot read " + name);
        std::string where = where_;
        ++includeDepth_;
        Source(*text, name);
        --includeDepth_;
        where_ = where;
    }

    void Error(const std::string& message) { out_.errors.push_back(where_ + ": " + message); }
    void Warning(const std::string& message) { out_.warnings.push_back(where_ + ": " + message); }

    uint32_t Here() const { return static_cast<uint32_t>(cells_.size() * 4); }

    void Emit(uint32_t v) { cells_.push_back({Cell::kNumber, v, {}, where_}); }

    // Splits at commas outside string literals; drops a comment that starts outside one.
    static std::vector<std::string_view> SplitOperands(std::string_view s, bool& unterminated) {
        std::vector<std::string_view> parts;
        unterminated = false;
        size_t start = 0;
        bool quoted = false;
        for (size_t i = 0; i < s.size(); ++i) {
            char c = s[i];
            if (quoted) {
                if (c == '\\') ++i;
                else if (c == '"') quoted = false;
            } else if (c == '"') {
                quoted = true;
            } else if (c == ',') {
                parts.push_back(Trim(s.substr(start, i - start)));
                start = i + 1;
            }
        }
        unterminated = quoted;
        std::string_view last = Trim(s.substr(start));
        if (!last.empty() || !parts.empty()) parts.push_back(last);
        return parts;
    }

    static std::string_view StripComment(std::string_view s) {
        bool quoted = false;
        for (size_t i = 0; i < s.size(); ++i) {
            if (quoted) {
                if (s[i] == '\\') ++i;
                else if (s[i] == '"') quoted = false;
            } else if (s[i] == '"') {
                quoted = true;
            } else if (s[i] == ';') {
                return s.substr(0, i);
            }
        }
        return s;
    }

    void Line(std::string_view line) {
        line = Trim(StripComment(line));
        // Labels.
        while (!line.empty() && IsIdentStart(line[0])) {
            size_t n = 0;
            while (n < line.size() && IsIdent(line[n])) ++n;
            if (n < line.size() && line[n] == ':') {
                std::string name(line.substr(0, n));
                if (!labels_.emplace(name, Here()).second) Error("label '" + name + "' defined twice");
                line = Trim(line.substr(n + 1));
            } else {
                break;
            }
        }
        if (line.empty()) return;
        size_t n = 0;
        while (n < line.size() && !std::isspace(static_cast<unsigned char>(line[n]))) ++n;
        std::string_view word = line.substr(0, n);
        bool unterminated = false;
        std::vector<std::string_view> ops = SplitOperands(line.substr(n), unterminated);
        if (unterminated) return Error("string not terminated");
        if (word == ".machine") return Machine(ops);
        if (word == ".include") return Include(ops);
        if (word == ".word") {
            for (std::string_view op : ops) Word(op, true);
            return;
        }
        if (word == ".float") {
            for (std::string_view op : ops) Float(op);
            return;
        }
        if (word == "msg") return Message(ops);
        const VCOpcodes::Info* info = VCOpcodes::FindByName(word, machine_);
        if (!info) return Error("unknown instruction '" + std::string(word) + "' for this machine");
        if (ops.size() != info->operands.size()) {
            return Error(std::string(info->name) + " takes " + std::to_string(info->operands.size()) + " operands");
        }
        Emit(info->opcode);
        for (size_t i = 0; i < ops.size(); ++i) Operand(info->operands[i], ops[i]);
        if (info->name == "SetMessageNumber" && cells_.back().kind == Cell::kNumber) {
            NoteMessageNumber(cells_.back().value);
        }
    }

    // Remembers the highest message number given so far, the read marks already taken.
    void NoteMessageNumber(uint32_t n) {
        if (!highestMessage_ || n > *highestMessage_) highestMessage_ = n;
    }

    void Machine(const std::vector<std::string_view>& ops) {
        if (ops.size() == 1 && ops[0] == "scene") machine_ = VCOpcodes::kScene;
        else if (ops.size() == 1 && ops[0] == "novel") machine_ = VCOpcodes::kNovel;
        else Error(".machine takes scene or novel");
    }

    void Message(const std::vector<std::string_view>& ops) {
        if (machine_ != VCOpcodes::kNovel) return Error("msg is a novel instruction");
        if (ops.size() != 4) return Error("msg takes name, voice key, voice file and text");
        const uint32_t number = messageNumber_++;
        if (highestMessage_ && number <= *highestMessage_ && !warnedNumbering_) {
            warnedNumbering_ = true;
            Warning("msg numbers this line " + std::to_string(number) + " though message " +
                    std::to_string(*highestMessage_) +
                    " came before: the lines share read marks, and skipping passes the new ones as read "
                    "(number every line with msg, or every line with SetMessageNumber)");
        }
        NoteMessageNumber(number);
        Emit(102);
        Emit(number);
        Emit(99);
        // The operands are those of Message: texts, and the voice's file name.
        const std::string_view layout = VCOpcodes::FindByName("Message", VCOpcodes::kNovel)->operands;
        for (size_t i = 0; i < ops.size(); ++i) Operand(layout[i], ops[i]);
        for (uint32_t w : {103u, 1u, uint32_t(VCOpcodes::kResultRevealMessage), 0u, 1u,
                           uint32_t(VCOpcodes::kResultClickWait), 0u}) {
            Emit(w);
        }
    }

    void Operand(char kind, std::string_view op) {
        switch (kind) {
            case 'S':
            case 'P':
                if (op.empty() || op[0] != '"') return Error("string expected: " + std::string(op));
                return String(op, kind == 'P' ? StringUse::kPath : StringUse::kText);
            case 'F': return Float(op);
            case 'V': return Variable(op);
            default:
                if (!op.empty() && op[0] == '"') return Error("number or label expected: " + std::string(op));
                return Word(op, false);
        }
    }

    void Variable(std::string_view op) {
        auto inner = [&](std::string_view prefix) -> std::optional<std::string_view> {
            if (op.size() > prefix.size() + 1 && op.substr(0, prefix.size()) == prefix && op[prefix.size()] == '[' &&
                op.back() == ']') {
                return Trim(op.substr(prefix.size() + 1, op.size() - prefix.size() - 2));
            }
            return std::nullopt;
        };
        if (auto x = inner("param")) {
            Emit(VCOpcodes::kOperandParam);
            return Word(*x, false);
        }
        if (auto x = inner("cfg")) {
            Emit(VCOpcodes::kOperandConfig);
            return Word(*x, false);
        }
        if (auto x = inner("")) {
            Emit(VCOpcodes::kOperandCodeWord);
            return Word(*x, false);
        }
        Emit(VCOpcodes::kOperandImmediate);
        Word(op, false);
    }

    void Float(std::string_view op) {
        std::string text(op);
        char* end = nullptr;
        float f = std::strtof(text.c_str(), &end);
        if (text.empty() || *end) return Error("number expected: " + text);
        Emit(std::bit_cast<uint32_t>(f));
    }

    void Word(std::string_view op, bool allowString) {
        if (op.empty()) return Error("operand missing");
        if (op[0] == '"') {
            if (!allowString) return Error("number or label expected: " + std::string(op));
            return String(op, StringUse::kWord);
        }
        if (IsIdentStart(op[0])) {
            for (char c : op) {
                if (!IsIdent(c)) return Error("bad name: " + std::string(op));
            }
            auto sym = Symbols().find(op);
            if (sym != Symbols().end()) return Emit(sym->second);
            cells_.push_back({Cell::kLabel, 0, std::string(op), where_});
            return;
        }
        std::string text(op);
        char* end = nullptr;
        errno = 0;
        long long v = std::strtoll(text.c_str(), &end, 0);
        if (*end || errno || v < INT32_MIN || v > UINT32_MAX) return Error("number expected: " + text);
        Emit(static_cast<uint32_t>(v));
    }

    void String(std::string_view op, StringUse use) {
        // op is a whole literal: a quote, the text, a quote.
        if (op.size() < 2 || op.back() != '"') return Error("bad string: " + std::string(op));
        const std::string_view written = op.substr(1, op.size() - 2);
        std::string utf8;
        bool lineBreak = false;
        for (size_t i = 1; i + 1 < op.size(); ++i) {
            char c = op[i];
            // \n, \" and \\ are escapes; any other backslash is kept (paths use it).
            if (c == '\\' && i + 2 < op.size() && (op[i + 1] == 'n' || op[i + 1] == '"' || op[i + 1] == '\\')) {
                char e = op[++i];
                lineBreak = lineBreak || e == 'n';
                c = e == 'n' ? '\n' : e;
            }
            utf8.push_back(c);
        }
        // A folder or file whose name starts with n after a backslash: "scenario\next.bin".
        if (lineBreak && (use == StringUse::kPath || LooksLikePath(written))) {
            Warning("file name " + std::string(op) + " holds a line break (\\n); write \\\\ for a backslash before n");
        }
        if ((use == StringUse::kPath && !utf8.empty()) || (use == StringUse::kWord && LooksLikePath(utf8))) {
            NoteFile(utf8);
        }
        std::string cp932;
        if (!win32::Utf8ToCp932(utf8, cp932)) return Error("text has characters without a CP932 code: " + utf8);
        auto it = pool_.find(cp932);
        uint32_t index = it != pool_.end() ? it->second : static_cast<uint32_t>(strings_.size());
        if (it == pool_.end()) {
            pool_.emplace(cp932, index);
            strings_.push_back(cp932);
        }
        cells_.push_back({Cell::kString, index, {}, where_});
    }

    void NoteFile(const std::string& name) {
        if (std::find(out_.files.begin(), out_.files.end(), name) == out_.files.end()) out_.files.push_back(name);
    }

    Output Finish() {
        std::vector<uint32_t> offsets;
        uint32_t at = Here();
        for (const std::string& s : strings_) {
            offsets.push_back(at);
            at += static_cast<uint32_t>((s.size() + 1 + 3) & ~size_t(3));
        }
        out_.code.assign(at, 0);
        for (size_t i = 0; i < cells_.size(); ++i) {
            const Cell& c = cells_[i];
            uint32_t v = c.value;
            if (c.kind == Cell::kString) v = offsets[c.value];
            if (c.kind == Cell::kLabel) {
                auto it = labels_.find(c.label);
                if (it == labels_.end()) {
                    where_ = c.where;
                    Error("unknown label or symbol '" + c.label + "'");
                    continue;
                }
                v = it->second;
            }
            for (int b = 0; b < 4; ++b) out_.code[i * 4 + b] = static_cast<uint8_t>(v >> (8 * b));
        }
        for (size_t i = 0; i < strings_.size(); ++i) {
            std::copy(strings_[i].begin(), strings_[i].end(), out_.code.begin() + offsets[i]);
        }
        if (!out_.Ok()) out_.code.clear();
        return std::move(out_);
    }

    VCOpcodes::Machine machine_;
    const IncludeReader& reader_;
    int includeDepth_ = 0;
    std::string where_;
    uint32_t messageNumber_ = 0;
    std::optional<uint32_t> highestMessage_;
    bool warnedNumbering_ = false;
    std::vector<Cell> cells_;
    std::map<std::string, uint32_t> labels_;
    std::map<std::string, uint32_t> pool_;
    std::vector<std::string> strings_;
    Output out_;
};

}  // namespace

Output Assemble(std::string_view source, VCOpcodes::Machine machine, const IncludeReader& reader) {
    return Assembler(machine, reader).Run(source);
}

}  // namespace vnasm
