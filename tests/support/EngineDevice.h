// The engine's device as the game sets it up (800 x 600, X8R8G8B8, windowed) on a game window of the
// dummy video driver, for tests and benchmarks; released with its window at scope end.
#pragma once
#include <windows.h>

#include "support/Windows.h"

namespace testsupport {

class EngineDevice {
public:
    // fullWidth x fullHeight is the full-screen display size the device is prepared for.
    explicit EngineDevice(const char* windowTitle = "EngineTestWindow", UINT fullWidth = 800, UINT fullHeight = 600);
    ~EngineDevice();
    EngineDevice(const EngineDevice&) = delete;
    EngineDevice& operator=(const EngineDevice&) = delete;

    // False when any step failed (it is logged by the engine); the test should stop then.
    bool Ok() const { return ok_; }
    HWND Window() const { return window_.Handle(); }

private:
    GameWindow window_;
    bool ok_ = false;
};

// Starts the engine's device on an existing window; false when a step fails.
bool StartEngineDevice(HWND window, UINT fullWidth = 800, UINT fullHeight = 600);

}  // namespace testsupport
