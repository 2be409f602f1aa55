// The bounded, key-ordered queue a render-object table sorts one layer into before drawing it.
#pragma once
#include <cstdint>
#include <vector>

namespace USLib {

// A bounded queue ordered by descending float key (a doubly linked list between two sentinels);
// when full, a new key replaces the smallest entry if it is not smaller, else it is rejected. A new
// entry goes ahead of every entry with an equal key.
template <class Payload>
class priority_queue {
public:
    priority_queue() { Reserve(0); }
    virtual ~priority_queue() = default;
    void Reserve(std::uint32_t capacity);
    void Clear();
    // The new entry's payload slot, or null when rejected (full with larger keys, or a key that is
    // not a finite number strictly inside the sentinels' range).
    Payload* Insert(float key);
    bool Empty() const { return nodes_[0].next == 1; }
    // Removes the entry with the highest (or lowest) key and returns its payload.
    Payload PopHighest();
    Payload PopLowest();
    std::uint32_t Count() const { return count_; }

private:
    struct Node {
        float key;
        std::uint32_t prev, next;
        Payload payload;
    };
    void Unlink(std::uint32_t i);
    std::vector<Node> nodes_;
    std::vector<bool> used_;
    std::uint32_t capacity_ = 0;
    std::uint32_t count_ = 0;
};

}  // namespace USLib
