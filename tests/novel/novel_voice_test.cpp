// Voices of messages through the novel system: the speaker's switch and volume decide whether and how
// loud a message's voice plays, the clip's length extends the automatic-mode countdown, the log replays
// the newest voice and a row's voice; and the message wait's end in each mode.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/audio/SourceVoice.h"
#include "engine/audio/USXAudio2.h"
#include "support/AudioFixtures.h"
#include "support/ScratchDir.h"
#include "engine/util/USCallbackManager.h"
#include "novel/novel/NovelSystem.h"
#include "novel/sound/SEManager.h"
#include "novel/state/ConfigDataManager.h"
#include "support/ScenarioCode.h"

namespace {

enum : int32_t { kHaruVolume = USER_CFG_INDEX + 1, kHaruSwitch = USER_CFG_INDEX + 2 };

class NovelVoice : public ::testing::Test {
protected:
    void SetUp() override {
        xaudio2::hooks::SetManualMixing(true);
        ASSERT_GE(InitXAudio2(), 0);
        std::string pcm;  // 500 ms of one constant level, mono at the mixer's rate
        for (int i = 0; i < 24000; ++i) pcm += audio_fixtures::U16(16000);
        dir_.Write("haru.wav", audio_fixtures::PcmWave(1, 16, 48000, pcm));
        testsupport::ResetGameState();
        CConfigDataManager& c = *CConfigDataManager::GetInstance();
        c.InitMaxVolume();
        for (int i = 0; i < 4; ++i) c.AddMaxVolume(100);
        for (int i : {CFG_MASTER_VOLUME, CFG_VOLUME_VOICE}) c.SetConfigValue(i, 100);
        c.InitConfigValue(kHaruVolume, 50);
        c.InitConfigValue(kHaruSwitch, 1);
        c.SetConfigValue(kHaruVolume, 50);
        c.SetConfigValue(kHaruSwitch, 1);
        novel.GetCharacters().GetDefault().Set(CFG_VOLUME_VOICE, MAX_VOL_INDEX_VOICE, USER_CFG_INDEX);
        novel.GetCharacters().Add("haru").Set(kHaruVolume, MAX_VOL_INDEX_VOICE, kHaruSwitch);
        novel.SetWordWrap(40, 2, true);
        novel.SetAutoMode();
        CMessageLogManager::GetInstance()->Clear();
    }
    void TearDown() override {
        novel.StopVoice();
        novel.GetVoice().Load("");
        ReleaseXAudio2();
        CUSCallbackManager::Global().Clear();
        xaudio2::hooks::SetManualMixing(false);
    }
    // The output level in the middle of the second 10 ms block (the first ramps a change).
    static double Level() {
        xaudio2::hooks::Step(USXAudio2::GetXAudio2(), 480);
        std::vector<int16_t> out = xaudio2::hooks::Step(USXAudio2::GetXAudio2(), 480);
        return std::abs(out[480]);
    }
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    ScratchDir dir_;
};

TEST_F(NovelVoice, SpeakerSwitchAndVolumeDecide) {
    struct Case {
        const char* key;
        int32_t volume, onOff;
        bool heard;
    } cases[] = {{"haru", 50, 1, true}, {"haru", 50, 0, false}, {"haru", 50, 2, false}, {"haru", 0, 1, false},
                 {"nobody", 50, 1, false}};  // the default record's switch (USER_CFG_INDEX) is 0
    double half = 0;
    for (const Case& k : cases) {
        CConfigDataManager::GetInstance()->SetConfigValue(kHaruVolume, k.volume);
        CConfigDataManager::GetInstance()->SetConfigValue(kHaruSwitch, k.onOff);
        novel.StopVoice();
        novel.GetVoice().Load("");
        novel.SetAutoMode();
        novel.ShowMessage("a", k.key, "Haru", "haru.wav");
        double level = Level();
        EXPECT_EQ(level > 100, k.heard) << k.key << " " << k.volume << " " << k.onOff;
        // 500 ms clip: 31 frames of countdown; without the voice the floor of 10.
        EXPECT_EQ(novel.GetAutoWait(), k.heard ? 31 : 10) << k.key;
        if (k.heard) half = level;
    }
    // Speaker volume 50 of 100: half the level of a full-volume default speaker.
    novel.GetCharacters().GetDefault().Set(CFG_VOLUME_VOICE, MAX_VOL_INDEX_VOICE, kHaruSwitch);
    CConfigDataManager::GetInstance()->SetConfigValue(kHaruSwitch, 1);
    novel.PlayVoice("nobody", "haru.wav");
    EXPECT_NEAR(half / Level(), 0.5, 0.02);
}

TEST_F(NovelVoice, LogReplaysTheNewestVoiceAndARowsVoice) {
    novel.ShowMessage("one", "haru", "Haru", "haru.wav");
    novel.ShowMessage("two", "", "", "");
    novel.StopVoice();
    Level();
    novel.SendCommand(CNovelSystem::kCommandReplayVoice);  // the newest entry has no voice
    EXPECT_LT(Level(), 100);
    CMessageLogManager* log = CMessageLogManager::GetInstance();
    log->ClearLogRowList();
    log->AddLogRow(0, 1);
    log->AddLogRow(2, 3);
    CConfigDataManager::GetInstance()->SetConfigValue(kHaruSwitch, 0);  // rows play without the tests
    novel.PlayLogRowVoice(0);
    EXPECT_LT(Level(), 100);
    novel.PlayLogRowVoice(1);
    EXPECT_GT(Level(), 100);
    novel.StopVoice();
    Level();
    CConfigDataManager::GetInstance()->SetConfigValue(kHaruSwitch, 1);
    novel.ShowMessage("three", "haru", "Haru", "haru.wav");
    novel.StopVoice();
    Level();
    novel.SendCommand(CNovelSystem::kCommandReplayVoice);
    EXPECT_GT(Level(), 100);
}

TEST_F(NovelVoice, MessageWaitEndsByMode) {
    CConfigDataManager* config = CConfigDataManager::GetInstance();
    novel.SetAutoMode();
    EXPECT_TRUE(novel.IsMessageDone());  // countdown 0
    novel.SetAutoWait(3);
    EXPECT_FALSE(novel.IsMessageDone());
    novel.SetNormalMode();
    EXPECT_FALSE(novel.IsMessageDone());  // no advance input
    novel.SetSkipMode();
    config->SetConfigValue(CFG_ENABLE_FAST_SKIP, 0);
    novel.SetMessageCounter(12345);  // never read
    EXPECT_FALSE(novel.IsMessageDone());
    EXPECT_EQ(novel.GetMode(), uint32_t(CNovelSystem::kNormal));
    config->SetConfigValue(CFG_ENABLE_FAST_SKIP, 1);
    novel.SetSkipMode();
    EXPECT_TRUE(novel.IsMessageDone());
    CVCPUNovel& machine = novel.GetMachine();
    machine.SetCode(testsupport::Code("SetWaitFlags 0\nYield\nSetWaitFlags 1\nYield"));
    machine.JumpTo(0);
    testsupport::RunSlice(machine);
    EXPECT_FALSE(novel.IsTimedWaitDone());  // wait flags 0: a timed wait is not skipped
    testsupport::RunSlice(machine);
    EXPECT_TRUE(novel.IsTimedWaitDone());
}

// The sound-effect opcodes reach the channels: load and request, load only, request the loaded one.
TEST_F(NovelVoice, SoundEffectOpcodesDriveTheChannels) {
    CSEManager& se = *CSEManager::GetInstance();
    se.AllocChannels(4);
    CVCPUNovel machine;
    machine.SetCode(testsupport::Code(R"(
        PlaySE 2, "haru.wav", CFG_VOLUME_SE, MAX_VOL_INDEX_SE
        LoadSE 3, "haru.wav"
        PlaySE 9, "haru.wav", 0, 0       ; no such channel: nothing
        Yield
        PlayLoadedSE 3, CFG_VOLUME_VOICE, MAX_VOL_INDEX_VOICE
        Yield
    )"));
    machine.JumpTo(0);
    testsupport::RunSlice(machine);
    EXPECT_EQ(se.GetChannel(2)->fileName, "haru.wav");
    EXPECT_EQ(se.GetChannel(2)->pending, 1u);
    EXPECT_EQ(se.GetChannel(2)->configIndex, uint32_t(CFG_VOLUME_SE));
    EXPECT_EQ(se.GetChannel(3)->fileName, "haru.wav");
    EXPECT_EQ(se.GetChannel(3)->pending, 0u);
    testsupport::RunSlice(machine);
    EXPECT_EQ(se.GetChannel(3)->pending, 1u);
    EXPECT_EQ(se.GetChannel(3)->maxVolumeIndex, uint32_t(MAX_VOL_INDEX_VOICE));
    se.FreeChannels();
}

}  // namespace
