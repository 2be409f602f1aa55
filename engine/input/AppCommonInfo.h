// The application-wide input and display state: the mouse, its trigger and held buttons, the cursor
// in game-screen pixels, the wheel, the full-screen value, the random-number generator, and the
// per-frame force-draw and snapshot requests.
#pragma once
#include "engine/input/DirectInputDevice.h"
#include "engine/util/USRand.h"
#include "engine/util/USSingleton.h"

class CAppCommonInfo {
public:
    CAppCommonInfo() = default;
    // Reset's way back to a new object's state; the mouse device goes with the rest.
    CAppCommonInfo& operator=(CAppCommonInfo&&) = default;
    virtual ~CAppCommonInfo() = default;
    // Places the cursor at (x, y) taken as client coordinates of the game window (no full-screen scaling).
    virtual void SetCursorPos(int x, int y);
    // This frame is drawn even when the frame timer reports lag, and is marked for a snapshot.
    virtual void RequestSnapshot();
    virtual bool IsSnapshotRequested() const { return snapshot_ != 0; }
    virtual void ToggleFullScreen();
    virtual void SetFullScreen(unsigned value);
    virtual unsigned IsFullScreen() const { return fullScreen_; }

    // First step of every frame: polls the devices and takes this frame's mouse state.
    void Update();
    // Back to a new object's state (windowed, no buttons, the mouse device released); the game's
    // start-up calls it, so that a game started again in the same process begins as the first did.
    void Reset();

    // Maps a full-screen position to game-screen pixels: (screen − offset) ÷ scale, truncated toward
    // zero; positions on the bars give values outside the game screen.
    static POINT ScreenToGame(POINT screen, float scale, float offsetX, float offsetY);

    CDIMouse& GetMouse() { return mouse_; }
    BYTE GetMouseTrig() const { return mouseTrig_; }
    BYTE GetMouseHeld() const { return mouseHeld_; }
    int GetCursorX() const { return cursorX_; }
    int GetCursorY() const { return cursorY_; }
    float GetCursorXF() const { return cursorXF_; }
    float GetCursorYF() const { return cursorYF_; }
    LONG GetWheel() const { return wheel_; }
    unsigned GetForceDraw() const { return forceDraw_; }
    // The game's random-number generator.
    CUSRand& GetRand() { return rand_; }

private:
    CDIMouse mouse_;
    BYTE mouseTrig_ = 0;
    BYTE mouseHeld_ = 0;
    int cursorX_ = 0, cursorY_ = 0;
    float cursorXF_ = 0, cursorYF_ = 0;
    LONG wheel_ = 0;
    unsigned forceDraw_ = 0;
    unsigned fullScreen_ = 0;  // 0 windowed, 1 full screen.
    CUSRand rand_;
    BYTE snapshot_ = 0;
};
