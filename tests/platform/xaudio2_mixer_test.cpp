// The XAudio2 stand-in's mixer, stepped by hand: sample-exact output of one-shots, loops, formats and
// rates, gapless resubmission from OnBufferEnd, stop/flush rules, volume ramps and refused input;
// then the threaded mixer on its clock.
#include <gtest/gtest.h>
#include <unistd.h>
#include <xaudio2.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

namespace {

using Samples = std::vector<std::int16_t>;

WAVEFORMATEX Format(WORD channels, WORD bits, DWORD rate) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.wBitsPerSample = bits;
    f.nSamplesPerSec = rate;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

XAUDIO2_BUFFER Buffer(const Samples& pcm, void* context = nullptr) {
    XAUDIO2_BUFFER b{};
    b.AudioBytes = static_cast<UINT32>(pcm.size() * 2);
    b.pAudioData = reinterpret_cast<const BYTE*>(pcm.data());
    b.pContext = context;
    return b;
}

// Left channel of interleaved stereo output.
Samples Left(const Samples& stereo) {
    Samples l;
    for (size_t i = 0; i < stereo.size(); i += 2) l.push_back(stereo[i]);
    return l;
}

Samples Iota(size_t n, std::int16_t first) {
    Samples s(n);
    std::iota(s.begin(), s.end(), first);
    return s;
}

struct Recorder : IXAudio2VoiceCallback {
    std::vector<std::string> events;
    std::function<void(void*)> onBufferEnd;
    void OnVoiceProcessingPassStart(UINT32) override {}
    void OnVoiceProcessingPassEnd() override {}
    void OnStreamEnd() override { events.push_back("stream end"); }
    void OnBufferStart(void* c) override { events.push_back("start " + Name(c)); }
    void OnBufferEnd(void* c) override {
        events.push_back("end " + Name(c));
        if (onBufferEnd) onBufferEnd(c);
    }
    void OnLoopEnd(void* c) override { events.push_back("loop " + Name(c)); }
    void OnVoiceError(void*, HRESULT) override { events.push_back("error"); }
    static std::string Name(void* c) { return c ? static_cast<const char*>(c) : "-"; }
};

class MixerTest : public ::testing::Test {
protected:
    void SetUp() override {
        xaudio2::hooks::SetManualMixing(true);
        ASSERT_EQ(XAudio2Create(&engine_), S_OK);
        ASSERT_EQ(engine_->CreateMasteringVoice(&master_), S_OK);
    }
    void TearDown() override {
        master_->DestroyVoice();
        engine_->Release();
        xaudio2::hooks::SetManualMixing(false);
    }
    IXAudio2SourceVoice* Voice(const WAVEFORMATEX& f, IXAudio2VoiceCallback* cb = nullptr) {
        IXAudio2SourceVoice* v = nullptr;
        EXPECT_EQ(engine_->CreateSourceVoice(&v, &f, 0, XAUDIO2_DEFAULT_FREQ_RATIO, cb), S_OK);
        return v;
    }
    Samples Step(UINT32 frames) { return xaudio2::hooks::Step(engine_, frames); }
    UINT32 Queued(IXAudio2SourceVoice* v) {
        XAUDIO2_VOICE_STATE s{};
        v->GetState(&s);
        return s.BuffersQueued;
    }

    IXAudio2* engine_ = nullptr;
    IXAudio2MasteringVoice* master_ = nullptr;
};

TEST_F(MixerTest, OneShotPlaysItsSamplesOnceOnBothChannelsThenReportsItsEnd) {
    Recorder rec;
    IXAudio2SourceVoice* v = Voice(Format(1, 16, 48000), &rec);
    const Samples pcm = Iota(700, -300);  // longer than one mixing period
    XAUDIO2_BUFFER b = Buffer(pcm, const_cast<char*>("a"));
    b.Flags = XAUDIO2_END_OF_STREAM;
    ASSERT_EQ(v->SubmitSourceBuffer(&b), S_OK);
    ASSERT_EQ(v->Start(0), S_OK);
    const Samples out = Step(1000);
    Samples expected = pcm;
    expected.resize(1000, 0);
    EXPECT_EQ(Left(out), expected);
    for (size_t i = 0; i < out.size(); i += 2) ASSERT_EQ(out[i], out[i + 1]) << "frame " << i / 2;
    EXPECT_EQ(rec.events, (std::vector<std::string>{"start a", "end a", "stream end"}));
    XAUDIO2_VOICE_STATE s{};
    v->GetState(&s);
    EXPECT_EQ(s.BuffersQueued, 0u);
    EXPECT_EQ(s.SamplesPlayed, 700u);
    v->DestroyVoice();
}

TEST_F(MixerTest, LoopRegionsRepeatTheGivenNumberOfTimes) {
    struct Case {
        const char* what;
        UINT32 playBegin = 0, playLength = 0, loopBegin = 0, loopLength = 0, loopCount = 0;
        Samples expected;  // of the source 1..8
    };
    const Case cases[] = {
        {.what = "no loop", .expected = {1, 2, 3, 4, 5, 6, 7, 8}},
        {.what = "whole buffer twice more",
         .loopCount = 2,
         .expected = {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8}},
        {.what = "inner region",
         .loopBegin = 2,
         .loopLength = 3,
         .loopCount = 2,
         .expected = {1, 2, 3, 4, 5, 3, 4, 5, 3, 4, 5, 6, 7, 8}},
        {.what = "play region with loop to its end",
         .playBegin = 1,
         .playLength = 5,
         .loopBegin = 3,
         .loopCount = 1,
         .expected = {2, 3, 4, 5, 6, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Recorder rec;
        IXAudio2SourceVoice* v = Voice(Format(1, 16, 48000), &rec);
        const Samples pcm = Iota(8, 1);
        XAUDIO2_BUFFER b = Buffer(pcm);
        b.PlayBegin = c.playBegin;
        b.PlayLength = c.playLength;
        b.LoopBegin = c.loopBegin;
        b.LoopLength = c.loopLength;
        b.LoopCount = c.loopCount;
        ASSERT_EQ(v->SubmitSourceBuffer(&b), S_OK);
        v->Start(0);
        Samples expected = c.expected;
        expected.resize(40, 0);
        EXPECT_EQ(Left(Step(40)), expected);
        EXPECT_EQ(std::count(rec.events.begin(), rec.events.end(), "loop -"), c.loopCount);
        v->DestroyVoice();
    }
}

TEST_F(MixerTest, EndlessLoopKeepsPlaying) {
    IXAudio2SourceVoice* v = Voice(Format(1, 16, 48000));
    const Samples pcm = Iota(3, 1);
    XAUDIO2_BUFFER b = Buffer(pcm);
    b.LoopCount = XAUDIO2_LOOP_INFINITE;
    v->SubmitSourceBuffer(&b);
    v->Start(0);
    const Samples out = Left(Step(3000));
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], static_cast<std::int16_t>(i % 3 + 1)) << i;
    EXPECT_EQ(Queued(v), 1u);
    v->DestroyVoice();
}

TEST_F(MixerTest, SampleFormatsAndRatesReachTheOutput) {
    struct Case {
        const char* what;
        WAVEFORMATEX format;
        std::vector<BYTE> bytes;
        Samples expected;  // interleaved stereo output
    };
    const Case cases[] = {
        {"8-bit unsigned mono", Format(1, 8, 48000), {0x80, 0xFF, 0x00}, {0, 0, 32512, 32512, -32768, -32768}},
        {"8-bit stereo", Format(2, 8, 48000), {0x00, 0xC0}, {-32768, 16384}},
        {"16-bit stereo", Format(2, 16, 48000), {0x10, 0x00, 0xF0, 0xFF}, {16, -16}},
        // Half the output rate: every other frame is interpolated halfway.
        {"24 kHz mono", Format(1, 16, 24000), {0, 0, 100, 0, 200, 0}, {0, 0, 50, 50, 100, 100, 150, 150, 200, 200}},
        // Twice the output rate: every other frame is dropped.
        {"96 kHz mono", Format(1, 16, 96000), {1, 0, 2, 0, 3, 0, 4, 0}, {1, 1, 3, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        IXAudio2SourceVoice* v = Voice(c.format);
        XAUDIO2_BUFFER b{};
        b.AudioBytes = static_cast<UINT32>(c.bytes.size());
        b.pAudioData = c.bytes.data();
        ASSERT_EQ(v->SubmitSourceBuffer(&b), S_OK);
        v->Start(0);
        Samples out = Step(static_cast<UINT32>(c.expected.size() / 2));
        EXPECT_EQ(out, c.expected);
        v->DestroyVoice();
    }
}

TEST_F(MixerTest, ResampledLongBufferFollowsTheLineThroughout) {
    // Source frame k holds 2k: the output frame at source position p holds 2p exactly.
    const Samples pcm = [] {
        Samples s(3000);
        for (size_t k = 0; k < s.size(); ++k) s[k] = static_cast<std::int16_t>(2 * k);
        return s;
    }();
    struct Case {
        DWORD rate;
        int perFrame;  // output frame i holds perFrame * i
    } cases[] = {{24000, 1}, {72000, 3}, {96000, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        IXAudio2SourceVoice* v = Voice(Format(1, 16, c.rate));
        XAUDIO2_BUFFER b = Buffer(pcm);
        v->SubmitSourceBuffer(&b);
        v->Start(0);
        const UINT32 frames = static_cast<UINT32>(2 * (pcm.size() - 1) / c.perFrame);
        const Samples out = Left(Step(frames));
        for (UINT32 i = 0; i < frames; ++i) ASSERT_EQ(out[i], c.perFrame * static_cast<int>(i)) << "frame " << i;
        v->DestroyVoice();
    }
}

TEST_F(MixerTest, BufferSubmittedFromOnBufferEndPlaysOnWithoutAGap) {
    // A stream of 2000 frames fed in chunks of 7 frames, one queued at a time, at two rates.
    for (DWORD rate : {48000u, 24000u}) {
        SCOPED_TRACE(rate);
        const Samples stream = Iota(2000, -1000);
        size_t next = 0;
        Recorder rec;
        IXAudio2SourceVoice* v = Voice(Format(1, 16, rate), &rec);
        auto submit = [&] {
            if (next >= stream.size()) return;
            XAUDIO2_BUFFER b{};
            b.AudioBytes = 7 * 2;
            b.pAudioData = reinterpret_cast<const BYTE*>(stream.data() + next);
            next += 7;
            ASSERT_EQ(v->SubmitSourceBuffer(&b), S_OK);
        };
        rec.onBufferEnd = [&](void*) { submit(); };
        submit();
        v->Start(0);
        const Samples out = Left(Step(1900 * 48000 / rate));
        for (size_t i = 0; i < out.size(); ++i) {
            // At 24 kHz odd output frames lie halfway between two source frames (a step of 1).
            const int expected = rate == 48000 ? stream[i] : stream[i / 2] + int(i % 2) / 2;
            ASSERT_NEAR(out[i], expected, rate == 48000 ? 0 : 1) << "frame " << i;
        }
        v->DestroyVoice();
    }
}

TEST_F(MixerTest, StopKeepsPositionAndFlushEndsBuffersThroughTheCallback) {
    Recorder rec;
    IXAudio2SourceVoice* v = Voice(Format(1, 16, 48000), &rec);
    const Samples pcm = Iota(100, 1);
    XAUDIO2_BUFFER first = Buffer(pcm, const_cast<char*>("a"));
    XAUDIO2_BUFFER second = Buffer(pcm, const_cast<char*>("b"));
    v->SubmitSourceBuffer(&first);
    v->SubmitSourceBuffer(&second);
    v->Start(0);
    EXPECT_EQ(Left(Step(40)), Iota(40, 1));
    v->Stop(0);
    EXPECT_EQ(Left(Step(30)), Samples(30, 0));
    v->Start(0);
    EXPECT_EQ(Left(Step(10)), Iota(10, 41));

    // Stopped: flushing removes both buffers, which count as queued until the mixer reports them.
    v->Stop(0);
    v->FlushSourceBuffers();
    EXPECT_EQ(Queued(v), 2u);
    Step(10);
    EXPECT_EQ(Queued(v), 0u);
    EXPECT_EQ(rec.events, (std::vector<std::string>{"start a", "end a", "end b"}));

    // A restart after a flush plays the new buffer from its beginning.
    v->SubmitSourceBuffer(&first);
    v->Start(0);
    EXPECT_EQ(Left(Step(5)), Iota(5, 1));
    v->DestroyVoice();
}

TEST_F(MixerTest, FlushWithoutCallbackEmptiesAtOnceAndStartedVoiceKeepsItsBuffer) {
    IXAudio2SourceVoice* v = Voice(Format(1, 16, 48000));
    const Samples pcm = Iota(100, 1);
    XAUDIO2_BUFFER b = Buffer(pcm);
    v->SubmitSourceBuffer(&b);
    v->SubmitSourceBuffer(&b);
    v->Start(0);
    Step(10);
    v->FlushSourceBuffers();
    EXPECT_EQ(Queued(v), 1u);
    EXPECT_EQ(Left(Step(100)), [&] {
        Samples rest = Iota(90, 11);
        rest.resize(100, 0);
        return rest;
    }());
    v->Stop(0);
    v->SubmitSourceBuffer(&b);
    v->FlushSourceBuffers();
    EXPECT_EQ(Queued(v), 0u);
    v->DestroyVoice();
}

TEST_F(MixerTest, VolumeRampsOverOnePeriodAndAmplifiesWithClipping) {
    IXAudio2SourceVoice* v = Voice(Format(1, 16, 48000));
    const Samples pcm(4800, 10000);
    XAUDIO2_BUFFER b = Buffer(pcm);
    b.LoopCount = XAUDIO2_LOOP_INFINITE;
    v->SubmitSourceBuffer(&b);
    v->Start(0);
    EXPECT_EQ(Left(Step(480)), Samples(480, 10000));
    v->SetVolume(0.5f);
    Samples ramp = Left(Step(480));
    EXPECT_TRUE(std::is_sorted(ramp.rbegin(), ramp.rend()));
    EXPECT_GT(ramp.front(), 9900);
    EXPECT_EQ(ramp.back(), 5000);
    EXPECT_EQ(Left(Step(480)), Samples(480, 5000));
    v->SetVolume(4.0f);
    Step(480);
    EXPECT_EQ(Left(Step(480)), Samples(480, 32767));
    float volume = 0;
    v->GetVolume(&volume);
    EXPECT_EQ(volume, 4.0f);
    v->DestroyVoice();
}

TEST_F(MixerTest, RefusesFormatsAndBuffersItCannotPlay) {
    IXAudio2SourceVoice* v = nullptr;
    WAVEFORMATEX formats[] = {Format(1, 24, 48000), Format(3, 16, 48000), Format(1, 16, 500), Format(2, 16, 48000)};
    formats[3].wFormatTag = 3;  // IEEE float
    for (const WAVEFORMATEX& f : formats)
        EXPECT_EQ(engine_->CreateSourceVoice(&v, &f), XAUDIO2_E_INVALID_CALL) << f.nChannels << " " << f.wBitsPerSample;

    v = Voice(Format(2, 16, 48000));
    const Samples pcm(20, 0);  // 10 frames
    struct Case {
        const char* what;
        UINT32 bytes, playBegin, playLength, loopBegin, loopLength, loopCount;
    };
    const Case cases[] = {
        {"empty", 0, 0, 0, 0, 0, 0},
        {"part of a frame", 6, 0, 0, 0, 0, 0},
        {"play region past the end", 40, 5, 6, 0, 0, 0},
        {"loop fields without a loop", 40, 0, 0, 2, 0, 0},
        {"loop count above the limit", 40, 0, 0, 0, 0, 300},
        {"loop past the play region", 40, 0, 5, 2, 4, 1},
        {"loop before the play region", 40, 5, 0, 0, 4, 1},
    };
    for (const Case& c : cases) {
        XAUDIO2_BUFFER b = Buffer(pcm);
        b.AudioBytes = c.bytes;
        b.PlayBegin = c.playBegin;
        b.PlayLength = c.playLength;
        b.LoopBegin = c.loopBegin;
        b.LoopLength = c.loopLength;
        b.LoopCount = c.loopCount;
        EXPECT_EQ(v->SubmitSourceBuffer(&b), XAUDIO2_E_INVALID_CALL) << c.what;
    }
    EXPECT_EQ(Queued(v), 0u);
    v->DestroyVoice();
}

// The threaded mixer (dummy audio driver or its own clock): voices finish so GetState polling ends,
// callbacks come from the mixer's thread, and a voice fed from its callback can be destroyed from
// the main thread at any time.
TEST(MixerThread, VoicesFinishAndCallbacksRunOnTheMixerThread) {
    xaudio2::hooks::SetManualMixing(false);
    IXAudio2* engine = nullptr;
    ASSERT_EQ(XAudio2Create(&engine), S_OK);
    IXAudio2MasteringVoice* master = nullptr;
    ASSERT_EQ(engine->CreateMasteringVoice(&master), S_OK);

    struct Feeder : IXAudio2VoiceCallback {
        IXAudio2SourceVoice* voice = nullptr;
        Samples pcm = Samples(480, 1000);
        std::atomic<int> ends{0};
        std::atomic<bool> foreignThread{true};
        std::thread::id mainThread = std::this_thread::get_id();
        void OnVoiceProcessingPassStart(UINT32) override {}
        void OnVoiceProcessingPassEnd() override {}
        void OnStreamEnd() override {}
        void OnBufferStart(void*) override {}
        void OnBufferEnd(void*) override {
            if (std::this_thread::get_id() == mainThread) foreignThread = false;
            ++ends;
            XAUDIO2_BUFFER b = Buffer(pcm);
            voice->SubmitSourceBuffer(&b);
        }
        void OnLoopEnd(void*) override {}
        void OnVoiceError(void*, HRESULT) override {}
    } feeder;

    IXAudio2SourceVoice* oneShot = nullptr;
    const Samples pcm(4800, 500);
    const WAVEFORMATEX mono = Format(1, 16, 48000);
    ASSERT_EQ(engine->CreateSourceVoice(&oneShot, &mono), S_OK);
    ASSERT_EQ(engine->CreateSourceVoice(&feeder.voice, &mono, 0, 2.0f, &feeder), S_OK);
    XAUDIO2_BUFFER b = Buffer(pcm);
    oneShot->SubmitSourceBuffer(&b);
    oneShot->Start(0);
    XAUDIO2_BUFFER f = Buffer(feeder.pcm);
    feeder.voice->SubmitSourceBuffer(&f);
    feeder.voice->Start(0);

    XAUDIO2_VOICE_STATE s{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        oneShot->GetState(&s);
    } while (s.BuffersQueued != 0 && std::chrono::steady_clock::now() < deadline);
    EXPECT_EQ(s.BuffersQueued, 0u);
    EXPECT_GT(feeder.ends.load(), 3);
    EXPECT_TRUE(feeder.foreignThread);

    feeder.voice->DestroyVoice();  // while it is being fed
    oneShot->DestroyVoice();
    master->DestroyVoice();
    engine->Release();
}

// The mixer thread sleeps while nothing sounds: starting a voice, or flushing a stopped voice's buffers,
// must wake it, however long it has slept, or the sound never plays and its end is never reported.
TEST(MixerThread, WakesForVoicesStartedOrFlushedWhileSilent) {
    xaudio2::hooks::SetManualMixing(false);
    IXAudio2* engine = nullptr;
    ASSERT_EQ(XAudio2Create(&engine), S_OK);
    IXAudio2MasteringVoice* master = nullptr;
    ASSERT_EQ(engine->CreateMasteringVoice(&master), S_OK);
    struct Ends : IXAudio2VoiceCallback {
        std::atomic<int> ends{0};
        void OnVoiceProcessingPassStart(UINT32) override {}
        void OnVoiceProcessingPassEnd() override {}
        void OnStreamEnd() override {}
        void OnBufferStart(void*) override {}
        void OnBufferEnd(void*) override { ++ends; }
        void OnLoopEnd(void*) override {}
        void OnVoiceError(void*, HRESULT) override {}
    } counter;
    IXAudio2SourceVoice* voice = nullptr;
    const WAVEFORMATEX mono = Format(1, 16, 48000);
    ASSERT_EQ(engine->CreateSourceVoice(&voice, &mono, 0, XAUDIO2_DEFAULT_FREQ_RATIO, &counter), S_OK);
    const Samples pcm(480, 700);
    auto endsReach = [&](int n) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (counter.ends < n && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return counter.ends.load();
    };
    for (int round = 0; round < 3; ++round) {
        XAUDIO2_BUFFER b = Buffer(pcm);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));  // long enough for the mixer to go quiet
        voice->SubmitSourceBuffer(&b);
        voice->Start(0);
        EXPECT_EQ(endsReach(2 * round + 1), 2 * round + 1) << "a start after silence, round " << round;
        voice->Stop(0);
        voice->SubmitSourceBuffer(&b);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        voice->FlushSourceBuffers();
        EXPECT_EQ(endsReach(2 * round + 2), 2 * round + 2) << "a flush after silence, round " << round;
    }
    voice->DestroyVoice();
    master->DestroyVoice();
    engine->Release();
}

// Through a real SDL2 device: the "disk" driver (paced like a sound card) records what the mixer
// queued, in order and without gaps, up to the last sample when the engine is released right after.
// The device opens only when the voice starts: until a voice sounds there is no device (and no
// device thread waking the process).
TEST(MixerThread, DeviceOutputCarriesTheVoicesSamples) {
    const std::string recording = ::testing::TempDir() + "xaudio2_disk_" + std::to_string(::getpid()) + ".raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", recording.c_str(), 1);
    xaudio2::hooks::SetManualMixing(false);
    IXAudio2* engine = nullptr;
    ASSERT_EQ(XAudio2Create(&engine), S_OK);
    IXAudio2MasteringVoice* master = nullptr;
    ASSERT_EQ(engine->CreateMasteringVoice(&master), S_OK);
    IXAudio2SourceVoice* voice = nullptr;
    const WAVEFORMATEX mono = Format(1, 16, 48000);
    ASSERT_EQ(engine->CreateSourceVoice(&voice, &mono), S_OK);
    const Samples pcm = Iota(3000, 1);
    XAUDIO2_BUFFER b = Buffer(pcm);
    voice->SubmitSourceBuffer(&b);
    for (float volume : {0.5f, 1.0f}) {  // a master volume ramp alone sounds nothing either
        master->SetVolume(volume);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_FALSE(std::filesystem::exists(recording)) << "the device opened before any voice sounded";
    }
    voice->Start(0);
    XAUDIO2_VOICE_STATE s{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        voice->GetState(&s);
    } while (s.BuffersQueued != 0 && std::chrono::steady_clock::now() < deadline);
    voice->DestroyVoice();
    master->DestroyVoice();
    engine->Release();
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    // The device plays in real time: on a busy machine it may play silence while the mixer thread waits for
    // its turn. The voice's samples (none of them 0) must all arrive, in order; silence between them is left out.
    std::ifstream in(recording, std::ios::binary);
    Samples left;
    for (std::int16_t v[2]; in.read(reinterpret_cast<char*>(v), sizeof v);)
        if (v[0] != 0) left.push_back(v[0]);
    std::remove(recording.c_str());
    const auto first = std::find(left.begin(), left.end(), 1);
    ASSERT_GE(left.end() - first, 3000);
    const Samples got(first, first + 3000);
    const auto diff = std::mismatch(got.begin(), got.end(), pcm.begin());
    EXPECT_EQ(diff.first, got.end()) << "first difference at frame " << (diff.first - got.begin()) << ": "
                                     << (diff.first != got.end() ? *diff.first : 0);
}

}  // namespace
