// Test support for the renderers: the engine's device on a window of the dummy video driver with the
// shared meshes and shaders of the game folder, the novel scene's render process, frames read back
// as X8R8G8B8 words, and small TGA images written into the current folder.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "novel/scenes/RenderProcessSceneNovel.h"
#include "support/EngineDevice.h"

namespace testsupport {

class RenderDevice {
public:
    RenderDevice();
    ~RenderDevice();
    RenderDevice(const RenderDevice&) = delete;
    RenderDevice& operator=(const RenderDevice&) = delete;

    // Empties the layers, runs queue with the process's table current, draws and presents; returns
    // the 800 x 600 frame.
    std::vector<DWORD> Frame(const std::function<void()>& queue);
    // Draws the render processes the rendering manager holds (those of the scenes on a stack) and
    // presents; returns the frame. Their layers are emptied by the rendering manager's UpdateProcesses
    // before the scenes queue into them.
    std::vector<DWORD> DrawProcesses();
    // Frame without reading the frame back (for benchmarks); false when the frame could not begin.
    bool Present(const std::function<void()>& queue);
    CRenderProcessSceneNovel& Process() { return process_; }
    bool Ok() const { return ok_; }

private:
    // Empties the layers and runs queue with the process's table current.
    void Queue(const std::function<void()>& queue);

    EngineDevice device_{"RenderTestWindow"};
    CRenderProcessSceneNovel process_;
    bool ok_ = false;
};

inline DWORD Pixel(const std::vector<DWORD>& frame, int x, int y) { return frame.at(y * 800 + x) & 0xFFFFFF; }

// A width x height 32-bit TGA whose pixels come from colour(x, y) as 0xAARRGGBB.
void WriteTga(const std::string& name, int width, int height, const std::function<uint32_t(int, int)>& colour);

}  // namespace testsupport

namespace testsupport {

// A parts file ("PARSTRENDERINFO_", version 4): each part is g0-g3 (rectangle) then t0-t3 (texels).
void WritePartsFile(const std::string& name, const std::vector<std::vector<float>>& parts);

}  // namespace testsupport
