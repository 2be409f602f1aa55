// The demo game played in-process on the dummy video and audio drivers: the game folder the build
// made, a settable clock, clicks injected as the window system would deliver them, and the presented
// frames checked at chosen points: the typewriter reveal, a click that shows all, a click that
// advances, automatic mode, skipping over read text, a save and a load that restore the same
// picture, and the end of the scenario ending the game.
#include <gtest/gtest.h>

#include <d3d9/testhooks.h>
#include <dinput.h>
#include <dinput_hooks.h>
#include <win32/winmm.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "engine/device/D3DDevice.h"
#include "engine/input/AppCommonInfo.h"
#include "novel/app/MainApp.h"
#include "novel/novel/NovelSystem.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/SaveDataManager.h"
#include "settings_tool/AppSetting.h"

namespace {

DWORD g_now = 0;
DWORD TestClock() { return g_now; }
void TestSleep(DWORD ms) { g_now += ms ? ms : 1; }

// The game window's frames: 800 x 600 words, 0x00RRGGBB.
using Frame = std::vector<DWORD>;

class DemoPlay : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        previous_ = fs::current_path();
        folder_ = fs::temp_directory_path() / ("demo_play_" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::copy(MARLOWE_GAME_DIR, folder_, fs::copy_options::recursive);
        fs::current_path(folder_);
        fs::create_directory("save");
        win32::hooks::SetClock(TestClock, TestSleep);
        GetAppSetting().Load();
        app_.SetCreateInfo(nullptr, "", SW_SHOWNORMAL, CMainApp::kTitle, "DemoPlayTest");
        ASSERT_TRUE(app_.Initialize());
        hwnd_ = app_.GetWindow()->GetHandle();
        dinput::hooks::InjectFocus(hwnd_, true);
        dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    }
    void TearDown() override {
        app_.Terminate();
        win32::hooks::SetClock(nullptr, nullptr);
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
    }
    // Pumps the window messages and runs one frame; false once the game has quit.
    bool Step() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return false;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        app_.Frame();
        return true;
    }
    void Steps(int n) {
        for (int i = 0; i < n; ++i) ASSERT_TRUE(Step());
    }
    // A left click: pressed in one frame, released in the next.
    void Click() {
        dinput::hooks::InjectMouseButton(hwnd_, 0, true);
        Step();
        dinput::hooks::InjectMouseButton(hwnd_, 0, false);
        Step();
    }
    Frame Read() {
        Frame pixels;
        UINT w = 0, h = 0;
        d3d9test::ReadPresentedFrame(GetD3DDevice(), pixels, w, h);
        for (DWORD& p : pixels) p &= 0xFFFFFF;
        return pixels;
    }
    // Bright pixels inside the message text's box: grows with every revealed character.
    static int TextPixels(const Frame& f) {
        int n = 0;
        for (int y = 484; y < 584; ++y)
            for (int x = 60; x < 740; ++x) {
                DWORD p = f[y * 800 + x];
                n += (p >> 16 & 0xFF) > 160 && (p >> 8 & 0xFF) > 160 && (p & 0xFF) > 160;
            }
        return n;
    }
    static DWORD At(const Frame& f, int x, int y) { return f[y * 800 + x]; }
    // Runs frames until the picture stops changing (the reveal is over), at most n.
    Frame Settle(int n = 200) {
        Frame last = Read();
        for (int i = 0; i < n; ++i) {
            Step();
            Frame now = Read();
            if (now == last) return now;
            last = now;
        }
        return last;
    }

    std::filesystem::path previous_, folder_;
    CMainApp app_;
    HWND hwnd_ = nullptr;
};

constexpr DWORD kHaruHead = 0xF2A7B8, kRenHead = 0x9FC4EF;

TEST_F(DemoPlay, PlaysThroughTheScenario) {
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    // The first message is revealed a character at a time.
    Steps(3);
    std::vector<int> reveal;
    for (int i = 0; i < 6; ++i) {
        Steps(2);
        reveal.push_back(TextPixels(Read()));
    }
    for (size_t i = 1; i < reveal.size(); ++i) EXPECT_GT(reveal[i], reveal[i - 1]) << "step " << i;
    // A click shows the whole message at once.
    Click();
    const Frame first = Settle();
    const int whole = TextPixels(first);
    EXPECT_GT(whole, reveal.back() * 2);
    // Alt+Return switches to full screen and back; the Return does not advance the text.
    CAppCommonInfo* common = CUSSingleton<CAppCommonInfo>::GetInstance();
    ASSERT_EQ(common->IsFullScreen(), 0u);
    for (unsigned expected : {1u, 0u}) {
        dinput::hooks::InjectKey(hwnd_, DIK_LMENU, true);
        Step();
        dinput::hooks::InjectKey(hwnd_, DIK_RETURN, true);
        Step();
        dinput::hooks::InjectKey(hwnd_, DIK_RETURN, false);
        dinput::hooks::InjectKey(hwnd_, DIK_LMENU, false);
        Steps(3);
        EXPECT_EQ(common->IsFullScreen(), expected);
    }
    EXPECT_EQ(TextPixels(Settle()), whole);
    EXPECT_NE(At(first, 250, 185), kHaruHead);  // no one there yet
    // The next click goes on: Haru appears with her line.
    Click();
    Steps(2);
    EXPECT_LT(TextPixels(Read()), whole);
    Click();
    const Frame haru = Settle();
    EXPECT_EQ(At(haru, 250, 185), kHaruHead);
    EXPECT_NE(At(haru, 560, 185), kRenHead);

    // The button bar sits on the message window's top edge (the light border of its first button),
    // and its quick-save button saves the game as it stands.
    const DWORD border = At(haru, 540, 448);
    EXPECT_GT(border >> 16 & 0xFF, 150u);
    EXPECT_GT(border & 0xFF, 150u);
    EXPECT_FALSE(std::filesystem::exists("save/q.sav"));
    dinput::hooks::InjectMouseMove(hwnd_, 510 + 132 + 32, 446 + 12);
    Steps(2);
    Click();
    Steps(10);
    dinput::hooks::InjectMouseMove(hwnd_, 400, 300);
    Steps(2);
    EXPECT_TRUE(std::filesystem::exists("save/q.sav"));
    EXPECT_EQ(At(Settle(), 250, 185), kHaruHead);  // the click on the bar did not advance the text
    EXPECT_EQ(Settle(), haru);

    // A save here; two messages later a load brings the same picture back.
    ASSERT_TRUE(CSaveDataManager::SaveToFile("save\\test.sav"));
    Click();
    Click();
    const Frame ren = Settle();
    EXPECT_EQ(At(ren, 560, 185), kRenHead);
    novel.SetLoadPath("save\\test.sav");
    novel.SetPendingCommand(CNovelSystem::kRequestLoad);
    Steps(80);
    EXPECT_EQ(Settle(), haru);

    // Skip mode runs through the text read before (Haru's line) and falls back to normal at the
    // first line not yet clicked past (Ren's).
    novel.SendCommand(CNovelSystem::kCommandSkip);
    Steps(10);
    EXPECT_EQ(novel.GetMode(), uint32_t(CNovelSystem::kNormal));
    EXPECT_EQ(At(Settle(), 560, 185), kRenHead);

    // Automatic mode (at its shortest wait) advances by itself, through the last message to the end
    // of the game.
    CConfigDataManager::GetInstance()->SetConfigValue(CFG_AUTOMODE_WAIT_FRAME, 2);
    novel.SendCommand(CNovelSystem::kCommandAuto);
    int frames = 0;
    while (Step() && frames < 5000) ++frames;
    EXPECT_LT(frames, 5000) << "the game did not end";
}

}  // namespace
