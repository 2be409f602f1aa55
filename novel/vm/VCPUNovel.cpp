// The novel machine's opcodes 61-142 about text, voice, windows and game state.
#include "novel/vm/VCPUNovel.h"

#include "novel/novel/NovelSystem.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/SnapImage.h"
#include "novel/ui/UIScriptInterface.h"
#include "novel/vm/SaveIO.h"

CVCPUNovel::CVCPUNovel() {
    struct Entry {
        uint32_t opcode;
        void (CVCPUNovel::*handler)();
    };
    const Entry entries[] = {
        {61, &CVCPUNovel::OpSetWaitFrames},
        {62, &CVCPUNovel::OpSetWaitFlags},
        {63, &CVCPUNovel::OpSetInterrupt},
        {64, &CVCPUNovel::OpClearInterrupt},
        {65, &CVCPUNovel::OpClearInterrupt},
        {66, &CVCPUNovel::OpSendCommand},
        {67, &CVCPUNovel::OpSetDialog1},
        {68, &CVCPUNovel::OpDisableDialog1},
        {69, &CVCPUNovel::OpSetDialog2},
        {70, &CVCPUNovel::OpDisableDialog2},
        {71, &CVCPUNovel::OpSetDialog3},
        {72, &CVCPUNovel::OpDisableDialog3},
        {73, &CVCPUNovel::OpSetFeatureMask},
        {74, &CVCPUNovel::OpExitGame},
        {75, &CVCPUNovel::OpReturnGameStart},
        {76, &CVCPUNovel::OpCancelModes},
        {77, &CVCPUNovel::OpSaveConfig},
        {78, &CVCPUNovel::OpSetCodeReaded},
        {79, &CVCPUNovel::OpJumpIfCodeReaded},
        {80, &CVCPUNovel::OpJumpIfCodeNotReaded},
        {81, &CVCPUNovel::OpClearMessageLog},
        {82, &CVCPUNovel::OpClearSnapPicture},
        {83, &CVCPUNovel::OpSetSnapPicture},
        {84, &CVCPUNovel::OpOpenUIWindow},
        {85, &CVCPUNovel::OpCloseUIWindow},
        {86, &CVCPUNovel::OpSetUIWindowPosition},
        {87, &CVCPUNovel::OpSetDialogScriptName},
        {94, &CVCPUNovel::OpSetCGShown},
        {95, &CVCPUNovel::OpJumpIfCGShown},
        {96, &CVCPUNovel::OpJumpIfCGNotShown},
        {99, &CVCPUNovel::OpMessage},
        {100, &CVCPUNovel::OpClearMessage},
        {101, &CVCPUNovel::OpSkipWord},
        {102, &CVCPUNovel::OpSetMessageNumber},
        {103, &CVCPUNovel::OpSetMessageReaded},
        {104, &CVCPUNovel::OpJumpIfMessageReaded},
        {105, &CVCPUNovel::OpJumpIfMessageNotReaded},
        {106, &CVCPUNovel::OpSetTextBufferString},
        {107, &CVCPUNovel::OpClearTextBuffer},
        {108, &CVCPUNovel::OpSetTextBufferRenderingCharCnt},
        {109, &CVCPUNovel::OpAddTextBufferRenderingCharCnt},
        {110, &CVCPUNovel::OpSetTextBufferAllRendering},
        {111, &CVCPUNovel::OpPlayVoice},
        {112, &CVCPUNovel::OpStopVoice},
        {142, &CVCPUNovel::OpSetMovieName},
    };
    for (const Entry& e : entries) RegisterOpcode(e.opcode, static_cast<Handler>(e.handler));
    RegisterPictureOpcodes();
    RegisterDirectionOpcodes();
}

void CVCPUNovel::Save(USLib::binary_ostream<256>& out) {
    CBaseAppVCPU::Save(out);
    SaveIO::WriteU32(out, waitFrames_);
    SaveIO::WriteU32(out, messageNumber_);
    SaveIO::WriteU32(out, waitFlags_);
}

void CVCPUNovel::Load(USLib::binary_istream& in, uint32_t version) {
    CBaseAppVCPU::Load(in, version);
    waitFrames_ = SaveIO::ReadU32(in);
    messageNumber_ = SaveIO::ReadU32(in);
    waitFlags_ = SaveIO::ReadU32(in);
}

const std::string& CVCPUNovel::GetCurrentCodeName() const {
    // The cursor holds the code, so its name outlives this call: no copy is made each time the
    // waiting scene asks whether its message was read.
    static const std::string none;
    const VirtualCodePtr code = GetCurrentCode();
    return code ? code->GetName() : none;
}

static CNovelSystem& Novel() { return *CNovelSystem::GetInstance(); }
static CReadedFlagManager& Readed() { return CConfigDataManager::GetInstance()->GetReadedFlags(); }
static CCGShownFlagsManager& CGShown() { return CConfigDataManager::GetInstance()->GetCGShownFlags(); }

void CVCPUNovel::OpSetWaitFrames() { waitFrames_ = cursor_.ReadInt(); }
void CVCPUNovel::OpSetWaitFlags() { waitFlags_ = cursor_.ReadInt(); }
void CVCPUNovel::OpSetInterrupt() { cursor_.SetInterrupt(cursor_.ReadInt()); }
void CVCPUNovel::OpClearInterrupt() { cursor_.ClearInterrupt(); }
void CVCPUNovel::OpSendCommand() { Novel().SendCommand(static_cast<int32_t>(cursor_.ReadInt())); }
void CVCPUNovel::OpSetDialog1() { Novel().SetDialog(0, ReadString()); }
void CVCPUNovel::OpDisableDialog1() { Novel().DisableDialog(0); }
void CVCPUNovel::OpSetDialog2() { Novel().SetDialog(1, ReadString()); }
void CVCPUNovel::OpDisableDialog2() { Novel().DisableDialog(1); }
void CVCPUNovel::OpSetDialog3() { Novel().SetDialog(2, ReadString()); }
void CVCPUNovel::OpDisableDialog3() { Novel().DisableDialog(2); }
void CVCPUNovel::OpSetFeatureMask() { Novel().SetFeatureMask(cursor_.ReadInt()); }

void CVCPUNovel::OpExitGame() { ExitGame(); }

void CVCPUNovel::OpReturnGameStart() { ReturnGameStart(); }

void CVCPUNovel::OpCancelModes() {
    uint32_t mask = cursor_.ReadInt();
    uint32_t mode = Novel().GetMode();
    if (((mask & 1) && mode == CNovelSystem::kSkip) || ((mask & 2) && mode == CNovelSystem::kAuto)) {
        Novel().SetNormalMode();
    }
}

void CVCPUNovel::OpSaveConfig() { CConfigDataManager::SaveConfigFile(); }
void CVCPUNovel::OpSetCodeReaded() { Readed().SetReaded(GetCurrentCodeName()); }

void CVCPUNovel::OpJumpIfCodeReaded() {
    const char* name = ReadString();
    JumpIf(Readed().IsReaded(name), cursor_.ReadInt());
}

void CVCPUNovel::OpJumpIfCodeNotReaded() {
    const char* name = ReadString();
    JumpIf(!Readed().IsReaded(name), cursor_.ReadInt());
}

void CVCPUNovel::OpClearMessageLog() { CMessageLogManager::GetInstance()->Clear(); }

void CVCPUNovel::OpClearSnapPicture() { CSnapImage::GetInstance()->ClearFromFile(); }
void CVCPUNovel::OpSetSnapPicture() { CSnapImage::GetInstance()->CreateImage(ReadString()); }

// UI-window opcodes: operands decoded; the window manager takes them once it exists in this build.
void CVCPUNovel::OpOpenUIWindow() {
    const uint32_t id = cursor_.ReadInt();
    const std::string name = ReadString();
    const float x = cursor_.ReadFloat();
    const float y = cursor_.ReadFloat();
    const float z = cursor_.ReadFloat();
    const uint32_t layer = cursor_.ReadInt();
    Novel().GetWindowManager().OpenResidentWindow(id, name.c_str(), x, y, z, layer);
}

void CVCPUNovel::OpCloseUIWindow() { Novel().GetWindowManager().CloseWindow(cursor_.ReadInt()); }

void CVCPUNovel::OpSetUIWindowPosition() {
    const uint32_t id = cursor_.ReadInt();
    const float x = cursor_.ReadFloat();
    const float y = cursor_.ReadFloat();
    const float z = cursor_.ReadFloat();
    if (CUIWindow* window = Novel().GetWindowManager().FindWindow(id)) window->SetPosition(x, y, z);
}

void CVCPUNovel::OpSetDialogScriptName() { Novel().SetDialogScriptName(ReadString()); }
void CVCPUNovel::OpSetCGShown() { CGShown().SetShown(ReadString()); }

void CVCPUNovel::OpJumpIfCGShown() {
    const char* name = ReadString();
    JumpIf(CGShown().IsShown(name), cursor_.ReadInt());
}

void CVCPUNovel::OpJumpIfCGNotShown() {
    const char* name = ReadString();
    JumpIf(!CGShown().IsShown(name), cursor_.ReadInt());
}

void CVCPUNovel::OpMessage() {
    const char* name = ReadString();
    const char* voiceKey = ReadString();
    const char* voiceFile = ReadString();
    const char* text = ReadString();
    Novel().ShowMessage(text, voiceKey, name, voiceFile);
}

void CVCPUNovel::OpClearMessage() { Novel().ClearMessageWindow(); }
void CVCPUNovel::OpSkipWord() { cursor_.ReadInt(); }

void CVCPUNovel::OpSetMessageNumber() {
    messageNumber_ = cursor_.ReadInt();
    Novel().SetMessageCounter(messageNumber_);
}

void CVCPUNovel::OpSetMessageReaded() { Readed().SetMessageReaded(GetCurrentCodeName(), messageNumber_); }

void CVCPUNovel::OpJumpIfMessageReaded() {
    uint32_t n = cursor_.ReadInt();
    JumpIf(Readed().IsMessageReaded(GetCurrentCodeName(), n), cursor_.ReadInt());
}

void CVCPUNovel::OpJumpIfMessageNotReaded() {
    uint32_t n = cursor_.ReadInt();
    JumpIf(!Readed().IsMessageReaded(GetCurrentCodeName(), n), cursor_.ReadInt());
}

static CStringRenderTexture* TextBuffer(uint32_t index) { return Novel().GetTextBuffers().Get(index); }

// How SetTextBufferString breaks its text into lines: not at all, by the word-wrap rules alone, or as
// the message window does.
enum TextWrap : uint32_t { kWrapNone = 0, kWrapWords = 1, kWrapMessage = 2 };

void CVCPUNovel::OpSetTextBufferString() {
    uint32_t index = cursor_.ReadInt();
    const char* text = ReadString();
    uint32_t wrap = cursor_.ReadInt();
    CStringRenderTexture* buffer = TextBuffer(index);
    if (!buffer) return;
    buffer->CreateDC();
    buffer->ClearTexture();
    std::string shown;
    if (wrap == kWrapNone) shown = text;
    if (wrap == kWrapWords) shown = Novel().GetWordWrap().CWordWrapManager::WrapText(text);
    if (wrap == kWrapMessage) shown = Novel().WrapMessageText(text);
    buffer->SetString(shown.c_str(), 255, 255, 255);
    buffer->DeleteDC();
}

void CVCPUNovel::OpClearTextBuffer() {
    CStringRenderTexture* buffer = TextBuffer(cursor_.ReadInt());
    if (!buffer) return;
    buffer->CreateDC();
    buffer->ResetLayout();
    buffer->ClearTexture();
    buffer->DeleteDC();
}

void CVCPUNovel::OpSetTextBufferRenderingCharCnt() {
    uint32_t index = cursor_.ReadInt();
    uint32_t count = cursor_.ReadInt();
    if (CStringRenderTexture* buffer = TextBuffer(index)) buffer->SetRenderingCharCount(count);
}

void CVCPUNovel::OpAddTextBufferRenderingCharCnt() {
    if (CStringRenderTexture* buffer = TextBuffer(cursor_.ReadInt())) buffer->AddRenderingCharCount();
}

void CVCPUNovel::OpSetTextBufferAllRendering() {
    if (CStringRenderTexture* buffer = TextBuffer(cursor_.ReadInt())) buffer->SetAllRendering();
}

void CVCPUNovel::OpPlayVoice() {
    const char* voiceKey = ReadString();
    Novel().PlayVoice(voiceKey, ReadString());
}

void CVCPUNovel::OpStopVoice() { Novel().StopVoice(); }
void CVCPUNovel::OpSetMovieName() { Novel().SetMovieName(ReadString()); }
