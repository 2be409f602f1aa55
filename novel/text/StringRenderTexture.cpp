// Text buffers: layout of Shift-JIS text into cells, glyph drawing into the atlas, the walk over
// visible cells with alignment, and the manager of all buffers.
#include "novel/text/StringRenderTexture.h"

#include <win32/codepage.h>

#include <cmath>

#include "engine/device/AppDeviceInfo.h"

namespace {

CUSTextureFormatInfo& AtlasFormat() { return CUSSingleton<CUSAppDeviceInfo>::GetInstance()->alphaTexture; }

}  // namespace

CStringRenderTexture::~CStringRenderTexture() {
    DeleteDC();
    ClearChars();
    font_.DeleteFont();
    GetTextureManager().Release(texture_);
}

void CStringRenderTexture::ClearChars() {
    cells_.clear();
}

bool CStringRenderTexture::CreateFont(int size, const char* face, bool bold, bool italic, bool underline,
                                      bool strikeOut) {
    fontSize_ = static_cast<float>(size);
    return font_.CreateFont(size, face, bold, italic, underline, strikeOut);
}

void CStringRenderTexture::ResetLayout() {
    ClearChars();
    lineStart_ = 0;
}

bool CStringRenderTexture::CreateTexture(std::uint32_t width, std::uint32_t height) {
    boxWidth_ = static_cast<float>(width);
    boxHeight_ = static_cast<float>(height);
    GetTextureManager().Release(texture_);
    if (!::CreateTexture(&texture_, AtlasFormat().GetFormat(), width, height, 0)) return false;
    const D3DSURFACE_DESC& desc = GetTexture(texture_)->GetLevelDesc();
    atlasWidth_ = static_cast<float>(desc.Width);
    atlasHeight_ = static_cast<float>(desc.Height);
    clear_ = AtlasFormat().GetClearRect();
    pixels_ = AtlasFormat().GetPixelOperator();
    return true;
}

bool CStringRenderTexture::CreateDC() {
    ResetLayout();
    CUSDefoTexture* texture = GetTexture(texture_);
    D3DLOCKED_RECT locked{};
    if (!texture || !texture->GetD3DTexture() || texture->GetD3DTexture()->LockRect(0, &locked, nullptr, 0) < 0)
        return false;
    bits_ = static_cast<std::uint8_t*>(locked.pBits);
    rowPitch_ = static_cast<std::uint32_t>(locked.Pitch);
    if (pixels_) pixels_->Attach(bits_, rowPitch_);
    dc_ = ::CreateCompatibleDC(nullptr);
    font_.GetTextMetrics(dc_);
    return true;
}

void CStringRenderTexture::ClearTexture() {
    if (!bits_ || !clear_) return;
    (*clear_)(0, 0, static_cast<std::uint32_t>(boxWidth_), static_cast<std::uint32_t>(boxHeight_), bits_, rowPitch_);
}

void CStringRenderTexture::DeleteDC() {
    if (bits_) {
        if (CUSDefoTexture* texture = GetTexture(texture_)) texture->GetD3DTexture()->UnlockRect(0);
        bits_ = nullptr;
    }
    if (dc_) {
        font_.End();
        ::DeleteDC(dc_);
        dc_ = nullptr;
    }
}

void CStringRenderTexture::FinishLine(float lineWidth) {
    for (std::size_t i = lineStart_; i < cells_.size(); ++i) cells_[i]->lineWidth = lineWidth;
}

void CStringRenderTexture::SetString(const char* text, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    text_ = text ? text : "";
    red_ = red;
    green_ = green;
    blue_ = blue;
    penX_ = penY_ = atlasX_ = atlasY_ = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text_.c_str());
    while (*p) {
        std::uint32_t code = *p++;
        if (win32::IsCp932LeadByte(static_cast<unsigned char>(code)) && *p) code = code << 8 | *p++;
        if (code == 0x0A) {
            FinishLine(penX_);
            lineStart_ = GetCharCount();
            penX_ = 0;
            penY_ += lineHeight_;
        } else if (code == 0x20) {
            penX_ += pitch_ * 0.5f;
        } else if (code == 0x8140) {
            penX_ += pitch_;
        } else if (!PlaceChar(code)) {
            break;
        }
    }
    if (penX_ > 0) FinishLine(penX_);
}

bool CStringRenderTexture::PlaceChar(std::uint32_t code) {
    if (atlasWidth_ <= 0 || atlasHeight_ <= 0) return false;  // no atlas to draw into
    int w = 0, h = 0, originX = 0, top = 0, advanceX = 0, advanceY = 0, stride = 0;
    const BYTE* glyph = font_.GetGlyphBitmap(code, w, h, originX, top, advanceX, advanceY, stride);
    float advance = fixedPitch_ ? (code < 0x100 ? pitch_ * 0.5f : pitch_) : static_cast<float>(advanceX);
    if (!(boxWidth_ > penX_ + advance)) {
        FinishLine(penX_);
        penX_ = 0;
        lineStart_ = GetCharCount();
        if (!(boxHeight_ > penY_ + lineHeight_)) return false;
        penY_ += lineHeight_;
    }
    if (!(atlasWidth_ >= atlasX_ + w)) {
        if (!(atlasY_ + 2 * fontSize_ <= atlasHeight_)) return false;
        atlasX_ = 0;
        atlasY_ += fontSize_;
    }
    // Never a pixel outside the atlas.
    if (atlasX_ + w > atlasWidth_ || atlasY_ + h > atlasHeight_) return false;
    if (pixels_ && bits_ && w > 0 && h > 0 && glyph) {
        pixels_->SetRect(static_cast<std::uint32_t>(atlasX_), static_cast<std::uint32_t>(atlasY_),
                         static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h));
        pixels_->Begin();
        for (int row = 0; row < h; ++row) {
            const BYTE* coverage = glyph + row * stride;
            for (int col = 0; col < w; ++col) pixels_->WritePixel(red_, green_, blue_, coverage[col]);
            pixels_->NextRow();
        }
    }
    auto cell = std::make_unique<CRenderingCharInfo>();
    cell->code = code;
    cell->left = penX_ + static_cast<float>(originX);
    cell->top = penY_ + static_cast<float>(top);
    cell->right = cell->left + static_cast<float>(w);
    cell->bottom = cell->top + static_cast<float>(h);
    cell->uLeft = atlasX_ / atlasWidth_;
    cell->vTop = atlasY_ / atlasHeight_;
    cell->uRight = (atlasX_ + static_cast<float>(w)) / atlasWidth_;
    cell->vBottom = (atlasY_ + static_cast<float>(h)) / atlasHeight_;
    cells_.push_back(std::move(cell));
    atlasX_ += static_cast<float>(w);
    penX_ += advance;
    return true;
}

bool CStringRenderTexture::NextRenderingChar(float* screenRect, float* textureRect) {
    if (cursor_ >= cells_.size() || visible_ <= drawn_) return false;
    const CRenderingCharInfo& c = *cells_[cursor_];
    textureRect[0] = c.uLeft;
    textureRect[1] = c.vTop;
    textureRect[2] = c.uRight;
    textureRect[3] = c.vBottom;
    float offset = 0;
    if (alignment_ == 1) offset = std::floor(boxWidth_ - c.lineWidth);
    if (alignment_ == 2) offset = std::floor((boxWidth_ - c.lineWidth) * 0.5f);
    screenRect[0] = c.left + offset;
    screenRect[1] = c.top;
    screenRect[2] = c.right + offset;
    screenRect[3] = c.bottom;
    ++cursor_;
    ++drawn_;
    return true;
}

void CStringRendererManager::DeleteAll() {
    buffers_.clear();
}

std::uint32_t CStringRendererManager::CreateStringRenderTexture(int size, const char* face, int width, int height,
                                                                int pitch, int lineHeight, int alignment,
                                                                bool fixedPitch) {
    auto buffer = std::make_unique<CStringRenderTexture>();
    buffer->CreateFont(size, face, false, false, false, false);
    buffer->CreateTexture(static_cast<std::uint32_t>(width > 0 ? width : 0),
                          static_cast<std::uint32_t>(height > 0 ? height : 0));
    buffer->SetPitch(static_cast<float>(pitch), static_cast<float>(lineHeight));
    buffer->SetFixedPitch(fixedPitch);
    if (alignment == 1) buffer->SetAlignRight();
    if (alignment == 2) buffer->SetAlignCenter();
    buffers_.push_back(std::move(buffer));
    return static_cast<std::uint32_t>(buffers_.size() - 1);
}
