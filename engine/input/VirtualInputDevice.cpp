// CVirtualInputDevice: the nine-key mask from the keyboard, the wheel event and the queries.
#include "engine/input/VirtualInputDevice.h"

#include "engine/input/AppCommonInfo.h"

namespace {

// The keys behind the mask bits, in bit order.
constexpr BYTE kKeys[9] = {DIK_RETURN, DIK_NUMPADENTER, DIK_LCONTROL, DIK_RCONTROL, DIK_SPACE,
                           DIK_LMENU,  DIK_RMENU,       DIK_UP,       DIK_DOWN};
constexpr uint32_t kEnter = CVirtualInputDevice::kReturn | CVirtualInputDevice::kNumpadEnter;

}  // namespace

void CVirtualInputDevice::Update() {
    CAppCommonInfo* info = CUSSingleton<CAppCommonInfo>::GetInstance();
    mouse_ = info->GetMouseTrig();
    const BYTE* keys = GetDIKeyBoard().GetKeys();
    uint32_t held = 0;
    for (int bit = 0; bit < 9; ++bit)
        if (keys[kKeys[bit]] & 0x80) held |= 1u << bit;
    pressed_ = ~held_ & held;
    held_ = held;
    LONG wheel = info->GetWheel();
    int32_t direction = wheel > 0 ? 1 : wheel < 0 ? -1 : 0;
    wheelEvent_ = direction != wheelDirection_ ? direction : 0;
    wheelDirection_ = direction;
}

bool CVirtualInputDevice::IsLeftButton() const { return mouse_ & kLeftButton; }

bool CVirtualInputDevice::IsRightButton() const { return mouse_ & kRightButton; }

bool CVirtualInputDevice::IsNext() const { return wheelEvent_ == -1 || (pressed_ & kEnter) || IsLeftButton(); }

bool CVirtualInputDevice::IsCtrl() const { return held_ & (kLeftControl | kRightControl); }

bool CVirtualInputDevice::IsAnyInput() const { return wheelEvent_ != 0 || mouse_ != 0 || pressed_ != 0; }

bool CVirtualInputDevice::IsHide() const { return (pressed_ & kSpace) || (mouse_ & kMiddleButton); }

bool CVirtualInputDevice::IsAnyButton() const {
    return (mouse_ & (kLeftButton | kRightButton | kMiddleButton)) || (pressed_ & (kEnter | kSpace));
}

bool CVirtualInputDevice::IsWheelUp() const { return wheelEvent_ == 1; }

bool CVirtualInputDevice::CheckAltEnter() {
    if (!(held_ & (kLeftAlt | kRightAlt)) || !(pressed_ & kReturn)) return false;
    // Only the press is taken away: the stored held mask keeps Return, so a Return still held next
    // frame is not taken for a new press (which would toggle the display mode straight back).
    pressed_ &= ~kReturn;
    return true;
}

bool CVirtualInputDevice::IsUpPressed() const { return pressed_ & kUp; }

bool CVirtualInputDevice::IsDownPressed() const { return pressed_ & kDown; }

bool CVirtualInputDevice::IsEnterPressed() const { return (pressed_ & kEnter) != 0; }
