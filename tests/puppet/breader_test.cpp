// The model file reader: number encodings, bits, tags, back-references, identifiers, class
// numbers, the header and end mark, and malformed files.
#include <gtest/gtest.h>

#include "puppet/BReader.h"
#include "puppet/Geometry.h"
#include "puppet/ID.h"
#include "puppet/ModelData.h"
#include "puppet/support/PuppetTestModel.h"
#include "tools/puppet_writer/PuppetWriter.h"

using namespace puppet;
using puppet_writer::BWriter;

namespace {
BReader readerOf(const std::vector<uint8_t>& bytes) {
    return BReader(bytes.data(), static_cast<int>(bytes.size()), false);
}

const char* kSmallModel = R"(
param PARAM_A -30 30 0
part PARTS_A
mesh M_A DST_BASE 0
pivots PARAM_A -30 30
order 500 500
opacity 1 1
uv 0 0 1 0 0 1
triangles 0 1 2
corner 0 0 1 0 0 1
corner 2 2 3 2 2 3
)";
}  // namespace

TEST(BReaderTest, NumEncodings) {
    struct Case {
        std::vector<uint8_t> bytes;
        int value;
        bool error;
    } cases[] = {
        {{0x05}, 5, false},
        {{0x81, 0x00}, 128, false},
        {{0x81, 0x80, 0x00}, 16384, false},
        {{0xFF, 0xFF, 0xFF, 0x7F}, 268435455, false},
        {{0x80, 0x80, 0x80, 0x80}, 0, true},
        {{0x81}, 128, true},  // the missing second byte reads as 0
    };
    for (const Case& c : cases) {
        BReader br = readerOf(c.bytes);
        EXPECT_EQ(br.readNum(), c.value);
        EXPECT_EQ(br.errors().size() > 0, c.error);
        if (c.error && c.bytes.size() == 4) {
            EXPECT_NE(strstr(br.errors()[0].c_str(), "readNum error"), nullptr);
        }
    }
    // The writer's encoding reads back across the group boundaries.
    for (uint32_t v : {0u, 127u, 128u, 16383u, 16384u, 2097151u, 2097152u, 268435455u}) {
        BWriter w;
        w.num(v);
        BReader br = readerOf(w.bytes);
        EXPECT_EQ(br.readNum(), static_cast<int>(v));
    }
}

TEST(BReaderTest, BitsThenAlignedInt) {
    std::vector<uint8_t> bytes = {0b10100000, 0x00, 0x00, 0x01, 0x02};
    BReader br = readerOf(bytes);
    EXPECT_EQ(br.readBit(), 1);
    EXPECT_EQ(br.readBit(), 0);
    EXPECT_EQ(br.readBit(), 1);
    EXPECT_EQ(br.readInt(), 0x0102);
}

TEST(BReaderTest, DoubleAndFloatArrays) {
    BWriter w;
    w.num(27);
    w.floatArray({1.5f, -2.0f});
    w.num(26);
    w.num(1);
    for (uint8_t b : {0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18}) w.byte(b);  // pi
    BReader br = readerOf(w.bytes);
    auto* floats = dynamic_cast<FloatArray*>(br.readNextObject());
    ASSERT_NE(floats, nullptr);
    ASSERT_EQ(floats->values.size(), 2);
    EXPECT_EQ(floats->values[1], -2.0f);
    auto* doubles = dynamic_cast<DoubleArray*>(br.readNextObject());
    ASSERT_NE(doubles, nullptr);
    EXPECT_DOUBLE_EQ(doubles->values[0], 3.141592653589793);
}

TEST(BReaderTest, ArrayCountBeyondTwiceTheFileIsRefused) {
    BWriter w;
    w.num(27);
    w.num(100);  // a 6-byte stream cannot hold 100 floats, and 100 > 2 × 6
    w.int32(0);
    BReader br = readerOf(w.bytes);
    auto* floats = dynamic_cast<FloatArray*>(br.readNextObject());
    ASSERT_NE(floats, nullptr);
    EXPECT_TRUE(floats->values.empty());
    ASSERT_GE(br.errors().size(), 1);
    EXPECT_NE(strstr(br.errors()[0].c_str(), "illegal size of array"), nullptr);
}

TEST(BReaderTest, FieldsOfGeometryTagsComeLastFirst) {
    BWriter w;
    w.num(12);
    for (float f : {4.0f, 3.0f, 2.0f, 1.0f}) w.float32(f);
    w.num(22);
    w.int32(8);
    w.int32(9);
    BReader br = readerOf(w.bytes);
    auto* rect = dynamic_cast<PPRectF*>(br.readNextObject());
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->x, 1.0f);
    EXPECT_EQ(rect->y, 2.0f);
    EXPECT_EQ(rect->width, 3.0f);
    EXPECT_EQ(rect->height, 4.0f);
    auto* point = dynamic_cast<PPPoint*>(br.readNextObject());
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->x, 9);
    EXPECT_EQ(point->y, 8);
}

TEST(BReaderTest, AffineTransformKinds) {
    struct Case {
        float m[6];
        int kind, flag;
    } cases[] = {{{1, 0, 0, 1, 0, 0}, 0, 0}, {{1, 0, 0, 1, 5, 0}, 1, 1},  {{2, 0, 0, 1, 0, 0}, 2, -1},
                 {{2, 0, 0, 1, 0, 3}, 3, -1}, {{0, 1, 1, 0, 0, 0}, 4, -1}, {{0, 1, 1, 0, 1, 0}, 5, -1},
                 {{1, 1, 0, 1, 0, 0}, 6, -1}, {{1, 0, 1, 1, 0, 1}, 7, -1}};
    for (const Case& c : cases) {
        PPAffineTransform t(c.m[0], c.m[1], c.m[2], c.m[3], c.m[4], c.m[5]);
        EXPECT_EQ(t.kind, c.kind) << c.kind;
        EXPECT_EQ(t.flag, c.flag) << c.kind;
    }
}

TEST(BReaderTest, BackReferences) {
    auto stream = [](int ref) {
        BWriter w;
        w.num(15);
        w.num(2);
        w.num(60);
        w.string("REF_P0");
        w.num(60);
        w.string("REF_P1");
        w.num(33);
        w.int32(ref);
        return w.bytes;
    };
    std::vector<uint8_t> good = stream(1);
    BReader br = readerOf(good);
    auto* array = dynamic_cast<ObjectArray*>(br.readNextObject());
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(br.readNextObject(), array->items[1]);
    EXPECT_EQ(array->items[1], ParamID::getID(PPString("REF_P1")));
    EXPECT_EQ(br.references().size(), 3);  // a back-reference records nothing

    for (int bad : {3, -1}) {
        std::vector<uint8_t> bytes = stream(bad);
        BReader b = readerOf(bytes);
        b.readNextObject();
        try {
            b.readNextObject();
            ADD_FAILURE() << "no error for reference " << bad;
        } catch (const PuppetException& e) {
            EXPECT_STREQ(e.what(), "illegal refNo @Breader");
        }
    }
}

TEST(BReaderTest, IdentifiersAreInternedPerKind) {
    BWriter w;
    for (int tag : {60, 60, 50, 51, 134}) {
        w.num(static_cast<uint32_t>(tag));
        w.string("SAME_NAME");
    }
    BReader br = readerOf(w.bytes);
    PPObject* a = br.readNextObject();
    PPObject* b = br.readNextObject();
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, ParamID::getID(PPString("SAME_NAME")));
    PPObject* draw = br.readNextObject();
    PPObject* base = br.readNextObject();
    PPObject* parts = br.readNextObject();
    EXPECT_NE(dynamic_cast<DrawDataID*>(draw), nullptr);
    EXPECT_NE(dynamic_cast<BaseDataID*>(base), nullptr);
    EXPECT_NE(dynamic_cast<PartsDataID*>(parts), nullptr);
    EXPECT_NE(draw, a);
    EXPECT_EQ(BaseDataID::DST_BASE_ID(), BaseDataID::getID(PPString("DST_BASE")));
}

TEST(BReaderTest, UnimplementedTagsRaise) {
    struct Case {
        int tag;
        const char* message;
    } cases[] = {{2, "not impl : readObject() of 2-9 ,18,19,20,24,28"},
                 {9, "not impl : readObject() of 2-9 ,18,19,20,24,28"},
                 {18, "not impl : readObject() of 2-9 ,18,19,20,24,28"},
                 {28, "not impl : readObject() of 2-9 ,18,19,20,24,28"},
                 {29, "not impl : readObject() NO DEF"},
                 {47, "not impl : readObject() NO DEF"}};
    for (const Case& c : cases) {
        BWriter w;
        w.num(static_cast<uint32_t>(c.tag));
        BReader br = readerOf(w.bytes);
        try {
            br.readNextObject();
            ADD_FAILURE() << c.tag;
        } catch (const PuppetException& e) {
            EXPECT_STREQ(e.what(), c.message) << c.tag;
        }
    }
    BWriter w;  // a two-dimensional array of element type 2
    w.num(23);
    w.num(2);
    w.num(2);
    w.num(1);
    BReader br = readerOf(w.bytes);
    EXPECT_THROW(br.readNextObject(), PuppetException);
}

TEST(BReaderTest, UnknownClassNumberIsReportedOnce) {
    // Each number is reported once per process: every run of this test takes one not reported yet.
    static int run = 0;
    const int unknown = 1000 + run++;
    BWriter w;
    w.num(unknown);
    w.num(unknown);
    w.num(0);
    BReader br = readerOf(w.bytes);
    testing::internal::CaptureStdout();
    EXPECT_EQ(br.readNextObject(), nullptr);
    EXPECT_EQ(br.readNextObject(), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "FileFormat1 :: not implemented classNo : " + std::to_string(unknown) + "\n");
}

TEST(BReaderTest, FieldOfTheWrongKindIsMalformed) {
    BWriter w;
    w.num(131);  // ParamDefFloat whose id is a string
    for (int i = 0; i < 3; ++i) w.float32(0);
    w.num(1);
    w.string("NOT_AN_ID");
    BReader br = readerOf(w.bytes);
    EXPECT_THROW(br.readNextObject(), PuppetException);
}

TEST(ModelFileTest, HeaderVersionAndEndMark) {
    std::vector<uint8_t> v9 = puppet_test::ModelBytes(kSmallModel);
    ASSERT_EQ(std::string(v9.begin(), v9.begin() + 3), "pup");
    ASSERT_EQ(v9[3], 9);

    std::vector<uint8_t> v10 = v9;
    v10[3] = 10;
    std::vector<uint8_t> badMark = v9;
    badMark.back() = 0x89;
    std::vector<uint8_t> noHeader = puppet_test::ModelBytes(std::string("version none\n") + kSmallModel);
    std::vector<uint8_t> v7 = puppet_test::ModelBytes(std::string("version 7\n") + kSmallModel);
    std::vector<uint8_t> v7Trailing = v7;
    v7Trailing.push_back(0x12);  // no end mark is read before version 8

    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool data;
        uint32_t flags;
        const char* message;
    } cases[] = {
        {"version 9", v9, true, 0, ""},
        {"version 10", v10, false, APuppetModel::ERROR_VERSION,
         "Illegal data version ( available : 9 < loaded :: 10 )@APuppetModel#loadModel()\n"},
        {"bad end mark", badMark, false, APuppetModel::ERROR_END_MARK, "Assert @APuppetModel#loadModel() / EOF value check\n"},
        {"no header", noHeader, true, 0, ""},
        {"version 7", v7, true, 0, ""},
        {"version 7, trailing byte", v7Trailing, true, 0, ""},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        auto model = puppet_test::LoadModel(c.bytes);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message) << c.name;
        EXPECT_EQ(model->hasData(), c.data) << c.name;
        EXPECT_EQ(model->getErrorFlags(), c.flags) << c.name;
        model->update();  // a model without data updates nothing
    }
}

TEST(ModelFileTest, MalformedFilesNeverEndTheProgram) {
    std::vector<uint8_t> good = puppet_test::ModelBytes(kSmallModel);
    testing::internal::CaptureStdout();
    for (size_t n = 0; n < good.size(); ++n) {
        auto model = puppet_test::LoadModel(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n)));
        EXPECT_FALSE(model->hasData()) << "truncated to " << n;
    }
    for (size_t i = 0; i < good.size(); ++i) {
        for (uint8_t x : {0x01, 0x80, 0xFF}) {
            std::vector<uint8_t> bytes = good;
            bytes[i] ^= x;
            auto model = puppet_test::LoadModel(bytes);
            model->update();
            model->update();
        }
    }
    testing::internal::GetCapturedStdout();
}

TEST(ModelFileTest, DeepNestingIsRefused) {
    std::vector<uint8_t> bytes = {'p', 'u', 'p', 9, 136};
    for (int i = 0; i < 100000; ++i) {
        bytes.push_back(15);
        bytes.push_back(1);
    }
    testing::internal::CaptureStdout();
    auto model = puppet_test::LoadModel(bytes);
    testing::internal::GetCapturedStdout();
    EXPECT_FALSE(model->hasData());
}
