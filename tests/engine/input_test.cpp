// Input injected as window events reaches CAppCommonInfo and the virtual input device frame by frame:
// mask bits, press edges, clicks, the wheel event, the cursor in a window and in scaled full screen.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <dinput_hooks.h>

#include <memory>
#include <vector>

#include <d3d9/testhooks.h>

#include "engine/app/USApp.h"
#include "engine/device/D3DDevice.h"
#include "engine/render/ResolutionAdjuster.h"
#include "engine/input/AppCommonInfo.h"
#include "engine/input/VirtualInputDevice.h"
#include "support/EngineDevice.h"

namespace {

class InputTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        window_ = std::make_unique<testsupport::TestWindow>("input_test");
        hwnd_ = window_->Handle();
        // One game controller is attached when DirectInput starts.
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
        int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 0);
        ASSERT_GE(index, 0);
        stick_ = SDL_JoystickOpen(index);
        ASSERT_TRUE(InitDirectInput(nullptr, hwnd_));
        ASSERT_TRUE(Info()->GetMouse().Init(hwnd_));
    }
    static void TearDownTestSuite() {
        ReleaseDirectInput();
        SDL_JoystickClose(stick_);
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        window_.reset();
    }
    void SetUp() override {
        Info()->SetFullScreen(0);
        SetWindowPos(hwnd_, nullptr, 0, 0, 800, 600, 0);
        Frame();
        Frame();
    }
    void TearDown() override {
        // Let go of everything a test held.
        for (BYTE dik : {DIK_RETURN, DIK_NUMPADENTER, DIK_LCONTROL, DIK_RCONTROL, DIK_SPACE, DIK_LMENU, DIK_RMENU,
                         DIK_UP, DIK_DOWN})
            dinput::hooks::InjectKey(hwnd_, dik, false);
        for (int b = 0; b < 4; ++b) dinput::hooks::InjectMouseButton(hwnd_, b, false);
    }

    static CAppCommonInfo* Info() { return CUSSingleton<CAppCommonInfo>::GetInstance(); }
    static CVirtualInputDevice* Vid() { return CUSSingleton<CVirtualInputDevice>::GetInstance(); }
    // One frame's input steps, after the message pump has taken the queued events.
    static void Frame() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Info()->Update();
        Vid()->Update();
    }

    inline static std::unique_ptr<testsupport::TestWindow> window_;
    static HWND hwnd_;
    static SDL_Joystick* stick_;
};
HWND InputTest::hwnd_ = nullptr;
SDL_Joystick* InputTest::stick_ = nullptr;

TEST_F(InputTest, EachKeySetsItsMaskBitAndIsPressedOnlyInItsFirstFrame) {
    const struct {
        BYTE dik;
        uint32_t bit;
    } cases[] = {{DIK_RETURN, 1u << 0}, {DIK_NUMPADENTER, 1u << 1}, {DIK_LCONTROL, 1u << 2},
                 {DIK_RCONTROL, 1u << 3}, {DIK_SPACE, 1u << 4},   {DIK_LMENU, 1u << 5},
                 {DIK_RMENU, 1u << 6},    {DIK_UP, 1u << 7},      {DIK_DOWN, 1u << 8},
                 {DIK_LEFT, 0},           {DIK_A, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.dik));
        dinput::hooks::InjectKey(hwnd_, c.dik, true);
        Frame();
        EXPECT_EQ(Vid()->GetHeld(), c.bit);
        EXPECT_EQ(Vid()->GetPressed(), c.bit);
        Frame();
        EXPECT_EQ(Vid()->GetHeld(), c.bit);
        EXPECT_EQ(Vid()->GetPressed(), 0u);
        dinput::hooks::InjectKey(hwnd_, c.dik, false);
        Frame();
        EXPECT_EQ(Vid()->GetHeld(), 0u);
    }
}

TEST_F(InputTest, QueriesFollowTheirKeys) {
    // Which of the yes-or-no queries each key (pressed this frame) answers with yes.
    auto answers = [] {
        std::vector<const char*> yes;
        if (Vid()->IsNext()) yes.push_back("next");
        if (Vid()->IsEnterPressed()) yes.push_back("enter");
        if (Vid()->IsCtrl()) yes.push_back("ctrl");
        if (Vid()->IsHide()) yes.push_back("hide");
        if (Vid()->IsAnyButton()) yes.push_back("button");
        if (Vid()->IsUpPressed()) yes.push_back("up");
        if (Vid()->IsDownPressed()) yes.push_back("down");
        if (Vid()->IsAnyInput()) yes.push_back("any");
        return std::vector<std::string>(yes.begin(), yes.end());
    };
    const struct {
        BYTE dik;
        std::vector<std::string> yes;
    } cases[] = {
        {DIK_RETURN, {"next", "enter", "button", "any"}},
        {DIK_NUMPADENTER, {"next", "enter", "button", "any"}},
        {DIK_SPACE, {"hide", "button", "any"}},
        {DIK_RCONTROL, {"ctrl", "any"}},
        {DIK_UP, {"up", "any"}},
        {DIK_DOWN, {"down", "any"}},
        {DIK_RMENU, {"any"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.dik));
        dinput::hooks::InjectKey(hwnd_, c.dik, true);
        Frame();
        EXPECT_EQ(answers(), c.yes);
        dinput::hooks::InjectKey(hwnd_, c.dik, false);
        Frame();
    }
    // Control stays "held" while the key is down, beyond its first frame.
    dinput::hooks::InjectKey(hwnd_, DIK_LCONTROL, true);
    Frame();
    Frame();
    EXPECT_TRUE(Vid()->IsCtrl());
    EXPECT_FALSE(Vid()->IsAnyInput());
}

TEST_F(InputTest, AClickIsATriggerOnlyInTheFrameItGoesDown) {
    const struct {
        int button;
        BYTE trig;
        bool left, right, hide, next;
    } cases[] = {{0, 1, true, false, false, true}, {1, 2, false, true, false, false}, {2, 4, false, false, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        dinput::hooks::InjectMouseButton(hwnd_, c.button, true);
        Frame();
        EXPECT_EQ(Info()->GetMouseTrig(), c.trig);
        EXPECT_EQ(Info()->GetMouseHeld(), c.trig);
        EXPECT_EQ(Vid()->IsLeftButton(), c.left);
        EXPECT_EQ(Vid()->IsRightButton(), c.right);
        EXPECT_EQ(Vid()->IsHide(), c.hide);
        EXPECT_EQ(Vid()->IsNext(), c.next);
        EXPECT_TRUE(Vid()->IsAnyButton());
        Frame();  // Still held.
        EXPECT_EQ(Info()->GetMouseTrig(), 0);
        EXPECT_EQ(Info()->GetMouseHeld(), c.trig);
        EXPECT_FALSE(Vid()->IsLeftButton() || Vid()->IsRightButton() || Vid()->IsHide() || Vid()->IsAnyButton());
        dinput::hooks::InjectMouseButton(hwnd_, c.button, false);
        Frame();
        EXPECT_EQ(Info()->GetMouseHeld(), 0);
    }
}

// A second game in the process starts the mouse again: it is still polled once a frame, so that its
// first click is a trigger (a second poll in the frame would read it as held).
TEST_F(InputTest, MouseStartedAgainTakesItsFirstClick) {
    ASSERT_TRUE(Info()->GetMouse().Init(hwnd_));
    dinput::hooks::InjectMouseButton(hwnd_, 0, true);
    Frame();
    EXPECT_EQ(Info()->GetMouseTrig(), 1);
    EXPECT_TRUE(Vid()->IsLeftButton());
}

TEST_F(InputTest, AltReturnIsSeenOnceAndHidesThatReturn) {
    dinput::hooks::InjectKey(hwnd_, DIK_LMENU, true);
    Frame();
    dinput::hooks::InjectKey(hwnd_, DIK_RETURN, true);
    Frame();
    EXPECT_TRUE(Vid()->CheckAltEnter());
    EXPECT_FALSE(Vid()->CheckAltEnter());
    EXPECT_FALSE(Vid()->IsNext());
    EXPECT_FALSE(Vid()->IsEnterPressed());
    // Held on through later frames, the same keys are no new Alt+Return.
    for (int frame = 0; frame < 3; ++frame) {
        Frame();
        EXPECT_FALSE(Vid()->CheckAltEnter());
        EXPECT_FALSE(Vid()->IsNext());
    }
    // Return without Alt is an ordinary advance.
    dinput::hooks::InjectKey(hwnd_, DIK_LMENU, false);
    dinput::hooks::InjectKey(hwnd_, DIK_RETURN, false);
    Frame();
    dinput::hooks::InjectKey(hwnd_, DIK_RETURN, true);
    Frame();
    EXPECT_FALSE(Vid()->CheckAltEnter());
    EXPECT_TRUE(Vid()->IsNext());
}

TEST_F(InputTest, AWheelTurnedForTenFramesGivesOneEvent) {
    const struct {
        int notches;
        int direction;
        bool next, up;
    } cases[] = {{-1, -1, true, false}, {2, 1, false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.notches);
        int nexts = 0, ups = 0;
        for (int frame = 0; frame < 10; ++frame) {
            dinput::hooks::InjectWheel(hwnd_, c.notches);
            Frame();
            EXPECT_EQ(Vid()->GetWheel(), c.direction);
            EXPECT_EQ(Info()->GetWheel(), c.notches * WHEEL_DELTA);
            nexts += Vid()->IsNext();
            ups += Vid()->IsWheelUp();
        }
        EXPECT_EQ(nexts, c.next ? 1 : 0);
        EXPECT_EQ(ups, c.up ? 1 : 0);
        Frame();  // The wheel rests.
        EXPECT_EQ(Vid()->GetWheel(), 0);
        EXPECT_FALSE(Vid()->IsAnyInput());
    }
    // Turning the other way at once is a new event.
    dinput::hooks::InjectWheel(hwnd_, 1);
    Frame();
    dinput::hooks::InjectWheel(hwnd_, -1);
    Frame();
    EXPECT_TRUE(Vid()->IsNext());
}

TEST_F(InputTest, CursorIsInGamePixelsInAWindowAndInScaledFullScreen) {
    dinput::hooks::InjectMouseMove(hwnd_, 123, 45);
    Frame();
    EXPECT_EQ(Info()->GetCursorX(), 123);
    EXPECT_EQ(Info()->GetCursorY(), 45);
    EXPECT_EQ(Info()->GetCursorXF(), 123.0f);

    // Full screen at 1280 x 720: scale 1.2, bars of 160 pixels left and right, as the resolution
    // adjuster draws the frame.
    std::vector<D3DDISPLAYMODE> modes = {D3DDISPLAYMODE{1280, 720, 60, D3DFMT_X8R8G8B8}};
    d3d9test::SetDisplayModes(&modes);
    ASSERT_TRUE(testsupport::StartEngineDevice(hwnd_, 1280, 720));
    ASSERT_TRUE(USResolutionAdjuster::GetInstance()->Setup());
    Info()->SetFullScreen(1);
    SetWindowPos(hwnd_, nullptr, 0, 0, 1280, 720, 0);
    const struct {
        int x, y, gameX, gameY;
    } cases[] = {{160, 0, 0, 0}, {1119, 719, 799, 599}, {640, 360, 400, 300}, {97, 10, -52, 8}};
    for (const auto& c : cases) {
        dinput::hooks::InjectMouseMove(hwnd_, c.x, c.y);
        Frame();
        EXPECT_EQ(Info()->GetCursorX(), c.gameX) << c.x;
        EXPECT_EQ(Info()->GetCursorY(), c.gameY) << c.y;
    }
    USResolutionAdjuster::GetInstance()->ReleaseResources();
    ReleaseDirect3D();
    d3d9test::SetDisplayModes(nullptr);
}

TEST_F(InputTest, ScreenToGameMapsThroughScaleAndBars) {
    const struct {
        float scale, offsetX, offsetY;
        LONG x, y, gameX, gameY;
    } cases[] = {
        {1.28f, 0, 0, 1023, 767, 799, 599},  // 1024 x 768: no bars.
        {1.2f, 160, 0, 159, 0, 0, 0},        // Just inside the left bar: -0.83 truncates toward zero.
        {1.2f, 160, 0, 41, 0, -99, 0},       // Deep in the left bar.
        {1.0f, 0, 60, 5, 30, 5, -30},        // Bars above and below.
    };
    for (const auto& c : cases) {
        POINT game = CAppCommonInfo::ScreenToGame(POINT{c.x, c.y}, c.scale, c.offsetX, c.offsetY);
        EXPECT_EQ(game.x, c.gameX) << c.x;
        EXPECT_EQ(game.y, c.gameY) << c.y;
    }
}

TEST_F(InputTest, FocusLossReportsNothingForThatPollThenInputReturns) {
    dinput::hooks::InjectKey(hwnd_, DIK_SPACE, true);
    dinput::hooks::InjectMouseButton(hwnd_, 0, true);
    Frame();
    EXPECT_TRUE(Vid()->IsHide());
    dinput::hooks::InjectFocus(hwnd_, false);
    Frame();
    EXPECT_EQ(Vid()->GetHeld(), 0u);
    EXPECT_EQ(Info()->GetMouseHeld(), 0);
    dinput::hooks::InjectFocus(hwnd_, true);
    Frame();  // The poll that re-acquires reports nothing.
    EXPECT_EQ(Vid()->GetHeld(), 0u);
    dinput::hooks::InjectKey(hwnd_, DIK_SPACE, true);
    dinput::hooks::InjectMouseButton(hwnd_, 0, true);
    Frame();
    EXPECT_TRUE(Vid()->IsHide());
    EXPECT_TRUE(Vid()->IsLeftButton());
}

TEST_F(InputTest, JoysticksArePolledButFeedNoQuery) {
    ASSERT_EQ(GetDIJoySticks().size(), 1u);
    const CDIJoyStick& joystick = *GetDIJoySticks()[0];
    const struct {
        Sint16 x, y;
        bool up, right, down, left;
    } cases[] = {{0, -32768, true, false, false, false}, {32767, 0, false, true, false, false},
                 {0, 32767, false, false, true, false}, {-32768, 0, false, false, false, true},
                 {-9000, 9000, false, false, false, false}};  // Within the +-300 dead zone of -1000..1000.
    for (const auto& c : cases) {
        SDL_JoystickSetVirtualAxis(stick_, 0, c.x);
        SDL_JoystickSetVirtualAxis(stick_, 1, c.y);
        SDL_JoystickSetVirtualButton(stick_, 0, SDL_PRESSED);
        Frame();
        Frame();
        EXPECT_EQ(joystick.IsUp(), c.up);
        EXPECT_EQ(joystick.IsRight(), c.right);
        EXPECT_EQ(joystick.IsDown(), c.down);
        EXPECT_EQ(joystick.IsLeft(), c.left);
        EXPECT_EQ(Vid()->GetHeld(), 0u);
        EXPECT_FALSE(Vid()->IsAnyInput() || Vid()->IsAnyButton() || Vid()->IsUpPressed() || Vid()->IsDownPressed());
        EXPECT_EQ(Info()->GetMouseTrig(), 0);
    }
}

TEST_F(InputTest, SetCursorPosTakesClientCoordinates) {
    SetWindowPos(hwnd_, nullptr, 30, 20, 800, 600, 0);
    Info()->SetCursorPos(100, 50);
    POINT screen;
    GetCursorPos(&screen);
    EXPECT_EQ(screen.x, 130);
    EXPECT_EQ(screen.y, 70);
    Frame();
    EXPECT_EQ(Info()->GetCursorX(), 100);
    EXPECT_EQ(Info()->GetCursorY(), 50);
}

TEST_F(InputTest, SnapshotRequestLastsUntilTheNextFrame) {
    Info()->RequestSnapshot();
    EXPECT_TRUE(Info()->IsSnapshotRequested());
    EXPECT_EQ(Info()->GetForceDraw(), 1u);
    Frame();
    EXPECT_FALSE(Info()->IsSnapshotRequested());
    EXPECT_EQ(Info()->GetForceDraw(), 0u);
}

// Records the display-mode requests the full-screen value makes.
class ModeApp : public CUSDirectXApp {
public:
    void Frame() override {}
    bool InitDirectX() override { return true; }
    void RequestDisplayMode(bool fullScreen, int width, int height) override {
        requests.push_back({fullScreen ? 1 : 0, width, height});
    }
    std::vector<std::vector<int>> requests;
};

TEST(AppCommonInfoTest, FullScreenValueStartsWindowedAndAsksForEachChange) {
    CAppCommonInfo info;
    EXPECT_EQ(info.IsFullScreen(), 0u);
    ModeApp app;
    info.ToggleFullScreen();
    EXPECT_EQ(info.IsFullScreen(), 1u);
    info.SetFullScreen(1);  // No change: no request.
    info.SetFullScreen(0);
    EXPECT_EQ(info.IsFullScreen(), 0u);
    EXPECT_EQ(app.requests, (std::vector<std::vector<int>>{{1, -1, -1}, {0, -1, -1}}));
}

}  // namespace
