// The engine's device for the fuzz targets, made once and kept until the process ends.
#include "fuzz/device_support.h"

#include <cstdlib>

#include "engine/app/USWindow.h"
#include "engine/device/AppDeviceInfo.h"
#include "engine/device/D3DDevice.h"
#include "fuzz/fuzz_support.h"

namespace fuzz {
bool OpenEngineDevice() {
    static const bool ok = [] {
        EnterScratch();
        // The running game's device serves when the game has started.
        if (GetD3DDevice()) return true;
        // Kept to the end: the device goes first, at exit, before what its start made.
        static CUSWindow* window = new CUSWindow;
        window->Create(nullptr, "FuzzWindow", 800, 600);
        const bool made = InitDirect3D() >= 0 &&
                          CUSSingleton<CUSAppDeviceInfo>::GetInstance()->Setup(D3DFMT_X8R8G8B8, false) &&
                          CreateD3DDevice(window->GetHandle(), 800, 600, 800, 600, D3DFMT_X8R8G8B8,
                                          D3DFMT_X8R8G8B8) >= 0;
        std::atexit(ReleaseDirect3D);
        return made;
    }();
    return ok;
}
}  // namespace fuzz
