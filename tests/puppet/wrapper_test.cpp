// The engine-side Puppet model: loading the model, textures and motions through the file layer,
// the motion table and queues, the model table's handles, and the device callbacks.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <optional>

#include "engine/device/AppDeviceInfo.h"
#include "engine/device/D3DDevice.h"
#include "support/ScratchDir.h"
#include "puppet/DXPuppetModel.h"
#include "puppet/RenderPuppetModel.h"
#include "puppet/Ut.h"
#include "puppet/support/PuppetTestModel.h"
#include "support/EngineDevice.h"

namespace {
std::string demoFile(const char* name) {
    std::string root = MARLOWE_TEST_DATA_DIR;  // <source>/tests/puppet/data
    root.erase(root.rfind("/tests/"));
    std::ifstream in(root + "/demo/puppet/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The engine's device on a window of the dummy video driver, in a scratch folder holding the demo
// character's files.
class PuppetWrapperTest : public testing::Test {
protected:
    void SetUp() override {
        device_.emplace("PuppetWrapperTest");
        ASSERT_TRUE(device_->Ok());
        std::vector<uint8_t> model = puppet_test::ModelBytes(demoFile("hero.txt"));
        dir_.Write("hero.pup", std::string(model.begin(), model.end()));
        for (const char* f : {"hero_body.png", "hero_face.png", "idle.mtn", "talk.mtn"}) dir_.Write(f, demoFile(f));
        dir_.Write("broken.png", "not an image");
        std::vector<uint8_t> v10 = model;
        v10[3] = 10;
        dir_.Write("v10.pup", std::string(v10.begin(), v10.end()));
        dir_.OpenLog();
    }
    void TearDown() override {
        GetPuppetModelTable().ReleaseAll();
        puppet_test::UnbindDrawObjects(GetD3DDevice());
        device_.reset();
        puppet::UtSystem::setUserTimeMSec(0);
    }
    ScratchDir dir_;
    std::optional<testsupport::EngineDevice> device_;
};
}  // namespace

TEST_F(PuppetWrapperTest, ModelsByHandle) {
    PuppetModelHandle missing(0x12345);
    EXPECT_FALSE(CreatePuppetModel(missing, "nothing.pup"));
    EXPECT_EQ(missing.Value(), 0x12345u);  // left alone

    PuppetModelHandle hero, rejected;
    ASSERT_TRUE(CreatePuppetModel(hero, "hero.pup"));
    DXPuppetModel* model = GetPuppetModel(hero);
    ASSERT_NE(model, nullptr);
    EXPECT_TRUE(model->GetModel()->hasData());

    // A file the reader rejects still gives a registered model, which updates and draws nothing.
    testing::internal::CaptureStdout();
    ASSERT_TRUE(CreatePuppetModel(rejected, "v10.pup"));
    testing::internal::GetCapturedStdout();
    DXPuppetModel* empty = GetPuppetModel(rejected);
    ASSERT_NE(empty, nullptr);
    EXPECT_FALSE(empty->GetModel()->hasData());
    empty->Update();
    empty->Draw();

    PuppetModelHandle stale = hero;
    GetPuppetModelTable().Release(hero);
    EXPECT_EQ(GetPuppetModel(stale), nullptr);
    EXPECT_EQ(GetPuppetModel(PuppetModelHandle()), nullptr);
}

TEST_F(PuppetWrapperTest, TexturesAreNumberedInLoadOrder) {
    PuppetModelHandle h;
    ASSERT_TRUE(CreatePuppetModel(h, "hero.pup"));
    DXPuppetModel* model = GetPuppetModel(h);
    EXPECT_TRUE(model->LoadTexture("hero_body.png"));
    EXPECT_FALSE(model->LoadTexture("missing.png"));
    EXPECT_FALSE(model->LoadTexture("broken.png"));
    EXPECT_TRUE(model->LoadTexture("hero_face.png"));
    puppet::DrawParam_D3D& dp = model->GetModel()->getDrawParam();
    EXPECT_NE(dp.texture(0), nullptr);
    EXPECT_NE(dp.texture(1), nullptr);
    EXPECT_EQ(dp.texture(2), nullptr);
    // A missing file is the file layer's to report; an unreadable image is the wrapper's.
    std::string log = dir_.Log();
    EXPECT_NE(log.find("Failed load PuppetTexture [broken.png]\n"), std::string::npos);
    EXPECT_EQ(log.find("Failed load PuppetTexture [missing.png]"), std::string::npos);
}

TEST_F(PuppetWrapperTest, MotionTableAndQueues) {
    PuppetModelHandle h;
    ASSERT_TRUE(CreatePuppetModel(h, "hero.pup"));
    DXPuppetModel* model = GetPuppetModel(h);
    EXPECT_TRUE(model->LoadMotion("idle.mtn"));
    EXPECT_TRUE(model->LoadMotion("talk.mtn"));
    EXPECT_FALSE(model->LoadMotion("missing.mtn"));
    EXPECT_EQ(model->GetMotionCount(), 2);
    EXPECT_EQ(model->GetMotion(0)->fadeInMsec, 0);
    EXPECT_FALSE(model->GetMotion(0)->loop);

    ASSERT_TRUE(model->SetMotion(5, "talk.mtn"));
    EXPECT_EQ(model->GetMotionCount(), 6);
    for (int i = 2; i <= 4; ++i) EXPECT_EQ(model->GetMotion(i), nullptr) << i;

    for (int i = 0; i < 4; ++i) model->AddMotionQueue();
    EXPECT_TRUE(model->IsQueueFinished(0));  // nothing runs
    model->SetQueueEnabled(1, false);
    EXPECT_FALSE(model->IsQueueEnabled(1));
    EXPECT_FALSE(model->IsQueueFinished(1));  // disabled: never finished

    puppet::UtSystem::setUserTimeMSec(1000);
    model->StartMotion(0, 1);
    EXPECT_EQ(model->GetCurrentMotion(), 1);
    EXPECT_FALSE(model->IsQueueFinished(0));
    model->Update();
    puppet::UtSystem::setUserTimeMSec(1100);  // frame 3 of talk: the mouth is open
    model->Update();
    puppet::ModelContext& mc = model->GetModel()->getModelContext();
    EXPECT_FLOAT_EQ(mc.getParamFloat(mc.getParamIndex(puppet::ParamID::getID(puppet::PPString("PARAM_MOUTH_OPEN_Y")))),
                    1.0f);

    // Replacing a motion that a queue runs stops it there instead of leaving it dangling.
    ASSERT_TRUE(model->SetMotion(1, "idle.mtn"));
    model->Update();
    EXPECT_TRUE(model->IsQueueFinished(0));
}

TEST_F(PuppetWrapperTest, DeviceCallbacksReleaseAndShutDown) {
    PuppetModelHandle a, b;
    ASSERT_TRUE(CreatePuppetModel(a, "hero.pup"));
    ASSERT_TRUE(CreatePuppetModel(b, "hero.pup"));
    for (PuppetModelHandle h : {a, b}) {
        GetPuppetModel(h)->Update();
        GetPuppetModel(h)->Draw();
        EXPECT_GT(GetPuppetModel(h)->GetModel()->getDrawParam().positionBufferSize(), 0);
    }
    ReleasePuppetDeviceObjects();
    for (PuppetModelHandle h : {a, b}) EXPECT_EQ(GetPuppetModel(h)->GetModel()->getDrawParam().positionBufferSize(), 0);
    ShutdownPuppet();
    EXPECT_EQ(GetPuppetModel(a), nullptr);
    EXPECT_EQ(GetPuppetModelTable().GetCount(), 0u);
}

TEST_F(PuppetWrapperTest, RenderModelDrawsTheLiveModelAndRestoresStates) {
    PuppetModelHandle h;
    ASSERT_TRUE(CreatePuppetModel(h, "hero.pup"));
    GetPuppetModel(h)->Update();
    IDirect3DDevice9* device = GetD3DDevice();
    RenderSystem::RenderPuppetModel render;
    render.model = h;
    struct Case {
        bool live;
        bool drawn;
    } cases[] = {{true, true}, {false, false}};
    for (const Case& c : cases) {
        if (!c.live) {
            GetPuppetModel(h)->ReleaseDeviceObjects();
            PuppetModelHandle released = h;
            GetPuppetModelTable().Release(released);
        }
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
        device->SetTexture(0, texture);
        texture->Release();
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        device->BeginScene();
        render.Draw();
        device->EndScene();
        DWORD v = 0;
        device->GetRenderState(D3DRS_CULLMODE, &v);
        EXPECT_EQ(v, static_cast<DWORD>(D3DCULL_NONE)) << c.live;
        device->GetSamplerState(0, D3DSAMP_ADDRESSU, &v);
        EXPECT_EQ(v, static_cast<DWORD>(D3DTADDRESS_CLAMP)) << c.live;
        IDirect3DBaseTexture9* bound = nullptr;
        device->GetTexture(0, &bound);
        EXPECT_EQ(bound, nullptr) << c.live;
        if (c.live) {
            EXPECT_GT(GetPuppetModel(h)->GetModel()->getDrawParam().positionBufferSize(), 0);
        }
    }
    EXPECT_EQ(GetPuppetModel(h), nullptr);
}
