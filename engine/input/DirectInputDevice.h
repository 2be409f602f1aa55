// DirectInput devices of the game: the keyboard (one, process-wide), the mouse (a member of the
// application's common state) and the game controllers, with the service's start-up, per-frame poll
// and release.
#pragma once
#include <dinput.h>

#include <memory>
#include <vector>

class CDefoDirectInputDevice {
public:
    CDefoDirectInputDevice() = default;
    CDefoDirectInputDevice(const CDefoDirectInputDevice&) = delete;
    CDefoDirectInputDevice& operator=(const CDefoDirectInputDevice&) = delete;
    // Releases this device's interface and takes the other's, which is left without one.
    CDefoDirectInputDevice& operator=(CDefoDirectInputDevice&& other) noexcept;
    virtual ~CDefoDirectInputDevice() = default;
    // Unacquires and releases the device interface.
    virtual void Release();
    virtual bool Init(HWND hwnd) = 0;
    virtual void Update() = 0;

    IDirectInputDevice8A*& Device() { return device_; }

protected:
    // Creates the device (releasing one made before) with the window's non-exclusive foreground level;
    // false on any failure.
    bool Create(REFGUID guid, const DIDATAFORMAT& format, HWND hwnd);
    // Appends the device, once, to the process-wide list that the per-frame poll walks.
    void Register();
    // Acquire when not yet acquired; acquired becomes 1 on DI_OK.
    void AcquireOnce();
    // After a failed read (the window lost the foreground): ask for the device again.
    void Reacquire();

    IDirectInputDevice8A* device_ = nullptr;
    unsigned acquired_ = 0;
};

class CDIKeyBoard : public CDefoDirectInputDevice {
public:
    bool Init(HWND hwnd) override;
    void Update() override;
    // The 256 DirectInput key bytes of the last poll; bit 7 set = held.
    const BYTE* GetKeys() const { return keys_; }

private:
    BYTE keys_[256] = {};
};

class CDIMouse : public CDefoDirectInputDevice {
public:
    bool Init(HWND hwnd) override;
    void Update() override;

    LONG GetX() const { return x_; }
    LONG GetY() const { return y_; }
    LONG GetDX() const { return dx_; }
    LONG GetDY() const { return dy_; }
    LONG GetWheel() const { return wheel_; }
    BYTE GetHeld() const { return held_; }
    BYTE GetPressed() const { return pressed_; }

private:
    LONG x_ = 0, y_ = 0;  // Client pixels windowed, screen pixels in full screen.
    LONG dx_ = 0, dy_ = 0;
    LONG wheel_ = 0;
    BYTE held_ = 0;     // Bit n: button n down.
    BYTE pressed_ = 0;  // Buttons that went down at this poll.
};

class CDIJoyStick : public CDefoDirectInputDevice {
public:
    bool Init(HWND hwnd) override;
    void Update() override;

    bool IsUp() const { return up_; }
    bool IsRight() const { return right_; }
    bool IsDown() const { return down_; }
    bool IsLeft() const { return left_; }

private:
    DIJOYSTATE state_{};
    bool up_ = false, right_ = false, down_ = false, left_ = false;
};

bool InitDirectInput(HINSTANCE instance, HWND hwnd);
void ReleaseDirectInput();
// Polls every joystick, then every registered device (keyboard, mouse).
void UpdateDirectInputDevices();
// The process-wide keyboard and game controllers.
CDIKeyBoard& GetDIKeyBoard();
const std::vector<std::unique_ptr<CDIJoyStick>>& GetDIJoySticks();
// The window given to InitDirectInput (null before).
HWND GetDirectInputWindow();
