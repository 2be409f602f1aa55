// A software device of the Direct3D 9 stand-in for tests, benchmarks and the window demo, windowless unless
// given a window, released at scope end.
#pragma once
#include <d3d9.h>

struct TestDevice {
    explicit TestDevice(UINT width = 8, UINT height = 8, D3DFORMAT format = D3DFMT_X8R8G8B8, bool depth = true,
                        HWND window = nullptr);
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;
    IDirect3DDevice9* operator->() const { return device; }

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS params{};
};

// A windowless width x height X8R8G8B8 device whose rasteriser runs on the given number of threads (devices
// made later run on the default number again).
TestDevice DeviceOnThreads(unsigned threads, UINT width, UINT height, bool depth = true);
