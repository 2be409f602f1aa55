// The XAudio2 engine object of our mixer: owns the voices and the output (an SDL2 audio device opened
// when the first voice sounds, a clock when none opens, or nothing when a test mixes by hand), and runs
// the mixing passes.
#pragma once
#include <xaudio2.h>

#include <SDL.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "voice.h"

namespace xaudio2 {

class MixerMasteringVoice;

class Engine final : public IXAudio2 {
public:
    Engine();
    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Initialize(UINT32 flags, XAUDIO2_PROCESSOR processor) override;
    HRESULT CreateSourceVoice(IXAudio2SourceVoice** voice, const WAVEFORMATEX* format, UINT32 flags,
                              float maxFrequencyRatio, IXAudio2VoiceCallback* callback,
                              const XAUDIO2_VOICE_SENDS* sends, const XAUDIO2_EFFECT_CHAIN* effects) override;
    HRESULT CreateMasteringVoice(IXAudio2MasteringVoice** voice, UINT32 inputChannels, UINT32 inputSampleRate,
                                 UINT32 flags, UINT32 deviceIndex, const XAUDIO2_EFFECT_CHAIN* effects) override;

    std::mutex& Mutex() { return mutex_; }
    // Removes and deletes a source voice, waiting while the mixer delivers its callbacks.
    void DestroySourceVoice(MixerSourceVoice* voice);
    void DestroyMasteringVoice();
    // One mixing pass of `frames` output frames into out (interleaved 16-bit stereo).
    void Mix(UINT32 frames, std::int16_t* out);
    bool Manual() const { return manual_; }
    // Tells the mixer thread that a voice may have work (started, or buffers flushed) or the master
    // volume changed: it stops mixing while nothing sounds, and waits for this. Call without the lock.
    void Wake();

    static constexpr UINT32 kRate = 48000;
    static constexpr UINT32 kPeriod = kRate / 100;  // frames of one pass of the mixer thread (10 ms)

private:
    ~Engine();
    void MixVoice(MixerSourceVoice* voice, UINT32 frames, std::unique_lock<std::mutex>& lock);
    // Runs the collected callbacks of a voice without the lock; false when the voice destroyed itself.
    bool Deliver(MixerSourceVoice* voice, std::unique_lock<std::mutex>& lock);
    void ThreadProc();
    // True when a pass would neither sound nor report anything: no voice runs or has flushed buffers to
    // report, and the master volume has no ramp left. Under the lock.
    bool Silent() const;
    // True when no voice runs or has flushed buffers to report. Under the lock.
    bool VoicesQuiet() const;
    // Opens the SDL2 audio device (on the mixer thread); when it does not open, says so and leaves the
    // mixer on its clock.
    void OpenOutput();
    void StopOutput();
    // Takes a source voice out of the list (under the lock); the caller deletes it.
    std::unique_ptr<MixerSourceVoice> Remove(MixerSourceVoice* voice);
    bool Holds(const MixerSourceVoice* voice) const;

    std::atomic<ULONG> refs_{1};
    std::mutex mutex_;                 // guards voices, their queues and states
    std::condition_variable idle_;     // signalled when the mixer finishes delivering a voice's callbacks
    std::vector<std::unique_ptr<MixerSourceVoice>> voices_;
    std::unique_ptr<MixerMasteringVoice> master_;
    MixerSourceVoice* delivering_ = nullptr;
    std::thread::id deliveringThread_;
    bool initialized_ = false;
    bool manual_ = false;

    std::mutex mixMutex_;  // one pass at a time
    std::vector<float> mix_, scratch_;
    std::vector<Event> events_, delivered_;

    bool sdlAudio_ = false;
    bool outputOpened_ = false;  // the mixer thread has tried the device (it then plays on it or the clock)
    SDL_AudioDeviceID device_ = 0;
    std::thread thread_;
    std::mutex quitMutex_;
    std::condition_variable quitWake_;
    bool quit_ = false;
    bool wake_ = false;  // Wake was called since the mixer thread last looked
};

}  // namespace xaudio2
