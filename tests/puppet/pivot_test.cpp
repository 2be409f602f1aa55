// Pivots and deformers: pivot selection, corner tables, blends, and the points that affine and
// grid deformers produce, worked out by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "puppet/BaseData.h"
#include "puppet/ModelContext.h"
#include "puppet/ModelData.h"
#include "puppet/support/PuppetTestModel.h"

using namespace puppet;
using puppet_test::LoadDescription;
using puppet_test::MeshPoint;
using puppet_test::SetParam;

namespace {
// Parameters and pivot tables made in code, on a context of its own.
struct PivotFixture {
    ModelContext mc;
    PivotManager pm;
    std::vector<std::unique_ptr<ParamPivots>> pivots;
    std::vector<std::unique_ptr<FloatArray>> values;

    void add(const char* param, std::vector<float> at) {
        values.push_back(std::make_unique<FloatArray>());
        for (float v : at) values.back()->values.push_back(v);
        pivots.push_back(std::make_unique<ParamPivots>());
        ParamPivots* p = pivots.back().get();
        p->paramId = ParamID::getID(PPString(param));
        p->pivotCount = static_cast<int>(at.size());
        p->pivotValues = values.back().get();
        pm.params.push_back(p);
    }
    void set(const char* param, float v) { mc.setParamFloat(mc.getParamIndex(ParamID::getID(PPString(param))), v); }
};
}  // namespace

TEST(PivotTest, PivotIndexAndWeight) {
    struct Case {
        std::vector<float> pivots;
        float value;
        int index;
        float weight;
        int k;
        bool outOfRange;
    } cases[] = {
        {{-30, 0, 30}, 15.0f, 1, 0.5f, 1, false},   {{-30, 0, 30}, 0.00005f, 1, 0.0f, 0, false},
        {{-30, 0, 30}, 40.0f, 2, 0.0f, 0, true},    {{-30, 0, 30}, -40.0f, 0, 0.0f, 0, true},
        {{-30, 0, 30}, -30.0f, 0, 0.0f, 0, false},  {{-30, 0, 30}, -15.0f, 0, 0.5f, 1, false},
        {{5}, 5.00001f, 0, 0.0f, 0, false},         {{5}, 6.0f, 0, 0.0f, 0, true},
    };
    for (const Case& c : cases) {
        PivotFixture f;
        f.add("PV_A", c.pivots);
        f.set("PV_A", c.value);
        bool outOfRange = false;
        EXPECT_EQ(f.pm.calcPivotValue(f.mc, &outOfRange), c.k) << c.value;
        EXPECT_EQ(f.pivots[0]->pivotIndex, c.index) << c.value;
        EXPECT_FLOAT_EQ(f.pivots[0]->pivotWeight, c.weight) << c.value;
        EXPECT_EQ(outOfRange, c.outOfRange) << c.value;
    }
}

TEST(PivotTest, CornerTableFirstParameterVariesFastest) {
    PivotFixture f;
    f.add("PV_A", {0, 1});
    f.add("PV_B", {-1, 0, 1});
    f.set("PV_A", 0.25f);
    f.set("PV_B", 0.5f);
    bool outOfRange = false;
    int k = f.pm.calcPivotValue(f.mc, &outOfRange);
    ASSERT_EQ(k, 2);
    uint16_t table[PIVOT_TABLE_SIZE];
    float weights[PIVOT_TABLE_SIZE];
    f.pm.calcPivotIndexies(table, weights, k);
    EXPECT_EQ(std::vector<int>(table, table + 5), (std::vector<int>{2, 3, 4, 5, 0xFFFF}));
    EXPECT_EQ(std::vector<float>(weights, weights + 3), (std::vector<float>{0.25f, 0.5f, -1.0f}));
}

TEST(PivotTest, BlendsOfOneTwoAndSixParameters) {
    PivotFixture f;
    f.add("PV_A", {0, 1});
    PPVector<int> ints;
    ints.push_back(1);
    ints.push_back(2);
    PPVector<int> reversed;
    reversed.push_back(2);
    reversed.push_back(1);
    f.set("PV_A", 0.5f);
    bool outOfRange = false;
    EXPECT_EQ(f.pm.interpolateInt(f.mc, ints, &outOfRange), 1);  // 1.5 truncated
    EXPECT_EQ(f.pm.interpolateInt(f.mc, reversed, &outOfRange), 1);

    // Two parameters: a bilinear blend of the four corners.
    f.add("PV_B", {0, 1});
    f.set("PV_A", 0.25f);
    f.set("PV_B", 0.5f);
    PPVector<float> corners;  // corner (a, b) holds 10·a + 100·b
    for (float v : {0.0f, 10.0f, 100.0f, 110.0f}) corners.push_back(v);
    EXPECT_FLOAT_EQ(f.pm.interpolateFloat(f.mc, corners, &outOfRange), 52.5f);

    // Six parameters use the sum of weighted corners: corner e holds its own number.
    PivotFixture six;
    const char* names[] = {"PV_0", "PV_1", "PV_2", "PV_3", "PV_4", "PV_5"};
    PPVector<float> numbers;
    for (int e = 0; e < 64; ++e) numbers.push_back(static_cast<float>(e));
    for (int i = 0; i < 6; ++i) {
        six.add(names[i], {0, 1});
        six.set(names[i], i == 2 ? 0.75f : 0.5f);
    }
    // Expected: Σ bit_i · 2^i · t_i = 0.5·(1 + 2 + 8 + 16 + 32) + 0.75·4.
    EXPECT_NEAR(six.pm.interpolateFloat(six.mc, numbers, &outOfRange), 32.5f, 1e-4);
    EXPECT_FALSE(outOfRange);
}

TEST(PivotTest, MoreThanSixWeightsReportAndStayInTheTable) {
    for (int n : {6, 7}) {
        PivotFixture f;
        PPVector<float> numbers;
        for (int e = 0; e < (1 << n); ++e) numbers.push_back(static_cast<float>(e));
        for (int i = 0; i < n; ++i) {
            std::string name = "PV_MANY_" + std::to_string(i);
            f.add(ParamID::getID(PPString(name.c_str()))->name().c_str(), {0, 1});
            f.set(name.c_str(), 0.5f);
        }
        bool outOfRange = false;
        testing::internal::CaptureStdout();
        float v = f.pm.interpolateFloat(f.mc, numbers, &outOfRange);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.find("PIVOT_TABLE_SIZE") != std::string::npos, n == 7) << n;
        if (n == 7) {
            EXPECT_NE(out.find("128"), std::string::npos);
            EXPECT_FLOAT_EQ(v, 31.5f);  // the seventh parameter stays at its lower pivot
        }
    }
}

TEST(DeformerTest, AffineKeyMapsPoints) {
    ModelContext mc;
    BDAffine affine;
    BDAffineContext ctx;
    ctx.interpolated = AffineEnt();
    ctx.interpolated.originX = 10;
    ctx.interpolated.originY = 20;
    ctx.interpolated.scaleX = 2;
    ctx.interpolated.scaleY = 1;
    ctx.interpolated.rotationDeg = 90;
    float src[4] = {1, 0, 0, 3};
    float dst[4];
    affine.transformPoints(mc, &ctx, src, dst, 2, 0, 2);
    EXPECT_NEAR(dst[0], 10.0f, 1e-5);
    EXPECT_NEAR(dst[1], 22.0f, 1e-5);
    EXPECT_NEAR(dst[2], 7.0f, 1e-5);
    EXPECT_NEAR(dst[3], 20.0f, 1e-5);
}

TEST(DeformerTest, GridMapsUnitSquarePoints) {
    ModelContext mc;
    BDBoxGrid grid;
    grid.nx = 2;
    grid.ny = 1;
    BDBoxGridContext ctx;
    // Row 0: (0,0) (10,0) (20,5); row 1: (0,10) (10,10) (30,30).
    for (float v : {0, 0, 10, 0, 20, 5, 0, 10, 10, 10, 30, 30}) ctx.interpolated.push_back(v);
    struct Case {
        float x, y, ex, ey;
    } cases[] = {
        {0.0f, 0.0f, 0.0f, 0.0f},    {1.0f, 1.0f, 30.0f, 30.0f},  {0.25f, 0.5f, 5.0f, 5.0f},
        {1.0f, 0.5f, 25.0f, 17.5f},  // right edge: the last cell, between (20,5) and (30,30)
        {-3.0f, 2.0f, 0.0f, 10.0f},  {NAN, 0.0f, 0.0f, 0.0f},     {0.75f, 0.75f, 17.5f, 13.75f},
    };
    for (const Case& c : cases) {
        float src[2] = {c.x, c.y}, dst[2];
        grid.transformPoints(mc, &ctx, src, dst, 1, 0, 2);
        EXPECT_NEAR(dst[0], c.ex, 1e-4) << c.x << "," << c.y;
        EXPECT_NEAR(dst[1], c.ey, 1e-4) << c.x << "," << c.y;
    }
    // On a 1 × 1 grid the centre lies on the diagonal between P10 and P01.
    BDBoxGrid one;
    one.nx = one.ny = 1;
    BDBoxGridContext c1;
    for (float v : {0, 0, 10, 0, 0, 10, 40, 40}) c1.interpolated.push_back(v);
    float src[2] = {0.5f, 0.5f}, dst[2];
    one.transformPoints(mc, &c1, src, dst, 1, 0, 2);
    EXPECT_FLOAT_EQ(dst[0], 5.0f);
    EXPECT_FLOAT_EQ(dst[1], 5.0f);
}

namespace {
// A mesh on an affine deformer that slides with PARAM_X, a rotating deformer with a child, and a
// mesh on a grid that bends with PARAM_BEND.
const char* kRig = R"(
param PARAM_X -30 30 0
param PARAM_TURN 0 90 0
param PARAM_BEND 0 1 0
part PARTS_BODY
affine D_SLIDE DST_BASE
pivots PARAM_X -30 30
key 0 0 1 1 0
key 100 0 1 1 0
affine D_TURN DST_BASE
pivots PARAM_TURN 0 90
key 0 0 1 1 0
key 0 0 1 1 90
affine D_ARM D_TURN
key 10 0 1 1 0
grid D_BEND DST_BASE 1 1
pivots PARAM_BEND 0 1
corner 0 0 10 0 0 10 10 10
corner 0 0 10 0 0 10 20 20
mesh M_SLIDE D_SLIDE 0
order 500
opacity 1
uv 0 0 1 0 0 1
triangles 0 1 2
corner 1 2 3 4 5 6
mesh M_ARM D_ARM 0
order 500
opacity 1
uv 0 0 1 0 0 1
triangles 0 1 2
corner 1 0 0 0 0 1
mesh M_BEND D_BEND 1
order 500
opacity 1
uv 0 0 1 0 0 1
triangles 0 1 2
corner 1 1 0.5 0.5 0 0
)";
}  // namespace

TEST(DeformerTest, MeshesFollowTheirDeformers) {
    auto model = LoadDescription(kRig);
    ASSERT_TRUE(model->hasData());
    struct Case {
        const char* param;
        float value;
        const char* mesh;
        int point;
        float x, y;
    } cases[] = {
        {"PARAM_X", 0, "M_SLIDE", 0, 51, 2},     {"PARAM_X", 30, "M_SLIDE", 2, 105, 6},
        {"PARAM_X", -15, "M_SLIDE", 1, 28, 4},   {"PARAM_TURN", 0, "M_ARM", 0, 11, 0},
        {"PARAM_TURN", 90, "M_ARM", 0, 0, 11},   {"PARAM_TURN", 90, "M_ARM", 2, -1, 10},
        {"PARAM_BEND", 0, "M_BEND", 0, 10, 10},  {"PARAM_BEND", 1, "M_BEND", 0, 20, 20},
        {"PARAM_BEND", 0.5, "M_BEND", 0, 15, 15}, {"PARAM_BEND", 1, "M_BEND", 1, 5, 5},
    };
    for (const Case& c : cases) {
        SetParam(*model, c.param, c.value);
        auto [x, y] = MeshPoint(*model, c.mesh, c.point);
        EXPECT_NEAR(x, c.x, 1e-3) << c.param << "=" << c.value << " " << c.mesh << "[" << c.point << "]";
        EXPECT_NEAR(y, c.y, 1e-3) << c.param << "=" << c.value << " " << c.mesh << "[" << c.point << "]";
    }
}

TEST(DeformerTest, OutOfRangeDeformerMakesItsChildrenUnavailable) {
    // The parameter's range is wider than the pivots of the deformer.
    auto model = LoadDescription(R"(
param PARAM_WIDE -100 100 0
part PARTS_A
affine D_A DST_BASE
pivots PARAM_WIDE -30 30
key 0 0 1 1 0
key 60 0 1 1 0
affine D_CHILD D_A
key 0 0 1 1 0
mesh M_A D_CHILD 0
order 500
opacity 1
uv 0 0 1 0 0 1
triangles 0 1 2
corner 0 0 1 0 0 1
)");
    ModelContext& mc = model->getModelContext();
    int mesh = mc.getDrawDataIndex(DrawDataID::getID(PPString("M_A")));
    int child = mc.getBaseDataIndex(BaseDataID::getID(PPString("D_CHILD")));
    struct Case {
        float value;
        bool available;
    } cases[] = {{0, true}, {40, false}, {30, true}, {-31, false}, {-29, true}};
    for (const Case& c : cases) {
        SetParam(*model, "PARAM_WIDE", c.value);
        EXPECT_EQ(mc.getBaseContext(child)->available, c.available) << c.value;
        EXPECT_EQ(mc.getDrawContext(mesh)->available, c.available) << c.value;
    }
}
