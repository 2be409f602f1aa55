// Drawing a model through the Direct3D 9 stand-in: device states, the position buffer's sizes,
// the texture factor, the order of meshes, and device objects around a lost device.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "puppet/ModelData.h"
#include "puppet/PuppetModelD3D.h"
#include "puppet/support/PuppetTestModel.h"

using namespace puppet;

namespace {
// A mesh of n points in a row, at draw order `order`, on texture `texture`.
std::string rowMesh(const char* name, int n, int order, int texture = 0) {
    std::ostringstream s;
    s << "mesh " << name << " DST_BASE " << texture << "\norder " << order << "\nopacity 1\nuv";
    for (int i = 0; i < n; ++i) s << " 0 0";
    s << "\ntriangles 0 1 2\ncorner";
    for (int i = 0; i < n; ++i) s << " " << i << " 0";
    s << "\n";
    return s.str();
}

std::unique_ptr<PuppetModelD3D> load(const std::string& description, IDirect3DDevice9* device) {
    std::vector<uint8_t> bytes = puppet_test::ModelBytes(description);
    std::unique_ptr<PuppetModelD3D> model(PuppetModelD3D::loadModel(bytes.data(), static_cast<int>(bytes.size())));
    model->setDevice(device);
    return model;
}
}  // namespace

TEST(PuppetDrawTest, DeviceStatesOfTheBackEnd) {
    puppet_test::PuppetTestDevice dev;
    ASSERT_NE(dev.device, nullptr);
    auto model = load("part P\n" + rowMesh("M_A", 3, 500), dev.device);
    model->update();
    model->draw();
    DWORD v = 0;
    struct Stage {
        D3DTEXTURESTAGESTATETYPE type;
        DWORD value;
    } stages[] = {{D3DTSS_COLOROP, D3DTOP_MODULATE}, {D3DTSS_COLORARG1, D3DTA_TEXTURE}, {D3DTSS_COLORARG2, D3DTA_TFACTOR},
                  {D3DTSS_ALPHAOP, D3DTOP_MODULATE}, {D3DTSS_ALPHAARG1, D3DTA_TEXTURE}, {D3DTSS_ALPHAARG2, D3DTA_TFACTOR}};
    for (const Stage& s : stages) {
        dev->GetTextureStageState(0, s.type, &v);
        EXPECT_EQ(v, s.value) << s.type;
    }
    dev->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, static_cast<DWORD>(TRUE));
    dev->GetRenderState(D3DRS_SRCBLEND, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_SRCALPHA));
    dev->GetRenderState(D3DRS_DESTBLEND, &v);
    EXPECT_EQ(v, static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
    IDirect3DVertexDeclaration9* decl = nullptr;
    ASSERT_EQ(dev->GetVertexDeclaration(&decl), D3D_OK);
    ASSERT_NE(decl, nullptr);
    D3DVERTEXELEMENT9 elements[4];
    UINT count = 4;
    decl->GetDeclaration(elements, &count);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(elements[0].Stream, 0);
    EXPECT_EQ(elements[0].Type, D3DDECLTYPE_FLOAT3);
    EXPECT_EQ(elements[1].Stream, 1);
    EXPECT_EQ(elements[1].Usage, D3DDECLUSAGE_TEXCOORD);
    decl->Release();
}

TEST(PuppetDrawTest, PositionBufferGrowsOnlyWhenTooSmall) {
    puppet_test::PuppetTestDevice dev;
    auto model = load("part P\n" + rowMesh("M_10", 10, 100) + rowMesh("M_20", 20, 200) + rowMesh("M_30", 30, 300),
                      dev.device);
    model->update();
    DrawParam_D3D& dp = model->getDrawParam();
    struct Case {
        int points, size;
    } cases[] = {{10, 300}, {20, 300}, {30, 720}};
    int n = 0;
    const float* points = model->getTransformedPoints(2, &n);  // the 30 points
    for (const Case& c : cases) {
        dp.drawTexture(0, 3, c.points, points, 1.0f, nullptr);
        EXPECT_EQ(dp.positionBufferSize(), c.size) << c.points;
    }
}

TEST(PuppetDrawTest, TextureFactorFromBaseColourAndOpacity) {
    puppet_test::PuppetTestDevice dev;
    auto model = load("part P\n" + rowMesh("M_A", 3, 500), dev.device);
    model->update();
    DrawParam_D3D& dp = model->getDrawParam();
    int n = 0;
    const float* points = model->getTransformedPoints(0, &n);
    struct Case {
        float a, r, g, b, opacity;
        DWORD factor;
    } cases[] = {{1, 1, 1, 1, 0.5f, 0x7FFFFFFF}, {1, 1, 1, 1, 1, 0xFFFFFFFF}, {0.5f, 1, 0, 0.5f, 1, 0x7FFF007F},
                 {2, -1, 1, 1, 3, 0xFF00FFFF}};
    for (const Case& c : cases) {
        dp.setBaseColor(c.a, c.r, c.g, c.b);
        dp.drawTexture(0, 3, n, points, c.opacity, nullptr);
        DWORD v = 0;
        dev->GetRenderState(D3DRS_TEXTUREFACTOR, &v);
        EXPECT_EQ(v, c.factor) << c.opacity;
    }
}

TEST(PuppetDrawTest, MeshesDrawByOrderThenModelOrder) {
    puppet_test::PuppetTestDevice dev;
    auto model = load("part P\n" + rowMesh("M_FIRST", 3, 500) + rowMesh("M_SECOND", 3, 500) + rowMesh("M_LOW", 3, 400),
                      dev.device);
    model->update();
    const PPVector<int>& order = model->getModelContext().drawOrder();
    EXPECT_EQ(std::vector<int>(order.begin(), order.end()), (std::vector<int>{2, 0, 1}));
}

TEST(PuppetDrawTest, NegativeTextureNumberDrawsWithTextureOne) {
    puppet_test::PuppetTestDevice dev;
    auto model = load("part P\n" + rowMesh("M_A", 3, 500, -1), dev.device);
    model->update();
    model->draw();
    EXPECT_EQ(static_cast<DDTexture*>(model->getModelContext().getDrawData(0))->textureNo, 1);
}

TEST(PuppetDrawTest, WithoutDeviceNothingIsDrawn) {
    auto model = load("part P\n" + rowMesh("M_A", 3, 500), nullptr);
    model->update();
    model->draw();
    EXPECT_EQ(model->getDrawParam().errorCode(), DrawParam_D3D::ERROR_NO_DEVICE);
}

TEST(PuppetDrawTest, DeviceObjectsAreMadeAgainAfterRelease) {
    puppet_test::PuppetTestDevice dev;
    auto model = load("part P\n" + rowMesh("M_A", 3, 500), dev.device);
    model->update();
    model->draw();
    auto* ctx = static_cast<DDTextureContext*>(model->getModelContext().getDrawContext(0));
    EXPECT_NE(ctx->uvBuffer, nullptr);
    EXPECT_NE(ctx->indexBuffer, nullptr);
    EXPECT_EQ(model->getDrawParam().positionBufferSize(), 300);
    model->releaseDeviceObjects();
    EXPECT_EQ(ctx->uvBuffer, nullptr);
    EXPECT_EQ(ctx->indexBuffer, nullptr);
    EXPECT_EQ(model->getDrawParam().positionBufferSize(), 0);
    model->draw();
    EXPECT_NE(ctx->indexBuffer, nullptr);
    EXPECT_EQ(model->getDrawParam().positionBufferSize(), 300);
}
