// Save files: names of numbered slots and the quick-save file, saving and loading every saved object,
// what the save screens list (time stamps and thumbnails), damaged files, and a writer killed at
// random points that never leaves the previous save broken.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ctime>
#include <random>
#include <thread>

#include "support/ScratchDir.h"
#include "novel/novel/NovelSystem.h"
#include "novel/state/GameVariables.h"
#include "novel/state/SaveDataManager.h"
#include "novel/state/SaveFile.h"
#include "novel/state/SnapImage.h"
#include "support/SaveRecords.h"
#include "support/ScenarioCode.h"

extern char** environ;

namespace {

struct DefaultSaveNames {
    ~DefaultSaveNames() {
        SetSaveName("save_%05d.sav");
        SetQuickSavePath("save\\q.sav");
    }
};

TEST(SavePath, SlotsAndQuickSave) {
    DefaultSaveNames restore;
    const struct {
        const char* format;
        int32_t slot;
        const char* expected;
    } cases[] = {
        {"save_%05d.sav", -1, "save\\q.sav"},
        {"save_%05d.sav", 0, "save_00000.sav"},
        {"save_%05d.sav", 3, "save_00003.sav"},
        {"save\\s%03d.sav", 7, "save\\s007.sav"},
        {"save_%d_%d.sav", 1, ""},  // a format the slot does not fill is no name
    };
    for (const auto& k : cases) {
        SetSaveName(k.format);
        EXPECT_EQ(GetSavePath(k.slot), k.expected) << k.format << " " << k.slot;
    }
    SetQuickSavePath("save\\quick.sav");
    EXPECT_EQ(GetSavePath(-1), "save\\quick.sav");
}

TEST(SaveSlotInfo, DigitsOfSlotAndTimeStamp) {
    CSaveDataInfoNode node;
    node.slot = 123;
    node.year = 2012;
    node.month = 3;
    node.day = 14;
    node.hour = 9;
    node.minute = 5;
    node.second = 59;
    const int32_t expected[] = {1, 2, 3, 2, 0, 1, 2, 0, 3, 1, 4, 0, 9, 0, 5, 5, 9, 0};
    for (uint32_t i = 0; i < 18; ++i) EXPECT_EQ(node.GetDigit(i), expected[i]) << i;
}

// The game state a save holds in these tests: game variables, the snapshot and the scenario's place.
struct GameState {
    int32_t param;
    bool flag;
    uint8_t pixel;
    uint32_t position;
};

class SaveSlots : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.OpenLog();
        dir_.Write("save/.keep", "");
        testsupport::ResetGameState();
        CSnapImage::GetInstance()->Register("SnapImage", 0);
        CSnapImage::GetInstance()->SetSize(4, 2);
        dir_.Write("scenario/ch1.bin", testsupport::Bytes("Push 1\nYield\nPush 2\nYield\nYield"));
        ASSERT_TRUE(CNovelSystem::GetInstance()->LoadScenario("scenario\\ch1.bin"));
    }
    void TearDown() override { CSnapImage::GetInstance()->FreePixels(); }

    static void Set(const GameState& s) {
        CGameParameterManager::GetInstance()->SetParam(3, s.param);
        CGameFlagsManager::GetInstance()->SetFlag(5, s.flag);
        CSnapImage::GetInstance()->GetPixels()[7] = s.pixel;
        CNovelSystem::GetInstance()->GetMachine().JumpTo(s.position);
    }
    static GameState Get() {
        return {CGameParameterManager::GetInstance()->GetParam(3), CGameFlagsManager::GetInstance()->GetFlag(5),
                CSnapImage::GetInstance()->GetPixels()[7], CNovelSystem::GetInstance()->GetMachine().GetCursor().GetPosition()};
    }
    static void ExpectState(const GameState& s) {
        GameState now = Get();
        EXPECT_EQ(now.param, s.param);
        EXPECT_EQ(now.flag, s.flag);
        EXPECT_EQ(now.pixel, s.pixel);
        EXPECT_EQ(now.position, s.position);
    }
    ScratchDir dir_;
};

TEST_F(SaveSlots, SaveListAndLoadBack) {
    const GameState slot2{-77, true, 200, 12}, quick{5, false, 9, 8}, other{0, false, 0, 0};
    Set(slot2);
    ASSERT_TRUE(CSaveDataManager::SaveToFile(GetSavePath(2).c_str()));
    Set(quick);
    ASSERT_TRUE(CSaveDataManager::SaveToFile(GetSavePath(-1).c_str()));
    const std::string bytes = dir_.Read("save/q.sav");
    ASSERT_GE(bytes.size(), 16u);
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(char(~bytes[i]), "_SAVE_DATA_FILE_"[i]);

    // The listing: slot 2 with its file time and thumbnail, the quick save, empty slots.
    const std::time_t when = 1331715959;  // a fixed moment, shown in local time
    dir_.SetMTime("save_00002.sav", when);
    std::tm local{};
    localtime_r(&when, &local);
    CSaveDataManager& slots = *CSaveDataManager::GetInstance();
    slots.Setup(10, 4);
    slots.SetViewTop(0);
    EXPECT_EQ(slots.GetViewTop(), 0);
    // The manager lives as long as the process: an earlier test may have left the view top at 0 already,
    // and then setting it reads nothing.
    slots.Refresh();
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(slots.GetNode(i)->exists, i == 2) << i;
    const CSaveDataInfoNode& node = *slots.GetNode(2);
    EXPECT_EQ(node.slot, 2);
    EXPECT_EQ(node.year, uint32_t(local.tm_year + 1900));
    EXPECT_EQ(node.month, uint32_t(local.tm_mon + 1));
    EXPECT_EQ(node.day, uint32_t(local.tm_mday));
    EXPECT_EQ(node.hour, uint32_t(local.tm_hour));
    EXPECT_EQ(node.minute, uint32_t(local.tm_min));
    EXPECT_EQ(node.second, uint32_t(local.tm_sec));
    ASSERT_EQ(node.thumbnailPixels.size(), 4u * 2 * 3);
    EXPECT_EQ(node.thumbnailPixels[7], slot2.pixel);
    EXPECT_TRUE(slots.GetQuickNode().exists);
    EXPECT_EQ(slots.GetQuickNode().thumbnailPixels[7], quick.pixel);

    Set(other);
    ASSERT_TRUE(CSaveDataManager::LoadFromFile(GetSavePath(2).c_str()));
    ExpectState(slot2);
    ASSERT_TRUE(CSaveDataManager::LoadFromFile(GetSavePath(-1).c_str()));
    ExpectState(quick);
}

TEST_F(SaveSlots, ViewTopIsClamped) {
    CSaveDataManager& slots = *CSaveDataManager::GetInstance();
    const struct {
        int32_t total, visible, top, expected;
    } cases[] = {{10, 4, -3, 0}, {10, 4, 5, 5}, {10, 4, 6, 6}, {10, 4, 7, 6}, {3, 4, 0, -1}};
    for (const auto& k : cases) {
        slots.Setup(k.total, k.visible);
        slots.SetViewTop(k.top);
        EXPECT_EQ(slots.GetViewTop(), k.expected) << k.total << " " << k.top;
    }
}

TEST_F(SaveSlots, DamagedOrMissingFilesFailAndShowAsEmpty) {
    Set({1, true, 1, 4});
    ASSERT_TRUE(CSaveDataManager::SaveToFile(GetSavePath(1).c_str()));
    const std::string good = dir_.Read("save_00001.sav");
    std::string badFirst = good;
    badFirst[0] = char(badFirst[0] ^ 0x20);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {{"first byte changed", badFirst},
                 {"truncated", good.substr(0, good.size() - 9)},
                 {"empty", ""},
                 {"a record cut inside a whole container",
                  testsupport::WithRecord(good, "GameParameter", [](std::string& r) { r.pop_back(); })}};
    CSaveDataInfoNode node;
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        dir_.Write("save_00001.sav", k.bytes);
        Set({2, false, 2, 8});
        EXPECT_FALSE(CSaveDataManager::LoadFromFile(GetSavePath(1).c_str()));
        ExpectState({2, false, 2, 8});  // the container is refused before any object is touched
        CSaveDataManager::ReadSlotInfo(node, 1);
        EXPECT_FALSE(node.exists);
    }
    EXPECT_FALSE(CSaveDataManager::LoadFromFile(GetSavePath(9).c_str()));
    CSaveDataManager::ReadSlotInfo(node, 9);
    EXPECT_FALSE(node.exists);
    EXPECT_NE(dir_.Log().find("Failed to load"), std::string::npos);
}

// A saved object registered under a key another one holds replaces it; destroying the replaced one
// leaves the newer registration in place.
struct Probe : ISavedObject<_tagSaveData> {
    explicit Probe(uint8_t v) : value(v) { Register("Probe", 0); }
    void Save(USLib::binary_ostream<256>& out) override { out.Write(&value, 1); }
    void Load(USLib::binary_istream& in, uint32_t) override { in.Read(&value, 1); }
    uint8_t value;
};

TEST_F(SaveSlots, LaterRegistrationOfAKeyWins) {
    Probe later(2);
    {
        Probe earlier(1);
        later.Register("Probe", 0);
    }
    ASSERT_TRUE(CSaveDataManager::SaveToFile("probe.sav"));
    later.value = 0;
    ASSERT_TRUE(CSaveDataManager::LoadFromFile("probe.sav"));
    EXPECT_EQ(later.value, 2);
}

// Run as a separate process by the test below: saves a consistent state over and over, until killed.
TEST(SaveWriter, SavesUntilKilled) {
    const char* folder = std::getenv("MARLOWE_SAVE_WRITER_DIR");
    if (!folder) GTEST_SKIP() << "only run by SaveSlots.KillDuringSaveKeepsThePreviousSave";
    ASSERT_EQ(chdir(folder), 0);
    testsupport::ResetGameState();
    CSnapImage::GetInstance()->Register("SnapImage", 0);
    CSnapImage::GetInstance()->SetSize(160, 120);
    for (int32_t k = 1;; ++k) {
        CGameParameterManager::GetInstance()->SetParam(0, k);
        CGameParameterManager::GetInstance()->SetParam(1, -k);
        CSnapImage::GetInstance()->GetPixels()[0] = static_cast<uint8_t>(k);
        CSaveDataManager::SaveToFile(GetSavePath(0).c_str());
        if (k == 1) std::ofstream("writer.ready");  // the parent starts its clock from here
    }
}

TEST_F(SaveSlots, KillDuringSaveKeepsThePreviousSave) {
    // A first good save.
    CGameParameterManager::GetInstance()->SetParam(0, 0);
    CGameParameterManager::GetInstance()->SetParam(1, 0);
    CSnapImage::GetInstance()->SetSize(160, 120);
    ASSERT_TRUE(CSaveDataManager::SaveToFile(GetSavePath(0).c_str()));

    std::mt19937 random(20261210);
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=SaveWriter.SavesUntilKilled";
    std::string env = "MARLOWE_SAVE_WRITER_DIR=" + dir_.Path();
    int32_t last = 0;
    for (int round = 0; round < 12; ++round) {
        char* argv[] = {self.data(), filter.data(), nullptr};
        std::vector<char*> envp = {env.data()};
        for (char** e = environ; *e; ++e) envp.push_back(*e);
        envp.push_back(nullptr);
        pid_t pid;
        std::filesystem::remove("writer.ready");
        ASSERT_EQ(posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp.data()), 0);
        // A slow machine may take long to start the writer: kills count from its first save.
        for (int i = 0; i < 20000 && !std::filesystem::exists("writer.ready"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 40000)(random)));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        // The file is whole (the container reads to its end marker) and holds one consistent state.
        SaveDataLoader4::SaveData data;
        ASSERT_NO_THROW(SaveFile::Read(GetSavePath(0).c_str(), data)) << "round " << round;
        for (const char* name : {"GameParameter", "SnapImage"}) {
            SaveDataLoader4::save_istream reader = data.OpenReader(CSaveDataKey(name, 0));
            ISavedObject<_tagSaveData>::GetRegistry().at(CSaveDataKey(name, 0))->Load(reader, 0);
        }
        const int32_t k = CGameParameterManager::GetInstance()->GetParam(0);
        EXPECT_EQ(CGameParameterManager::GetInstance()->GetParam(1), -k);
        EXPECT_EQ(CSnapImage::GetInstance()->GetPixels()[0], static_cast<uint8_t>(k));
        last = std::max(last, k);
    }
    EXPECT_GE(last, 1);  // the file holds the writer's saves, never the state before them
}

}  // namespace
