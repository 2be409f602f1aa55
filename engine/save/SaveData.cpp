// Save container reading and writing, and the bit-vector layout.
#include "engine/save/SaveData.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <boost/container_hash/hash.hpp>
#include <boost/crc.hpp>

std::size_t hash_value(const CSaveDataKey& key) {
    std::size_t seed = 0;
    boost::hash_combine(seed, key.name);
    boost::hash_combine(seed, key.number);
    return seed;
}

namespace SaveDataLoader4 {

namespace {

constexpr char kMarker[16] = {'_', 'S', 'A', 'V', 'E', '_', 'D', 'A', 'T', 'A', '_', 'F', 'I', 'L', 'E', '_'};

void PutU32(std::ostream& out, std::uint32_t v) {
    const char bytes[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    out.write(bytes, 4);
}

// Reads exactly n bytes into out, growing it step by step so that a damaged length cannot make us
// allocate more than the stream really holds.
void ReadBytes(std::istream& in, std::vector<char>& out, std::uint32_t n) {
    out.clear();
    constexpr std::uint32_t kStep = 1 << 16;
    while (out.size() < n) {
        std::size_t chunk = std::min<std::size_t>(kStep, n - out.size());
        std::size_t at = out.size();
        out.resize(at + chunk);
        if (!in.read(out.data() + at, static_cast<std::streamsize>(chunk))) throw save_error("save data: stream ends early");
    }
}

std::uint32_t GetU32(std::istream& in) {
    unsigned char b[4];
    if (!in.read(reinterpret_cast<char*>(b), 4)) throw save_error("save data: stream ends early");
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

// Reads and checks the 20-byte header; returns the version.
std::uint32_t ReadHeader(std::istream& in) {
    char header[20];
    if (!in.read(header, sizeof header) || std::memcmp(header, kMarker, sizeof kMarker) != 0)
        throw save_error("save data: not a save container");
    return static_cast<unsigned char>(header[16]) | (static_cast<unsigned char>(header[17]) << 8) |
           (static_cast<unsigned char>(header[18]) << 16) | (static_cast<std::uint32_t>(static_cast<unsigned char>(header[19])) << 24);
}

// Reads a record's name length, number and name; false at the end marker.
bool ReadKey(std::istream& in, CSaveDataKey& key) {
    std::uint32_t length = GetU32(in);
    key.number = GetU32(in);
    if (length == 0) return false;
    std::vector<char> name;
    ReadBytes(in, name, length);
    key.name.assign(name.begin(), name.end());
    return true;
}

}  // namespace

void DataNode::Clear() {
    data_.reset();
    size_ = 0;
}

void DataNode::Load(std::istream& in, std::uint32_t version) {
    Clear();
    std::uint32_t length = GetU32(in);
    std::vector<char> bytes;
    ReadBytes(in, bytes, length);
    if (length) {
        data_.reset(new unsigned char[length]);
        std::memcpy(data_.get(), bytes.data(), length);
    }
    size_ = length;
    version_ = version;
}

save_istream DataNode::OpenReader() {
    save_istream reader;
    reader.Attach(data_.get(), size_);
    reader.SetVersion(version_);
    return reader;
}

std::pair<const unsigned char*, std::uint32_t> DataNode::GetBytes() {
    if (data_) return {data_.get(), size_};
    return {writer_.GetData(), writer_.GetSize()};
}

void DataNode::Save(std::ostream& out, std::uint32_t) {
    PutU32(out, writer_.GetSize());
    if (writer_.GetSize()) out.write(reinterpret_cast<const char*>(writer_.GetData()), writer_.GetSize());
}

void SaveData::Clear() { nodes_.clear(); }

DataNode* SaveData::CreateNode(const CSaveDataKey& key) {
    auto [it, inserted] = nodes_.emplace(key, nullptr);
    if (!inserted) return nullptr;
    it->second = std::make_unique<DataNode>();
    return it->second.get();
}

save_istream SaveData::OpenReader(const CSaveDataKey& key) {
    auto it = nodes_.find(key);
    if (it == nodes_.end() || !it->second) throw save_error("save data: no record " + key.name);
    return it->second->OpenReader();
}

std::uint32_t SaveData::Checksum(const CSaveDataKey& except) {
    std::vector<std::pair<const CSaveDataKey*, DataNode*>> records;
    for (const auto& [key, node] : nodes_)
        if (!(key == except)) records.emplace_back(&key, node.get());
    std::sort(records.begin(), records.end(), [](const auto& a, const auto& b) {
        return a.first->name != b.first->name ? a.first->name < b.first->name : a.first->number < b.first->number;
    });
    boost::crc_32_type crc;
    auto u32 = [&crc](std::uint32_t v) {
        const unsigned char bytes[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                        static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        crc.process_bytes(bytes, 4);
    };
    for (const auto& [key, node] : records) {
        const auto [data, size] = node->GetBytes();
        u32(static_cast<std::uint32_t>(key->name.size()));
        u32(key->number);
        crc.process_bytes(key->name.data(), key->name.size());
        u32(size);
        if (size) crc.process_bytes(data, size);
    }
    return crc.checksum();
}

void SaveData::Save(std::ostream& out) {
    char header[20];
    std::memcpy(header, kMarker, sizeof kMarker);
    for (int i = 0; i < 4; ++i) header[16 + i] = static_cast<char>(version_ >> (8 * i));
    out.write(header, sizeof header);
    for (const auto& [key, node] : nodes_) {
        PutU32(out, static_cast<std::uint32_t>(key.name.size()));
        PutU32(out, key.number);
        out.write(key.name.data(), static_cast<std::streamsize>(key.name.size()));
        node->Save(out, version_);
    }
    PutU32(out, 0);
    PutU32(out, 0);
}

void SaveData::Load(std::istream& in) {
    // Records are gathered apart and join the container only when the whole stream has been read.
    std::uint32_t version = ReadHeader(in);
    NodeMap loaded;
    CSaveDataKey key;
    while (ReadKey(in, key)) {
        auto node = std::make_unique<DataNode>();
        node->Load(in, version);
        if (nodes_.count(key) || !loaded.emplace(key, std::move(node)).second)
            throw save_error("save data: record held twice: " + key.name);
    }
    for (auto& [k, node] : loaded) nodes_.emplace(k, std::move(node));
    version_ = version;
}

void SaveData::LoadNode(std::istream& in, const CSaveDataKey& wanted) {
    std::uint32_t version = ReadHeader(in);
    version_ = version;
    CSaveDataKey key;
    while (ReadKey(in, key)) {
        if (key == wanted) {
            auto node = std::make_unique<DataNode>();
            node->Load(in, version);
            nodes_[key] = std::move(node);
            return;
        }
        std::uint32_t length = GetU32(in);
        if (length && !in.seekg(length, std::ios::cur)) throw save_error("save data: stream ends early");
    }
}

void WriteBoolVector(const BoolVector& bits, USLib::binary_ostream<256>& out) {
    const auto n = static_cast<std::uint32_t>(bits.size());
    out.Write(&n, 4);
    std::vector<std::uint32_t> words(bits.num_blocks());
    boost::to_block_range(bits, words.begin());  // Bits past n in the last word are 0.
    for (std::uint32_t w : words) out.Write(&w, 4);
}

void ReadBoolVector(USLib::binary_istream& in, BoolVector& bits) {
    std::uint32_t n = 0;
    in.Read(&n, 4);
    const std::uint32_t count = static_cast<std::uint32_t>((std::uint64_t{n} + 31) / 32);
    // Skip checks that the words are there before anything is resized, so that a damaged count
    // cannot make a huge vector.
    const unsigned char* words = in.Skip(count * 4u);
    std::vector<std::uint32_t> blocks(count);
    if (count) std::memcpy(blocks.data(), words, count * 4u);
    bits.clear();
    bits.append(blocks.begin(), blocks.end());
    bits.resize(n);  // Drops whatever the last word held past n.
}

}  // namespace SaveDataLoader4
