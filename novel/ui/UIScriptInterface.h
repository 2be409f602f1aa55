// The global functions that UI-window scripts call: control creation, the look of the current
// control, the window's own state, save slots, and requests to the novel system and the window
// manager. Most act on the window of the running script context.
#pragma once
#include "novel/script/ASCommon.h"

class CUIWindowManager;

// The user-data slot of a UI engine that names its window manager.
inline constexpr asPWORD kUIManagerUserDataType = 0x55494D47u;

// The number of UI-window functions that the interface registers.
inline constexpr int kUIWindowFunctionCount = 57;

// Registers the common interface, "UICoroutine" and the UI-window functions on the engine, whose
// window manager is `manager`; returns how many of the UI-window functions registered (every
// failure is logged).
int RegisterUIWindowInterface(asIScriptEngine* engine, CUIWindowManager* manager);

// Asks the application to end; asks the scene manager to start the scene-flow script again.
void ExitGame();
void ReturnGameStart();
