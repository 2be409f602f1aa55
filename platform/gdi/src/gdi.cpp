// Fonts and glyph bitmaps over FreeType, faces found by fontconfig. Sizing follows GDI: a positive
// height is the cell (Windows ascent + descent of the face), a width is the average character
// width (the advance of "x"); bold and italic are made from the outline when the face has neither.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_ADVANCES_H
#include FT_SIZES_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <windows.h>

// Every GDI object of ours (only fonts are made) derives from this.
struct HGDIOBJ__ {
    HGDIOBJ__() = default;
    HGDIOBJ__(const HGDIOBJ__&) = delete;
    HGDIOBJ__& operator=(const HGDIOBJ__&) = delete;
    virtual ~HGDIOBJ__() = default;
};

struct HDC__ {
    HGDIOBJ font;
};

namespace {

struct Font final : HGDIOBJ__ {
    FT_Face face = nullptr;  // shared by the fonts of one file, each holding a reference
    FT_Size size = nullptr;  // this font's own size on the face, made active before each use
    TEXTMETRICA metrics{};
    bool syntheticBold = false;
    bool syntheticItalic = false;
    ~Font() override {
        if (size) FT_Done_Size(size);
        if (face) FT_Done_Face(face);
    }
};

std::mutex g_lock;  // FreeType objects are not thread-safe; this guards them and the object tables.
FT_Library g_library = nullptr;
std::set<HGDIOBJ> g_fonts;
std::set<HDC> g_dcs;
HGDIOBJ g_defaultFont = nullptr;

// The game's faces and the installed faces that stand in for them (CP932 names as UTF-8).
const struct {
    const char* face;
    const char* family;
} kAliases[] = {
    {"ＭＳ ゴシック", "IPAGothic"},
    {"ＭＳ 明朝", "IPAMincho"},
    {"MS Gothic", "IPAGothic"},
    {"MS Mincho", "IPAMincho"},
};

// What fontconfig chose for each family asked for, and the faces opened from each file: a game makes
// a font for every text buffer, and opening a large CJK face reads its tables again each time.
struct FaceChoice {
    bool ok = false;
    std::string file, found;
    int index = 0;
};
std::map<std::string, FaceChoice> g_choices;
std::map<std::pair<std::string, int>, FT_Face> g_faces;  // one reference each, kept for the process
// fontconfig's set-up when StartFontLookup runs it ahead; taken (waited for) by the first face looked up.
std::future<void> g_lookupStart;

bool Ready() {
    if (g_library) return true;
    if (FT_Init_FreeType(&g_library) != 0) {
        g_library = nullptr;
        std::fprintf(stderr, "gdi: FreeType start-up failed\n");
        return false;
    }
    return true;
}

// The font file and face index fontconfig chooses for a family (Japanese text preferred).
bool FindFace(const std::string& family, std::string& file, int& index, std::string& found) {
    if (g_lookupStart.valid()) g_lookupStart.get();
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8* path = nullptr;
    FcChar8* name = nullptr;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch;
    if (ok) {
        file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        found = FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch ? reinterpret_cast<const char*>(name) : "";
    }
    FcPatternDestroy(match);
    return ok;
}

FT_Long Units(FT_Face face, FT_UInt glyph) {
    FT_Fixed advance = 0;
    FT_Get_Advance(face, glyph, FT_LOAD_NO_SCALE, &advance);
    return advance;
}

// Sizes the face as GDI sizes a font and fills its text metrics.
void SizeFont(Font& font, int height, int width) {
    FT_Face face = font.face;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    double ascentUnits = os2 && os2->usWinAscent ? os2->usWinAscent : face->ascender;
    double descentUnits = os2 && os2->usWinAscent ? os2->usWinDescent : -face->descender;
    double cellUnits = ascentUnits + descentUnits;
    if (height == 0) height = 16;
    double em = height > 0 ? height * face->units_per_EM / cellUnits : -height;
    double scale = em / face->units_per_EM;
    FT_UInt x = FT_Get_Char_Index(face, 'x');
    double naturalAverage = (x ? Units(face, x) : face->units_per_EM / 2) * scale;
    double emX = width > 0 && naturalAverage > 0 ? em * width / naturalAverage : em;
    FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(std::lround(emX * 64)), static_cast<FT_F26Dot6>(std::lround(em * 64)),
                     72, 72);

    TEXTMETRICA& tm = font.metrics;
    tm.tmAscent = static_cast<LONG>(std::lround(ascentUnits * scale));
    tm.tmHeight = height > 0 ? height : static_cast<LONG>(std::lround(cellUnits * scale));
    tm.tmDescent = tm.tmHeight - tm.tmAscent;
    tm.tmInternalLeading = tm.tmHeight - static_cast<LONG>(std::lround(em));
    const TT_HoriHeader* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    double gapUnits = hhea ? hhea->Line_Gap - (cellUnits - (hhea->Ascender - hhea->Descender)) : 0;
    tm.tmExternalLeading = static_cast<LONG>(std::lround(std::max(0.0, gapUnits * scale)));
    tm.tmAveCharWidth = width > 0 ? width : static_cast<LONG>(std::lround(naturalAverage));
    tm.tmMaxCharWidth = static_cast<LONG>(std::lround(face->max_advance_width * scale * emX / em));
    tm.tmOverhang = 0;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFC;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmPitchAndFamily = TMPF_VECTOR | TMPF_TRUETYPE | (FT_IS_FIXED_WIDTH(face) ? 0 : TMPF_FIXED_PITCH);
}

// The Unicode character of a CP932 code, 0 when the code has none.
FT_ULong UnicodeOf(UINT code) {
    std::string bytes;
    if (code > 0xFF) bytes.push_back(static_cast<char>(code >> 8));
    bytes.push_back(static_cast<char>(code & 0xFF));
    std::string utf8 = win32::Cp932ToUtf8(bytes);
    const unsigned char* s = reinterpret_cast<const unsigned char*>(utf8.c_str());
    FT_ULong c;
    size_t n;
    if (s[0] < 0x80) c = s[0], n = 1;
    else if (s[0] >= 0xF0) c = s[0] & 0x07, n = 4;
    else if (s[0] >= 0xE0) c = s[0] & 0x0F, n = 3;
    else c = s[0] & 0x1F, n = 2;
    if (utf8.size() != n) return 0;  // Not one character: the code is not a single CP932 character.
    for (size_t i = 1; i < n; ++i) c = (c << 6) | (s[i] & 0x3F);
    return c == 0xFFFD ? 0 : c;
}

FT_Fixed Fixed(FIXED f) { return static_cast<FT_Fixed>(f.value) * 65536 + f.fract; }

Font* FontOf(HDC dc) {
    if (!dc || !g_dcs.count(dc) || !g_fonts.count(dc->font)) return nullptr;
    return static_cast<Font*>(dc->font);
}

HGDIOBJ MakeFont(int height, int width, int weight, bool italic, bool underline, bool strikeOut, const char* face) {
    if (!Ready()) return nullptr;
    std::string requested = win32::Cp932ToUtf8(face ? face : "");
    std::string family = requested;
    for (const auto& alias : kAliases)
        if (requested == alias.face) family = alias.family;
    auto choice = g_choices.find(family);
    if (choice == g_choices.end()) {
        FaceChoice c;
        c.ok = FindFace(family, c.file, c.index, c.found);
        choice = g_choices.emplace(family, c).first;
    }
    if (!choice->second.ok) {
        std::fprintf(stderr, "gdi: no font for face \"%s\"\n", requested.c_str());
        return nullptr;
    }
    const std::string& file = choice->second.file;
    const std::string& found = choice->second.found;
    const int index = choice->second.index;
    if (found != family)
        std::fprintf(stderr, "gdi: face \"%s\" is not installed; drawing it with \"%s\"\n", requested.c_str(),
                     found.c_str());
    FT_Face& shared = g_faces[{file, index}];
    if (!shared && FT_New_Face(g_library, file.c_str(), index, &shared) != 0) {
        std::fprintf(stderr, "gdi: cannot open font file %s\n", file.c_str());
        shared = nullptr;
        g_faces.erase({file, index});
        return nullptr;
    }
    auto font = std::make_unique<Font>();
    FT_Reference_Face(shared);
    font->face = shared;
    if (FT_New_Size(shared, &font->size) != 0) {
        std::fprintf(stderr, "gdi: cannot size a font of %s\n", file.c_str());
        font->size = nullptr;
        return nullptr;
    }
    FT_Activate_Size(font->size);
    SizeFont(*font, height, width);
    font->syntheticBold = weight >= 600 && !(font->face->style_flags & FT_STYLE_FLAG_BOLD);
    font->syntheticItalic = italic && !(font->face->style_flags & FT_STYLE_FLAG_ITALIC);
    TEXTMETRICA& tm = font->metrics;
    tm.tmWeight = weight == FW_DONTCARE ? FW_NORMAL : weight;
    tm.tmItalic = italic ? 1 : 0;
    tm.tmUnderlined = underline ? 1 : 0;
    tm.tmStruckOut = strikeOut ? 1 : 0;
    tm.tmCharSet = SHIFTJIS_CHARSET;
    g_fonts.insert(font.get());
    return font.release();
}

}  // namespace

void win32::StartFontLookup() {
    std::lock_guard<std::mutex> lock(g_lock);
    static bool started = false;
    if (started) return;
    started = true;
    try {
        g_lookupStart = std::async(std::launch::async, [] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to spare: the first face looked up sets fontconfig up, as without this call.
    }
}

HFONT CreateFontA(int height, int width, int, int, int weight, DWORD italic, DWORD underline, DWORD strikeOut,
                  DWORD, DWORD, DWORD, DWORD, DWORD, LPCSTR face) {
    std::lock_guard<std::mutex> lock(g_lock);
    return MakeFont(height, width, weight, italic != 0, underline != 0, strikeOut != 0, face);
}

HDC CreateCompatibleDC(HDC) {
    std::lock_guard<std::mutex> lock(g_lock);
    // A new context has the system font selected, as on Windows.
    if (!g_defaultFont) g_defaultFont = MakeFont(16, 0, FW_NORMAL, false, false, false, "MS Gothic");
    HDC dc = new HDC__{g_defaultFont};
    g_dcs.insert(dc);
    return dc;
}

BOOL DeleteDC(HDC dc) {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!g_dcs.erase(dc)) return FALSE;
    delete dc;
    return TRUE;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!dc || !g_dcs.count(dc) || !g_fonts.count(object)) return HGDI_ERROR;
    HGDIOBJ previous = dc->font;
    dc->font = object;
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    std::lock_guard<std::mutex> lock(g_lock);
    if (!g_fonts.count(object) || object == g_defaultFont) return FALSE;
    // A font still selected into a context stays alive there until it is replaced.
    for (HDC dc : g_dcs)
        if (dc->font == object) return FALSE;
    g_fonts.erase(object);
    delete object;
    return TRUE;
}

BOOL GetTextMetricsA(HDC dc, LPTEXTMETRICA metrics) {
    std::lock_guard<std::mutex> lock(g_lock);
    Font* font = FontOf(dc);
    if (!font || !metrics) return FALSE;
    *metrics = font->metrics;
    return TRUE;
}

DWORD GetGlyphOutlineA(HDC dc, UINT code, UINT format, LPGLYPHMETRICS metrics, DWORD bufferSize, LPVOID buffer,
                       const MAT2* transform) {
    std::lock_guard<std::mutex> lock(g_lock);
    Font* font = FontOf(dc);
    if (!font || !metrics || !transform || (format != GGO_GRAY8_BITMAP && format != GGO_METRICS)) return GDI_ERROR;
    FT_Face face = font->face;
    FT_Activate_Size(font->size);
    FT_ULong unicode = UnicodeOf(code);
    FT_UInt glyph = unicode ? FT_Get_Char_Index(face, unicode) : 0;  // 0: the face's replacement glyph.
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return GDI_ERROR;
    FT_GlyphSlot slot = face->glyph;
    FT_Vector advance{slot->advance.x, 0};
    if (font->syntheticBold) {
        FT_Outline_EmboldenXY(&slot->outline, 64, 0);
        advance.x += 64;
    }
    if (font->syntheticItalic) {
        const FT_Matrix shear{0x10000, 0x3000, 0, 0x10000};
        FT_Outline_Transform(&slot->outline, &shear);
    }
    FT_Matrix m{Fixed(transform->eM11), Fixed(transform->eM21), Fixed(transform->eM12), Fixed(transform->eM22)};
    if (m.xx != 0x10000 || m.xy != 0 || m.yx != 0 || m.yy != 0x10000) {
        FT_Outline_Transform(&slot->outline, &m);
        FT_Vector_Transform(&advance, &m);
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return GDI_ERROR;
    const FT_Bitmap& bitmap = slot->bitmap;
    metrics->gmCellIncX = static_cast<SHORT>((advance.x + 32) >> 6);
    metrics->gmCellIncY = static_cast<SHORT>((advance.y + 32) >> 6);
    if (bitmap.width == 0 || bitmap.rows == 0) {
        // Nothing to draw (a space): GDI reports a 1 x 1 box and no bitmap.
        metrics->gmBlackBoxX = metrics->gmBlackBoxY = 1;
        metrics->gmptGlyphOrigin = POINT{0, 0};
        return 0;
    }
    metrics->gmBlackBoxX = bitmap.width;
    metrics->gmBlackBoxY = bitmap.rows;
    metrics->gmptGlyphOrigin = POINT{slot->bitmap_left, slot->bitmap_top};
    if (format == GGO_METRICS) return 0;
    DWORD pitch = (bitmap.width + 3) & ~3u;
    DWORD size = pitch * bitmap.rows;
    if (!buffer || bufferSize == 0) return size;
    if (bufferSize < size) return GDI_ERROR;
    BYTE* out = static_cast<BYTE*>(buffer);
    std::memset(out, 0, size);
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* src = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
        for (unsigned col = 0; col < bitmap.width; ++col)
            out[row * pitch + col] = static_cast<BYTE>((src[col] * 64 + 127) / 255);
    }
    return size;
}
