// Test support for scenario code.
#include "support/ScenarioCode.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "novel/novel/NovelSystem.h"
#include "tools/vnasm/Assembler.h"

namespace testsupport {

std::vector<uint8_t> Bytes(const std::string& source, bool scene) {
    vnasm::Output out = vnasm::Assemble(source, scene ? VCOpcodes::kScene : VCOpcodes::kNovel);
    for (const std::string& e : out.errors) ADD_FAILURE() << e;
    return out.code;
}

VirtualCodePtr Code(const std::string& source, const std::string& name, bool scene) {
    std::vector<uint8_t> bytes = Bytes(source, scene);
    return CVirtualCode::CreateFromBytes(name, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

uint32_t RunSlice(CBaseAppVCPU& machine) {
    uint32_t result = machine.Run();
    while (machine.IsSliceCut()) result = machine.Run();
    return result;
}

uint32_t RunNovel(const std::string& source) {
    CVCPUNovel& machine = CNovelSystem::GetInstance()->GetMachine();
    machine.SetCode(Code(source + "\n Yield\n"));
    machine.JumpTo(0);
    return RunSlice(machine);
}

void ResetNovelMachine() {
    CVCPUNovel& machine = CNovelSystem::GetInstance()->GetMachine();
    machine.GetCursor().ReleaseDelegate();
    machine.SetCode(nullptr);
}

std::vector<uint8_t> BuiltFile(const std::string& path) {
    std::ifstream in(std::string(MARLOWE_BINARY_DIR) + "/" + path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace testsupport
