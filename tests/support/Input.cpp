// Test support for injected input.
#include "support/Input.h"

#include <dinput_hooks.h>

#include "engine/input/AppCommonInfo.h"
#include "engine/input/VirtualInputDevice.h"
#include "support/Windows.h"

namespace testsupport {

namespace {

// One window serves every test of the process; it goes at exit.
HWND InputWindow() {
    static const TestWindow window("scene_input_test");
    return window.Handle();
}

}  // namespace

Input::Input() : window_(InputWindow()) {
    dinput::hooks::InjectFocus(window_, true);
    ok_ = window_ && InitDirectInput(nullptr, window_) &&
          CUSSingleton<CAppCommonInfo>::GetInstance()->GetMouse().Init(window_);
    Frame();
}

Input::~Input() {
    for (int b = 0; b < 3; ++b) dinput::hooks::InjectMouseButton(window_, b, false);
    Frame();
    ReleaseDirectInput();
}

void Input::Move(int x, int y) { dinput::hooks::InjectMouseMove(window_, x, y); }

void Input::Button(int button, bool down) { dinput::hooks::InjectMouseButton(window_, button, down); }

void Input::Wheel(int notches) { dinput::hooks::InjectWheel(window_, notches); }

void Input::Frame() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    CUSSingleton<CAppCommonInfo>::GetInstance()->Update();
    CUSSingleton<CVirtualInputDevice>::GetInstance()->Update();
}

}  // namespace testsupport
