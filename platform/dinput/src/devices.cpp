// Keyboard, mouse and joystick devices. Keyboard and mouse state is kept from the SDL events of the
// cooperative window (the message pump hands every event to the devices before it becomes a
// message), so injected events count exactly as real ones; joysticks read SDL's joystick state.
#include "devices.h"

#include <cstring>

#include "keymap.h"

namespace dinput {

Device::Device(DWORD stateSize) : stateSize_(stateSize) { observer_ = win32::AddEventObserver(&Device::Observe, this); }

Device::~Device() { win32::RemoveEventObserver(observer_); }

HRESULT Device::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!(riid == IID_IUnknown)) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IUnknown*>(this);
    return S_OK;
}

ULONG Device::AddRef() { return ++refs_; }

ULONG Device::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Device::SetDataFormat(LPCDIDATAFORMAT format) {
    std::lock_guard<std::mutex> lock(lock_);
    if (acquired_) return DIERR_ACQUIRED;
    if (!format || format->dwDataSize != stateSize_) return DIERR_INVALIDPARAM;
    formatSet_ = true;
    return DI_OK;
}

HRESULT Device::SetCooperativeLevel(HWND hwnd, DWORD flags) {
    bool exclusive = flags & DISCL_EXCLUSIVE, nonExclusive = flags & DISCL_NONEXCLUSIVE;
    bool foreground = flags & DISCL_FOREGROUND, background = flags & DISCL_BACKGROUND;
    if (exclusive == nonExclusive || foreground == background) return DIERR_INVALIDPARAM;
    SDL_Window* window = win32::SdlWindowOf(hwnd);
    if (!window) return DIERR_INVALIDPARAM;
    std::lock_guard<std::mutex> lock(lock_);
    coopFlags_ = flags;
    windowId_ = SDL_GetWindowID(window);
    return DI_OK;
}

HRESULT Device::SetProperty(REFGUID, LPCDIPROPHEADER) { return DIERR_INVALIDPARAM; }

HRESULT Device::Acquire() {
    std::lock_guard<std::mutex> lock(lock_);
    if (!formatSet_) return DIERR_INVALIDPARAM;
    if (acquired_) return DI_NOEFFECT;
    if ((coopFlags_ & DISCL_FOREGROUND) && !focused_) {
        // The window may have had the focus before this device watched its events.
        SDL_Window* focus = SDL_GetKeyboardFocus();
        focused_ = focus && SDL_GetWindowID(focus) == windowId_;
        if (!focused_) return DIERR_OTHERAPPHASPRIO;
    }
    acquired_ = true;
    lost_ = false;
    OnAcquire();
    return DI_OK;
}

HRESULT Device::Unacquire() {
    std::lock_guard<std::mutex> lock(lock_);
    if (!acquired_) return DI_NOEFFECT;
    acquired_ = false;
    return DI_OK;
}

HRESULT Device::Poll() {
    std::lock_guard<std::mutex> lock(lock_);
    return acquired_ ? DI_NOEFFECT : DIERR_NOTACQUIRED;
}

HRESULT Device::GetDeviceState(DWORD size, LPVOID data) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!acquired_) {
        HRESULT why = lost_ ? DIERR_INPUTLOST : DIERR_NOTACQUIRED;
        lost_ = false;
        return why;
    }
    if (!data || size != stateSize_) return DIERR_INVALIDPARAM;
    FillState(data);
    return DI_OK;
}

void Device::Observe(const SDL_Event& event, void* self) {
    Device* device = static_cast<Device*>(self);
    std::lock_guard<std::mutex> lock(device->lock_);
    if (event.type == SDL_WINDOWEVENT && device->ForOurWindow(event.window.windowID)) {
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) device->focused_ = true;
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
            device->focused_ = false;
            device->OnFocusLost();
            if (device->acquired_ && (device->coopFlags_ & DISCL_FOREGROUND)) {
                device->acquired_ = false;
                device->lost_ = true;
            }
        }
        return;
    }
    device->OnEvent(event);
}

Keyboard::Keyboard() : Device(sizeof keys_) {}

void Keyboard::FillState(void* data) { std::memcpy(data, keys_, sizeof keys_); }

void Keyboard::OnEvent(const SDL_Event& event) {
    if ((event.type != SDL_KEYDOWN && event.type != SDL_KEYUP) || !ForOurWindow(event.key.windowID)) return;
    BYTE dik = DikOfScancode(event.key.keysym.scancode);
    if (dik) keys_[dik] = event.type == SDL_KEYDOWN ? 0x80 : 0;
}

void Keyboard::OnFocusLost() { std::memset(keys_, 0, sizeof keys_); }

Mouse::Mouse() : Device(sizeof(DIMOUSESTATE)) {}

void Mouse::OnAcquire() { dx_ = dy_ = wheel_ = 0; }

void Mouse::FillState(void* data) {
    DIMOUSESTATE state{dx_, dy_, wheel_, {}};
    for (int i = 0; i < 4; ++i) state.rgbButtons[i] = buttons_[i] | pressed_[i];
    std::memset(pressed_, 0, sizeof pressed_);
    std::memcpy(data, &state, sizeof state);
    dx_ = dy_ = wheel_ = 0;
}

void Mouse::OnEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_MOUSEMOTION:
            if (!ForOurWindow(event.motion.windowID) || !acquired_) return;
            dx_ += event.motion.xrel;
            dy_ += event.motion.yrel;
            break;
        case SDL_MOUSEWHEEL: {
            if (!ForOurWindow(event.wheel.windowID) || !acquired_) return;
            int notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
            wheel_ += notches * WHEEL_DELTA;
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (!ForOurWindow(event.button.windowID)) return;
            int index = -1;
            switch (event.button.button) {
                case SDL_BUTTON_LEFT: index = 0; break;
                case SDL_BUTTON_RIGHT: index = 1; break;
                case SDL_BUTTON_MIDDLE: index = 2; break;
                case SDL_BUTTON_X1: index = 3; break;
                default: return;
            }
            buttons_[index] = event.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0;
            if (event.type == SDL_MOUSEBUTTONDOWN) pressed_[index] = 0x80;
            break;
        }
        default: break;
    }
}

void Mouse::OnFocusLost() {
    std::memset(buttons_, 0, sizeof buttons_);
    std::memset(pressed_, 0, sizeof pressed_);
}

Joystick::Joystick(int deviceIndex) : Device(sizeof(DIJOYSTATE)) {
    // DirectInput's default axis range.
    for (int i = 0; i < 6; ++i) {
        rangeMin_[i] = 0;
        rangeMax_[i] = 65535;
    }
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0) {
        joystick_ = SDL_JoystickOpen(deviceIndex);
        if (!joystick_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }
}

Joystick::~Joystick() {
    if (!joystick_) return;
    SDL_JoystickClose(joystick_);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

HRESULT Joystick::SetProperty(REFGUID property, LPCDIPROPHEADER header) {
    if (&property != &DIPROP_RANGE || !header || header->dwSize != sizeof(DIPROPRANGE) ||
        header->dwHeaderSize != sizeof(DIPROPHEADER))
        return DIERR_INVALIDPARAM;
    const DIPROPRANGE* range = reinterpret_cast<const DIPROPRANGE*>(header);
    if (range->lMin >= range->lMax) return DIERR_INVALIDPARAM;
    int first = 0, last = 5;
    if (header->dwHow == DIPH_BYOFFSET) {
        if (header->dwObj % 4 != 0 || header->dwObj > DIJOFS_RZ) return DIERR_INVALIDPARAM;
        first = last = static_cast<int>(header->dwObj / 4);
    } else if (header->dwHow != DIPH_DEVICE || header->dwObj != 0) {
        return DIERR_INVALIDPARAM;
    }
    std::lock_guard<std::mutex> lock(lock_);
    for (int i = first; i <= last; ++i) {
        rangeMin_[i] = range->lMin;
        rangeMax_[i] = range->lMax;
    }
    return DI_OK;
}

HRESULT Joystick::Poll() {
    HRESULT hr = Device::Poll();
    if (hr == DIERR_NOTACQUIRED) return hr;
    SDL_JoystickUpdate();
    return DI_OK;
}

void Joystick::FillState(void* data) {
    DIJOYSTATE state{};
    LONG* axes[6] = {&state.lX, &state.lY, &state.lZ, &state.lRx, &state.lRy, &state.lRz};
    int axisCount = SDL_JoystickNumAxes(joystick_);
    for (int i = 0; i < 6; ++i) {
        // SDL gives -32768..32767; map it linearly onto the axis range.
        long long raw = i < axisCount ? SDL_JoystickGetAxis(joystick_, i) : 0;
        long long span = static_cast<long long>(rangeMax_[i]) - rangeMin_[i];
        *axes[i] = static_cast<LONG>(rangeMin_[i] + ((raw + 32768) * span + 32767) / 65535);
    }
    for (int i = 0; i < 4; ++i) {
        state.rgdwPOV[i] = 0xFFFFFFFFu;  // Centred.
        if (i >= SDL_JoystickNumHats(joystick_)) continue;
        static const struct {
            Uint8 hat;
            DWORD hundredths;
        } kDirections[] = {{SDL_HAT_UP, 0},         {SDL_HAT_RIGHTUP, 4500},   {SDL_HAT_RIGHT, 9000},
                           {SDL_HAT_RIGHTDOWN, 13500}, {SDL_HAT_DOWN, 18000},  {SDL_HAT_LEFTDOWN, 22500},
                           {SDL_HAT_LEFT, 27000},   {SDL_HAT_LEFTUP, 31500}};
        Uint8 hat = SDL_JoystickGetHat(joystick_, i);
        for (auto& d : kDirections)
            if (d.hat == hat) state.rgdwPOV[i] = d.hundredths;
    }
    int buttons = SDL_JoystickNumButtons(joystick_);
    for (int i = 0; i < 32 && i < buttons; ++i) state.rgbButtons[i] = SDL_JoystickGetButton(joystick_, i) ? 0x80 : 0;
    std::memcpy(data, &state, sizeof state);
}

}  // namespace dinput
