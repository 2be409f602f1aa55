// How long one run of scenario code or of a script may go on before the frame gets control back, and
// the check such a run makes as it goes: its time is up, or the player asked to close the game.
#pragma once
#include <windows.h>

class CSliceClock {
public:
    // One frame's slice of scenario code or of a script: past this it gives the frame back and goes
    // on in the next frame, so that slow instructions never make the game stop answering.
    static constexpr DWORD kSliceMs = 1000;
    // How often a run looks for a close request (looking pumps the window system).
    static constexpr DWORD kCloseCheckMs = 50;

    explicit CSliceClock(DWORD limitMs = kSliceMs) : start_(timeGetTime()), lastCheck_(start_), limit_(limitMs) {}

    // Null while the run may go on; else why it should stop: "it ran too long" or "the game is
    // closing" (a close request or a quit waits in the message queue, where it stays for the frame).
    const char* ShouldStop() {
        const DWORD now = timeGetTime();
        if (now - start_ >= limit_) return "it ran too long";
        if (now - lastCheck_ < kCloseCheckMs) return nullptr;
        lastCheck_ = now;
        MSG msg;
        if (PeekMessageA(&msg, nullptr, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) &&
            (msg.message == WM_CLOSE || msg.message == WM_QUIT))
            return "the game is closing";
        return nullptr;
    }

private:
    DWORD start_;
    DWORD lastCheck_;
    DWORD limit_;
};
