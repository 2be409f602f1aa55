// The game's application object: start-up of every service in order, the per-frame work and the
// shutdown after the message loop.
#pragma once
#include "engine/app/USApp.h"
#include "engine/util/FPSTimer.h"
#include "novel/scenes/SceneManager.h"

// The game's key receiver: sees WM_KEYDOWN and does nothing with it.
class CAppKeyEvent : public CUSKeyboardMessageReceiver {
public:
    LRESULT OnKeyDown(WPARAM) override { return 0; }
};

// Game-screen and full-screen sizes, filled at start-up from the settings.
struct ScreenSize {
    unsigned width = 0, height = 0;
    float widthF = 0, heightF = 0, aspect = 0;
    void Set(unsigned w, unsigned h);
};
extern ScreenSize g_gameScreen;
extern ScreenSize g_fullScreen;

class CMainApp : public CUSDirectXApp {
public:
    CMainApp();
    ~CMainApp() override;

    bool Initialize() override;
    // Writes "cfg.cfg", then the framework's shutdown (timer resolution, mutex); also after a failed
    // start-up.
    int Terminate() override;
    void Frame() override;
    bool InitDirectX() override;

    // The window title, also the window class name.
    static const char* const kTitle;
    static const char* const kMutexName;

private:
    CAppKeyEvent keyReceiver_;
    CFPSTimer frameTimer_{60, 0x10AAAA};
    CSceneManager sceneManager_;
};

// The game's entry: prepares the process and runs the application; returns 0 in every case.
int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
