// The novel system's messages, modes, commands and saved record.
#include "novel/novel/NovelSystem.h"

#include <cstring>

#include "engine/input/VirtualInputDevice.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/SaveDataManager.h"
#include "novel/vm/SaveIO.h"

bool CNovelSystem::LoadScenario(const std::string& name) {
    VirtualCodePtr code = CVirtualCode::Create(name);
    if (!code) return false;
    // A scenario that ended inside a called code file must not leave the new one below it.
    machine_.GetCursor().ReleaseDelegate();
    machine_.SetCode(std::move(code));
    machine_.JumpTo(0);
    messageCounter_ = 0;
    scenarioName_ = name;
    return true;
}

void CNovelSystem::ShowMessage(const char* text, const char* voiceKey, const char* name, const char* voiceFile) {
    std::string wrapped = *name ? WrapMessageText(text) : std::string(wordWrap_.CWordWrapManager::WrapText(text));
    uint32_t n = static_cast<uint32_t>(wrapped.size() / 2) * CConfigDataManager::GetInstance()->GetCharDrawInterval();
    SetAutoWait(n);
    CMessageLogManager::GetInstance()->Add(name, voiceKey, wrapped.c_str(), voiceFile);
    SetMessageText(wrapped.c_str(), name);
    PlayVoice(voiceKey, voiceFile);
}

void CNovelSystem::SetWordWrap(int32_t a, int32_t b, bool flag) {
    wordWrap_.SetLineWidth(2 * a);
    wordWrap_.SetPullBackLimit(static_cast<unsigned>(2 * (a + b)));
    indent_ = flag;
}

std::string CNovelSystem::WrapMessageText(const char* text) {
    return indent_ ? wordWrap_.WrapText(text) : wordWrap_.CWordWrapManager::WrapText(text);
}

void CNovelSystem::SetAutoWait(uint32_t n) {
    uint32_t w = n + CConfigDataManager::GetInstance()->GetAutoModeWaitFrame();
    if (w < 10) w = 10;
    if (static_cast<int32_t>(w) > countdown_) countdown_ = static_cast<int32_t>(w);
}

void CNovelSystem::SendCommand(int32_t command) {
    switch (command) {
        case kCommandSkip: SetSkipMode(); break;
        case kCommandAuto: SetAutoMode(); break;
        case kCommandOpenLog: SetPendingCommand(kRequestLog); break;
        case kCommandReplayVoice: ReplayLogVoice(); break;
        case kCommandOpenDialog1: SetPendingCommand(kRequestDialog1); break;
        case kCommandPictureView: SetPendingCommand(kRequestPictureView); break;
        case kCommandOpenDialog2: SetPendingCommand(kRequestDialog2); break;
        case kCommandOpenDialog3: SetPendingCommand(kRequestDialog3); break;
        case kCommandScrollLogUp: CMessageLogManager::GetInstance()->Scroll(-1); break;
        case kCommandScrollLogDown: CMessageLogManager::GetInstance()->Scroll(+1); break;
        default: break;
    }
}

void CNovelSystem::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, resumeCode_);
    SaveIO::WriteU32(out, messageCounter_);
    SaveIO::WriteString(out, scenarioName_);
    SaveIO::WriteU32(out, featureMask_);
    for (const Dialog& d : dialogs_) {
        SaveIO::WriteString(out, d.name);
        uint8_t enabled = d.enabled ? 1 : 0;
        out.Write(&enabled, 1);
    }
    machine_.Save(out);
    renderers_.Save(out);
    sources_.Save(out);
    directions_.Save(out);
    choices_.Save(out);
}

void CNovelSystem::Load(USLib::binary_istream& in, uint32_t version) {
    resumeCode_ = SaveIO::ReadU32(in);
    messageCounter_ = SaveIO::ReadU32(in);
    scenarioName_ = SaveIO::ReadString(in);
    featureMask_ = SaveIO::ReadU32(in);
    for (Dialog& d : dialogs_) {
        d.name = SaveIO::ReadString(in);
        uint8_t enabled = 0;
        SaveIO::ReadBytes(in, &enabled, 1);
        d.enabled = enabled != 0;
    }
    machine_.Load(in, version);
    renderers_.Load(in, version);
    sources_.Load(in, version);
    directions_.Load(in, version);
    // Saves of format 1 were written before choices were kept: no choice was showing.
    if (version >= kSaveFormatChoices) {
        choices_.Load(in, version);
    } else {
        choices_.Reset();
    }
}

void CNovelSystem::EndLoad() {
    renderers_.RestoreAll();
    SetNormalMode();
    if (const CMessageLogManager::LogInfo* newest = CMessageLogManager::GetInstance()->GetEntry(0))
        SetMessageText(newest->text.c_str(), newest->name.c_str());
    else
        ClearMessageWindow();
    RevealAll();
}

void CNovelSystem::ClearMessageWindow() {
    for (uint32_t index : {messageBuffer_, nameBuffer_}) {
        CStringRenderTexture* buffer = textBuffers_.Get(index);
        if (!buffer) continue;
        buffer->CreateDC();
        buffer->ResetLayout();
        buffer->ClearTexture();
        buffer->DeleteDC();
    }
}

void CNovelSystem::SetMessageText(const char* text, const char* name) {
    if (CStringRenderTexture* buffer = textBuffers_.Get(messageBuffer_)) {
        buffer->CreateDC();
        buffer->ClearTexture();
        buffer->SetString(text, 255, 255, 255);
        buffer->DeleteDC();
        buffer->SetRenderingCharCount(1);
    }
    if (CStringRenderTexture* buffer = textBuffers_.Get(nameBuffer_)) {
        buffer->CreateDC();
        buffer->ClearTexture();
        buffer->SetString(name, 255, 255, 255);
        buffer->DeleteDC();
        buffer->SetAllRendering();
    }
}

bool CNovelSystem::RevealNextChar() {
    CStringRenderTexture* buffer = textBuffers_.Get(messageBuffer_);
    return buffer && buffer->AddRenderingCharCount();
}

bool CNovelSystem::GetRenderBufferPass(uint32_t i, uint32_t* layer, uint32_t* index) const {
    if (i >= renderBufferPasses_.size()) return false;
    *layer = renderBufferPasses_[i].first;
    *index = renderBufferPasses_[i].second;
    return true;
}

bool CNovelSystem::IsSkipPermitted() {
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    return config->GetConfigValue(CFG_ENABLE_FAST_SKIP) != 0 ||
           config->GetReadedFlags().IsMessageReaded(machine_.GetCurrentCodeName(), messageCounter_);
}

// Asked every frame of a wait: the read-flag lookup behind the permission is made only when skipping is
// asked for (the skip mode, or Ctrl held), since without that the answer is no either way.
bool CNovelSystem::IsSkipAllowed() {
    if (mode_ != kSkip && !CUSSingleton<CVirtualInputDevice>::GetInstance()->IsCtrl()) return false;
    if (!IsSkipPermitted()) {
        if (mode_ == kSkip) SetNormalMode();
        return false;
    }
    return true;
}

bool CNovelSystem::IsMessageDone() {
    if (IsSkipAllowed()) return true;
    switch (mode_) {
        case kNormal: return CUSSingleton<CVirtualInputDevice>::GetInstance()->IsNext();
        case kAuto: return countdown_ == 0;
        default: return true;
    }
}

bool CNovelSystem::IsTimedWaitDone() { return (machine_.GetWaitFlags() & 1) && IsSkipAllowed(); }

bool CNovelSystem::IsDirectionWaitDone() {
    if (IsTimedWaitDone()) return true;
    return CUSSingleton<CVirtualInputDevice>::GetInstance()->IsNext() || !directions_.IsDirectionRunning();
}

void CNovelSystem::PlayVoiceAs(const CCharacterInfo& speaker) {
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    voice_.Play(static_cast<uint32_t>(config->GetConfigValue(static_cast<int32_t>(speaker.volumeIndex))),
                static_cast<uint32_t>(static_cast<int32_t>(config->GetMaxVolume(speaker.maxVolumeIndex))));
}

void CNovelSystem::PlayVoice(const char* voiceKey, const char* voiceFile) {
    const CCharacterInfo& speaker = characters_.Find(voiceKey);
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    if (config->GetConfigValue(static_cast<int32_t>(speaker.voiceSwitchIndex)) != 1) return;
    if (config->GetConfigValue(static_cast<int32_t>(speaker.volumeIndex)) <= 0) return;
    if (!voice_.Load(voiceFile)) return;
    PlayVoiceAs(speaker);
    SetAutoWait(voice_.GetLengthFrames());
}

void CNovelSystem::ReplayLogVoice() {
    const CMessageLogManager::LogInfo* newest = CMessageLogManager::GetInstance()->GetEntry(0);
    if (!newest || newest->voiceFile.empty()) return;
    const CCharacterInfo& speaker = characters_.Find(newest->voiceKey);
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    if (config->GetConfigValue(static_cast<int32_t>(speaker.voiceSwitchIndex)) != 1) return;
    if (config->GetConfigValue(static_cast<int32_t>(speaker.volumeIndex)) <= 0) return;
    if (voice_.Load(newest->voiceFile.c_str())) PlayVoiceAs(speaker);
}

void CNovelSystem::PlayLogRowVoice(int32_t row) {
    const CMessageLogManager::LogInfo* entry = CMessageLogManager::GetInstance()->GetRowEntry(row);
    if (!entry || !voice_.Load(entry->voiceFile.c_str())) return;
    PlayVoiceAs(characters_.Find(entry->voiceKey));
}

void CNovelSystem::ApplyFeatureMask(uint32_t bits) {
    uint32_t m = bits & featureMask_;
    if (!IsSkipPermitted()) m &= ~kFeatureSkip;
    CUIWindow* bar = windowManager_.FindWindow(0);
    if (!bar) return;
    for (uint32_t i = 0; i < 32; ++i) bar->EnableControl(i, (m >> i) & 1);
}

void CNovelSystem::SetupSceneServices() {
    renderers_.DeleteAll();
    windowManager_.Initialize();
    // The layers these passes drew belonged to the previous scene's render process.
    renderBufferPasses_.clear();
    pending_ = kRequestNone;
}
