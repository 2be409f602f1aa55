// The demo character: its description makes a model that the runtime reads, and its motions move
// the parameters they name.
#include <gtest/gtest.h>

#include "puppet/Motion.h"
#include "puppet/Ut.h"
#include "puppet/support/PuppetTestModel.h"
#include "support/DemoFiles.h"

using namespace puppet;
using testsupport::DemoPuppetFile;

TEST(DemoCharacterTest, MotionsMoveTheHeadAndMouth) {
    auto model = puppet_test::LoadDescription(DemoPuppetFile("hero.txt"));
    ASSERT_TRUE(model->hasData());
    EXPECT_EQ(model->getModelContext().getDrawDataCount(), 4);
    std::string idleText = DemoPuppetFile("idle.mtn"), talkText = DemoPuppetFile("talk.mtn");
    std::unique_ptr<PuppetMotion> idle(PuppetMotion::loadMotion(idleText.data(), static_cast<int>(idleText.size())));
    std::unique_ptr<PuppetMotion> talk(PuppetMotion::loadMotion(talkText.data(), static_cast<int>(talkText.size())));
    EXPECT_EQ(idle->durationMsec, 2000);
    EXPECT_EQ(talk->durationMsec, 800);
    for (PuppetMotion* m : {idle.get(), talk.get()}) m->fadeInMsec = m->fadeOutMsec = 0;
    idle->loop = true;

    MotionQueueManager head, mouth;
    UtSystem::setUserTimeMSec(5000);
    head.startMotion(idle.get(), false);
    mouth.startMotion(talk.get(), false);
    auto frame = [&](int64_t t) {
        UtSystem::setUserTimeMSec(t);
        head.updateParam(model.get());
        mouth.updateParam(model.get());
        model->update();
    };
    frame(5000);
    auto face0 = puppet_test::MeshPoint(*model, "M_FACE", 4);
    auto mouthClosed = puppet_test::MeshPoint(*model, "M_MOUTH", 2);
    frame(5500 - 5 * 33 / 2);  // a quarter of the sway: the head has turned, the mouth is open
    auto face1 = puppet_test::MeshPoint(*model, "M_FACE", 4);
    auto mouthOpen = puppet_test::MeshPoint(*model, "M_MOUTH", 2);
    EXPECT_GT(std::abs(face1.first - face0.first), 5.0f);
    EXPECT_GT(mouthOpen.second - mouthClosed.second, 3.0f);
    frame(7100);
    EXPECT_TRUE(mouth.isFinished());
    EXPECT_FALSE(head.isFinished());
    UtSystem::setUserTimeMSec(0);
}
