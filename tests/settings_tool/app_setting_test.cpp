// "config.xml": what Load takes from a file, what Save writes, and that the old file survives a
// failed save.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>

#include "settings_tool/AppSetting.h"
#include "support/ScratchDir.h"

namespace {

struct Record {
    bool playMovie;
    uint32_t fullWidth;
    uint32_t fullHeight;
};

Record Read(const AppSetting& setting) {
    Record r{setting.IsPlayMovie(), 0, 0};
    setting.GetFullScreenSize(r.fullWidth, r.fullHeight);
    return r;
}

struct LoadCase {
    const char* name;
    std::optional<std::string> file;  // nullopt: no file at all
    Record expected;
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

const Record kDefaults{true, 800, 600};

const LoadCase kLoadCases[] = {
    {"NoFile", std::nullopt, kDefaults},
    {"AllKeys", "[root]\r\nPlayMovie=0\r\nWidth=800\r\nHeight=600\r\nFullWidth=1280\r\nFullHeight=720\r\n",
     {false, 1280, 720}},
    {"LfLinesAndComments", "; made by hand\n[root]\nPlayMovie=0\nFullWidth=1024\nFullHeight=768\n", {false, 1024, 768}},
    {"AnyNonZeroPlaysMovies", "[root]\nPlayMovie=7\n", {true, 800, 600}},
    {"MinusOnePlaysMovies", "[root]\nPlayMovie=-1\n", {true, 800, 600}},
    {"WordTrueIsNoInteger", "[root]\nPlayMovie=true\nFullWidth=1024\n", {true, 1024, 600}},
    {"TrailingTextFallsBackAlone", "[root]\nFullWidth=1024x\nFullHeight=768\n", {true, 800, 768}},
    {"EmptyValueFallsBackAlone", "[root]\nFullWidth=\nFullHeight=768\n", {true, 800, 768}},
    {"HexIsNoDecimal", "[root]\nFullWidth=0x500\n", {true, 800, 600}},
    {"TooBigForInt32", "[root]\nFullWidth=2147483648\nFullHeight=+720\n", {true, 800, 720}},
    {"NegativeBecomesUnsigned", "[root]\nFullWidth=-1\n", {true, 4294967295u, 600}},
    {"BlanksAroundKeyAndValue", "  [ root ]  \n  FullWidth  =   1280   \n\tFullHeight\t=\t960\n", {true, 1280, 960}},
    {"KeysAboveOrElsewhereUnseen", "FullWidth=1280\n[other]\nFullHeight=720\n[root]\nPlayMovie=0\n", {false, 800, 600}},
    {"KeyNamesCaseSensitive", "[root]\nfullwidth=1280\nFULLHEIGHT=720\n", {true, 800, 600}},
    {"RootTwice", "[root]\nPlayMovie=0\n[root]\nFullWidth=1280\n", kDefaults},
    {"KeyTwice", "[root]\nFullWidth=1280\nFullWidth=1024\n", kDefaults},
    {"LineWithoutEquals", "[root]\nPlayMovie=0\nFullWidth 1280\n", kDefaults},
    {"LineStartingWithEquals", "[root]\nPlayMovie=0\n=1280\n", kDefaults},
    {"UnmatchedBracket", "[root\nPlayMovie=0\n", kDefaults},
    {"EmptyFile", "", kDefaults},
};

class LoadTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadTest, FillsTheRecord) {
    ScratchDir folder;
    const LoadCase& c = GetParam();
    if (c.file) folder.Write("config.xml", *c.file);
    AppSetting setting;
    // Start from a record unlike the defaults, so that every field must be set by Load.
    setting.SetPlayMovie(!c.expected.playMovie);
    setting.SetFullScreenSize(c.expected.fullWidth + 1, c.expected.fullHeight + 1);
    setting.Load();
    Record got = Read(setting);
    EXPECT_EQ(got.playMovie, c.expected.playMovie);
    EXPECT_EQ(got.fullWidth, c.expected.fullWidth);
    EXPECT_EQ(got.fullHeight, c.expected.fullHeight);
    uint32_t w = 0, h = 0;
    setting.GetWindowSize(w, h);
    EXPECT_EQ(w, 800u);
    EXPECT_EQ(h, 600u);
    EXPECT_EQ(std::filesystem::exists("config.xml"), c.file.has_value());  // Load never writes.
}

INSTANTIATE_TEST_SUITE_P(Files, LoadTest, ::testing::ValuesIn(kLoadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AppSettingTest, SaveWritesSixCrLfLinesAndDropsEverythingElse) {
    ScratchDir folder;
    folder.Write("config.xml",
                   "Stray=1\n[root]\nPlayMovie=0\nWidth=1920\nHeight=1080\nFullWidth=1280\nFullHeight=720\n"
                   "Extra=5\n[other]\nKey=value\n");
    AppSetting setting;
    setting.Load();
    uint32_t w = 0, h = 0;
    setting.GetWindowSize(w, h);
    EXPECT_EQ(w, 800u);
    EXPECT_EQ(h, 600u);
    ASSERT_TRUE(setting.Save());
    EXPECT_EQ(folder.Read("config.xml"),
              "[root]\r\nPlayMovie=0\r\nWidth=800\r\nHeight=600\r\nFullWidth=1280\r\nFullHeight=720\r\n");
    EXPECT_FALSE(std::filesystem::exists("config.xml.tmp"));
}

TEST(AppSettingTest, SaveThenLoadGivesTheRecordBack) {
    const Record records[] = {{true, 800, 600}, {false, 1920, 1080}, {true, 2147483647u, 0}};
    for (const Record& r : records) {
        ScratchDir folder;
        AppSetting written;
        written.SetPlayMovie(r.playMovie);
        written.SetFullScreenSize(r.fullWidth, r.fullHeight);
        ASSERT_TRUE(written.Save());
        AppSetting read;
        read.Load();
        Record got = Read(read);
        EXPECT_EQ(got.playMovie, r.playMovie);
        EXPECT_EQ(got.fullWidth, r.fullWidth);
        EXPECT_EQ(got.fullHeight, r.fullHeight);
    }
}

TEST(AppSettingTest, SetDefaultsRestoresEveryField) {
    AppSetting setting;
    setting.SetPlayMovie(false);
    setting.SetFullScreenSize(1920, 1080);
    setting.SetDefaults();
    Record got = Read(setting);
    EXPECT_TRUE(got.playMovie);
    EXPECT_EQ(got.fullWidth, 800u);
    EXPECT_EQ(got.fullHeight, 600u);
}

TEST(AppSettingTest, FailedSaveLeavesTheOldFileWholeAndReportsIt) {
    ScratchDir folder;
    const std::string old = "[root]\r\nPlayMovie=1\r\n";
    folder.Write("config.xml", old);
    ::chmod("config.xml", 0444);
    AppSetting setting;
    setting.SetPlayMovie(false);
    EXPECT_FALSE(setting.Save());
    EXPECT_EQ(folder.Read("config.xml"), old);
    EXPECT_FALSE(std::filesystem::exists("config.xml.tmp"));
}

TEST(AppSettingTest, SaveFindsTheFileWhateverTheCaseOfItsName) {
    ScratchDir folder;
    folder.Write("CONFIG.XML", "[root]\r\nFullWidth=1024\r\n");
    AppSetting setting;
    setting.Load();
    uint32_t w = 0, h = 0;
    setting.GetFullScreenSize(w, h);
    EXPECT_EQ(w, 1024u);
    ASSERT_TRUE(setting.Save());
    EXPECT_EQ(folder.Read("CONFIG.XML").substr(0, 8), "[root]\r\n");
    EXPECT_FALSE(std::filesystem::exists("config.xml.tmp"));
}

}  // namespace
