// The save container and binary streams: byte layout, write-then-read of keyed records, single-record
// reads, broken streams, output growth and the bit-vector layout.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "engine/save/SaveData.h"
#include "support/ScratchDir.h"

namespace {

using namespace SaveDataLoader4;

std::string U32(std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

const std::string kHeader0 = "_SAVE_DATA_FILE_" + U32(0);

std::string Record(const std::string& name, std::uint32_t number, const std::string& payload) {
    return U32(static_cast<std::uint32_t>(name.size())) + U32(number) + name +
           U32(static_cast<std::uint32_t>(payload.size())) + payload;
}

const std::string kEnd = U32(0) + U32(0);

std::string Payload(SaveData& data, const CSaveDataKey& key) {
    save_istream in = data.OpenReader(key);
    return std::string(reinterpret_cast<const char*>(in.GetData()), in.GetSize());
}

TEST(SaveData, EmptyContainerIs28Bytes) {
    SaveData data;
    data.SetVersion(0);
    std::ostringstream out;
    data.Save(out);
    EXPECT_EQ(kHeader0 + kEnd, out.str());
}

TEST(SaveData, OneRecordByteForByte) {
    SaveData data;
    data.SetVersion(7);
    DataNode* node = data.CreateNode({"Log", 2});
    ASSERT_NE(nullptr, node);
    node->GetWriter().Write("abc", 3);
    EXPECT_EQ(nullptr, data.CreateNode({"Log", 2}));
    std::ostringstream out;
    data.Save(out);
    EXPECT_EQ("_SAVE_DATA_FILE_" + U32(7) + Record("Log", 2, "abc") + kEnd, out.str());
}

TEST(SaveData, KeyedRecordsSurviveWriteThenRead) {
    const std::map<std::pair<std::string, std::uint32_t>, std::string> records = {
        {{"NovelSystem", 0}, std::string("state\0with zero", 15)},
        {{"Log", 0}, "log"},
        {{"Log", 1}, "another number, another record"},
        {{"\x83\x5c\x81\x5b\x83\x58", 3}, "Shift-JIS name"},
        {{"Empty", 0}, ""},
        {{"Big", 9}, std::string(70000, 'b')},
    };
    SaveData written;
    written.SetVersion(0);
    for (const auto& [key, payload] : records) {
        DataNode* node = written.CreateNode({key.first, key.second});
        node->GetWriter().Write(payload.data(), static_cast<std::uint32_t>(payload.size()));
    }
    std::stringstream file;
    written.Save(file);

    SaveData read;
    read.Load(file);
    for (const auto& [key, payload] : records) EXPECT_EQ(payload, Payload(read, {key.first, key.second})) << key.first;
    EXPECT_THROW(read.OpenReader({"Log", 2}), save_error);
    EXPECT_THROW(read.OpenReader({"log", 0}), save_error);

    // One record alone, wherever it lies; an absent key adds nothing.
    for (const auto& [key, payload] : records) {
        SaveData one;
        std::istringstream again(file.str());
        one.LoadNode(again, {key.first, key.second});
        EXPECT_EQ(payload, Payload(one, {key.first, key.second})) << key.first;
        EXPECT_THROW(one.OpenReader({"Log", 2}), save_error);
    }
    SaveData none;
    std::istringstream again(file.str());
    none.LoadNode(again, {"Thumbnail", 0});
    EXPECT_THROW(none.OpenReader({"Thumbnail", 0}), save_error);
}

TEST(SaveData, RecordsInAnyOrderAndTheVersionReachTheReaders) {
    std::istringstream in("_SAVE_DATA_FILE_" + U32(3) + Record("b", 1, "B") + Record("a", 1, "A") + kEnd +
                          "ignored after the end marker");
    SaveData data;
    data.Load(in);
    EXPECT_EQ(3u, data.GetVersion());
    EXPECT_EQ("A", Payload(data, {"a", 1}));
    EXPECT_EQ(3u, data.OpenReader({"b", 1}).GetVersion());
}

TEST(SaveData, BrokenStreamsThrowAndTheCallerLosesNothing) {
    const std::string good = kHeader0 + Record("a", 0, "first") + Record("b", 0, "second") + kEnd;
    struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"wrong marker", "_SAVE_DATA_FILE!" + U32(0) + kEnd},
        {"short header", "_SAVE_DATA"},
        {"empty stream", ""},
        {"no end marker", good.substr(0, good.size() - 8)},
        {"cut inside a payload", good.substr(0, good.size() - 12)},
        {"cut inside a name", kHeader0 + U32(5) + U32(0) + "ab"},
        {"payload length past the end", kHeader0 + U32(1) + U32(0) + "a" + U32(0x7FFFFFFF) + "xy"},
        {"a key held twice", kHeader0 + Record("a", 0, "1") + Record("a", 0, "2") + kEnd},
        {"a key the container holds", kHeader0 + Record("kept", 0, "new") + kEnd},
    };
    for (const auto& c : cases) {
        SaveData data;
        data.CreateNode({"kept", 0})->GetWriter().Write("old", 3);
        data.SetVersion(5);
        std::istringstream in(c.bytes);
        EXPECT_THROW(data.Load(in), save_error) << c.what;
        EXPECT_THROW(data.OpenReader({"a", 0}), save_error) << c.what;
        EXPECT_EQ(5u, data.GetVersion()) << c.what;
        std::ostringstream out;
        data.Save(out);
        EXPECT_EQ("_SAVE_DATA_FILE_" + U32(5) + Record("kept", 0, "old") + kEnd, out.str()) << c.what;
    }
    SaveData data;
    std::istringstream wrong("_SAVE_DATA_FILE!" + U32(0) + kEnd);
    EXPECT_THROW(data.LoadNode(wrong, {"a", 0}), save_error);
    std::istringstream cut(good.substr(0, 30));
    EXPECT_THROW(data.LoadNode(cut, {"b", 0}), save_error);
}

TEST(BinaryStream, OutputGrowsInStepsAndInputIsBounded) {
    USLib::binary_ostream<256> out;
    std::string bytes(256, 'x');
    out.Write(bytes.data(), 256);
    EXPECT_EQ(256u, out.GetCapacity());
    out.Write("y", 1);
    EXPECT_EQ(512u, out.GetCapacity());
    out.Write(bytes.data(), 254);  // 511 bytes fit in place.
    EXPECT_EQ(512u, out.GetCapacity());
    out.Write("z", 1);  // Exactly full: a new block of the same capacity.
    EXPECT_EQ(512u, out.GetCapacity());
    out.Write("w", 1);
    EXPECT_EQ(768u, out.GetCapacity());
    EXPECT_EQ(513u, out.GetSize());
    EXPECT_EQ(std::string("yxz", 3), std::string(reinterpret_cast<char*>(out.GetData()) + 256, 1) +
                                         std::string(reinterpret_cast<char*>(out.GetData()) + 510, 2));
    out.Reset(300);
    EXPECT_EQ(512u, out.GetCapacity());
    EXPECT_EQ(0u, out.GetSize());

    const unsigned char block[6] = {1, 2, 3, 4, 5, 6};
    USLib::binary_istream in;
    in.Attach(block, sizeof block);
    std::uint32_t v = 0;
    in.Read(&v, 4);
    EXPECT_EQ(0x04030201u, v);
    EXPECT_THROW(in.Read(&v, 4), USLib::stream_error);
    EXPECT_EQ(4u, in.GetPosition());
    EXPECT_EQ(block + 4, in.Skip(2));
    EXPECT_THROW(in.Skip(1), USLib::stream_error);
}

TEST(BinaryStream, OpenReadsAWholeFile) {
    ScratchDir dir;
    dir.Write("parts/a.prt", "PARSTRENDERINFO_");
    USLib::binary_istream in;
    EXPECT_FALSE(in.Open("parts\\missing.prt"));
    ASSERT_TRUE(in.Open("Parts\\A.prt"));
    EXPECT_EQ(16u, in.GetSize());
    EXPECT_EQ(0, std::memcmp("PARSTRENDER", in.Skip(11), 11));
}

TEST(BoolVector, LayoutAndRoundTrip) {
    struct {
        std::size_t bits;
        std::vector<std::size_t> set;
        std::string bytes;
    } cases[] = {
        {0, {}, U32(0)},
        {1, {0}, U32(1) + U32(1)},
        {32, {31}, U32(32) + U32(0x80000000u)},
        {33, {0, 32}, U32(33) + U32(1) + U32(1)},
        {70, {1, 69}, U32(70) + U32(2) + U32(0) + U32(1u << 5)},
    };
    for (const auto& c : cases) {
        BoolVector bits(c.bits);
        for (std::size_t i : c.set) bits.set(i);
        USLib::binary_ostream<256> out;
        WriteBoolVector(bits, out);
        EXPECT_EQ(c.bytes, std::string(reinterpret_cast<char*>(out.GetData()), out.GetSize())) << c.bits;
        USLib::binary_istream in;
        in.Attach(out.GetData(), out.GetSize());
        BoolVector back(5, 0xFFu);
        ReadBoolVector(in, back);
        EXPECT_EQ(bits, back) << c.bits;
        EXPECT_EQ(out.GetSize(), in.GetPosition());
    }
    // Bits past the count in the last word are dropped; a count the stream cannot hold throws.
    std::string dirty = U32(3) + U32(0xFFFFFFFFu);
    USLib::binary_istream in;
    in.Attach(reinterpret_cast<const unsigned char*>(dirty.data()), 8);
    BoolVector bits;
    ReadBoolVector(in, bits);
    EXPECT_EQ(BoolVector(3, 7u), bits);
    std::string huge = U32(0xFFFFFFFFu) + U32(1);
    in.Attach(reinterpret_cast<const unsigned char*>(huge.data()), 8);
    EXPECT_THROW(ReadBoolVector(in, bits), USLib::stream_error);
}

}  // namespace
