// The application skeleton: CUSApp owns the window, the single-instance mutex and the message loop;
// CUSDirectXApp adds idle handling for a Direct3D game and deferred display-mode changes.
#pragma once
#include <memory>
#include <string>

#include "engine/app/USWindow.h"
#include "engine/util/USSingleton.h"

class CUSApp : public CWindowsMessageReceiver {
public:
    CUSApp();
    ~CUSApp() override;

    LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The application takes the window (a window set before is deleted).
    virtual void SetWindow(std::unique_ptr<CUSWindow> window);
    virtual void Quit();
    virtual bool Initialize();
    virtual int Terminate();
    virtual void OnDestroy();
    virtual int Run();
    virtual void OnIdle();
    virtual void Frame() = 0;
    virtual void RequestDisplayMode(bool fullScreen, int width, int height);
    virtual bool CanClose() { return true; }

    void SetCreateInfo(HINSTANCE instance, const char* commandLine, int showCommand, const char* title,
                       const char* mutexName);
    CUSWindow* GetWindow() const { return window_.get(); }
    HINSTANCE GetInstance() const { return instance_; }
    const std::string& GetTitle() const { return title_; }
    void SetActive(unsigned active) { active_ = active; }

    // The process-wide application (null outside an application object's life).
    static CUSApp* GetApp();

private:
    HINSTANCE instance_ = nullptr;
    std::string title_;
    const char* commandLine_ = nullptr;
    int showCommand_ = 0;
    std::string mutexName_;
    HANDLE mutex_ = nullptr;
    unsigned active_ = 0;
    std::unique_ptr<CUSWindow> window_;
    MSG message_{};
};

class CUSDirectXApp : public CUSApp {
public:
    bool Initialize() override;
    void OnIdle() override;
    void RequestDisplayMode(bool fullScreen, int width, int height) override;
    virtual bool InitDirectX() = 0;

    void ClearDisplayModeRequest() { pending_ = 0; }
    bool IsDisplayModeRequestPending() const { return pending_ != 0; }

private:
    unsigned pending_ = 0;
    unsigned fullScreen_ = 0;
    int width_ = -1;
    int height_ = -1;
};

// Counts the device services' COM initialisations; each service uninitialises at its release.
class COMManager {
public:
    virtual ~COMManager() = default;
    // CoInitialize; the count grows only when the result is not negative. Returns that result.
    HRESULT Initialize();
    // Decrements the count and calls CoUninitialize.
    void Uninitialize();
    unsigned GetCount() const { return count_; }

private:
    unsigned count_ = 0;
};
