// Soak run of the demo game in-process (dummy video and audio drivers, a clock that sleeping advances):
// it plays for a number of frames with a click every few frames where the title's NEW GAME is (so the
// game goes from the title through the chapters and back to the title again and again), returns to
// the game's start where the game would close, and can force a lost device or a return to the start
// every so many frames. It prints the resident memory as it goes and fails (status 1) when frames do
// not resume after a lost device or when the resident memory at the end exceeds that after the first
// 1,000 frames by more than the allowed share.
//   soak [--frames N] [--lose-every N] [--restart-every N] [--click-every N] [--allow-percent P]
#include <d3d9/testhooks.h>
#include <dinput_hooks.h>
#include <stdlib.h>
#include <unistd.h>
#include <win32/winmm.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/device/D3DDevice.h"
#include "novel/app/MainApp.h"
#include "novel/novel/NovelSystem.h"
#include "novel/ui/UIScriptInterface.h"
#include "settings_tool/AppSetting.h"

namespace {

DWORD g_now = 0;
DWORD SoakClock() { return g_now; }
void SoakSleep(DWORD ms) { g_now += ms ? ms : 1; }

// Resident memory of this process in kB.
long ResidentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct Options {
    int frames = 10000;
    int loseEvery = 50;
    int restartEvery = 0;
    int clickEvery = 20;
    double allowPercent = 5.0;
};

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const char* value = argv[i + 1];
        if (name == "--frames")
            o.frames = std::atoi(value);
        else if (name == "--lose-every")
            o.loseEvery = std::atoi(value);
        else if (name == "--restart-every")
            o.restartEvery = std::atoi(value);
        else if (name == "--click-every")
            o.clickEvery = std::atoi(value);
        else if (name == "--allow-percent")
            o.allowPercent = std::atof(value);
        else
            return false;
    }
    return argc % 2 == 1 && o.frames > 1000;
}

class Soak {
public:
    explicit Soak(const Options& options) : options_(options) {}

    int Run() {
        app_.SetCreateInfo(nullptr, "", SW_SHOWNORMAL, CMainApp::kTitle, "MarloweSoak");
        if (!app_.Initialize()) {
            std::fprintf(stderr, "soak: the game did not start\n");
            return 1;
        }
        hwnd_ = app_.GetWindow()->GetHandle();
        dinput::hooks::InjectFocus(hwnd_, true);
        dinput::hooks::InjectMouseMove(hwnd_, 400, 316);
        long afterFirst = 0;
        int lost = 0, notResumed = 0, returns = 0, scenarios = 0;
        std::string scenario;
        for (int frame = 1; frame <= options_.frames; ++frame) {
            if (options_.clickEvery > 0 && frame % options_.clickEvery == 0)
                dinput::hooks::InjectMouseButton(hwnd_, 0, true);
            if (options_.clickEvery > 0 && frame % options_.clickEvery == 1)
                dinput::hooks::InjectMouseButton(hwnd_, 0, false);
            if (options_.restartEvery > 0 && frame % options_.restartEvery == 0) {
                ReturnGameStart();
                ++returns;
            }
            if (options_.loseEvery > 0 && frame % options_.loseEvery == 0) {
                d3d9test::ForceDeviceLost(GetD3DDevice());
                ++lost;
            }
            // Focus comes back two frames after a loss; by the frame before the next loss the device
            // must be drawing again.
            if (options_.loseEvery > 0 && frame % options_.loseEvery == 2) d3d9test::RestoreFocus(GetD3DDevice());
            returns += Step();
            if (options_.loseEvery > 0 && frame % options_.loseEvery == options_.loseEvery - 1 &&
                frame > options_.loseEvery && GetDeviceState() != static_cast<DWORD>(kDeviceReady))
                ++notResumed;
            if (CNovelSystem::GetInstance()->GetScenarioName() != scenario) {
                scenario = CNovelSystem::GetInstance()->GetScenarioName();
                ++scenarios;
            }
            if (frame == 1000) afterFirst = ResidentKb();
            if (frame % 1000 == 0) std::printf("frame %d: %ld kB resident\n", frame, ResidentKb());
        }
        const long atEnd = ResidentKb();
        const double growth = 100.0 * double(atEnd - afterFirst) / double(afterFirst);
        std::printf("%d frames, %d lost devices (%d not resumed), %d scenarios started, %d returns to the start\n",
                    options_.frames, lost, notResumed, scenarios, returns);
        std::printf("resident: %ld kB after 1000 frames, %ld kB at the end (%+.2f %%, allowed %.1f %%)\n", afterFirst,
                    atEnd, growth, options_.allowPercent);
        return notResumed == 0 && growth <= options_.allowPercent ? 0 : 1;
    }

    ~Soak() { app_.Terminate(); }

private:
    // Delivers the window messages and runs a frame. The scenario's end closes the window: here it
    // returns to the game's start instead, so that play goes on. Returns 1 when it did so.
    int Step() {
        int returned = 0;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_CLOSE && msg.hwnd == hwnd_) {
                ReturnGameStart();
                returned = 1;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        app_.Frame();
        return returned;
    }

    Options options_;
    CMainApp app_;
    HWND hwnd_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: soak [--frames N (> 1000)] [--lose-every N] [--restart-every N] [--click-every N] "
                     "[--allow-percent P]\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    // The game plays on a copy of the build's game folder in a private scratch folder.
    std::string pattern = (fs::temp_directory_path() / "marlowe-soak.XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("soak: mkdtemp");
        return 2;
    }
    const fs::path scratch = pattern;
    fs::copy(MARLOWE_GAME_DIR, scratch, fs::copy_options::recursive);
    fs::current_path(scratch);
    fs::create_directories("save");
    win32::hooks::SetClock(SoakClock, SoakSleep);
    GetAppSetting().Load();
    int status;
    {
        Soak soak(options);
        status = soak.Run();
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(scratch);
    return status;
}
