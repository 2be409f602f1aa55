// BReader: tags, back-references, class numbers and identifiers over a ByteBuffer.
#include "puppet/BReader.h"

#include "puppet/Geometry.h"
#include "puppet/ID.h"

namespace puppet {
namespace {
// Nesting deeper than this is no model file; it would only exhaust the stack.
constexpr int MAX_DEPTH = 256;

struct DepthGuard {
    explicit DepthGuard(int& depth) : depth_(depth) {
        if (++depth_ > MAX_DEPTH) {
            --depth_;
            throw PuppetException(PPString("nesting too deep @BReader"));
        }
    }
    ~DepthGuard() { --depth_; }
    int& depth_;
};
}  // namespace

PPAffineTransform::PPAffineTransform(float m1, float m2, float m3, float m4, float m5, float m6)
    : m{m1, m2, m3, m4, m5, m6} {
    bool noTranslation = m5 == 0.0f && m6 == 0.0f;
    if (m3 == 0.0f && m2 == 0.0f) {
        if (m1 == 1.0f && m4 == 1.0f) {
            kind = noTranslation ? 0 : 1;
            flag = kind;
            return;
        }
        kind = noTranslation ? 2 : 3;
    } else if (m1 == 0.0f && m4 == 0.0f) {
        kind = noTranslation ? 4 : 5;
    } else {
        kind = noTranslation ? 6 : 7;
    }
    flag = -1;
}

BReader::BReader(const uint8_t* data, int length, bool owns) : buffer_(data, length, owns) {}

int BReader::readBit() {
    if (bitPos_ == 0) {
        bitByte_ = buffer_.readByte();
    } else if (bitPos_ == 8) {
        bitByte_ = buffer_.readByte();
        bitPos_ = 0;
    }
    return bitByte_ >> (7 - bitPos_++) & 1;
}

uint8_t BReader::readByte() {
    dropBits();
    return buffer_.readByte();
}
int32_t BReader::readInt() {
    dropBits();
    return buffer_.readInt();
}
float BReader::readFloat() {
    dropBits();
    return buffer_.readFloat();
}
int32_t BReader::readNum() {
    dropBits();
    return buffer_.readNum();
}
void BReader::readIntVector(PPVector<int>& out) {
    dropBits();
    buffer_.readIntArray(out);
}
void BReader::readFloatVector(PPVector<float>& out) {
    dropBits();
    buffer_.readFloatArray(out);
}

int BReader::readArrayCount() {
    int n = buffer_.readNum();
    // Every element takes at least one byte: a larger count cannot be real.
    if (n < 0 || n > buffer_.remaining()) {
        buffer_.addError("illegal size of array");
        return 0;
    }
    return n;
}

PPObject* BReader::readObjectTagged(int tag) {
    dropBits();
    if (tag == NO_TAG) tag = buffer_.readNum();
    if (tag == 33) {
        int i = buffer_.readInt();
        if (i < 0 || i >= refList_.size()) throw PuppetException(PPString("illegal refNo @Breader"));
        return refList_[i];
    }
    PPObject* o = readObject(tag);
    refList_.push_back(o);
    return o;
}

PPObject* BReader::readObject(int tag) {
    DepthGuard guard(depth_);
    switch (tag) {
    case 0:
        return nullptr;
    case 1:
        return keep(new PPStringObject(buffer_.readString()));
    case 10:
        return keep(new PPColor(buffer_.readInt()));
    case 11: {
        double a = buffer_.readDouble(), b = buffer_.readDouble(), c = buffer_.readDouble(), d = buffer_.readDouble();
        return keep(new PPRectF(static_cast<float>(d), static_cast<float>(c), static_cast<float>(b), static_cast<float>(a)));
    }
    case 12: {
        float a = buffer_.readFloat(), b = buffer_.readFloat(), c = buffer_.readFloat(), d = buffer_.readFloat();
        return keep(new PPRectF(d, c, b, a));
    }
    case 13: {
        double a = buffer_.readDouble(), b = buffer_.readDouble();
        return keep(new PPPointF(static_cast<float>(b), static_cast<float>(a)));
    }
    case 14: {
        float a = buffer_.readFloat(), b = buffer_.readFloat();
        return keep(new PPPointF(b, a));
    }
    case 15: {
        int n = readArrayCount();
        ObjectArray* array = keep(new ObjectArray);
        array->items.reserve(n);
        for (int i = 0; i < n; ++i) array->items.push_back(readObjectTagged(NO_TAG));
        return array;
    }
    case 16:
    case 25: {
        IntArray* array = keep(new IntArray);
        buffer_.readIntArray(array->values);
        return array;
    }
    case 17: {
        double v[6];
        for (double& x : v) x = buffer_.readDouble();
        return keep(new PPAffineTransform(static_cast<float>(v[5]), static_cast<float>(v[4]), static_cast<float>(v[3]),
                                          static_cast<float>(v[2]), static_cast<float>(v[1]), static_cast<float>(v[0])));
    }
    case 21: {
        int32_t a = buffer_.readInt(), b = buffer_.readInt(), c = buffer_.readInt(), d = buffer_.readInt();
        return keep(new PPRect(d, c, b, a));
    }
    case 22: {
        int32_t a = buffer_.readInt(), b = buffer_.readInt();
        return keep(new PPPoint(b, a));
    }
    case 23: {
        int d = buffer_.readNum();
        int t = buffer_.readNum();
        return read_array_int(t, d);
    }
    case 26: {
        DoubleArray* array = keep(new DoubleArray);
        buffer_.readDoubleArray(array->values);
        return array;
    }
    case 27: {
        FloatArray* array = keep(new FloatArray);
        buffer_.readFloatArray(array->values);
        return array;
    }
    case 50:
        return DrawDataID::getID(buffer_.readString());
    case 51:
        return BaseDataID::getID(buffer_.readString());
    case 60:
        return ParamID::getID(buffer_.readString());
    case 134:
        return PartsDataID::getID(buffer_.readString());
    default:
        break;
    }
    if ((tag >= 2 && tag <= 9) || tag == 18 || tag == 19 || tag == 20 || tag == 24 || tag == 28)
        throw PuppetException(PPString("not impl : readObject() of 2-9 ,18,19,20,24,28"));
    if (tag >= 29 && tag <= 47) throw PuppetException(PPString("not impl : readObject() NO DEF"));
    ISerializableV2* object = FileFormat1::newInstance(tag);
    if (!object) return nullptr;
    keep(object)->readV2(*this);
    return object;
}

ObjectArray* BReader::read_array_int(int t, int d) {
    DepthGuard guard(depth_);
    int n = readArrayCount();
    ObjectArray* array = keep(new ObjectArray);
    array->items.reserve(n);
    if (d == 1) {
        for (int i = 0; i < n; ++i) array->items.push_back(readObjectTagged(NO_TAG));
    } else if (d == 2 && t >= 2 && t <= 9) {
        throw PuppetException(PPString("not impl type @BReader#read_array_int()"));
    } else {
        for (int i = 0; i < n; ++i) array->items.push_back(read_array_int(t, d - 1));
    }
    return array;
}

}  // namespace puppet
