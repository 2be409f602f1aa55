// The sound service's voices on the mixer stepped by hand: whole sounds played once, n times or
// endlessly; streamed Ogg sample-exact across chunk boundaries and loop points; pause, resume, stop,
// restart and release while playing. Then the same threads on the running mixer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "engine/audio/SourceVoice.h"
#include "engine/audio/StreamingSourceVoice.h"
#include "engine/audio/USXAudio2.h"
#include "support/AudioFixtures.h"
#include "support/ScratchDir.h"
#include "engine/util/USCallbackManager.h"

namespace {

using namespace audio_fixtures;
using Samples = std::vector<std::int16_t>;
using USXAudio2::SourceVoice;
using USXAudio2::StreamingSourceVoice;

Samples Slice(const Samples& s, size_t from, size_t to) { return Samples(s.begin() + long(from), s.begin() + long(to)); }
Samples Concat(std::initializer_list<Samples> parts) {
    Samples all;
    for (const Samples& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

template <class Pred>
bool WaitUntil(Pred pred) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class VoiceTest : public ::testing::Test {
protected:
    void Start(bool manual) {
        xaudio2::hooks::SetManualMixing(manual);
        ASSERT_GE(InitXAudio2(), 0);
        ASSERT_NE(USXAudio2::GetXAudio2(), nullptr);
    }
    void SetUp() override {
        dir_.Write("music.ogg", ReadFixture("music.ogg"));
        music_ = DecodeReference("music.ogg");
    }
    void TearDown() override {
        ReleaseXAudio2();
        CUSCallbackManager::Global().Clear();
        xaudio2::hooks::SetManualMixing(false);
    }
    Samples Step(UINT32 frames) { return xaudio2::hooks::Step(USXAudio2::GetXAudio2(), frames); }
    // Steps in mixer periods, letting the voice's worker refill its buffer between them as it
    // would in the 100 ms a buffer plays.
    Samples StepStream(StreamingSourceVoice* voice, size_t frames) {
        Samples out;
        for (size_t done = 0; done < frames; done += 480) {
            Samples part = Step(static_cast<UINT32>(std::min<size_t>(480, frames - done)));
            out.insert(out.end(), part.begin(), part.end());
            EXPECT_TRUE(WaitUntil([&] { return !voice->IsRefillPending(); }));
        }
        return out;
    }
    StreamingSourceVoice* Stream(const char* name) {
        USXAudio2::StreamingSourceVoiceHandle h;
        EXPECT_EQ(CreateStreamingSourceVoice(&h, name), 1);
        return GetStreamingSourceVoice(h);
    }
    void Played(StreamingSourceVoice* v) {
        EXPECT_TRUE(WaitUntil([&] { return v->GetState() == USXAudio2::kStatePlaying || v->GetState() == USXAudio2::kStateEndOfData; }));
    }

    ScratchDir dir_;
    Samples music_;  // interleaved stereo, 57600 frames
};

TEST_F(VoiceTest, WholeSoundPlaysTheGivenNumberOfTimes) {
    Start(true);
    // 1000 stereo frames at 48 kHz.
    Samples pcm(2000);
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<std::int16_t>(i * 13 - 9000);
    dir_.Write("se.wav", PcmWave(2, 16, 48000, std::string(reinterpret_cast<const char*>(pcm.data()), pcm.size() * 2)));
    struct Case {
        int loopCount;
        int passes;  // -1 endless
    } cases[] = {{1, 1}, {3, 3}, {0, -1}, {-1, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loopCount);
        USXAudio2::SourceVoiceHandle h;
        ASSERT_EQ(CreateSourceVoice(&h, "se.wav"), 1);
        SourceVoice* v = GetSourceVoice(h);
        EXPECT_TRUE(v->IsReady());
        EXPECT_EQ(v->GetLengthMsec(), 21u);
        EXPECT_EQ(v->GetName(), "se.wav");
        ASSERT_EQ(v->Play(c.loopCount), 1);
        EXPECT_EQ(v->GetState(), USXAudio2::kStatePlaying);
        const Samples out = Step(6000);
        Samples expected;
        for (int p = 0; p < (c.passes < 0 ? 6 : c.passes); ++p) expected = Concat({expected, pcm});
        expected.resize(12000, 0);
        EXPECT_EQ(out, expected);
        EXPECT_TRUE(SourceVoice::GetManager().Release(h));
    }
}

TEST_F(VoiceTest, SharedSoundAndRestartAfterStop) {
    Start(true);
    USXAudio2::SourceVoiceHandle a, b;
    ASSERT_EQ(CreateSourceVoice(&a, "music.ogg"), 1);
    b = USXAudio2::SourceVoiceHandle();
    SourceVoice* second = SourceVoice::GetManager().Add(std::make_unique<SourceVoice>(), &b);
    ASSERT_EQ(second->SetupShared(GetSourceVoice(a)), 0);
    // Both play the one decoded sound: together they sum.
    second->SetVolume(0.5f, 0);  // set while silent: no ramp
    second->Play(1);
    GetSourceVoice(a)->Play(1);
    const Samples out = Step(480);
    for (size_t i = 0; i < out.size(); ++i) ASSERT_NEAR(out[i], music_[i] + music_[i] / 2, 1) << i;
    // Stop, then play again: from the start.
    EXPECT_EQ(second->Stop(), 1);
    EXPECT_EQ(second->GetState(), USXAudio2::kStateStopped);
    GetSourceVoice(a)->Stop();
    EXPECT_EQ(Step(100), Samples(200, 0));
    GetSourceVoice(a)->Play(1);
    EXPECT_EQ(Step(480), Slice(music_, 0, 960));
}

TEST_F(VoiceTest, StreamPlaysSampleExactAcrossChunksAndStopsAfterItsLastSample) {
    Start(true);
    StreamingSourceVoice* v = Stream("music.ogg");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->GetLengthMsec(), 1200u);
    EXPECT_EQ(v->GetAvgBytesPerSec(), 192000u);
    ASSERT_TRUE(v->Play(1, 0, 0, 0));
    Played(v);
    const Samples out = StepStream(v, 60000);
    Samples expected = music_;
    expected.resize(120000, 0);
    EXPECT_EQ(out, expected);
    EXPECT_TRUE(WaitUntil([&] { return v->GetState() == USXAudio2::kStateStopped; }));
}

TEST_F(VoiceTest, StreamLoopsAtItsLoopPointWithoutAGap) {
    Start(true);
    StreamingSourceVoice* v = Stream("music.ogg");
    // From 100 ms, twice over 250..1050 ms (loop points off the 100 ms chunk grid).
    ASSERT_TRUE(v->Play(2, 100, 250, 1050));
    Played(v);
    const size_t perMs = 96;  // samples a millisecond
    const Samples expected = Concat({Slice(music_, 100 * perMs, 1050 * perMs), Slice(music_, 250 * perMs, 1050 * perMs)});
    const Samples out = StepStream(v, expected.size() / 2 + 4800);
    EXPECT_EQ(Slice(out, 0, expected.size()), expected);
    EXPECT_EQ(Slice(out, expected.size(), out.size()), Samples(out.size() - expected.size(), 0));
}

TEST_F(VoiceTest, StreamPauseResumeKeepsPositionAndPlayRestarts) {
    Start(true);
    StreamingSourceVoice* v = Stream("music.ogg");
    v->Resume();  // not paused: nothing happens
    ASSERT_TRUE(v->Play(0, 0, 0, 0));
    Played(v);
    v->Resume();  // playing: nothing happens
    Samples first = StepStream(v, 14400);
    v->Pause();
    ASSERT_TRUE(WaitUntil([&] { return v->GetState() == USXAudio2::kStatePaused; }));
    EXPECT_EQ(StepStream(v, 4800), Samples(9600, 0));
    v->Resume();
    Played(v);
    Samples rest = StepStream(v, 9600);
    EXPECT_EQ(Concat({first, rest}), Slice(music_, 0, 48000));

    v->Stop();
    ASSERT_TRUE(WaitUntil([&] { return v->GetState() == USXAudio2::kStateStopped; }));
    v->Pause();  // stopped: nothing happens
    EXPECT_EQ(StepStream(v, 960), Samples(1920, 0));
    ASSERT_TRUE(v->Play(0, 0, 0, 0));
    Played(v);
    EXPECT_EQ(StepStream(v, 9600), Slice(music_, 0, 19200));
    // Endless: the end of the sound goes on from its start.
    const Samples wrap = StepStream(v, 57600);
    EXPECT_EQ(wrap, Concat({Slice(music_, 19200, music_.size()), Slice(music_, 0, 19200)}));
}

TEST_F(VoiceTest, RequestsInQuickSuccessionEndInTheLastOneAsked) {
    Start(true);
    StreamingSourceVoice* v = Stream("music.ogg");
    // Stop then play at once (a restart): it plays, from the start.
    v->Play(0, 500, 0, 0);
    Played(v);
    v->Stop();
    v->Play(0, 0, 0, 0);
    Played(v);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // time for a stale stop to show
    EXPECT_EQ(v->GetState(), USXAudio2::kStatePlaying);
    EXPECT_EQ(StepStream(v, 4800), Slice(music_, 0, 9600));
    // Play then stop at once: it ends stopped, silent.
    v->Play(0, 0, 0, 0);
    v->Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the worker takes both requests
    EXPECT_EQ(v->GetState(), USXAudio2::kStateStopped);
    EXPECT_EQ(StepStream(v, 960), Samples(1920, 0));
}

TEST_F(VoiceTest, ReleasingPlayingVoicesEndsCleanly) {
    Start(true);
    StreamingSourceVoice* v = Stream("music.ogg");
    USXAudio2::SourceVoiceHandle h;
    ASSERT_EQ(CreateSourceVoice(&h, "music.ogg"), 1);
    GetSourceVoice(h)->Play(0);
    v->Play(0, 0, 0, 0);
    Played(v);
    StepStream(v, 9600);
    EXPECT_TRUE(SourceVoice::GetManager().Release(h));
    EXPECT_EQ(StreamingSourceVoice::GetManager().GetCount(), 1u);
    ReleaseXAudio2();  // the streaming voice goes with the engine
    EXPECT_EQ(StreamingSourceVoice::GetManager().GetCount(), 0u);
    EXPECT_EQ(USXAudio2::GetXAudio2(), nullptr);
}

TEST_F(VoiceTest, CreateFailsForBadFilesAndWithoutTheEngine) {
    dir_.Write("text.ogg", "not a sound");
    dir_.Write("nofmt.wav", Wave(Chunk("data", "abcd")));
    for (bool engine : {true, false}) {
        if (engine) Start(true);
        const char* names[] = {"text.ogg", "nofmt.wav", "missing.ogg", "music.mp3", engine ? "" : "music.ogg"};
        for (const char* name : names) {
            if (!*name) continue;
            ::testing::internal::CaptureStderr();
            USXAudio2::SourceVoiceHandle h;
            USXAudio2::StreamingSourceVoiceHandle s;
            EXPECT_EQ(CreateSourceVoice(&h, name), 0) << name;
            EXPECT_EQ(CreateStreamingSourceVoice(&s, name), 0) << name;
            EXPECT_TRUE(h.IsNull());
            EXPECT_TRUE(s.IsNull());
            ::testing::internal::GetCapturedStderr();
        }
        if (engine) ReleaseXAudio2();
    }
    EXPECT_EQ(SourceVoice::GetManager().GetCount(), 0u);
}

// The streaming worker, the mixer thread and the main thread together (run under ThreadSanitizer
// by the tsan build): plays, pauses, resumes, stops, volume changes and releases while the mixer
// runs on its own.
TEST_F(VoiceTest, ThreadsTogetherOnTheRunningMixer) {
    Start(false);
    dir_.Write("voice22k.ogg", ReadFixture("voice22k.ogg"));
    StreamingSourceVoice* music = Stream("music.ogg");
    StreamingSourceVoice* voice = Stream("voice22k.ogg");
    USXAudio2::SourceVoiceHandle se;
    ASSERT_EQ(CreateSourceVoice(&se, "voice22k.ogg"), 1);
    music->Play(0, 0, 300, 500);
    voice->Play(1, 0, 0, 0);
    GetSourceVoice(se)->Play(2);
    for (int i = 0; i < 20; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
        music->SetVolume(1.0f - 0.04f * static_cast<float>(i), 0);
        if (i % 5 == 1) music->Pause();
        if (i % 5 == 3) music->Resume();
        if (i == 10) voice->Play(1, 100, 0, 0);
        if (i == 12) GetSourceVoice(se)->Play(1);
    }
    // The single-pass voice ends and stops by itself.
    EXPECT_TRUE(WaitUntil([&] { return voice->GetState() == USXAudio2::kStateStopped; }));
    music->Stop();
    EXPECT_TRUE(WaitUntil([&] { return music->GetState() == USXAudio2::kStateStopped; }));
    music->Play(0, 0, 0, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
}

}  // namespace
