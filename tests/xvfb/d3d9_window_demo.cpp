// A small window program for the Direct3D 9 stand-in: draws a textured, blended scene into a real
// window, writes the frame the device presented to a PPM file (argv[1]) and keeps presenting until
// the window is closed, so that a screenshot of the window can be compared with that frame.
#include <d3d9.h>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "d3d9/testhooks.h"
#include "support/D3DDraw.h"
#include "support/TestDevice.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void DrawScene(IDirect3DDevice9* device, IDirect3DTexture9* tex) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102040, 1.f, 0);
    device->BeginScene();
    SetScreenProjection(device, kWidth, kHeight);
    SetBlendedSpriteStates(device);
    device->SetTexture(0, tex);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    DrawQuad(device, 19.5f, 19.5f, 83.5f, 83.5f, 0xFFFFFFFF);  // 1:1, point sampled
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    DrawQuad(device, 99.5f, 29.5f, 299.5f, 179.5f, 0xC0FFC080);  // scaled, tinted and translucent
    device->SetTexture(0, nullptr);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    DrawQuad(device, 39.5f, 139.5f, 199.5f, 219.5f, 0x80FF2000);  // additive, no texture
    device->EndScene();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: d3d9_window_demo FRAME.ppm\n");
        return 2;
    }
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.lpszClassName = "D3D9Demo";
    if (!RegisterClassExA(&wc)) return 1;
    HWND hwnd = CreateWindowExA(0, "D3D9Demo", "D3D9Demo", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, kWidth, kHeight,
                                nullptr, nullptr, nullptr, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, SW_SHOW);
    TestDevice testDevice(kWidth, kHeight, D3DFMT_X8R8G8B8, true, hwnd);
    IDirect3DDevice9* device = testDevice.device;
    if (!device) return 1;
    std::vector<DWORD> texels(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            bool light = ((x / 8) + (y / 8)) % 2 == 0;
            DWORD alpha = DWORD(128 + x * 2);
            texels[y * 64 + x] = alpha << 24 | (light ? 0xF0E0C0u : DWORD(x * 4) << 16 | DWORD(y * 4) << 8 | 0x30u);
        }
    IDirect3DTexture9* tex = MakeTexture(device, 64, 64, texels);

    DrawScene(device, tex);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    std::vector<DWORD> frame;
    UINT w = 0, h = 0;
    d3d9test::ReadPresentedFrame(device, frame, w, h);
    if (FILE* out = std::fopen(argv[1], "wb")) {
        std::fprintf(out, "P6\n%u %u\n255\n", w, h);
        for (DWORD p : frame) {
            const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                          static_cast<unsigned char>(p)};
            std::fwrite(rgb, 1, 3, out);
        }
        std::fclose(out);
    }
    // Keep the window showing the same frame until it is closed.
    MSG msg;
    for (;;) {
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) goto done;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DrawScene(device, tex);
        device->Present(nullptr, nullptr, nullptr, nullptr);
        Sleep(20);
    }
done:
    tex->Release();
    return 0;
}
