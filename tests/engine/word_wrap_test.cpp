// Word wrap: widths in bytes, double-byte characters kept whole, characters pulled back onto the
// previous line or carried to the next one, explicit breaks, separators.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine/util/WordWrapManager.h"

namespace {

std::string Sjis(const char* utf8) { return win32::Utf8ToCp932(utf8); }

TEST(WordWrapTest, WrapsAsTheLineBreakingRulesSay) {
    const struct {
        const char* name;
        int width;
        unsigned pullBack;
        const char* text;      // UTF-8, given to the wrapper as Shift-JIS
        const char* expected;  // UTF-8, lines separated by "|"
    } cases[] = {
        {"six double-byte letters", 10, 14, "あいうえおか", "あいうえお|か"},
        {"full stop pulled back", 10, 14, "あいうえお。かき", "あいうえお。|かき"},
        {"previous line too long to take it", 10, 10, "あいうえお。かき", "あいうえお|。かき"},
        {"several pulled back while short enough", 10, 14, "あいうえお。」か", "あいうえお。」|か"},
        {"pull back stops at the limit", 10, 12, "あいうえお。」か", "あいうえお。|」か"},
        {"opening bracket carried over", 10, 14, "あいうえ「か", "あいうえ|「か"},
        {"single bytes close at the width", 10, 14, "abcdefghijk", "abcdefghij|k"},
        {"double byte at width - 1 stays whole", 10, 14, "abcdefghiあb", "abcdefghiあ|b"},
        {"explicit break restarts the count", 10, 14, "あい\nうえおかきく", "あい|うえおかき|く"},
        {"pulled back across an explicit break", 10, 14, "abc\n。", "abc。"},
        {"trailing break adds no empty line", 10, 14, "abc\n", "abc"},
        {"two breaks are two empty lines", 10, 14, "\n\n", "|"},
        {"empty text", 10, 14, "", ""},
        {"first line never pulls back", 10, 14, "。あ", "。あ"},
    };
    for (const auto& c : cases) {
        CWordWrapManager wrap;
        wrap.SetString("|");
        wrap.SetLineWidth(c.width);
        wrap.SetPullBackLimit(c.pullBack);
        EXPECT_EQ(wrap.WrapText(Sjis(c.text).c_str()), Sjis(c.expected)) << c.name;
    }
}

TEST(WordWrapTest, SeparatorIsNewlineAndSetsGrow) {
    CWordWrapManager wrap;
    wrap.SetLineWidth(10);
    wrap.SetPullBackLimit(14);
    std::string text = Sjis("あいうえおーか");
    EXPECT_EQ(wrap.WrapText(text.c_str()), Sjis("あいうえお\nーか"));
    wrap.SetNoLineStartChars(Sjis("ーー").c_str());
    EXPECT_EQ(wrap.WrapText(text.c_str()), Sjis("あいうえおー\nか"));
    wrap.SetNoLineEndChars("x");
    EXPECT_EQ(wrap.WrapText("abcdefghixy"), std::string("abcdefghi\nxy"));
}

TEST(WordWrapTest, WithoutWidthsOnlyExplicitBreaksSplit) {
    CWordWrapManager wrap;
    std::string text = Sjis("あいうえおかきくけこさしすせそ\nた");
    EXPECT_EQ(wrap.WrapText(text.c_str()), text);
}

TEST(WordWrapTest, NextCharStepsOverShiftJisCharacters) {
    const struct {
        std::string text;
        std::vector<std::string> chars;
    } cases[] = {
        {"a\x82\xa0" "b", {"a", "\x82\xa0", "b"}},
        {"\xe0\x40\x7f", {"\xe0\x40", "\x7f"}},
        {std::string("x\x82"), {"x", std::string("\x82\0", 2)}},  // A lead byte takes the terminating NUL.
        {"", {}},
    };
    for (const auto& c : cases) {
        size_t position = 0;
        std::string ch;
        std::vector<std::string> got;
        while (int n = CWordWrapManager::GetNextChar(c.text.c_str(), position, ch)) {
            EXPECT_EQ(static_cast<size_t>(n), ch.size());
            got.push_back(ch);
        }
        EXPECT_EQ(got, c.chars);
        EXPECT_EQ(CWordWrapManager::GetNextChar(c.text.c_str(), position, ch), 0);
    }
    // A trailing lead byte ends the text without reading past it.
    CWordWrapManager wrap;
    EXPECT_STREQ(wrap.WrapText("ab\x82"), "ab\x82");
}

}  // namespace
