// Little-endian words, raw bytes and zero-terminated strings on the save streams.
#pragma once
#include <cstdint>
#include <string>

#include "engine/save/USBinaryStream.h"

namespace SaveIO {

inline void WriteU32(USLib::binary_ostream<256>& out, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    out.Write(b, 4);
}

inline void WriteString(USLib::binary_ostream<256>& out, const std::string& s) {
    out.Write(s.c_str(), static_cast<uint32_t>(s.size() + 1));
}

inline void ReadBytes(USLib::binary_istream& in, void* dst, uint32_t n) {
    if (n) in.Read(dst, n);
}

inline uint32_t ReadU32(USLib::binary_istream& in) {
    uint8_t b[4];
    in.Read(b, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

// Bytes up to a zero byte, which is consumed and not stored.
inline std::string ReadString(USLib::binary_istream& in) {
    std::string s;
    for (char c; in.Read(&c, 1), c != 0;) s.push_back(c);
    return s;
}

}  // namespace SaveIO
