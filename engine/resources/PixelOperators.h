// Per-format pixel objects for locked texture and surface memory: a pixel operator with a cursor,
// rectangle clearers, rectangle fillers and single-pixel writers, each made by a factory from a
// D3DFORMAT (null for formats it does not handle).
#pragma once
#include <d3d9.h>

#include <cstdint>
#include <memory>

class IPixelOperator {
public:
    virtual ~IPixelOperator() = default;
    virtual void Attach(std::uint8_t* bits, std::uint32_t pitch);
    virtual void SetRect(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height);
    virtual void Begin();
    virtual void NextRow();
    virtual void WritePixel(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a) = 0;
    virtual void ReadPixel(std::uint8_t* r, std::uint8_t* g, std::uint8_t* b, std::uint8_t* a) = 0;

    std::uint32_t GetWidth() const { return width_; }
    std::uint32_t GetHeight() const { return height_; }

protected:
    explicit IPixelOperator(std::uint32_t bytesPerPixel) : bytesPerPixel_(bytesPerPixel) {}
    std::uint8_t* cursor_ = nullptr;

private:
    std::uint32_t bytesPerPixel_;
    std::uint8_t* bits_ = nullptr;
    std::uint32_t pitch_ = 0;
    std::uint32_t x_ = 0, y_ = 0, width_ = 0, height_ = 0;
    std::uint8_t* rowStart_ = nullptr;
};

class CClearRectFunctor {
public:
    virtual ~CClearRectFunctor() = default;
    virtual void operator()(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
                            std::uint8_t* bits, std::uint32_t pitch) const = 0;
};

class CFillRectFunctor {
public:
    virtual ~CFillRectFunctor() = default;
    virtual void operator()(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
                            std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a, std::uint8_t* bits,
                            std::uint32_t pitch) const = 0;
};

class CRenderPixel {
public:
    virtual ~CRenderPixel() = default;
    virtual void operator()(std::uint32_t x, std::uint32_t y, std::uint8_t r, std::uint8_t g, std::uint8_t b,
                            std::uint8_t a, std::uint8_t* bits, std::uint32_t pitch) const = 0;
};

std::unique_ptr<IPixelOperator> CreatePixelOperator(D3DFORMAT format);
std::unique_ptr<CClearRectFunctor> CreateClearRectFunctor(D3DFORMAT format);
std::unique_ptr<CFillRectFunctor> CreateFillRectFunctor(D3DFORMAT format);
std::unique_ptr<CRenderPixel> CreateRenderPixel(D3DFORMAT format);
