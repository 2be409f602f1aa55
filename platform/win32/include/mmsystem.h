// Our stand-in for <mmsystem.h>: the millisecond clock, the wave format record and the mmio RIFF reader.
#pragma once
#include "win32/winmm.h"
#include "win32/mmreg.h"
#include "win32/mmio.h"
