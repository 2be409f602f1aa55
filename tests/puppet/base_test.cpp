// Puppet base types: the growable array, strings and their hash, the byte buffer, start-up.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "puppet/ByteBuffer.h"
#include "puppet/PPString.h"
#include "puppet/PPVector.h"
#include "puppet/Puppet.h"
#include "puppet/Ut.h"
#include "puppet/Value.h"

using namespace puppet;

TEST(PPVectorTest, GrowsToTenThenDoubles) {
    PPVector<int> v;
    for (int i = 0; i < 10; ++i) v.push_back(i);
    EXPECT_EQ(v.capacity(), 10);
    v.push_back(10);
    EXPECT_EQ(v.capacity(), 20);
    EXPECT_EQ(v[10], 10);
}

TEST(PPVectorTest, IndexOutsideReportsAndTouchesNothing) {
    PPVector<int> v;
    v.push_back(7);
    testing::internal::CaptureStdout();
    v[5] = 99;
    EXPECT_EQ(v.at(-1, 3), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "out of bounds error1@PPVector\nout of bounds error3@PPVector\n");
    EXPECT_EQ(v.size(), 1);
    EXPECT_EQ(v[0], 7);
}

TEST(PPStringTest, HashAndEquality) {
    PPString abc("abc");
    EXPECT_EQ(abc.length(), 3);
    EXPECT_EQ(abc.hash(), 98274);
    EXPECT_TRUE(abc.equals(PPString("abc")));
    EXPECT_FALSE(abc.equals(PPString("abd")));
    EXPECT_TRUE(abc.equals("abc"));
    EXPECT_FALSE(abc.equals("ab"));
    EXPECT_EQ(PPString().hash(), -1);
    PPString joined = PPString("ab") + "c";
    EXPECT_TRUE(joined.equals(abc));
    EXPECT_EQ(joined.hash(), 98274);
}

TEST(ByteBufferTest, ReadsBigEndianAndRecordsRangeErrors) {
    const uint8_t bytes[] = {0x12, 0x34, 0x56};
    ByteBuffer short3(bytes, 3, false);
    EXPECT_EQ(short3.readInt(), 0);
    ASSERT_EQ(short3.errors().size(), 1);
    EXPECT_STREQ(short3.errors()[0].c_str(), "[0] range error");
    EXPECT_EQ(short3.readByte(), 0x12);  // the failed read consumed nothing

    const uint8_t four[] = {0x3F, 0x80, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFE};
    ByteBuffer b(four, 8, false);
    EXPECT_EQ(b.readFloat(), 1.0f);
    EXPECT_EQ(b.readInt(), -2);
    EXPECT_TRUE(b.errors().empty());
}

TEST(UtStringTest, StrToFloatCases) {
    struct Case {
        const char* text;
        float value;
        int end;
    } cases[] = {{"12.25", 12.25f, 5}, {"-3", -3.0f, 2}, {"-", -0.0f, 1}, {"1.5.2", 1.5f, 3},
                 {".2", 0.2f, 2},      {"7x", 7.0f, 1},  {"+1", 0.0f, 0}, {"1e5", 1.0f, 1}};
    for (const Case& c : cases) {
        int end = -1;
        float v = UtString::strToFloat(c.text, static_cast<int>(strlen(c.text)), 0, &end);
        EXPECT_FLOAT_EQ(v, c.value) << c.text;
        EXPECT_EQ(end, c.end) << c.text;
    }
    int end = 0;
    EXPECT_TRUE(std::signbit(UtString::strToFloat("-", 1, 0, &end)));
}

TEST(UtMotionTest, EasingSine) {
    EXPECT_EQ(UtMotion::getEasingSine(-0.5f), 0.0f);
    EXPECT_EQ(UtMotion::getEasingSine(1.5f), 1.0f);
    EXPECT_NEAR(UtMotion::getEasingSine(0.5f), 0.5f, 1e-4);
    EXPECT_NEAR(UtMotion::getEasingSine(0.25f), 0.5f - 0.5f * std::cos(0.25f * 3.1415f), 1e-7);
}

TEST(PuppetInitTest, BannerOnceAndSharedValues) {
    // The banner is shown once per process: two starts in a fresh process print it exactly once.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Puppet::init();
            Puppet::init();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "^Puppet version 0\\.9\\.00RC2 for DirectX\n+$");
    Puppet::init();
    ASSERT_NE(Value::ERROR_VALUE, nullptr);
    EXPECT_TRUE(Value::ERROR_VALUE->isError());
    EXPECT_TRUE(Value::TRUE_VALUE->toBoolean());
    EXPECT_STREQ(Value::NULL_VALUE->toString().c_str(), "NullValue");
}
