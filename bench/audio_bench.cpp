// Sound cost per second of audio, as a share of one core (counter "core_share": 0.02 = 2 %), all
// threads counted. Goal: 32 voices streamed and mixed at 48 kHz under 2 % of one core.
//  - Mix: the mixer alone, voices fed 100 ms PCM buffers from OnBufferEnd (at 48 kHz, and at
//    44.1 kHz, which is resampled);
//  - StreamedOgg: the engine's streaming voices, decoding an Ogg Vorbis file on their workers.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "engine/audio/StreamingSourceVoice.h"
#include "engine/audio/USXAudio2.h"
#include "engine/util/USCallbackManager.h"

namespace {

constexpr UINT32 kFramesPerIteration = 4800;  // 100 ms at the mixer's 48 kHz

void ReportShare(benchmark::State& state) {
    state.counters["core_share"] = benchmark::Counter(0.1 * static_cast<double>(state.iterations()),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// A voice fed like a stream: two 100 ms buffers, the one that ends submitted again.
struct FedVoice : IXAudio2VoiceCallback {
    IXAudio2SourceVoice* voice = nullptr;
    std::vector<std::int16_t> pcm;
    void OnVoiceProcessingPassStart(UINT32) override {}
    void OnVoiceProcessingPassEnd() override {}
    void OnStreamEnd() override {}
    void OnBufferStart(void*) override {}
    void OnBufferEnd(void*) override { Submit(); }
    void OnLoopEnd(void*) override {}
    void OnVoiceError(void*, HRESULT) override {}
    void Submit() {
        XAUDIO2_BUFFER b{};
        b.AudioBytes = static_cast<UINT32>(pcm.size() * 2);
        b.pAudioData = reinterpret_cast<const BYTE*>(pcm.data());
        voice->SubmitSourceBuffer(&b);
    }
};

void Mix(benchmark::State& state) {
    const int voices = static_cast<int>(state.range(0));
    const DWORD rate = static_cast<DWORD>(state.range(1));
    xaudio2::hooks::SetManualMixing(true);
    IXAudio2* engine = nullptr;
    IXAudio2MasteringVoice* master = nullptr;
    XAudio2Create(&engine);
    engine->CreateMasteringVoice(&master);
    WAVEFORMATEX f{WAVE_FORMAT_PCM, 2, rate, rate * 4, 4, 16, 0};
    std::vector<std::unique_ptr<FedVoice>> fed;
    for (int i = 0; i < voices; ++i) {
        auto v = std::make_unique<FedVoice>();
        v->pcm.resize(rate / 10 * 2);
        for (size_t s = 0; s < v->pcm.size(); ++s) v->pcm[s] = static_cast<std::int16_t>((s * 37 + i * 101) % 20000 - 10000);
        engine->CreateSourceVoice(&v->voice, &f, 0, 2.0f, v.get());
        v->voice->SetVolume(0.05f);
        v->Submit();
        v->Submit();
        v->voice->Start(0);
        fed.push_back(std::move(v));
    }
    for (auto _ : state) benchmark::DoNotOptimize(xaudio2::hooks::Step(engine, kFramesPerIteration));
    ReportShare(state);
    for (auto& v : fed) v->voice->DestroyVoice();
    master->DestroyVoice();
    engine->Release();
    xaudio2::hooks::SetManualMixing(false);
}
BENCHMARK(Mix)->ArgsProduct({{1, 8, 32}, {48000, 44100}})->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

void StreamedOgg(benchmark::State& state) {
    const int voices = static_cast<int>(state.range(0));
    // The voices open the fixture by a relative name, as the game opens its music.
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return;
    std::filesystem::current_path(MARLOWE_AUDIO_FIXTURES);
    xaudio2::hooks::SetManualMixing(true);
    InitXAudio2();
    std::vector<USXAudio2::StreamingSourceVoice*> streams;
    for (int i = 0; i < voices; ++i) {
        USXAudio2::StreamingSourceVoiceHandle h;
        CreateStreamingSourceVoice(&h, "music.ogg");
        auto* v = GetStreamingSourceVoice(h);
        v->SetVolume(0.05f, 0);
        v->Play(0, 0, 0, 0);
        streams.push_back(v);
    }
    std::filesystem::current_path(cwd);
    for (auto* v : streams)
        while (v->GetState() != USXAudio2::kStatePlaying) std::this_thread::yield();
    for (auto _ : state) {
        benchmark::DoNotOptimize(xaudio2::hooks::Step(USXAudio2::GetXAudio2(), kFramesPerIteration));
        // The refills run on the voices' workers within the 100 ms; wait for them.
        for (auto* v : streams)
            while (v->IsRefillPending()) std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    ReportShare(state);
    ReleaseXAudio2();
    CUSCallbackManager::Global().Clear();
    xaudio2::hooks::SetManualMixing(false);
}
BENCHMARK(StreamedOgg)->Arg(1)->Arg(32)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
