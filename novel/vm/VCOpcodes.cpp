// The scenario opcode table shared by the machines and the assembler.
#include "novel/vm/VCOpcodes.h"

#include <cctype>

namespace VCOpcodes {
namespace {

constexpr Info kTable[] = {
    {0, "Yield", "", kBoth},
    {1, "SetResult", "I", kBoth},
    {2, "Wait", "I", kBoth},
    {3, "Jump", "I", kBoth},
    {4, "Call", "I", kBoth},
    {5, "Return", "", kBoth},
    {6, "ErrorReport", "SIS", kBoth},
    {7, "Print", "S", kBoth},
    {8, "DropReturn", "", kBoth},
    {9, "SwitchJump", "TNV", kBoth},
    {10, "SwitchCall", "TNV", kBoth},
    {11, "RunSubCode", "P", kBoth},
    {12, "EndSubCode", "", kBoth},
    {13, "ClearStack", "", kBoth},
    {14, "Push", "V", kBoth},
    {15, "PopTo", "V", kBoth},
    {16, "Add", "", kBoth},
    {17, "Sub", "", kBoth},
    {18, "Mul", "", kBoth},
    {19, "Div", "", kBoth},
    {20, "Mod", "", kBoth},
    {21, "And", "", kBoth},
    {22, "Or", "", kBoth},
    {23, "Xor", "", kBoth},
    {24, "Neg", "", kBoth},
    {25, "Not", "", kBoth},
    {26, "LogicalNot", "", kBoth},
    {27, "Less", "", kBoth},
    {28, "LessEqual", "", kBoth},
    {29, "Greater", "", kBoth},
    {30, "GreaterEqual", "", kBoth},
    {31, "JumpIfTrue", "I", kBoth},
    {32, "JumpIfFalse", "I", kBoth},
    {33, "JumpPop", "", kBoth},
    {34, "CallPop", "", kBoth},
    {35, "PushTableValue", "TNV", kBoth},
    {36, "PlaySE", "IPII", kBoth},
    {37, "StopSE", "I", kBoth},
    {38, "StopAllSE", "", kBoth},
    {39, "LoadSE", "IP", kBoth},
    {40, "PlayLoadedSE", "III", kBoth},
    {41, "ShellOpen", "S", kBoth},
    {42, "LeaveFullScreen", "", kBoth},
    {43, "JumpIfFileExists", "SI", kBoth},
    // Scene code.
    {44, "SetSceneEntry", "I", kScene},
    {45, "SetRestartEntry", "I", kScene},
    // Novel code: music and looping effects.
    {44, "LoadBGM", "P", kNovel},
    {45, "PlayBGM", "IIIIIII", kNovel},
    {46, "StopBGM", "I", kNovel},
    {47, "SwapBGM", "", kNovel},
    {48, "FadeOutBGM", "II", kNovel},
    {49, "FadeInBGM", "II", kNovel},
    {50, "LoadLoopSE", "IP", kNovel},
    {51, "PlayLoopSE", "IIII", kNovel},
    {52, "StopLoopSE", "I", kNovel},
    {53, "FadeOutLoopSE", "II", kNovel},
    {54, "FadeInLoopSE", "II", kNovel},
    {55, "Nothing55", "", kNovel},
    {56, "SkipFloats56", "FF", kNovel},
    {57, "SkipFloats57", "FF", kNovel},
    {58, "SkipFloats58", "FF", kNovel},
    {59, "Nothing59", "", kNovel},
    {60, "Nothing60", "", kNovel},
    // Novel code: waits, interrupt, menu commands, game state.
    {61, "SetWaitFrames", "I", kNovel},
    {62, "SetWaitFlags", "I", kNovel},
    {63, "SetInterrupt", "I", kNovel},
    {64, "ClearInterrupt", "", kNovel},
    {65, "ClearInterrupt2", "", kNovel},
    {66, "SendCommand", "I", kNovel},
    {67, "SetDialog1", "S", kNovel},
    {68, "DisableDialog1", "", kNovel},
    {69, "SetDialog2", "S", kNovel},
    {70, "DisableDialog2", "", kNovel},
    {71, "SetDialog3", "S", kNovel},
    {72, "DisableDialog3", "", kNovel},
    {73, "SetFeatureMask", "I", kNovel},
    {74, "ExitGame", "", kNovel},
    {75, "ReturnGameStart", "", kNovel},
    {76, "CancelModes", "I", kNovel},
    {77, "SaveConfig", "", kNovel},
    {78, "SetCodeReaded", "", kNovel},
    {79, "JumpIfCodeReaded", "SI", kNovel},
    {80, "JumpIfCodeNotReaded", "SI", kNovel},
    {81, "ClearMessageLog", "", kNovel},
    {82, "ClearSnapPicture", "", kNovel},
    {83, "SetSnapPicture", "S", kNovel},
    {84, "OpenUIWindow", "IPFFFI", kNovel},
    {85, "CloseUIWindow", "I", kNovel},
    {86, "SetUIWindowPosition", "IFFF", kNovel},
    {87, "SetDialogScriptName", "S", kNovel},
    // Novel code: render sources.
    {88, "LoadSingleTexture", "IP", kNovel},
    {89, "LoadSingleTextureAt", "IPFF", kNovel},
    {90, "LoadSingleTextureParts", "IPP", kNovel},
    {91, "LoadPartsTexture", "IPP", kNovel},
    {92, "LoadMesh", "IPP", kNovel},
    {93, "LoadXMesh", "IPP", kNovel},
    {94, "SetCGShown", "S", kNovel},
    {95, "JumpIfCGShown", "SI", kNovel},
    {96, "JumpIfCGNotShown", "SI", kNovel},
    {97, "SwapSingleTexture", "II", kNovel},
    {98, "SwapRenderingBuffer", "II", kNovel},
    // Novel code: text and voice.
    {99, "Message", "SSPS", kNovel},
    {100, "ClearMessage", "", kNovel},
    {101, "SkipWord", "I", kNovel},
    {102, "SetMessageNumber", "I", kNovel},
    {103, "SetMessageReaded", "", kNovel},
    {104, "JumpIfMessageReaded", "II", kNovel},
    {105, "JumpIfMessageNotReaded", "II", kNovel},
    {106, "SetTextBufferString", "ISI", kNovel},
    {107, "ClearTextBuffer", "I", kNovel},
    {108, "SetTextBufferRenderingCharCnt", "II", kNovel},
    {109, "AddTextBufferRenderingCharCnt", "I", kNovel},
    {110, "SetTextBufferAllRendering", "I", kNovel},
    {111, "PlayVoice", "SP", kNovel},
    {112, "StopVoice", "", kNovel},
    // Novel code: renderers, directions, choices, Puppet models.
    {113, "SetSource", "II", kNovel},
    {114, "SetRegistTable", "II", kNovel},
    {115, "SetRendering", "II", kNovel},
    {116, "SetPosition", "IFFF", kNovel},
    {117, "SetScale", "IFFF", kNovel},
    {118, "SetRoll", "IFFF", kNovel},
    {119, "SetColor", "IFFFF", kNovel},
    {120, "SetBlendRenderState", "II", kNovel},
    {121, "SetPatNo", "II", kNovel},
    {122, "ClearDirectionParams", "", kNovel},
    {123, "PushDirectionIntParam", "I", kNovel},
    {124, "PushDirectionFloatParam", "F", kNovel},
    {125, "RunDirection", "P", kNovel},
    {126, "StopAllDirections", "", kNovel},
    {127, "RunResidentDirection", "IP", kNovel},
    {128, "StopResidentDirection", "I", kNovel},
    {129, "BeginChoices", "S", kNovel},
    {130, "AddChoice", "FFFIIFFFFIIII", kNovel},
    {131, "ClearChoices", "", kNovel},
    {132, "SetChoiceTimeOut", "II", kNovel},
    {133, "LoadPuppetModel", "IP", kNovel},
    {134, "AddTexturePuppetModel", "IP", kNovel},
    {135, "AddMotionPuppetModel", "IP", kNovel},
    {136, "SetMotionPuppetModel", "IIP", kNovel},
    {137, "BeginMotionPuppet", "II", kNovel},
    {138, "DisableMotionQueuePuppet", "II", kNovel},
    {139, "PushMotionPuppet", "II", kNovel},
    {140, "PushLoopMotionPuppet", "II", kNovel},
    {141, "SwapPuppetModel", "II", kNovel},
    {142, "SetMovieName", "P", kNovel},
};

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

std::span<const Info> All() { return kTable; }

const Info* Find(uint16_t opcode, Machine machine) {
    for (const Info& info : kTable) {
        if (info.opcode == opcode && (info.machines & machine)) return &info;
    }
    return nullptr;
}

const Info* FindByName(std::string_view name, Machine machine) {
    for (const Info& info : kTable) {
        if ((info.machines & machine) && SameName(info.name, name)) return &info;
    }
    return nullptr;
}

uint32_t OperandWords(std::string_view operands) {
    uint32_t words = 0;
    for (char c : operands) words += (c == 'V') ? 2 : 1;
    return words;
}

}  // namespace VCOpcodes
