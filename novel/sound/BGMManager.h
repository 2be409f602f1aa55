// Background music on two streaming tracks that can cross-fade (saved as "BGM") and sixteen looping
// sound-effect channels (saved as "LoopSE"): what plays, at which volume, and fades counted in frames.
#pragma once
#include <cstdint>
#include <string>

#include "engine/audio/USXAudio2.h"
#include "engine/util/USSingleton.h"
#include "novel/state/SavedObject.h"

// One music track or looping effect. Volumes are numerators over 0x10000 (the full configured volume
// of the track's kind).
class CDefoMusicInfo {
public:
    CDefoMusicInfo() = default;
    CDefoMusicInfo(const CDefoMusicInfo&) = delete;
    CDefoMusicInfo& operator=(const CDefoMusicInfo&) = delete;
    virtual ~CDefoMusicInfo() = default;
    virtual void Release() { playing = 0; }
    virtual void Stop();
    // Endless, from the start, at volume n.
    virtual void PlayDefault(uint32_t n) { Play(0, 0, 0, n); }
    virtual void Play(uint32_t loopCount, uint32_t startPosition, uint32_t loopStart, uint32_t n) = 0;
    // The voice's gain from the configured volume scaled by n / 0x10000; n becomes the current volume.
    virtual void SetVolume(uint32_t n);
    // One frame: a running fade moves toward its target (a fade to 0 stops the track at its end);
    // otherwise the current volume is applied again, so a change of configuration is heard at once.
    virtual void Update();
    // Starts a fade of that many frames toward target.
    virtual void FadeOut(uint32_t frames, uint32_t target);
    virtual void FadeIn(uint32_t frames, uint32_t target) { FadeOut(frames, target); }
    virtual bool IsVolumeOn() const;
    // Twelve u32 fields (floats as their bits), then the file name and a zero byte.
    virtual void Save(USLib::binary_ostream<256>& out) const;
    // Reads the record; a named sound is loaded again.
    virtual void Load(USLib::binary_istream& in, uint32_t version);
    // After a load: a playing track starts again from its start position, at its fade's target.
    virtual void Resume();
    // A new voice for the file; on failure the old voice and name stay.
    virtual bool LoadSound(const char* fileName) = 0;

    uint32_t loopCount = 0;
    uint32_t startPosition = 0;
    uint32_t loopStart = 0;
    uint32_t playing = 0;
    float fadeLength = 1.0f;
    float fadePosition = 0.0f;
    float fadeStep = 0.0f;
    uint32_t fadeFramesLeft = 0;
    float from = 0.0f;
    float to = 0.0f;
    uint32_t configIndex = 0;
    uint32_t maxVolumeIndex = 0;
    std::string fileName;

protected:
    // The engine voice: sets its gain, stops it; false / nothing when the handle does not resolve.
    virtual bool SetGain(float gain) = 0;
    virtual void StopVoice() = 0;
    // Records a start of the voice: its loop count and positions, playing, no fade running.
    void Started(uint32_t count, uint32_t start, uint32_t loopFrom);
};

class CBGMInfo : public CDefoMusicInfo {
public:
    ~CBGMInfo() override { Release(); }
    void Release() override;
    void Play(uint32_t loopCount, uint32_t startPosition, uint32_t loopStart, uint32_t n) override;
    bool LoadSound(const char* fileName) override;
    USXAudio2::StreamingSourceVoiceHandle handle;

protected:
    bool SetGain(float gain) override;
    void StopVoice() override;
};

class CLoopSEInfo : public CDefoMusicInfo {
public:
    ~CLoopSEInfo() override { Release(); }
    void Release() override;
    void Play(uint32_t loopCount, uint32_t startPosition, uint32_t loopStart, uint32_t n) override;
    bool LoadSound(const char* fileName) override;
    USXAudio2::SourceVoiceHandle handle;

protected:
    bool SetGain(float gain) override;
    void StopVoice() override;
};

class CBGMManager : public ISavedObject<_tagSaveData> {
public:
    CBGMManager() { Register("BGM", 0); }
    static CBGMManager* GetInstance() { return CUSSingleton<CBGMManager>::GetInstance(); }
    // u32 current track, then both track records.
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;
    void EndLoad() override;

    virtual void Update();
    virtual void SwapTrack() { current_ = 1 - current_; }
    virtual CBGMInfo& GetCurrentTrack() { return tracks_[current_]; }
    virtual CBGMInfo& GetOtherTrack() { return tracks_[1 - current_]; }
    // other != 0: the track that is not current.
    virtual CBGMInfo& GetTrack(uint32_t other) { return other ? GetOtherTrack() : GetCurrentTrack(); }
    virtual void StopAll();

private:
    CBGMInfo tracks_[2];
    uint32_t current_ = 0;
};

class CLoopSEManager : public ISavedObject<_tagSaveData> {
public:
    static constexpr uint32_t kChannels = 16;
    CLoopSEManager() { Register("LoopSE", 0); }
    static CLoopSEManager* GetInstance() { return CUSSingleton<CLoopSEManager>::GetInstance(); }
    // u32 16, then sixteen track records.
    void Save(USLib::binary_ostream<256>& out) override;
    void Load(USLib::binary_istream& in, uint32_t version) override;
    void EndLoad() override;

    virtual void Update();
    virtual bool LoadChannel(uint32_t channel, const char* fileName);
    // Null for a channel outside 0-15.
    virtual CLoopSEInfo* GetChannel(uint32_t channel) { return channel < kChannels ? &channels_[channel] : nullptr; }
    virtual void StopAll();

private:
    CLoopSEInfo channels_[kChannels];
};
