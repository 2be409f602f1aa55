// AAFontFactoryEX: an anti-aliased GDI font and the 8-bit coverage bitmaps of single characters
// drawn with it, fetched into the shared glyph buffer.
#pragma once
#include <windows.h>

class AAFontFactoryEX {
public:
    AAFontFactoryEX() = default;
    AAFontFactoryEX(const AAFontFactoryEX&) = delete;
    AAFontFactoryEX& operator=(const AAFontFactoryEX&) = delete;
    virtual ~AAFontFactoryEX() { DeleteFont(); }
    // Replaces the font: cell height size, average width size / 2, weight 700 when bold else 400.
    virtual bool CreateFont(int size, const char* face, bool bold, bool italic, bool underline, bool strikeOut);
    virtual void DeleteFont();
    // Begins a session on a device context: selects the font and reads its metrics.
    virtual void GetTextMetrics(HDC dc);
    // Ends the session: selects the previous font back.
    virtual void End();
    // Fetches character code (CP932) as coverage 0..255, rows pitch bytes apart; returns the shared
    // buffer, valid until the next call. A character GDI cannot draw is an empty glyph: width and
    // height 0 (the advance of a blank such as a space is kept).
    virtual const BYTE* GetGlyphBitmap(UINT code, int& width, int& height, int& left, int& top, int& advanceX,
                                       int& advanceY, int& pitch, const MAT2& transform);
    virtual const BYTE* GetGlyphBitmap(UINT code, int& width, int& height, int& left, int& top, int& advanceX,
                                       int& advanceY, int& pitch);

    const TEXTMETRICA& GetMetrics() const { return metrics_; }
    int GetFontSize() const { return fontSize_; }

private:
    int fontSize_ = 0;
    HDC dc_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ previousFont_ = nullptr;
    TEXTMETRICA metrics_{};
    int ascent_ = 0;
};
