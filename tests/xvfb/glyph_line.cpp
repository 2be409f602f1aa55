// Draws two lines of Japanese text through the glyph cache into a real window (one line in each of
// the game's faces) and keeps presenting it until the window is closed, for a screenshot under Xvfb.
#include <d3dx9.h>
#include <windows.h>

#include "engine/device/AppDeviceInfo.h"
#include "engine/device/D3DDevice.h"
#include "engine/font/FontTextureManager.h"
#include "support/D3DDraw.h"

namespace {

bool g_closed = false;

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) g_closed = true;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

struct Vertex {
    float x, y, z;
    DWORD colour;
    float u, v;
};

// Draws text (CP932) from the pen position (left, top of the line's cell) with the current font.
void DrawLine(IDirect3DDevice9* device, const std::string& text, float x, float y, DWORD colour) {
    CUSFontTextureManager* fonts = CUSSingleton<CUSFontTextureManager>::GetInstance();
    fonts->Begin();
    for (size_t i = 0; i < text.size(); ++i) {
        UINT code = static_cast<unsigned char>(text[i]);
        if (win32::IsCp932LeadByte(static_cast<unsigned char>(code)) && i + 1 < text.size())
            code = code * 256 + static_cast<unsigned char>(text[++i]);
        CFontTextureNode* node = fonts->GetGlyph(code);
        if (!node) continue;
        CUSDefoTexture* texture = GetTexture(node->GetTexture());
        if (texture && node->GetRight() > node->GetLeft()) {
            // Sprites sit at whole pixels minus 0.5, so texels land on pixels one to one.
            float l = x + node->GetLeft(), t = y + node->GetTop(), r = x + node->GetRight(), b = y + node->GetBottom();
            const Vertex quad[4] = {{l, t, 0, colour, node->GetU0(), node->GetV0()},
                                    {r, t, 0, colour, node->GetU1(), node->GetV0()},
                                    {l, b, 0, colour, node->GetU0(), node->GetV1()},
                                    {r, b, 0, colour, node->GetU1(), node->GetV1()}};
            const WORD indices[6] = {0, 1, 2, 2, 1, 3};
            device->SetTexture(0, texture->GetD3DTexture());
            device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, quad, sizeof(Vertex));
        }
        x += static_cast<float>(node->GetAdvance());
    }
    fonts->End();
}

void SetUpDrawing(IDirect3DDevice9* device) {
    D3DXMATRIX projection, identity;
    D3DXMatrixOrthoOffCenterLH(&projection, 0, 800, 600, 0, 0, 1);
    D3DXMatrixIdentity(&identity);
    device->SetTransform(D3DTS_PROJECTION, &projection);
    device->SetTransform(D3DTS_VIEW, &identity);
    device->SetTransform(D3DTS_WORLD, &identity);
    SetBlendedSpriteStates(device);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
}

}  // namespace

int main() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "GlyphLine";
    RegisterClassExA(&wc);
    HWND hwnd = CreateWindowExA(0, "GlyphLine", "GlyphLine", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 800, 600,
                                nullptr, nullptr, nullptr, nullptr);
    if (!hwnd || InitDirect3D() < 0 || !CUSSingleton<CUSAppDeviceInfo>::GetInstance()->Setup(D3DFMT_X8R8G8B8, false) ||
        CreateD3DDevice(hwnd, 800, 600, 800, 600, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8) < 0)
        return 1;
    IDirect3DDevice9* device = GetD3DDevice();
    CUSFontTextureManager* fonts = CUSSingleton<CUSFontTextureManager>::GetInstance();
    fonts->SetNodeCount(256);
    const struct {
        const char* face;
        const char* text;
        float y;
        DWORD colour;
    } lines[] = {
        {"ＭＳ ゴシック", "吾輩は猫である。名前はまだ無い。", 200, 0xFFFFFFFF},
        {"ＭＳ 明朝", "どこで生れたかとんと見当がつかぬ。", 280, 0xFFFFE080},
    };
    while (!g_closed) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (BeginFrame() >= 0) {
            device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203050, 1.0f, 0);
            SetUpDrawing(device);
            for (const auto& line : lines) {
                fonts->SelectContainer(32, win32::Utf8ToCp932(line.face).c_str(), false, false, false, false);
                DrawLine(device, win32::Utf8ToCp932(line.text), 40, line.y, line.colour);
            }
            EndFrame();
        }
        Sleep(50);
    }
    DestroyWindow(hwnd);
    return 0;
}
