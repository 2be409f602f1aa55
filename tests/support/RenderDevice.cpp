// Test support for the renderers: device, shared resources, render process, frames and images.
#include "support/RenderDevice.h"

#include <d3d9/testhooks.h>

#include <filesystem>
#include <fstream>

#include "engine/device/D3DDevice.h"
#include "engine/render/RenderingManager.h"
#include "novel/app/SharedResources.h"

namespace testsupport {

RenderDevice::RenderDevice() {
    if (!device_.Ok()) return;
    // The shared meshes and shaders are files of the game folder.
    std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(MARLOWE_GAME_DIR);
    LoadSharedResources(800, 600);
    std::filesystem::current_path(previous);
    process_.Setup();
    process_.ReserveQueue();
    ok_ = true;
}

RenderDevice::~RenderDevice() {
    process_.ReleaseResources();
    RenderSystem::CResourceManager::Instance().ReleaseAll();
    // Nothing of this device outlives it into the next test.
    GetTextureManager().ReleaseAll();
    GetMeshManager().ReleaseAll();
}

namespace {

// Draws through render (between BeginFrame and EndFrame) and presents; false when the frame could
// not begin.
bool Draw(const std::function<void()>& render) {
    if (BeginFrame() < 0) return false;
    render();
    EndFrame();
    return true;
}

// Draws through render and reads the presented frame back.
std::vector<DWORD> DrawAndRead(const std::function<void()>& render) {
    std::vector<DWORD> pixels;
    if (!Draw(render)) return pixels;
    UINT w = 0, h = 0;
    d3d9test::ReadPresentedFrame(GetD3DDevice(), pixels, w, h);
    return pixels;
}

}  // namespace

void RenderDevice::Queue(const std::function<void()>& queue) {
    process_.Update();
    process_.GetRenderObjectTable()->Select();
    queue();
    process_.GetRenderObjectTable()->Deselect();
}

std::vector<DWORD> RenderDevice::Frame(const std::function<void()>& queue) {
    Queue(queue);
    return DrawAndRead([this] { process_.Render(); });
}

bool RenderDevice::Present(const std::function<void()>& queue) {
    Queue(queue);
    return Draw([this] { process_.Render(); });
}

std::vector<DWORD> RenderDevice::DrawProcesses() {
    return DrawAndRead([] { RenderSystem::CRenderingManager::GetInstance()->RenderProcesses(); });
}

void WriteTga(const std::string& name, int width, int height, const std::function<uint32_t(int, int)>& colour) {
    std::vector<unsigned char> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = static_cast<unsigned char>(width), bytes[13] = static_cast<unsigned char>(width >> 8);
    bytes[14] = static_cast<unsigned char>(height), bytes[15] = static_cast<unsigned char>(height >> 8);
    bytes[16] = 32;
    bytes[17] = 0x28;  // top-left origin, 8 alpha bits
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t c = colour(x, y);
            bytes.insert(bytes.end(), {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8),
                                       static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 24)});
        }
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testsupport

namespace testsupport {

void WritePartsFile(const std::string& name, const std::vector<std::vector<float>>& parts) {
    std::ofstream out(name, std::ios::binary);
    out.write("PARSTRENDERINFO_", 16);
    const uint32_t header[2] = {4, static_cast<uint32_t>(parts.size())};
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    for (const std::vector<float>& p : parts) out.write(reinterpret_cast<const char*>(p.data()), 32);
}

}  // namespace testsupport
