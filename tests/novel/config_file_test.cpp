// Configuration values, the volume formula, read-text and seen-picture records, and "cfg.cfg": a
// round trip, a missing file, and broken or oversized files that are refused and kept until something
// changes.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "engine/input/AppCommonInfo.h"
#include "support/ScratchDir.h"
#include "novel/state/ConfigDataManager.h"
#include "novel/state/SaveFile.h"
#include "support/SaveRecords.h"
#include "support/ScenarioCode.h"

namespace {

CConfigDataManager& Config() { return *CConfigDataManager::GetInstance(); }

TEST(ConfigValues, RegistrationKeepsTheFirstValueAndIgnoresUnknownIndexes) {
    Config().InitConfigValue(1008, 5);
    Config().InitConfigValue(1008, 9);
    EXPECT_EQ(Config().GetConfigValue(1008), 5);
    Config().SetConfigValue(1009, 1);
    EXPECT_FALSE(Config().IsRegistered(1009));
}

TEST(ConfigValues, VolumesFromTheTables) {
    testsupport::ResetGameState();
    CConfigDataManager& c = Config();
    c.InitMaxVolume();
    for (int i = 0; i < 4; ++i) c.AddMaxVolume(100);
    c.SetConfigValue(CFG_MASTER_VOLUME, 50);
    c.SetConfigValue(CFG_VOLUME_BGM, 80);
    struct Case {
        int32_t config;
        uint32_t max, a, b;
        float expected;
    };
    const Case cases[] = {
        {CFG_VOLUME_BGM, MAX_VOL_INDEX_BGM, 0x10000, 0x10000, 0.4f},  // scaled, with the master volume
        {CFG_VOLUME_BGM, MAX_VOL_INDEX_BGM, 0x8000, 0x10000, 0.2f},
        {CFG_VOLUME_BGM, MAX_VOL_INDEX_BGM, 7, 1, 0.8f},  // denominator 1: no scaling, no master
        {CFG_VOLUME_BGM, 9, 0x10000, 0x10000, 0.0f},      // no such max volume: silence, not infinity
    };
    for (const Case& k : cases) EXPECT_FLOAT_EQ(c.GetVolume(k.config, k.max, k.a, k.b), k.expected) << k.a << "/" << k.b;
    c.InitMaxVolume();
    EXPECT_EQ(c.GetVolume(CFG_VOLUME_BGM, MAX_VOL_INDEX_BGM, 0x10000, 0x10000), 0.0f);
}

TEST(ConfigValues, SwitchesAndTables) {
    testsupport::ResetGameState();
    CConfigDataManager& c = Config();
    c.SetConfigValue(USER_CFG_INDEX, -1);
    EXPECT_FALSE(c.IsConfigOn(USER_CFG_INDEX));
    c.SetConfigValue(CFG_STOP_VOICE, 1);
    EXPECT_TRUE(c.IsConfigOnWhen(CFG_STOP_VOICE, USER_CFG_INDEX));  // condition -1 is not 0
    c.SetConfigValue(USER_CFG_INDEX, 0);
    EXPECT_FALSE(c.IsConfigOnWhen(CFG_STOP_VOICE, USER_CFG_INDEX));
    c.InitIntervalRenderingText();
    for (uint32_t f : {3u, 2u, 1u}) c.AddIntervalRenderingText(f);
    c.SetConfigValue(CFG_CHAR_DRAW_INTERVAL, 2);
    EXPECT_EQ(c.GetCharDrawInterval(), 1u);
    c.SetConfigValue(CFG_CHAR_DRAW_INTERVAL, 3);  // outside the table
    EXPECT_EQ(c.GetCharDrawInterval(), 0u);
}

// The managers are the configuration manager's own: they are what "cfg.cfg" holds.
TEST(ReadFlags, MarksGrowInSteps) {
    CReadedFlagManager& marks = Config().GetReadedFlags();
    marks.Clear();
    marks.SetMessageReaded("A", 5);
    EXPECT_TRUE(marks.IsMessageReaded("A", 5));
    EXPECT_FALSE(marks.IsMessageReaded("A", 64));
    EXPECT_FALSE(marks.IsMessageReaded("B", 0));
    marks.SetReaded("B");  // no node: nothing
    EXPECT_FALSE(marks.IsReaded("B"));
    CReadedFlagsNode node;
    for (auto [index, bits] : {std::pair{0u, 64u}, {63u, 64u}, {64u, 128u}, {200u, 256u}}) {
        node.SetReaded(index);
        EXPECT_EQ(node.bits.size(), bits) << index;
    }
}

TEST(ReadFlags, RecordsRoundTrip) {
    CReadedFlagManager& marks = Config().GetReadedFlags();
    marks.Clear();
    marks.SetMessageReaded("first.bin", 3);
    marks.SetMessageReaded("second.bin", 130);
    marks.SetReaded("second.bin");
    USLib::binary_ostream<256> record;
    marks.Save(record);
    marks.Clear();
    marks.SetMessageReaded("stale.bin", 1);
    USLib::binary_istream in;
    in.Attach(record.GetData(), record.GetSize());
    marks.Load(in, 0);
    EXPECT_TRUE(marks.IsMessageReaded("first.bin", 3));
    EXPECT_FALSE(marks.IsMessageReaded("first.bin", 2));
    EXPECT_TRUE(marks.IsMessageReaded("second.bin", 130));
    EXPECT_TRUE(marks.IsReaded("second.bin"));
    EXPECT_FALSE(marks.IsReaded("first.bin"));
    EXPECT_FALSE(marks.IsMessageReaded("stale.bin", 1));  // a load starts from nothing
}

TEST(ReadFlags, SeenPicturesAreAddedOnLoad) {
    CCGShownFlagsManager& shown = Config().GetCGShownFlags();
    shown.Clear();
    shown.SetShown("cg01");
    USLib::binary_ostream<256> record;
    shown.Save(record);
    shown.Clear();
    shown.SetShown("cg02");
    const unsigned char empty[4] = {0, 0, 0, 0};
    for (auto [data, size] : {std::pair<const unsigned char*, uint32_t>{empty, 4}, {record.GetData(), record.GetSize()}}) {
        USLib::binary_istream in;
        in.Attach(data, size);
        shown.Load(in, 0);
    }
    EXPECT_TRUE(shown.IsShown("cg01"));
    EXPECT_TRUE(shown.IsShown("cg02"));
}

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.OpenLog();
        CConfigDataManager::LoadConfigFile();  // as at start-up: no file yet
        testsupport::ResetGameState();
        Config().GetReadedFlags().Clear();
        Config().GetCGShownFlags().Clear();
        CUSSingleton<CAppCommonInfo>::GetInstance()->SetFullScreen(0);
    }
    // A good file holding value 7 at USER_CFG_INDEX; the values are then put back to 0.
    std::string GoodFile() {
        Config().SetConfigValue(USER_CFG_INDEX, 7);
        CConfigDataManager::SaveConfigFile();
        Config().SetConfigValue(USER_CFG_INDEX, 0);
        return dir_.Read("cfg.cfg");
    }
    ScratchDir dir_;
};

TEST_F(ConfigFile, RoundTripRestoresValuesWindowModeAndFlags) {
    CConfigDataManager& c = Config();
    c.InitConfigValue(2000, 31);  // registered after start
    c.SetConfigValue(CFG_VOLUME_BGM, 55);
    c.GetReadedFlags().SetMessageReaded("ch1.bin", 70);
    c.GetReadedFlags().SetReaded("ch1.bin");
    c.GetCGShownFlags().SetShown("cg01.png");
    CUSSingleton<CAppCommonInfo>::GetInstance()->SetFullScreen(1);
    CConfigDataManager::SaveConfigFile();

    const std::string bytes = dir_.Read("cfg.cfg");
    ASSERT_GE(bytes.size(), 16u);
    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(char(~bytes[i]), "_SAVE_DATA_FILE_"[i]);

    c.SetConfigValue(CFG_VOLUME_BGM, 0);
    c.SetConfigValue(2000, 0);
    c.GetReadedFlags().Clear();
    c.GetCGShownFlags().Clear();
    CUSSingleton<CAppCommonInfo>::GetInstance()->SetFullScreen(0);
    CConfigDataManager::LoadConfigFile();
    EXPECT_EQ(c.GetConfigValue(CFG_VOLUME_BGM), 55);
    EXPECT_EQ(c.GetConfigValue(2000), 31);
    EXPECT_TRUE(c.GetReadedFlags().IsMessageReaded("ch1.bin", 70));
    EXPECT_TRUE(c.GetReadedFlags().IsReaded("ch1.bin"));
    EXPECT_TRUE(c.GetCGShownFlags().IsShown("cg01.png"));
    EXPECT_EQ(CUSSingleton<CAppCommonInfo>::GetInstance()->IsFullScreen(), 1u);
    EXPECT_EQ(dir_.Log(), "");
}

TEST_F(ConfigFile, MissingFileKeepsTheDefaults) {
    Config().SetConfigValue(USER_CFG_INDEX, 3);
    CConfigDataManager::LoadConfigFile();
    EXPECT_EQ(Config().GetConfigValue(USER_CFG_INDEX), 3);
    EXPECT_EQ(dir_.Log(), "");
}

TEST_F(ConfigFile, BrokenFileIsRefusedAndKeptUntilSomethingChanges) {
    Config().GetReadedFlags().SetMessageReaded("ch1.bin", 3);
    Config().GetCGShownFlags().SetShown("cg01.png");
    const std::string good = GoodFile();
    Config().GetReadedFlags().Clear();
    Config().GetCGShownFlags().Clear();
    std::string plain = good;  // not complemented
    for (char& b : plain) b = char(~b);
    std::string badMarker = good;
    badMarker[0] = char(badMarker[0] ^ 1);
    // A record cut short inside a whole container: the records read before it are not kept either.
    auto cut = [&](const char* record) {
        return testsupport::WithRecord(good, record, [](std::string& r) { r.resize(r.size() / 2); });
    };
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"not complemented", plain},
        {"wrong marker", badMarker},
        {"truncated", good.substr(0, good.size() / 2)},
        {"cut before the end marker", good.substr(0, good.size() - 3)},
        {"empty", ""},
        {"read-text flags cut", cut("Readed")},
        {"seen-picture flags cut", cut("CGShown")},
        {"values cut", cut("Config")},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        dir_.OpenLog();
        dir_.Write("cfg.cfg", k.bytes);
        Config().GetReadedFlags().Clear();  // as at start-up, whatever the case before saved
        Config().GetCGShownFlags().Clear();
        Config().SetConfigValue(USER_CFG_INDEX, 2);
        CConfigDataManager::LoadConfigFile();
        EXPECT_EQ(Config().GetConfigValue(USER_CFG_INDEX), 2);
        EXPECT_FALSE(Config().GetReadedFlags().IsMessageReaded("ch1.bin", 3));
        EXPECT_FALSE(Config().GetCGShownFlags().IsShown("cg01.png"));
        EXPECT_NE(dir_.Log().find("Failed to read cfg.cfg"), std::string::npos);
        CConfigDataManager::SaveConfigFile();  // at exit, nothing changed
        EXPECT_EQ(dir_.Read("cfg.cfg"), k.bytes);
        Config().SetConfigValue(USER_CFG_INDEX, 4);  // the player changes something
        CConfigDataManager::SaveConfigFile();
        Config().SetConfigValue(USER_CFG_INDEX, 0);
        CConfigDataManager::LoadConfigFile();
        EXPECT_EQ(Config().GetConfigValue(USER_CFG_INDEX), 4);
    }
}

TEST_F(ConfigFile, OversizedFileIsRefusedBeforeItIsRead) {
    // A good container followed by a hole that takes the file one byte past the limit: its size
    // alone refuses it, and it stays on disk as it was.
    const std::string good = GoodFile();
    const std::string path = dir_.Path() + "/cfg.cfg";
    std::filesystem::resize_file(path, SaveFile::kMaxFileSize + 1);
    dir_.OpenLog();
    Config().SetConfigValue(USER_CFG_INDEX, 2);
    CConfigDataManager::LoadConfigFile();
    EXPECT_EQ(Config().GetConfigValue(USER_CFG_INDEX), 2);
    EXPECT_NE(dir_.Log().find("Failed to read cfg.cfg, the defaults stay (the file is too large)"), std::string::npos)
        << dir_.Log();
    CConfigDataManager::SaveConfigFile();
    EXPECT_EQ(std::filesystem::file_size(path), SaveFile::kMaxFileSize + 1);
}

// Run as a separate process by the test below: a start-up that ends before "cfg.cfg" was read.
TEST(ConfigFileEarlyExit, SavesAtExit) {
    const char* folder = std::getenv("MARLOWE_CONFIG_DIR");
    if (!folder) GTEST_SKIP() << "only run by ConfigFile.FailedStartUpKeepsThePlayersFile";
    ASSERT_EQ(chdir(folder), 0);
    CConfigDataManager::SaveConfigFile();
}

TEST_F(ConfigFile, FailedStartUpKeepsThePlayersFile) {
    const std::string good = GoodFile();
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=ConfigFileEarlyExit.SavesAtExit";
    std::string env = "MARLOWE_CONFIG_DIR=" + dir_.Path();
    char* argv[] = {self.data(), filter.data(), nullptr};
    char* envp[] = {env.data(), nullptr};
    pid_t pid;
    ASSERT_EQ(posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp), 0);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(dir_.Read("cfg.cfg"), good);
}

}  // namespace
