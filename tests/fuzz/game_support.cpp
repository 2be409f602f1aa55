// The running game for the fuzz targets.
#include "fuzz/game_support.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "fuzz/fuzz_support.h"
#include "novel/app/MainApp.h"
#include "settings_tool/AppSetting.h"

namespace fuzz {
namespace {
CMainApp* g_game = nullptr;
DWORD g_now = 1000;
DWORD Now() { return g_now; }
void Advance(DWORD ms) { g_now += ms; }
}  // namespace

CMainApp* StartGame() {
    static CMainApp* app = []() -> CMainApp* {
        namespace fs = std::filesystem;
        EnterScratch();
        // The game's data, without its two programs.
        for (const auto& entry : fs::directory_iterator(MARLOWE_GAME_DIR)) {
            const std::string name = entry.path().filename().string();
            if (name == "Marlowe" || name == "Fenwick" || name == "save" || name == "cfg.cfg" || name == "log.txt")
                continue;
            fs::copy(entry.path(), fs::current_path() / name, fs::copy_options::recursive);
        }
        fs::create_directory("save");
        win32::hooks::SetClock(Now, Advance);
        GetAppSetting().Load();
        g_game = new CMainApp;
        g_game->SetCreateInfo(nullptr, "", SW_SHOWNORMAL, CMainApp::kTitle, CMainApp::kMutexName);
        const bool started = g_game->Initialize();
        // The game shuts down at exit as when its window closes (the window's destruction releases
        // the devices, then the message loop ends), before the scratch folder goes and before what its
        // start-up made; the object itself stays.
        std::atexit([] {
            if (g_game->GetWindow()) DestroyWindow(g_game->GetWindow()->GetHandle());
            g_game->Terminate();
        });
        if (!started) return nullptr;
        RunFrames(*g_game, 60);
        return g_game;
    }();
    return app;
}

void RunFrames(CMainApp& app, int n) {
    for (int i = 0; i < n; ++i) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        app.Frame();
    }
}
}  // namespace fuzz
