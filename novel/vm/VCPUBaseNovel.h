// The middle class of the novel machine: the scenario machine plus the music and looping-effect
// opcodes 44-60, which are registered here together with the music managers they drive.
#pragma once
#include "novel/vm/BaseAppVCPU.h"

class CVCPUBaseNovel : public CBaseAppVCPU {};
