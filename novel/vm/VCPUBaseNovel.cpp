// Opcodes 44-60: music tracks and looping effects.
#include "novel/vm/VCPUBaseNovel.h"

#include "novel/novel/NovelSystem.h"
#include "novel/sound/BGMManager.h"

CVCPUBaseNovel::CVCPUBaseNovel() {
    using Self = CVCPUBaseNovel;
    void (Self::*const handlers[])() = {
        &Self::OpLoadBGM,       &Self::OpPlayBGM,       &Self::OpStopBGM,      &Self::OpSwapBGM,
        &Self::OpFadeOutBGM,    &Self::OpFadeInBGM,     &Self::OpLoadLoopSE,   &Self::OpPlayLoopSE,
        &Self::OpStopLoopSE,    &Self::OpFadeOutLoopSE, &Self::OpFadeInLoopSE, &Self::OpNothing,
        &Self::OpSkipTwoFloats, &Self::OpSkipTwoFloats, &Self::OpSkipTwoFloats, &Self::OpNothing,
        &Self::OpNothing,
    };
    for (uint32_t i = 0; i < std::size(handlers); ++i) RegisterOpcode(44 + i, static_cast<Handler>(handlers[i]));
}

CDefoMusicInfo& CVCPUBaseNovel::ReadTrack() { return CBGMManager::GetInstance()->GetTrack(cursor_.ReadInt()); }

CDefoMusicInfo* CVCPUBaseNovel::ReadLoopChannel() { return CLoopSEManager::GetInstance()->GetChannel(cursor_.ReadInt()); }

void CVCPUBaseNovel::OpLoadBGM() { CBGMManager::GetInstance()->GetOtherTrack().LoadSound(ReadString()); }

void CVCPUBaseNovel::OpPlayBGM() {
    CDefoMusicInfo& track = ReadTrack();
    const uint32_t volume = cursor_.ReadInt();
    track.configIndex = cursor_.ReadInt();
    track.maxVolumeIndex = cursor_.ReadInt();
    const uint32_t loopStart = cursor_.ReadInt();
    const uint32_t loopCount = cursor_.ReadInt();
    const uint32_t start = cursor_.ReadInt();
    track.Play(loopCount, start, loopStart, volume);
}

void CVCPUBaseNovel::OpStopBGM() { ReadTrack().Stop(); }
void CVCPUBaseNovel::OpSwapBGM() { CBGMManager::GetInstance()->SwapTrack(); }

void CVCPUBaseNovel::OpFadeOutBGM() {
    CDefoMusicInfo& track = ReadTrack();
    track.FadeOut(cursor_.ReadInt(), 0);
}

void CVCPUBaseNovel::OpFadeInBGM() {
    CDefoMusicInfo& track = ReadTrack();
    track.FadeIn(cursor_.ReadInt(), 0x10000);
}

void CVCPUBaseNovel::OpLoadLoopSE() {
    const bool skipping = CNovelSystem::GetInstance()->IsSkipAllowed();
    CDefoMusicInfo* channel = ReadLoopChannel();
    const char* file = ReadString();
    if (!skipping && channel) channel->LoadSound(file);
}

void CVCPUBaseNovel::OpPlayLoopSE() {
    const bool skipping = CNovelSystem::GetInstance()->IsSkipAllowed();
    CDefoMusicInfo* channel = ReadLoopChannel();
    const uint32_t volume = cursor_.ReadInt();
    const uint32_t config = cursor_.ReadInt();
    const uint32_t maxVolume = cursor_.ReadInt();
    if (skipping || !channel) return;
    channel->configIndex = config;
    channel->maxVolumeIndex = maxVolume;
    channel->PlayDefault(volume);
}

void CVCPUBaseNovel::OpStopLoopSE() {
    if (CDefoMusicInfo* channel = ReadLoopChannel()) channel->Stop();
}

void CVCPUBaseNovel::OpFadeOutLoopSE() {
    CDefoMusicInfo* channel = ReadLoopChannel();
    const uint32_t frames = cursor_.ReadInt();
    if (channel) channel->FadeOut(frames, 0);
}

void CVCPUBaseNovel::OpFadeInLoopSE() {
    CDefoMusicInfo* channel = ReadLoopChannel();
    const uint32_t frames = cursor_.ReadInt();
    if (channel) channel->FadeIn(frames, 0x10000);
}

void CVCPUBaseNovel::OpSkipTwoFloats() {
    cursor_.ReadFloat();
    cursor_.ReadFloat();
}
