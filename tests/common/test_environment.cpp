// Every test program runs headless: SDL's dummy video and audio drivers unless the caller chose
// others. Set before any test starts SDL.
#include <cstdlib>

namespace {
const bool g_headless = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();
}  // namespace
