// Windows of the dummy video driver for tests and benchmarks, each destroyed together with its window
// class when it goes, so that a later test of the same process can register the class again.
#pragma once
#include <windows.h>

#include <string>

#include "engine/app/USWindow.h"

namespace testsupport {

// A plain window of its own class and procedure (the procedure answers every message with 0 unless
// one is given), shown at (0, 0) with the given outer size.
class TestWindow {
public:
    explicit TestWindow(const char* className, int width = 800, int height = 600, WNDPROC procedure = nullptr,
                        DWORD style = WS_POPUP | WS_VISIBLE);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND Handle() const { return hwnd_; }

private:
    std::string className_;
    HWND hwnd_ = nullptr;
};

// The game's window wrapper, made as the game makes it (the title names the class), with that client size.
class GameWindow {
public:
    explicit GameWindow(const char* title, unsigned width = 800, unsigned height = 600);
    ~GameWindow();
    GameWindow(const GameWindow&) = delete;
    GameWindow& operator=(const GameWindow&) = delete;
    HWND Handle() const { return window_.GetHandle(); }
    CUSWindow& Window() { return window_; }

private:
    std::string title_;
    CUSWindow window_;
};

}  // namespace testsupport
