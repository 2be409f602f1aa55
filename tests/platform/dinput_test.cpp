// DirectInput stand-in: injected SDL events reach the keyboard and mouse state, relative motion and
// the wheel accumulate between polls, focus loss drops the acquisition, joysticks come from SDL.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <dinput.h>
#include <dinput_hooks.h>

#include <optional>
#include <vector>

#include "support/Windows.h"

namespace {

class DInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_.emplace("dinput_test", 320, 240);
        hwnd_ = window_->Handle();
        ASSERT_NE(hwnd_, nullptr);
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_ALL, IID_IDirectInput8A,
                                   reinterpret_cast<void**>(&input_)),
                  S_OK);
        ASSERT_EQ(input_->Initialize(nullptr, 0x0800), DI_OK);
    }
    void TearDown() override {
        if (input_) input_->Release();
        CoUninitialize();
        window_.reset();
    }

    IDirectInputDevice8A* Open(REFGUID guid, const DIDATAFORMAT& format) {
        IDirectInputDevice8A* device = nullptr;
        EXPECT_EQ(input_->CreateDevice(guid, &device, nullptr), DI_OK);
        EXPECT_EQ(device->SetDataFormat(&format), DI_OK);
        EXPECT_EQ(device->SetCooperativeLevel(hwnd_, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND), DI_OK);
        return device;
    }

    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }

    std::optional<testsupport::TestWindow> window_;
    HWND hwnd_ = nullptr;
    IDirectInput8A* input_ = nullptr;
};

TEST_F(DInputTest, KeyboardFollowsInjectedKeys) {
    IDirectInputDevice8A* keyboard = Open(GUID_SysKeyboard, c_dfDIKeyboard);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    EXPECT_EQ(keyboard->Acquire(), DI_NOEFFECT);
    BYTE keys[256];
    dinput::hooks::InjectKey(hwnd_, DIK_RETURN, true);
    dinput::hooks::InjectKey(hwnd_, DIK_RMENU, true);
    dinput::hooks::InjectKey(hwnd_, DIK_NUMPADENTER, true);
    dinput::hooks::InjectKey(hwnd_, DIK_NUMPADENTER, false);
    Pump();
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    std::vector<int> down;
    for (int i = 0; i < 256; ++i)
        if (keys[i] & 0x80) down.push_back(i);
    EXPECT_EQ(down, (std::vector<int>{DIK_RETURN, DIK_RMENU}));
    // A state buffer of the wrong size is refused.
    EXPECT_EQ(keyboard->GetDeviceState(16, keys), DIERR_INVALIDPARAM);
    keyboard->Release();
}

TEST_F(DInputTest, MouseMotionAndWheelAccumulateBetweenPolls) {
    IDirectInputDevice8A* mouse = Open(GUID_SysMouse, c_dfDIMouse);
    ASSERT_EQ(mouse->Acquire(), DI_OK);
    dinput::hooks::InjectMouseMove(hwnd_, 10, 20);
    Pump();
    DIMOUSESTATE state;
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);

    dinput::hooks::InjectMouseMove(hwnd_, 15, 18);
    dinput::hooks::InjectMouseMove(hwnd_, 25, 30);
    dinput::hooks::InjectWheel(hwnd_, -1);
    dinput::hooks::InjectWheel(hwnd_, -2);
    dinput::hooks::InjectMouseButton(hwnd_, 1, true);
    dinput::hooks::InjectMouseButton(hwnd_, 3, true);
    Pump();
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 15);
    EXPECT_EQ(state.lY, 10);
    EXPECT_EQ(state.lZ, -3 * WHEEL_DELTA);
    EXPECT_EQ((std::vector<BYTE>(state.rgbButtons, state.rgbButtons + 4)), (std::vector<BYTE>{0, 0x80, 0, 0x80}));
    // The cursor of the window layer followed the injected motion.
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(hwnd_, &cursor);
    EXPECT_EQ(cursor.x, 25);
    EXPECT_EQ(cursor.y, 30);

    // Nothing moved since: the next poll reports no motion, buttons still held.
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 0);
    EXPECT_EQ(state.lY, 0);
    EXPECT_EQ(state.lZ, 0);
    EXPECT_EQ(state.rgbButtons[1], 0x80);

    // A click shorter than a frame (down and up between two polls) reads as down once, then up.
    dinput::hooks::InjectMouseButton(hwnd_, 0, true);
    dinput::hooks::InjectMouseButton(hwnd_, 0, false);
    Pump();
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.rgbButtons[0], 0x80);
    ASSERT_EQ(mouse->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.rgbButtons[0], 0);
    mouse->Release();
}

TEST_F(DInputTest, FocusLossFailsTheReadUntilReacquiredAndDropsHeldInput) {
    IDirectInputDevice8A* keyboard = Open(GUID_SysKeyboard, c_dfDIKeyboard);
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    BYTE keys[256];
    dinput::hooks::InjectKey(hwnd_, DIK_SPACE, true);
    dinput::hooks::InjectFocus(hwnd_, false);
    Pump();
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_INPUTLOST);
    EXPECT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DIERR_NOTACQUIRED);
    EXPECT_EQ(keyboard->Acquire(), DIERR_OTHERAPPHASPRIO);

    dinput::hooks::InjectFocus(hwnd_, true);
    Pump();
    ASSERT_EQ(keyboard->Acquire(), DI_OK);
    ASSERT_EQ(keyboard->GetDeviceState(sizeof keys, keys), DI_OK);
    EXPECT_EQ(keys[DIK_SPACE], 0);  // Its release happened while another window had the focus.
    keyboard->Release();
}

TEST_F(DInputTest, DevicesRefuseMisuse) {
    IDirectInputDevice8A* device = nullptr;
    ASSERT_EQ(input_->CreateDevice(GUID_SysMouse, &device, nullptr), DI_OK);
    EXPECT_EQ(device->Acquire(), DIERR_INVALIDPARAM);               // No data format yet.
    EXPECT_EQ(device->SetDataFormat(&c_dfDIKeyboard), DIERR_INVALIDPARAM);  // Not a mouse format.
    EXPECT_EQ(device->SetCooperativeLevel(hwnd_, DISCL_NONEXCLUSIVE | DISCL_EXCLUSIVE | DISCL_FOREGROUND),
              DIERR_INVALIDPARAM);
    DIMOUSESTATE state;
    EXPECT_EQ(device->GetDeviceState(sizeof state, &state), DIERR_NOTACQUIRED);
    device->Release();
    const GUID nothing = {1, 2, 3, {}};
    EXPECT_EQ(input_->CreateDevice(nothing, &device, nullptr), DIERR_DEVICENOTREG);
}

TEST_F(DInputTest, JoystickIsEnumeratedAndReadInTheSetRange) {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 4, 1);
    ASSERT_GE(index, 0);
    SDL_Joystick* virtualStick = SDL_JoystickOpen(index);
    ASSERT_NE(virtualStick, nullptr);

    std::vector<GUID> found;
    auto collect = [](LPCDIDEVICEINSTANCEA instance, LPVOID context) -> BOOL {
        static_cast<std::vector<GUID>*>(context)->push_back(instance->guidInstance);
        return DIENUM_CONTINUE;
    };
    ASSERT_EQ(input_->EnumDevices(DI8DEVCLASS_GAMECTRL, collect, &found, DIEDFL_ATTACHEDONLY), DI_OK);
    ASSERT_EQ(found.size(), 1u);
    IDirectInputDevice8A* stick = Open(found[0], c_dfDIJoystick);
    for (DWORD axis : {DIJOFS_X, DIJOFS_Y}) {
        DIPROPRANGE range{{sizeof(DIPROPRANGE), sizeof(DIPROPHEADER), axis, DIPH_BYOFFSET}, -1000, 1000};
        EXPECT_EQ(stick->SetProperty(DIPROP_RANGE, &range.diph), DI_OK);
    }
    SDL_JoystickSetVirtualAxis(virtualStick, 0, 32767);
    SDL_JoystickSetVirtualAxis(virtualStick, 1, -32768);
    SDL_JoystickSetVirtualButton(virtualStick, 2, SDL_PRESSED);
    SDL_JoystickSetVirtualHat(virtualStick, 0, SDL_HAT_LEFT);

    DIJOYSTATE state;
    EXPECT_EQ(stick->Poll(), DIERR_NOTACQUIRED);
    ASSERT_EQ(stick->Acquire(), DI_OK);
    ASSERT_EQ(stick->Poll(), DI_OK);
    ASSERT_EQ(stick->GetDeviceState(sizeof state, &state), DI_OK);
    EXPECT_EQ(state.lX, 1000);
    EXPECT_EQ(state.lY, -1000);
    EXPECT_EQ(state.lZ, 32768);  // Untouched axis at the centre of the default range 0..65535.
    EXPECT_EQ(state.rgbButtons[2], 0x80);
    EXPECT_EQ(state.rgdwPOV[0], 27000u);
    EXPECT_EQ(state.rgdwPOV[1], 0xFFFFFFFFu);
    stick->Release();
    SDL_JoystickClose(virtualStick);
    SDL_JoystickDetachVirtual(index);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

}  // namespace
