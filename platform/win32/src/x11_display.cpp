// The X11 side of the message pump: a look at the display connection without reading it. Kept apart
// from the window code because Xlib's header defines names (Bool, Status, None) that clash with ours.
#include "x11_display.h"

#include <SDL2/SDL_syswm.h>
#include <poll.h>

namespace win32 {

bool DisplayMayHaveEvents(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
    Display* display = info.info.x11.display;
    // Replies that SDL waited for may have brought events along into Xlib's queue.
    if (XEventsQueued(display, QueuedAlready) > 0) return true;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    return poll(&connection, 1, 0) != 0;
}

}  // namespace win32
