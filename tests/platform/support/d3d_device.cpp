// A windowless software device for the Direct3D 9 stand-in's tests.
#include "d3d_device.h"

TestDevice::TestDevice(UINT width, UINT height, D3DFORMAT format, bool depth) {
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    params.BackBufferWidth = width;
    params.BackBufferHeight = height;
    params.BackBufferFormat = format;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = depth;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    params.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    if (d3d) d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device);
}

TestDevice::~TestDevice() {
    if (device) device->Release();
    if (d3d) d3d->Release();
}
