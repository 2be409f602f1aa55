// The device objects behind IDirectInputDevice8A: a common base that follows the cooperative
// window's SDL events (focus decides acquisition), and the keyboard, mouse and joystick kinds.
#pragma once
#include <SDL2/SDL.h>

#include <atomic>
#include <dinput.h>
#include <mutex>

namespace dinput {

class Device : public IDirectInputDevice8A {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT SetDataFormat(LPCDIDATAFORMAT format) override;
    HRESULT SetCooperativeLevel(HWND hwnd, DWORD flags) override;
    HRESULT SetProperty(REFGUID property, LPCDIPROPHEADER header) override;
    HRESULT Acquire() override;
    HRESULT Unacquire() override;
    HRESULT Poll() override;
    HRESULT GetDeviceState(DWORD size, LPVOID data) override;

protected:
    explicit Device(DWORD stateSize);
    virtual ~Device();

    // With the lock held: reset what accumulates between polls, fill the state, take an event.
    virtual void OnAcquire() {}
    virtual void FillState(void* data) = 0;
    virtual void OnEvent(const SDL_Event&) {}
    // Input the window no longer sees once it loses the focus (held keys, buttons) is dropped.
    virtual void OnFocusLost() {}

    // True when the event belongs to the cooperative window.
    bool ForOurWindow(Uint32 windowId) const { return windowId_ != 0 && windowId == windowId_; }
    bool acquired_ = false;
    std::mutex lock_;

private:
    static void Observe(const SDL_Event& event, void* self);

    std::atomic<ULONG> refs_{1};
    const DWORD stateSize_;
    bool formatSet_ = false;
    DWORD coopFlags_ = 0;
    Uint32 windowId_ = 0;
    bool focused_ = true;  // A shown window starts in the foreground; focus events keep this current.
    bool lost_ = false;    // Acquisition was taken away; the next state read reports it once.
    int observer_ = 0;
};

class Keyboard final : public Device {
public:
    Keyboard();

private:
    void FillState(void* data) override;
    void OnEvent(const SDL_Event& event) override;
    void OnFocusLost() override;

    BYTE keys_[256] = {};
};

class Mouse final : public Device {
public:
    Mouse();

private:
    void OnAcquire() override;
    void FillState(void* data) override;
    void OnEvent(const SDL_Event& event) override;
    void OnFocusLost() override;

    LONG dx_ = 0, dy_ = 0, wheel_ = 0;
    BYTE buttons_[4] = {};
    // Presses since the last poll: a click shorter than a frame still reads as down once.
    BYTE pressed_[4] = {};
};

class Joystick final : public Device {
public:
    // Opens SDL joystick device index; IsOpen tells whether that worked.
    explicit Joystick(int deviceIndex);
    bool IsOpen() const { return joystick_ != nullptr; }
    HRESULT SetProperty(REFGUID property, LPCDIPROPHEADER header) override;
    HRESULT Poll() override;

private:
    ~Joystick() override;
    void FillState(void* data) override;

    SDL_Joystick* joystick_ = nullptr;
    LONG rangeMin_[6];
    LONG rangeMax_[6];
};

}  // namespace dinput
