// The scenario assembler: text source -> code file of 32-bit little-endian words.
//
// One instruction a line: a mnemonic of the opcode table and its operands separated by commas.
//   label:                      a byte offset in the code (may precede an instruction on the line)
//   .machine scene | novel      which machine's opcode set the following lines use (default: novel)
//   .word a, b, ...             raw words: numbers, labels, symbols or "strings" (their pooled offset)
//   .float 1.5, ...             raw IEEE singles
//   .include "file"             the lines of another source (labels are shared)
//   msg "name", "voice key", "voice file", "text"   (novel) a numbered message that is revealed,
//                               then waits for a click: 102 n, 99 ..., 103, 1 3, 0, 1 1, 0; n counts
//                               the msg lines from 0
//   ; comment                   to the end of the line
// Operands: I/T/N a number, label or symbol; F a number; S a "string" (UTF-8 in the source, stored as
// CP932 in a pool after the code, 4-aligned and shared); P a "string" naming a file; V a number, label
// or symbol (immediate), [x] (the code word at offset x), param[x] (game parameter x) or cfg[x]
// (configuration value x).
// Strings take the escapes \n, \" and \\; any other backslash stands for itself.
// Warnings (the code is still made): a line break inside a file name ("scenario\next.bin"), and a msg
// whose number an earlier message of the source already had (the two would share one read mark).
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "novel/vm/VCOpcodes.h"

namespace vnasm {

struct Output {
    std::vector<uint8_t> code;
    std::vector<std::string> errors;    // "line N: message" ("file line N: ..." inside included files)
    std::vector<std::string> warnings;  // as errors
    // The files the code names (UTF-8, as written): every non-empty P operand, and .word strings that
    // look like paths (scene records); in source order, each once.
    std::vector<std::string> files;
    bool Ok() const { return errors.empty(); }
};

// The text of an included file, or nothing when it cannot be read.
using IncludeReader = std::function<std::optional<std::string>(const std::string& name)>;

Output Assemble(std::string_view source, VCOpcodes::Machine machine = VCOpcodes::kNovel,
                const IncludeReader& reader = nullptr);

}  // namespace vnasm
