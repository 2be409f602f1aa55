// Motions: the motion file format, values at given times, fades on a queue, loops, and when a
// queue counts as finished.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "puppet/Motion.h"
#include "puppet/Ut.h"
#include "puppet/support/PuppetTestModel.h"

using namespace puppet;

namespace {
std::unique_ptr<PuppetMotion> parse(const char* text) {
    return std::unique_ptr<PuppetMotion>(PuppetMotion::loadMotion(text, static_cast<int>(strlen(text))));
}

// A model with parameters only, and the runtime clock in the test's hands.
class MotionTest : public testing::Test {
protected:
    void SetUp() override {
        model = puppet_test::LoadDescription("param PARAM_A -30 30 0\nparam PARAM_B -30 30 0\n");
        at(10000);
    }
    void TearDown() override { UtSystem::setUserTimeMSec(0); }

    void at(int64_t msec) { UtSystem::setUserTimeMSec(msec); }
    float param(const char* name) {
        ModelContext& mc = model->getModelContext();
        return mc.getParamFloat(mc.getParamIndex(ParamID::getID(PPString(name))));
    }
    // Loads a motion as the game does: no fades, no loop.
    PuppetMotion* motion(const char* text) {
        motions.push_back(parse(text));
        PuppetMotion* m = motions.back().get();
        m->fadeInMsec = m->fadeOutMsec = 0;
        return m;
    }

    std::unique_ptr<puppet_test::TestModel> model;
    std::vector<std::unique_ptr<PuppetMotion>> motions;
    MotionQueueManager queue;
};
}  // namespace

TEST(MotionFileTest, FpsSetting) {
    struct Case {
        const char* text;
        float fps;
    } cases[] = {{"$fps=5\n", 30}, {"$fps=121\n", 30}, {"$fps=60\n", 60},     {"$fps=7.5\n", 7.5f},
                 {"$fps=60,200\n", 60}, {"$fps=10 20\n", 20}, {"$fpsx=60\n", 30}, {"$fps 60\n", 30},
                 {"# $fps=60\n", 30}, {"  $fps=24\r", 24}, {"", 30}};
    for (const Case& c : cases) EXPECT_FLOAT_EQ(parse(c.text)->fps, c.fps) << c.text;
}

TEST(MotionFileTest, CurvesKindsAndValues) {
    auto m = parse(
        "# a comment = 1, 2\r\n"
        "PARAM_A=0, 10 ,\t20\r"
        "VISIBLE:PARTS_HEAD=1,0\n"
        "LAYOUT:X=5\nLAYOUT:ANCHOR_Y=1\nLAYOUT:SCALE_X=2\nLAYOUT:Y=3\nLAYOUT:Q=9\n"
        "NO_EQUALS 1 2 3\n"
        "PARAM_B=1.5.2,-,x7\n"
        "PARAM_EMPTY=\n");
    struct Expect {
        const char* name;
        int kind;
        std::vector<float> values;
    } expected[] = {{"PARAM_A", Motion::PARAM, {0, 10, 20}},
                    {"VISIBLE:PARTS_HEAD", Motion::VISIBLE, {1, 0}},
                    {"X", Motion::LAYOUT_X, {5}},
                    {"ANCHOR_Y", Motion::LAYOUT_ANCHOR_Y, {1}},
                    {"SCALE_X", Motion::LAYOUT_SCALE_X, {2}},
                    {"Y", Motion::LAYOUT_Y, {3}},
                    {"PARAM_B", Motion::PARAM, {1.5f, 0.2f, -0.0f, 7}},
                    {"PARAM_EMPTY", Motion::PARAM, {}}};
    ASSERT_EQ(m->curves.size(), std::size(expected));
    for (size_t i = 0; i < m->curves.size(); ++i) {
        const Motion* c = m->curves[i].get();
        EXPECT_STREQ(c->targetName.c_str(), expected[i].name);
        EXPECT_EQ(c->kind, expected[i].kind) << expected[i].name;
        EXPECT_EQ(std::vector<float>(c->values.begin(), c->values.end()), expected[i].values) << expected[i].name;
    }
    EXPECT_EQ(m->maxFrames, 4);
    EXPECT_EQ(m->durationMsec, 133);  // 4 frames at 30 fps, truncated
    auto empty = parse("");
    EXPECT_EQ(empty->maxFrames, 0);
    EXPECT_EQ(empty->durationMsec, 0);
}

TEST_F(MotionTest, ValuesAtGivenTimes) {
    PuppetMotion* m = motion("PARAM_A=0,10,20\nPARAM_B=0,25\n");
    EXPECT_EQ(m->durationMsec, 100);
    queue.startMotion(m, false);
    struct Step {
        int64_t t;
        float a, b;
        bool finished;
    } steps[] = {
        {10000, 0, 0, false},
        {10050, 15, 25, false},  // frame 1, fraction 0.5; B jumps (25 > 40 % of 60)
        {10016, 4.8f, 0, false},  // frame 0, fraction 0.48: B's jump is not interpolated
        {10066, 19.8f, 25, false},  // frame 1, fraction 0.98
        {10100, 20, 25, true},  // frame 3 of 3 frames: the motion has run out
    };
    for (const Step& s : steps) {
        at(s.t);
        queue.updateParam(model.get());
        EXPECT_NEAR(param("PARAM_A"), s.a, 1e-3) << s.t;
        EXPECT_NEAR(param("PARAM_B"), s.b, 1e-3) << s.t;
        EXPECT_EQ(queue.isFinished(), s.finished) << s.t;
    }
    queue.updateParam(model.get());
    EXPECT_EQ(queue.entries().size(), 0);
}

TEST_F(MotionTest, SmallStepsInterpolateAndWeightsBlend) {
    PuppetMotion* m = motion("PARAM_A=0,20\n");
    m->weight = 0.5f;
    queue.startMotion(m, false);
    queue.updateParam(model.get());
    at(10000 + 50 / 3);  // about half way between the two frames
    queue.updateParam(model.get());
    // cur 0 moves half way (weight 0.5) towards a + (b − a)·fraction.
    float fraction = static_cast<float>(50 / 3) * 30 * 0.001f;
    EXPECT_NEAR(param("PARAM_A"), 0.5f * 20 * fraction, 1e-3);
}

TEST_F(MotionTest, VisibilityAndLayoutCurves) {
    motion("VISIBLE:PARTS_X=1,0\nLAYOUT:X=0,30\nLAYOUT:SCALE_Y=2\n");
    queue.startMotion(motions.back().get(), false);
    queue.updateParam(model.get());
    at(10050);
    queue.updateParam(model.get());
    EXPECT_EQ(param("VISIBLE:PARTS_X"), 0.0f);  // frame 1, no interpolation
    EXPECT_NEAR(model->getLayout(APuppetModel::LAYOUT_X), 30.0f, 1e-3);
    EXPECT_EQ(model->getLayout(APuppetModel::LAYOUT_SCALE_Y), 2.0f);
}

TEST_F(MotionTest, LoopingMotionRestarts) {
    PuppetMotion* m = motion("PARAM_A=0,10,20\n");
    m->loop = true;
    queue.startMotion(m, false);
    struct Step {
        int64_t t;
        float a;
    } steps[] = {{10000, 0}, {10050, 15}, {10100, 20}, {10150, 15}, {10200, 20}, {10233, 10}};
    for (const Step& s : steps) {
        at(s.t);
        queue.updateParam(model.get());
        EXPECT_NEAR(param("PARAM_A"), s.a, 0.5) << s.t;
        EXPECT_FALSE(queue.isFinished()) << s.t;
    }
}

TEST_F(MotionTest, StartingAMotionFadesOutTheOthers) {
    auto a = parse("PARAM_A=10\n");  // default fades: 1000 ms in and out
    auto b = parse("PARAM_A=-10\n");
    auto c = parse("PARAM_B=5\n");
    a->loop = b->loop = c->loop = true;
    queue.startMotion(a.get(), false);
    queue.updateParam(model.get());
    at(11500);  // a has faded in fully
    queue.updateParam(model.get());
    EXPECT_NEAR(param("PARAM_A"), 10.0f, 1e-3);
    queue.startMotion(b.get(), false);
    at(11700);
    queue.startMotion(c.get(), false);
    EXPECT_EQ(queue.entries().size(), 3);
    EXPECT_EQ(queue.entries()[0]->endTime, 12500);  // not postponed by the second start
    EXPECT_EQ(queue.entries()[1]->endTime, 12700);
    at(11800);
    queue.updateParam(model.get());  // b and c start and begin to fade in
    float last = 10.0f;
    for (int64_t t = 12000; t <= 12600; t += 200) {
        at(t);
        queue.updateParam(model.get());
        EXPECT_LT(param("PARAM_A"), last) << t;  // moving from a's value to b's
        last = param("PARAM_A");
    }
    EXPECT_EQ(queue.entries().size(), 2);  // a ended at 12500 and was removed
    at(12800);
    queue.updateParam(model.get());
    EXPECT_EQ(queue.entries().size(), 1);
    EXPECT_FALSE(queue.isFinished());
    queue.stopAllMotions();
    EXPECT_TRUE(queue.isFinished());
}

TEST_F(MotionTest, WithoutFadesAStartedMotionAppliesAtOnce) {
    PuppetMotion* first = motion("PARAM_A=10\n");
    PuppetMotion* second = motion("PARAM_A=-20\n");
    first->loop = true;
    queue.startMotion(first, false);
    queue.updateParam(model.get());
    EXPECT_EQ(param("PARAM_A"), 10.0f);
    at(10300);
    queue.startMotion(second, false);
    EXPECT_EQ(queue.entries()[0]->endTime, 10300);
    queue.updateParam(model.get());
    EXPECT_EQ(param("PARAM_A"), -20.0f);
    at(10301);
    queue.updateParam(model.get());
    EXPECT_EQ(queue.entries().size(), 1);
}

TEST_F(MotionTest, QueueFinishedStates) {
    EXPECT_TRUE(queue.isFinished());  // nothing runs
    EXPECT_EQ(queue.startMotion(nullptr, false), -1);
    PuppetMotion* m = motion("PARAM_A=1,2\n");
    int first = queue.startMotion(m, false);
    EXPECT_EQ(queue.startMotion(m, false), first + 1);
    EXPECT_FALSE(queue.isFinished());  // not started yet
    at(20000);
    queue.updateParam(model.get());  // both start now
    at(20100);
    queue.updateParam(model.get());
    EXPECT_TRUE(queue.isFinished());
}
