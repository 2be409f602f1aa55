// The UI in the novel runtime: the scenario instructions that open, move and close resident windows,
// the feature mask on the button bar, and the save-file format that loads refuse when they cannot
// read it.
#include <gtest/gtest.h>

#include "support/ScratchDir.h"
#include "novel/novel/NovelSystem.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/SaveDataManager.h"
#include "novel/state/SaveFile.h"
#include "support/ScenarioCode.h"

namespace {

class UINovelTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.OpenLog();
        testsupport::ResetGameState();
        testsupport::ResetNovelMachine();
        novel.GetWindowManager().Initialize();
        dir_.Write("AS/Bar.as", R"(
void Initialize() {
    for (uint i = 0; i < 4; i++)
        AddUIButton(i, 10 * i, 0, 0, 0, 0, 8, 8, DirectPatNo(0), DirectPatNo(1), DirectPatNo(2), DirectPatNo(3));
}
)");
    }
    void TearDown() override {
        novel.GetWindowManager().Initialize();
        novel.SetFeatureMask(0);
        testsupport::ResetNovelMachine();
    }
    ScratchDir dir_;
    CNovelSystem& novel = *CNovelSystem::GetInstance();
};

TEST_F(UINovelTest, ScenarioOpensMovesAndClosesResidentWindows) {
    testsupport::RunNovel(R"(
        OpenUIWindow 0, "AS\\Bar.as", 1, 2, 3, 4
        OpenUIWindow 7, "AS\\Bar.as", 0, 0, 0, 0
        SetUIWindowPosition 0, 50, 60, 70
        SetUIWindowPosition 9, 1, 1, 1
        CloseUIWindow 7
        CloseUIWindow 8
        OpenUIWindow 3, "AS\\Missing.as", 0, 0, 0, 0
    )");
    CUIWindowManager& windows = novel.GetWindowManager();
    EXPECT_EQ(windows.ResidentCount(), 1u);
    CUIWindow* bar = windows.FindWindow(0);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetPosition()[0], 50);
    EXPECT_EQ(bar->GetPosition()[2], 70);
    EXPECT_EQ(bar->GetLayerKey(), 9u);
    EXPECT_EQ(bar->GetControls().size(), 4u);
}

TEST_F(UINovelTest, FeatureMaskEnablesTheBarsControls) {
    ASSERT_TRUE(novel.GetWindowManager().OpenResidentWindow(0, "AS\\Bar.as", 0, 0, 0, 0));
    CUIWindow* bar = novel.GetWindowManager().FindWindow(0);
    CConfigDataManager::GetInstance()->SetConfigValue(CFG_ENABLE_FAST_SKIP, 1);
    novel.SetFeatureMask(0b1111);
    novel.ApplyFeatureMask(0b1101);
    const bool expected[] = {true, false, true, true};
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(bar->IsEnableControl(i), expected[i]) << i;
    // Without fast skip an unread message cannot be skipped: the skip button (bit 1) is off.
    novel.SetMessageCounter(987654);  // a message no other test has read
    CConfigDataManager::GetInstance()->SetConfigValue(CFG_ENABLE_FAST_SKIP, 0);
    novel.ApplyFeatureMask(0xFFFFFFFFu);
    EXPECT_FALSE(bar->IsEnableControl(1));
    EXPECT_TRUE(bar->IsEnableControl(0));
    CConfigDataManager::GetInstance()->SetConfigValue(CFG_ENABLE_FAST_SKIP, 1);
    novel.ApplyFeatureMask(0xFFFFFFFFu);
    EXPECT_TRUE(bar->IsEnableControl(1));
}

TEST_F(UINovelTest, ResidentWindowsComeBackWithALoadedGame) {
    ASSERT_TRUE(novel.GetWindowManager().OpenResidentWindow(0, "AS\\Bar.as", 5, 6, 0, 2));
    ASSERT_TRUE(CSaveDataManager::SaveToFile("w.sav"));
    novel.GetWindowManager().Initialize();
    EXPECT_EQ(novel.GetWindowManager().FindWindow(0), nullptr);
    ASSERT_TRUE(CSaveDataManager::LoadFromFile("w.sav"));
    CUIWindow* bar = novel.GetWindowManager().FindWindow(0);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetPosition()[1], 6);
    EXPECT_EQ(bar->GetLayerIndex(), 2u);
}

TEST_F(UINovelTest, SavesOfAFormatThisBuildCannotReadAreRefusedWithAMessage) {
    ASSERT_TRUE(CSaveDataManager::SaveToFile("now.sav"));
    SaveDataLoader4::SaveData data;
    SaveFile::Read("now.sav", data);
    EXPECT_EQ(data.GetVersion(), kSaveFormatVersion);
    // Files without the check record: those of the formats before it still load.
    const struct {
        uint32_t version;
        bool loads;
    } cases[] = {{0, false}, {kSaveFormatSealed - 1, true}, {kSaveFormatSealed, false}, {kSaveFormatVersion + 1, false}};
    for (const auto& k : cases) {
        SaveDataLoader4::SaveData other;
        other.SetVersion(k.version);
        ISavedObject<_tagSaveData>::SaveAll(other);
        SaveFile::Write("other.sav", other);
        novel.SetFeatureMask(0x55);
        EXPECT_EQ(CSaveDataManager::LoadFromFile("other.sav"), k.loads) << k.version;
        if (!k.loads) {
            EXPECT_EQ(novel.GetFeatureMask(), 0x55u) << k.version;  // nothing was read into the game
        }
    }
    const std::string log = dir_.Log();
    EXPECT_NE(log.find("Cannot load other.sav: it was saved in format 0 by an older version"), std::string::npos)
        << log;
    EXPECT_NE(log.find("by a newer version"), std::string::npos) << log;
    EXPECT_NE(log.find("Failed to load other.sav (save data: no record Check)"), std::string::npos) << log;
    EXPECT_TRUE(CSaveDataManager::LoadFromFile("now.sav"));
}

}  // namespace
