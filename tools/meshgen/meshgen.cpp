// meshgen: writes the game's shared quad meshes through the engine's own mesh writer.
//   meshgen OUTPUT_DIR
// Each mesh is a strip of unit quads with one position per vertex: x and y are the corner (0 or 1)
// and z is the quad number; indices 4k + {0, 1, 2, 2, 1, 3}. The vertex programs place each quad
// from the constants of its number. Runs without a display (SDL's dummy video driver).
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/device/D3DDevice.h"
#include "engine/resources/Mesh.h"

namespace {

struct MeshSpec {
    const char* name;
    unsigned quads;
};

// Quads per mesh: one sprite; 62 button-group quads (4 constants each from c5); 125 text cells
// (2 constants each from c6); 32 billboards (6 constants each from c5).
const MeshSpec kMeshes[] = {{"PartRender.mesh", 1}, {"PartsRender.mesh", 62}, {"StringRender.mesh", 125},
                            {"BBRender.mesh", 32}};

bool Write(const MeshSpec& spec, const std::string& dir) {
    CUSMesh mesh;
    if (mesh.CreateFVF(spec.quads * 2, spec.quads * 4, D3DXMESH_MANAGED, D3DFVF_XYZ) < 0) return false;
    ID3DXMesh* m = mesh.GetD3DXMesh();
    std::vector<float> positions;
    std::vector<WORD> indices;
    for (unsigned k = 0; k < spec.quads; ++k) {
        const float corners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
        for (auto& c : corners) positions.insert(positions.end(), {c[0], c[1], static_cast<float>(k)});
        for (WORD i : {0, 1, 2, 2, 1, 3}) indices.push_back(static_cast<WORD>(4 * k + i));
    }
    void* data = nullptr;
    if (m->LockVertexBuffer(0, &data) < 0) return false;
    std::memcpy(data, positions.data(), positions.size() * sizeof(float));
    m->UnlockVertexBuffer();
    if (m->LockIndexBuffer(0, &data) < 0) return false;
    std::memcpy(data, indices.data(), indices.size() * sizeof(WORD));
    m->UnlockIndexBuffer();
    return mesh.SaveFile((dir + "/" + spec.name).c_str()) >= 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: meshgen OUTPUT_DIR\n");
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "meshgen";
    RegisterClassExA(&wc);
    HWND window = CreateWindowExA(0, "meshgen", "meshgen", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr, nullptr, nullptr);
    if (!window || InitDirect3D() < 0 ||
        CreateD3DDevice(window, 16, 16, 16, 16, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8) < 0) {
        std::fprintf(stderr, "meshgen: no Direct3D device\n");
        return 1;
    }
    int status = 0;
    for (const MeshSpec& spec : kMeshes) {
        if (!Write(spec, argv[1])) {
            std::fprintf(stderr, "meshgen: cannot write %s\n", spec.name);
            status = 1;
        }
    }
    ReleaseDirect3D();
    return status;
}
