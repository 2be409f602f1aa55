// The key-ordered queue of a render-object table: a linked list between two sentinel nodes, kept
// sorted on insertion; instantiated for render-object handles.
#include "engine/render/PriorityQueue.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "engine/render/RenderObject.h"

namespace USLib {

template <class Payload>
void priority_queue<Payload>::Reserve(std::uint32_t capacity) {
    capacity_ = capacity > 65534 ? 65534 : capacity;
    nodes_.assign(capacity_ + 2, Node{0.0f, 0, 0, Payload()});
    used_.assign(capacity_ + 2, false);
    nodes_[0].key = FLT_MAX;
    nodes_[1].key = -FLT_MAX;
    Clear();
}

template <class Payload>
void priority_queue<Payload>::Clear() {
    nodes_[0].prev = 0xFFFFFFFF;
    nodes_[0].next = 1;
    nodes_[1].prev = 0;
    nodes_[1].next = 0xFFFFFFFF;
    std::fill(used_.begin(), used_.end(), false);
    used_[0] = used_[1] = true;
    count_ = 0;
}

template <class Payload>
void priority_queue<Payload>::Unlink(std::uint32_t i) {
    Node& n = nodes_[i];
    nodes_[n.prev].next = n.next;
    nodes_[n.next].prev = n.prev;
    used_[i] = false;
    if (count_ > 0) --count_;
}

template <class Payload>
Payload* priority_queue<Payload>::Insert(float key) {
    if (!std::isfinite(key) || key >= FLT_MAX || key < -FLT_MAX) return nullptr;
    std::uint32_t node;
    if (count_ == capacity_) {
        if (capacity_ == 0) return nullptr;
        std::uint32_t smallest = nodes_[1].prev;  // Among equal smallest keys, the one added first.
        if (nodes_[smallest].key > key) return nullptr;
        Unlink(smallest);
        node = smallest;
    } else {
        node = 2;
        while (used_[node]) ++node;
    }
    std::uint32_t at = nodes_[0].next;
    while (nodes_[at].key > key) at = nodes_[at].next;
    Node& n = nodes_[node];
    n.key = key;
    n.next = at;
    n.prev = nodes_[at].prev;
    nodes_[n.prev].next = node;
    nodes_[at].prev = node;
    used_[node] = true;
    ++count_;
    return &n.payload;
}

template <class Payload>
Payload priority_queue<Payload>::PopHighest() {
    std::uint32_t i = nodes_[0].next;
    Payload p = nodes_[i].payload;
    Unlink(i);
    return p;
}

template <class Payload>
Payload priority_queue<Payload>::PopLowest() {
    std::uint32_t i = nodes_[1].prev;
    Payload p = nodes_[i].payload;
    Unlink(i);
    return p;
}

template class priority_queue<RenderObjectHandle>;

}  // namespace USLib
