// USLib::recycle_vector: a grow-only scratch block that many short-lived operations reuse (the file
// layer's shared buffers, the text-conversion buffer). Its contents are not kept when it grows.
#pragma once
#include <cstddef>
#include <cstdlib>

namespace USLib {

template <class T>
class recycle_vector {
public:
    recycle_vector() = default;
    recycle_vector(const recycle_vector&) = delete;
    recycle_vector& operator=(const recycle_vector&) = delete;
    ~recycle_vector() { std::free(data_); }

    // Makes room for n elements: a request of at least the capacity frees the block and takes one of
    // exactly n elements. Returns the block, or null when memory runs out (capacity is then 0).
    T* request(std::size_t n) {
        if (n >= capacity_) {
            std::free(data_);
            data_ = static_cast<T*>(std::malloc(n * sizeof(T) + (n == 0)));
            capacity_ = data_ ? n : 0;
        }
        return data_;
    }

    T* data() const { return data_; }
    std::size_t capacity() const { return capacity_; }

private:
    T* data_ = nullptr;
    std::size_t capacity_ = 0;
};

}  // namespace USLib
