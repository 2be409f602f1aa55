// The keyed save container: records of bytes under (name, number) keys, written as
// "_SAVE_DATA_FILE_", a version, the records and an 8-byte end marker. Persistent objects write
// their records through save_ostream and read them back through save_istream; the container knows
// nothing of what the records hold. Also the bit-vector layout used inside records.
#pragma once
#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include <boost/dynamic_bitset.hpp>
#include <boost/unordered_map.hpp>

#include "engine/save/USBinaryStream.h"

class CSaveDataKey {
public:
    CSaveDataKey() = default;
    CSaveDataKey(std::string name, std::uint32_t number) : name(std::move(name)), number(number) {}
    virtual ~CSaveDataKey() = default;
    CSaveDataKey(const CSaveDataKey&) = default;
    CSaveDataKey& operator=(const CSaveDataKey&) = default;

    bool operator==(const CSaveDataKey& other) const { return number == other.number && name == other.name; }

    std::string name;  // Bytes, compared exactly.
    std::uint32_t number = 0;
};

// Boost's hash_combine from seed 0 over the name's Boost string hash, then the number.
std::size_t hash_value(const CSaveDataKey& key);

namespace SaveDataLoader4 {

// Thrown when a container cannot be read: a wrong marker, a stream that ends early, a key held twice,
// or a reader asked for a key that has no record.
class save_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Version {
public:
    virtual ~Version() = default;
    virtual void SetVersion(std::uint32_t v) { version_ = v; }
    virtual std::uint32_t GetVersion() const { return version_; }

private:
    std::uint32_t version_ = 0;
};

class save_istream : public USLib::binary_istream, public Version {};
class save_ostream : public USLib::binary_ostream<256>, public Version {};

class DataNode {
public:
    DataNode() = default;
    DataNode(const DataNode&) = delete;
    DataNode& operator=(const DataNode&) = delete;
    virtual ~DataNode() = default;

    // Drops the bytes read from a stream.
    virtual void Clear();
    // Reads a u32 payload length and the payload; throws save_error when the stream ends early.
    virtual void Load(std::istream& in, std::uint32_t version);
    // A reader over the bytes read (not owning them), carrying the container's version.
    virtual save_istream OpenReader();
    // Writes the writer's size and bytes.
    virtual void Save(std::ostream& out, std::uint32_t version);
    // The bytes an object writes for saving.
    virtual save_ostream& GetWriter() { return writer_; }
    // The record's bytes: those read by Load, or in a node filled for saving those written.
    std::pair<const unsigned char*, std::uint32_t> GetBytes();

private:
    std::unique_ptr<unsigned char[]> data_;
    std::uint32_t size_ = 0;
    save_ostream writer_;
    std::uint32_t version_ = 0;
};

class SaveData {
public:
    SaveData() = default;
    SaveData(const SaveData&) = delete;
    SaveData& operator=(const SaveData&) = delete;
    virtual ~SaveData() = default;

    // Deletes every node.
    virtual void Clear();
    // Reads only the record of key (the others are skipped by their length) and stores the version.
    // Without such a record nothing is added. Throws save_error on a wrong marker or a short stream.
    virtual void LoadNode(std::istream& in, const CSaveDataKey& key);
    // Reads every record and stores the version. Throws save_error on a wrong marker, a stream that
    // ends before the end marker or a key held twice; the container is then left as it was.
    virtual void Load(std::istream& in);
    // Writes the header with the version, every record (in the map's order) and the end marker.
    virtual void Save(std::ostream& out);

    // A new empty node under key; null (nothing changed) when the key has one.
    DataNode* CreateNode(const CSaveDataKey& key);
    // A reader over the record of key; throws save_error when there is none.
    save_istream OpenReader(const CSaveDataKey& key);
    // The CRC-32 of every record but the one under except, taken in key order (name, then number),
    // each as its name, number, length and bytes: the same for a container filled for saving and
    // for that container read back, whatever order the file holds the records in.
    std::uint32_t Checksum(const CSaveDataKey& except);

    void SetVersion(std::uint32_t version) { version_ = version; }
    std::uint32_t GetVersion() const { return version_; }

private:
    using NodeMap = boost::unordered_map<CSaveDataKey, std::unique_ptr<DataNode>>;

    NodeMap nodes_;
    std::uint32_t version_ = 0;
};

using BoolVector = boost::dynamic_bitset<std::uint32_t>;

// u32 bit count n, then ceil(n / 32) u32 words, bit i in bit i % 32 of word i / 32.
void WriteBoolVector(const BoolVector& bits, USLib::binary_ostream<256>& out);
// Resizes bits to the stored count and fills them; throws USLib::stream_error when the stream holds
// fewer words than the count needs.
void ReadBoolVector(USLib::binary_istream& in, BoolVector& bits);

}  // namespace SaveDataLoader4
