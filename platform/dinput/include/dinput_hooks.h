// Test hooks of the DirectInput stand-in: put input events for a window into SDL's event queue, as
// the window system would. They reach devices (and window messages) when the message pump next runs.
#pragma once
#include <windows.h>

namespace dinput::hooks {
// Key with DirectInput scan code dik goes down or up.
void InjectKey(HWND hwnd, BYTE dik, bool down);
// The cursor moves to (x, y) in client pixels (relative motion from the last injected position).
void InjectMouseMove(HWND hwnd, int x, int y);
// Mouse button 0 left, 1 right, 2 middle, 3 the first extra button.
void InjectMouseButton(HWND hwnd, int button, bool down);
// Wheel turned by notches (positive away from the user).
void InjectWheel(HWND hwnd, int notches);
// The window gains or loses the input focus.
void InjectFocus(HWND hwnd, bool gained);
}  // namespace dinput::hooks
