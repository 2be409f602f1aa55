// Text buffers: a Shift-JIS string laid out character by character inside a box, each glyph drawn
// once through GDI into the buffer's own texture (a glyph atlas), one cell per drawn character; and
// the manager that owns every text buffer under its index.
#pragma once
#include <d3d9.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/font/AAFontFactoryEX.h"
#include "engine/resources/PixelOperators.h"
#include "engine/resources/Texture.h"
#include "engine/util/USSingleton.h"

// One laid-out character: where it stands in the box and where its glyph lies in the atlas.
struct CRenderingCharInfo {
    virtual ~CRenderingCharInfo() = default;
    std::uint32_t code = 0;
    float left = 0, top = 0, right = 0, bottom = 0;
    float uLeft = 0, vTop = 0, uRight = 0, vBottom = 0;
    float lineWidth = 0;  // the pen position at the end of this cell's line
};

class CStringRenderTexture {
public:
    static constexpr std::uint32_t kAll = 0xFFFFFFFFu;

    CStringRenderTexture() = default;
    CStringRenderTexture(const CStringRenderTexture&) = delete;
    CStringRenderTexture& operator=(const CStringRenderTexture&) = delete;
    virtual ~CStringRenderTexture();
    virtual void ClearChars();
    virtual bool CreateFont(int size, const char* face, bool bold, bool italic, bool underline, bool strikeOut);
    virtual void SetPitch(float pitch, float lineHeight) {
        pitch_ = pitch;
        lineHeight_ = lineHeight;
    }
    virtual void ResetLayout();
    // Opens a drawing pass: empties the layout, selects the font, locks the atlas. False (and no
    // pass) when the atlas cannot be locked.
    virtual bool CreateDC();
    // Makes the box rectangle of the atlas transparent black.
    virtual void ClearTexture();
    // Lays the text out and draws its glyphs in that colour; needs an open pass.
    virtual void SetString(const char* text, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    virtual void Rebuild() { SetString(text_.c_str(), red_, green_, blue_); }
    virtual void DeleteDC();
    virtual void SetAlignLeft() { alignment_ = 0; }
    virtual void SetAlignRight() { alignment_ = 1; }
    virtual void SetAlignCenter() { alignment_ = 2; }
    virtual void SetRenderingCharCount(std::uint32_t n) { visible_ = n; }
    virtual void SetAllRendering() { visible_ = kAll; }
    virtual void FinishLine(float lineWidth);
    virtual std::uint32_t GetCharCount() { return static_cast<std::uint32_t>(cells_.size()); }

    // Makes the atlas; the box is the requested size, the atlas whatever the device gave. False when
    // the device has no texture for it.
    bool CreateTexture(std::uint32_t width, std::uint32_t height);
    // Starts a walk over the visible cells.
    void BeginRendering() {
        cursor_ = 0;
        drawn_ = 0;
    }
    // The next visible cell's screen rectangle (offset by the alignment) and atlas rectangle.
    bool NextRenderingChar(float* screenRect, float* textureRect);
    // Raises the visible count by one while cells are hidden; false (and no change) once every
    // character is visible.
    bool AddRenderingCharCount() {
        if (visible_ >= GetCharCount()) return false;
        ++visible_;
        return true;
    }

    TextureHandle GetTextureHandle() const { return texture_; }
    std::uint32_t GetRenderingCharCount() const { return visible_; }
    const CRenderingCharInfo& GetChar(std::uint32_t i) const { return *cells_.at(i); }
    int GetAlignment() const { return alignment_; }
    const std::string& GetText() const { return text_; }
    void SetFixedPitch(bool fixed) { fixedPitch_ = fixed ? 1 : 0; }

private:
    // Places one glyph; false when it fits neither the box nor the atlas.
    bool PlaceChar(std::uint32_t code);

    TextureHandle texture_;
    AAFontFactoryEX font_;
    float fontSize_ = 0;
    float atlasWidth_ = 0, atlasHeight_ = 0;
    float boxWidth_ = 0, boxHeight_ = 0;
    float pitch_ = 0, lineHeight_ = 0;
    int alignment_ = 0;
    std::vector<std::unique_ptr<CRenderingCharInfo>> cells_;
    std::uint32_t lineStart_ = 0;
    std::uint32_t cursor_ = 0, drawn_ = 0;
    std::uint32_t visible_ = kAll;
    std::string text_;
    std::uint8_t red_ = 255, green_ = 255, blue_ = 255;
    std::uint8_t fixedPitch_ = 1;
    // Layout state of one SetString.
    float penX_ = 0, penY_ = 0, atlasX_ = 0, atlasY_ = 0;
    // The open drawing pass.
    HDC dc_ = nullptr;
    std::uint8_t* bits_ = nullptr;
    std::uint32_t rowPitch_ = 0;
    CClearRectFunctor* clear_ = nullptr;
    IPixelOperator* pixels_ = nullptr;
};

class CStringRendererManager : public USLib::singleton<CStringRendererManager> {
public:
    CStringRendererManager() = default;
    ~CStringRendererManager() override { DeleteAll(); }
    virtual void DeleteAll();
    // The new buffer's index. Alignment 0 left, 1 right, 2 centred; other values keep left.
    std::uint32_t CreateStringRenderTexture(int size, const char* face, int width, int height, int pitch,
                                            int lineHeight, int alignment, bool fixedPitch);
    // Null for an index outside the list.
    CStringRenderTexture* Get(std::uint32_t index) const {
        return index < buffers_.size() ? buffers_[index].get() : nullptr;
    }
    std::uint32_t Count() const { return static_cast<std::uint32_t>(buffers_.size()); }

private:
    std::vector<std::unique_ptr<CStringRenderTexture>> buffers_;
};
