// The game's virtual keyboard: nine keys as a held and a pressed mask, this frame's mouse clicks and
// a wheel event, read through yes-or-no questions (advance, skip, hide, ...).
#pragma once
#include <cstdint>

#include "engine/util/USSingleton.h"

class CVirtualInputDevice {
public:
    // Mask bits.
    enum : uint32_t {
        kReturn = 1u << 0,
        kNumpadEnter = 1u << 1,
        kLeftControl = 1u << 2,
        kRightControl = 1u << 3,
        kSpace = 1u << 4,
        kLeftAlt = 1u << 5,
        kRightAlt = 1u << 6,
        kUp = 1u << 7,
        kDown = 1u << 8,
    };
    // Mouse bits.
    enum : uint8_t { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

    virtual ~CVirtualInputDevice() = default;
    virtual bool IsLeftButton() const;
    virtual bool IsRightButton() const;
    virtual bool IsNext() const;
    virtual bool IsCtrl() const;
    virtual bool IsAnyInput() const;
    virtual int GetWheel() const { return wheelDirection_; }
    virtual bool IsHide() const;
    virtual bool IsAnyButton() const;
    virtual bool IsWheelUp() const;
    // Alt held and Return pressed: true, and that press is hidden from the rest of this frame.
    virtual bool CheckAltEnter();
    virtual bool IsUpPressed() const;
    virtual bool IsDownPressed() const;
    virtual bool IsEnterPressed() const;

    // Second step of every frame, after CAppCommonInfo::Update.
    void Update();
    // No key held, no click, no wheel: the state at the game's start-up.
    void Reset() { *this = CVirtualInputDevice(); }

    uint32_t GetHeld() const { return held_; }
    uint32_t GetPressed() const { return pressed_; }

private:
    uint8_t mouse_ = 0;
    uint32_t held_ = 0;
    uint32_t pressed_ = 0;
    int32_t wheelDirection_ = 0;
    int32_t wheelEvent_ = 0;
};
