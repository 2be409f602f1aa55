// The scenes over a novel scene waiting for a click: the message-log dialog (opened by the wheel,
// scrolled and closed by it, drawn but not stepped while paused), UI dialogs (leaving once the window manager
// has no dialog, at once when their window never opened) and the picture view (the resident windows
// hidden until any button, and shown again however it ends); a click on a resident window's button is the
// button's, also in the frame the cursor arrives.
#include <gtest/gtest.h>

#include "novel/novel/NovelSystem.h"
#include "novel/scenes/SceneDialogs.h"
#include "novel/scenes/SceneNovel.h"
#include "support/ScratchDir.h"
#include "support/Input.h"
#include "support/NovelScene.h"
#include "support/RenderDevice.h"
#include "support/ScenarioCode.h"
#include "novel/state/GameVariables.h"
#include "novel/ui/UIButtons.h"
#include "novel/ui/UIWindowManager.h"
#include "engine/render/RenderingManager.h"

namespace {

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

using testsupport::IdleScene;

class SceneDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.Ok());
        ASSERT_TRUE(input.Ok());
        testsupport::ResetGameState();
        // An empty log: the wheel has nothing to scroll, so one step down is past the newest line.
        CMessageLogManager::GetInstance()->Clear();
        // The log window shows a green square and turns automatic mode on in every step it gets.
        testsupport::WriteTga("sheet.tga", 4, 4, [](int, int) { return 0xFF00FF00u; });
        testsupport::WritePartsFile("sheet.parts", {{0, 0, 20, 20, 0, 0, 4, 4}});
        folder.Write("AS/LogDialog.as",
                     Text("void Initialize() { LoadResource(\"sheet.tga\", \"sheet.parts\");\n"
                          "                    AddUIImage(1, 100, 100, 0, DirectPatNo(0)); }\n"
                          "void Update() { for (;;) { SendCommandToNovelSystem(1); Suspend(); } }\n"));
        // A dialog that closes itself in its second step.
        folder.Write("AS/Dialog.as", Text("int n = 0;\nvoid Initialize() {}\n"
                                          "void Update() { for (;;) { if (n == 1) CloseUIWindow(); n++; Suspend(); } }\n"));
        folder.Write("ch.bin", testsupport::Bytes(R"(SetResult RESULT_CLICK_WAIT
            Yield
            Push 7
            PopTo param[1]
        idle:
            Yield
            Jump idle)"));
        ASSERT_TRUE(novel.LoadScenario("ch.bin"));
        novel.SetNormalMode();  // a log window of an earlier test may have left automatic mode on
        stack.QueuePush(std::make_unique<CSceneNovel>(), false);
        Frame();
        Frame();  // waiting for the click
        novel.SetFeatureMask(0xFFFFFFFF);
    }
    void TearDown() override { stack.Clear(); }
    // One game frame: input, the layers emptied, the scenes, the frame drawn and read back.
    std::vector<DWORD> Frame() {
        input.Frame();
        RenderSystem::CRenderingManager::GetInstance()->UpdateProcesses();
        stack.Update();
        return device.DrawProcesses();
    }
    // Whether the log window's square is in the frame.
    static bool LogDrawn(const std::vector<DWORD>& frame) { return testsupport::Pixel(frame, 110, 110) == 0x00FF00; }
    CUIWindowManager& Windows() { return novel.GetWindowManager(); }

    ScratchDir folder;
    testsupport::RenderDevice device;
    testsupport::Input input;
    CNovelSystem& novel = *CNovelSystem::GetInstance();
    CSceneStateStack stack;
};

TEST_F(SceneDialogsTest, WheelOpensTheLogAndClosesItPastTheNewestLine) {
    input.Wheel(1);
    Frame();  // the novel scene asks for the log
    Frame();
    ASSERT_EQ(stack.GetCount(), 2u);
    EXPECT_NE(dynamic_cast<CSceneLogDialog*>(stack.GetTop()), nullptr);
    EXPECT_FALSE(Windows().AreResidentWindowsActive());
    // Up past the oldest line keeps it open.
    input.Wheel(1);
    Frame();
    Frame();
    EXPECT_EQ(stack.GetCount(), 2u);
    // Down at the newest line closes it.
    input.Wheel(-1);
    Frame();
    EXPECT_TRUE(stack.HasQueuedCommands());
    Frame();
    EXPECT_EQ(stack.GetCount(), 1u);
    EXPECT_TRUE(Windows().AreResidentWindowsActive());
}

TEST_F(SceneDialogsTest, RightClickClosesTheLog) {
    novel.SendCommand(2);
    Frame();
    Frame();
    ASSERT_EQ(stack.GetCount(), 2u);
    input.Button(1);
    Frame();
    input.Button(1, false);
    Frame();
    EXPECT_EQ(stack.GetCount(), 1u);
}

TEST_F(SceneDialogsTest, PausedLogIsDrawnButNotStepped) {
    EXPECT_FALSE(LogDrawn(Frame()));
    novel.SendCommand(2);
    Frame();
    EXPECT_TRUE(LogDrawn(Frame()));
    ASSERT_EQ(stack.GetCount(), 2u);
    EXPECT_EQ(novel.GetMode(), uint32_t(CNovelSystem::kAuto));  // its window ran
    // Under another scene its window stays in every frame, but its script takes no step.
    stack.QueuePush(std::make_unique<IdleScene>(), false);
    Frame();
    novel.SetNormalMode();
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(LogDrawn(Frame())) << i;
    EXPECT_EQ(novel.GetMode(), uint32_t(CNovelSystem::kNormal));
    stack.QueuePop(1, false);
    EXPECT_TRUE(LogDrawn(Frame()));
    EXPECT_EQ(novel.GetMode(), uint32_t(CNovelSystem::kAuto));
}

TEST_F(SceneDialogsTest, DialogLeavesTheFrameAfterItsWindowClosed) {
    novel.SetDialog(0, "AS\\Dialog.as");
    novel.SendCommand(4);
    Frame();  // the request is taken
    Frame();  // the dialog scene enters and opens its window
    ASSERT_EQ(stack.GetCount(), 2u);
    ASSERT_EQ(Windows().DialogCount(), 1u);
    int frames = 0;
    while (Windows().DialogCount() > 0 && frames < 10) {
        EXPECT_FALSE(stack.HasQueuedCommands());
        Frame();
        ++frames;
    }
    EXPECT_TRUE(stack.HasQueuedCommands());  // queued in the frame the window went
    Frame();
    EXPECT_EQ(stack.GetCount(), 1u);
}

TEST_F(SceneDialogsTest, DialogWhoseWindowNeverOpenedLeavesAtOnce) {
    novel.SetDialog(0, "AS\\Missing.as");
    novel.SendCommand(4);
    Frame();
    Frame();
    EXPECT_EQ(stack.GetCount(), 2u);
    EXPECT_TRUE(stack.HasQueuedCommands());
    Frame();
    EXPECT_EQ(stack.GetCount(), 1u);
}

TEST_F(SceneDialogsTest, DialogSwitchedOffIsDropped) {
    novel.SetDialog(0, "AS\\Dialog.as");
    novel.SetFeatureMask(~0x200u);
    novel.SendCommand(4);
    Frame();
    Frame();
    EXPECT_EQ(stack.GetCount(), 1u);
    EXPECT_EQ(novel.TakePendingCommand(), CNovelSystem::kRequestNone);
}

TEST_F(SceneDialogsTest, PictureViewHidesTheWindowsUntilAnyButton) {
    for (int button : {0, 1, 2}) {
        SCOPED_TRACE(button);
        novel.SendCommand(5);
        Frame();
        Frame();
        ASSERT_EQ(stack.GetCount(), 2u);
        EXPECT_FALSE(Windows().AreResidentWindowsActive());
        Frame();
        EXPECT_EQ(stack.GetCount(), 2u);  // stays without input
        input.Button(button);
        Frame();
        input.Button(button, false);
        Frame();
        EXPECT_EQ(stack.GetCount(), 1u);
        EXPECT_TRUE(Windows().AreResidentWindowsActive());
    }
    // Also when the stack is cleared under it.
    novel.SendCommand(5);
    Frame();
    Frame();
    ASSERT_FALSE(Windows().AreResidentWindowsActive());
    stack.Clear();
    EXPECT_TRUE(Windows().AreResidentWindowsActive());
}

// A click on the message window's bar is the bar's: also when the cursor arrives on a button in the
// frame of the click, the button is pressed and the text goes on waiting. A click beside it goes on.
TEST_F(SceneDialogsTest, AClickOnABarButtonInTheFrameTheCursorArrivesPressesItAndTheTextWaits) {
    folder.Write("AS/Bar.as", Text("void Initialize() { AddUIButton(1, 0, 0, 0, 0, 0, 50, 50, DirectPatNo(0), "
                                   "DirectPatNo(1), DirectPatNo(2), -1); }\n"));
    ASSERT_TRUE(Windows().OpenResidentWindow(0, "AS\\Bar.as", 0, 0, 0, 0));
    auto* button = dynamic_cast<CUIButton*>(Windows().FindWindow(0)->FindControl(1));
    ASSERT_NE(button, nullptr);
    auto click = [&](int x, int y) {
        input.Move(300, 300);
        Frame();
        input.Move(x, y);
        input.Button(0);
        Frame();
        input.Button(0, false);
        Frame();
    };
    click(20, 20);
    EXPECT_EQ(button->GetState(), CUIButton::kPressed);
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(1), 0) << "the click went on to the text";
    click(200, 200);
    EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(1), 7);
}

}  // namespace
