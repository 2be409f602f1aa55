// CUSApp and CUSDirectXApp: single instance, message loop, shutdown path and idle handling.
#include "engine/app/USApp.h"

#include "engine/device/D3DDevice.h"
#include "engine/util/USCallbackManager.h"

namespace {
CUSApp* g_app = nullptr;
}

CUSApp* CUSApp::GetApp() { return g_app; }

CUSApp::CUSApp() { g_app = this; }

CUSApp::~CUSApp() {
    window_.reset();  // while this is still the process's application: the window's last messages reach it
    if (g_app == this) g_app = nullptr;
}

void CUSApp::SetCreateInfo(HINSTANCE instance, const char* commandLine, int showCommand, const char* title,
                           const char* mutexName) {
    instance_ = instance;
    commandLine_ = commandLine;
    showCommand_ = showCommand;
    title_ = title;
    mutexName_ = mutexName;
}

void CUSApp::SetWindow(std::unique_ptr<CUSWindow> window) {
    window_ = std::move(window);
    if (window_) window_->AddReceiver(this);
}

void CUSApp::Quit() {
    if (window_) PostMessageA(window_->GetHandle(), WM_CLOSE, 0, 0);
}

bool CUSApp::Initialize() {
    timeBeginPeriod(1);
    active_ = 1;
    return true;
}

int CUSApp::Terminate() {
    timeEndPeriod(1);
    if (mutex_) {
        ReleaseMutex(mutex_);
        CloseHandle(mutex_);
        mutex_ = nullptr;
    }
    return 0;
}

void CUSApp::OnDestroy() { CUSCallbackManager::Global().RunShutdownCallbacks(); }

int CUSApp::Run() {
    mutex_ = CreateMutexA(nullptr, TRUE, mutexName_.c_str());
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // Another instance runs: this handle names its mutex and is closed unused.
        CloseHandle(mutex_);
        mutex_ = nullptr;
        return 0;
    }
    Initialize();
    message_ = MSG{};
    while (message_.message != WM_QUIT) {
        if (PeekMessageA(&message_, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message_);
            DispatchMessageA(&message_);
        } else if (active_ == 1) {
            OnIdle();
        }
    }
    return Terminate();
}

LRESULT CUSApp::OnMessage(HWND hwnd, UINT msg, WPARAM, LPARAM) {
    switch (msg) {
        case WM_DESTROY:
            OnDestroy();
            PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            if (!CanClose()) return 1;
            active_ = 0;
            DestroyWindow(hwnd);
            return 1;
        default: return 0;
    }
}

void CUSApp::OnIdle() {
    if (window_ && !window_->IsActive())
        WaitMessage();
    else
        Frame();
}

void CUSApp::RequestDisplayMode(bool, int, int) {}

bool CUSDirectXApp::Initialize() {
    timeBeginPeriod(1);
    SetActive(1);
    pending_ = 0;
    return true;
}

void CUSDirectXApp::RequestDisplayMode(bool fullScreen, int width, int height) {
    fullScreen_ = fullScreen ? 1 : 0;
    width_ = width;
    height_ = height;
    pending_ = 1;
}

void CUSDirectXApp::OnIdle() {
    if (pending_) {
        // Retried at every idle until it succeeds; no frame runs meanwhile.
        if (ChangeDisplayMode(static_cast<unsigned>(width_), static_cast<unsigned>(height_), fullScreen_ == 0) >= 0)
            pending_ = 0;
        return;
    }
    if (GetWindow() && !GetWindow()->IsActive() && !IsDeviceWindowed()) {
        WaitMessage();
        return;
    }
    Frame();
}

HRESULT COMManager::Initialize() {
    HRESULT hr = CoInitialize(nullptr);
    if (hr >= 0) ++count_;
    return hr;
}

void COMManager::Uninitialize() {
    if (count_ > 0) --count_;
    CoUninitialize();
}
