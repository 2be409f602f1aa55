// Test hooks: SDL events for a window pushed into SDL's queue, shaped as the video driver makes them.
#include "dinput_hooks.h"

#include <SDL2/SDL.h>

#include "keymap.h"

namespace {

Uint32 WindowIdOf(HWND hwnd) {
    SDL_Window* window = win32::SdlWindowOf(hwnd);
    return window ? SDL_GetWindowID(window) : 0;
}

POINT g_lastMove{0, 0};

}  // namespace

namespace dinput::hooks {

void InjectKey(HWND hwnd, BYTE dik, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = WindowIdOf(hwnd);
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = ScancodeOfDik(dik);
    e.key.keysym.sym = SDL_GetKeyFromScancode(e.key.keysym.scancode);
    SDL_PushEvent(&e);
}

void InjectMouseMove(HWND hwnd, int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = WindowIdOf(hwnd);
    e.motion.x = x;
    e.motion.y = y;
    e.motion.xrel = x - g_lastMove.x;
    e.motion.yrel = y - g_lastMove.y;
    g_lastMove = POINT{x, y};
    SDL_PushEvent(&e);
}

void InjectMouseButton(HWND hwnd, int button, bool down) {
    static const Uint8 kButtons[4] = {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_X1};
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = WindowIdOf(hwnd);
    e.button.button = kButtons[button & 3];
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = g_lastMove.x;
    e.button.y = g_lastMove.y;
    SDL_PushEvent(&e);
}

void InjectWheel(HWND hwnd, int notches) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = WindowIdOf(hwnd);
    e.wheel.y = notches;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&e);
}

void InjectFocus(HWND hwnd, bool gained) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = WindowIdOf(hwnd);
    e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&e);
}

}  // namespace dinput::hooks
