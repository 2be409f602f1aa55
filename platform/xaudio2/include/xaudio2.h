// Our stand-in for <xaudio2.h> (the 2.7 interfaces): one engine with one mastering voice and PCM
// source voices, mixed by our own mixer (platform/xaudio2/src) into SDL2 audio output.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <vector>

using UINT32 = std::uint32_t;
using UINT64 = std::uint64_t;

extern const CLSID CLSID_XAudio2;
extern const IID IID_IXAudio2;

#define XAUDIO2_MAX_BUFFER_BYTES 0x80000000u
#define XAUDIO2_MAX_QUEUED_BUFFERS 64
#define XAUDIO2_MAX_LOOP_COUNT 254
#define XAUDIO2_LOOP_INFINITE 255
#define XAUDIO2_MAX_FREQ_RATIO 1024.0f
#define XAUDIO2_DEFAULT_FREQ_RATIO 2.0f
#define XAUDIO2_MAX_VOLUME_LEVEL 16777216.0f
#define XAUDIO2_DEFAULT_CHANNELS 0
#define XAUDIO2_DEFAULT_SAMPLERATE 0
#define XAUDIO2_COMMIT_NOW 0
#define XAUDIO2_END_OF_STREAM 0x0040u
#define XAUDIO2_ANY_PROCESSOR 0xFFFFFFFFu
#define XAUDIO2_DEFAULT_PROCESSOR XAUDIO2_ANY_PROCESSOR

#define XAUDIO2_E_INVALID_CALL ((HRESULT)0x88960001)
#define XAUDIO2_E_XMA_DECODER_ERROR ((HRESULT)0x88960002)
#define XAUDIO2_E_XAPO_CREATION_FAILED ((HRESULT)0x88960003)
#define XAUDIO2_E_DEVICE_INVALIDATED ((HRESULT)0x88960004)

using XAUDIO2_PROCESSOR = UINT32;

struct XAUDIO2_BUFFER {
    UINT32 Flags;
    UINT32 AudioBytes;
    const BYTE* pAudioData;
    UINT32 PlayBegin;   // first sample frame played; 0 with PlayLength 0 plays the whole buffer
    UINT32 PlayLength;  // frames, 0 = to the end
    UINT32 LoopBegin;   // frames
    UINT32 LoopLength;  // frames, 0 = to the end of the play region
    UINT32 LoopCount;   // extra passes of the loop region, XAUDIO2_LOOP_INFINITE = endless
    void* pContext;
};

struct XAUDIO2_BUFFER_WMA;  // not supported: SubmitSourceBuffer refuses a non-null one

struct XAUDIO2_VOICE_STATE {
    void* pCurrentBufferContext;
    UINT32 BuffersQueued;
    UINT64 SamplesPlayed;
};

struct XAUDIO2_VOICE_SENDS;   // sends and effects are not supported: only null is accepted
struct XAUDIO2_EFFECT_CHAIN;

// Notifications of a source voice, called on the mixer's thread, one at a time and in order, never
// while the mixer holds its lock: a callback may submit, start or stop (but not destroy) voices.
struct IXAudio2VoiceCallback {
    virtual void OnVoiceProcessingPassStart(UINT32 bytesRequired) = 0;
    virtual void OnVoiceProcessingPassEnd() = 0;
    virtual void OnStreamEnd() = 0;
    virtual void OnBufferStart(void* bufferContext) = 0;
    virtual void OnBufferEnd(void* bufferContext) = 0;
    virtual void OnLoopEnd(void* bufferContext) = 0;
    virtual void OnVoiceError(void* bufferContext, HRESULT error) = 0;

protected:
    ~IXAudio2VoiceCallback() = default;
};

struct IXAudio2Voice {
    // Linear gain (above 1 amplifies); a change is ramped over the next mixing period.
    virtual HRESULT SetVolume(float volume, UINT32 operationSet = XAUDIO2_COMMIT_NOW) = 0;
    virtual void GetVolume(float* volume) = 0;
    // Must not be called from a voice callback.
    virtual void DestroyVoice() = 0;

protected:
    ~IXAudio2Voice() = default;
};

struct IXAudio2SourceVoice : IXAudio2Voice {
    virtual HRESULT Start(UINT32 flags = 0, UINT32 operationSet = XAUDIO2_COMMIT_NOW) = 0;
    // Pauses; the queued buffers and the position are kept.
    virtual HRESULT Stop(UINT32 flags = 0, UINT32 operationSet = XAUDIO2_COMMIT_NOW) = 0;
    // The buffer's audio is read in place until its OnBufferEnd.
    virtual HRESULT SubmitSourceBuffer(const XAUDIO2_BUFFER* buffer, const XAUDIO2_BUFFER_WMA* wma = nullptr) = 0;
    // Removes the queued buffers (all of them when stopped, all but the playing one when started);
    // each removed buffer still gets its OnBufferEnd, and counts as queued until then.
    virtual HRESULT FlushSourceBuffers() = 0;
    virtual void GetState(XAUDIO2_VOICE_STATE* state) = 0;

protected:
    ~IXAudio2SourceVoice() = default;
};

struct IXAudio2MasteringVoice : IXAudio2Voice {
protected:
    ~IXAudio2MasteringVoice() = default;
};

struct IXAudio2 : IUnknown {
    virtual HRESULT Initialize(UINT32 flags = 0, XAUDIO2_PROCESSOR processor = XAUDIO2_DEFAULT_PROCESSOR) = 0;
    // PCM (format tag 1), 8-bit unsigned or 16-bit signed, mono or stereo, any rate.
    virtual HRESULT CreateSourceVoice(IXAudio2SourceVoice** voice, const WAVEFORMATEX* format, UINT32 flags = 0,
                                      float maxFrequencyRatio = XAUDIO2_DEFAULT_FREQ_RATIO,
                                      IXAudio2VoiceCallback* callback = nullptr,
                                      const XAUDIO2_VOICE_SENDS* sends = nullptr,
                                      const XAUDIO2_EFFECT_CHAIN* effects = nullptr) = 0;
    // One per engine; output is 16-bit stereo at the device rate.
    virtual HRESULT CreateMasteringVoice(IXAudio2MasteringVoice** voice,
                                         UINT32 inputChannels = XAUDIO2_DEFAULT_CHANNELS,
                                         UINT32 inputSampleRate = XAUDIO2_DEFAULT_SAMPLERATE, UINT32 flags = 0,
                                         UINT32 deviceIndex = 0, const XAUDIO2_EFFECT_CHAIN* effects = nullptr) = 0;

protected:
    ~IXAudio2() = default;
};

// CoCreateInstance(CLSID_XAudio2, ...) followed by Initialize.
HRESULT XAudio2Create(IXAudio2** engine, UINT32 flags = 0, XAUDIO2_PROCESSOR processor = XAUDIO2_DEFAULT_PROCESSOR);

namespace xaudio2::hooks {
// Engines initialised while this is on run no mixer thread and open no device: the caller mixes by
// hand with Step. Off by default.
void SetManualMixing(bool manual);
// Mixes `frames` output frames of a manual engine on the calling thread (the voice callbacks run
// here) and returns them as interleaved 16-bit stereo samples at 48000 Hz.
std::vector<std::int16_t> Step(IXAudio2* engine, UINT32 frames);
}  // namespace xaudio2::hooks
