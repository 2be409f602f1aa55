// The PNG files games mostly hold (8-bit RGB or RGBA, not interlaced) decoded with their rows
// unfiltered straight into A8R8G8B8 pixels.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "pixelmemory.h"

namespace d3dx9 {

// An 8-bit RGB or RGBA PNG file that is not interlaced, read as far as its filtered rows.
class PlainPng {
public:
    // Reads the file's chunks and inflates its image data. False for a file of any other kind, and for
    // one whose chunks, compressed data or row filters are not whole and sound: stb_image then decides
    // about it, as it did before.
    bool Read(const unsigned char* bytes, std::size_t size);
    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    // Unfilters the rows into A8R8G8B8 pixels (opaque where the file has no alpha), rows `pitch` bytes
    // apart from out on.
    void Unfilter(BYTE* out, std::size_t pitch) const;

private:
    d3d9::PixelBuffer<unsigned char> rows_;  // each row's filter byte and bytes, and one byte to spare
    std::uint32_t width_ = 0, height_ = 0;
    int channels_ = 0;
};

}  // namespace d3dx9
