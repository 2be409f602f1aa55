// One-shot sound effects (saved as "SE"): channels that load a sound and play it once at the end of the
// frame in which it was requested, however often it was requested in that frame.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/audio/USXAudio2.h"
#include "engine/util/USSingleton.h"
#include "novel/state/SavedObject.h"

class CSEInfo {
public:
    CSEInfo() = default;
    CSEInfo(const CSEInfo&) = delete;
    CSEInfo& operator=(const CSEInfo&) = delete;
    virtual ~CSEInfo() { Release(); }
    virtual void Release();
    // A new voice for the file; on failure the old voice and name stay.
    virtual bool Load(const char* fileName);
    virtual void ClearRequests() { pending = 0; }
    virtual void RequestPlay(uint32_t config, uint32_t maxVolume) {
        ++pending;
        configIndex = config;
        maxVolumeIndex = maxVolume;
    }
    virtual void Stop();
    // Plays once from the start when requested and the configuration value is on (master volume not
    // applied).
    virtual void Update();

    std::string fileName;
    USXAudio2::SourceVoiceHandle handle;
    uint32_t pending = 0;
    uint32_t configIndex = 0;
    uint32_t maxVolumeIndex = 0;
};

class CSEManager : public ISavedObject<_tagSaveData> {
public:
    CSEManager() { Register("SE", 0); }
    static CSEManager* GetInstance() { return CUSSingleton<CSEManager>::GetInstance(); }
    // u32 count, then per channel the file name, a zero byte, the configuration and max-volume indexes.
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;

    virtual void FreeChannels() { channels_.clear(); }
    virtual void AllocChannels(uint32_t count);
    virtual void ClearRequests();
    // Channels outside the allocated ones are ignored.
    virtual void PlaySE(uint32_t channel, const char* fileName, uint32_t config, uint32_t maxVolume);
    virtual void LoadSEBuffer(uint32_t channel, const char* fileName);
    virtual void PlaySEBuffer(uint32_t channel, uint32_t config, uint32_t maxVolume);
    virtual void StopSE(uint32_t channel);
    virtual void Update();
    virtual void StopAll();

    uint32_t GetCount() const { return static_cast<uint32_t>(channels_.size()); }
    CSEInfo* GetChannel(uint32_t channel) { return channel < channels_.size() ? channels_[channel].get() : nullptr; }

private:
    std::vector<std::unique_ptr<CSEInfo>> channels_;
    bool requested_ = false;  // a channel may have a request since the last ClearRequests
};
