// The virtual file system: loose files before archive entries, archive override by file time,
// skipped and damaged archives, the three load kinds, streams and the existence test.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/files/USFile.h"
#include "engine/files/USFileArchiveSystem.h"
#include "support/ScratchDir.h"
#include "tools/arcpack/ArcWriter.h"

namespace {

const char kKey[] = "qT7mRw2Z";
// The log line of a file that cannot be read, around a name.
std::string LoadFailedLine(const std::string& name) { return "ファイル[" + name + "]の読み込みに失敗\n"; }

std::vector<unsigned char> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<unsigned char> Archive(const std::vector<std::pair<std::string, std::string>>& entries,
                                   bool compress = false) {
    std::vector<arcpack::Entry> list;
    for (const auto& [name, data] : entries) list.push_back({name, Bytes(data)});
    return arcpack::BuildArchive(list, kKey, compress);
}

void Mount(bool archiveFirst = false) { USFileArchiveSystem::GetInstance()->Init(kKey, archiveFirst, true); }

enum class Kind { Load, LoadText, LoadShared };

// Loads name with the given kind; the image as a string, or "<null>".
std::string LoadAs(Kind kind, const char* name) {
    CUSFile file;
    unsigned char* data = kind == Kind::Load       ? file.Load(name)
                          : kind == Kind::LoadText ? file.LoadText(name)
                                                   : file.LoadShared(name);
    if (!data) return "<null>";
    EXPECT_EQ(data, file.data);
    if (kind == Kind::LoadText) {
        EXPECT_EQ(0, file.data[file.size]) << name;
    }
    EXPECT_EQ(kind == Kind::LoadShared ? 0u : 1u, file.owned);
    return std::string(reinterpret_cast<char*>(file.data), file.size);
}

class ArchiveTest : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override { dir.OpenLog(); }
    void TearDown() override { USFileArchiveSystem::GetInstance()->Init(kKey, false, false); }
    ScratchDir dir;
};

TEST_P(ArchiveTest, LooseFileComesBeforeTheEntryUnlessMountedArchiveFirst) {
    dir.Write("data.arc", Archive({{"se\\a.txt", "from the archive"}, {"b.txt", "only in the archive"}}));
    dir.Write("se/a.txt", "loose");
    Mount(false);
    EXPECT_EQ("loose", LoadAs(GetParam(), "se\\a.txt"));
    EXPECT_EQ("only in the archive", LoadAs(GetParam(), "b.txt"));
    Mount(true);
    EXPECT_EQ("from the archive", LoadAs(GetParam(), "se\\a.txt"));
    dir.Write("c.txt", "loose only");
    EXPECT_EQ("loose only", LoadAs(GetParam(), "c.txt"));
}

TEST_P(ArchiveTest, CompressedAndStoredEntriesReadBackWhole) {
    const std::string text(5000, 'x');
    const std::string shortText = "sixteen bytes!!!";  // Too short for the encoder: stored as is.
    std::string mixed;
    for (int i = 0; i < 3000; ++i) mixed += "line " + std::to_string(i % 37) + "\r\n";
    dir.Write("data.arc", Archive({{"t.txt", text}, {"s.txt", shortText}, {"m.txt", mixed}}, true));
    Mount();
    EXPECT_EQ(text, LoadAs(GetParam(), "t.txt"));
    EXPECT_EQ(shortText, LoadAs(GetParam(), "s.txt"));
    EXPECT_EQ(mixed, LoadAs(GetParam(), "m.txt"));
    // Entry names are byte-exact: another letter case is not the entry.
    EXPECT_EQ("<null>", LoadAs(GetParam(), "T.TXT"));
    EXPECT_EQ(LoadFailedLine("T.TXT"), dir.Log());
}

INSTANTIATE_TEST_SUITE_P(Kinds, ArchiveTest, ::testing::Values(Kind::Load, Kind::LoadText, Kind::LoadShared));

struct ArcFile {
    std::string file;
    std::time_t mtime;
    std::vector<std::pair<std::string, std::string>> entries;
};

struct OverrideCase {
    const char* what;
    std::vector<ArcFile> archives;
    std::string expected;  // What "x.bin" reads as.
};

class OverrideTest : public ::testing::TestWithParam<OverrideCase> {};

TEST_P(OverrideTest, NameHeldBySeveralArchives) {
    ScratchDir dir;
    for (const ArcFile& a : GetParam().archives) {
        dir.Write(a.file, Archive(a.entries));
        dir.SetMTime(a.file, a.mtime);
    }
    Mount();
    EXPECT_EQ(GetParam().expected, LoadAs(Kind::Load, "x.bin")) << GetParam().what;
    USFileArchiveSystem::GetInstance()->Init(kKey, false, false);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OverrideTest,
    ::testing::Values(
        OverrideCase{"newer archive wins though listed first",
                     {{"a.arc", 2000, {{"x.bin", "a"}}}, {"b.arc", 1000, {{"x.bin", "b"}}}},
                     "a"},
        OverrideCase{"newer archive wins when listed last",
                     {{"a.arc", 1000, {{"x.bin", "a"}}}, {"b.arc", 2000, {{"x.bin", "b"}}}},
                     "b"},
        OverrideCase{"equal times: the one listed later",
                     {{"a.arc", 1000, {{"x.bin", "a"}}}, {"b.arc", 1000, {{"x.bin", "b"}}}},
                     "b"},
        OverrideCase{"listing order ignores letter case",
                     {{"B.arc", 1000, {{"x.bin", "B"}}}, {"a.arc", 1000, {{"x.bin", "a"}}}},
                     "B"},
        OverrideCase{"the later entry of one archive",
                     {{"a.arc", 1000, {{"x.bin", "first"}, {"y.bin", "y"}, {"x.bin", "second"}}}},
                     "second"},
        OverrideCase{"other file types are not mounted",
                     {{"a.arc", 1000, {{"x.bin", "a"}}}, {"b.arc.bak", 2000, {{"x.bin", "b"}}}},
                     "a"}));

TEST(ArchiveMount, WrongMagicSkipsTheArchiveAndKeepsTheOthers) {
    ScratchDir dir;
    dir.OpenLog();
    dir.Write("a.arc", Archive({{"x.bin", "good"}}));
    dir.SetMTime("a.arc", 1000);
    std::vector<unsigned char> bad = Archive({{"x.bin", "bad"}, {"only.bin", "bad"}});
    bad[15] = 'X';
    dir.Write("b.arc", bad);
    dir.SetMTime("b.arc", 2000);
    Mount();
    EXPECT_EQ("good", LoadAs(Kind::Load, "x.bin"));
    EXPECT_EQ("<null>", LoadAs(Kind::Load, "only.bin"));
    EXPECT_FALSE(USFileArchiveSystem::GetInstance()->LoadArchiveIndex("b.arc"));
    EXPECT_TRUE(USFileArchiveSystem::GetInstance()->LoadArchiveIndex("a.arc"));
    EXPECT_FALSE(USFileArchiveSystem::GetInstance()->LoadArchiveIndex("missing.arc"));
    USFileArchiveSystem::GetInstance()->Init(kKey, false, false);
}

// Damage done to an archive of two entries (a compressed one, then a stored one).
struct Damage {
    const char* what;
    std::size_t cutAt;            // Truncate to this size (0: keep the size).
    std::size_t patchAt;          // Overwrite 4 bytes here with patch (when patch is not 0).
    std::uint32_t patch;
    bool firstReadable;           // Whether "first.txt" still reads back right.
    bool secondReadable;
};

class DamageTest : public ::testing::TestWithParam<Damage> {};

TEST_P(DamageTest, GivesTheLoggedFailureNeverACrash) {
    ScratchDir dir;
    dir.OpenLog();
    std::string first;
    for (int i = 0; i < 200; ++i) first += "abcabcabd" + std::to_string(i);
    const std::string second = "the second entry, stored";
    std::vector<unsigned char> arc = Archive({{"first.txt", first}, {"second.txt", second}}, true);
    const Damage& d = GetParam();
    if (d.patch) std::memcpy(&arc[d.patchAt], &d.patch, 4);
    if (d.cutAt) arc.resize(d.cutAt);
    dir.Write("data.arc", arc);
    Mount();
    for (Kind kind : {Kind::Load, Kind::LoadText, Kind::LoadShared}) {
        std::string got = LoadAs(kind, "first.txt");
        if (d.firstReadable) {
            EXPECT_EQ(first, got) << d.what;
        } else if (got != "<null>") {
            EXPECT_EQ(first.size(), got.size()) << d.what;  // Damaged data may decode to other bytes.
        }
        EXPECT_EQ(d.secondReadable ? second : "<null>", LoadAs(kind, "second.txt")) << d.what;
    }
    if (!d.secondReadable) {
        EXPECT_NE(std::string::npos, dir.Log().find(LoadFailedLine("second.txt"))) << d.what;
    }
    USFileArchiveSystem::GetInstance()->Init(kKey, false, false);
}

// Layout: magic 16 | header 20 | "first.txt" 9 | data F | header 20 | "second.txt" 10 | data 24 | end 20.
// Offsets after the first entry's data depend on its compressed size, so cuts count from the end.
constexpr std::size_t kEnd = 20, kSecondData = 24, kSecondName = 10;
std::vector<Damage> Damages() {
    ScratchDir probe;  // Only to learn the archive's size.
    std::string first;
    for (int i = 0; i < 200; ++i) first += "abcabcabd" + std::to_string(i);
    std::size_t size =
        Archive({{"first.txt", first}, {"second.txt", "the second entry, stored"}}, true).size();
    std::size_t second = size - kEnd - kSecondData - kSecondName - 20;
    return {
        {"cut in the second header", second + 7, 0, 0, true, false},
        {"cut in the second name", second + 24, 0, 0, true, false},
        {"cut in the second data", size - kEnd - 3, 0, 0, true, false},
        {"no end marker", size - kEnd, 0, 0, true, true},
        {"cut in the first data", 16 + 20 + 9 + 10, 0, 0, false, false},
        {"cut in the first header", 20, 0, 0, false, false},
        {"second name length past the end", 0, second + 8, 0x7FFFFFF0u, true, false},
        {"second stored size past the end", 0, second, 0x7FFFFFF0u, true, false},
        {"first unpacked size far beyond its code", 0, 16 + 4, 0x40000000u, false, true},
        {"first unpacked size a little beyond its code", 0, 16 + 4, 0x2000u, false, true},
        {"first stored size too small for its code", 0, 16, 4, false, false},
    };
}

INSTANTIATE_TEST_SUITE_P(Cases, DamageTest, ::testing::ValuesIn(Damages()));

TEST(ArchiveMount, ArchiveFileExistsKnowsEntriesAndLooseFilesButNotFolders) {
    ScratchDir dir;
    dir.Write("data.arc", Archive({{"scenario\\ch1.bin", "code"}}));
    dir.Write("bgm/title.ogg", "ogg");
    Mount();
    struct {
        const char* name;
        bool exists;
    } cases[] = {
        {"scenario\\ch1.bin", true}, {"bgm\\title.ogg", true}, {"BGM\\Title.OGG", true},
        {"bgm", false},              {"Scenario\\ch1.bin", false}, {"missing.bin", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.exists, ArchiveFileExists(c.name)) << c.name;
    USFileArchiveSystem::GetInstance()->Init(kKey, false, false);
}

TEST(FileStream, OpensLooseFilesOnlyAndClosesOnReopen) {
    ScratchDir dir;
    dir.Write("data.arc", Archive({{"se\\in_archive.ogg", "archived"}}));
    dir.Write("bgm/a.ogg", "first");
    dir.Write("bgm/b.ogg", "second");
    Mount();
    CUSFile file;
    EXPECT_FALSE(file.OpenStream("se\\in_archive.ogg"));
    EXPECT_FALSE(file.OpenStream("bgm"));
    ASSERT_TRUE(file.OpenStream("bgm\\a.ogg"));
    ASSERT_TRUE(file.OpenStream("BGM\\B.ogg"));
    EXPECT_TRUE(file.streamMode);
    char buf[16] = {};
    EXPECT_EQ(6u, std::fread(buf, 1, sizeof buf, file.stream));
    EXPECT_STREQ("second", buf);
    USFileArchiveSystem::GetInstance()->Init(kKey, false, false);
}

TEST(FileLoad, EmptyLooseFileLoadsAsAnEmptyImage) {
    ScratchDir dir;
    dir.Write("empty.as", "");
    CUSFile file;
    ASSERT_NE(nullptr, file.LoadText("empty.as"));
    EXPECT_EQ(0u, file.size);
    EXPECT_EQ(0, file.data[0]);
}

}  // namespace
