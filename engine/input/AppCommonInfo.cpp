// CAppCommonInfo: the per-frame mouse and cursor update and the full-screen requests.
#include "engine/input/AppCommonInfo.h"

#include "engine/app/USApp.h"
#include "engine/render/ResolutionAdjuster.h"

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
        // The same factor and bars that the resolution adjuster draws the frame with.
        const USResolutionAdjuster* adjuster = USResolutionAdjuster::GetInstance();
        cursor = ScreenToGame(cursor, adjuster->GetScale(), adjuster->GetOffsetX(), adjuster->GetOffsetY());
    }
    cursorX_ = cursor.x;
    cursorY_ = cursor.y;
    cursorXF_ = static_cast<float>(cursor.x);
    cursorYF_ = static_cast<float>(cursor.y);
    forceDraw_ = 0;
}

void CAppCommonInfo::Reset() {
    mouse_.Release();
    *this = CAppCommonInfo();
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
