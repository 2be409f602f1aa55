// A ring of N elements that keeps the newest N pushed: index 0 is the newest, count - 1 the oldest.
#pragma once
#include <array>
#include <cstdint>

template <class T, int32_t N>
class CUSLoopVector {
public:
    virtual ~CUSLoopVector() = default;
    virtual void Clear() {
        count_ = 0;
        head_ = 0;
    }
    // The element to overwrite with the newest entry (the oldest one once the ring is full).
    virtual T& PushNext() {
        head_ = (head_ + 1) % N;
        if (count_ < N) ++count_;
        return elements_[head_];
    }
    virtual T& At(int32_t i) { return elements_[((head_ - i) % N + N) % N]; }
    virtual const T& At(int32_t i) const { return elements_[((head_ - i) % N + N) % N]; }
    virtual int32_t GetCapacity() const { return N; }
    virtual int32_t GetCount() const { return count_; }

private:
    std::array<T, N> elements_{};
    int32_t count_ = 0;
    int32_t head_ = 0;
};
