// The novel machine's direction and choice opcodes: the parameter block handed to the next direction,
// starting and stopping one-shot and resident directions, and the items of a choice.
#include "novel/novel/NovelSystem.h"
#include "novel/vm/VCPUNovel.h"

namespace {

CASRendererDirManager& Directions() { return CNovelSystem::GetInstance()->GetDirections(); }
CAlternativeManager& Choices() { return CNovelSystem::GetInstance()->GetChoices(); }

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

// Choices: a new choice with its script, its items, the clearing of the items and the time-out.
void CVCPUNovel::OpBeginChoices() {
    const char* script = ReadString();
    Choices().Reset();
    Choices().LoadScript(script);
    CNovelSystem::GetInstance()->SetNormalMode();
}

void CVCPUNovel::OpAddChoice() {
    const float x = cursor_.ReadFloat();
    const float y = cursor_.ReadFloat();
    const float z = cursor_.ReadFloat();
    const uint32_t source = cursor_.ReadInt();
    const uint32_t value = cursor_.ReadInt();
    const float left = cursor_.ReadFloat();
    const float top = cursor_.ReadFloat();
    const float width = cursor_.ReadFloat();
    const float height = cursor_.ReadFloat();
    for (uint32_t i = 0; i < CBaseAltNode::kCreateParamCount; ++i) Choices().SetCreateParam(i, cursor_.ReadInt());
    Choices().AddChoice(x, y, z, source, value, left, top, width, height);
}

void CVCPUNovel::OpClearChoices() { Choices().DeleteNodes(); }

void CVCPUNovel::OpSetChoiceTimeOut() {
    const int32_t frames = static_cast<int32_t>(cursor_.ReadInt());
    const uint32_t value = cursor_.ReadInt();
    Choices().SetTimeOut(frames);
    Choices().SetDefaultValue(value);
}
