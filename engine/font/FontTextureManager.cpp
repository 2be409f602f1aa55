// The glyph texture cache: slot set-up, glyph rendering into slot textures, container lookup.
#include "engine/font/FontTextureManager.h"

#include <algorithm>

#include "engine/device/AppDeviceInfo.h"
#include "engine/resources/PixelOperators.h"

void CFontTextureNode::Release() {
    GetTextureManager().Release(texture_);
    code_ = kEmpty;
}

void CFontTextureNode::Setup(D3DFORMAT format, uint32_t cell, uint32_t fontSize) {
    TextureHandle created;
    if (!CreateTexture(&created, format, cell, cell, 0)) return;
    GetTextureManager().Release(texture_);
    texture_ = created;
    cell_ = cell;
    fontSize_ = fontSize;
}

void CFontTextureNode::Render(uint32_t code, const BYTE* bitmap, int left, int top, int width, int height, int pitch,
                              CRenderPixel* writer, CClearRectFunctor* clear) {
    CUSDefoTexture* texture = ::GetTexture(texture_);
    IDirect3DTexture9* d3dTexture = texture ? texture->GetD3DTexture() : nullptr;
    D3DLOCKED_RECT locked;
    if (d3dTexture && writer && clear && SUCCEEDED(d3dTexture->LockRect(0, &locked, nullptr, 0))) {
        BYTE* bits = static_cast<BYTE*>(locked.pBits);
        DWORD rowPitch = static_cast<DWORD>(locked.Pitch);
        (*clear)(0, 0, cell_, cell_, bits, rowPitch);
        // Glyph pixels outside the cell (an overhanging italic, a mark above the ascent) are left
        // out rather than written past the texture.
        const int cell = static_cast<int>(cell_);
        for (int y = std::max(0, -top); y < height && top + y < cell; ++y)
            for (int x = std::max(0, -left); x < width && left + x < cell; ++x)
                (*writer)(left + x, top + y, 255, 255, 255, bitmap[y * pitch + x], bits, rowPitch);
        d3dTexture->UnlockRect(0);
    }
    code_ = code;
    left_ = left - 0.5f;
    top_ = top - 0.5f;
    right_ = left + width - 0.5f;
    bottom_ = top + height - 0.5f;
    float cellF = static_cast<float>(cell_ ? cell_ : 1);
    u0_ = left / cellF;
    v0_ = top / cellF;
    u1_ = (left + width) / cellF;
    v1_ = (top + height) / cellF;
}

int CFontTextureContainer::CellSizeFor(int size) {
    for (int cell : {16, 32, 64, 128, 256, 512})
        if (cell > size) return cell;
    return -1;
}

uint32_t CFontTextureContainer::StyleKey(bool bold, bool italic, bool underline, bool strikeOut) const {
    return (bold ? 1u : 0u) | (italic ? 2u : 0u) | (underline ? 4u : 0u) | (strikeOut ? 8u : 0u);
}

void CFontTextureContainer::Setup(int size, const char* face, bool bold, bool italic, bool underline, bool strikeOut) {
    int cell = CellSizeFor(size);
    D3DFORMAT format = CUSSingleton<CUSAppDeviceInfo>::GetInstance()->alphaTexture.GetFormat();
    nodes_.ResetCursor();
    while (CFontTextureNode* node = nodes_.NextInStorageOrder())
        if (cell > 0) node->Setup(format, static_cast<uint32_t>(cell), static_cast<uint32_t>(size));
    factory_.CreateFont(size, face, bold, italic, underline, strikeOut);
    face_ = face ? face : "";
    size_ = size;
    style_ = StyleKey(bold, italic, underline, strikeOut);
}

bool CFontTextureContainer::Matches(int size, const char* face, bool bold, bool italic, bool underline,
                                    bool strikeOut) const {
    return size == size_ && face_ == (face ? face : "") && style_ == StyleKey(bold, italic, underline, strikeOut);
}

void CFontTextureContainer::Begin() {
    dc_ = CreateCompatibleDC(nullptr);
    factory_.GetTextMetrics(dc_);
}

void CFontTextureContainer::End() {
    factory_.End();
    if (dc_) DeleteDC(dc_);
    dc_ = nullptr;
}

CFontTextureNode* CFontTextureContainer::GetGlyph(uint32_t code, CRenderPixel* writer, CClearRectFunctor* clear) {
    nodes_.ResetCursor();
    while (CFontTextureNode* node = nodes_.NextInStorageOrder())
        if (node->GetCode() == code) {
            nodes_.Touch(nodes_.IndexOf(node));
            return node;
        }
    CFontTextureNode* node = nodes_.LeastRecentlyUsed();
    if (!node) return nullptr;
    node->SetCode(code);
    nodes_.MoveLastToFront();
    int width, height, left, top, advanceX, advanceY, pitch;
    const BYTE* bitmap = factory_.GetGlyphBitmap(code, width, height, left, top, advanceX, advanceY, pitch);
    node->Render(code, bitmap, left, top, width, height, pitch, writer, clear);
    node->SetAdvance(advanceX);
    return node;
}

// The slots release their textures through the texture manager when this manager goes at exit:
// making sure it exists first makes it outlive this one.
CUSFontTextureManager::CUSFontTextureManager() { GetTextureManager(); }

CUSFontTextureManager::~CUSFontTextureManager() = default;

CFontTextureContainer* CUSFontTextureManager::GetContainer(int size, const char* face, bool bold, bool italic,
                                                           bool underline, bool strikeOut) {
    for (const auto& container : containers_)
        if (container->Matches(size, face, bold, italic, underline, strikeOut)) return container.get();
    auto container = std::make_unique<CFontTextureContainer>();
    container->CreateNodes(nodeCount_);
    container->Setup(size, face, bold, italic, underline, strikeOut);
    containers_.push_back(std::move(container));
    return containers_.back().get();
}

void CUSFontTextureManager::Begin() {
    if (current_) current_->Begin();
}

CFontTextureNode* CUSFontTextureManager::GetGlyph(uint32_t code) {
    if (!current_) return nullptr;
    const CUSTextureFormatInfo& info = CUSSingleton<CUSAppDeviceInfo>::GetInstance()->alphaTexture;
    return current_->GetGlyph(code, info.GetRenderPixel(), info.GetClearRect());
}

void CUSFontTextureManager::End() {
    if (current_) current_->End();
}
