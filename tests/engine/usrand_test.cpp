// CUSRand: minimal-standard sequences through the uniform integer and real algorithms, seeding rules,
// equal bounds that do not draw.
#include <gtest/gtest.h>

#include <vector>

#include "engine/util/USRand.h"

namespace {

// The generator's first values from state 1 are 48271, 182605794, 1291394886, 1914720637,
// 2078669041, 407355683; the integer algorithm maps x to (x - 1) / (2147483646 / (range + 1)).
TEST(USRand, IntegerSequencesFollowTheBucketAlgorithm) {
    struct {
        int min, max;
        std::vector<int> expected;
    } cases[] = {
        {0, 99, {0, 8, 60, 89, 96, 18}},
        {0, 1, {0, 0, 1, 1, 1, 0}},
        {100, 199, {100, 108, 160, 189, 196, 118}},
    };
    for (const auto& c : cases) {
        CUSRand rand;
        std::vector<int> got;
        for (size_t i = 0; i < c.expected.size(); ++i) got.push_back(rand.GetInt(c.min, c.max));
        EXPECT_EQ(c.expected, got) << c.min << ".." << c.max;
    }
}

TEST(USRand, RealsAreTheScaledDrawInHalfOpenRange) {
    const double expected[] = {2.247747e-05, 0.0850324, 0.6013526, 0.8916113, 0.9679557, 0.1896898};
    CUSRand asFloat, asDouble;
    for (double e : expected) {
        EXPECT_NEAR(e * 10 - 5, asFloat.GetFloat(-5.0f, 5.0f), 1e-5);
        EXPECT_NEAR(e, asDouble.GetDouble(0.0, 1.0), 1e-6);
    }
    CUSRand rand;
    for (int i = 0; i < 10000; ++i) {
        float f = rand.GetFloat(0.0f, 1.0f);
        ASSERT_GE(f, 0.0f);
        ASSERT_LT(f, 1.0f);
    }
}

// Two generators stay in step after the call under test only when it drew nothing.
TEST(USRand, SeedsAndEqualBounds) {
    struct {
        const char* what;
        void (*act)(CUSRand&);
    } cases[] = {
        {"seed 0 is state 1", [](CUSRand& r) { r.Seed(0); }},
        {"seed 2147483647 is state 1", [](CUSRand& r) { r.Seed(2147483647u); }},
        {"seed 2147483648 is state 1", [](CUSRand& r) { r.Seed(2147483648u); }},
        {"GetInt(5, 5) draws nothing", [](CUSRand& r) { EXPECT_EQ(5, r.GetInt(5, 5)); }},
        {"GetFloat(1, 1) draws nothing", [](CUSRand& r) { EXPECT_EQ(1.0f, r.GetFloat(1.0f, 1.0f)); }},
        {"GetDouble(2, 2) draws nothing", [](CUSRand& r) { EXPECT_EQ(2.0, r.GetDouble(2.0, 2.0)); }},
    };
    for (const auto& c : cases) {
        CUSRand fresh, tested;
        c.act(tested);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(fresh.GetInt(0, 1 << 30), tested.GetInt(0, 1 << 30)) << c.what;
    }
    CUSRand a, b;
    a.Seed(12345);
    b.Seed(12345 + 2147483647u);
    EXPECT_EQ(a.GetInt(-10, 10), b.GetInt(-10, 10));
}

TEST(USRand, ReversedBoundsAreSwapped) {
    CUSRand forward, reversed;
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(forward.GetInt(-3, 7), reversed.GetInt(7, -3));
        EXPECT_EQ(forward.GetFloat(0.5f, 2.0f), reversed.GetFloat(2.0f, 0.5f));
    }
}

}  // namespace
