// Text conversions between UTF-8, wide text and CP932, sharing one buffer.
#include <gtest/gtest.h>

#include <string>

#include "engine/util/USStringConvert.h"

namespace {

TEST(StringConvert, RoundsThroughWideText) {
    struct {
        std::string utf8;
        std::string cp932;
    } cases[] = {
        {"", ""},
        {"GetRandInt", "GetRandInt"},
        {"雨宿り", "\x89\x4a\x8f\x68\x82\xe8"},
        {"ソース表示", "\x83\x5c\x81\x5b\x83\x58\x95\x5c\x8e\xa6"},  // 0x5C trail bytes stay.
        {std::string(3000, 'a') + "あ", std::string(3000, 'a') + "\x82\xa0"},  // Grows the buffer.
        {"x", "x"},  // And reuses it, shorter.
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.cp932, Utf8ToAnsi(c.utf8.c_str())) << c.utf8;
        WideString wide = Utf8ToWide(c.utf8.c_str());
        EXPECT_EQ(c.cp932, WideToAnsi(wide.c_str())) << c.utf8;
    }
    EXPECT_EQ(WideString(u"雨"), Utf8ToWide("雨"));
}

}  // namespace
