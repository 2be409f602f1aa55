// The novel machine's direction and choice opcodes: the parameter block handed to the next direction,
// starting and stopping one-shot and resident directions, and the items of a choice.
#include "engine/util/USLogManager.h"
#include "novel/novel/NovelSystem.h"
#include "novel/vm/VCPUNovel.h"

namespace {

CASRendererDirManager& Directions() { return CNovelSystem::GetInstance()->GetDirections(); }

}  // namespace

void CVCPUNovel::RegisterDirectionOpcodes() {
    struct Entry {
        uint32_t opcode;
        void (CVCPUNovel::*handler)();
    };
    const Entry entries[] = {
        {122, &CVCPUNovel::OpClearDirectionParams}, {123, &CVCPUNovel::OpPushDirectionIntParam},
        {124, &CVCPUNovel::OpPushDirectionFloatParam}, {125, &CVCPUNovel::OpRunDirection},
        {126, &CVCPUNovel::OpStopAllDirections},    {127, &CVCPUNovel::OpRunResidentDirection},
        {128, &CVCPUNovel::OpStopResidentDirection}, {129, &CVCPUNovel::OpBeginChoices},
        {130, &CVCPUNovel::OpAddChoice},            {131, &CVCPUNovel::OpClearChoices},
        {132, &CVCPUNovel::OpSetChoiceTimeOut},
    };
    for (const Entry& e : entries) RegisterOpcode(e.opcode, static_cast<Handler>(e.handler));
}

void CVCPUNovel::OpClearDirectionParams() { Directions().ClearParams(); }

void CVCPUNovel::OpPushDirectionIntParam() { Directions().AddIntParam(static_cast<int32_t>(cursor_.ReadInt())); }

void CVCPUNovel::OpPushDirectionFloatParam() { Directions().AddFloatParam(cursor_.ReadFloat()); }

void CVCPUNovel::OpRunDirection() { Directions().RunDirection(ReadString()); }

void CVCPUNovel::OpStopAllDirections() { Directions().EndAllDirections(); }

void CVCPUNovel::OpRunResidentDirection() {
    uint32_t slot = cursor_.ReadInt();
    const char* name = ReadString();
    Directions().StartResidentDirection(slot, name);
}

void CVCPUNovel::OpStopResidentDirection() { Directions().StopResidentDirection(cursor_.ReadInt()); }

// Choices: the operands are taken so that the code after them runs as written; the choice itself
// is not shown by this build, and the log says so.
void CVCPUNovel::OpBeginChoices() {
    const char* script = ReadString();
    US_LOG("choice [%s]: choices cannot be shown; the scenario goes on\n", script);
}

void CVCPUNovel::OpAddChoice() {
    for (int i = 0; i < 13; ++i) cursor_.ReadInt();
}

void CVCPUNovel::OpClearChoices() {}

void CVCPUNovel::OpSetChoiceTimeOut() {
    cursor_.ReadInt();
    cursor_.ReadInt();
}
