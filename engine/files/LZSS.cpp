// LZSS decoding (the hot path of compressed archive entries) and the tree-searching encoder.
//
// The decoder keeps no ring buffer: ring position (4078 + i) mod 4096 holds output byte i, so a match
// at ring position p read while writing output byte o copies from o - d, d = (4078 + o - p) mod 4096
// (4096 when that is 0); a source index below 0 is a ring byte never written, which is zero.
#include "engine/files/LZSS.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t N = CLZSS::kRingSize;
constexpr std::uint32_t F = CLZSS::kMaxMatch;
constexpr std::uint32_t kThreshold = CLZSS::kMinMatch - 1;  // Matches this short are sent as literals.
constexpr std::uint32_t kNil = N;                           // "No node" in the search trees.
constexpr std::size_t kStart = N - F;                       // The ring position of output byte 0.

struct DecodeState {
    const unsigned char* src;
    const unsigned char* srcEnd;
    unsigned char* out;
    std::size_t pos;
    std::size_t size;
};

// Copies one match of len bytes from distance d (1..4096) back.
inline void CopyMatch(unsigned char* out, std::size_t o, std::size_t d, std::size_t len, bool roomFor18) {
    if (d > o) {  // Reaches back before the first output byte: the zero-filled ring.
        for (std::size_t k = 0; k < len; ++k) out[o + k] = o + k >= d ? out[o + k - d] : 0;
    } else if (d >= F && roomFor18) {
        std::memcpy(out + o, out + o - d, F);  // Bytes past len are rewritten by the next items.
    } else {
        for (std::size_t k = 0; k < len; ++k) out[o + k] = out[o + k - d];  // May overlap itself.
    }
}

// Decodes the eight items of one flag byte. Fast: the caller made sure that the source holds 16
// more bytes and the output 144 more, so no item needs a check.
template <bool Fast>
inline bool DecodeGroup(DecodeState& st, unsigned flags) {
    if (Fast && flags == 0xFF) {
        std::memcpy(st.out + st.pos, st.src, 8);
        st.src += 8;
        st.pos += 8;
        return true;
    }
    for (int bit = 0; bit < 8; ++bit, flags >>= 1) {
        if (!Fast && st.pos == st.size) return true;
        if (flags & 1) {
            if (!Fast && st.src == st.srcEnd) return false;
            st.out[st.pos++] = *st.src++;
            continue;
        }
        if (!Fast && st.srcEnd - st.src < 2) return false;
        unsigned b0 = st.src[0], b1 = st.src[1];
        st.src += 2;
        std::size_t position = b0 | ((b1 & 0xF0u) << 4);
        std::size_t len = (b1 & 0x0Fu) + CLZSS::kMinMatch;
        std::size_t d = (kStart + st.pos - position) & (N - 1);
        if (d == 0) d = N;
        if (!Fast) len = std::min(len, st.size - st.pos);
        CopyMatch(st.out, st.pos, d, len, Fast || st.size - st.pos >= F);
        st.pos += len;
    }
    return true;
}

}  // namespace

bool CLZSS::Decode(const unsigned char* source, std::uint32_t sourceSize, unsigned char*& destination,
                   std::uint32_t unpackedSize, bool allocate) {
    if (allocate) {
        destination = static_cast<unsigned char*>(std::malloc(unpackedSize ? unpackedSize : 1));
        if (!destination) return false;
    }
    DecodeState st{source, source + sourceSize, destination, 0, unpackedSize};
    bool ok = true;
    while (ok && st.pos < st.size) {
        if (st.src == st.srcEnd) {
            ok = false;
            break;
        }
        unsigned flags = *st.src++;
        if (st.srcEnd - st.src >= 16 && st.size - st.pos >= 8 * F)
            DecodeGroup<true>(st, flags);
        else
            ok = DecodeGroup<false>(st, flags);
    }
    if (!ok && allocate) {
        std::free(destination);
        destination = nullptr;
    }
    return ok;
}

void CLZSS::InitTree() {
    ring_.assign(N + F - 1, 0);  // Zeros, as the decoder's ring starts.
    left_.assign(N + 1, kNil);
    right_.assign(N + 257, kNil);
    parent_.assign(N + 1, kNil);
}

// Inserts the string at ring position r into the tree of its first byte and records the longest
// match found on the way; a string equal to one already held replaces it (the newer is nearer).
void CLZSS::InsertNode(std::uint32_t r) {
    const unsigned char* key = &ring_[r];
    std::uint32_t p = N + 1 + key[0];
    int cmp = 1;
    right_[r] = left_[r] = kNil;
    matchLength_ = 0;
    for (;;) {
        if (cmp >= 0) {
            if (right_[p] == kNil) {
                right_[p] = r;
                parent_[r] = p;
                return;
            }
            p = right_[p];
        } else {
            if (left_[p] == kNil) {
                left_[p] = r;
                parent_[r] = p;
                return;
            }
            p = left_[p];
        }
        std::uint32_t i = 1;
        for (; i < F; ++i)
            if ((cmp = key[i] - ring_[p + i]) != 0) break;
        if (i > matchLength_) {
            matchPosition_ = p;
            if ((matchLength_ = i) >= F) break;
        }
    }
    parent_[r] = parent_[p];
    left_[r] = left_[p];
    right_[r] = right_[p];
    parent_[left_[p]] = r;
    parent_[right_[p]] = r;
    if (right_[parent_[p]] == p)
        right_[parent_[p]] = r;
    else
        left_[parent_[p]] = r;
    parent_[p] = kNil;
}

void CLZSS::DeleteNode(std::uint32_t p) {
    if (parent_[p] == kNil) return;
    std::uint32_t q;
    if (right_[p] == kNil) {
        q = left_[p];
    } else if (left_[p] == kNil) {
        q = right_[p];
    } else {
        q = left_[p];
        if (right_[q] != kNil) {
            do q = right_[q];
            while (right_[q] != kNil);
            right_[parent_[q]] = left_[q];
            parent_[left_[q]] = parent_[q];
            left_[q] = left_[p];
            parent_[left_[p]] = q;
        }
        right_[q] = right_[p];
        parent_[right_[p]] = q;
    }
    parent_[q] = parent_[p];
    if (right_[parent_[p]] == p)
        right_[parent_[p]] = q;
    else
        left_[parent_[p]] = q;
    parent_[p] = kNil;
}

std::uint32_t CLZSS::Encode(const unsigned char* source, std::uint32_t size, unsigned char* destination) {
    if (size < 17) return 0;
    const std::uint32_t limit = size - 8;
    std::uint32_t written = 0;
    std::uint32_t next = 0;  // Next input byte to take into the look-ahead.
    InitTree();
    unsigned char code[1 + 8 * 2];  // One flag byte and up to eight items.
    std::uint32_t codeLen = 1;
    unsigned mask = 1;
    code[0] = 0;
    std::uint32_t s = 0, r = N - F, len = 0;
    for (; len < F && next < size; ++len) ring_[r + len] = source[next++];
    for (std::uint32_t i = 1; i <= F; ++i) InsertNode(r - i);
    InsertNode(r);
    auto flush = [&]() {
        if (written + codeLen > limit) return false;
        std::memcpy(destination + written, code, codeLen);
        written += codeLen;
        code[0] = 0;
        codeLen = 1;
        mask = 1;
        return true;
    };
    do {
        if (matchLength_ > len) matchLength_ = len;
        if (matchLength_ <= kThreshold) {
            matchLength_ = 1;
            code[0] |= static_cast<unsigned char>(mask);
            code[codeLen++] = ring_[r];
        } else {
            code[codeLen++] = static_cast<unsigned char>(matchPosition_);
            code[codeLen++] =
                static_cast<unsigned char>(((matchPosition_ >> 4) & 0xF0) | (matchLength_ - (kThreshold + 1)));
        }
        if ((mask <<= 1) == 0x100 && !flush()) return 0;
        std::uint32_t lastMatch = matchLength_;
        std::uint32_t i = 0;
        for (; i < lastMatch && next < size; ++i) {
            DeleteNode(s);
            unsigned char c = source[next++];
            ring_[s] = c;
            if (s < F - 1) ring_[s + N] = c;
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            InsertNode(r);
        }
        for (; i < lastMatch; ++i) {
            DeleteNode(s);
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            if (--len) InsertNode(r);
        }
    } while (len > 0);
    if (codeLen > 1 && !flush()) return 0;
    return written;
}

bool CLZSS::Encode(const unsigned char* source, std::uint32_t size, std::vector<unsigned char>& out) {
    out.assign(size > 8 ? size - 8 : 0, 0);
    std::uint32_t n = Encode(source, size, out.data());
    out.resize(n);
    return n != 0;
}
