// Shows a movie in a real window the way the game's movie scene does: the engine's movie player
// copies each new frame into a texture, which is drawn on a window-sized quad with V flipped, since
// the frames arrive bottom-up. After the end the last frame stays up for a while, or until the
// window is closed. "presented" goes to stdout once the first movie frame has been presented, so that
// a screenshot can wait for it.
// Usage: movie_window MOVIE [SECONDS_TO_HOLD]
#include <windows.h>
#include <d3d9.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "engine/app/USWindow.h"
#include "engine/device/D3DDevice.h"
#include "engine/movie/DShowMovie.h"
#include "engine/movie/USDirectShow.h"
#include "engine/device/AppDeviceInfo.h"
#include "engine/resources/Texture.h"
#include "engine/util/USSingleton.h"

namespace {

struct Vertex {
    float x, y, z, rhw;
    float u, v;
};

bool PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) return false;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

// True once the movie player has put a frame into the texture (it starts all black).
bool HasFrame(IDirect3DTexture9* texture) {
    D3DLOCKED_RECT rect;
    if (FAILED(texture->LockRect(0, &rect, nullptr, D3DLOCK_READONLY))) return false;
    std::uint32_t texel;
    std::memcpy(&texel, rect.pBits, sizeof texel);
    texture->UnlockRect(0);
    return (texel & 0xFFFFFFu) != 0;
}

void Draw(IDirect3DDevice9* device, IDirect3DTexture9* texture, float u, float v) {
    // Pixel centres at integer coordinates: the quad's corners sit half a pixel up and left.
    const float l = -0.5f, t = -0.5f, r = 799.5f, b = 599.5f;
    const Vertex quad[4] = {{l, t, 0, 1, 0, v}, {r, t, 0, 1, u, v}, {l, b, 0, 1, 0, 0}, {r, b, 0, 1, u, 0}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    device->SetTexture(0, texture);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    const WORD indices[6] = {0, 1, 2, 2, 1, 3};
    device->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 2, indices, D3DFMT_INDEX16, quad, sizeof(Vertex));
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: movie_window MOVIE [SECONDS_TO_HOLD]\n");
        return 2;
    }
    double hold = argc > 2 ? std::atof(argv[2]) : 2.0;
    CUSWindow window;
    window.Create(nullptr, "MovieWindow", 800, 600);
    if (InitDirect3D() < 0 || !CUSSingleton<CUSAppDeviceInfo>::GetInstance()->Setup(D3DFMT_X8R8G8B8, false) ||
        CreateD3DDevice(window.GetHandle(), 800, 600, 800, 600, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8) < 0) {
        std::fprintf(stderr, "no Direct3D device\n");
        return 1;
    }
    Handle<_tagDShowMovieGrabTexture> movie;
    if (!InitDirectShow() || !CreateMovieGrabTexture(&movie, argv[1])) {
        std::fprintf(stderr, "the movie did not open\n");
        return 1;
    }
    CDShowMovieGrabTexture* player = GetMovieGrabTexture(movie);
    std::uint32_t width = 0, height = 0;
    player->GetVideoSize(&width, &height);
    TextureHandle texture;
    if (!CreateTexture(&texture, D3DFMT_A8R8G8B8, width, height, 0)) {
        std::fprintf(stderr, "no texture\n");
        return 1;
    }
    player->SetTexture(texture);
    const D3DSURFACE_DESC& level = GetTexture(texture)->GetLevelDesc();
    float u = static_cast<float>(width) / level.Width, v = static_cast<float>(height) / level.Height;

    player->Play();
    auto frame = std::chrono::steady_clock::now();
    bool playing = true;
    auto end = frame;
    bool presented = false;
    while (PumpMessages() && window.GetHandle() &&
           (playing || frame - end < std::chrono::duration<double>(hold))) {
        player->Update();
        if (playing && !player->IsPlaying()) {
            playing = false;
            end = frame;
        }
        const bool hasFrame = presented || HasFrame(GetTexture(texture)->GetD3DTexture());
        Draw(GetD3DDevice(), GetTexture(texture)->GetD3DTexture(), u, v);
        if (hasFrame && !presented) {
            presented = true;
            std::printf("presented\n");
            std::fflush(stdout);
        }
        frame += std::chrono::microseconds(16667);
        std::this_thread::sleep_until(frame);
    }
    player->Stop();
    MovieGrabTextureManager().Release(movie);
    GetTextureManager().Release(texture);
    ReleaseDirect3D();
    return 0;
}
