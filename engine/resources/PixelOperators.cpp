// Pixel encodings of the five colour formats the engine draws with. The 16-bit encodings and the
// X8R8G8B8 writers premultiply each channel by alpha ((c * a) >> 8) before truncating it.
#include "engine/resources/PixelOperators.h"

#include <cstring>

namespace {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;

u8 Premultiply(u8 c, u8 a) { return static_cast<u8>((c * a) >> 8); }
u8 Expand5(u32 v) { return static_cast<u8>(v * 255 / 31); }
u8 Expand6(u32 v) { return static_cast<u8>(v * 255 / 63); }

// The encodings, one per format and use.
u32 EncodeA8R8G8B8(u8 r, u8 g, u8 b, u8 a) { return u32(a) << 24 | u32(r) << 16 | u32(g) << 8 | b; }
u32 EncodeX8R8G8B8Operator(u8 r, u8 g, u8 b, u8) { return 0xFF000000u | u32(r) << 16 | u32(g) << 8 | b; }
u32 EncodeX8R8G8B8Writer(u8 r, u8 g, u8 b, u8 a) {
    return u32(Premultiply(r, a)) << 16 | u32(Premultiply(g, a)) << 8 | Premultiply(b, a);
}
u16 EncodeA1R5G5B5(u8 r, u8 g, u8 b, u8 a) {
    if (a == 0) return 0;
    return static_cast<u16>(0x8000 | (Premultiply(r, a) >> 3) << 10 | (Premultiply(g, a) >> 3) << 5 |
                            (Premultiply(b, a) >> 3));
}
u16 EncodeR5G6B5(u8 r, u8 g, u8 b, u8 a) {
    return static_cast<u16>((Premultiply(r, a) >> 3) << 11 | (Premultiply(g, a) >> 2) << 5 | (Premultiply(b, a) >> 3));
}

template <class T>
void Store(u8* p, T v) {
    std::memcpy(p, &v, sizeof v);
}
template <class T>
T Load(const u8* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The decodings of what a pixel operator reads back.
void DecodeA8R8G8B8(u32 v, u8* r, u8* g, u8* b, u8* a) {
    *a = v >> 24, *r = (v >> 16) & 0xFF, *g = (v >> 8) & 0xFF, *b = v & 0xFF;
}
void DecodeX8R8G8B8(u32 v, u8* r, u8* g, u8* b, u8* a) {
    *r = (v >> 16) & 0xFF, *g = (v >> 8) & 0xFF, *b = v & 0xFF, *a = 255;
}
void DecodeA1R5G5B5(u16 v, u8* r, u8* g, u8* b, u8* a) {
    *r = Expand5((v >> 10) & 31), *g = Expand5((v >> 5) & 31), *b = Expand5(v & 31);
    *a = (v & 0x8000) ? 255 : 0;
}
void DecodeR5G6B5(u16 v, u8* r, u8* g, u8* b, u8* a) {
    *r = Expand5(v >> 11), *g = Expand6((v >> 5) & 63), *b = Expand5(v & 31), *a = 255;
}

// A pixel operator over pixels of one 16- or 32-bit word each.
template <class T, T (*Encode)(u8, u8, u8, u8), void (*Decode)(T, u8*, u8*, u8*, u8*)>
class CWordPixelOperator : public IPixelOperator {
public:
    CWordPixelOperator() : IPixelOperator(sizeof(T)) {}
    void WritePixel(u8 r, u8 g, u8 b, u8 a) override {
        Store(cursor_, Encode(r, g, b, a));
        cursor_ += sizeof(T);
    }
    void ReadPixel(u8* r, u8* g, u8* b, u8* a) override {
        Decode(Load<T>(cursor_), r, g, b, a);
        cursor_ += sizeof(T);
    }
};
using CPixelOperatorA8R8G8B8 = CWordPixelOperator<u32, EncodeA8R8G8B8, DecodeA8R8G8B8>;
using CPixelOperatorX8R8G8B8 = CWordPixelOperator<u32, EncodeX8R8G8B8Operator, DecodeX8R8G8B8>;
using CPixelOperatorA1R5G5B5 = CWordPixelOperator<u16, EncodeA1R5G5B5, DecodeA1R5G5B5>;
using CPixelOperatorR5G6B5 = CWordPixelOperator<u16, EncodeR5G6B5, DecodeR5G6B5>;

class CPixelOperatorR8G8B8 : public IPixelOperator {
public:
    CPixelOperatorR8G8B8() : IPixelOperator(3) {}
    void WritePixel(u8 r, u8 g, u8 b, u8) override {
        cursor_[0] = b, cursor_[1] = g, cursor_[2] = r;
        cursor_ += 3;
    }
    void ReadPixel(u8* r, u8* g, u8* b, u8* a) override {
        *b = cursor_[0], *g = cursor_[1], *r = cursor_[2], *a = 255;
        cursor_ += 3;
    }
};

template <u32 Bytes>
class CClearRect : public CClearRectFunctor {
public:
    void operator()(u32 x, u32 y, u32 width, u32 height, u8* bits, u32 pitch) const override {
        u8* row = bits + y * pitch + x * Bytes;
        for (u32 i = 0; i < height; ++i, row += pitch) std::memset(row, 0, width * Bytes);
    }
};
using CClearRectFunctor32Bit = CClearRect<4>;
using CClearRectFunctor16Bit = CClearRect<2>;

template <u32 (*Encode)(u8, u8, u8, u8)>
class CFillRect32 : public CFillRectFunctor {
public:
    void operator()(u32 x, u32 y, u32 width, u32 height, u8 r, u8 g, u8 b, u8 a, u8* bits, u32 pitch) const override {
        u32 value = Encode(r, g, b, a);
        u8* row = bits + y * pitch + x * 4;
        for (u32 i = 0; i < height; ++i, row += pitch)
            for (u32 j = 0; j < width; ++j) Store(row + j * 4, value);
    }
};

// 16-bit rows are filled two pixels per 32-bit store, the last pixel of an odd width alone.
template <u16 (*Encode)(u8, u8, u8, u8)>
class CFillRect16 : public CFillRectFunctor {
public:
    void operator()(u32 x, u32 y, u32 width, u32 height, u8 r, u8 g, u8 b, u8 a, u8* bits, u32 pitch) const override {
        u16 value = Encode(r, g, b, a);
        u32 pair = u32(value) << 16 | value;
        u8* row = bits + y * pitch + x * 2;
        for (u32 i = 0; i < height; ++i, row += pitch) {
            u32 j = 0;
            for (; j + 1 < width; j += 2) Store(row + j * 2, pair);
            if (j < width) Store(row + j * 2, value);
        }
    }
};

template <u32 (*Encode)(u8, u8, u8, u8)>
class CRenderPixel32 : public CRenderPixel {
public:
    void operator()(u32 x, u32 y, u8 r, u8 g, u8 b, u8 a, u8* bits, u32 pitch) const override {
        Store(bits + y * pitch + x * 4, Encode(r, g, b, a));
    }
};

template <u16 (*Encode)(u8, u8, u8, u8)>
class CRenderPixel16 : public CRenderPixel {
public:
    void operator()(u32 x, u32 y, u8 r, u8 g, u8 b, u8 a, u8* bits, u32 pitch) const override {
        Store(bits + y * pitch + x * 2, Encode(r, g, b, a));
    }
};

using CFillRectFunctorA8R8G8B8 = CFillRect32<EncodeA8R8G8B8>;
using CFillRectFunctorX8R8G8B8 = CFillRect32<EncodeX8R8G8B8Writer>;
using CFillRectFunctorR5G6B5 = CFillRect16<EncodeR5G6B5>;  // Alpha 0 premultiplies every channel to 0.
using CFillRectFunctorA1R5G5B5 = CFillRect16<EncodeA1R5G5B5>;
using CRenderPixelA8R8G8B8 = CRenderPixel32<EncodeA8R8G8B8>;
using CRenderPixelX8R8G8B8 = CRenderPixel32<EncodeX8R8G8B8Writer>;
using CRenderPixelR5G6B5 = CRenderPixel16<EncodeR5G6B5>;
using CRenderPixelA1R5G5B5 = CRenderPixel16<EncodeA1R5G5B5>;

}  // namespace

void IPixelOperator::Attach(u8* bits, u32 pitch) {
    bits_ = bits;
    pitch_ = pitch;
}

void IPixelOperator::SetRect(u32 x, u32 y, u32 width, u32 height) {
    x_ = x, y_ = y, width_ = width, height_ = height;
}

void IPixelOperator::Begin() { rowStart_ = cursor_ = bits_ + y_ * pitch_ + x_ * bytesPerPixel_; }

void IPixelOperator::NextRow() {
    rowStart_ += pitch_;
    cursor_ = rowStart_;
}

std::unique_ptr<IPixelOperator> CreatePixelOperator(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_R8G8B8: return std::make_unique<CPixelOperatorR8G8B8>();
        case D3DFMT_A8R8G8B8: return std::make_unique<CPixelOperatorA8R8G8B8>();
        case D3DFMT_X8R8G8B8: return std::make_unique<CPixelOperatorX8R8G8B8>();
        case D3DFMT_R5G6B5: return std::make_unique<CPixelOperatorR5G6B5>();
        case D3DFMT_A1R5G5B5: return std::make_unique<CPixelOperatorA1R5G5B5>();
        default: return nullptr;
    }
}

std::unique_ptr<CClearRectFunctor> CreateClearRectFunctor(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8: return std::make_unique<CClearRectFunctor32Bit>();
        case D3DFMT_R5G6B5:
        case D3DFMT_A1R5G5B5: return std::make_unique<CClearRectFunctor16Bit>();
        default: return nullptr;
    }
}

std::unique_ptr<CFillRectFunctor> CreateFillRectFunctor(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8: return std::make_unique<CFillRectFunctorA8R8G8B8>();
        case D3DFMT_X8R8G8B8: return std::make_unique<CFillRectFunctorX8R8G8B8>();
        case D3DFMT_R5G6B5: return std::make_unique<CFillRectFunctorR5G6B5>();
        case D3DFMT_A1R5G5B5: return std::make_unique<CFillRectFunctorA1R5G5B5>();
        default: return nullptr;
    }
}

std::unique_ptr<CRenderPixel> CreateRenderPixel(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_A8R8G8B8: return std::make_unique<CRenderPixelA8R8G8B8>();
        case D3DFMT_X8R8G8B8: return std::make_unique<CRenderPixelX8R8G8B8>();
        case D3DFMT_R5G6B5: return std::make_unique<CRenderPixelR5G6B5>();
        case D3DFMT_A1R5G5B5: return std::make_unique<CRenderPixelA1R5G5B5>();
        default: return nullptr;
    }
}
