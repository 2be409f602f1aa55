// The format table of the software device and its one-pixel conversions.
#include "formats.h"

#include <atomic>
#include <cstring>

namespace d3d9 {
namespace {

std::atomic<bool> g_refuse32{false};

constexpr FormatInfo kFormats[] = {
    {D3DFMT_A8R8G8B8, 4, true, true, false, false},  {D3DFMT_X8R8G8B8, 4, true, true, false, false},
    {D3DFMT_R5G6B5, 2, true, true, false, true},     {D3DFMT_X1R5G5B5, 2, true, true, false, true},
    {D3DFMT_A1R5G5B5, 2, true, true, false, true},   {D3DFMT_A4R4G4B4, 2, true, false, false, true},
    {D3DFMT_X4R4G4B4, 2, true, false, false, true},  {D3DFMT_A8, 1, true, false, false, true},
    {D3DFMT_L8, 1, true, false, false, true},        {D3DFMT_A8L8, 2, true, false, false, true},
    {D3DFMT_D16, 2, false, false, true, true},       {D3DFMT_D24X8, 4, false, false, true, false},
    {D3DFMT_D24S8, 4, false, false, true, false},
};

// Expands an n-bit channel to 8 bits by repeating its high bits.
inline DWORD Expand(DWORD v, int bits) {
    switch (bits) {
        case 1: return v ? 255 : 0;
        case 4: return v * 17;
        case 5: return (v << 3) | (v >> 2);
        case 6: return (v << 2) | (v >> 4);
        default: return v;
    }
}
// Rounds an 8-bit channel to n bits.
inline DWORD Narrow(DWORD v, int bits) {
    DWORD max = (1u << bits) - 1;
    return (v * max + 127) / 255;
}

}  // namespace

const FormatInfo* FindFormat(D3DFORMAT format) {
    for (const FormatInfo& f : kFormats)
        if (f.format == format) return &f;
    return nullptr;
}

bool Refuse32Bit() { return g_refuse32.load(); }

bool AcceptsFormat(DWORD usage, D3DRESOURCETYPE type, D3DFORMAT format) {
    const FormatInfo* f = FindFormat(format);
    if (!f || (Refuse32Bit() && !f->sixteenBit)) return false;
    if (usage & D3DUSAGE_DEPTHSTENCIL) return f->depth && type == D3DRTYPE_SURFACE;
    if (usage & D3DUSAGE_RENDERTARGET) return f->renderTarget && (type == D3DRTYPE_TEXTURE || type == D3DRTYPE_SURFACE);
    return f->texture && (type == D3DRTYPE_TEXTURE || type == D3DRTYPE_SURFACE);
}

DWORD ReadPixel(D3DFORMAT format, const BYTE* p) {
    switch (format) {
        case D3DFMT_A8R8G8B8: {
            DWORD v;
            std::memcpy(&v, p, 4);
            return v;
        }
        case D3DFMT_X8R8G8B8: {
            DWORD v;
            std::memcpy(&v, p, 4);
            return v | 0xFF000000u;
        }
        case D3DFMT_R5G6B5: {
            DWORD v = p[0] | (p[1] << 8);
            return 0xFF000000u | Expand(v >> 11, 5) << 16 | Expand((v >> 5) & 63, 6) << 8 | Expand(v & 31, 5);
        }
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5: {
            DWORD v = p[0] | (p[1] << 8);
            DWORD a = (format == D3DFMT_X1R5G5B5 || (v & 0x8000)) ? 255u : 0u;
            return a << 24 | Expand((v >> 10) & 31, 5) << 16 | Expand((v >> 5) & 31, 5) << 8 | Expand(v & 31, 5);
        }
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4: {
            DWORD v = p[0] | (p[1] << 8);
            DWORD a = format == D3DFMT_X4R4G4B4 ? 255u : Expand(v >> 12, 4);
            return a << 24 | Expand((v >> 8) & 15, 4) << 16 | Expand((v >> 4) & 15, 4) << 8 | Expand(v & 15, 4);
        }
        case D3DFMT_A8: return DWORD(p[0]) << 24;
        case D3DFMT_L8: return 0xFF000000u | p[0] * 0x010101u;
        case D3DFMT_A8L8: return DWORD(p[1]) << 24 | p[0] * 0x010101u;
        default: return 0;
    }
}

void WritePixel(D3DFORMAT format, BYTE* p, DWORD argb) {
    DWORD a = argb >> 24, r = (argb >> 16) & 255, g = (argb >> 8) & 255, b = argb & 255;
    DWORD v = 0;
    switch (format) {
        case D3DFMT_A8R8G8B8: std::memcpy(p, &argb, 4); return;
        case D3DFMT_X8R8G8B8: {
            DWORD x = argb | 0xFF000000u;  // the unused byte is kept at 0xFF
            std::memcpy(p, &x, 4);
            return;
        }
        case D3DFMT_R5G6B5: v = Narrow(r, 5) << 11 | Narrow(g, 6) << 5 | Narrow(b, 5); break;
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            v = (format == D3DFMT_X1R5G5B5 || a >= 128 ? 0x8000u : 0u) | Narrow(r, 5) << 10 | Narrow(g, 5) << 5 |
                Narrow(b, 5);
            break;
        case D3DFMT_A4R4G4B4:
        case D3DFMT_X4R4G4B4:
            v = (format == D3DFMT_X4R4G4B4 ? 15u : Narrow(a, 4)) << 12 | Narrow(r, 4) << 8 | Narrow(g, 4) << 4 |
                Narrow(b, 4);
            break;
        case D3DFMT_A8: p[0] = BYTE(a); return;
        case D3DFMT_L8: p[0] = BYTE((r * 77 + g * 150 + b * 29 + 128) >> 8); return;
        case D3DFMT_A8L8:
            p[0] = BYTE((r * 77 + g * 150 + b * 29 + 128) >> 8);
            p[1] = BYTE(a);
            return;
        default: return;
    }
    p[0] = BYTE(v);
    p[1] = BYTE(v >> 8);
}

}  // namespace d3d9

namespace d3d9test {
void SetRefuse32BitFormats(bool refuse) { d3d9::g_refuse32.store(refuse); }
}  // namespace d3d9test
