// The demo game run in-process for the demo tests: set-up in a private copy of the game folder,
// frames, input, waits with a stuck check, and reference frames.
#include "demo/support/demo_game.h"

#include <d3d9/testhooks.h>
#include <dinput.h>
#include <dinput_hooks.h>
#include <stb_image_write.h>
#include <stdlib.h>
#include <unistd.h>
#include <win32/winmm.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "engine/device/D3DDevice.h"
#include "novel/novel/NovelSystem.h"
#include "novel/scenes/SceneDialogs.h"
#include "novel/scenes/SceneManager.h"
#include "puppet/Ut.h"
#include "settings_tool/AppSetting.h"

namespace demo {
namespace {

DWORD g_now = 0;
DWORD TestClock() { return g_now; }
void TestSleep(DWORD ms) { g_now += ms ? ms : 1; }

std::string HashText(const Frame& f) {
    // FNV-1a over the pixel words, as 16 hex digits.
    unsigned long long h = 1469598103934665603ull;
    for (DWORD p : f)
        for (int b = 0; b < 4; ++b) h = (h ^ ((p >> (8 * b)) & 0xFF)) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", h);
    return text;
}

void WritePng(const std::filesystem::path& path, const Frame& f) {
    std::vector<unsigned char> rgb(f.size() * 3);
    for (size_t i = 0; i < f.size(); ++i) {
        rgb[3 * i] = f[i] >> 16 & 0xFF;
        rgb[3 * i + 1] = f[i] >> 8 & 0xFF;
        rgb[3 * i + 2] = f[i] & 0xFF;
    }
    stbi_write_png(path.c_str(), 800, 600, 3, rgb.data(), 800 * 3);
}

}  // namespace

void DemoGame::StartGame() {
    namespace fs = std::filesystem;
    previous_ = fs::current_path();
    std::string pattern = (fs::temp_directory_path() / "demo_game_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    fs::copy(MARLOWE_GAME_DIR, folder_, fs::copy_options::recursive);
    for (const char* leftover : {"save", "log.txt", "cfg.cfg"}) fs::remove_all(folder_ / leftover);
    fs::current_path(folder_);
    fs::create_directory("save");
    PrepareFolder();
    // Each game starts its clock at 0: the game seeds its random numbers (the rain) from it.
    g_now = 0;
    win32::hooks::SetClock(TestClock, TestSleep);
    GetAppSetting().Load();
    quit_ = false;
    app_ = std::make_unique<CMainApp>();
    app_->SetCreateInfo(nullptr, "", SW_SHOWNORMAL, CMainApp::kTitle, "DemoGameTest");
    ASSERT_TRUE(app_->Initialize());
    hwnd_ = app_->GetWindow()->GetHandle();
    dinput::hooks::InjectFocus(hwnd_, true);
    MoveTo({400, 300});
}

void DemoGame::EndGame() {
    if (!app_) return;
    // As the program's message loop ends: the window's destruction releases the devices, then the
    // shutdown.
    if (!quit_) {
        app_->Quit();
        while (Step()) {
        }
    }
    app_->Terminate();
    app_.reset();
    win32::hooks::SetClock(nullptr, nullptr);
    puppet::UtSystem::setUserTimeMSec(0);
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(folder_);
}

bool DemoGame::Step() {
    if (quit_) return false;
    // The Puppet characters move on the same settable clock (their own clock is the process's).
    puppet::UtSystem::setUserTimeMSec(int64_t{g_now} + 1);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit_ = true;
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    app_->Frame();
    return true;
}

void DemoGame::Steps(int n) {
    for (int i = 0; i < n; ++i) ASSERT_TRUE(Step());
}

void DemoGame::MoveTo(Point p) {
    dinput::hooks::InjectMouseMove(hwnd_, p.x, p.y);
    Step();
}

void DemoGame::Click() {
    dinput::hooks::InjectMouseButton(hwnd_, 0, true);
    Step();
    dinput::hooks::InjectMouseButton(hwnd_, 0, false);
    Step();
}

void DemoGame::ClickAt(Point p) {
    MoveTo(p);
    Steps(2);
    Click();
}

void DemoGame::RightClick() {
    dinput::hooks::InjectMouseButton(hwnd_, 1, true);
    Step();
    dinput::hooks::InjectMouseButton(hwnd_, 1, false);
    Step();
}

void DemoGame::Wheel(int notches) {
    dinput::hooks::InjectWheel(hwnd_, notches);
    Step();
    Step();
}

void DemoGame::Key(BYTE dik) {
    dinput::hooks::InjectKey(hwnd_, dik, true);
    Step();
    dinput::hooks::InjectKey(hwnd_, dik, false);
    Step();
}

Frame DemoGame::Read() const {
    Frame pixels;
    UINT w = 0, h = 0;
    d3d9test::ReadPresentedFrame(GetD3DDevice(), pixels, w, h);
    for (DWORD& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

Frame DemoGame::Settle(int n) {
    Frame last = Read();
    int still = 0;
    // Still for longer than a pressed button shows its look before it acts.
    for (int i = 0; i < n && still < 10; ++i) {
        if (!Step()) break;
        Frame now = Read();
        still = now == last ? still + 1 : 0;
        last = std::move(now);
    }
    return last;
}

bool DemoGame::RunUntil(const std::function<bool()>& condition, const char* what, DWORD seconds) {
    const DWORD start = g_now;
    while (!condition()) {
        if (g_now - start > seconds * 1000) {
            ADD_FAILURE() << "stuck: " << what << " did not come within " << seconds << " s of game time";
            return false;
        }
        if (!Step()) {
            ADD_FAILURE() << "the game ended while waiting for " << what;
            return false;
        }
    }
    return true;
}

std::string DemoGame::Scenario() { return CNovelSystem::GetInstance()->GetScenarioName(); }

// The scene stack belongs to this game; the novel system, a process-wide singleton, may still name the
// last game's scenario until this game loads one.
bool DemoGame::AtTitle() {
    return dynamic_cast<CSceneUIDialog*>(CSceneManager::GetInstance()->GetStack().GetTop()) &&
           Scenario() == "scenario\\title.bin";
}

void DemoGame::PassOpening() {
    Steps(5);
    Click();
    ASSERT_TRUE(RunUntil([&] { return AtTitle(); }, "the title screen"));
    Settle();
}

void DemoGame::StartNewGame() {
    ClickAt(kTitleNewGame);
    ASSERT_TRUE(RunUntil([] { return Scenario() == "scenario\\ch1.bin"; }, "the first chapter"));
}

void DemoGame::ExpectReference(const std::string& name, const Frame& frame) {
    const std::filesystem::path dir = MARLOWE_DEMO_REFERENCES;
    const std::string hash = HashText(frame);
    std::ifstream in(dir / (name + ".hash"));
    std::string expected;
    if (!(in >> expected)) {
        std::filesystem::create_directories(dir);
        std::ofstream(dir / (name + ".hash")) << hash << "\n";
        WritePng(dir / (name + ".png"), frame);
        std::printf("made the reference frame %s (%s); look at %s.png and commit both\n", name.c_str(), hash.c_str(),
                    name.c_str());
        return;
    }
    if (hash != expected) {
        const std::filesystem::path got = std::filesystem::path(MARLOWE_BINARY_DIR) / "demo_frames" / (name + ".png");
        std::filesystem::create_directories(got.parent_path());
        WritePng(got, frame);
        ADD_FAILURE() << "frame " << name << " is " << hash << ", its reference " << expected << "; the frame is in "
                      << got << ", the reference in " << (dir / (name + ".png"));
    }
}

std::string DemoGame::Log() const {
    std::ifstream in(folder_ / "log.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace demo
