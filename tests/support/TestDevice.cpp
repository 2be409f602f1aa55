// A software device of the Direct3D 9 stand-in for tests and benchmarks.
#include "support/TestDevice.h"

#include <d3d9/testhooks.h>

TestDevice::TestDevice(UINT width, UINT height, D3DFORMAT format, bool depth, HWND window) {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    params.BackBufferWidth = width;
    params.BackBufferHeight = height;
    params.BackBufferFormat = format;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.hDeviceWindow = window;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = depth;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    if (d3d) d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device);
}

TestDevice::~TestDevice() {
    if (device) device->Release();
    if (d3d) d3d->Release();
}

TestDevice DeviceOnThreads(unsigned threads, UINT width, UINT height, bool depth) {
    d3d9test::SetWorkerThreads(threads);
    // Back to the default once the returned device is made.
    struct Default {
        ~Default() { d3d9test::SetWorkerThreads(0); }
    } reset;
    return TestDevice(width, height, D3DFMT_X8R8G8B8, depth);
}
