// Fuzz target: image files (BMP, PNG, TGA, JPEG, DDS, ...) as the game loads them: the image
// information, a texture of the file's own size rounded up to powers of two and one stretched to a
// given size, both from the engine's image loader and straight from D3DX.
#include <cstdint>

#include "engine/device/D3DDevice.h"
#include "engine/resources/ImageLoader.h"
#include "fuzz/device_support.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!fuzz::OpenEngineDevice()) return 0;
    D3DXIMAGE_INFO info{};
    if (D3DXGetImageInfoFromFileInMemory(data, static_cast<UINT>(size), &info) < 0) return 0;
    fuzz::WriteFile("fuzz.img", data, size);
    for (D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8}) {
        CImageLoaderD3DX loader("fuzz.img", format);
        IDirect3DTexture9* texture = nullptr;
        if (loader.LoadTexture(&texture) >= 0 && texture) texture->Release();
    }
    IDirect3DTexture9* texture = nullptr;
    if (D3DXCreateTextureFromFileInMemoryEx(GetD3DDevice(), data, static_cast<UINT>(size), 64, 32, 1, 0,
                                            D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_LINEAR, D3DX_FILTER_NONE,
                                            0xFF00FF00, nullptr, nullptr, &texture) >= 0)
        texture->Release();
    return 0;
}
