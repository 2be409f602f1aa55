// CFontBMPBuffer: the one scratch buffer that glyph bitmaps are fetched into, reused by every call.
#pragma once
#include <cstddef>

#include "engine/util/USRecycleVector.h"
#include "engine/util/USSingleton.h"

class CFontBMPBuffer {
public:
    virtual ~CFontBMPBuffer() = default;
    // Room for n bytes: a new block only when n exceeds the capacity (the old bytes are not kept).
    unsigned char* Reserve(std::size_t n) { return n > buffer_.capacity() ? buffer_.request(n) : buffer_.data(); }

private:
    USLib::recycle_vector<unsigned char> buffer_;
};
