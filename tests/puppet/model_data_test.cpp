// Model data: parameter definitions, parts, textured meshes and their fields as the file holds
// them, and the parameter table of the model context.
#include <gtest/gtest.h>

#include <cmath>

#include "puppet/ModelData.h"
#include "puppet/support/PuppetTestModel.h"

using namespace puppet;
using puppet_test::LoadDescription;

namespace {
std::string meshModel(const char* version, const char* option, const char* triangles) {
    return std::string("version ") + version + R"(
param PARAM_A -30 30 5
part PARTS_A
part PARTS_B hidden flagA
mesh M_A DST_BASE -1
order 500
opacity 0.5
uv 0 0 1 0 0 1 1 1 0.5 0.5 0.25 0.25
triangles )" + triangles + "\ncorner 0 0 1 0 0 1 1 1 2 2 3 3\n" + option + "\n";
}

DDTexture* firstMesh(APuppetModel& model) {
    return dynamic_cast<DDTexture*>(model.getModelImpl()->parts[1]->drawData[0]);
}
}  // namespace

TEST(ModelDataTest, OptionFlagsFromVersionEight) {
    struct Case {
        const char* version;
        const char* option;
        uint32_t flags;
        int32_t value;
    } cases[] = {{"7", "option 1 9", 0, 0}, {"8", "option 2 9", 2, 0}, {"8", "option 3 9", 3, 9}, {"9", "", 0, 0}};
    for (const Case& c : cases) {
        auto model = LoadDescription(meshModel(c.version, c.option, "0 1 2"));
        ASSERT_TRUE(model->hasData()) << c.version << " " << c.option;
        EXPECT_EQ(firstMesh(*model)->optionFlags, c.flags) << c.version << " " << c.option;
        EXPECT_EQ(firstMesh(*model)->optionValue, c.value) << c.version << " " << c.option;
    }
}

TEST(ModelDataTest, MeshFieldsAsRead) {
    auto model = LoadDescription(meshModel("9", "", "65541 1 2 3 4 5"));
    ASSERT_TRUE(model->hasData());
    DDTexture* mesh = firstMesh(*model);
    EXPECT_EQ(std::vector<uint16_t>(mesh->indices.begin(), mesh->indices.end()), (std::vector<uint16_t>{5, 1, 2, 3, 4, 5}));
    EXPECT_EQ(mesh->pointCount, 6);
    EXPECT_EQ(mesh->triangleCount, 2);
    EXPECT_EQ(mesh->textureNo, -1);
    EXPECT_EQ(mesh->targetId, BaseDataID::DST_BASE_ID());
    EXPECT_EQ(model->getModelImpl()->canvasWidth, 400);

    // Parts: the second bit is the visible flag, whatever the first.
    PartsData* hidden = model->getModelImpl()->parts[1];
    EXPECT_TRUE(hidden->flagA);
    EXPECT_FALSE(hidden->visible);
    std::unique_ptr<PartsDataContext> ctx(hidden->initContext());
    EXPECT_EQ(ctx->opacity, 0.0f);
    std::unique_ptr<PartsDataContext> shown(model->getModelImpl()->parts[0]->initContext());
    EXPECT_EQ(shown->opacity, 1.0f);

    // A mesh on the root draws its interpolated points, with z 0 and its uv.
    model->update();
    int count = 0;
    const float* points = model->getTransformedPoints(0, &count);
    ASSERT_EQ(count, 6);
    EXPECT_EQ(std::vector<float>(points + 20, points + 25), (std::vector<float>{2, 2, 0, 0.5f, 0.5f}));
    auto* dctx = static_cast<DDTextureContext*>(model->getModelContext().getDrawContext(0));
    EXPECT_TRUE(dctx->transformed.empty());
    EXPECT_FLOAT_EQ(dctx->opacity, 0.5f);
}

TEST(ModelDataTest, InconsistentMeshesAreRefused) {
    struct Case {
        const char* what;
        std::string description;
    } cases[] = {
        {"index beyond the points", meshModel("9", "", "0 1 6")},
        {"indices not in threes", meshModel("9", "", "0 1")},
        {"too few uv", "part P\nmesh M DST_BASE 0\norder 500\nopacity 1\nuv 0 0\ntriangles\ncorner 0 0 1 1\n"},
        {"missing corner", "param PA 0 1 0\npart P\nmesh M DST_BASE 0\npivots PA 0 1\norder 500 500\nopacity 1 1\n"
                           "uv 0 0\ntriangles\ncorner 0 0\n"},
        {"grid corner of the wrong size", "part P\ngrid G DST_BASE 1 1\ncorner 0 0 1 1\n"},
        {"affine without keys", "part P\naffine A DST_BASE\n"},
    };
    testing::internal::CaptureStdout();
    for (const Case& c : cases) EXPECT_FALSE(LoadDescription(c.description)->hasData()) << c.what;
    testing::internal::GetCapturedStdout();
}

TEST(ModelContextTest, ParameterTable) {
    auto model = LoadDescription("param PARAM_A -30 30 5\nparam PARAM_B 0 1 1\n");
    ModelContext& mc = model->getModelContext();
    int a = mc.getParamIndex(ParamID::getID(PPString("PARAM_A")));
    EXPECT_EQ(a, 0);
    EXPECT_EQ(mc.getParamFloat(a), 5.0f);  // the default
    struct Case {
        float set, stored;
    } cases[] = {{NAN, 0.0f}, {45.0f, 30.0f}, {-31.0f, -30.0f}, {12.5f, 12.5f}};
    for (const Case& c : cases) {
        mc.setParamFloat(a, c.set);
        EXPECT_EQ(mc.getParamFloat(a), c.stored) << c.set;
    }
    // An unknown parameter is appended with a wide range.
    int added = mc.getParamIndex(ParamID::getID(PPString("PARAM_NEW")));
    EXPECT_EQ(added, 2);
    EXPECT_EQ(mc.getParamMax(added), 1000000.0f);
    EXPECT_THROW(mc.setParamFloat(3, 1.0f), PuppetException);
}
