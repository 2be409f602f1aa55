// The two small binary streams through which persistent objects and binary readers move their bytes:
// USLib::binary_istream reads from a block (a whole file it owns, or someone else's bytes) and
// USLib::binary_ostream<Step> appends to a buffer that grows in Step-byte steps.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace USLib {

// Thrown by a read or skip past the end of a binary_istream: broken data ends the load that reads it.
class stream_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class binary_istream {
public:
    binary_istream() = default;
    binary_istream(const binary_istream&) = delete;
    binary_istream& operator=(const binary_istream&) = delete;
    binary_istream(binary_istream&& other) noexcept;
    virtual ~binary_istream() { Close(); }

    // Frees owned data; data, owns, size and position become 0.
    virtual void Close();
    // Reads the whole file (shared read, existing files only) into a block the stream owns. False
    // when the file cannot be opened or read; the position is not reset (use on a fresh stream).
    virtual bool Open(const char* path);
    // Reads from a block owned by someone else, from position 0.
    virtual void Attach(const unsigned char* data, std::uint32_t size);
    // Copies n bytes from the position and advances; throws stream_error past the end.
    virtual void Read(void* dst, std::uint32_t n);
    // The bytes at the position, for reading in place, and advances by n; throws past the end.
    virtual const unsigned char* Skip(std::uint32_t n);

    std::uint32_t GetSize() const { return size_; }
    std::uint32_t GetPosition() const { return position_; }
    const unsigned char* GetData() const { return data_; }

private:
    void Need(std::uint32_t n) const;

    unsigned char* data_ = nullptr;
    std::uint32_t owns_ = 0;
    std::uint32_t size_ = 0;
    std::uint32_t position_ = 0;
};

template <std::uint32_t Step>
class binary_ostream {
public:
    binary_ostream() = default;
    binary_ostream(const binary_ostream&) = delete;
    binary_ostream& operator=(const binary_ostream&) = delete;
    virtual ~binary_ostream() { Free(); }

    virtual void Free() {
        std::free(data_);
        data_ = nullptr;
        capacity_ = size_ = 0;
    }
    // Frees the buffer and takes reserve bytes rounded up to the step; size 0.
    virtual void Reset(std::uint32_t reserve) {
        Free();
        capacity_ = RoundUp(reserve);
        if (capacity_) data_ = static_cast<unsigned char*>(Allocate(capacity_));
    }
    // Appends n bytes. Copies in place while the buffer has more room than needed; otherwise the
    // buffer grows by the shortfall rounded up to the step.
    virtual void Write(const void* src, std::uint32_t n) {
        if (n == 0) return;
        if (capacity_ <= size_ + n) {
            std::uint32_t capacity = capacity_ + RoundUp(size_ + n - capacity_);
            auto* grown = static_cast<unsigned char*>(Allocate(capacity));
            if (size_) std::memcpy(grown, data_, size_);
            std::free(data_);
            data_ = grown;
            capacity_ = capacity;
        }
        std::memcpy(data_ + size_, src, n);
        size_ += n;
    }
    virtual unsigned char* GetData() { return data_; }

    std::uint32_t GetSize() const { return size_; }
    std::uint32_t GetCapacity() const { return capacity_; }

private:
    static std::uint32_t RoundUp(std::uint32_t n) { return (n + Step - 1) / Step * Step; }
    static void* Allocate(std::uint32_t n) {
        void* p = std::malloc(n);
        if (!p) throw std::bad_alloc();
        return p;
    }

    unsigned char* data_ = nullptr;
    std::uint32_t capacity_ = 0;
    std::uint32_t size_ = 0;
};

}  // namespace USLib
