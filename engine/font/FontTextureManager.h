// The glyph texture cache: one container per distinct font, each with a fixed number of glyph
// slots, each slot a small square texture holding one glyph, recycled least recently used first.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <d3d9.h>

#include "engine/font/AAFontFactoryEX.h"
#include "engine/font/USUseHistoryVector.h"
#include "engine/resources/Texture.h"
#include "engine/util/USSingleton.h"

class CRenderPixel;
class CClearRectFunctor;

// One glyph slot: its texture, the character it holds and where the glyph lies in the cell.
class CFontTextureNode {
public:
    static constexpr uint32_t kEmpty = 0xFFFFFFFF;

    CFontTextureNode() = default;
    CFontTextureNode(const CFontTextureNode&) = delete;
    CFontTextureNode& operator=(const CFontTextureNode&) = delete;
    virtual ~CFontTextureNode() { Release(); }
    // Releases the texture; the slot holds no character.
    virtual void Release();
    virtual void SetCode(uint32_t code) { code_ = code; }
    virtual uint32_t GetCode() const { return code_; }
    virtual TextureHandle GetTexture() const { return texture_; }
    // A cell x cell texture in format; on failure the slot keeps what it had.
    virtual void Setup(D3DFORMAT format, uint32_t cell, uint32_t fontSize);
    // Draws a coverage bitmap (white, coverage as alpha) at (left, top) of the cleared cell.
    virtual void Render(uint32_t code, const BYTE* bitmap, int left, int top, int width, int height, int pitch,
                        CRenderPixel* writer, CClearRectFunctor* clear);
    virtual void SetAdvance(int advance) { advance_ = advance; }
    virtual int GetAdvance() const { return advance_; }

    uint32_t GetCellSize() const { return cell_; }
    // The glyph box in texels, each edge minus 0.5, and its texture coordinates.
    float GetLeft() const { return left_; }
    float GetTop() const { return top_; }
    float GetRight() const { return right_; }
    float GetBottom() const { return bottom_; }
    float GetU0() const { return u0_; }
    float GetV0() const { return v0_; }
    float GetU1() const { return u1_; }
    float GetV1() const { return v1_; }

private:
    TextureHandle texture_;
    uint32_t code_ = kEmpty;
    uint32_t cell_ = 0;
    uint32_t fontSize_ = 0;
    float left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    float u0_ = 0, v0_ = 0, u1_ = 0, v1_ = 0;
    int advance_ = 0;
};

// The glyph slots of one font (size, face, bold, italic, underline, strike-out).
class CFontTextureContainer {
public:
    virtual ~CFontTextureContainer() = default;
    virtual void ReleaseNodes() { nodes_.Release(); }
    virtual void CreateNodes(size_t n) { nodes_.Create(n); }
    virtual void Setup(int size, const char* face, bool bold, bool italic, bool underline, bool strikeOut);
    virtual bool Matches(int size, const char* face, bool bold, bool italic, bool underline, bool strikeOut) const;
    // Opens a glyph session: a memory device context with the font selected.
    virtual void Begin();
    // The slot holding code, rendering it into the slot used longest ago when it is not cached.
    virtual CFontTextureNode* GetGlyph(uint32_t code, CRenderPixel* writer, CClearRectFunctor* clear);
    virtual void End();
    virtual uint32_t StyleKey(bool bold, bool italic, bool underline, bool strikeOut) const;

    // The cell size for a font size: the first of 16 ... 512 above it, or -1 (no cell) from 512 on.
    static int CellSizeFor(int size);

private:
    CUSUseHistoryVector<CFontTextureNode> nodes_;
    std::string face_;
    int size_ = 0;
    uint32_t style_ = 0;
    AAFontFactoryEX factory_;
    HDC dc_ = nullptr;
};

class CUSFontTextureManager {
public:
    CUSFontTextureManager();
    virtual ~CUSFontTextureManager();
    virtual void SetNodeCount(uint32_t n) { nodeCount_ = n; }
    // The container of this font, made (with the current slot count) on first request.
    virtual CFontTextureContainer* GetContainer(int size, const char* face, bool bold, bool italic, bool underline,
                                                bool strikeOut);
    virtual void SelectContainer(int size, const char* face, bool bold, bool italic, bool underline, bool strikeOut) {
        current_ = GetContainer(size, face, bold, italic, underline, strikeOut);
    }
    virtual void Begin();
    virtual CFontTextureNode* GetGlyph(uint32_t code);
    virtual void End();

private:
    std::vector<std::unique_ptr<CFontTextureContainer>> containers_;
    CFontTextureContainer* current_ = nullptr;
    uint32_t nodeCount_ = 0;
};
