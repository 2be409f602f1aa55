// CAppCommonInfo: the per-frame mouse and cursor update and the full-screen requests.
#include "engine/input/AppCommonInfo.h"

#include <algorithm>

#include "engine/app/USApp.h"

namespace {

constexpr float kGameWidth = 800.0f;
constexpr float kGameHeight = 600.0f;

// The full-screen picture's scale and bars: the game screen scaled by one factor (the smaller of
// the two ratios) and centred in the full-screen back buffer, which is the window's client area.
void FullScreenMapping(float& scale, float& offsetX, float& offsetY) {
    RECT client{0, 0, static_cast<LONG>(kGameWidth), static_cast<LONG>(kGameHeight)};
    GetClientRect(GetDirectInputWindow(), &client);
    float fw = static_cast<float>(client.right), fh = static_cast<float>(client.bottom);
    scale = std::min(fw / kGameWidth, fh / kGameHeight);
    offsetX = (fw - kGameWidth * scale) * 0.5f;
    offsetY = (fh - kGameHeight * scale) * 0.5f;
}

}  // namespace

POINT CAppCommonInfo::ScreenToGame(POINT screen, float scale, float offsetX, float offsetY) {
    return POINT{static_cast<LONG>((static_cast<float>(screen.x) - offsetX) / scale),
                 static_cast<LONG>((static_cast<float>(screen.y) - offsetY) / scale)};
}

void CAppCommonInfo::Update() {
    UpdateDirectInputDevices();
    snapshot_ = 0;
    wheel_ = mouse_.GetWheel();
    mouseHeld_ = mouse_.GetHeld();
    mouseTrig_ = mouse_.GetPressed();
    POINT cursor{mouse_.GetX(), mouse_.GetY()};
    if (fullScreen_) {
        float scale, offsetX, offsetY;
        FullScreenMapping(scale, offsetX, offsetY);
        cursor = ScreenToGame(cursor, scale, offsetX, offsetY);
    }
    cursorX_ = cursor.x;
    cursorY_ = cursor.y;
    cursorXF_ = static_cast<float>(cursor.x);
    cursorYF_ = static_cast<float>(cursor.y);
    forceDraw_ = 0;
}

void CAppCommonInfo::SetCursorPos(int x, int y) {
    POINT point{x, y};
    ClientToScreen(GetDirectInputWindow(), &point);
    ::SetCursorPos(point.x, point.y);
}

void CAppCommonInfo::RequestSnapshot() {
    snapshot_ = 1;
    forceDraw_ = 1;
}

void CAppCommonInfo::ToggleFullScreen() {
    fullScreen_ = fullScreen_ ? 0 : 1;
    if (CUSApp* app = CUSApp::GetApp()) app->RequestDisplayMode(fullScreen_ != 0, -1, -1);
}

void CAppCommonInfo::SetFullScreen(unsigned value) {
    if (value == fullScreen_) return;
    if (CUSApp* app = CUSApp::GetApp()) app->RequestDisplayMode(value != 0, -1, -1);
    fullScreen_ = value;
}
