// The DirectInput 8 object: created through CoCreateInstance, it makes the system keyboard and mouse
// and enumerates SDL's joysticks as game controllers.
#include <SDL2/SDL.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "devices.h"

const CLSID CLSID_DirectInput8 = {0x25E609E4, 0xB259, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID IID_IDirectInput8A = {0xBF798030, 0x483A, 0x4DA2, {0xAA, 0x99, 0x5D, 0x64, 0xED, 0x36, 0x97, 0x00}};
const GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID DIPROP_RANGE = {4, 0, 0, {}};

const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 16, 0, 256, 0, nullptr};
const DIDATAFORMAT c_dfDIMouse = {sizeof(DIDATAFORMAT), 16, 0, sizeof(DIMOUSESTATE), 0, nullptr};
const DIDATAFORMAT c_dfDIJoystick = {sizeof(DIDATAFORMAT), 16, 0, sizeof(DIJOYSTATE), 0, nullptr};

namespace {

// A joystick's instance GUID carries SDL's instance id in Data1 and this mark in Data4.
constexpr BYTE kJoystickMark[8] = {'S', 'D', 'L', 'J', 'O', 'Y', 0, 0};

GUID JoystickGuid(SDL_JoystickID id) {
    GUID g{static_cast<DWORD>(id), 0, 0, {}};
    for (int i = 0; i < 8; ++i) g.Data4[i] = kJoystickMark[i];
    return g;
}

// The SDL device index of the joystick a GUID names, or -1.
int JoystickIndexOf(REFGUID guid) {
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0) return -1;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (JoystickGuid(SDL_JoystickGetDeviceInstanceID(i)) == guid) return i;
    return -1;
}

class DirectInput8 final : public IDirectInput8A {
public:
    DirectInput8() {
        // Whether input counts is decided by the cooperative level against our window's focus,
        // so SDL must not drop joystick input of its own accord while no SDL window has the focus.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        // A joystick device brings SDL's joysticks up to date in its Poll, and EnumDevices the list of
        // them, so the message pump, which runs every frame, need not scan for joysticks each time.
        SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0");
        joysticks_ = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    }

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!(riid == IID_IUnknown) && !(riid == IID_IDirectInput8A)) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IDirectInput8A*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT Initialize(HINSTANCE, DWORD version) override {
        if (version != 0x0800) return DIERR_OLDDIRECTINPUTVERSION;
        initialized_ = true;
        return DI_OK;
    }

    HRESULT CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8A* device, LPUNKNOWN outer) override {
        if (!device) return E_POINTER;
        *device = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        if (!initialized_) return DIERR_NOTINITIALIZED;
        if (guid == GUID_SysKeyboard) {
            *device = new dinput::Keyboard;
        } else if (guid == GUID_SysMouse) {
            *device = new dinput::Mouse;
        } else {
            int index = JoystickIndexOf(guid);
            if (index < 0) return DIERR_DEVICENOTREG;
            auto* joystick = new dinput::Joystick(index);
            if (!joystick->IsOpen()) {
                joystick->Release();
                return DIERR_DEVICENOTREG;
            }
            *device = joystick;
        }
        return DI_OK;
    }

    HRESULT EnumDevices(DWORD devType, LPDIENUMDEVICESCALLBACKA callback, LPVOID context, DWORD) override {
        if (!callback) return DIERR_INVALIDPARAM;
        if (!initialized_) return DIERR_NOTINITIALIZED;
        if ((devType != DI8DEVCLASS_GAMECTRL && devType != DI8DEVCLASS_ALL) || !joysticks_) return DI_OK;
        // Every SDL joystick is attached; the list is taken first so callbacks may open devices.
        SDL_JoystickUpdate();
        int count = SDL_NumJoysticks();
        for (int i = 0; i < count; ++i) {
            DIDEVICEINSTANCEA instance{};
            instance.dwSize = sizeof instance;
            instance.guidInstance = JoystickGuid(SDL_JoystickGetDeviceInstanceID(i));
            SDL_JoystickGUID product = SDL_JoystickGetDeviceGUID(i);
            static_assert(sizeof product.data == sizeof(GUID));
            std::memcpy(&instance.guidProduct, product.data, sizeof(GUID));
            instance.dwDevType = DI8DEVCLASS_GAMECTRL;
            const char* name = SDL_JoystickNameForIndex(i);
            std::snprintf(instance.tszInstanceName, MAX_PATH, "%s", name ? name : "");
            std::snprintf(instance.tszProductName, MAX_PATH, "%s", name ? name : "");
            if (callback(&instance, context) == DIENUM_STOP) break;
        }
        return DI_OK;
    }

private:
    virtual ~DirectInput8() {
        if (joysticks_) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    }

    std::atomic<ULONG> refs_{1};
    bool initialized_ = false;
    bool joysticks_ = false;
};

HRESULT CreateDirectInput8(REFIID iid, void** object) {
    auto* input = new DirectInput8;
    HRESULT hr = input->QueryInterface(iid, object);
    input->Release();
    return hr;
}

// Registers the class when this file is linked in (the engine names CLSID_DirectInput8, defined above).
struct Registration {
    Registration() { win32::RegisterComClass(CLSID_DirectInput8, CreateDirectInput8); }
} g_registration;

}  // namespace
