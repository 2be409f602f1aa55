// The current message's voice clip.
#include "novel/sound/VoiceBuffer.h"

#include <windows.h>

#include "engine/audio/SourceVoice.h"
#include "novel/state/ConfigDataManager.h"

CVoiceBuffer::~CVoiceBuffer() {
    USXAudio2::SourceVoice::GetManager().Release(handle_);
    fileName_.clear();
}

void CVoiceBuffer::Clear() {
    fileName_.clear();
    lengthMsec_ = lengthFrames_ = 0;
    loaded_ = 0;
}

bool CVoiceBuffer::Load(const char* name) {
    if (!name || !*name) {
        Clear();
        return false;
    }
    if (fileName_ == name) {
        loaded_ = 1;
        return true;
    }
    USXAudio2::SourceVoice* voice = GetSourceVoice(handle_);
    bool ok;
    if (voice) {
        ok = voice->Setup(name) >= 0;
    } else {
        ok = CreateSourceVoice(&handle_, name) != 0;
        voice = GetSourceVoice(handle_);
    }
    if (!ok || !voice) {
        Clear();
        return false;
    }
    lengthMsec_ = voice->GetLengthMsec();
    lengthFrames_ = lengthMsec_ / 16;
    loaded_ = 1;
    fileName_ = name;
    return true;
}

void CVoiceBuffer::Play(uint32_t n, uint32_t d) {
    USXAudio2::SourceVoice* voice = GetSourceVoice(handle_);
    if (!loaded_ || !voice) return;
    voice->SetVolume(CConfigDataManager::GetInstance()->GetVolume(CFG_VOLUME_VOICE, MAX_VOL_INDEX_VOICE, n, d), 0);
    voice->Play(1);
    startTime_ = timeGetTime();
    playing_ = 1;
}

void CVoiceBuffer::Stop() {
    if (USXAudio2::SourceVoice* voice = GetSourceVoice(handle_)) voice->Stop();
    playing_ = 0;
}

bool CVoiceBuffer::IsPlaying() const { return playing_ && timeGetTime() - startTime_ <= lengthMsec_; }
