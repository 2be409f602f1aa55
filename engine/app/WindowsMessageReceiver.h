// Receivers of window messages: a window offers every message to its receivers in order, and the
// first that returns non-zero ends the walk.
#pragma once
#include <windows.h>

class CWindowsMessageReceiver {
public:
    virtual ~CWindowsMessageReceiver() = default;
    virtual LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
};

// Handles WM_KEYDOWN only, through OnKeyDown.
class CUSKeyboardMessageReceiver : public CWindowsMessageReceiver {
public:
    LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual LRESULT OnKeyDown(WPARAM key) = 0;
};
