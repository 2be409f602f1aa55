// The graph's reference clock: the wall clock from Run, pulled onto the sound's play position
// while a sound stream plays, so that video follows the sound.
#pragma once
#include <atomic>
#include <chrono>

#include <dshow.h>

namespace dshow {

class PlaybackClock {
public:
    void Start() { m_base = Ticks(); }
    REFERENCE_TIME Now() const { return Ticks() - m_base; }
    // The sound has played up to position: the clock continues from there.
    void Follow(REFERENCE_TIME position) { m_base = Ticks() - position; }
    // Steady time point at which the clock reads time.
    std::chrono::steady_clock::time_point When(REFERENCE_TIME time) const {
        return std::chrono::steady_clock::time_point(std::chrono::nanoseconds((m_base + time) * 100));
    }

private:
    static REFERENCE_TIME Ticks() {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::steady_clock::now().time_since_epoch()).count() / 100;
    }
    std::atomic<REFERENCE_TIME> m_base{0};
};

}  // namespace dshow
