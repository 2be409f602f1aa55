// A windowless software device for the Direct3D 9 stand-in's tests, released at scope end.
#pragma once
#include <d3d9.h>

struct TestDevice {
    explicit TestDevice(UINT width = 8, UINT height = 8, D3DFORMAT format = D3DFMT_X8R8G8B8, bool depth = true);
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;
    IDirect3DDevice9* operator->() const { return device; }

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS params{};
};
