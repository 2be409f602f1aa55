// The engine object: voice creation and destruction, the mixing pass with callbacks delivered
// outside the lock, and the output thread (SDL2 audio device, opened when the first voice sounds, or a
// 10 ms clock when none opens).
#include "engine.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

// Public class and interface ids of the 2.7 engine.
const CLSID CLSID_XAudio2 = {0x5a508685, 0xa254, 0x4fba, {0x9b, 0x82, 0x9a, 0x24, 0xb0, 0x03, 0x06, 0xaf}};
const IID IID_IXAudio2 = {0x8bcf1f58, 0x9fe7, 0x4583, {0x8a, 0xc6, 0xe2, 0xad, 0xc4, 0x65, 0xc8, 0xbb}};

namespace xaudio2 {

namespace {

std::atomic<bool> g_manual{false};

// Logs why there is no sound: the mixer goes on, on its own clock.
void SayNoOutput(const char* what) {
    OutputDebugStringA((std::string("XAudio2: ") + what + " (" + SDL_GetError() + "); mixing on a clock\n").c_str());
}

HRESULT CreateEngine(REFIID iid, void** object) {
    auto* engine = new Engine;
    HRESULT hr = engine->QueryInterface(iid, object);
    engine->Release();
    return hr;
}

// Defined beside CLSID_XAudio2, so that a program using the class id links the class in.
struct Registration {
    Registration() { win32::RegisterComClass(CLSID_XAudio2, CreateEngine); }
} g_registration;

}  // namespace

class MixerMasteringVoice final : public IXAudio2MasteringVoice {
public:
    explicit MixerMasteringVoice(Engine& engine) : engine_(engine) {}
    HRESULT SetVolume(float volume, UINT32) override {
        if (!(volume >= -XAUDIO2_MAX_VOLUME_LEVEL && volume <= XAUDIO2_MAX_VOLUME_LEVEL)) return E_INVALIDARG;
        {
            std::lock_guard<std::mutex> lock(engine_.Mutex());
            gain.volume = volume;
        }
        engine_.Wake();
        return S_OK;
    }
    void GetVolume(float* volume) override {
        std::lock_guard<std::mutex> lock(engine_.Mutex());
        if (volume) *volume = gain.volume;
    }
    void DestroyVoice() override { engine_.DestroyMasteringVoice(); }

    GainRamp gain;

private:
    Engine& engine_;
};

Engine::Engine() = default;

Engine::~Engine() { StopOutput(); }

HRESULT Engine::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IXAudio2) {
        AddRef();
        *object = static_cast<IXAudio2*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG Engine::AddRef() { return ++refs_; }

ULONG Engine::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Engine::Initialize(UINT32, XAUDIO2_PROCESSOR) {
    if (initialized_) return S_OK;
    initialized_ = true;
    manual_ = g_manual;
    if (manual_) return S_OK;
    sdlAudio_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (!sdlAudio_) SayNoOutput("no audio output");
    thread_ = std::thread(&Engine::ThreadProc, this);
    return S_OK;
}

void Engine::OpenOutput() {
    outputOpened_ = true;
    if (!sdlAudio_) return;
    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 512;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device_) {
        SDL_PauseAudioDevice(device_, 0);
        return;
    }
    SayNoOutput("the audio output device did not open");
}

HRESULT Engine::CreateSourceVoice(IXAudio2SourceVoice** voice, const WAVEFORMATEX* format, UINT32, float,
                                  IXAudio2VoiceCallback* callback, const XAUDIO2_VOICE_SENDS* sends,
                                  const XAUDIO2_EFFECT_CHAIN* effects) {
    if (!voice || sends || effects || !MixerSourceVoice::IsSupported(format)) return XAUDIO2_E_INVALID_CALL;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!master_) return XAUDIO2_E_INVALID_CALL;
    voices_.push_back(std::make_unique<MixerSourceVoice>(*this, *format, callback, kRate));
    *voice = voices_.back().get();
    return S_OK;
}

HRESULT Engine::CreateMasteringVoice(IXAudio2MasteringVoice** voice, UINT32, UINT32, UINT32, UINT32 deviceIndex,
                                     const XAUDIO2_EFFECT_CHAIN* effects) {
    if (!voice || effects || deviceIndex != 0) return XAUDIO2_E_INVALID_CALL;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!initialized_ || master_) return XAUDIO2_E_INVALID_CALL;
    master_ = std::make_unique<MixerMasteringVoice>(*this);
    *voice = master_.get();
    return S_OK;
}

void Engine::DestroySourceVoice(MixerSourceVoice* voice) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (delivering_ == voice && deliveringThread_ == std::this_thread::get_id()) {
        voice->destroyed = true;  // from its own callback: the mixer deletes it when the callback returns
        return;
    }
    idle_.wait(lock, [&] { return delivering_ != voice; });
    std::unique_ptr<MixerSourceVoice> removed = Remove(voice);
    lock.unlock();  // the voice goes after the lock is let go
}

void Engine::DestroyMasteringVoice() {
    std::lock_guard<std::mutex> lock(mutex_);
    master_.reset();
}

std::unique_ptr<MixerSourceVoice> Engine::Remove(MixerSourceVoice* voice) {
    auto it = std::find_if(voices_.begin(), voices_.end(), [voice](const auto& v) { return v.get() == voice; });
    if (it == voices_.end()) return nullptr;
    std::unique_ptr<MixerSourceVoice> removed = std::move(*it);
    voices_.erase(it);
    return removed;
}

bool Engine::Holds(const MixerSourceVoice* voice) const {
    return std::any_of(voices_.begin(), voices_.end(), [voice](const auto& v) { return v.get() == voice; });
}

bool Engine::Deliver(MixerSourceVoice* voice, std::unique_lock<std::mutex>& lock) {
    if (events_.empty()) return true;
    delivered_.swap(events_);
    events_.clear();
    IXAudio2VoiceCallback* cb = voice->Callback();
    if (cb) {
        delivering_ = voice;
        deliveringThread_ = std::this_thread::get_id();
        lock.unlock();
        for (const Event& e : delivered_) {
            switch (e.kind) {
                case Event::PassStart: cb->OnVoiceProcessingPassStart(e.bytes); break;
                case Event::PassEnd: cb->OnVoiceProcessingPassEnd(); break;
                case Event::BufferStart: cb->OnBufferStart(e.context); break;
                case Event::BufferEnd: cb->OnBufferEnd(e.context); break;
                case Event::LoopEnd: cb->OnLoopEnd(e.context); break;
                case Event::StreamEnd: cb->OnStreamEnd(); break;
            }
        }
        lock.lock();
        delivering_ = nullptr;
        idle_.notify_all();
    }
    if (voice->destroyed) {
        Remove(voice);
        return false;
    }
    return true;
}

void Engine::MixVoice(MixerSourceVoice* voice, UINT32 frames, std::unique_lock<std::mutex>& lock) {
    events_.clear();
    voice->TakeFlushed(events_);
    if (voice->Running() && voice->Callback()) events_.push_back({Event::PassStart, nullptr, voice->BytesRequired(frames)});
    if (!Deliver(voice, lock) || !voice->Running()) return;
    std::fill(scratch_.begin(), scratch_.begin() + 2 * frames, 0.0f);
    UINT32 produced = 0;
    for (;;) {
        MixerSourceVoice::Render r = voice->RenderFrames(scratch_.data(), frames, produced, events_);
        if (r == MixerSourceVoice::Render::Done && produced == frames) r = voice->Settle(events_);
        if (r != MixerSourceVoice::Render::Dispatch) break;
        if (!Deliver(voice, lock)) return;
        if (!voice->Running() || produced == frames) break;
    }
    voice->MixInto(scratch_.data(), mix_.data(), frames);
    if (voice->Callback()) events_.push_back({Event::PassEnd, nullptr, 0});
    Deliver(voice, lock);
}

void Engine::Mix(UINT32 frames, std::int16_t* out) {
    std::lock_guard<std::mutex> mixLock(mixMutex_);
    mix_.assign(2 * size_t(frames), 0.0f);
    scratch_.resize(2 * size_t(frames));
    std::unique_lock<std::mutex> lock(mutex_);
    // Voices may come and go while callbacks run: walk a copy, skipping voices that are gone.
    std::vector<MixerSourceVoice*> voices(voices_.size());
    std::transform(voices_.begin(), voices_.end(), voices.begin(), [](const auto& v) { return v.get(); });
    for (MixerSourceVoice* v : voices)
        if (Holds(v)) MixVoice(v, frames, lock);
    const float* mix = mix_.data();
    auto put = [&](UINT32 i, float g) {
        for (int c = 0; c < 2; ++c) {
            const float s = std::nearbyint(mix[2 * i + c] * g * 32768.0f);
            out[2 * i + c] = static_cast<std::int16_t>(std::clamp(s, -32768.0f, 32767.0f));
        }
    };
    if (master_)
        master_->gain.Run(frames, put);
    else
        std::fill(out, out + 2 * size_t(frames), std::int16_t(0));
}

void Engine::Wake() {
    {
        std::lock_guard<std::mutex> q(quitMutex_);
        wake_ = true;
    }
    quitWake_.notify_all();
}

bool Engine::VoicesQuiet() const {
    return std::none_of(voices_.begin(), voices_.end(), [](const auto& v) { return v->Running() || v->HasFlushed(); });
}

bool Engine::Silent() const { return VoicesQuiet() && (!master_ || master_->gain.gain == master_->gain.volume); }

void Engine::ThreadProc() {
    using namespace std::chrono;
    std::vector<std::int16_t> out(2 * kPeriod);
    const Uint32 periodBytes = 2 * kPeriod * sizeof(std::int16_t);
    auto next = steady_clock::now();
    std::unique_lock<std::mutex> q(quitMutex_);
    while (!quit_) {
        // Cleared before looking at the voices, so that a Wake from here on ends the wait below.
        wake_ = false;
        q.unlock();
        if (!outputOpened_) {
            // The device (and SDL's thread that feeds it, waking some hundred times a second even while it
            // plays silence) is opened when the first voice sounds; until then passes mix on the clock and
            // go to nothing, as a master volume ramp settles.
            bool quiet;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                quiet = VoicesQuiet();
            }
            if (!quiet) {
                OpenOutput();
                next = steady_clock::now();
            }
        }
        if (device_ && SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_PLAYING) {
            // The device went away: go on with the clock so that voices still finish.
            SDL_CloseAudioDevice(device_);
            device_ = 0;
            next = steady_clock::now();
        }
        if (device_) {
            // Keep five passes (50 ms) queued ahead of the device, enough to ride out a busy machine; topping
            // the queue up once a pass keeps it at least 40 ms ahead without waking more often than that.
            while (device_ && SDL_GetQueuedAudioSize(device_) < 5 * periodBytes) {
                Mix(kPeriod, out.data());
                if (SDL_QueueAudio(device_, out.data(), periodBytes) != 0) {
                    SDL_CloseAudioDevice(device_);  // it takes no more: the clock goes on
                    device_ = 0;
                }
            }
            next = steady_clock::now() + milliseconds(10);
        } else {
            Mix(kPeriod, out.data());
            next += milliseconds(10);
            if (steady_clock::now() - next > milliseconds(200)) next = steady_clock::now();
        }
        bool silent;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            silent = Silent();
        }
        q.lock();
        if (silent) {
            // Nothing to mix until a voice starts: the device plays out its queue and then silence by
            // itself, and the thread sleeps instead of mixing silence a hundred times a second.
            quitWake_.wait(q, [&] { return quit_ || wake_; });
            next = steady_clock::now();
        } else {
            quitWake_.wait_until(q, next, [&] { return quit_; });
        }
    }
}

void Engine::StopOutput() {
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> q(quitMutex_);
            quit_ = true;
        }
        quitWake_.notify_all();
        thread_.join();
    }
    if (device_) {
        // Let the device play what is already queued (at most 50 ms), so that the end of a sound is
        // not cut off when its engine goes away right after it.
        for (int ms = 0; ms < 100 && SDL_GetQueuedAudioSize(device_) > 0; ++ms) SDL_Delay(1);
        SDL_Delay(20);  // the device's own buffer
        SDL_CloseAudioDevice(device_);
    }
    device_ = 0;
    if (sdlAudio_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    sdlAudio_ = false;
}

}  // namespace xaudio2

HRESULT XAudio2Create(IXAudio2** engine, UINT32 flags, XAUDIO2_PROCESSOR processor) {
    if (!engine) return E_POINTER;
    *engine = nullptr;
    IXAudio2* created = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_XAudio2, nullptr, CLSCTX_INPROC_SERVER, IID_IXAudio2,
                                  reinterpret_cast<void**>(&created));
    if (FAILED(hr)) return hr;
    hr = created->Initialize(flags, processor);
    if (FAILED(hr)) {
        created->Release();
        return hr;
    }
    *engine = created;
    return S_OK;
}

namespace xaudio2::hooks {

void SetManualMixing(bool manual) { g_manual = manual; }

std::vector<std::int16_t> Step(IXAudio2* engine, UINT32 frames) {
    std::vector<std::int16_t> out(2 * size_t(frames));
    auto* e = static_cast<Engine*>(engine);
    if (!e || !e->Manual()) return {};
    // Passes of at most one mixer period, as the mixer thread makes them.
    for (UINT32 done = 0; done < frames;) {
        const UINT32 n = std::min(Engine::kPeriod, frames - done);
        e->Mix(n, out.data() + 2 * size_t(done));
        done += n;
    }
    return out;
}

}  // namespace xaudio2::hooks
