// Voices of the sound service: the fields both kinds share, and the voice that plays a whole sound
// decoded into memory from one buffer (sound effects, short sounds; the decoded sound can be shared).
#pragma once
#include <boost/shared_ptr.hpp>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/audio/SoundLoader.h"
#include "engine/audio/USXAudio2.h"
#include "engine/audio/VoiceCallback.h"

namespace USXAudio2 {

class ISourceVoice {
public:
    virtual ~ISourceVoice() = default;
    virtual std::uint32_t GetLengthMsec() = 0;
    virtual bool IsReady() = 0;
    virtual const std::string& GetName() = 0;
    virtual std::uint32_t GetAvgBytesPerSec() = 0;
    virtual void SetVolume(float volume, UINT32 operationSet) = 0;
};

enum VoiceState : std::uint32_t { kStateNone = 0, kStatePlaying = 1, kStateStopped = 2, kStatePaused = 3, kStateEndOfData = 4 };

class DefoSourceVoice : public ISourceVoice {
public:
    std::uint32_t GetLengthMsec() override { return lengthMsec_; }
    bool IsReady() override { return ready_ != 0; }
    const std::string& GetName() override { return name_; }
    std::uint32_t GetAvgBytesPerSec() override { return avgBytesPerSec_; }
    // Passed to the XAudio2 voice when one exists.
    void SetVolume(float volume, UINT32 operationSet) override {
        if (sourceVoice_) sourceVoice_->SetVolume(volume, operationSet);
    }
    std::uint32_t GetState() const { return state_; }

protected:
    // Takes the ready flag, length and rate from a loader once the XAudio2 voice exists.
    void SetReady(ISoundLoader& loader);

    std::string name_;
    std::uint32_t ready_ = 0;
    std::uint32_t lengthMsec_ = 0;
    std::uint32_t avgBytesPerSec_ = 0;
    IXAudio2SourceVoice* sourceVoice_ = nullptr;
    std::atomic<std::uint32_t> state_{kStateNone};
};

class SourceVoice : public BaseVoiceCallback,
                    public USLib::resource_manager<SourceVoice, SourceVoiceHandle>,
                    public DefoSourceVoice {
public:
    SourceVoice();
    ~SourceVoice() override;

    // Stops and destroys the XAudio2 voice, after it holds no buffer of this voice.
    virtual void Destroy();
    // 0, or E_FAIL when no loader could be made or loaded, or XAudio2's negative result.
    virtual HRESULT Setup(const char* filename);
    // Plays the sound another voice has loaded; 0 or a negative result.
    virtual HRESULT SetupShared(SourceVoice* otherVoice);
    // loopCount >= 1 plays that many times, 0 or less endlessly; 1 when playing.
    virtual int Play(int loopCount);
    // 1 when stopped, 0 without a voice or when stopping failed.
    virtual int Stop();
    virtual void MarkStopped() { state_ = kStateStopped; }

private:
    HRESULT CreateVoice(const char* name);

    boost::shared_ptr<ISoundLoader> loader_;
    std::unique_ptr<XAudio2VoiceCallback<SourceVoice>> callback_;
};

}  // namespace USXAudio2
