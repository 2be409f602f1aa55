// One layer of a render-object table: a bounded list of render-object handles in the order they were
// added.
#pragma once
#include <cstdint>
#include <vector>

#include "engine/render/RenderObject.h"

class RenderObjectVector {
public:
    virtual ~RenderObjectVector() { Release(); }
    virtual void Reserve(std::uint32_t n);
    virtual std::uint32_t GetCapacity() const { return static_cast<std::uint32_t>(data_.size()); }
    virtual void Release() {
        data_.clear();
        data_.shrink_to_fit();
        count_ = 0;
    }
    virtual void Clear() { count_ = 0; }
    // Ignored when the layer is full.
    virtual void Add(const RenderObjectHandle& handle);
    virtual bool Next(std::uint32_t& cursor, RenderObjectHandle& out) const;

private:
    std::vector<RenderObjectHandle> data_;
    std::uint32_t count_ = 0;
};
