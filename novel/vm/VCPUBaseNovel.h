// The middle class of the novel machine: the scenario machine plus opcodes 44-60, which drive the
// background music (two tracks for cross-fades) and the looping sound effects.
#pragma once
#include "novel/vm/BaseAppVCPU.h"

class CDefoMusicInfo;

class CVCPUBaseNovel : public CBaseAppVCPU {
public:
    CVCPUBaseNovel();

private:
    // The track named by the next operand: 0 the current one, anything else the other one.
    CDefoMusicInfo& ReadTrack();
    // The looping-effect channel named by the next operand; null outside 0-15.
    CDefoMusicInfo* ReadLoopChannel();

    void OpLoadBGM();
    void OpPlayBGM();
    void OpStopBGM();
    void OpSwapBGM();
    void OpFadeOutBGM();
    void OpFadeInBGM();
    void OpLoadLoopSE();
    void OpPlayLoopSE();
    void OpStopLoopSE();
    void OpFadeOutLoopSE();
    void OpFadeInLoopSE();
    void OpNothing() {}
    void OpSkipTwoFloats();
};
