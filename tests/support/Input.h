// Test support for scenes that read the player's input: DirectInput on a test window of its own (made
// once per process), input injected as window events, and one frame's input steps.
#pragma once
#include <windows.h>

namespace testsupport {

class Input {
public:
    Input();
    ~Input();
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    bool Ok() const { return ok_; }
    // The cursor moves to (x, y) in client pixels.
    void Move(int x, int y);
    // Mouse button 0 left, 1 right, 2 middle goes down (up with down false).
    void Button(int button, bool down = true);
    // The wheel turns by notches (positive away from the player).
    void Wheel(int notches);
    // The message pump, then the frame's input steps of the common state and the virtual input device.
    void Frame();

private:
    HWND window_;
    bool ok_ = false;
};

}  // namespace testsupport
