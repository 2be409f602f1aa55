// CUSWindow: window creation, the handle-to-window table and the receiver walk of each message.
#include "engine/app/USWindow.h"

LRESULT CUSKeyboardMessageReceiver::OnMessage(HWND, UINT msg, WPARAM wParam, LPARAM) {
    return msg == WM_KEYDOWN ? OnKeyDown(wParam) : 0;
}

CUSNonDeleteIndexVector<CUSWindow>& CUSWindow::Table() {
    static CUSNonDeleteIndexVector<CUSWindow> table;
    return table;
}

CUSWindow::~CUSWindow() { ClearReceivers(); }

void CUSWindow::Create(HINSTANCE instance, const char* title, unsigned width, unsigned height) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(WNDCLASSEXA);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &CUSWindow::StaticWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(101));
    wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(101));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = title;
    // A window made again in the same process (a second game) finds its class registered already.
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;

    int outerWidth = static_cast<int>(width) + 2 * GetSystemMetrics(SM_CXFIXEDFRAME);
    int outerHeight = static_cast<int>(height) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION);
    style_ = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    int x = (GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2;
    hwnd_ = CreateWindowExA(0, title, title, style_, x, y, outerWidth, outerHeight, nullptr, nullptr, instance, nullptr);

    index_ = Table().Add(this);
    SetWindowLongA(hwnd_, GWL_USERDATA, index_);
    width_ = width;
    height_ = height;
    AddReceiver(this);
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    active_ = 1;
}

LRESULT CUSWindow::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    LONG index = GetWindowLongA(hwnd, GWL_USERDATA);
    if (CUSWindow* window = Table().Get(index)) return window->WndProc(hwnd, msg, wParam, lParam);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CUSWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    // Walked without the lock: receivers are only added during start-up, on this thread.
    for (CWindowsMessageReceiver* receiver : receivers_)
        if (receiver->OnMessage(hwnd, msg, wParam, lParam)) return 0;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CUSWindow::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
        case WM_SIZE:
            if (wParam == SIZE_RESTORED) {
                minimized_ = 0;
                OnRestored();
            } else if (wParam == SIZE_MINIMIZED) {
                minimized_ = 1;
            }
            break;
        case WM_CLOSE: Destroy(hwnd); break;
        case WM_ACTIVATEAPP: active_ = wParam != 0; break;
        case WM_NCDESTROY: hwnd_ = nullptr; break;
        default: break;
    }
    return 0;
}

void CUSWindow::AddReceiver(CWindowsMessageReceiver* receiver) {
    std::lock_guard<std::mutex> lock(receiversLock_);
    receivers_.push_back(receiver);
}

void CUSWindow::ClearReceivers() {
    std::lock_guard<std::mutex> lock(receiversLock_);
    receivers_.clear();
    if (index_ >= 0) {
        Table().Remove(index_);
        index_ = -1;
    }
}

void CUSWindow::ApplyStyle() { SetWindowLongA(hwnd_, GWL_STYLE, static_cast<LONG>(style_)); }

void CUSWindow::Destroy(HWND hwnd) { DestroyWindow(hwnd); }

void CUSWindow::SetTitle(const char* text) { SetWindowTextA(hwnd_, text); }
