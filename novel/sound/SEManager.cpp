// One-shot effect channels and their saved record.
#include "novel/sound/SEManager.h"

#include "engine/audio/SourceVoice.h"
#include "novel/sound/VoiceSlot.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/vm/SaveIO.h"

void CSEInfo::Release() {
    USXAudio2::SourceVoice::GetManager().Release(handle);
    fileName.clear();
}

bool CSEInfo::Load(const char* name) {
    return ReplaceVoice<USXAudio2::SourceVoice>(handle, fileName, name, CreateSourceVoice);
}

void CSEInfo::Stop() {
    if (USXAudio2::SourceVoice* voice = GetSourceVoice(handle)) voice->Stop();
}

void CSEInfo::Update() {
    if (pending == 0) return;
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    if (!config->IsConfigOn(static_cast<int32_t>(configIndex))) return;
    USXAudio2::SourceVoice* voice = GetSourceVoice(handle);
    if (!voice) return;
    voice->SetVolume(config->GetVolume(static_cast<int32_t>(configIndex), maxVolumeIndex, 1, 1), 0);
    voice->Play(1);
}

void CSEManager::Save(USLib::binary_ostream<256>& out) {
    SaveIO::WriteU32(out, GetCount());
    for (const auto& channel : channels_) {
        SaveIO::WriteString(out, channel->fileName);
        SaveIO::WriteU32(out, channel->configIndex);
        SaveIO::WriteU32(out, channel->maxVolumeIndex);
    }
}

void CSEManager::Load(USLib::binary_istream& in, uint32_t) {
    const uint32_t count = SaveIO::ReadU32(in);
    // Every channel record takes at least nine bytes: a count beyond that is not a record of ours.
    if (count > (in.GetSize() - in.GetPosition()) / 9) throw USLib::stream_error("bad sound-effect record");
    AllocChannels(count);
    for (auto& channel : channels_) {
        const std::string name = SaveIO::ReadString(in);
        channel->configIndex = SaveIO::ReadU32(in);
        channel->maxVolumeIndex = SaveIO::ReadU32(in);
        if (!name.empty()) channel->Load(name.c_str());
    }
}

void CSEManager::AllocChannels(uint32_t count) {
    FreeChannels();
    for (uint32_t i = 0; i < count; ++i) channels_.push_back(std::make_unique<CSEInfo>());
}

// Requests reach channels only through PlaySE and PlaySEBuffer, which note it: a frame that requested
// nothing leaves the channels (64 objects of their own) alone, in the clearing as in the update.
void CSEManager::ClearRequests() {
    if (!requested_) return;
    for (auto& channel : channels_) channel->ClearRequests();
    requested_ = false;
}

void CSEManager::PlaySE(uint32_t channel, const char* name, uint32_t config, uint32_t maxVolume) {
    if (CSEInfo* info = GetChannel(channel)) {
        info->Load(name);
        info->RequestPlay(config, maxVolume);
        requested_ = true;
    }
}

void CSEManager::LoadSEBuffer(uint32_t channel, const char* name) {
    if (CSEInfo* info = GetChannel(channel)) info->Load(name);
}

void CSEManager::PlaySEBuffer(uint32_t channel, uint32_t config, uint32_t maxVolume) {
    if (CSEInfo* info = GetChannel(channel)) {
        info->RequestPlay(config, maxVolume);
        requested_ = true;
    }
}

void CSEManager::StopSE(uint32_t channel) {
    if (CSEInfo* info = GetChannel(channel)) info->Stop();
}

void CSEManager::Update() {
    if (!requested_) return;
    for (auto& channel : channels_) channel->Update();
}

void CSEManager::StopAll() {
    for (auto& channel : channels_) channel->Stop();
}
