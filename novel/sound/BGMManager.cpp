// Music tracks, looping effects, their fades and their saved records.
#include "novel/sound/BGMManager.h"

#include <cmath>
#include <cstring>

#include "engine/audio/SourceVoice.h"
#include "engine/audio/StreamingSourceVoice.h"
#include "novel/sound/VoiceSlot.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/vm/SaveIO.h"

namespace {

uint32_t FloatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

float BitsFloat(uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

// A volume numerator from the fade arithmetic or a saved record: what is not a number counts as
// silence, and values past the ends of the unsigned range are held at them (converting those is
// undefined).
uint32_t VolumeNumerator(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 4294967296.0f) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(v);
}

}  // namespace

void CDefoMusicInfo::Stop() {
    StopVoice();
    playing = 0;
    fadeFramesLeft = 0;
}

void CDefoMusicInfo::SetVolume(uint32_t n) {
    const float gain = CConfigDataManager::GetInstance()->GetVolume(static_cast<int32_t>(configIndex), maxVolumeIndex, n, 0x10000);
    if (SetGain(gain)) from = static_cast<float>(n);
}

void CDefoMusicInfo::Update() {
    if (!playing) return;
    if (fadeFramesLeft > 0) {
        fadePosition += fadeStep;
        --fadeFramesLeft;
        const float volume = ((fadeLength - fadePosition) * from + fadePosition * to) / fadeLength;
        // SetVolume moves "from"; the fade goes on from where it started.
        const float start = from;
        SetVolume(VolumeNumerator(volume));
        from = start;
        if (fadeFramesLeft == 0) {
            from = to;
            if (to == 0.0f) Stop();
        }
    } else {
        SetVolume(VolumeNumerator(from));
    }
}

void CDefoMusicInfo::FadeOut(uint32_t frames, uint32_t target) {
    fadeLength = static_cast<float>(frames);
    fadeFramesLeft = frames;
    fadePosition = 0.0f;
    fadeStep = 1.0f;
    to = static_cast<float>(target);
}

bool CDefoMusicInfo::IsVolumeOn() const {
    return CConfigDataManager::GetInstance()->IsConfigOn(static_cast<int32_t>(configIndex));
}

void CDefoMusicInfo::Save(USLib::binary_ostream<256>& out) const {
    const uint32_t fields[] = {loopCount,      startPosition,   loopStart,      playing,
                               FloatBits(fadeLength), FloatBits(fadePosition), FloatBits(fadeStep), fadeFramesLeft,
                               FloatBits(from), FloatBits(to),  configIndex,    maxVolumeIndex};
    for (uint32_t f : fields) SaveIO::WriteU32(out, f);
    SaveIO::WriteString(out, fileName);
}

void CDefoMusicInfo::Load(USLib::binary_istream& in, uint32_t) {
    loopCount = SaveIO::ReadU32(in);
    startPosition = SaveIO::ReadU32(in);
    loopStart = SaveIO::ReadU32(in);
    playing = SaveIO::ReadU32(in);
    fadeLength = BitsFloat(SaveIO::ReadU32(in));
    fadePosition = BitsFloat(SaveIO::ReadU32(in));
    fadeStep = BitsFloat(SaveIO::ReadU32(in));
    fadeFramesLeft = SaveIO::ReadU32(in);
    from = BitsFloat(SaveIO::ReadU32(in));
    to = BitsFloat(SaveIO::ReadU32(in));
    configIndex = SaveIO::ReadU32(in);
    maxVolumeIndex = SaveIO::ReadU32(in);
    const std::string name = SaveIO::ReadString(in);
    // A record this program did not write may hold any bits: volumes become numbers in range, and a
    // fade whose length is below one frame or whose steps are not numbers is dropped (its arithmetic would divide by
    // zero or by what is not a number).
    from = static_cast<float>(VolumeNumerator(from));
    to = static_cast<float>(VolumeNumerator(to));
    if (!(fadeLength >= 1.0f && std::isfinite(fadeLength) && std::isfinite(fadePosition) && std::isfinite(fadeStep)))
        fadeFramesLeft = 0;
    if (!name.empty()) LoadSound(name.c_str());
}

void CDefoMusicInfo::Resume() {
    if (!playing) {
        Stop();
        return;
    }
    if (fadeFramesLeft > 0) {
        if (to == 0.0f) {
            Stop();
        } else {
            Play(loopCount, startPosition, loopStart, VolumeNumerator(to));
        }
        fadeFramesLeft = 0;
        from = to;
    } else {
        Play(loopCount, startPosition, loopStart, 0x10000);
    }
}

void CDefoMusicInfo::Started(uint32_t count, uint32_t start, uint32_t loopFrom) {
    loopCount = count;
    startPosition = start;
    loopStart = loopFrom;
    playing = 1;
    fadeFramesLeft = 0;
}

// Music: a streaming voice.

void CBGMInfo::Release() {
    CDefoMusicInfo::Release();
    USXAudio2::StreamingSourceVoice::GetManager().Release(handle);
    fileName.clear();
}

void CBGMInfo::Play(uint32_t count, uint32_t start, uint32_t loopFrom, uint32_t n) {
    USXAudio2::StreamingSourceVoice* voice = GetStreamingSourceVoice(handle);
    if (!voice) {
        playing = 0;
        return;
    }
    SetVolume(n);
    voice->Play(count, start, loopFrom, 0);
    Started(count, start, loopFrom);
}

bool CBGMInfo::LoadSound(const char* name) {
    return ReplaceVoice<USXAudio2::StreamingSourceVoice>(handle, fileName, name, CreateStreamingSourceVoice);
}

bool CBGMInfo::SetGain(float gain) {
    USXAudio2::StreamingSourceVoice* voice = GetStreamingSourceVoice(handle);
    if (voice) voice->SetVolume(gain, 0);
    return voice != nullptr;
}

void CBGMInfo::StopVoice() {
    if (USXAudio2::StreamingSourceVoice* voice = GetStreamingSourceVoice(handle)) voice->Stop();
}

// Looping effects: a whole sound played endlessly.

void CLoopSEInfo::Release() {
    CDefoMusicInfo::Release();
    USXAudio2::SourceVoice::GetManager().Release(handle);
    fileName.clear();
}

void CLoopSEInfo::Play(uint32_t count, uint32_t start, uint32_t loopFrom, uint32_t n) {
    USXAudio2::SourceVoice* voice = GetSourceVoice(handle);
    if (!voice) return;
    SetVolume(n);
    voice->Play(0);
    Started(count, start, loopFrom);
}

bool CLoopSEInfo::LoadSound(const char* name) {
    return ReplaceVoice<USXAudio2::SourceVoice>(handle, fileName, name, CreateSourceVoice);
}

bool CLoopSEInfo::SetGain(float gain) {
    USXAudio2::SourceVoice* voice = GetSourceVoice(handle);
    if (voice) voice->SetVolume(gain, 0);
    return voice != nullptr;
}

void CLoopSEInfo::StopVoice() {
    if (USXAudio2::SourceVoice* voice = GetSourceVoice(handle)) voice->Stop();
}

// The managers.

void CBGMManager::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, current_);
    for (const CBGMInfo& track : tracks_) track.Save(out);
}

void CBGMManager::Load(USLib::binary_istream& in, uint32_t version) {
    current_ = SaveIO::ReadU32(in) ? 1 : 0;
    for (CBGMInfo& track : tracks_) track.Load(in, version);
}

void CBGMManager::EndLoad() {
    for (CBGMInfo& track : tracks_) track.Resume();
}

void CBGMManager::Update() {
    for (CBGMInfo& track : tracks_) track.Update();
}

void CBGMManager::StopAll() {
    for (CBGMInfo& track : tracks_) track.Stop();
}

void CLoopSEManager::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, kChannels);
    for (const CLoopSEInfo& channel : channels_) channel.Save(out);
}

void CLoopSEManager::Load(USLib::binary_istream& in, uint32_t version) {
    SaveIO::ReadU32(in);
    for (CLoopSEInfo& channel : channels_) channel.Load(in, version);
}

void CLoopSEManager::EndLoad() {
    for (CLoopSEInfo& channel : channels_) channel.Resume();
}

void CLoopSEManager::Update() {
    for (CLoopSEInfo& channel : channels_) channel.Update();
}

bool CLoopSEManager::LoadChannel(uint32_t channel, const char* name) {
    CLoopSEInfo* info = GetChannel(channel);
    return info && info->LoadSound(name);
}

void CLoopSEManager::StopAll() {
    for (CLoopSEInfo& channel : channels_) channel.Stop();
}
