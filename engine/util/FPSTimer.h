// Frame pacing at a fixed rate with a 16.16 fixed-point frame length, and the lag signal that lets
// the frame skip drawing while it catches up.
#pragma once
#include <cstdint>

class CFPSTimer {
public:
    // 60 frames per second in the game: frame time 0x10AAAA (16.6666 ms in 16.16).
    explicit CFPSTimer(std::uint32_t framesPerSecond = 60, std::uint32_t frameTime = 0x10AAAA);
    virtual ~CFPSTimer() = default;

    virtual bool IsLagging() const { return lag_; }
    // Called once at the end of every frame: sleeps until the next frame is due.
    void Wait();

private:
    std::uint32_t fps_;
    std::uint32_t frameTime_;
    std::uint32_t lastTick_;
    std::uint32_t accumulator_ = 0;
    bool lag_ = false;
};
