// winmm stand-in: the millisecond clock and timer resolution; Sleep lives here too because frame
// pacing pairs the two. Tests replace both with a settable clock (win32::hooks).
#pragma once
#include "win32/types.h"

using MMRESULT = UINT;
#define TIMERR_NOERROR 0

DWORD timeGetTime();
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);
void Sleep(DWORD milliseconds);

namespace win32::hooks {
// Replaces timeGetTime and Sleep (both null restores the real clock). A test clock typically
// returns a counter that its Sleep advances.
using ClockFn = DWORD (*)();
using SleepFn = void (*)(DWORD);
void SetClock(ClockFn clock, SleepFn sleep);
}  // namespace win32::hooks
