// Test windows that take their window class with them.
#include "support/Windows.h"

namespace testsupport {

namespace {
LRESULT CALLBACK Quiet(HWND, UINT, WPARAM, LPARAM) { return 0; }
}  // namespace

TestWindow::TestWindow(const char* className, int width, int height, WNDPROC procedure, DWORD style)
    : className_(className) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure ? procedure : Quiet;
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
    hwnd_ = CreateWindowExA(0, className, className, style, 0, 0, width, height, nullptr, nullptr, nullptr, nullptr);
}

TestWindow::~TestWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    UnregisterClassA(className_.c_str(), nullptr);
}

GameWindow::GameWindow(const char* title, unsigned width, unsigned height) : title_(title) {
    window_.Create(nullptr, title, width, height);
}

GameWindow::~GameWindow() {
    if (window_.GetHandle()) DestroyWindow(window_.GetHandle());
    UnregisterClassA(title_.c_str(), nullptr);
}

}  // namespace testsupport
