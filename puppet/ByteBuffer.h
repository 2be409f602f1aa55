// The bytes of a model file with a read position. Numbers are big-endian in the file; a read that
// would pass the end reads nothing, gives 0 and records "[position] range error" in the error list.
#pragma once
#include <cstdint>

#include "puppet/PPString.h"
#include "puppet/PPVector.h"

namespace puppet {

class ByteBuffer {
public:
    ByteBuffer(const uint8_t* data, int length, bool owns);
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    virtual ~ByteBuffer();

    uint8_t readByte();
    int32_t readInt();
    float readFloat();
    double readDouble();
    // 7 bits a byte, most significant group first, at most 4 bytes.
    int32_t readNum();
    PPString readString();
    // Arrays: a num count, then the elements. A count outside 0 … 2 × length records
    // "illegal size of array" and yields an empty array.
    bool readIntArray(PPVector<int>& out);
    bool readFloatArray(PPVector<float>& out);
    bool readDoubleArray(PPVector<double>& out);

    void back(int n);
    int position() const { return static_cast<int>(pos_ - start_); }
    int length() const { return length_; }
    int remaining() const { return static_cast<int>(end_ - pos_); }
    const PPVector<PPString>& errors() const { return errors_; }
    void addError(const char* message);

private:
    bool take(int n);
    uint32_t readBig(int n);
    int arrayCount();

    const uint8_t* start_;
    const uint8_t* pos_;
    const uint8_t* end_;
    int length_;
    bool owns_;
    PPVector<PPString> errors_;
};

}  // namespace puppet
