// CFPSTimer: sleeps out the rest of each frame; a stall under 250 ms is caught up without sleeping,
// a longer one is forgiven; a backlog of three frames or more reports lag.
#include "engine/util/FPSTimer.h"

#include <mmsystem.h>

CFPSTimer::CFPSTimer(std::uint32_t framesPerSecond, std::uint32_t frameTime)
    : fps_(framesPerSecond), frameTime_(frameTime), lastTick_(timeGetTime()) {}

void CFPSTimer::Wait() {
    std::uint32_t now = timeGetTime();
    if (fps_ == 0) return;
    accumulator_ = (accumulator_ & 0xFFFF) + frameTime_;
    std::uint32_t ms = accumulator_ >> 16;
    std::uint32_t elapsed = now - lastTick_;
    if (elapsed < ms) {
        Sleep(ms - elapsed);
        lastTick_ += ms;
        return;
    }
    std::uint32_t over = elapsed - ms;
    if (over >= 250) over = 0;
    lag_ = over >= 3 * ms;
    lastTick_ = now - over;
}
