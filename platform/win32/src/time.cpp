// winmm clock and Sleep on the monotonic clock, replaceable by a test clock.
#include <time.h>

#include <atomic>

#include "win32/winmm.h"

namespace {
std::atomic<win32::hooks::ClockFn> g_clock{nullptr};
std::atomic<win32::hooks::SleepFn> g_sleep{nullptr};
}  // namespace

DWORD timeGetTime() {
    if (auto clock = g_clock.load()) return clock();
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    unsigned long long ms = static_cast<unsigned long long>(ts.tv_sec) * 1000ULL + ts.tv_nsec / 1000000;
    return static_cast<DWORD>(ms);  // Wraps at 2^32 like the original.
}

// Linux timers already have sub-millisecond resolution; the calls only report success.
MMRESULT timeBeginPeriod(UINT) { return TIMERR_NOERROR; }
MMRESULT timeEndPeriod(UINT) { return TIMERR_NOERROR; }

void Sleep(DWORD milliseconds) {
    if (auto sleep = g_sleep.load()) {
        sleep(milliseconds);
        return;
    }
    timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

namespace win32::hooks {
void SetClock(ClockFn clock, SleepFn sleep) {
    g_clock = clock;
    g_sleep = sleep;
}
}  // namespace win32::hooks
