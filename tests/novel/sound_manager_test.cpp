// The sound managers on the mixer stepped by hand, with a constant-level sound so that the mixed output
// shows each voice's gain: fades over frames, configured volumes heard at once, one-shot requests,
// the voice clip's volume and length, saved records (damaged ones too) and music resumed after a load;
// and the music and looping-effect opcodes.
#include <gtest/gtest.h>

#include <cmath>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <thread>

#include "engine/audio/SourceVoice.h"
#include "engine/audio/StreamingSourceVoice.h"
#include "engine/audio/USXAudio2.h"
#include "support/AudioFixtures.h"
#include "support/ScratchDir.h"
#include "engine/util/USCallbackManager.h"
#include "novel/novel/NovelSystem.h"
#include "novel/sound/BGMManager.h"
#include "novel/sound/SEManager.h"
#include "novel/sound/VoiceBuffer.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/SaveDataManager.h"
#include "support/ScenarioCode.h"

namespace {

DWORD g_now = 0;
DWORD TestClock() { return g_now; }
void TestSleep(DWORD ms) { g_now += ms; }

class SoundManagers : public ::testing::Test {
protected:
    void SetUp() override {
        xaudio2::hooks::SetManualMixing(true);
        ASSERT_GE(InitXAudio2(), 0);
        win32::hooks::SetClock(TestClock, TestSleep);
        // 100 ms of one constant level, mono at the mixer's rate.
        std::string pcm;
        for (int i = 0; i < 4800; ++i) pcm += audio_fixtures::U16(16000);
        dir_.Write("dc.wav", audio_fixtures::PcmWave(1, 16, 48000, pcm));
        testsupport::ResetGameState();
        CConfigDataManager& c = *CConfigDataManager::GetInstance();
        c.InitMaxVolume();
        for (int i = 0; i < 4; ++i) c.AddMaxVolume(100);
        for (int i : {CFG_MASTER_VOLUME, CFG_VOLUME_BGM, CFG_VOLUME_SE, CFG_VOLUME_VOICE}) c.SetConfigValue(i, 100);
        // The level of the sound at full gain, as the mixer puts it out.
        USXAudio2::SourceVoiceHandle h;
        ASSERT_TRUE(CreateSourceVoice(&h, "dc.wav"));
        GetSourceVoice(h)->Play(1);
        full_ = Level();
        USXAudio2::SourceVoice::GetManager().Release(h);
        ASSERT_GT(full_, 1000.0);
    }
    void TearDown() override {
        CBGMManager::GetInstance()->StopAll();
        CLoopSEManager::GetInstance()->StopAll();
        CSEManager::GetInstance()->FreeChannels();
        for (uint32_t i = 0; i < CLoopSEManager::kChannels; ++i) CLoopSEManager::GetInstance()->GetChannel(i)->Release();
        CBGMManager::GetInstance()->GetTrack(0).Release();
        CBGMManager::GetInstance()->GetTrack(1).Release();
        ReleaseXAudio2();
        CUSCallbackManager::Global().Clear();
        xaudio2::hooks::SetManualMixing(false);
        win32::hooks::SetClock(nullptr, nullptr);
    }
    // The output level once a gain change has settled: the mixer ramps a change over one 10 ms
    // block, so the level is taken in the middle of the block after it (left channel).
    static double Level() {
        xaudio2::hooks::Step(USXAudio2::GetXAudio2(), 480);
        std::vector<int16_t> out = xaudio2::hooks::Step(USXAudio2::GetXAudio2(), 480);
        return std::abs(out[480]);
    }
    double Gain() { return Level() / full_; }
    ScratchDir dir_;
    double full_ = 0;
};

TEST_F(SoundManagers, FadesReachTheirTargetOverTheFrames) {
    const struct {
        bool in;
        uint32_t frames, updates;
        uint32_t volume;  // numerator after the updates
        bool playing;
    } cases[] = {
        {false, 60, 30, 0x8000, true},
        {false, 60, 60, 0, false},  // a fade to silence stops the track at its end
        {true, 30, 1, 2184, true},
        {true, 30, 15, 0x8000, true},
        {true, 30, 30, 0x10000, true},
    };
    CLoopSEInfo& channel = *CLoopSEManager::GetInstance()->GetChannel(0);
    ASSERT_TRUE(channel.LoadSound("dc.wav"));
    channel.configIndex = CFG_VOLUME_SE;
    channel.maxVolumeIndex = MAX_VOL_INDEX_SE;
    for (const auto& k : cases) {
        SCOPED_TRACE(testing::Message() << (k.in ? "in " : "out ") << k.updates << "/" << k.frames);
        channel.PlayDefault(k.in ? 0 : 0x10000);
        if (k.in) {
            channel.FadeIn(k.frames, 0x10000);
        } else {
            channel.FadeOut(k.frames, 0);
        }
        for (uint32_t i = 0; i < k.updates; ++i) channel.Update();
        EXPECT_EQ(channel.playing, k.playing ? 1u : 0u);
        EXPECT_NEAR(Gain(), k.playing ? k.volume / 65536.0 : 0.0, 0.01);
        if (k.playing && k.updates == k.frames) {
            channel.Update();  // after its end a fade holds the last volume
            EXPECT_EQ(channel.from, float(k.volume));
        }
    }
}

TEST_F(SoundManagers, ConfiguredVolumeIsHeardAtOnce) {
    CLoopSEInfo& channel = *CLoopSEManager::GetInstance()->GetChannel(15);
    ASSERT_TRUE(channel.LoadSound("dc.wav"));
    channel.configIndex = CFG_VOLUME_SE;
    channel.maxVolumeIndex = MAX_VOL_INDEX_SE;
    channel.PlayDefault(0x10000);
    const struct {
        int se, master;
        double gain;
    } cases[] = {{100, 100, 1.0}, {50, 100, 0.5}, {100, 25, 0.25}, {0, 100, 0.0}};
    for (const auto& k : cases) {
        CConfigDataManager::GetInstance()->SetConfigValue(CFG_VOLUME_SE, k.se);
        CConfigDataManager::GetInstance()->SetConfigValue(CFG_MASTER_VOLUME, k.master);
        CLoopSEManager::GetInstance()->Update();
        EXPECT_NEAR(Gain(), k.gain, 0.01) << k.se << " " << k.master;
    }
    EXPECT_EQ(CLoopSEManager::GetInstance()->GetChannel(16), nullptr);
}

TEST_F(SoundManagers, OneShotEffectsPlayOnceAtTheEndOfTheFrame) {
    CSEManager& se = *CSEManager::GetInstance();
    se.AllocChannels(64);
    se.PlaySE(3, "dc.wav", CFG_VOLUME_SE, MAX_VOL_INDEX_SE);
    CConfigDataManager::GetInstance()->SetConfigValue(CFG_VOLUME_SE, 0);  // switched off: no sound
    se.Update();
    EXPECT_EQ(Level(), 0.0);
    se.ClearRequests();
    CConfigDataManager::GetInstance()->SetConfigValue(CFG_VOLUME_SE, 50);
    CConfigDataManager::GetInstance()->SetConfigValue(CFG_MASTER_VOLUME, 10);  // not applied to effects
    se.PlaySEBuffer(3, CFG_VOLUME_SE, MAX_VOL_INDEX_SE);
    se.PlaySEBuffer(3, CFG_VOLUME_SE, MAX_VOL_INDEX_SE);
    se.Update();
    EXPECT_NEAR(Gain(), 0.5, 0.01);
    for (int i = 0; i < 5; ++i) Level();  // the 100 ms sound is over: it played once
    EXPECT_EQ(Level(), 0.0);
    se.ClearRequests();
    se.Update();
    EXPECT_EQ(Level(), 0.0);
    se.PlaySE(64, "dc.wav", CFG_VOLUME_SE, MAX_VOL_INDEX_SE);  // beyond the channels: ignored
    EXPECT_EQ(se.GetChannel(64), nullptr);
}

TEST_F(SoundManagers, VoiceClipVolumeAndLength) {
    CVoiceBuffer voice;
    ASSERT_TRUE(voice.Load("dc.wav"));
    EXPECT_EQ(voice.GetLengthMsec(), 100u);
    EXPECT_EQ(voice.GetLengthFrames(), 6u);
    const struct {
        int voiceVolume, master;
        uint32_t n, d;
        double gain;
    } cases[] = {
        {80, 100, 0x10000, 0x10000, 0.8},
        {80, 100, 0x8000, 0x10000, 0.4},  // the speaker's own volume
        {80, 50, 0x10000, 0x10000, 0.4},
        {80, 50, 1, 1, 0.8},  // denominator 1: no master volume
    };
    for (const auto& k : cases) {
        CConfigDataManager::GetInstance()->SetConfigValue(CFG_VOLUME_VOICE, k.voiceVolume);
        CConfigDataManager::GetInstance()->SetConfigValue(CFG_MASTER_VOLUME, k.master);
        voice.Play(k.n, k.d);
        EXPECT_NEAR(Gain(), k.gain, 0.01) << k.n << "/" << k.d << " master " << k.master;
    }
    EXPECT_TRUE(voice.IsPlaying());
    g_now += 100;
    EXPECT_TRUE(voice.IsPlaying());
    g_now += 1;
    EXPECT_FALSE(voice.IsPlaying());
    EXPECT_TRUE(voice.Load("dc.wav"));  // the same clip is kept
    EXPECT_FALSE(voice.Load("missing.wav"));
    EXPECT_FALSE(voice.IsLoaded());
    EXPECT_FALSE(voice.Load(""));
}

TEST_F(SoundManagers, MusicResumesAfterALoad) {
    dir_.Write("save/.keep", "");
    // The whole game is saved and loaded: no code left behind by an earlier test (whose name a load
    // would refuse) rides along.
    testsupport::ResetNovelMachine();
    CBGMManager& bgm = *CBGMManager::GetInstance();
    CBGMInfo& track = bgm.GetCurrentTrack();
    ASSERT_TRUE(track.LoadSound("dc.wav"));
    track.configIndex = CFG_VOLUME_BGM;
    track.maxVolumeIndex = MAX_VOL_INDEX_BGM;
    const struct {
        const char* what;
        int fade;  // 0 none, -1 out, 1 in
        bool playing;
        float volume;
    } cases[] = {
        {"steady", 0, true, 0x10000},
        {"fading out", -1, false, 0},
        {"fading in", 1, true, 0x10000},
        {"stopped", 2, false, 0},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        track.Play(3, 40, 20, k.fade == 1 ? 0 : 0x8000);
        if (k.fade == -1) track.FadeOut(60, 0);
        if (k.fade == 1) track.FadeIn(60, 0x10000);
        if (k.fade == 2) track.Stop();
        bgm.Update();
        ASSERT_TRUE(CSaveDataManager::SaveToFile("save\\bgm.sav"));
        bgm.StopAll();
        track.from = 1;
        ASSERT_TRUE(CSaveDataManager::LoadFromFile("save\\bgm.sav"));
        CBGMInfo& loaded = bgm.GetCurrentTrack();
        EXPECT_EQ(loaded.fileName, "dc.wav");
        EXPECT_EQ(loaded.playing, k.playing ? 1u : 0u);
        EXPECT_EQ(loaded.fadeFramesLeft, 0u);
        EXPECT_EQ(loaded.loopCount, 3u);
        EXPECT_EQ(loaded.startPosition, 40u);
        EXPECT_EQ(loaded.from, k.playing ? k.volume : loaded.from);
        USXAudio2::StreamingSourceVoice* voice = GetStreamingSourceVoice(loaded.handle);
        ASSERT_NE(voice, nullptr);
        // The stream's worker takes the play request over on its own thread.
        for (int i = 0; i < 2000 && k.playing && voice->GetState() != USXAudio2::kStatePlaying; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(voice->GetState() == USXAudio2::kStatePlaying, k.playing);
    }
}

TEST_F(SoundManagers, EffectRecordsRoundTrip) {
    CSEManager& se = *CSEManager::GetInstance();
    se.AllocChannels(3);
    se.LoadSEBuffer(1, "dc.wav");
    se.PlaySEBuffer(1, CFG_VOLUME_VOICE, MAX_VOL_INDEX_VOICE);
    CLoopSEInfo& loop = *CLoopSEManager::GetInstance()->GetChannel(7);
    ASSERT_TRUE(loop.LoadSound("dc.wav"));
    loop.configIndex = CFG_VOLUME_SE;
    loop.PlayDefault(0x4000);
    USLib::binary_ostream<256> seRecord, loopRecord;
    se.Save(seRecord);
    CLoopSEManager::GetInstance()->Save(loopRecord);
    EXPECT_EQ(loopRecord.GetSize(), 4u + 16 * 49 + 6);  // sixteen 12-word records, one named

    se.AllocChannels(10);
    loop.Release();
    USLib::binary_istream in;
    in.Attach(seRecord.GetData(), seRecord.GetSize());
    se.Load(in, 0);
    USLib::binary_istream loopIn;
    loopIn.Attach(loopRecord.GetData(), loopRecord.GetSize());
    CLoopSEManager::GetInstance()->Load(loopIn, 0);
    ASSERT_EQ(se.GetCount(), 3u);
    EXPECT_EQ(se.GetChannel(1)->fileName, "dc.wav");
    EXPECT_NE(GetSourceVoice(se.GetChannel(1)->handle), nullptr);
    EXPECT_EQ(se.GetChannel(1)->configIndex, uint32_t(CFG_VOLUME_VOICE));
    EXPECT_EQ(se.GetChannel(1)->pending, 0u);  // requests are not saved
    EXPECT_EQ(loop.fileName, "dc.wav");
    EXPECT_EQ(loop.playing, 1u);
    EXPECT_EQ(loop.from, float(0x4000));

    const unsigned char hugeCount[] = {0xFF, 0xFF, 0xFF, 0x7F, 0};
    USLib::binary_istream bad;
    bad.Attach(hugeCount, sizeof hugeCount);
    EXPECT_THROW(se.Load(bad, 0), USLib::stream_error);
}

TEST_F(SoundManagers, DamagedFadeRecordsLoadAsSaneVolumes) {
    // Record words: 4 fade length, 7 frames left, 8 current volume, 9 target (floats as their bits).
    // A fade whose length is no number of frames is dropped; volumes become numbers in range, so
    // the frames before and after the load never convert what is not a number.
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* what;
        uint32_t word;
        float value;
        bool fadeKept;
    } cases[] = {
        {"fade of length 0", 4, 0.0f, false},
        {"fade of length NaN", 4, nan, false},
        {"fade of length -3", 4, -3.0f, false},
        {"fade of length infinite", 4, inf, false},
        {"target NaN", 9, nan, true},
        {"target -1e9", 9, -1e9f, true},
        {"target 1e30", 9, 1e30f, true},
        {"volume NaN", 8, nan, true},
        {"volume infinite", 8, inf, true},
    };
    CLoopSEInfo& channel = *CLoopSEManager::GetInstance()->GetChannel(2);
    ASSERT_TRUE(channel.LoadSound("dc.wav"));
    channel.configIndex = CFG_VOLUME_SE;
    channel.maxVolumeIndex = MAX_VOL_INDEX_SE;
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        channel.PlayDefault(0x8000);
        channel.FadeOut(10, 0x8000);
        channel.Update();
        USLib::binary_ostream<256> record;
        channel.Save(record);
        unsigned char* bytes = record.GetData();
        std::memcpy(bytes + 4 * k.word, &k.value, 4);
        USLib::binary_istream in;
        in.Attach(bytes, record.GetSize());
        channel.Load(in, 0);
        EXPECT_EQ(channel.fadeFramesLeft, k.fadeKept ? 9u : 0u);
        EXPECT_TRUE(std::isfinite(channel.from) && std::isfinite(channel.to)) << channel.from << " " << channel.to;
        channel.Update();
        channel.Resume();
        channel.Update();
        EXPECT_TRUE(std::isfinite(channel.from) && std::isfinite(channel.to)) << channel.from << " " << channel.to;
        EXPECT_GE(channel.from, 0.0f);
    }
}

TEST_F(SoundManagers, MusicAndLoopOpcodes) {
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    CBGMManager& bgm = *CBGMManager::GetInstance();
    CVCPUNovel& machine = novel.GetMachine();
    machine.SetCode(testsupport::Code(R"(
        LoadBGM "dc.wav"
        PlayBGM 1, 32768, CFG_VOLUME_BGM, MAX_VOL_INDEX_BGM, 10, 2, 30
        SwapBGM
        FadeOutBGM 0, 12
        LoadLoopSE 3, "dc.wav"
        PlayLoopSE 3, 65536, CFG_VOLUME_SE, MAX_VOL_INDEX_SE
        FadeInLoopSE 3, 20
        LoadLoopSE 99, "dc.wav"
        Nothing55
        SkipFloats57 1.5, 2.5
        Nothing60
        Push 7
        Yield
    )"));
    machine.JumpTo(0);
    novel.SetNormalMode();
    testsupport::RunSlice(machine);
    CBGMInfo& track = bgm.GetCurrentTrack();  // the other track before the swap
    EXPECT_EQ(track.fileName, "dc.wav");
    EXPECT_EQ(track.playing, 1u);
    EXPECT_EQ(track.configIndex, uint32_t(CFG_VOLUME_BGM));
    EXPECT_EQ(track.loopStart, 10u);
    EXPECT_EQ(track.loopCount, 2u);
    EXPECT_EQ(track.startPosition, 30u);
    EXPECT_EQ(track.from, 32768.0f);
    EXPECT_EQ(track.fadeFramesLeft, 12u);
    EXPECT_EQ(track.to, 0.0f);
    CLoopSEInfo& loop = *CLoopSEManager::GetInstance()->GetChannel(3);
    EXPECT_EQ(loop.fileName, "dc.wav");
    EXPECT_EQ(loop.playing, 1u);
    EXPECT_EQ(loop.fadeFramesLeft, 20u);
    EXPECT_EQ(loop.to, 65536.0f);
    EXPECT_EQ(machine.GetStack().GetCells()[machine.GetStack().GetDepth() - 1], 7);  // every operand read

    // While skipping, looping effects are neither loaded nor started, but their operands are read.
    loop.Stop();
    loop.Release();
    CConfigDataManager::GetInstance()->SetConfigValue(CFG_ENABLE_FAST_SKIP, 1);
    novel.SetSkipMode();
    machine.SetCode(testsupport::Code(R"(
        LoadLoopSE 3, "dc.wav"
        PlayLoopSE 3, 65536, CFG_VOLUME_SE, MAX_VOL_INDEX_SE
        Push 8
        Yield
    )"));
    machine.JumpTo(0);
    testsupport::RunSlice(machine);
    EXPECT_EQ(loop.fileName, "");
    EXPECT_EQ(loop.playing, 0u);
    EXPECT_EQ(machine.GetStack().GetCells()[machine.GetStack().GetDepth() - 1], 8);
    novel.SetNormalMode();
}

}  // namespace
