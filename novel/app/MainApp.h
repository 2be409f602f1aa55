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
    // The archive of the game's data, which start-up cannot do without.
    static const char* const kDataArchive;

    // Whether start-up stopped for want of a display or of the game's files.
    bool StartUpFailed() const { return startUpFailed_; }

private:
    // Start-up cannot go on: a message box (on stderr too) and the log say why, naming the file, and the
    // game closes through the usual shutdown path.
    void FailStartUp(const char* utf8Text);

    bool startUpFailed_ = false;
    CAppKeyEvent keyReceiver_;
    CFPSTimer frameTimer_{60, 0x10AAAA};
    CSceneManager sceneManager_;
};

// The game's entry: prepares the process and runs the application; returns 1 when start-up failed for
// want of a display or of the game's files, else 0.
int WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);
