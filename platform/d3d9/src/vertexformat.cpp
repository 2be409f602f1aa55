// Vertex layouts of FVF codes and declarations, and element decoding.
#include "vertexformat.h"

#include <cstring>

namespace d3d9 {

bool ElementsFromFvf(DWORD fvf, std::vector<D3DVERTEXELEMENT9>& elements) {
    elements.clear();
    WORD offset = 0;
    auto add = [&](BYTE type, BYTE usage, BYTE index) {
        elements.push_back(D3DVERTEXELEMENT9{0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index});
        offset = WORD(offset + ElementSize(type));
    };
    DWORD position = fvf & D3DFVF_POSITION_MASK;
    switch (position) {
        case 0: break;
        case D3DFVF_XYZ: add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0); break;
        case D3DFVF_XYZRHW: add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITIONT, 0); break;
        case D3DFVF_XYZW: add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_POSITION, 0); break;
        case D3DFVF_XYZB1:
        case D3DFVF_XYZB2:
        case D3DFVF_XYZB3:
        case D3DFVF_XYZB4:
        case D3DFVF_XYZB5: {
            add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
            int betas = int((position - D3DFVF_XYZRHW) / 2);  // XYZB1 (6) carries 1 beta ... XYZB5 (14) 5
            bool lastIndices = fvf & (D3DFVF_LASTBETA_UBYTE4 | D3DFVF_LASTBETA_D3DCOLOR);
            int weights = betas - (lastIndices ? 1 : 0);
            if (weights > 0) add(BYTE(D3DDECLTYPE_FLOAT1 + weights - 1), D3DDECLUSAGE_BLENDWEIGHT, 0);
            if (lastIndices)
                add(fvf & D3DFVF_LASTBETA_UBYTE4 ? D3DDECLTYPE_UBYTE4 : D3DDECLTYPE_D3DCOLOR,
                    D3DDECLUSAGE_BLENDINDICES, 0);
            break;
        }
        default: return false;
    }
    if (fvf & D3DFVF_NORMAL) add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
    if (fvf & D3DFVF_PSIZE) add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
    if (fvf & D3DFVF_DIFFUSE) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
    if (fvf & D3DFVF_SPECULAR) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
    DWORD texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (texCount > 8) return false;
    for (DWORD i = 0; i < texCount; ++i) {
        static const BYTE kTypes[4] = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4, D3DDECLTYPE_FLOAT1};
        add(kTypes[(fvf >> (16 + 2 * i)) & 3], D3DDECLUSAGE_TEXCOORD, BYTE(i));
    }
    return true;
}

UINT ElementSize(BYTE type) {
    switch (type) {
        case D3DDECLTYPE_FLOAT1: return 4;
        case D3DDECLTYPE_FLOAT2: return 8;
        case D3DDECLTYPE_FLOAT3: return 12;
        case D3DDECLTYPE_FLOAT4: return 16;
        case D3DDECLTYPE_D3DCOLOR:
        case D3DDECLTYPE_UBYTE4:
        case D3DDECLTYPE_UBYTE4N:
        case D3DDECLTYPE_SHORT2:
        case D3DDECLTYPE_SHORT2N:
        case D3DDECLTYPE_USHORT2N: return 4;
        case D3DDECLTYPE_SHORT4:
        case D3DDECLTYPE_SHORT4N:
        case D3DDECLTYPE_USHORT4N: return 8;
        default: return 0;
    }
}

UINT StreamStride(const std::vector<D3DVERTEXELEMENT9>& elements, WORD stream) {
    UINT stride = 0;
    for (const D3DVERTEXELEMENT9& e : elements)
        if (e.Stream == stream && e.Offset + ElementSize(e.Type) > stride) stride = e.Offset + ElementSize(e.Type);
    return stride;
}

void ReadElement(BYTE type, const BYTE* p, float out[4]) {
    out[0] = out[1] = out[2] = 0.f;
    out[3] = 1.f;
    switch (type) {
        case D3DDECLTYPE_FLOAT1:
        case D3DDECLTYPE_FLOAT2:
        case D3DDECLTYPE_FLOAT3:
        case D3DDECLTYPE_FLOAT4: std::memcpy(out, p, ElementSize(type)); return;
        case D3DDECLTYPE_D3DCOLOR:
            out[0] = float(p[2]) / 255.f;
            out[1] = float(p[1]) / 255.f;
            out[2] = float(p[0]) / 255.f;
            out[3] = float(p[3]) / 255.f;
            return;
        case D3DDECLTYPE_UBYTE4:
        case D3DDECLTYPE_UBYTE4N:
            for (int i = 0; i < 4; ++i) out[i] = type == D3DDECLTYPE_UBYTE4 ? float(p[i]) : float(p[i]) / 255.f;
            return;
        case D3DDECLTYPE_SHORT2:
        case D3DDECLTYPE_SHORT4:
        case D3DDECLTYPE_SHORT2N:
        case D3DDECLTYPE_SHORT4N: {
            int n = (type == D3DDECLTYPE_SHORT2 || type == D3DDECLTYPE_SHORT2N) ? 2 : 4;
            bool norm = type == D3DDECLTYPE_SHORT2N || type == D3DDECLTYPE_SHORT4N;
            for (int i = 0; i < n; ++i) {
                SHORT v;
                std::memcpy(&v, p + 2 * i, 2);
                out[i] = norm ? float(v) / 32767.f : float(v);
            }
            return;
        }
        case D3DDECLTYPE_USHORT2N:
        case D3DDECLTYPE_USHORT4N: {
            int n = type == D3DDECLTYPE_USHORT2N ? 2 : 4;
            for (int i = 0; i < n; ++i) {
                WORD v;
                std::memcpy(&v, p + 2 * i, 2);
                out[i] = float(v) / 65535.f;
            }
            return;
        }
        default: return;
    }
}

}  // namespace d3d9
