// The Puppet runtime's growable array: capacity 10 on the first append, then doubling; an index
// outside the array prints a message and yields a scratch element instead of touching memory.
#pragma once
#include <cstdio>
#include <new>
#include <utility>
#include <vector>

namespace puppet {

template <class T>
class PPVector {
public:
    PPVector() = default;
    explicit PPVector(int capacity) { reserve(capacity); }
    virtual ~PPVector() = default;

    void push_back(const T& value) {
        if (grow()) items_.push_back(value);
    }
    void push_back(T&& value) {
        if (grow()) items_.push_back(std::move(value));
    }

    // Index with the runtime's bounds message; errorNo tells which check spoke (1 the array itself,
    // 2 the pivot code, 3 the motion queue).
    T& at(int index, int errorNo = 1) {
        if (index < 0 || index >= size()) {
            std::printf("out of bounds error%d@PPVector\n", errorNo);
            scratch_ = T();
            return scratch_;
        }
        return items_[static_cast<size_t>(index)];
    }
    const T& at(int index, int errorNo = 1) const { return const_cast<PPVector*>(this)->at(index, errorNo); }
    T& operator[](int index) { return at(index); }
    const T& operator[](int index) const { return at(index); }

    void resize(int n, const T& fill = T()) {
        if (n < 0) n = 0;
        if (n > capacity()) reserve(n);
        items_.resize(static_cast<size_t>(n), fill);
    }
    void reserve(int n) {
        if (n <= capacity()) return;
        try {
            items_.reserve(static_cast<size_t>(n));
        } catch (const std::bad_alloc&) {
        }
    }
    void remove(int index) {
        if (index >= 0 && index < size()) items_.erase(items_.begin() + index);
    }
    void clear() { items_.clear(); }

    int size() const { return static_cast<int>(items_.size()); }
    int capacity() const { return static_cast<int>(items_.capacity()); }
    bool empty() const { return items_.empty(); }
    T* data() { return items_.data(); }
    const T* data() const { return items_.data(); }
    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    // Room for one more; false (the value is then dropped, the vector stays as it was) when there is none.
    bool grow() {
        if (static_cast<int>(items_.size()) < capacity()) return true;
        try {
            items_.reserve(items_.empty() && items_.capacity() == 0 ? 10 : items_.capacity() * 2);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    std::vector<T> items_;
    T scratch_{};
};

}  // namespace puppet
