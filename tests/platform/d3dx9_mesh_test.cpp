// D3DX meshes: FVF sizes and declarations, creation and clones, and the .x text reader.
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/TestDevice.h"

namespace {

TEST(D3DXMesh, FvfSizesAndDeclarations) {
    struct Case {
        DWORD fvf;
        UINT size;
    };
    const Case cases[] = {
        {D3DFVF_XYZ, 12},
        {D3DFVF_XYZ | D3DFVF_DIFFUSE, 16},
        {D3DFVF_XYZ | D3DFVF_TEX1, 20},
        {D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1, 32},
        {D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX2, 40},
        {D3DFVF_XYZ | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE3(0), 24},
        {D3DFVF_XYZB2 | D3DFVF_LASTBETA_UBYTE4, 20},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(D3DXGetFVFVertexSize(c.fvf), c.size) << std::hex << c.fvf;
        D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
        ASSERT_EQ(D3DXDeclaratorFromFVF(c.fvf, decl), D3D_OK);
        EXPECT_EQ(D3DXGetDeclVertexSize(decl, 0), c.size);
        DWORD back = 0;
        if (!(c.fvf & D3DFVF_LASTBETA_UBYTE4)) {
            ASSERT_EQ(D3DXFVFFromDeclarator(decl, &back), D3D_OK);
            EXPECT_EQ(back, c.fvf);
        }
    }
    // A declaration no FVF code stands for.
    const D3DVERTEXELEMENT9 twoStreams[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0},
                                            {1, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                            D3DDECL_END()};
    DWORD fvf;
    EXPECT_EQ(D3DXFVFFromDeclarator(twoStreams, &fvf), D3DERR_INVALIDCALL);
}

TEST(D3DXMesh, CreatedMeshKeepsItsDataAndClonesIntoAnotherLayout) {
    TestDevice dev;
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(2, 4, D3DXMESH_MANAGED, D3DFVF_XYZ | D3DFVF_TEX1, dev.device, &mesh), D3D_OK);
    EXPECT_EQ(mesh->GetNumFaces(), 2u);
    EXPECT_EQ(mesh->GetNumVertices(), 4u);
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 20u);
    EXPECT_EQ(mesh->GetOptions(), DWORD(D3DXMESH_MANAGED));
    float* v;
    ASSERT_EQ(mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v)), D3D_OK);
    for (int i = 0; i < 20; ++i) v[i] = float(i);
    mesh->UnlockVertexBuffer();
    WORD* idx;
    mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&idx));
    const WORD quad[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(idx, quad, sizeof quad);
    mesh->UnlockIndexBuffer();

    ID3DXMesh* clone = nullptr;
    ASSERT_EQ(mesh->CloneMeshFVF(D3DXMESH_MANAGED | D3DXMESH_32BIT, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1,
                                 dev.device, &clone),
              D3D_OK);
    EXPECT_EQ(clone->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1));
    BYTE* cv;
    clone->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&cv));
    for (int vert = 0; vert < 4; ++vert) {
        const float* pos = reinterpret_cast<const float*>(cv + vert * 24);
        DWORD colour;
        std::memcpy(&colour, cv + vert * 24 + 12, 4);
        const float* uv = reinterpret_cast<const float*>(cv + vert * 24 + 16);
        EXPECT_EQ(pos[0], float(vert * 5));
        EXPECT_EQ(pos[2], float(vert * 5 + 2));
        EXPECT_EQ(colour, 0u) << "elements the source lacks are zero";
        EXPECT_EQ(uv[1], float(vert * 5 + 4));
    }
    clone->UnlockVertexBuffer();
    DWORD* wide;
    clone->LockIndexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&wide));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(wide[i], quad[i]);
    clone->UnlockIndexBuffer();
    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    clone->GetDeclaration(decl);
    EXPECT_EQ(decl[1].Usage, D3DDECLUSAGE_COLOR);
    EXPECT_EQ(decl[3].Stream, 0xFF);
    clone->Release();
    mesh->Release();
    EXPECT_EQ(D3DXCreateMeshFVF(0, 4, D3DXMESH_MANAGED, D3DFVF_XYZ, dev.device, &mesh), D3DERR_INVALIDCALL);
}

const char kQuadX[] = R"(xof 0303txt 0032
template Vector {
 <3d82ab5e-62da-11cf-ab39-0020af71e433>
 FLOAT x;
 FLOAT y;
 FLOAT z;
}
Material Paper {
 1.0; 0.5; 0.25; 1.0;;
 8.0;
 0.0; 0.0; 0.0;;
 0.0; 0.0; 0.0;;
 TextureFilename { "paper.png"; }
}
Frame Root {
 FrameTransformMatrix {
  1.0, 0.0, 0.0, 0.0,
  0.0, 1.0, 0.0, 0.0,
  0.0, 0.0, 1.0, 0.0,
  10.0, 20.0, 0.0, 1.0;;
 }
 Mesh Quad {
  4;
  0.0; 0.0; 0.0;,
  1.0; 0.0; 0.0;,
  0.0; 1.0; 0.0;,
  1.0; 1.0; 0.0;;
  1;
  4; 0, 1, 3, 2;;
  MeshNormals {
   1;
   0.0; 0.0; -2.0;;
   1;
   4; 0, 0, 0, 0;;
  }
  MeshTextureCoords {
   4;
   0.0; 0.0;, 1.0; 0.0;, 0.0; 1.0;, 1.0; 1.0;;
  }
  MeshMaterialList {
   1; 1; 0;;
   { Paper }
  }
 }
}
)";

TEST(D3DXMesh, TextXFileBecomesOneMeshWithItsMaterials) {
    TestDevice dev;
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD count = 0;
    ASSERT_EQ(D3DXLoadMeshFromXInMemory(kQuadX, DWORD(sizeof kQuadX - 1), D3DXMESH_MANAGED, dev.device, nullptr,
                                        &materials, nullptr, &count, &mesh),
              D3D_OK);
    EXPECT_EQ(mesh->GetFVF(), DWORD(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1));
    EXPECT_EQ(mesh->GetNumVertices(), 4u);
    EXPECT_EQ(mesh->GetNumFaces(), 2u) << "the square is split into a fan of two triangles";
    const float* v;
    mesh->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(const_cast<float**>(&v)));
    // Vertex 3 placed by the frame: (1, 1, 0) + (10, 20, 0); unit normal; uv (1, 1).
    const float* v3 = v + 3 * 8;
    EXPECT_EQ(v3[0], 11.f);
    EXPECT_EQ(v3[1], 21.f);
    EXPECT_EQ(v3[5], -1.f);
    EXPECT_EQ(v3[6], 1.f);
    EXPECT_EQ(v3[7], 1.f);
    mesh->UnlockVertexBuffer();
    const WORD* idx;
    mesh->LockIndexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(const_cast<WORD**>(&idx)));
    const WORD expected[6] = {0, 1, 3, 0, 3, 2};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(idx[i], expected[i]);
    mesh->UnlockIndexBuffer();
    ASSERT_EQ(count, 1u);
    auto* m = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_FLOAT_EQ(m[0].MatD3D.Diffuse.g, 0.5f);
    EXPECT_FLOAT_EQ(m[0].MatD3D.Power, 8.f);
    EXPECT_STREQ(m[0].pTextureFilename, "paper.png");
    materials->Release();
    mesh->Release();
}

TEST(D3DXMesh, BrokenXFilesFailWithoutAMesh) {
    TestDevice dev;
    std::string full(kQuadX);
    const std::string cases[] = {
        full.substr(0, full.size() / 2),                      // cut in the middle
        "xof 0303bin 0032" + full.substr(16),                 // binary files are not read
        "not an x file at all",
        std::string(full).replace(full.find("4; 0, 1, 3, 2"), 13, "4; 0, 1, 9, 2"),  // index out of range
        std::string(full).replace(full.find("MeshNormals {\n   1;"), 19, "MeshNormals {\n   -2;"),  // negative count
        std::string(full).replace(full.find("   4; 0, 0, 0, 0;;"), 18, "   4; 0, 1e30, 0, 0;;"),  // huge normal index
    };
    for (const std::string& text : cases) {
        ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
        ID3DXBuffer* materials = reinterpret_cast<ID3DXBuffer*>(1);
        EXPECT_TRUE(FAILED(D3DXLoadMeshFromXInMemory(text.data(), DWORD(text.size()), D3DXMESH_MANAGED, dev.device,
                                                     nullptr, &materials, nullptr, nullptr, &mesh)));
        EXPECT_EQ(mesh, nullptr);
        EXPECT_EQ(materials, nullptr);
    }
}

}  // namespace
