// Path utilities: Shift-JIS-aware splitting and joining, extensions, and the existence test.
#include <gtest/gtest.h>

#include "engine/files/USPath.h"
#include "support/ScratchDir.h"

namespace {

struct Case {
    std::string in;
    std::string out;
};

// "ソ" is 0x83 0x5C in CP932: its trail byte is the code of '\'.
const std::string kSo = "\x83\x5C";

TEST(USPath, GetDirectoryPart) {
    Case cases[] = {
        {"C:\\game\\bgm\\a.ogg", "C:\\game\\bgm\\"},
        {"dir\\" + kSo + ".txt", "dir\\"},
        {kSo + "\\" + kSo, kSo + "\\"},
        {"x" + kSo + "y", "x" + kSo + "y"},  // No real separator: whole.
        {"\\a.txt", "\\a.txt"},              // The only '\' is the first byte: whole.
        {"a.txt", "a.txt"},
        {"a/b.txt", "a/b.txt"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.out, GetDirectoryPart(c.in)) << c.in;
}

TEST(USPath, GetFileExtension) {
    Case cases[] = {
        {"bgm\\a.ogg", "ogg"}, {".ogg", ""},      {"a.", ""},           {"noext", "noext"},
        {"a.b.wav", "wav"},    {"x.ogg", ""},     {"ab.c", "c"},        {"dir.d\\file", "d\\file"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.out, GetFileExtension(c.in)) << c.in;
}

TEST(USPath, ToBackslashPathKeepsTrailBytes) {
    Case cases[] = {
        {"a/b/c", "a\\b\\c"},
        {"\x83/x", "\x83/x"},  // '/' as a trail byte is part of the character (0x83 leads).
        {kSo + "/" + kSo, kSo + "\\" + kSo},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.out, ToBackslashPath(c.in)) << c.in;
}

TEST(USPath, RemoveLastPathSegment) {
    Case cases[] = {
        {"C:\\a\\b\\", "C:\\a\\"},
        {"C:\\", "C:\\"},
        {"\\\\server\\", "\\\\server\\"},
        {"C:\\" + kSo + "\\", "C:\\"},
        {"C:\\a\\b", "C:\\a\\b"},  // Not ending in '\': unchanged.
    };
    for (const Case& c : cases) EXPECT_EQ(c.out, RemoveLastPathSegment(c.in)) << c.in;
}

TEST(USPath, BuildPath) {
    struct {
        std::string base, rel, out;
    } cases[] = {
        {"C:\\game\\", "log.txt", "C:\\game\\log.txt"},
        {"C:\\game", "movie/op.mpg", "C:\\game\\movie\\op.mpg"},
        {"C:\\game\\sub\\", "..\\a.txt", "C:\\game\\a.txt"},
        {"C:\\game\\sub\\", ".\\..\\..\\a.txt", "C:\\a.txt"},
        {"C:\\game\\", "\\a.txt", "C:\\game\\a.txt"},
        {"C:\\game\\", "D:\\other\\a.txt", "D:\\other\\a.txt"},
        {"C:\\game\\", "\\\\server\\share\\a", "\\\\server\\share\\a"},
        {"C:\\" + kSo + "\\", "..\\x", "C:\\x"},
        {"C:\\", "..\\..\\x", "C:\\x"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.out, BuildPath(c.base, c.rel)) << c.base << " + " << c.rel;
}

TEST(USPath, PathExistsTellsFilesFromFolders) {
    ScratchDir dir;
    dir.Write("save/q.sav", "x");
    struct {
        const char* path;
        bool wantDirectory;
        bool exists;
    } cases[] = {
        {"save\\q.sav", false, true}, {"save\\q.sav", true, false}, {"save", true, true},
        {"save", false, false},       {"SAVE\\Q.SAV", false, true}, {"save\\none", false, false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.exists, PathExists(c.path, c.wantDirectory)) << c.path;
}

}  // namespace
