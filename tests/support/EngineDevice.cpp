// The engine's device for tests and benchmarks.
#include "support/EngineDevice.h"

#include "engine/device/AppDeviceInfo.h"
#include "engine/device/D3DDevice.h"

namespace testsupport {

bool StartEngineDevice(HWND window, UINT fullWidth, UINT fullHeight) {
    return InitDirect3D() >= 0 && CUSSingleton<CUSAppDeviceInfo>::GetInstance()->Setup(D3DFMT_X8R8G8B8, false) &&
           CreateD3DDevice(window, 800, 600, fullWidth, fullHeight, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8) >= 0;
}

EngineDevice::EngineDevice(const char* windowTitle, UINT fullWidth, UINT fullHeight)
    : window_(windowTitle), ok_(StartEngineDevice(window_.Handle(), fullWidth, fullHeight)) {}

EngineDevice::~EngineDevice() { ReleaseDirect3D(); }

}  // namespace testsupport
