// One layer of a render-object table: handles kept in the order they were added, up to its capacity.
#include "engine/render/RenderObjectVector.h"

void RenderObjectVector::Reserve(std::uint32_t n) { data_.assign(n, RenderObjectHandle()); }

void RenderObjectVector::Add(const RenderObjectHandle& handle) {
    if (count_ < data_.size()) data_[count_++] = handle;
}

bool RenderObjectVector::Next(std::uint32_t& cursor, RenderObjectHandle& out) const {
    if (cursor >= count_) return false;
    out = data_[cursor++];
    return true;
}
