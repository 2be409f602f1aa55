// Whether the X display behind SDL's windows has anything for SDL's event pump, so that the message
// pump can leave out SDL's X11 pass (four socket reads each time) in the frames where nothing arrived.
#pragma once
#include <SDL2/SDL.h>

namespace win32 {

// False only when the window is on an X11 display with no event in Xlib's queue and nothing waiting
// on the connection; true otherwise (no window, another video driver). Reads nothing and sends nothing:
// Xlib's flush would read the connection too.
bool DisplayMayHaveEvents(SDL_Window* window);

}  // namespace win32
