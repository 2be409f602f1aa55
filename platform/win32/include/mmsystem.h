// Our stand-in for <mmsystem.h>: the millisecond clock, plus the mmio RIFF reader when present.
#pragma once
#include "win32/winmm.h"
#if __has_include("win32/mmio.h")
#include "win32/mmio.h"
#endif
