// SDL scan codes <-> DirectInput scan codes (DIK_*), for the keyboard device and the test hooks.
#pragma once
#include <SDL2/SDL.h>

#include <dinput.h>

namespace dinput {
// The DIK code of an SDL scan code, 0 for keys DirectInput has no code for here.
BYTE DikOfScancode(SDL_Scancode scancode);
// The SDL scan code of a DIK code, SDL_SCANCODE_UNKNOWN when none.
SDL_Scancode ScancodeOfDik(BYTE dik);
}  // namespace dinput
