// ByteBuffer: bounds-checked big-endian reads with an error list instead of failures.
#include "puppet/ByteBuffer.h"

#include <cstring>

#include "puppet/Ut.h"

namespace puppet {

ByteBuffer::ByteBuffer(const uint8_t* data, int length, bool owns)
    : start_(data), pos_(data), end_(data + (length > 0 ? length : 0)), length_(length > 0 ? length : 0), owns_(owns) {}

ByteBuffer::~ByteBuffer() {
    if (owns_) delete[] start_;
}

void ByteBuffer::addError(const char* message) { errors_.push_back(UtString::format("[%d] %s", position(), message)); }

bool ByteBuffer::take(int n) {
    if (remaining() >= n) return true;
    addError("range error");
    return false;
}

uint32_t ByteBuffer::readBig(int n) {
    if (!take(n)) return 0;
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | *pos_++;
    return v;
}

uint8_t ByteBuffer::readByte() { return static_cast<uint8_t>(readBig(1)); }

int32_t ByteBuffer::readInt() { return static_cast<int32_t>(readBig(4)); }

float ByteBuffer::readFloat() {
    uint32_t bits = readBig(4);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

double ByteBuffer::readDouble() {
    if (!take(8)) return 0.0;
    uint64_t bits = static_cast<uint64_t>(readBig(4)) << 32;
    bits |= readBig(4);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

int32_t ByteBuffer::readNum() {
    int32_t value = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t b = readByte();
        if (!(b & 0x80)) return value << 7 | b;
        if (i == 3) break;
        value = value << 7 | (b & 0x7F);
    }
    addError("readNum error");
    return 0;
}

PPString ByteBuffer::readString() {
    int n = readNum();
    if (n > remaining()) {
        addError("range error");
        pos_ = end_;
        return PPString("");
    }
    PPString s(reinterpret_cast<const char*>(pos_), n);
    pos_ += n;
    return s;
}

int ByteBuffer::arrayCount() {
    int n = readNum();
    if (n < 0 || static_cast<int64_t>(n) > 2 * static_cast<int64_t>(length_)) {
        addError("illegal size of array");
        return -1;
    }
    return n;
}

bool ByteBuffer::readIntArray(PPVector<int>& out) {
    int n = arrayCount();
    if (n < 0) return false;
    out.reserve(n);
    for (int i = 0; i < n; ++i) out.push_back(readInt());
    return true;
}

bool ByteBuffer::readFloatArray(PPVector<float>& out) {
    int n = arrayCount();
    if (n < 0) return false;
    out.reserve(n);
    for (int i = 0; i < n; ++i) out.push_back(readFloat());
    return true;
}

bool ByteBuffer::readDoubleArray(PPVector<double>& out) {
    int n = arrayCount();
    if (n < 0) return false;
    out.reserve(n);
    for (int i = 0; i < n; ++i) out.push_back(readDouble());
    return true;
}

void ByteBuffer::back(int n) { pos_ = n > position() ? start_ : pos_ - n; }

}  // namespace puppet
