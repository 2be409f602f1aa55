// Loading of the shared meshes and shaders into the resource tables.
#include "novel/app/SharedResources.h"

#include <cstring>

#include "engine/font/FontTextureManager.h"
#include "engine/render/ResolutionAdjuster.h"

namespace {

void LoadSharedMeshes(RenderSystem::CResourceManager& resources, float w, float h) {
    CreateMeshFromFile(resources.meshes.At(0), "PartRender.mesh");
    CreateMeshFromFile(resources.meshes.At(1), "PartsRender.mesh");
    // Mesh 2: the game screen as a position-only quad.
    if (CreateQuadMesh(resources.meshes.At(2), D3DFVF_XYZ)) {
        ID3DXMesh* mesh = GetMesh(*resources.meshes.At(2))->GetD3DXMesh();
        const float positions[4][3] = {{0, 0, 0}, {w, 0, 0}, {0, h, 0}, {w, h, 0}};
        const WORD indices[6] = {0, 1, 2, 2, 1, 3};
        void* data = nullptr;
        if (mesh->LockVertexBuffer(0, &data) >= 0) {
            std::memcpy(data, positions, sizeof positions);
            mesh->UnlockVertexBuffer();
        }
        if (mesh->LockIndexBuffer(0, &data) >= 0) {
            std::memcpy(data, indices, sizeof indices);
            mesh->UnlockIndexBuffer();
        }
    }
    // Meshes 3 and 4 stay empty when their files are missing.
    const char* const files[2] = {"StringRender.mesh", "BBRender.mesh"};
    for (UINT i = 0; i < 2; ++i) {
        auto mesh = std::make_unique<CUSMesh>();
        if (mesh->LoadFile(files[i]) >= 0) GetMeshManager().Add(std::move(mesh), resources.meshes.At(3 + i));
    }
}

}  // namespace

void LoadSharedResources(float screenWidth, float screenHeight) {
    RenderSystem::CResourceManager& resources = RenderSystem::CResourceManager::Instance();
    resources.textures.Reserve(1);
    resources.meshes.Reserve(5);
    CUSSingleton<CUSFontTextureManager>::GetInstance()->SetNodeCount(256);
    LoadSharedMeshes(resources, screenWidth, screenHeight);
    resources.vertexShaders.Reserve(5);
    const char* const vertexShaders[5] = {"PartRender.vso", "PartsRender.vso", "AtmosphericPolygon.vso",
                                          "StringRender.vso", "BBRender.vso"};
    for (unsigned i = 0; i < 5; ++i) LoadVertexShader(vertexShaders[i], resources.vertexShaders.At(i));
    resources.pixelShaders.Reserve(1);
    LoadPixelShader(resources.pixelShaders.At(0));
}
