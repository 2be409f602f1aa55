// The game's frame pacing with nothing in the frames: its 60-frames-a-second timer sleeping out empty
// frames for the seconds given (10 unless set), so that bench/idle_wait.sh can show beside the waiting
// game what its wake-ups cost by themselves on the machine at hand.
//   pacing_floor [SECONDS]
#include <mmsystem.h>

#include <cstdlib>

#include "engine/util/FPSTimer.h"

int main(int argc, char** argv) {
    const DWORD seconds = argc > 1 ? static_cast<DWORD>(std::strtoul(argv[1], nullptr, 10)) : 10;
    CFPSTimer timer;
    const DWORD start = timeGetTime();
    while (timeGetTime() - start < seconds * 1000) timer.Wait();
    return 0;
}
