// A source voice of our mixer: its buffer queue, play position, loops and gain, and the rendering of
// its PCM into float stereo at the output rate (linear interpolation when the rates differ). The
// engine calls the render side with its lock held and delivers the collected events afterwards.
#pragma once
#include <xaudio2.h>

#include <deque>
#include <vector>

namespace xaudio2 {

class Engine;

// A voice's gain: the volume last set and the gain the last pass ended with. Each pass ramps
// linearly from one to the other, so that a change makes no click.
struct GainRamp {
    float volume = 1.0f;
    float gain = 1.0f;
    // fn(frame, gain) for each frame of a pass.
    template <class Fn>
    void Run(UINT32 frames, Fn fn) {
        const float from = gain, to = volume;
        if (from == to) {
            for (UINT32 i = 0; i < frames; ++i) fn(i, to);
        } else {
            const float delta = (to - from) / static_cast<float>(frames);
            for (UINT32 i = 0; i < frames; ++i) fn(i, from + delta * static_cast<float>(i + 1));
        }
        gain = to;
    }
};

struct Event {
    enum Kind { PassStart, PassEnd, BufferStart, BufferEnd, LoopEnd, StreamEnd } kind;
    void* context;
    UINT32 bytes;
};

class MixerSourceVoice final : public IXAudio2SourceVoice {
public:
    MixerSourceVoice(Engine& engine, const WAVEFORMATEX& format, IXAudio2VoiceCallback* callback, UINT32 outputRate);

    HRESULT SetVolume(float volume, UINT32 operationSet) override;
    void GetVolume(float* volume) override;
    void DestroyVoice() override;
    HRESULT Start(UINT32 flags, UINT32 operationSet) override;
    HRESULT Stop(UINT32 flags, UINT32 operationSet) override;
    HRESULT SubmitSourceBuffer(const XAUDIO2_BUFFER* buffer, const XAUDIO2_BUFFER_WMA* wma) override;
    HRESULT FlushSourceBuffers() override;
    void GetState(XAUDIO2_VOICE_STATE* state) override;

    // True for PCM the mixer reads: 8- or 16-bit, mono or stereo, 1000 to 200000 frames a second.
    static bool IsSupported(const WAVEFORMATEX* format);

    // Mixer side; the engine's lock is held.
    enum class Render { Done, Dispatch, Starved };
    bool Running() const { return running_; }
    bool HasFlushed() const { return !flushed_.empty(); }
    IXAudio2VoiceCallback* Callback() const { return callback_; }
    // Reports the buffers flushed since the last pass (their OnBufferEnd).
    void TakeFlushed(std::vector<Event>& events);
    // Bytes of audio the pass of `frames` output frames needs beyond what is queued.
    UINT32 BytesRequired(UINT32 frames) const;
    // Renders output frames [produced, frames) into out (interleaved stereo, unscaled), advancing
    // produced. Stops early with Dispatch after a buffer end so that the callbacks can run (and
    // submit the next buffer) before the voice goes on, or with Starved when no buffer is queued.
    Render RenderFrames(float* out, UINT32 frames, UINT32& produced, std::vector<Event>& events);
    // Reports a buffer whose last frame has been read (used at the end of a pass).
    Render Settle(std::vector<Event>& events);
    // Adds out * the gain (ramped from the last pass's gain to the volume set) into mix.
    void MixInto(const float* out, float* mix, UINT32 frames);

    bool destroyed = false;  // DestroyVoice was called from this voice's own callback

private:
    struct Queued {
        XAUDIO2_BUFFER desc;
        UINT32 playEnd;
        UINT32 loopBegin;
        UINT32 loopEnd;
        UINT32 loopsLeft;
        UINT32 pos;
        bool started;
    };
    void ReadFrame(const Queued& b, UINT32 index, float frame[2]) const;
    // Converts frames of the voice's PCM to float stereo (mono goes to both channels).
    void ConvertRun(const BYTE* pcm, UINT32 frames, float* out) const;
    // The output frame at the current fraction between prev_ and b's frame at its position.
    void Interpolate(const Queued& b, float* out) const;
    // The output frame at the current fraction between prev_ and next (unread when the fraction is 0).
    void Lerp(const float* next, float* out) const;
    // Source frames the next output frame reads: those to step over, and the one after it.
    UINT64 FramesNeeded() const;

    Engine& engine_;
    WAVEFORMATEX format_;
    IXAudio2VoiceCallback* callback_;
    UINT64 step_;  // source frames per output frame, 32.32 fixed point
    std::deque<Queued> queue_;
    std::vector<void*> flushed_;
    bool running_ = false;
    GainRamp gain_;
    UINT64 samplesPlayed_ = 0;
    UINT64 acc_;  // integer part: frames to read before the next output frame; low 32 bits: fraction
    float prev_[2] = {0, 0};
    static constexpr UINT32 kRun = 512;
    float run_[2 * kRun];  // a run of source frames converted for resampling
};

}  // namespace xaudio2
