// The archive packer: the exact bytes of a small archive, and the command-line tool's archives as
// the engine mounts them (directory trees, '\' names, CP932 names, LZSS, NAME=FILE overrides).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/files/USFile.h"
#include "engine/files/USFileArchiveSystem.h"
#include "support/ScratchDir.h"
#include "tools/arcpack/ArcWriter.h"

namespace {

TEST(ArcWriter, WritesTheArchiveLayoutByteForByte) {
    std::vector<arcpack::Entry> entries{{"a\\b", {'x', 'y', 'z'}}};
    // Stored bytes "xyz" XOR "AB" repeating: 'x'^'A', 'y'^'B', 'z'^'A'.
    std::vector<unsigned char> expected{'B', 'R', 'A', 'M', 'B', 'L', 'E', '_', 'A', 'R', 'C', '_', 'F', 'I', 'L', 'E',
                                        3, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        'a', '\\', 'b', 'x' ^ 'A', 'y' ^ 'B', 'z' ^ 'A',
                                        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(expected, arcpack::BuildArchive(entries, "AB", false));
    EXPECT_THROW(arcpack::BuildArchive({{"empty", {}}}, "AB", false), std::invalid_argument);
}

TEST(ArcpackTool, PacksATreeTheEngineMounts) {
    ScratchDir dir;
    std::string text;
    for (int i = 0; i < 500; ++i) text += "repeated text " + std::to_string(i % 10) + "\n";
    dir.Write("src/image/bg/title.png", "png bytes");
    dir.Write("src/AS/InitSystem.as", text);
    dir.Write("src/台本.txt", "script");  // Stored under its CP932 name.
    dir.Write("patch.bin", "patched");
    std::string command = std::string(ARCPACK_PATH) +
                          " --key qT7mRw2Z --lzss --out data.arc --dir src scenario/ch2.bin=patch.bin"
                          " AS/InitSystem.as=patch.bin";
    ASSERT_EQ(0, std::system(command.c_str()));
    USFileArchiveSystem::GetInstance()->Init("qT7mRw2Z", false, true);
    struct {
        const char* name;
        std::string content;
    } cases[] = {
        {"image\\bg\\title.png", "png bytes"},
        {"\x91\xe4\x96\x7b.txt", "script"},
        {"scenario\\ch2.bin", "patched"},
        {"AS\\InitSystem.as", "patched"},  // The later entry of the same name wins.
    };
    for (const auto& c : cases) {
        CUSFile file;
        ASSERT_NE(nullptr, file.Load(c.name)) << c.name;
        EXPECT_EQ(c.content, std::string(reinterpret_cast<char*>(file.data), file.size)) << c.name;
    }
    const auto* record = USFileArchiveSystem::GetInstance()->Find("image\\bg\\title.png");
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(0u, record->unpackedSize);  // Too short to compress.
    USFileArchiveSystem::GetInstance()->Init("qT7mRw2Z", false, false);
}

TEST(ArcpackTool, TheBuildMakesArchivesFromFolders) {
    ScratchDir dir;
    std::filesystem::copy_file(ARCPACK_FIXTURE, dir.Path() + "/data.arc");
    USFileArchiveSystem::GetInstance()->Init("qT7mRw2Z", false, true);
    for (const char* name : {"AS/inc/ui.as", "scenario/ch1.txt"}) {
        std::ifstream source(std::string(ARCPACK_FIXTURE_SOURCE) + "/" + name, std::ios::binary);
        std::string expected((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
        std::string entry = name;
        std::replace(entry.begin(), entry.end(), '/', '\\');
        CUSFile file;
        ASSERT_NE(nullptr, file.LoadText(entry.c_str())) << entry;
        EXPECT_EQ(expected, reinterpret_cast<char*>(file.data)) << entry;
    }
    EXPECT_NE(0u, USFileArchiveSystem::GetInstance()->Find("scenario\\ch1.txt")->unpackedSize);
    USFileArchiveSystem::GetInstance()->Init("qT7mRw2Z", false, false);
}

TEST(ArcpackTool, RefusesBadArguments) {
    ScratchDir dir;
    dir.Write("empty.txt", "");
    const std::string tool = ARCPACK_PATH;
    for (const std::string args : {" --out x.arc a=empty.txt", " --key k a=empty.txt", " --key k --out x.arc a=empty.txt",
                                   " --key k --out x.arc a=missing.txt", " --key k --out x.arc --bogus"}) {
        EXPECT_NE(0, std::system((tool + args + " 2>/dev/null").c_str())) << args;
    }
}

}  // namespace
