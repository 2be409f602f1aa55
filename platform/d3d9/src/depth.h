// The cells of a depth surface's row: 16 bits for D16, 32 for the 24-bit formats, holding z in 0..1
// scaled to 65535 or 16777215. Draws and clears read and store depth through it alone.
#pragma once
#include <cstring>

#include "objects.h"

namespace d3d9 {

// A depth value in the depth surface's units (scale: 65535 for 16 bits, 16777215 for 24): z clamped
// to 0..1, and 0 when it is not a number, times scale.
inline unsigned DepthValue(double z, double scale) {
    z = z > 0.0 ? (z < 1.0 ? z : 1.0) : 0.0;
    return unsigned(z * scale + 0.5);
}

class DepthRow {
public:
    // The cells of depth surface s from cells on.
    DepthRow(const Surface& s, BYTE* cells) : cells_(cells), sixteen_(s.Bpp() == 2) {}
    // Row y of depth surface s; a row of nothing when s is null (never read or stored then).
    DepthRow(Surface* s, int y)
        : cells_(s ? s->Bits() + size_t(y) * s->Pitch() : nullptr),
          sixteen_(s && s->Bpp() == 2),
          width_(s ? int(s->Desc().Width) : 0) {}

    // z as this surface stores it.
    unsigned Value(double z) const { return DepthValue(z, sixteen_ ? 65535.0 : 16777215.0); }

    unsigned Load(int x) const {
        if (sixteen_) {
            WORD w;
            std::memcpy(&w, cells_ + size_t(x) * 2, 2);
            return w;
        }
        DWORD d;
        std::memcpy(&d, cells_ + size_t(x) * 4, 4);
        return d;
    }

    void Store(int x, unsigned value) const {
        if (sixteen_) {
            const WORD w = WORD(value);
            std::memcpy(cells_ + size_t(x) * 2, &w, 2);
        } else {
            std::memcpy(cells_ + size_t(x) * 4, &value, 4);
        }
    }

    // The cells themselves, for code that reads or stores many at once, and how many the row has (0 for
    // a row made from a cell pointer).
    BYTE* Cells() const { return cells_; }
    bool Sixteen() const { return sixteen_; }
    int Width() const { return width_; }

private:
    BYTE* cells_;
    bool sixteen_;
    int width_ = 0;
};

}  // namespace d3d9
