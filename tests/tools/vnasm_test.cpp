// The scenario assembler: word layout, labels, the string pool in CP932, operand modes, the message
// macro, its errors and warnings, and the files the code names.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/vnasm/Assembler.h"

namespace {

std::vector<uint32_t> Words(const vnasm::Output& out) {
    std::vector<uint32_t> w(out.code.size() / 4);
    std::memcpy(w.data(), out.code.data(), w.size() * 4);
    return w;
}

TEST(Vnasm, InstructionsLabelsAndOperandModes) {
    vnasm::Output out = vnasm::Assemble(R"(
    top: Push 5            ; comment
        Push [top]
        PopTo param[3]
        PopTo cfg[CFG_STOP_VOICE]
        JumpIfTrue top
        .word -1, 0x10, RESULT_CHOICE
        .float 1.5
    )");
    ASSERT_TRUE(out.Ok()) << out.errors.front();
    EXPECT_EQ(Words(out), (std::vector<uint32_t>{14, 0, 5, 14, 1, 0, 15, 2, 3, 15, 3, 7, 31, 0, 0xFFFFFFFF, 16, 4,
                                                 0x3FC00000}));
}

TEST(Vnasm, StringsArePooledAlignedSharedAndStoredAsCp932) {
    vnasm::Output out = vnasm::Assemble("SetMovieName \"あ\"\nSetMovieName \"movie\\\\op.mpg\"\nSetMovieName \"あ\"");
    ASSERT_TRUE(out.Ok());
    std::vector<uint32_t> w = Words(out);
    ASSERT_EQ(w.size(), 6u + 1 + 4);  // 3 instructions, "あ" + NUL in one word, "movie\op.mpg" + NUL in 4
    EXPECT_EQ(w[1], 24u);
    EXPECT_EQ(w[3], 28u);
    EXPECT_EQ(w[5], 24u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.code.data() + 24)), "\x82\xa0");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.code.data() + 28)), "movie\\op.mpg");
}

TEST(Vnasm, MessageMacroNumbersMessagesAndWaits) {
    vnasm::Output out = vnasm::Assemble("msg \"a\", \"b\", \"c\", \"d\"\nmsg \"a\", \"b\", \"c\", \"e\"");
    ASSERT_TRUE(out.Ok());
    std::vector<uint32_t> w = Words(out);
    EXPECT_EQ(std::vector<uint32_t>(w.begin(), w.begin() + 14),
              (std::vector<uint32_t>{102, 0, 99, w[3], w[4], w[5], w[6], 103, 1, 3, 0, 1, 1, 0}));
    EXPECT_EQ(w[15], 1u);  // second message number
}

TEST(Vnasm, MachinesHaveTheirOwnOpcodes) {
    vnasm::Output scene = vnasm::Assemble(".machine scene\nSetSceneEntry 8\n");
    vnasm::Output novel = vnasm::Assemble("LoadBGM \"a.ogg\"\n");
    ASSERT_TRUE(scene.Ok());
    ASSERT_TRUE(novel.Ok());
    EXPECT_EQ(Words(scene)[0], 44u);
    EXPECT_EQ(Words(novel)[0], 44u);
    EXPECT_FALSE(vnasm::Assemble("SetSceneEntry 8").Ok());
    EXPECT_FALSE(vnasm::Assemble(".machine scene\nMessage \"a\", \"b\", \"c\", \"d\"").Ok());
}

TEST(Vnasm, ErrorsNameTheLine) {
    struct Case {
        const char* source;
        const char* error;
    } cases[] = {
        {"Yield\nFrobnicate 1", "line 2: unknown instruction"},
        {"Jump", "line 1: Jump takes 1 operands"},
        {"Jump nowhere", "line 1: unknown label or symbol 'nowhere'"},
        {"a: Yield\na: Yield", "line 2: label 'a' defined twice"},
        {"SetMovieName 5", "line 1: string expected"},
        {"Push \"x\"", "line 1: number or label expected"},
        {"SetMovieName \"😀\"", "line 1: text has characters without a CP932 code"},
        {"SetMovieName \"open", "line 1: string not terminated"},
        {".word 99999999999", "line 1: number expected"},
    };
    for (const Case& k : cases) {
        vnasm::Output out = vnasm::Assemble(k.source);
        ASSERT_FALSE(out.Ok()) << k.source;
        EXPECT_EQ(out.errors.front().rfind(k.error, 0), 0u) << out.errors.front();
        EXPECT_TRUE(out.code.empty());
    }
}

// Traps of a new author: a line break hidden in a path, and msg numbers that collide with read marks
// given before. The code is still made; the warning names the line.
TEST(Vnasm, WarnsOfLineBreaksInFileNamesAndReusedMessageNumbers) {
    struct Case {
        const char* source;
        const char* warning;  // null: none
    } cases[] = {
        {"LoadBGM \"bgm\\next.ogg\"", "line 1: file name \"bgm\\next.ogg\" holds a line break"},
        {".machine scene\nx: .word SCENE_NOVEL, \"scenario\\next.bin\"", "line 2: file name"},
        {"LoadBGM \"bgm\\\\next.ogg\"", nullptr},
        {"msg \"\", \"\", \"\", \"one\\ntwo\"", nullptr},
        {"SetMessageNumber 4\nmsg \"\", \"\", \"\", \"a\"", "line 2: msg numbers this line 0 though message 4"},
        {"msg \"\", \"\", \"\", \"a\"\nmsg \"\", \"\", \"\", \"b\"", nullptr},
        {"msg \"\", \"\", \"\", \"a\"\nSetMessageNumber 9\nmsg \"\", \"\", \"\", \"b\"", "line 3: msg numbers this line 1"},
    };
    for (const Case& k : cases) {
        vnasm::Output out = vnasm::Assemble(k.source);
        ASSERT_TRUE(out.Ok()) << k.source;
        if (!k.warning) {
            EXPECT_TRUE(out.warnings.empty()) << k.source << ": " << out.warnings.front();
            continue;
        }
        ASSERT_EQ(out.warnings.size(), 1u) << k.source;
        EXPECT_EQ(out.warnings.front().rfind(k.warning, 0), 0u) << out.warnings.front();
    }
}

TEST(Vnasm, ListsTheFilesTheCodeNames) {
    vnasm::Output novel = vnasm::Assemble(
        "LoadSingleTexture 0, \"image\\bg\\a.png\"\nmsg \"ハル\", \"haru\", \"voice\\h1.ogg\", \"text.png\"\n"
        "msg \"\", \"\", \"\", \"x\"\nLoadSingleTexture 1, \"image\\bg\\a.png\"\nSetCGShown \"cg\\a.png\"");
    ASSERT_TRUE(novel.Ok());
    EXPECT_EQ(novel.files, (std::vector<std::string>{"image\\bg\\a.png", "voice\\h1.ogg"}));
    vnasm::Output scene = vnasm::Assemble(".machine scene\nm: .word SCENE_MOVIE, \"movie\\op.mpg\", \"not a path\"");
    ASSERT_TRUE(scene.Ok());
    EXPECT_EQ(scene.files, (std::vector<std::string>{"movie\\op.mpg"}));
}

TEST(Vnasm, IncludedFilesShareLabelsAndReportTheirLines) {
    const std::map<std::string, std::string> files = {
        {"common.vns", "helper: Return\n"},
        {"broken.vns", "Yield\nJump\n"},
        {"loop.vns", ".include \"loop.vns\"\n"},
    };
    vnasm::IncludeReader reader = [&](const std::string& name) -> std::optional<std::string> {
        auto it = files.find(name);
        if (it == files.end()) return std::nullopt;
        return it->second;
    };
    vnasm::Output out = vnasm::Assemble("Call helper\nYield\n.include \"common.vns\"", VCOpcodes::kNovel, reader);
    ASSERT_TRUE(out.Ok());
    EXPECT_EQ(Words(out), (std::vector<uint32_t>{4, 12, 0, 5}));
    struct Case {
        const char* source;
        const char* error;
    } cases[] = {
        {"Yield\n.include \"broken.vns\"", "broken.vns line 2: Jump takes 1 operands"},
        {".include \"gone.vns\"", "line 1: cannot read gone.vns"},
        {".include \"loop.vns\"", "loop.vns line 1: .include nested too deeply"},
    };
    for (const Case& k : cases) {
        vnasm::Output bad = vnasm::Assemble(k.source, VCOpcodes::kNovel, reader);
        ASSERT_FALSE(bad.Ok()) << k.source;
        EXPECT_EQ(bad.errors.front().rfind(k.error, 0), 0u) << bad.errors.front();
    }
}

}  // namespace
