// gdi32 stand-in: fonts, memory device contexts, text metrics and glyph bitmaps, as the glyph cache
// and the text buffers use them. Fonts come from fontconfig and are drawn by FreeType.
#pragma once
#include "win32/types.h"

#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SHIFTJIS_CHARSET 128
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define GGO_METRICS 0
#define GGO_GRAY8_BITMAP 6
#define GDI_ERROR 0xFFFFFFFFu
#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1)))
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04

struct TEXTMETRICA {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    BYTE tmFirstChar;
    BYTE tmLastChar;
    BYTE tmDefaultChar;
    BYTE tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
using LPTEXTMETRICA = TEXTMETRICA*;

struct GLYPHMETRICS {
    UINT gmBlackBoxX;
    UINT gmBlackBoxY;
    POINT gmptGlyphOrigin;  // Left and top of the black box; y counts upward from the baseline.
    SHORT gmCellIncX;
    SHORT gmCellIncY;
};
using LPGLYPHMETRICS = GLYPHMETRICS*;

struct FIXED {
    WORD fract;
    SHORT value;
};
struct MAT2 {
    FIXED eM11;
    FIXED eM12;
    FIXED eM21;
    FIXED eM22;
};

// height > 0: cell height (ascent + descent) in pixels; < 0: character (em) height; 0: a default.
// width != 0: average character width, scaling the glyphs horizontally. face is CP932; the faces
// "ＭＳ ゴシック" and "ＭＳ 明朝" are drawn with IPAGothic and IPAMincho, an unknown face with the
// closest installed font (logged). Weights from 600 up are drawn bold.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCSTR face);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// Selects a font into a device context; returns the font selected before (HGDI_ERROR on failure).
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
BOOL GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics);
// GGO_GRAY8_BITMAP: 65 grey levels (0..64), one byte a pixel, rows padded to 4 bytes. code is a
// CP932 character: a single byte, or lead byte × 256 + trail byte; codes without a character give
// the font's replacement glyph. With no buffer, returns the size needed; an empty glyph has size 0.
DWORD GetGlyphOutlineA(HDC dc, UINT code, UINT format, LPGLYPHMETRICS metrics, DWORD bufferSize, LPVOID buffer,
                       const MAT2* transform);

namespace win32 {
// Starts fontconfig's set-up (reading its configuration and caches, some 5 ms) on a thread of its own,
// so that it runs beside the program's other start-up work; the first font made waits for it. Call it
// once no thread changes the locale any more (SDL's video start does, for a moment).
void StartFontLookup();
}  // namespace win32
