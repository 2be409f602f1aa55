// CUSUseHistoryVector: a fixed array of items together with their use order (most recently used
// first), so that a cache can hand out the item used longest ago.
#pragma once
#include <cstddef>
#include <memory>

template <class T>
class CUSUseHistoryVector {
public:
    virtual ~CUSUseHistoryVector() = default;
    // Destroys the items and the order.
    virtual void Release() {
        items_.reset();
        order_.reset();
        count_ = 0;
        cursor_ = 0;
    }
    // n fresh items, used in storage order (item 0 the most recent).
    virtual void Create(size_t n) {
        Release();
        if (n == 0) return;
        items_ = std::make_unique<T[]>(n);
        order_ = std::make_unique<size_t[]>(n);
        for (size_t i = 0; i < n; ++i) order_[i] = i;
        count_ = n;
    }
    virtual size_t Count() const { return count_; }
    virtual T* LeastRecentlyUsed() { return count_ ? &items_[order_[count_ - 1]] : nullptr; }
    virtual void ResetCursor() { cursor_ = 0; }
    // The next item in use order (most recent first); null at the end.
    virtual T* NextInUseOrder() { return cursor_ < count_ ? &items_[order_[cursor_++]] : nullptr; }
    // The next item in storage order; null at the end.
    virtual T* NextInStorageOrder() { return cursor_ < count_ ? &items_[cursor_++] : nullptr; }
    // Makes item index the most recently used; the ones before it in the order move back by one.
    virtual void Touch(size_t index) {
        size_t at = 0;
        while (at < count_ && order_[at] != index) ++at;
        if (at == count_) return;
        for (; at > 0; --at) order_[at] = order_[at - 1];
        order_[0] = index;
    }
    // Makes the least recently used item the most recent.
    virtual void MoveLastToFront() {
        if (count_) Touch(order_[count_ - 1]);
    }

    size_t IndexOf(const T* item) const { return static_cast<size_t>(item - items_.get()); }

private:
    std::unique_ptr<T[]> items_;
    std::unique_ptr<size_t[]> order_;
    size_t count_ = 0;
    size_t cursor_ = 0;
};
