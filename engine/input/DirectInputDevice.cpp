// DirectInput start-up, release and the per-frame poll of keyboard, mouse and game controllers.
#include "engine/input/DirectInputDevice.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "engine/app/USApp.h"
#include "engine/input/AppCommonInfo.h"
#include "engine/util/USCallbackManager.h"
#include "engine/util/USLogManager.h"

namespace {

IDirectInput8A* g_directInput = nullptr;
CDIKeyBoard g_keyboard;
std::vector<CDefoDirectInputDevice*> g_registered;
std::vector<std::unique_ptr<CDIJoyStick>> g_joysticks;
HWND g_window = nullptr;

constexpr DWORD kCooperativeLevel = DISCL_NONEXCLUSIVE | DISCL_FOREGROUND;
constexpr LONG kAxisThreshold = 300;

BOOL CALLBACK EnumJoystick(LPCDIDEVICEINSTANCEA instance, LPVOID) {
    auto joystick = std::make_unique<CDIJoyStick>();
    if (FAILED(g_directInput->CreateDevice(instance->guidInstance, &joystick->Device(), nullptr))) return DIENUM_STOP;
    g_joysticks.push_back(std::move(joystick));
    return DIENUM_CONTINUE;
}

}  // namespace

CDefoDirectInputDevice& CDefoDirectInputDevice::operator=(CDefoDirectInputDevice&& other) noexcept {
    if (this == &other) return *this;
    Release();
    device_ = std::exchange(other.device_, nullptr);
    acquired_ = std::exchange(other.acquired_, 0u);
    return *this;
}

void CDefoDirectInputDevice::Release() {
    if (!device_) return;
    device_->Unacquire();
    device_->Release();
    device_ = nullptr;
    acquired_ = 0;
}

bool CDefoDirectInputDevice::Create(REFGUID guid, const DIDATAFORMAT& format, HWND hwnd) {
    Release();
    if (!g_directInput || FAILED(g_directInput->CreateDevice(guid, &device_, nullptr))) return false;
    return SUCCEEDED(device_->SetDataFormat(&format)) && SUCCEEDED(device_->SetCooperativeLevel(hwnd, kCooperativeLevel));
}

void CDefoDirectInputDevice::Register() {
    // A device started again is polled once a frame, not once per start: a second poll in one frame
    // would take that frame's presses for held buttons.
    if (std::find(g_registered.begin(), g_registered.end(), this) == g_registered.end()) g_registered.push_back(this);
}

void CDefoDirectInputDevice::AcquireOnce() {
    if (!acquired_ && device_->Acquire() == DI_OK) acquired_ = 1;
}

void CDefoDirectInputDevice::Reacquire() { acquired_ = SUCCEEDED(device_->Acquire()) ? 1 : 0; }

bool CDIKeyBoard::Init(HWND hwnd) {
    if (!Create(GUID_SysKeyboard, c_dfDIKeyboard, hwnd)) return false;
    Register();
    AcquireOnce();
    return true;
}

void CDIKeyBoard::Update() {
    if (!device_) return;
    if (FAILED(device_->GetDeviceState(sizeof keys_, keys_))) {
        Reacquire();
        std::fill(std::begin(keys_), std::end(keys_), 0);
    }
}

bool CDIMouse::Init(HWND hwnd) {
    if (!Create(GUID_SysMouse, c_dfDIMouse, hwnd)) return false;
    Register();
    AcquireOnce();
    return true;
}

void CDIMouse::Update() {
    if (!device_) return;
    DIMOUSESTATE state;
    if (FAILED(device_->GetDeviceState(sizeof state, &state))) {
        Reacquire();
        held_ = 0;
        pressed_ = 0;
        return;
    }
    POINT cursor{0, 0};
    GetCursorPos(&cursor);
    if (!CUSSingleton<CAppCommonInfo>::GetInstance()->IsFullScreen()) ScreenToClient(g_window, &cursor);
    x_ = cursor.x;
    y_ = cursor.y;
    dx_ = state.lX;
    dy_ = state.lY;
    wheel_ = state.lZ;
    BYTE held = 0;
    for (int i = 0; i < 4; ++i)
        if (state.rgbButtons[i] & 0x80) held |= static_cast<BYTE>(1u << i);
    pressed_ = static_cast<BYTE>(~held_ & held);
    held_ = held;
}

bool CDIJoyStick::Init(HWND hwnd) {
    if (!device_ || FAILED(device_->SetDataFormat(&c_dfDIJoystick)) ||
        FAILED(device_->SetCooperativeLevel(hwnd, kCooperativeLevel)))
        return false;
    for (DWORD axis : {DWORD{DIJOFS_X}, DWORD{DIJOFS_Y}}) {
        DIPROPRANGE range{{sizeof(DIPROPRANGE), sizeof(DIPROPHEADER), axis, DIPH_BYOFFSET}, -1000, 1000};
        if (FAILED(device_->SetProperty(DIPROP_RANGE, &range.diph))) return false;
    }
    return true;
}

void CDIJoyStick::Update() {
    if (!device_) return;
    device_->Poll();
    if (FAILED(device_->GetDeviceState(sizeof state_, &state_))) {
        Reacquire();
        state_ = DIJOYSTATE{};
    }
    up_ = state_.lY < -kAxisThreshold;
    right_ = state_.lX > kAxisThreshold;
    down_ = state_.lY > kAxisThreshold;
    left_ = state_.lX < -kAxisThreshold;
}

bool InitDirectInput(HINSTANCE instance, HWND hwnd) {
    US_LOG("Initialize DirectInput...\n");
    CUSSingleton<COMManager>::GetInstance()->Initialize();
    if (FAILED(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_ALL, IID_IDirectInput8A,
                                reinterpret_cast<void**>(&g_directInput)))) {
        g_directInput = nullptr;
        US_LOG("DirectInputオブジェクトの生成に失敗！\n\n");
        return false;
    }
    if (FAILED(g_directInput->Initialize(instance, DIRECTINPUT_VERSION))) {
        US_LOG("DirectInputオブジェクトの初期化に失敗！\n\n");
        // Nothing will release it later: the release function is not registered yet.
        g_directInput->Release();
        g_directInput = nullptr;
        return false;
    }
    CUSCallbackManager::Global().Add(ReleaseDirectInput);
    g_keyboard.Init(hwnd);
    g_directInput->EnumDevices(DI8DEVCLASS_GAMECTRL, EnumJoystick, nullptr, DIEDFL_ATTACHEDONLY);
    for (const std::unique_ptr<CDIJoyStick>& joystick : g_joysticks) joystick->Init(hwnd);
    g_window = hwnd;
    US_LOG("Success Initialization of DirectInput\n\n");
    return true;
}

void ReleaseDirectInput() {
    for (CDefoDirectInputDevice* device : g_registered) device->Release();
    g_registered.clear();
    US_LOG("Release DirectInput Device Object\n");
    for (const std::unique_ptr<CDIJoyStick>& joystick : g_joysticks) joystick->Release();
    g_joysticks.clear();
    US_LOG("Release JoyStick Object\n");
    if (g_directInput) g_directInput->Release();
    g_directInput = nullptr;
    US_LOG("Release DirectInput Object\n\n");
    CUSSingleton<COMManager>::GetInstance()->Uninitialize();
}

void UpdateDirectInputDevices() {
    for (const std::unique_ptr<CDIJoyStick>& joystick : g_joysticks) joystick->Update();
    for (CDefoDirectInputDevice* device : g_registered) device->Update();
}

CDIKeyBoard& GetDIKeyBoard() { return g_keyboard; }

const std::vector<std::unique_ptr<CDIJoyStick>>& GetDIJoySticks() { return g_joysticks; }

HWND GetDirectInputWindow() { return g_window; }
