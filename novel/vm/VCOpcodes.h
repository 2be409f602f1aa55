// The one table of scenario opcodes: number, mnemonic, operand layout and the machines that have it.
// The assembler encodes instructions from it and the machines' registration is checked against it.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace VCOpcodes {

// Machines that know an opcode (bits).
enum Machine : uint8_t { kScene = 1, kNovel = 2, kBoth = 3 };

// The mode word of a V operand: what its value word names.
enum OperandMode : uint32_t {
    kOperandImmediate = 0,  // the value itself
    kOperandCodeWord = 1,   // the code word at that byte offset (read only)
    kOperandParam = 2,      // that game parameter
    kOperandConfig = 3,     // that configuration value
};

// Operand layout letters, one per operand in fetch order:
//   I one word, F one IEEE single, S the byte offset of a NUL-terminated string in the same code,
//   P a string as S that names a file the game reads (a Windows-style path; empty for none),
//   V a mode word and a value word, T the byte offset of a word table, N its entry count.
struct Info {
    uint16_t opcode;
    std::string_view name;
    std::string_view operands;
    uint8_t machines;
};

// Every opcode of both machines, in opcode order (scene and novel entries of 44 and 45 both listed).
std::span<const Info> All();

// The entry of an opcode for a machine, or null.
const Info* Find(uint16_t opcode, Machine machine);

// The entry of a mnemonic (compared without regard to case) for a machine, or null.
const Info* FindByName(std::string_view name, Machine machine);

// Number of code words the operands of a layout take (V counts 2).
uint32_t OperandWords(std::string_view operands);

// Result codes that scenario code leaves with opcode 1 before a yield (novel scene and scene code).
enum Result : uint32_t {
    kResultNone = 0,
    kResultClickWait = 1,
    kResultTimedWait = 2,
    kResultRevealMessage = 3,
    kResultChoice = 4,
    kResultSceneEnd = 5,
    kResultLoad = 6,
    kResultEndInterrupt = 7,
    kResultOpenDialog = 8,
    kResultWaitDirections = 9,
    kResultPlayMovie = 10,
};

// The result code scene code leaves when the scene record named by opcode 44 is to start.
constexpr uint32_t kResultStartScene = 1;

// The kind word of a scene record.
enum SceneKind : uint32_t { kSceneNovel = 0, kSceneMovie = 1 };

}  // namespace VCOpcodes
