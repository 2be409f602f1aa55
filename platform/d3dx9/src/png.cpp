// Decoding of 8-bit RGB and RGBA PNG files that are not interlaced, straight into A8R8G8B8. The IDAT
// data is inflated by stb_image's own inflater (so a stream is taken or refused exactly as before),
// and each row is unfiltered into the image, whose row above serves as the filters' prior row: no
// unfiltered copy of the file's bytes and no second pass to reorder the channels. A pixel's channels
// are worked out together in 16-bit lanes, so Sub, Average and Paeth take one pixel a step instead of
// one byte.
#include "png.h"

#include <emmintrin.h>
#include <stb_image.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace d3dx9 {
namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// The largest side and byte count of a decoded image (as stb_image limits them).
constexpr std::uint32_t kMaxSide = 1u << 24;
constexpr std::uint32_t kMaxBytes = 1u << 30;

std::uint32_t Be32(const unsigned char* p) {
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

constexpr std::uint32_t Tag(const char (&name)[5]) {
    return std::uint32_t(std::uint8_t(name[0])) << 24 | std::uint32_t(std::uint8_t(name[1])) << 16 |
           std::uint32_t(std::uint8_t(name[2])) << 8 | std::uint8_t(name[3]);
}

enum Filter { kNone, kSub, kUp, kAverage, kPaeth };

// A pixel's four channels in the low four 16-bit lanes, in the image's order: blue, green, red, alpha.
using Lanes = __m128i;

// The file's pixel at p (R, G, B and, with four channels, A) in the image's lane order. The byte
// after an RGB pixel is read too (the inflated data has room for it); its lane becomes alpha, which
// is set opaque when the pixel is stored.
Lanes LoadFilePixel(const unsigned char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    const __m128i lanes = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(v)), _mm_setzero_si128());
    return _mm_shufflelo_epi16(lanes, _MM_SHUFFLE(3, 0, 1, 2));
}

Lanes LoadImagePixel(const DWORD* p) { return _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(*p)), _mm_setzero_si128()); }

// Each lane's low byte: filters add modulo 256.
Lanes Wrap(Lanes v) { return _mm_and_si128(v, _mm_set1_epi16(0xFF)); }

DWORD Pack(Lanes v, DWORD opaque) { return DWORD(_mm_cvtsi128_si32(_mm_packus_epi16(v, v))) | opaque; }

Lanes Abs(Lanes v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }

// The Paeth predictor per lane: of left (a), above (b) and above-left (c), the one nearest to
// a + b - c, ties going to a, then b.
Lanes Paeth(Lanes a, Lanes b, Lanes c) {
    const Lanes pa = Abs(_mm_sub_epi16(b, c));
    const Lanes pb = Abs(_mm_sub_epi16(a, c));
    const Lanes pc = Abs(_mm_add_epi16(_mm_sub_epi16(a, c), _mm_sub_epi16(b, c)));
    const Lanes notA = _mm_or_si128(_mm_cmpgt_epi16(pa, pb), _mm_cmpgt_epi16(pa, pc));
    const Lanes cOverB = _mm_cmpgt_epi16(pb, pc);
    const Lanes bOrC = _mm_or_si128(_mm_and_si128(cOverB, c), _mm_andnot_si128(cOverB, b));
    return _mm_or_si128(_mm_and_si128(notA, bOrC), _mm_andnot_si128(notA, a));
}

// Unfilters one row of width pixels of `channels` bytes from the file's bytes into out, with prior
// the image's row above (all zero for the first row).
template <Filter kFilter>
void UnfilterRow(const unsigned char* raw, int channels, const DWORD* prior, DWORD* out, std::uint32_t width) {
    const DWORD opaque = channels == 4 ? 0 : 0xFF000000u;
    Lanes a = _mm_setzero_si128(), c = _mm_setzero_si128();
    for (std::uint32_t x = 0; x < width; ++x, raw += channels) {
        const Lanes r = LoadFilePixel(raw);
        Lanes v;
        if constexpr (kFilter == kNone) {
            v = r;
        } else if constexpr (kFilter == kSub) {
            v = Wrap(_mm_add_epi16(r, a));
        } else {
            const Lanes b = LoadImagePixel(prior + x);
            if constexpr (kFilter == kUp)
                v = Wrap(_mm_add_epi16(r, b));
            else if constexpr (kFilter == kAverage)
                v = Wrap(_mm_add_epi16(r, _mm_srli_epi16(_mm_add_epi16(a, b), 1)));
            else
                v = Wrap(_mm_add_epi16(r, Paeth(a, b, c)));
            c = b;
        }
        out[x] = Pack(v, opaque);
        a = v;
    }
}

// Two rows that are both Paeth filtered, worked out together in one register: the low four lanes
// hold the first row's pixel x, the high four the second row's pixel x - 1, whose left, above and
// above-left pixels are all known by then. Each step takes the step before as its left pixels and the
// above pixels of the step before as its above-left ones, and does one pixel of each row.
void UnfilterPaethPair(const unsigned char* raw, const unsigned char* raw2, int channels, const DWORD* prior,
                       DWORD* out, DWORD* out2, std::uint32_t width) {
    const DWORD opaque = channels == 4 ? 0 : 0xFF000000u;
    Lanes left = _mm_setzero_si128(), aboveLeft = _mm_setzero_si128();
    // One step more than the row is wide: the second row ends a pixel later. Its reads past the rows'
    // ends stay within the buffers (the next row's bytes, the row of zeros one pixel longer).
    for (std::uint32_t x = 0; x <= width; ++x, raw += channels, raw2 += channels) {
        const Lanes above = _mm_unpacklo_epi64(LoadImagePixel(prior + x), left);
        const Lanes file = _mm_unpacklo_epi64(LoadFilePixel(raw), LoadFilePixel(raw2 - channels));
        Lanes v = Wrap(_mm_add_epi16(file, Paeth(left, above, aboveLeft)));
        if (x == 0) v = _mm_move_epi64(v);  // the second row's pixel -1: zero, its first pixel's left
        const __m128i bytes = _mm_packus_epi16(v, v);
        if (x < width) out[x] = DWORD(_mm_cvtsi128_si32(bytes)) | opaque;
        if (x > 0) out2[x - 1] = DWORD(_mm_cvtsi128_si32(_mm_srli_epi64(bytes, 32))) | opaque;
        aboveLeft = above;
        left = v;
    }
}

// The image data of the file: its IDAT chunks up to the closing chunk, one after another. Empty when
// the file has a chunk that is not whole, no closing chunk, a chunk the image cannot do without
// besides the header (a palette, a second header, an unknown one), or a transparent colour.
std::vector<std::pair<const unsigned char*, std::uint32_t>> ImageData(const unsigned char* bytes, std::size_t size,
                                                                      std::size_t from) {
    std::vector<std::pair<const unsigned char*, std::uint32_t>> parts;
    for (std::size_t at = from; size - at >= 12;) {
        const std::uint32_t length = Be32(bytes + at), type = Be32(bytes + at + 4);
        if (length > size - at - 12) break;
        const unsigned char* data = bytes + at + 8;
        at += 12 + std::size_t(length);
        if (type == Tag("IDAT"))
            parts.emplace_back(data, length);
        else if (type == Tag("IEND"))
            return parts;
        else if (!(type & 0x20000000u) || type == Tag("tRNS"))
            break;
    }
    return {};
}

}  // namespace

bool PlainPng::Read(const unsigned char* bytes, std::size_t size) {
    // The signature, then the header chunk (length 13) with its check sum.
    constexpr std::size_t kHeaderEnd = 8 + 8 + 13 + 4;
    if (size < kHeaderEnd || std::memcmp(bytes, kSignature, 8) != 0 || Be32(bytes + 8) != 13 ||
        Be32(bytes + 12) != Tag("IHDR"))
        return false;
    const unsigned char* header = bytes + 16;
    const std::uint32_t w = Be32(header), h = Be32(header + 4);
    const int depth = header[8], colour = header[9];
    if (depth != 8 || (colour != 2 && colour != 6) || header[10] != 0 || header[11] != 0 || header[12] != 0)
        return false;
    const int channels = colour == 6 ? 4 : 3;
    if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide || kMaxBytes / w / std::uint32_t(channels) < h) return false;

    const auto parts = ImageData(bytes, size, kHeaderEnd);
    if (parts.empty()) return false;
    // The compressed data in one piece: the chunk's own bytes when there is one chunk.
    d3d9::PixelBuffer<unsigned char> joined;
    const unsigned char* compressed = parts[0].first;
    std::size_t compressedSize = parts[0].second;
    if (parts.size() > 1) {
        compressedSize = 0;
        for (const auto& part : parts) compressedSize += part.second;
        if (compressedSize > INT_MAX || !(joined = d3d9::MakePixels<unsigned char>(compressedSize))) return false;
        std::size_t at = 0;
        for (const auto& part : parts) {
            std::memcpy(joined.get() + at, part.first, part.second);
            at += part.second;
        }
        compressed = joined.get();
    }
    // Exactly the rows' bytes; a stream that holds more or fewer is left to stb_image.
    const std::size_t rowBytes = 1 + std::size_t(w) * std::size_t(channels), rowsBytes = rowBytes * h;
    rows_ = d3d9::MakePixels<unsigned char>(rowsBytes + 1);
    if (!rows_ || compressedSize > INT_MAX ||
        stbi_zlib_decode_buffer(reinterpret_cast<char*>(rows_.get()), int(rowsBytes),
                                reinterpret_cast<const char*>(compressed), int(compressedSize)) != int(rowsBytes))
        return false;
    for (std::size_t at = 0; at < rowsBytes; at += rowBytes)
        if (rows_[at] > kPaeth) return false;
    width_ = w;
    height_ = h;
    channels_ = channels;
    return true;
}

void PlainPng::Unfilter(BYTE* out, std::size_t pitch) const {
    const std::size_t rowBytes = 1 + std::size_t(width_) * std::size_t(channels_);
    const std::vector<DWORD> zeroRow(width_ + 1);
    const unsigned char* data = rows_.get();
    for (std::uint32_t y = 0; y < height_; ++y, data += rowBytes, out += pitch) {
        const unsigned char* raw = data + 1;
        auto* row = reinterpret_cast<DWORD*>(out);
        const DWORD* prior = y == 0 ? zeroRow.data() : reinterpret_cast<const DWORD*>(out - pitch);
        if (data[0] == kPaeth && y + 1 < height_ && data[rowBytes] == kPaeth) {
            UnfilterPaethPair(raw, raw + rowBytes, channels_, prior, row, reinterpret_cast<DWORD*>(out + pitch),
                              width_);
            ++y, data += rowBytes, out += pitch;
            continue;
        }
        switch (data[0]) {
            case kNone: UnfilterRow<kNone>(raw, channels_, prior, row, width_); break;
            case kSub: UnfilterRow<kSub>(raw, channels_, prior, row, width_); break;
            case kUp: UnfilterRow<kUp>(raw, channels_, prior, row, width_); break;
            case kAverage: UnfilterRow<kAverage>(raw, channels_, prior, row, width_); break;
            default: UnfilterRow<kPaeth>(raw, channels_, prior, row, width_); break;
        }
    }
}

}  // namespace d3dx9
