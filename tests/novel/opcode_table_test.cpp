// The opcode table and the machines' registration agree: every registered opcode is in the table for
// that machine, and its handler consumes exactly the operand words the table gives. The author's guide
// lists the same instructions.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "support/ScratchDir.h"
#include "novel/vm/VCOpcodes.h"
#include "novel/vm/VCPUNovel.h"
#include "novel/vm/VCPUSceneManager.h"
#include "support/ScenarioCode.h"

namespace {

// Runs one instruction whose operands all point at harmless places: every jump or call target is the
// instruction's end, the table holds that end, strings are empty, floats 0, V operands immediate 0.
uint32_t OperandBytesConsumed(CBaseAppVCPU& machine, const VCOpcodes::Info& info) {
    uint32_t end = 4 * (1 + VCOpcodes::OperandWords(info.operands));
    uint32_t table = end + 4;   // after the yield
    uint32_t string = table + 4;
    std::vector<uint32_t> words = {info.opcode};
    for (char k : info.operands) {
        switch (k) {
            case 'T': words.push_back(table); break;
            case 'N': words.push_back(1); break;
            case 'S':
            case 'P': words.push_back(string); break;
            case 'F': words.push_back(0); break;
            case 'V': words.insert(words.end(), {0, 0}); break;
            default: words.push_back(end); break;
        }
    }
    words.insert(words.end(), {0, end, 0});
    machine.SetCode(CVirtualCode::CreateFromBytes("table.bin", words.data(), uint32_t(words.size() * 4)));
    machine.JumpTo(0);
    machine.Push(static_cast<int32_t>(end));
    machine.Push(static_cast<int32_t>(end));
    machine.Execute(machine.GetCursor().ReadInt());
    return machine.GetCursor().GetPosition();
}

void CheckMachine(CBaseAppVCPU& machine, VCOpcodes::Machine which) {
    for (uint32_t op = 0; op < CBaseAppVCPU::kOpcodeCount; ++op) {
        if (machine.IsRegistered(op)) {
            EXPECT_NE(VCOpcodes::Find(op, which), nullptr) << "opcode " << op;
        }
    }
    for (const VCOpcodes::Info& info : VCOpcodes::All()) {
        if (!(info.machines & which) || !machine.IsRegistered(info.opcode)) continue;
        if (info.opcode == 5) continue;  // a return needs a call before it
        EXPECT_EQ(OperandBytesConsumed(machine, info), 4 * (1 + VCOpcodes::OperandWords(info.operands)))
            << info.name;
    }
}

TEST(OpcodeTable, NovelMachineMatchesTheTable) {
    // Every instruction runs, those that write files too (the configuration file): in a scratch folder.
    ScratchDir dir;
    dir.OpenLog();
    testsupport::ResetGameState();
    CVCPUNovel machine;
    CheckMachine(machine, VCOpcodes::kNovel);
    // The opcodes of text, voice and game state, and every base opcode, are registered.
    for (uint32_t op : {0u, 43u, 61u, 64u, 65u, 87u, 94u, 96u, 99u, 112u, 142u}) EXPECT_TRUE(machine.IsRegistered(op)) << op;
}

TEST(OpcodeTable, SceneMachineMatchesTheTable) {
    ScratchDir dir;
    dir.OpenLog();
    testsupport::ResetGameState();
    CVCPUSceneManager machine;
    CheckMachine(machine, VCOpcodes::kScene);
    EXPECT_TRUE(machine.IsRegistered(44));
    EXPECT_TRUE(machine.IsRegistered(45));
    EXPECT_FALSE(machine.IsRegistered(46));
}

TEST(OpcodeTable, NamesAreUniquePerMachine) {
    for (VCOpcodes::Machine m : {VCOpcodes::kScene, VCOpcodes::kNovel}) {
        for (const VCOpcodes::Info& info : VCOpcodes::All()) {
            if (info.machines & m) {
                EXPECT_EQ(VCOpcodes::FindByName(info.name, m), &info) << info.name;
            }
        }
    }
}

// Every row of the guide's instruction table ("| 88 | `LoadSingleTexture` | I P | novel |"), in order,
// is the table's entry: the guide cannot drift from what the assembler and the machines know.
TEST(OpcodeTable, TheAuthorsGuideListsEveryInstruction) {
    std::ifstream guide(MARLOWE_TEST_DATA_DIR "/../../docs/authoring.md");
    ASSERT_TRUE(guide) << "docs/authoring.md";
    const std::regex row(R"(^\| (\d+) \| `(\w+)` \| ([A-Z ]+|—) \| (both|scene|novel) \|$)");
    std::vector<std::string> listed, table;
    for (std::string line; std::getline(guide, line);) {
        std::smatch m;
        if (!std::regex_match(line, m, row)) continue;
        std::string operands = m[3] == "—" ? "" : std::regex_replace(m[3].str(), std::regex(" "), "");
        listed.push_back(m[1].str() + " " + m[2].str() + " " + operands + " " + m[4].str());
    }
    for (const VCOpcodes::Info& info : VCOpcodes::All()) {
        const char* machines = info.machines == VCOpcodes::kBoth ? "both" : info.machines == VCOpcodes::kScene ? "scene" : "novel";
        table.push_back(std::to_string(info.opcode) + " " + std::string(info.name) + " " + std::string(info.operands) +
                        " " + machines);
    }
    EXPECT_EQ(listed, table);
}

}  // namespace
