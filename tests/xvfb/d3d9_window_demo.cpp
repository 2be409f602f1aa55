// A small window program for the Direct3D 9 stand-in: draws a textured, blended scene into a real
// window, writes the frame the device presented to a PPM file (argv[1]) and keeps presenting until
// the window is closed, so that a screenshot of the window can be compared with that frame.
#include <d3d9.h>
#include <windows.h>

#include <cstdio>
#include <vector>

#include "d3d9/testhooks.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;

struct Vertex {
    float x, y, z;
    DWORD colour;
    float u, v;
};

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

void Quad(IDirect3DDevice9* device, float x0, float y0, float x1, float y1, DWORD colour) {
    const Vertex v[4] = {{x0, y0, 0, colour, 0, 0}, {x1, y0, 0, colour, 1, 0}, {x0, y1, 0, colour, 0, 1},
                         {x1, y1, 0, colour, 1, 1}};
    const WORD idx[6] = {0, 1, 2, 2, 1, 3};
    device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, idx, D3DFMT_INDEX16, v, sizeof(Vertex));
}

void DrawScene(IDirect3DDevice9* device, IDirect3DTexture9* tex) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102040, 1.f, 0);
    device->BeginScene();
    const D3DMATRIX proj = {{{2.f / kWidth, 0, 0, 0, 0, -2.f / kHeight, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1}}};
    device->SetTransform(D3DTS_PROJECTION, &proj);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    device->SetTexture(0, tex);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    Quad(device, 19.5f, 19.5f, 83.5f, 83.5f, 0xFFFFFFFF);  // 1:1, point sampled
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    Quad(device, 99.5f, 29.5f, 299.5f, 179.5f, 0xC0FFC080);  // scaled, tinted and translucent
    device->SetTexture(0, nullptr);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    Quad(device, 39.5f, 139.5f, 199.5f, 219.5f, 0x80FF2000);  // additive, no texture
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
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = kWidth;
    pp.BackBufferHeight = kHeight;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = hwnd;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D16;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    IDirect3DDevice9* device = nullptr;
    if (!d3d || FAILED(d3d->CreateDevice(0, D3DDEVTYPE_HAL, hwnd, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device)))
        return 1;
    IDirect3DTexture9* tex = nullptr;
    device->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr);
    D3DLOCKED_RECT lr;
    tex->LockRect(0, &lr, nullptr, 0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            bool light = ((x / 8) + (y / 8)) % 2 == 0;
            DWORD alpha = DWORD(128 + x * 2);
            reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch)[x] =
                alpha << 24 | (light ? 0xF0E0C0u : DWORD(x * 4) << 16 | DWORD(y * 4) << 8 | 0x30u);
        }
    tex->UnlockRect(0);

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
    device->Release();
    d3d->Release();
    return 0;
}
