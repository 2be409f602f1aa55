// Reader of the tagged binary object stream of Puppet model files: numbers, bits, strings,
// arrays, tagged objects with back-references, class numbers and interned identifiers.
//
// Every object the reader makes is kept in its object store, and fields only point into it, so
// an object shared by back-references is freed once. Whoever keeps the model takes the store.
#pragma once
#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

#include "puppet/ByteBuffer.h"
#include "puppet/PPObject.h"

namespace puppet {

// A malformed stream: unknown tags, bad back-references, objects of the wrong kind.
class PuppetException : public std::exception {
public:
    explicit PuppetException(const PPString& message) : message_(message) {}
    const char* what() const noexcept override { return message_.c_str(); }

private:
    PPString message_;
};

class BReader;

// Every class that a class number creates.
class ISerializableV2 : public PPObject {
public:
    virtual void readV2(BReader& br) = 0;
};

// Results of the plain tags.
struct PPStringObject : PPObject {
    explicit PPStringObject(const PPString& s) : value(s) {}
    PPString value;
};
struct ObjectArray : PPObject {
    PPVector<PPObject*> items;
};
struct IntArray : PPObject {
    PPVector<int> values;
};
struct FloatArray : PPObject {
    PPVector<float> values;
};
struct DoubleArray : PPObject {
    PPVector<double> values;
};

using ObjectStore = std::vector<std::unique_ptr<PPObject>>;

class BReader {
public:
    static constexpr int NO_TAG = -1;

    BReader(const uint8_t* data, int length, bool owns);

    PPObject* readNextObject() { return readObjectTagged(NO_TAG); }
    PPObject* readObjectTagged(int tag);
    PPObject* readObject(int tag);
    ObjectArray* read_array_int(int t, int d);

    // A tagged object that must be of class T (or null); anything else is a malformed file.
    template <class T>
    T* readObjectAs() {
        PPObject* o = readNextObject();
        if (!o) return nullptr;
        T* typed = dynamic_cast<T*>(o);
        if (!typed) throw PuppetException(PPString("illegal object type @BReader"));
        return typed;
    }
    // A tagged object array whose elements must all be of class T; null entries are left out.
    template <class T>
    void readList(PPVector<T*>& out) {
        ObjectArray* array = readObjectAs<ObjectArray>();
        if (!array) return;
        out.reserve(array->items.size());
        for (PPObject* o : array->items) {
            if (!o) continue;
            T* typed = dynamic_cast<T*>(o);
            if (!typed) throw PuppetException(PPString("illegal object type @BReader"));
            out.push_back(typed);
        }
    }

    int readBit();
    uint8_t readByte();
    int32_t readInt();
    float readFloat();
    int32_t readNum();
    void readIntVector(PPVector<int>& out);
    void readFloatVector(PPVector<float>& out);
    void back(int n) { buffer_.back(n); }

    int getFormatVersion() const { return formatVersion_; }
    void setFormatVersion(int v) { formatVersion_ = v; }
    const PPVector<PPString>& errors() const { return buffer_.errors(); }
    const PPVector<PPObject*>& references() const { return refList_; }
    // Hands every object made so far to the caller.
    ObjectStore takeObjects() { return std::move(store_); }

private:
    template <class T>
    T* keep(T* object) {
        store_.emplace_back(object);
        return object;
    }
    void dropBits() { bitPos_ = 0; }
    int readArrayCount();

    int formatVersion_ = 0;
    ByteBuffer buffer_;
    int bitPos_ = 0;
    uint8_t bitByte_ = 0;
    PPVector<PPObject*> refList_;
    ObjectStore store_;
    int depth_ = 0;
};

// Makes the empty object of the class that a class number names, or null.
class FileFormat1 {
public:
    static ISerializableV2* newInstance(int classNo);
};

}  // namespace puppet
