// AAFontFactoryEX: font creation and glyph fetching through GDI, coverage scaled from 65 levels to
// 0..255.
#include "engine/font/AAFontFactoryEX.h"

#include "engine/font/FontBMPBuffer.h"

bool AAFontFactoryEX::CreateFont(int size, const char* face, bool bold, bool italic, bool underline, bool strikeOut) {
    DeleteFont();
    font_ = CreateFontA(size, size / 2, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic, underline, strikeOut, SHIFTJIS_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, 0, face);
    fontSize_ = size;
    return font_ != nullptr;
}

void AAFontFactoryEX::DeleteFont() {
    if (font_) DeleteObject(font_);
    font_ = nullptr;
}

void AAFontFactoryEX::GetTextMetrics(HDC dc) {
    dc_ = dc;
    previousFont_ = SelectObject(dc, font_);
    metrics_ = TEXTMETRICA{};
    GetTextMetricsA(dc, &metrics_);
    ascent_ = metrics_.tmAscent;
}

void AAFontFactoryEX::End() {
    if (dc_ && previousFont_ && previousFont_ != HGDI_ERROR) SelectObject(dc_, previousFont_);
    previousFont_ = nullptr;
}

const BYTE* AAFontFactoryEX::GetGlyphBitmap(UINT code, int& width, int& height, int& left, int& top, int& advanceX,
                                            int& advanceY, int& pitch, const MAT2& transform) {
    GLYPHMETRICS gm{};
    DWORD size = GetGlyphOutlineA(dc_, code, GGO_GRAY8_BITMAP, &gm, 0, nullptr, &transform);
    BYTE* bits = nullptr;
    if (size != 0 && size != GDI_ERROR) {
        bits = CUSSingleton<CFontBMPBuffer>::GetInstance()->Reserve(size);
        if (!bits || GetGlyphOutlineA(dc_, code, GGO_GRAY8_BITMAP, &gm, size, bits, &transform) == GDI_ERROR)
            size = GDI_ERROR;
    }
    if (size == GDI_ERROR) gm = GLYPHMETRICS{};
    bool empty = size == 0 || size == GDI_ERROR;
    // An empty glyph draws nothing: its box (GDI reports 1 x 1 for a blank) has no pixels.
    width = empty ? 0 : static_cast<int>(gm.gmBlackBoxX);
    height = empty ? 0 : static_cast<int>(gm.gmBlackBoxY);
    pitch = empty ? 0 : static_cast<int>((gm.gmBlackBoxX + 3) & ~3u);
    left = gm.gmptGlyphOrigin.x;
    top = ascent_ - gm.gmptGlyphOrigin.y;
    advanceX = gm.gmCellIncX;
    advanceY = gm.gmCellIncY;
    if (empty) return CUSSingleton<CFontBMPBuffer>::GetInstance()->Reserve(0);
    // 65 grey levels to alpha: 4 x level, the full level 64 as 255.
    for (DWORD i = 0; i < size; ++i) bits[i] = bits[i] >= 64 ? 255 : static_cast<BYTE>(bits[i] * 4);
    return bits;
}

const BYTE* AAFontFactoryEX::GetGlyphBitmap(UINT code, int& width, int& height, int& left, int& top, int& advanceX,
                                            int& advanceY, int& pitch) {
    static const MAT2 kIdentity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    return GetGlyphBitmap(code, width, height, left, top, advanceX, advanceY, pitch, kIdentity);
}
