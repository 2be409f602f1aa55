// The whole-sound voice: one buffer of the loader's PCM, submitted with the loop count on every play.
#include "engine/audio/SourceVoice.h"

#include <windows.h>

namespace USXAudio2 {

void DefoSourceVoice::SetReady(ISoundLoader& loader) {
    ready_ = 1;
    lengthMsec_ = loader.GetLengthMsec();
    avgBytesPerSec_ = loader.GetWaveFormat()->nAvgBytesPerSec;
}

SourceVoice::SourceVoice() : callback_(std::make_unique<XAudio2VoiceCallback<SourceVoice>>(this)) {}

SourceVoice::~SourceVoice() { Destroy(); }

void SourceVoice::Destroy() {
    Stop();
    if (sourceVoice_) {
        sourceVoice_->FlushSourceBuffers();
        for (;;) {
            XAUDIO2_VOICE_STATE state{};
            sourceVoice_->GetState(&state);
            if (state.BuffersQueued == 0) break;
            Sleep(10);
        }
        sourceVoice_->DestroyVoice();
        sourceVoice_ = nullptr;
    }
    ready_ = 0;
    state_ = kStateNone;
}

HRESULT SourceVoice::CreateVoice(const char* name) {
    IXAudio2* engine = GetXAudio2();
    if (!engine) return E_FAIL;
    HRESULT hr = engine->CreateSourceVoice(&sourceVoice_, loader_->GetWaveFormat(), 0, XAUDIO2_DEFAULT_FREQ_RATIO,
                                           nullptr, nullptr, nullptr);
    if (FAILED(hr)) {
        sourceVoice_ = nullptr;
        loader_.reset();
        return hr;
    }
    SetReady(*loader_);
    name_ = name;
    return S_OK;
}

HRESULT SourceVoice::Setup(const char* filename) {
    Destroy();
    loader_ = CreateSoundLoader(filename);
    if (!loader_ || !loader_->Load(filename)) {
        loader_.reset();
        return E_FAIL;
    }
    return CreateVoice(filename);
}

HRESULT SourceVoice::SetupShared(SourceVoice* otherVoice) {
    Destroy();
    if (!otherVoice || !otherVoice->loader_) return E_FAIL;
    loader_ = otherVoice->loader_;
    return CreateVoice(otherVoice->name_.c_str());
}

int SourceVoice::Play(int loopCount) {
    Stop();
    if (!sourceVoice_ || !loader_) return 0;
    XAUDIO2_BUFFER buffer{};
    buffer.Flags = XAUDIO2_END_OF_STREAM;
    buffer.AudioBytes = loader_->GetDataSize();
    buffer.pAudioData = loader_->GetData();
    // Counts beyond what one buffer can loop play as often as it can.
    buffer.LoopCount = loopCount >= 1 ? std::min<UINT32>(static_cast<UINT32>(loopCount) - 1, XAUDIO2_MAX_LOOP_COUNT)
                                      : XAUDIO2_LOOP_INFINITE;
    buffer.pContext = this;
    if (FAILED(sourceVoice_->SubmitSourceBuffer(&buffer, nullptr))) {
        sourceVoice_->DestroyVoice();
        sourceVoice_ = nullptr;
        ready_ = 0;
        return 0;
    }
    if (FAILED(sourceVoice_->Start(0, XAUDIO2_COMMIT_NOW))) return 0;
    state_ = kStatePlaying;
    return 1;
}

int SourceVoice::Stop() {
    if (!sourceVoice_) return 0;
    if (FAILED(sourceVoice_->Stop(0, XAUDIO2_COMMIT_NOW))) return 0;
    sourceVoice_->FlushSourceBuffers();
    state_ = kStateStopped;
    return 1;
}

}  // namespace USXAudio2
