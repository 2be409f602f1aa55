// Test support for injected input.
#include "novel/support/Input.h"

#include <dinput_hooks.h>

#include "engine/input/AppCommonInfo.h"
#include "engine/input/VirtualInputDevice.h"

namespace testsupport {

namespace {

LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM) { return 0; }

HWND InputWindow() {
    static HWND window = [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "scene_input_test";
        RegisterClassExA(&wc);
        return CreateWindowExA(0, "scene_input_test", "input", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                               nullptr, nullptr, nullptr);
    }();
    return window;
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

void Input::Button(int button, bool down) { dinput::hooks::InjectMouseButton(window_, button, down); }

void Input::Wheel(int notches) { dinput::hooks::InjectWheel(window_, notches); }

void Input::Frame() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    CUSSingleton<CAppCommonInfo>::GetInstance()->Update();
    CUSSingleton<CVirtualInputDevice>::GetInstance()->Update();
}

}  // namespace testsupport
